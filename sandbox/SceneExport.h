#pragma once
// A flight log as a scene file for the host program's `trace` and `render`:
// one frame every N ticks, each frame the world as the host would show it
// at that time (HostView.h), with the console-variable changes made since
// the frame before.
#include <cstdint>
#include <string>

#include "host/Types.h"
#include "sandbox/FlightLog.h"
#include "sandbox/Result.h"

namespace sandbox {

struct SceneExportOptions {
    // Ticks from one frame to the next: 2 gives 60 frames a second.
    int32_t ticksPerFrame = 2;
    Vector2 canvas{1920, 1080};  // each side 1 to 16384, as scenes allow
};

// The scene's JSON text, one frame a line. Frame i shows time i * N (the
// last frame is the last whole multiple of N); changes made after the last
// frame are not shown by any frame and are left out. Every float reads back
// to the same bits through a JSON reader that parses numbers as doubles.
// Fails only for options out of range.
Result<std::string> exportScene(const FlightLog& log, const SceneExportOptions& options = {});

}  // namespace sandbox
