// `trace SCENE`: plays a scene and prints every canvas call of every frame.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "hostapp/CommandKit.h"
#include "hostapp/Scene.h"
#include "hostapp/ScenePlayer.h"

namespace hostapp {
namespace {

int runTrace(const GlobalOptions& global, const std::string& scenePath, std::FILE* out,
             std::FILE* err) {
    SceneParseResult parsed = loadSceneFile(scenePath);
    if (!parsed.scene) {
        printError(err, parsed.error);
        return kExitScene;
    }
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    TraceSink sink(out);
    const std::string problem = playScene(*parsed.scene, run.session.cvars, run.session.game, sink);
    if (!problem.empty()) {
        printError(err, scenePath + ": " + problem);
        return kExitScene;
    }
    return kExitOk;
}

}  // namespace

Command addTraceCommand(CLI::App& app) {
    auto scene = std::make_shared<std::string>();
    CLI::App* trace = app.add_subcommand("trace", "Play a scene file and print every canvas call");
    trace->add_option("SCENE", *scene, "Scene file (JSON)")->required();
    return {trace, [scene](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                return runTrace(global, *scene, out, err);
            }};
}

}  // namespace hostapp
