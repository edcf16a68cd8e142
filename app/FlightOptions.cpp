#include "app/FlightOptions.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/CommandKit.h"
#include "app/Commands.h"
#include "base/Excerpt.h"
#include "desktop/InputFile.h"
#include "sandbox/NumberText.h"
#include "sandbox/Physics.h"
#include "scene/FlightScene.h"
#include "scene/JsonReader.h"

namespace app {
namespace {

// A whole number that is all of `text` (its range is checked with the rest).
std::optional<int32_t> canvasSide(std::string_view text) {
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

bool FlightFrameOptions::given() const {
    return (fpsOption != nullptr && fpsOption->count() > 0) ||
           (canvasOption != nullptr && canvasOption->count() > 0);
}

void addFlightFrameOptions(CLI::App& command, FlightFrameOptions& options,
                           const std::string& what) {
    options.fpsOption =
        command.add_option("--fps", options.fps,
                           "Frames a second made of " + what +
                               ": a divisor of 120, the ticks of a second (default 60)");
    options.canvasOption =
        command.add_option("--canvas", options.canvas,
                           "Canvas size WIDTHxHEIGHT for " + what + " (default 1920x1080)");
}

void addFlightInput(CLI::App& command, const std::string& name, const std::string& about,
                    std::string& input, FlightFrameOptions& options) {
    command.add_option(name, input, about)->required();
    addFlightFrameOptions(command, options, "a flight log");
}

base::Result<sandbox::SceneExportOptions> exportOptions(const FlightFrameOptions& options) {
    constexpr int kTicks = sandbox::kTicksPerSecond;
    if (options.fps < 1 || options.fps > kTicks || kTicks % options.fps != 0)
        return base::Failure{
            "--fps " + std::to_string(options.fps) + ": the frame rate must divide the " +
            std::to_string(kTicks) +
            " ticks of a second (1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20, 24, 30, 40, 60 "
            "or 120)"};
    sandbox::SceneExportOptions out;
    out.ticksPerFrame = kTicks / options.fps;
    const std::string_view canvas = options.canvas;
    const std::size_t x = canvas.find('x');
    const std::optional<int32_t> width =
        x == std::string_view::npos ? std::nullopt : canvasSide(canvas.substr(0, x));
    const std::optional<int32_t> height =
        x == std::string_view::npos ? std::nullopt : canvasSide(canvas.substr(x + 1));
    if (!width || !height)
        return base::Failure{"--canvas " + sandbox::jsonString(base::excerpt(options.canvas)) +
                             ": expected WIDTHxHEIGHT in pixels, such as 1280x720"};
    out.canvas = {*width, *height};
    if (const base::Status valid = sandbox::checkSceneExport(out); !valid)
        return base::Failure{"--canvas " + base::excerpt(options.canvas) + ": " + valid.error()};
    return out;
}

int loadPlayableInput(const std::string& path, const FlightFrameOptions& options,
                      scene::SceneFrames& scene, std::FILE* err) {
    if (!desktop::isFlightLogFile(path)) {
        base::Result<scene::SceneFrames> parsed = desktop::loadSceneFile(path);
        if (!parsed) {
            printError(err, parsed.error());
            return kExitScene;
        }
        if (options.given()) {
            printError(err, path + " is a scene file; --fps and --canvas apply to a flight log");
            return kExitUsage;
        }
        scene = std::move(*parsed);
        return kExitOk;
    }
    const base::Result<sandbox::SceneExportOptions> frames = exportOptions(options);
    if (!frames) {
        printError(err, frames.error());
        return kExitUsage;
    }
    const base::Result<sandbox::FlightLog> log = desktop::loadFlightLog(path);
    if (!log) {
        printError(err, log.error());
        return kExitScene;
    }
    try {
        scene = scene::sceneFromFlightLog(*log, *frames);
    } catch (const std::bad_alloc&) {
        printError(err, path + ": out of memory while making the flight's frames");
        return kExitInternal;
    }
    return kExitOk;
}

}  // namespace app
