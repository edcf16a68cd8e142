#pragma once
// Flight logs (sandbox/FlightLog.h) as input of the host program: told apart
// from scene files by their first line, read within the input bounds, and
// played as the scene they export to, built in memory without the text (a
// four-hour log exports to some 300 MB of scene text, past what a scene
// file may hold).
#include <cstdio>
#include <string>

#include "hostapp/Result.h"
#include "hostapp/Scene.h"
#include "sandbox/FlightLog.h"
#include "sandbox/SceneExport.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace hostapp {

// Whether the file at `path` is a flight log: its text, after blank lines,
// starts with a '#' comment or with the word "trimsight-flight" (a scene,
// being JSON, starts with '{'). Anything that cannot be read is not: it is
// then read as a scene, whose reader says what is wrong with it.
bool isFlightLogFile(const std::string& path);

// The log at `path`, read as every input is (a regular file, at most
// sandbox::kMaxFlightLogBytes). Messages: "PATH: cannot read the flight log:
// why", or "PATH:LINE: what is wrong".
Result<sandbox::FlightLog> loadFlightLog(const std::string& path);

// The scene a log exports to (sandbox::exportScene), frame for frame what
// reading that text back gives, built straight from the log. The options
// must be valid (sandbox::sceneExportProblem).
Scene sceneFromFlightLog(const sandbox::FlightLog& log, const sandbox::SceneExportOptions& options);

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
Result<sandbox::SceneExportOptions> exportOptions(const FlightFrameOptions& options);

// What `trace` and `render` play from `path`: a scene file, or a flight log
// played as its export with `options`. On failure the message is printed to
// `err` and the exit code returned: kExitUsage for options that do not
// apply (--fps for a scene file) or are out of range, kExitScene for an
// input that cannot be read or is invalid.
int loadPlayableInput(const std::string& path, const FlightFrameOptions& options, Scene& scene,
                      std::FILE* err);

}  // namespace hostapp
