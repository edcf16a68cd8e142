#pragma once
// The plot of a drill attempt drawn to a picture from its flight log (`render
// --plot`): the log is flown again with the drill it names watching, which
// gives the series the window's live plot showed (sandbox::AttemptPlot), and
// those are drawn as lines.
#include <string>

#include "base/Result.h"
#include "canvas/Image.h"
#include "sandbox/AttemptPlot.h"
#include "sandbox/FlightLog.h"

namespace picture {

inline constexpr int kPlotWidth = 1200;
inline constexpr int kPlotHeight = 600;

// Three panels: the drill's angle in degrees (0 to a multiple of 15 above
// its largest, grey guides every 15), a green strip where the attempt was
// within the drill's cone or limit, and the stick's pitch (amber), yaw
// (blue) and roll (pink) from -1 to 1, the guide at 0. A tick every second.
canvas::Image drawAttemptPlot(const sandbox::AttemptPlot& plot, int width = kPlotWidth,
                              int height = kPlotHeight);

}  // namespace picture
