#include "hostapp/FlightInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "hostapp/CommandKit.h"
#include "hostapp/Commands.h"
#include "hostapp/JsonText.h"
#include "sandbox/Physics.h"

namespace hostapp {
namespace {

// Enough of a file's start to see past a few blank lines to its first word.
constexpr std::size_t kPeekBytes = 4096;

// The text at the start of a regular file; empty for anything else (a FIFO
// is not waited on).
std::string fileStart(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st {};
    std::string text(kPeekBytes, '\0');
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        do {
            n = ::read(fd, text.data(), text.size());
        } while (n < 0 && errno == EINTR);
    }
    ::close(fd);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

bool startsFlightLog(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return false;
    text.remove_prefix(first);
    if (text.front() == '#') return true;
    if (!text.starts_with(sandbox::kFlightLogMagic)) return false;
    text.remove_prefix(sandbox::kFlightLogMagic.size());
    return text.empty() || text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
           text.front() == '\n';
}

// A whole number that is all of `text` (its range is checked with the rest).
std::optional<int32_t> canvasSide(std::string_view text) {
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

bool isFlightLogFile(const std::string& path) { return startsFlightLog(fileStart(path)); }

Result<sandbox::FlightLog> loadFlightLog(const std::string& path) {
    const Result<std::string> text =
        readInputFile(path, "the flight log", sandbox::kMaxFlightLogBytes);
    if (!text) return text.failure();
    sandbox::Result<sandbox::FlightLog> log = sandbox::parseFlightLog(*text, path);
    if (!log.ok()) return Failure{std::move(log.error)};
    return std::move(*log.value);
}

Scene sceneFromFlightLog(const sandbox::FlightLog& log,
                         const sandbox::SceneExportOptions& options) {
    Scene scene;
    const auto every =
        static_cast<std::size_t>(options.ticksPerFrame < 1 ? 1 : options.ticksPerFrame);
    scene.frames.reserve(log.ticks.size() / every + 1);
    sandbox::forEachExportFrame(log, options.ticksPerFrame, [&](const sandbox::ExportFrame& f) {
        SceneFrame frame;
        if (f.time == 0) {  // the first frame sets what the others inherit, as the text does
            frame.canvas = options.canvas;
            frame.paused = false;
            frame.freeplay = true;
            frame.customTraining = false;
            frame.replay = false;
        }
        const std::string place = "frame " + std::to_string(scene.frames.size()) + " (tick " +
                                  std::to_string(f.time) + ")";
        for (const auto& [name, value] : f.cvars) frame.cvars.push_back({name, value, place});
        frame.car.location = f.view.carLocation;
        frame.car.velocity = f.view.carVelocity;
        frame.car.rotation = f.view.carRotation;
        frame.car.steer = f.view.input.Steer;
        frame.car.pitch = f.view.input.Pitch;
        frame.ball = SceneFrame::BallPresence::Present;
        frame.ballState.location = f.view.ballLocation;
        frame.ballState.velocity = f.view.ballVelocity;
        scene.frames.push_back(std::move(frame));
    });
    return scene;
}

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

Result<sandbox::SceneExportOptions> exportOptions(const FlightFrameOptions& options) {
    constexpr int kTicks = sandbox::kTicksPerSecond;
    if (options.fps < 1 || options.fps > kTicks || kTicks % options.fps != 0)
        return Failure{"--fps " + std::to_string(options.fps) +
                       ": the frame rate must divide the " + std::to_string(kTicks) +
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
        return Failure{"--canvas " + quoteText(options.canvas) +
                       ": expected WIDTHxHEIGHT in pixels, such as 1280x720"};
    out.canvas = {*width, *height};
    if (const std::string problem = sandbox::sceneExportProblem(out); !problem.empty())
        return Failure{"--canvas " + options.canvas + ": " + problem};
    return out;
}

int loadPlayableInput(const std::string& path, const FlightFrameOptions& options, Scene& scene,
                      std::FILE* err) {
    if (!isFlightLogFile(path)) {
        Result<Scene> parsed = loadSceneFile(path);
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
    const Result<sandbox::SceneExportOptions> frames = exportOptions(options);
    if (!frames) {
        printError(err, frames.error());
        return kExitUsage;
    }
    const Result<sandbox::FlightLog> log = loadFlightLog(path);
    if (!log) {
        printError(err, log.error());
        return kExitScene;
    }
    try {
        scene = sceneFromFlightLog(*log, *frames);
    } catch (const std::bad_alloc&) {
        printError(err, path + ": out of memory while making the flight's frames");
        return kExitInternal;
    }
    return kExitOk;
}

}  // namespace hostapp
