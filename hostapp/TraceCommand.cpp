// `trace SCENE [--fps N] [--canvas WxH]`: plays a scene, or a flight log as
// its export, and prints every canvas call of every frame.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "hostapp/CommandKit.h"
#include "hostapp/FlightInput.h"
#include "hostapp/Scene.h"
#include "hostapp/ScenePlayer.h"

namespace hostapp {
namespace {

struct TraceOptions {
    std::string input;
    FlightFrameOptions flight;
};

int runTrace(const GlobalOptions& global, const TraceOptions& options, std::FILE* out,
             std::FILE* err) {
    Scene scene;
    if (int code = loadPlayableInput(options.input, options.flight, scene, err); code != kExitOk)
        return code;
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    TraceSink sink(out);
    if (Status played = playScene(scene, run.session.cvars, run.session.game, sink); !played) {
        printError(err, options.input + ": " + played.error());
        return kExitScene;
    }
    return kExitOk;
}

}  // namespace

Command addTraceCommand(CLI::App& app) {
    auto options = std::make_shared<TraceOptions>();
    CLI::App* trace = app.add_subcommand(
        "trace", "Play a scene file or a flight log and print every canvas call");
    trace
        ->add_option("SCENE", options->input,
                     "Scene file (JSON), or a flight log (its first line trimsight-flight)")
        ->required();
    addFlightFrameOptions(*trace, options->flight, "a flight log");
    return {trace, [options](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                return runTrace(global, *options, out, err);
            }};
}

}  // namespace hostapp
