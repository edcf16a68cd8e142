#pragma once
// The one colour type of the host program's pictures and window (the
// plugin's own colours are its canvas calls'): red, green and blue, 0 to
// 255. And the colours of a drill attempt's plot, which the window's live
// plot and `render --plot` both draw.
#include <cstdint>

namespace canvas {

struct Rgb8 {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// A drill attempt's plot (sandbox/AttemptPlot.h): the drill's angle, the
// strip where it was inside the drill's cone or limit, and the stick's
// pitch, yaw and roll.
inline constexpr Rgb8 kPlotErrorColour{220, 220, 225};
inline constexpr Rgb8 kPlotInsideColour{115, 230, 115};
inline constexpr Rgb8 kPlotPitchColour{255, 204, 77};
inline constexpr Rgb8 kPlotYawColour{102, 204, 255};
inline constexpr Rgb8 kPlotRollColour{255, 128, 230};

}  // namespace canvas
