#include "picture/AttemptPlotPicture.h"

#include <string>
#include <vector>

#include "canvas/Colour.h"
#include "picture/LinePlot.h"
#include "sandbox/Clock.h"

namespace picture {
canvas::Image drawAttemptPlot(const sandbox::AttemptPlot& plot, int width, int height) {
    using Series = sandbox::AttemptPlot::Series;
    const float top = sandbox::plotScaleTop(plot.largestError);
    PlotPanel error;
    error.low = 0.0f;
    error.high = top;
    error.weight = 4;
    error.series = {{plot[Series::Error], canvas::kPlotErrorColour, "the angle"}};
    error.name = (plot.errorLabel.empty() ? std::string("the drill's angle") : plot.errorLabel) +
                 " (degrees)";
    for (float guide = sandbox::kPlotScaleStepDegrees; guide < top;
         guide += sandbox::kPlotScaleStepDegrees)
        error.guides.push_back(guide);

    PlotPanel inside;
    inside.bars = true;
    inside.series = {{plot[Series::Inside], canvas::kPlotInsideColour, "inside"}};
    inside.name = "within the drill's cone or limit";
    inside.edgeValues = false;

    PlotPanel stick;
    stick.low = -1.0f;
    stick.high = 1.0f;
    stick.weight = 4;
    stick.guides = {0.0f};
    stick.series = {{plot[Series::Pitch], canvas::kPlotPitchColour, "pitch"},
                    {plot[Series::Yaw], canvas::kPlotYawColour, "yaw"},
                    {plot[Series::Roll], canvas::kPlotRollColour, "roll"}};
    stick.name = "the stick (-1 to 1)";

    PlotWords words;
    words.title.push_back(plot.title.empty() ? "a drill attempt" : plot.title);
    if (!plot.outcome.empty()) words.title.push_back(plot.outcome);
    const std::vector<PlotPanel> panels{error, inside, stick};
    return drawLinePlot(panels, static_cast<float>(sandbox::kTicksPerSecond), width, height,
                        &words);
}

}  // namespace picture
