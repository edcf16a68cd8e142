#pragma once
// A drill attempt's plot: the series sampled once a tick (the drill's angle,
// whether it was inside the cone, the stick), the scale the angle is drawn
// on, and the plot made again from an attempt's flight log. The window's
// live plot (fly/window/DrillPanel) and `render --plot` (picture/) draw
// these same series on this same scale.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "base/Result.h"
#include "sandbox/Clock.h"
#include "sandbox/Drills.h"
#include "sandbox/FlightLog.h"

namespace sandbox {

// The plot keeps this many ticks: more than any drill of the table lasts
// (recovery gives up after 20 s); a longer attempt's plot stops there.
inline constexpr std::size_t kPlotTicks = 30u * sandbox::kTicksPerSecond;
// The attempt's samples, one a tick, for the live plot: the drill's angle in
// degrees, whether it was inside the cone (0 or 1), and the stick's pitch,
// yaw and roll, each a series Dear ImGui plots as it is.
struct AttemptPlot {
    enum Series { Error, Inside, Pitch, Yaw, Roll, SeriesCount };
    std::array<std::vector<float>, SeriesCount> series;
    float largestError = 0.0f;  // degrees, for the plot's scale
    // What a picture of the plot says (replayAttemptPlot fills them; the
    // live plot has its panel's words): "velocity-alignment, seed 1:
    // passed", then how it ended and the part that ranks attempts with its
    // value, and what the angle is.
    std::string title;
    std::string outcome;
    std::string errorLabel;

    AttemptPlot();
    void add(const DrillSample& sample);
    std::size_t size() const { return series[Error].size(); }
    const std::vector<float>& operator[](Series s) const { return series[s]; }
};

// The top of the angle's scale: the largest angle so far rounded up to a
// whole step of kPlotScaleStepDegrees, at least one step.
inline constexpr float kPlotScaleStepDegrees = 15.0f;
float plotScaleTop(float largestErrorDegrees);

// The attempt's plot. Fails, with `name` (the log's file) before the
// message, when the log names no drill, a drill this program does not
// have, or does not start where that drill starts from its seed.
base::Result<AttemptPlot> replayAttemptPlot(const sandbox::FlightLog& log, const std::string& name);

}  // namespace sandbox
