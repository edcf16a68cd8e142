#include "picture/AttemptPlotPicture.h"

#include <vector>

#include "canvas/Colour.h"
#include "picture/LinePlot.h"
#include "sandbox/Clock.h"

namespace picture {
canvas::Image drawAttemptPlot(const sandbox::AttemptPlot& plot, int width, int height) {
    using Series = sandbox::AttemptPlot::Series;
    const float top = sandbox::plotScaleTop(plot.largestError);
    picture::PlotPanel error{0.0f,  top, 4,
                             false, {},  {{plot[Series::Error], canvas::kPlotErrorColour}}};
    for (float guide = sandbox::kPlotScaleStepDegrees; guide < top;
         guide += sandbox::kPlotScaleStepDegrees)
        error.guides.push_back(guide);
    const picture::PlotPanel inside{
        0.0f, 1.0f, 1, true, {}, {{plot[Series::Inside], canvas::kPlotInsideColour}}};
    const picture::PlotPanel stick{-1.0f,
                                   1.0f,
                                   4,
                                   false,
                                   {0.0f},
                                   {{plot[Series::Pitch], canvas::kPlotPitchColour},
                                    {plot[Series::Yaw], canvas::kPlotYawColour},
                                    {plot[Series::Roll], canvas::kPlotRollColour}}};
    const std::vector<picture::PlotPanel> panels{error, inside, stick};
    return picture::drawLinePlot(panels, static_cast<float>(sandbox::kTicksPerSecond), width,
                                 height);
}

}  // namespace picture
