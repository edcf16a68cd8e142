#pragma once
// What every drawn frame must satisfy, whatever the game handed the plugin.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/pluginsdk/RecordingCanvas.h"
#include "testkit/DecodedFrame.h"

namespace testkit {

// The dial is about 550 calls at most, the peripheral band about 200.
inline constexpr std::size_t kMaxCallsPerFrame = 1024;
// Within this distance of the canvas a point is plausible: the dial at its
// largest (size 5 on an 8K canvas) reaches about 1.4K pixels round its centre.
inline constexpr int64_t kPlausible = 4 * 8192;

// A coordinate near the canvas, or one derived from the INT32_MIN that the
// defined conversion gives for NaN and out-of-range values (offset by at
// most a canvas-sized amount, with wrapping sums).
inline bool plausible(int32_t v) { return v >= -kPlausible && v <= kPlausible; }
inline bool fromSentinel(int32_t v) {
    const auto offset = static_cast<int32_t>(static_cast<uint32_t>(v) - 0x80000000u);
    return plausible(offset);
}

// Empty when the calls are fine, else what is wrong with the first bad one.
//
// Game-like input: every point is plausible. Any car and ball with a sane
// canvas and variables: every point of the dial and the band is plausible or
// sentinel-derived; the ball and velocity dots (their corner, and the thin
// cross of a dot behind) are exempt, because a dot for a direction that is
// not a number is the sentinel point turned by the roll, which is defined
// arithmetic with any result.
inline std::string checkFrame(const DecodedFrame& in,
                              const std::vector<pluginsdk::CanvasCall>& calls) {
    using Kind = pluginsdk::CanvasCall::Kind;
    if (calls.size() > kMaxCallsPerFrame) return std::to_string(calls.size()) + " calls";
    for (const pluginsdk::CanvasCall& c : calls) {
        const std::string what = pluginsdk::formatCall(c);
        int points = 0;
        switch (c.kind) {
            case Kind::SetColor:
                continue;
            case Kind::SetPosition:
                points = 2;
                break;
            case Kind::FillBox:
                // The dot sizes come from the size variable: small and positive
                // while it is within its bounds.
                if (in.sane && (c.v[0] <= 0 || c.v[0] > 64 || c.v[1] != c.v[0]))
                    return "box size: " + what;
                continue;
            case Kind::FillTriangle:
                points = 6;
                break;
            case Kind::DrawLine:
                points = 4;
                if (c.width != 1.0f && c.width != 2.0f && c.width != 6.0f)
                    return "line width: " + what;
                break;
        }
        if (in.sane) {
            for (int i = 0; i < points; ++i) {
                if (!plausible(c.v[i])) return "implausible point: " + what;
            }
        } else if (in.layoutSane) {
            const bool dot =
                c.kind == Kind::SetPosition || (c.kind == Kind::DrawLine && c.width == 1.0f);
            if (dot) continue;
            for (int i = 0; i < points; ++i) {
                if (!plausible(c.v[i]) && !fromSentinel(c.v[i]))
                    return "point from no defined value: " + what;
            }
        }
    }
    return {};
}

}  // namespace testkit
