#include "host/pluginsdk/RecordingCanvas.h"

#include <cstdio>

namespace pluginsdk {

std::string formatCall(const CanvasCall& c) {
    char buf[160];
    const int32_t* v = c.v;
    switch (c.kind) {
        case CanvasCall::Kind::SetColor:
            std::snprintf(buf, sizeof buf, "SetColor %d %d %d %d", v[0], v[1], v[2], v[3]);
            break;
        case CanvasCall::Kind::SetPosition:
            std::snprintf(buf, sizeof buf, "SetPosition %d %d", v[0], v[1]);
            break;
        case CanvasCall::Kind::FillBox:
            std::snprintf(buf, sizeof buf, "FillBox %d %d", v[0], v[1]);
            break;
        case CanvasCall::Kind::FillTriangle:
            std::snprintf(buf, sizeof buf, "FillTriangle %d %d %d %d %d %d", v[0], v[1], v[2], v[3],
                          v[4], v[5]);
            break;
        case CanvasCall::Kind::DrawLine:
            std::snprintf(buf, sizeof buf, "DrawLine %d %d %d %d %g", v[0], v[1], v[2], v[3],
                          static_cast<double>(c.width));
            break;
    }
    return buf;
}

void RecordingCanvas::setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    calls_.push_back({CanvasCall::Kind::SetColor, {r, g, b, a, 0, 0}, 0.0f});
}

void RecordingCanvas::setPosition(Vector2 p) {
    calls_.push_back({CanvasCall::Kind::SetPosition, {p.X, p.Y, 0, 0, 0, 0}, 0.0f});
}

void RecordingCanvas::fillBox(Vector2 s) {
    calls_.push_back({CanvasCall::Kind::FillBox, {s.X, s.Y, 0, 0, 0, 0}, 0.0f});
}

void RecordingCanvas::fillTriangle(Vector2 a, Vector2 b, Vector2 c) {
    calls_.push_back({CanvasCall::Kind::FillTriangle, {a.X, a.Y, b.X, b.Y, c.X, c.Y}, 0.0f});
}

void RecordingCanvas::drawLine(Vector2 from, Vector2 to, float width) {
    calls_.push_back({CanvasCall::Kind::DrawLine, {from.X, from.Y, to.X, to.Y, 0, 0}, width});
}

}  // namespace pluginsdk
