#pragma once
// Condenses a recorded call list into a short, readable outline: each call
// becomes a token ("colour 255 0 0 50", "tri", "line 2", "box 7x7", "pos"),
// runs of one token become "tri x40" and runs of a repeated pair become
// "(colour ...; line 2) x121". Tests compare outlines to pin the order,
// the counts and where colours are set.
#include <ostream>
#include <string>
#include <vector>

#include "host/pluginsdk/RecordingCanvas.h"

namespace drawtest {

inline std::string token(const pluginsdk::CanvasCall& c) {
    using K = pluginsdk::CanvasCall::Kind;
    switch (c.kind) {
        case K::SetColor:
            return "colour " + std::to_string(c.v[0]) + " " + std::to_string(c.v[1]) + " " +
                   std::to_string(c.v[2]) + " " + std::to_string(c.v[3]);
        case K::SetPosition:
            return "pos";
        case K::FillBox:
            return "box " + std::to_string(c.v[0]) + "x" + std::to_string(c.v[1]);
        case K::FillTriangle:
            return "tri";
        case K::DrawLine:
            return "line " + std::to_string(static_cast<int>(c.width));
    }
    return "?";
}

inline std::vector<std::string> outline(const std::vector<pluginsdk::CanvasCall>& calls) {
    std::vector<std::string> t;
    t.reserve(calls.size());
    for (const auto& c : calls) t.push_back(token(c));
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < t.size()) {
        std::size_t n = 1;
        while (i + n < t.size() && t[i + n] == t[i]) ++n;
        if (n > 1) {
            out.push_back(t[i] + " x" + std::to_string(n));
            i += n;
            continue;
        }
        std::size_t pairs = 1;
        while (i + 2 * pairs + 1 < t.size() && t[i + 2 * pairs] == t[i] &&
               t[i + 2 * pairs + 1] == t[i + 1])
            ++pairs;
        if (pairs > 1) {
            out.push_back("(" + t[i] + "; " + t[i + 1] + ") x" + std::to_string(pairs));
            i += 2 * pairs;
            continue;
        }
        out.push_back(t[i]);
        ++i;
    }
    return out;
}

inline pluginsdk::CanvasCall tri(Vector2 a, Vector2 b, Vector2 c) {
    return {pluginsdk::CanvasCall::Kind::FillTriangle, {a.X, a.Y, b.X, b.Y, c.X, c.Y}, 0.0f};
}
inline pluginsdk::CanvasCall line(Vector2 a, Vector2 b, float width) {
    return {pluginsdk::CanvasCall::Kind::DrawLine, {a.X, a.Y, b.X, b.Y, 0, 0}, width};
}
inline pluginsdk::CanvasCall colour(int r, int g, int b, int a) {
    return {pluginsdk::CanvasCall::Kind::SetColor, {r, g, b, a, 0, 0}, 0.0f};
}
inline pluginsdk::CanvasCall position(Vector2 p) {
    return {pluginsdk::CanvasCall::Kind::SetPosition, {p.X, p.Y, 0, 0, 0, 0}, 0.0f};
}
inline pluginsdk::CanvasCall box(int w, int h) {
    return {pluginsdk::CanvasCall::Kind::FillBox, {w, h, 0, 0, 0, 0}, 0.0f};
}

}  // namespace drawtest

// Failure messages print calls as trace lines.
namespace pluginsdk {
inline void PrintTo(const CanvasCall& c, std::ostream* os) { *os << formatCall(c); }
}  // namespace pluginsdk
