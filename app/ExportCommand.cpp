// `export FLIGHT [-o PATH] [--fps N] [--canvas WxH]`: a flight log as a scene
// file, which `trace` and `render` play (and a person can edit).
#include <CLI/CLI.hpp>
#include <string>

#include "app/CommandKit.h"
#include "app/FlightOptions.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"

namespace app {
namespace {

struct ExportOptions {
    std::string flight;
    std::string output;  // empty or "-": standard output
    FlightFrameOptions frames;

    void add(CLI::App& command) {
        addFlightInput(command, "FLIGHT", "Flight log (its first line trimsight-flight)", flight,
                       frames);
        command.add_option("-o,--output", output,
                           "Scene file to write (default, or -: standard output)");
    }
};

bool toStandardOutput(const ExportOptions& options) {
    return options.output.empty() || options.output == "-";
}

int runExport(const GlobalOptions& global, const ExportOptions& options, std::FILE* out,
              std::FILE* err) {
    const base::Result<sandbox::SceneExportOptions> frames = exportOptions(options.frames);
    if (!frames) {
        printError(err, frames.error());
        return kExitUsage;
    }
    if (!toStandardOutput(options)) {
        if (int code = checkOutputsApart(global, {{"-o", options.output}},
                                         {{"the flight log", options.flight}}, err);
            code != kExitOk)
            return code;
    }
    const base::Result<sandbox::FlightLog> log = desktop::loadFlightLog(options.flight);
    if (!log) {
        printError(err, log.error());
        return kExitScene;
    }
    const base::Result<std::string> scene = sandbox::exportScene(*log, *frames);
    if (!scene.ok()) {  // the options were checked above: the flight itself
        printError(err, options.flight + ": " + scene.error());
        return kExitScene;
    }
    if (toStandardOutput(options)) {
        std::fwrite(scene->data(), 1, scene->size(), out);
        return kExitOk;  // a write error is caught when the output is flushed
    }
    if (base::Status written = desktop::writeOutputFile(options.output, *scene, 0666); !written) {
        printError(err, "cannot write " + options.output + ": " + written.error());
        return kExitOutput;
    }
    const std::size_t frameCount =
        log->ticks.size() / static_cast<std::size_t>(frames->ticksPerFrame) + 1;
    std::fprintf(out, "wrote %s: %zu frames, %d a second, %d by %d\n", options.output.c_str(),
                 frameCount, options.frames.fps, frames->canvas.X, frames->canvas.Y);
    return kExitOk;
}

}  // namespace

Subcommand addExportCommand(CLI::App& app) {
    return commandWithOptions<ExportOptions>(
        app, "export", "Write a flight log as a scene file that trace and render play", runExport);
}

}  // namespace app
