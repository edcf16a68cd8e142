// `trace SCENE [--fps N] [--canvas WxH]`: plays a scene, or a flight log as
// its export, and prints every canvas call of every frame.
#include <CLI/CLI.hpp>
#include <string>

#include "app/CommandKit.h"
#include "app/FlightOptions.h"
#include "scene/Scene.h"
#include "scene/ScenePlayer.h"

namespace app {
namespace {

struct TraceOptions {
    std::string input;
    FlightFrameOptions flight;

    void add(CLI::App& trace) {
        addFlightInput(trace, "SCENE",
                       "Scene file (JSON), or a flight log (its first line trimsight-flight)",
                       input, flight);
    }
};

int runTrace(const GlobalOptions& global, const TraceOptions& options, std::FILE* out,
             std::FILE* err) {
    scene::SceneFrames scene;
    if (int code = loadPlayableInput(options.input, options.flight, scene, err); code != kExitOk)
        return code;
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    scene::TraceSink sink(out);
    const base::Status played = scene::playScene(scene, run.session.cvars, run.session.game, sink);
    if (!played) printError(err, options.input + ": " + played.error());
    return played ? kExitOk : kExitScene;
}

}  // namespace

Subcommand addTraceCommand(CLI::App& app) {
    return commandWithOptions<TraceOptions>(
        app, "trace", "Play a scene file or a flight log and print every canvas call", runTrace);
}

}  // namespace app
