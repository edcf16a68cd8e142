#pragma once
// A flight log taken as a command's input: --fps and --canvas, the export
// options they ask for, and what `trace` and `render` play from a path (a
// scene file, or a flight log played as its export).
#include <cstdio>
#include <string>

#include "base/Result.h"
#include "sandbox/SceneExport.h"
#include "scene/Scene.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace app {

// How a flight becomes frames, from the command line: --fps and --canvas.
struct FlightFrameOptions {
    int fps = 60;                      // frames a second: one frame every 120 / fps ticks
    std::string canvas = "1920x1080";  // WIDTHxHEIGHT
    CLI::Option* fpsOption = nullptr;
    CLI::Option* canvasOption = nullptr;

    // Whether either was given.
    bool given() const;
};

// Adds --fps and --canvas to a subcommand; `what` ends their help text
// ("the flight log, when one is given").
void addFlightFrameOptions(CLI::App& command, FlightFrameOptions& options, const std::string& what);

// Adds a required argument `name` (a scene or a flight log, or a flight log
// alone, as `about` says) and --fps and --canvas for a flight log.
void addFlightInput(CLI::App& command, const std::string& name, const std::string& about,
                    std::string& input, FlightFrameOptions& options);

// The export options they ask for, or why they cannot be used (a usage
// error): fps must divide the 120 ticks of a second, the canvas be 1 to
// 16384 pixels each way.
base::Result<sandbox::SceneExportOptions> exportOptions(const FlightFrameOptions& options);

// What `trace` and `render` play from `path`: a scene file, or a flight log
// played as its export with `options`. On failure the message is printed to
// `err` and the exit code returned: kExitUsage for options that do not
// apply (--fps for a scene file) or are out of range, kExitScene for an
// input that cannot be read or is invalid.
int loadPlayableInput(const std::string& path, const FlightFrameOptions& options,
                      scene::SceneFrames& scene, std::FILE* err);

}  // namespace app
