// `render`, `fly` and `guide` in the Windows build: Debian has no MinGW builds of
// EGL, SDL2, FFmpeg or libpng, which they draw and write with. They stay on
// the command line, so that --help lists them and a script that calls one
// is told why it cannot run here: exit 2, a bad command line for this build.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandKit.h"

namespace app {
namespace {

Subcommand unavailable(CLI::App& app, const std::string& name, const std::string& about,
                       const std::string& needs) {
    CLI::App* command = addSubcommand(app, name, about + " (not in the Windows build)");
    // Whatever follows, options or arguments, the answer is the same.
    command->allow_extras();
    command->fallthrough(false);
    auto rest = std::make_shared<std::vector<std::string>>();
    command->add_option("ARGS", *rest, "What the Linux build takes");
    return {command, [name, needs, rest](const GlobalOptions&, std::FILE*, std::FILE* err) {
                printError(err, name + " is not in this build: the Windows build has no " + needs +
                                    "; use the Linux build");
                return static_cast<int>(kExitUsage);
            }};
}

}  // namespace

Subcommand addRenderCommand(CLI::App& app) {
    return unavailable(app, "render", "Draw a scene or a flight log as pictures or a video",
                       "OpenGL (EGL), libpng or FFmpeg to draw pictures and videos with");
}

Subcommand addFlyCommand(CLI::App& app) {
    return unavailable(app, "fly", "Fly the sandbox window",
                       "SDL2 or OpenGL to open the sandbox window with");
}

Subcommand addGuideCommand(CLI::App& app) {
    return unavailable(app, "guide", "Draw the pictures that teach the dial",
                       "OpenGL (EGL) or libpng to draw pictures with");
}

}  // namespace app
