#include "sandbox/SceneExport.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "sandbox/HostView.h"
#include "sandbox/NumberText.h"

namespace sandbox {

namespace {

constexpr int32_t kMaxCanvasSide = 16384;

std::string jsonVector(Vector v) {
    return "[" + jsonFloat(v.X) + ", " + jsonFloat(v.Y) + ", " + jsonFloat(v.Z) + "]";
}

std::string jsonRotator(Rotator r) {
    return "[" + std::to_string(r.Pitch) + ", " + std::to_string(r.Yaw) + ", " +
           std::to_string(r.Roll) + "]";
}

std::string frameText(const HostView& view, const CVarChanges& cvars, const std::string& opening) {
    std::string out = "{" + opening;
    if (!cvars.empty()) {
        out += "\"cvars\": {";
        bool first = true;
        for (const auto& [name, value] : cvars) {
            if (!first) out += ", ";
            first = false;
            out += jsonString(name) + ": " + (value ? jsonString(*value) : std::string("null"));
        }
        out += "}, ";
    }
    out += "\"car\": {\"location\": " + jsonVector(view.carLocation) +
           ", \"velocity\": " + jsonVector(view.carVelocity) +
           ", \"rotation\": " + jsonRotator(view.carRotation) +
           ", \"input\": {\"steer\": " + jsonFloat(view.input.Steer) +
           ", \"pitch\": " + jsonFloat(view.input.Pitch) + "}}";
    out += ", \"ball\": {\"location\": " + jsonVector(view.ballLocation) +
           ", \"velocity\": " + jsonVector(view.ballVelocity) + "}}";
    return out;
}

bool finite(Vector v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z); }

// Whether every number of a frame can be written: a scene never holds one
// that is not finite (the reader would refuse it).
bool finite(const HostView& view) {
    return finite(view.carLocation) && finite(view.carVelocity) && finite(view.ballLocation) &&
           finite(view.ballVelocity) && std::isfinite(view.input.Steer) &&
           std::isfinite(view.input.Pitch);
}

void collectEvents(const FlightReplay& replay, CVarChanges& changes) {
    for (const FlightEvent& e : replay.eventsNow())
        if (e.kind == FlightEvent::Kind::CVar) changes[e.name] = e.value;
}

}  // namespace

base::Status checkSceneExport(const SceneExportOptions& options) {
    if (options.ticksPerFrame < 1)
        return base::Failure{"ticks per frame must be at least 1, not " +
                             std::to_string(options.ticksPerFrame)};
    const Vector2 canvas = options.canvas;
    if (canvas.X < 1 || canvas.X > kMaxCanvasSide || canvas.Y < 1 || canvas.Y > kMaxCanvasSide)
        return base::Failure{"the canvas must be 1 to 16384 pixels each way, not " +
                             std::to_string(canvas.X) + " by " + std::to_string(canvas.Y)};
    return {};
}

void forEachExportFrame(const FlightLog& log, int32_t ticksPerFrame,
                        const std::function<void(const ExportFrame&)>& frame) {
    const auto every = static_cast<uint32_t>(ticksPerFrame < 1 ? 1 : ticksPerFrame);
    FlightReplay replay(log);
    CVarChanges changes;
    collectEvents(replay, changes);
    frame({replay.time(), hostView(replay.world(), replay.lastControls()), changes});
    changes.clear();
    while (!replay.finished()) {
        replay.step();
        collectEvents(replay, changes);
        if (replay.time() % every != 0) continue;
        frame({replay.time(), hostView(replay.world(), replay.lastControls()), changes});
        changes.clear();
    }
}

base::Result<std::string> exportScene(const FlightLog& log, const SceneExportOptions& options) {
    if (base::Status valid = checkSceneExport(options); !valid) return valid.failure();
    // The first frame sets what later frames inherit: canvas and game state.
    const std::string firstOpening = "\"canvas\": [" + std::to_string(options.canvas.X) + ", " +
                                     std::to_string(options.canvas.Y) +
                                     "], \"game\": {\"paused\": false, \"freeplay\": true, "
                                     "\"custom_training\": false, \"replay\": false}, ";
    std::string out = "{\"frames\": [\n";
    std::optional<uint32_t> notFinite;
    forEachExportFrame(log, options.ticksPerFrame, [&](const ExportFrame& f) {
        if (notFinite) return;
        if (!finite(f.view)) notFinite = f.time;
        if (f.time != 0) out += ",\n";
        out += frameText(f.view, f.cvars, f.time == 0 ? firstOpening : std::string());
    });
    if (notFinite)
        return base::Failure{"the flight reaches a number that is not finite at tick " +
                             std::to_string(*notFinite) + "; no scene is written"};
    out += "\n]}\n";
    return out;
}

}  // namespace sandbox
