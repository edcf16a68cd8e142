#pragma once
// `trimsight-host render [SCENE] [-o PATH] [--settings] [--timing]`: plays a
// scene (or the built-in demo) and writes what the plugin draws as PNG
// pictures: one file for a one-frame scene; numbered files and a contact
// sheet for a sequence.
#include <cstdio>
#include <string>

namespace CLI {
class App;
}

namespace hostapp {

struct RenderOptions {
    std::string scene;   // empty: the built-in demo
    std::string output;  // empty: a name made from the scene's
    bool settings = false;
    bool timing = false;
    std::string saveDemo;  // write the demo's scene file here instead of rendering
};

// Adds the subcommand and its options to `app`.
CLI::App* addRenderCommand(CLI::App& app, RenderOptions& options);

int runRender(const std::string& plugin, const std::string& config, const RenderOptions& options,
              std::FILE* out, std::FILE* err);

}  // namespace hostapp
