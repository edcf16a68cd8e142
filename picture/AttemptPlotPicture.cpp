#include "picture/AttemptPlotPicture.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "picture/LinePlot.h"
#include "sandbox/Drills.h"

namespace picture {
namespace {

constexpr float kErrorScaleStep = 15.0f;  // degrees, as the window's plot grows its scale
// The colours of the window's plot.
constexpr picture::Colour kErrorColour{220, 220, 225};
constexpr picture::Colour kInsideColour{115, 230, 115};
constexpr picture::Colour kPitchColour{255, 204, 77};
constexpr picture::Colour kYawColour{102, 204, 255};
constexpr picture::Colour kRollColour{255, 128, 230};

}  // namespace

base::Result<fly::AttemptPlot> replayAttemptPlot(const sandbox::FlightLog& log, const std::string& name) {
    if (!log.drill)
        return base::Failure{name +
                       ": the flight log names no drill (a free flight, or recorded before logs "
                       "named their drill); only a drill attempt has a plot"};
    std::unique_ptr<sandbox::Drill> drill = sandbox::makeDrill(log.drill->name, log.drill->seed);
    if (!drill)
        return base::Failure{name + ": this program has no drill named \"" + log.drill->name + '"'};
    if (!(log.start == drill->start().world))
        return base::Failure{name + ": the flight does not start where " + log.drill->name + " seed " +
                       std::to_string(log.drill->seed) + " starts"};
    // The drill watches the replay as it watched the attempt; the ticks after
    // its end (none in an attempt's own log) are left out.
    fly::AttemptPlot plot;
    sandbox::FlightReplay replay(log);
    while (!replay.finished() && !drill->finished()) {
        const sandbox::TickReport report = replay.step();
        drill->update(replay.world(), replay.lastControls(), report);
        plot.add(drill->sample());
    }
    return plot;
}

canvas::Image drawAttemptPlot(const fly::AttemptPlot& plot, int width, int height) {
    using Series = fly::AttemptPlot::Series;
    const float top =
        std::max(kErrorScaleStep, std::ceil(plot.largestError / kErrorScaleStep) * kErrorScaleStep);
    picture::PlotPanel error{0.0f, top, 4, false, {}, {{plot[Series::Error], kErrorColour}}};
    for (float guide = kErrorScaleStep; guide < top; guide += kErrorScaleStep)
        error.guides.push_back(guide);
    const picture::PlotPanel inside{0.0f, 1.0f, 1,
                                    true, {},   {{plot[Series::Inside], kInsideColour}}};
    const picture::PlotPanel stick{-1.0f,
                                   1.0f,
                                   4,
                                   false,
                                   {0.0f},
                                   {{plot[Series::Pitch], kPitchColour},
                                    {plot[Series::Yaw], kYawColour},
                                    {plot[Series::Roll], kRollColour}}};
    const std::vector<picture::PlotPanel> panels{error, inside, stick};
    return picture::drawLinePlot(panels, static_cast<float>(sandbox::kTicksPerSecond), width,
                                 height);
}

}  // namespace picture
