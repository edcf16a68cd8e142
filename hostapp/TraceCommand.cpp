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
    Result<Scene> scene = loadSceneFile(scenePath);
    if (!scene) {
        printError(err, scene.error());
        return kExitScene;
    }
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    TraceSink sink(out);
    if (Status played = playScene(*scene, run.session.cvars, run.session.game, sink); !played) {
        printError(err, scenePath + ": " + played.error());
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
