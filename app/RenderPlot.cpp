// `render LOG --plot FILE`: a drill attempt's plot (AttemptPlotPicture), from
// the drill its flight log names.
#include "app/RenderJobs.h"
#include "desktop/InputFile.h"
#include "picture/AttemptPlotPicture.h"
#include "picture/Png.h"

namespace app {

// The attempt's plot, from the drill its log names.
int planPlot(const RenderOptions& options, ClipPlan& plan, std::FILE* err) {
    const base::Result<sandbox::FlightLog> log = desktop::loadFlightLog(options.scene);
    if (!log) {
        printError(err, log.error());
        return kExitScene;
    }
    if (!log->drill) {
        printError(err, options.scene +
                            ": --plot draws a drill attempt's plot, and this flight log names "
                            "no drill (a free flight, or a log from before logs named theirs)");
        return kExitUsage;
    }
    base::Result<sandbox::AttemptPlot> plot = sandbox::replayAttemptPlot(*log, options.scene);
    if (!plot) {
        printError(err, plot.error());
        return kExitScene;
    }
    plan.plot = std::move(*plot);
    return kExitOk;
}

int writePlot(const RenderOptions& options, const sandbox::AttemptPlot& plot, std::FILE* out,
              std::FILE* err) {
    std::vector<uint8_t> bytes;
    base::Status written = picture::encodePng(picture::drawAttemptPlot(plot), bytes);
    if (written) written = writePicture(options.plot, bytes);
    if (!written) {
        printError(err, written.error());
        return kExitPicture;
    }
    std::fprintf(out, "wrote the plot of %zu ticks to %s\n", plot.size(), options.plot.c_str());
    return kExitOk;
}

}  // namespace app
