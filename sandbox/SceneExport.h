#pragma once
// A flight log as a scene file for the host program's `trace` and `render`:
// one frame every N ticks, each frame the world as the host would show it
// at that time (HostView.h), with the console-variable changes made since
// the frame before.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "base/Result.h"
#include "host/Types.h"
#include "sandbox/FlightLog.h"
#include "sandbox/HostView.h"

namespace sandbox {

struct SceneExportOptions {
    // Ticks from one frame to the next: 2 gives 60 frames a second.
    int32_t ticksPerFrame = 2;
    Vector2 canvas{1920, 1080};  // each side 1 to 16384, as scenes allow
};

// Whether the options can make a scene, and why not.
base::Status checkSceneExport(const SceneExportOptions& options);

// The console-variable changes since the frame before, by name (the order a
// scene lists them in); a later change of the same variable replaces an
// earlier one, nullopt removes the variable.
using CVarChanges = std::map<std::string, std::optional<std::string>>;

// One frame of the export.
struct ExportFrame {
    uint32_t time = 0;  // ticks run
    HostView view;
    const CVarChanges& cvars;
};

// Calls `frame` for every frame of the export in order: frame i shows time
// i * N (the last frame is the last whole multiple of N); changes made after
// the last frame are not shown by any frame and are left out. Both the
// scene text below and the host program's scene built straight from a log
// come from here, so the two play the same. The options must be valid
// (checkSceneExport passes); ticksPerFrame below 1 is taken as 1.
void forEachExportFrame(const FlightLog& log, int32_t ticksPerFrame,
                        const std::function<void(const ExportFrame&)>& frame);

// The scene's JSON text, one frame a line, the first setting the canvas and
// the game state. Every float reads back to the same bits through a JSON
// reader that parses numbers as doubles. Fails for options out of range, and
// for a flight that reaches a number that is not finite (a log whose start
// is read within its bounds never does).
base::Result<std::string> exportScene(const FlightLog& log, const SceneExportOptions& options = {});

}  // namespace sandbox
