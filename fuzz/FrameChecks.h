#pragma once
// What every drawn frame must satisfy, whatever the game handed the plugin.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FrameInput.h"
#include "host/pluginsdk/RecordingCanvas.h"

namespace prove {

// The dial is about 550 calls at most, the peripheral band about 200.
inline constexpr std::size_t kMaxCallsPerFrame = 1024;
// Within this distance of the canvas a point is plausible: the dial at its
// largest (size 5 on an 8K canvas) reaches about 1.4K pixels round its centre.
inline constexpr int64_t kPlausible = 4 * 8192;

// Empty when the calls are fine, else what is wrong with the first bad one.
inline std::string checkFrame(const FrameInput& in,
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
        if (!in.sane) continue;
        for (int i = 0; i < points; ++i) {
            const int64_t v = c.v[i];
            if (v < -kPlausible || v > kPlausible) return "implausible point: " + what;
        }
    }
    return {};
}

}  // namespace prove
