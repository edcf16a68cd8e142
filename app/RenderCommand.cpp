// `render [INPUT] [-o PATH] [--settings] [--timing] [--jobs N] [--fps N]
// [--canvas WxH] [--video FILE] [--plot FILE]`: plays a scene, a flight log as
// its export, or the built-in demo, and writes what the plugin draws as PNG
// pictures: one file for a one-frame scene; numbered files and a contact
// sheet for a sequence. Pictures are encoded and written on threads of their
// own while the next frames are drawn (PicturePipeline). A flight log can be
// written as a video instead (VideoRender), and a drill attempt's log as the
// attempt's plot (AttemptPlotPicture).

#include <CLI/CLI.hpp>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <vector>

#include "app/CommandKit.h"
#include "app/FlightOptions.h"
#include "canvas/SettingsWindow.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "host/pluginsdk/NullCanvas.h"
#include "picture/AttemptPlotPicture.h"
#include "picture/ContactSheet.h"
#include "picture/PicturePipeline.h"
#include "picture/PictureRenderer.h"
#include "picture/Png.h"
#include "picture/ProgressBar.h"
#include "picture/VideoRender.h"
#include "picture/VideoWriter.h"
#include "scene/DemoScene.h"
#include "scene/Scene.h"
#include "scene/ScenePlayer.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kDemoName = "trimsight-demo";
constexpr const char* kSheetName = "contact-sheet.png";
// Threads at work on the pictures, the drawing thread included. Encoding a
// 1080p picture takes longer than drawing one, and writing it waits on the
// disk, so more than one thread encodes and writes.
constexpr unsigned kDefaultJobs = 4;
constexpr unsigned kMaxJobs = 64;

struct RenderOptions {
    std::string scene;   // a scene file or a flight log; empty: the built-in demo
    std::string output;  // empty: a name made from the scene's
    bool settings = false;
    bool timing = false;
    unsigned jobs = kDefaultJobs;
    std::string saveDemo;  // write the demo's scene file here instead of rendering
    FlightFrameOptions flight;
    std::string video;  // a flight log's video, in place of pictures
    std::string plot;   // a drill attempt's plot
};

// A picture's file; a failure names it.
base::Status writePicture(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (base::Status written = picture::writePictureFile(path, bytes); !written)
        return base::Failure{"cannot write " + path + ": " + written.error()};
    return {};
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Timing {
    std::size_t frames = 0;
    double firstRender = 0.0;
    double render = 0.0;  // frames after the first
    double total = 0.0;   // from the first frame begun to the last picture written
    unsigned workers = 0;
    picture::PipelineTiming pictures;
};

// Where the pictures go: one file, or a folder of numbered frames.
struct Output {
    bool sequence = false;
    std::string file;  // one frame
    fs::path folder;   // a sequence
    int digits = 4;

    std::string frameFile(std::size_t index) const {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%0*zu.png", digits, index);
        return (folder / name).string();
    }
};

// Draws each frame into a picture on the calling thread and hands it to the
// pipeline, which encodes and writes it while the next frame is drawn.
class PictureSink final : public scene::FrameSink {
  public:
    PictureSink(picture::PictureRenderer& renderer, const Output& output, std::size_t frameCount,
                BakkesMod::Plugin::PluginSettingsWindow* page, std::string pageTitle,
                unsigned workers, picture::PictureSteps steps, std::FILE* err)
        : renderer_(renderer),
          output_(output),
          frameCount_(frameCount),
          page_(page),
          pageTitle_(std::move(pageTitle)),
          progress_(err, frameCount),
          pipeline_(workers, std::move(steps),
                    [this](std::size_t written) { progress_.show(written); }) {}

    pluginsdk::CanvasBackend& beginFrame(std::size_t, const scene::FrameState& state) override {
        null_.setSize(state.canvas);
        if (stopped_ || pipeline_.failed()) return null_;
        started_ = Clock::now();
        if (timing_.frames == 0) first_ = started_;
        std::function<void()> windows;
        if (page_ != nullptr) {
            const int w = state.canvas.X;
            const int h = state.canvas.Y;
            windows = [this, w, h] { canvas::drawSettingsWindow(*page_, pageTitle_, w, h); };
        }
        if (base::Status begun =
                renderer_.begin(state.canvas.X, state.canvas.Y, std::move(windows));
            !begun) {
            stop(begun);
            return null_;
        }
        drawing_ = true;
        return renderer_.canvas();
    }

    void endFrame(std::size_t index) override {
        if (!drawing_) return;
        drawing_ = false;
        canvas::Image image = pipeline_.spareImage();
        if (base::Status drawn = renderer_.finish(image); !drawn) return stop(drawn);
        const double render = millisecondsSince(started_);
        (timing_.frames == 0 ? timing_.firstRender : timing_.render) += render;
        ++timing_.frames;
        if (output_.sequence) {
            if (index == 0) {
                if (base::Status made = makeFolder(); !made) return stop(made);
            }
            if (!sheet_) sheet_.emplace(static_cast<int>(frameCount_), image.width, image.height);
            sheet_->add(static_cast<int>(index), image);
        }
        const std::string path = output_.sequence ? output_.frameFile(index) : output_.file;
        pipeline_.submit(path, std::move(image));
    }

    // Waits for the last pictures to be written: whether every picture was
    // drawn and written.
    base::Status finish() {
        base::Status finished = pipeline_.finish();
        if (timing_.frames > 0) timing_.total = millisecondsSince(first_);
        timing_.workers = pipeline_.workers();
        timing_.pictures = pipeline_.timing();
        return finished;
    }
    const Timing& timing() const { return timing_; }
    const picture::ContactSheet* sheet() const { return sheet_ ? &*sheet_ : nullptr; }
    void finishProgress() { progress_.clear(); }

  private:
    void stop(const base::Status& failure) {
        stopped_ = true;
        pipeline_.fail(base::Failure{failure.error()});
    }

    // Made only now, so that a scene refused before its first frame leaves
    // nothing behind.
    base::Status makeFolder() const {
        std::error_code ec;
        fs::create_directories(output_.folder, ec);
        if (ec)
            return base::Failure{"cannot make the folder " + output_.folder.string() + ": " +
                                 ec.message()};
        return {};
    }

    picture::PictureRenderer& renderer_;
    const Output& output_;
    std::size_t frameCount_;
    BakkesMod::Plugin::PluginSettingsWindow* page_;
    std::string pageTitle_;
    picture::ProgressBar progress_;
    // Takes a frame's calls when no picture can be drawn, so that the rest of
    // the scene plays through harmlessly after a failure.
    pluginsdk::NullCanvas null_;
    bool drawing_ = false;
    bool stopped_ = false;
    Clock::time_point first_;
    Clock::time_point started_;
    Timing timing_;
    std::optional<picture::ContactSheet> sheet_;
    // Last, so that its workers end before anything they use goes.
    picture::PicturePipeline pipeline_;
};

// Where the pictures go. A sequence's folder is made when its first frame is
// written.
base::Status prepareOutput(const RenderOptions& options, const std::string& stem,
                           std::size_t frameCount, Output& output) {
    std::error_code ec;
    output.sequence = frameCount > 1;
    if (!output.sequence) {
        std::string file = options.output.empty() ? stem + ".png" : options.output;
        if (!options.output.empty() && (options.output.back() == '/' || fs::is_directory(file, ec)))
            file = (fs::path(options.output) / (stem + ".png")).string();
        const fs::path parent = fs::path(file).parent_path();
        if (!parent.empty() && !fs::is_directory(parent, ec))
            return base::Failure{"cannot write " + file + ": no folder " + parent.string()};
        output.file = file;
        return {};
    }
    output.folder = options.output.empty()
                        ? fs::path(stem + (options.scene.empty() ? "" : "-frames"))
                        : fs::path(options.output);
    if (fs::exists(output.folder, ec) && !fs::is_directory(output.folder, ec))
        return base::Failure{"cannot write the frames to " + output.folder.string() +
                             ": it is a file, and a sequence needs a folder"};
    output.digits = std::max<int>(4, static_cast<int>(std::to_string(frameCount - 1).size()));
    return {};
}

// Render is the drawing thread's time per frame, up to the picture read back;
// encode and write are each picture's time on the thread that did it. With
// workers those overlap the drawing, so the sequence's own time per frame is
// given as well, and how long the drawing waited for room in the queue.
void printTiming(std::FILE* out, const Timing& t, const std::string& renderer, Vector2 canvas) {
    if (t.frames == 0) return;
    const double later = t.frames > 1 ? static_cast<double>(t.frames - 1) : 1.0;
    const double n = static_cast<double>(t.frames);
    std::fprintf(out,
                 "timing: %zu frame(s) of %d by %d on %s: first frame rendered in %.1f ms "
                 "(driver warm-up); per frame: render %.1f ms, PNG encode %.1f ms, file write "
                 "%.1f ms; in all %.2f s, %.1f ms a frame, ",
                 t.frames, canvas.X, canvas.Y, renderer.c_str(), t.firstRender,
                 t.frames > 1 ? t.render / later : t.firstRender, t.pictures.encode / n,
                 t.pictures.write / n, t.total / 1000.0, t.total / n);
    if (t.workers == 0)
        std::fprintf(out, "everything on one thread\n");
    else
        std::fprintf(out,
                     "%u thread(s) encoding and writing while the next frames render (which "
                     "waited %.1f ms a frame for room in the queue)\n",
                     t.workers, t.pictures.queueWait / n);
}

// For tests of a failure part way through a sequence or a video,
// TRIMSIGHT_FAULT_ENCODE=N makes encoding frame N fail; any value but a
// frame number is refused before anything runs.
base::Result<std::optional<std::size_t>> faultEncodeFrame() {
    const char* value = std::getenv("TRIMSIGHT_FAULT_ENCODE");
    if (value == nullptr || *value == '\0') return std::optional<std::size_t>{};
    std::size_t frame = 0;
    const char* end = value + std::strlen(value);
    const auto parsed = std::from_chars(value, end, frame);
    if (parsed.ec != std::errc{} || parsed.ptr != end)
        return base::Failure{std::string("TRIMSIGHT_FAULT_ENCODE=") + value +
                             " is not a frame number"};
    return std::optional<std::size_t>{frame};
}

// What is done to each picture.
base::Result<picture::PictureSteps> pictureSteps() {
    picture::PictureSteps steps = picture::pngFileSteps();
    const base::Result<std::optional<std::size_t>> fault = faultEncodeFrame();
    if (!fault) return fault.failure();
    if (!*fault) return steps;
    steps.encode = [encode = std::move(steps.encode), frame = **fault](
                       const picture::PictureJob& picture,
                       std::vector<uint8_t>& out) -> base::Status {
        if (picture.number == frame)
            return base::Failure{"PNG encoding failed: made to fail by TRIMSIGHT_FAULT_ENCODE"};
        return encode(picture, out);
    };
    return steps;
}

// `--save-demo-scene FILE`: the demo as a scene file, nothing rendered.
int saveDemoScene(const std::string& path, std::FILE* out, std::FILE* err) {
    std::string text = scene::demoSceneText();
    text += '\n';
    if (base::Status written = desktop::writeOutputFile(path, text, 0666); !written) {
        printError(err, "cannot write " + path + ": " + written.error());
        return kExitPicture;
    }
    std::fprintf(out, "wrote %s\n", path.c_str());
    return kExitOk;
}

// The scene to render, checked whole before the host starts.
struct SceneToRender {
    bool demo = false;
    std::string name;  // for messages
    std::string stem;  // for default output names
    scene::SceneFrames scene;
    Vector2 lastCanvas{};
};

// The built-in demo's scene.
int loadDemo(const RenderOptions& options, scene::SceneFrames& scene, std::FILE* err) {
    if (options.flight.given()) {
        printError(err, "--fps and --canvas apply to a flight log, not to the built-in demo");
        return kExitUsage;
    }
    base::Result<scene::SceneFrames> parsed = scene::parseScene(scene::demoSceneText());
    if (!parsed) {
        printError(err, parsed.error());
        return kExitInternal;
    }
    scene = std::move(*parsed);
    return kExitOk;
}

// Reads the scene, the flight log or the demo and checks every frame's
// canvas before anything is drawn or written.
int checkScene(const RenderOptions& options, SceneToRender& job, std::FILE* err) {
    job.demo = options.scene.empty();
    job.name = job.demo ? "the built-in demo" : options.scene;
    job.stem = job.demo ? kDemoName : fs::path(options.scene).stem().string();
    const int loaded = job.demo ? loadDemo(options, job.scene, err)
                                : loadPlayableInput(options.scene, options.flight, job.scene, err);
    if (loaded != kExitOk) return loaded;
    if (job.scene.frames.empty()) {
        printError(err, job.name + ": the scene has no frames to render");
        return kExitScene;
    }
    scene::FrameState state;
    for (std::size_t i = 0; i < job.scene.frames.size(); ++i) {
        scene::applyFrame(state, job.scene.frames[i]);
        if (base::Status fits =
                picture::PictureRenderer::checkCanvasSize(state.canvas.X, state.canvas.Y);
            !fits) {
            printError(err, job.name + ": frame " + std::to_string(i) + ": " + fits.error());
            return kExitScene;
        }
    }
    job.lastCanvas = state.canvas;
    return kExitOk;
}

// The picture renderer, and the plugin's settings page attached to its ImGui
// context when the pictures show it.
struct Pictures {
    Pictures() = default;
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;
    // The plugin's copy of ImGui must not keep the address of a context that
    // is about to be destroyed.
    ~Pictures() {
        if (page != nullptr) page->attachImGuiContext(0);
    }

    std::unique_ptr<picture::PictureRenderer> renderer;
    BakkesMod::Plugin::PluginSettingsWindow* page = nullptr;
    std::string pageTitle;
    // Threads that encode and write while the drawing goes on, and what they do.
    unsigned workers = 0;
    picture::PictureSteps steps;
};

int startPictures(const RenderOptions& options, HostRun& run, Pictures& pictures, std::FILE* err) {
    BakkesMod::Plugin::PluginSettingsWindow* page = nullptr;
    if (options.settings) {
        page = run.session.plugin->settingsWindow();
        if (page == nullptr) {
            printError(err, run.session.plugin->path() + ": the plugin has no settings page");
            return kExitPlugin;
        }
        pictures.pageTitle = page->getSettingsName();
    }
    base::Result<std::unique_ptr<picture::PictureRenderer>> renderer =
        picture::PictureRenderer::create();
    if (!renderer) {
        printError(err, renderer.error());
        return kExitPicture;
    }
    pictures.renderer = std::move(*renderer);
    if (page != nullptr)
        page->attachImGuiContext(reinterpret_cast<uintptr_t>(pictures.renderer->imguiContext()));
    pictures.page = page;
    return kExitOk;
}

// Plays the scene into pictures and writes the sequence's contact sheet.
int play(const SceneToRender& job, HostRun& run, Pictures& pictures, const Output& output,
         std::string& sheetPath, Timing& timing, std::FILE* err) {
    PictureSink sink(*pictures.renderer, output, job.scene.frames.size(), pictures.page,
                     pictures.pageTitle, pictures.workers, pictures.steps, err);
    const base::Status played =
        scene::playScene(job.scene, run.session.cvars, run.session.game, sink);
    const base::Status drawn = sink.finish();
    sink.finishProgress();
    if (!played) {
        printError(err, job.name + ": " + played.error());
        return kExitScene;
    }
    if (!drawn) {
        printError(err, drawn.error());
        return kExitPicture;
    }
    timing = sink.timing();
    if (output.sequence && sink.sheet() != nullptr) {
        sheetPath = (output.folder / kSheetName).string();
        std::vector<uint8_t> bytes;
        base::Status written = picture::encodePng(sink.sheet()->sheet(), bytes);
        if (written) written = writePicture(sheetPath, bytes);
        if (!written) {
            printError(err, written.error());
            return kExitPicture;
        }
    }
    return kExitOk;
}

// Whether `name` is a numbered frame ("frame-" and four or more digits).
bool isFrameName(const std::string& name) {
    constexpr std::string_view kPrefix = "frame-", kSuffix = ".png";
    if (name.size() < kPrefix.size() + 4 + kSuffix.size() || name.rfind(kPrefix, 0) != 0 ||
        !name.ends_with(kSuffix))
        return false;
    for (std::size_t i = kPrefix.size(); i < name.size() - kSuffix.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

// Once a sequence is written, the numbered frames of an earlier run that this
// run did not replace (it was longer, or numbered wider) would mix in with
// it: they go. Only files (and links) named like frames are touched. Returns
// how many went.
std::size_t removeEarlierFrames(const Output& output, std::size_t frameCount) {
    std::error_code ec;
    std::size_t removed = 0;
    for (const auto& entry : fs::directory_iterator(output.folder, ec)) {
        const std::string name = entry.path().filename().string();
        const bool file = entry.is_symlink(ec) || entry.is_regular_file(ec);
        if (!file || !isFrameName(name)) continue;
        const std::size_t digits = name.size() - 10;  // "frame-" and ".png"
        const bool ours = digits == static_cast<std::size_t>(output.digits) &&
                          std::stoull(name.substr(6, digits)) < frameCount;
        if (!ours && fs::remove(entry.path(), ec)) ++removed;
    }
    return removed;
}

void report(const SceneToRender& job, const Output& output, const std::string& sheetPath,
            std::FILE* out) {
    const std::size_t frames = job.scene.frames.size();
    if (output.sequence) {
        std::fprintf(out, "wrote %zu frames to %s (%s to %s) and the contact sheet %s\n", frames,
                     output.folder.string().c_str(),
                     fs::path(output.frameFile(0)).filename().string().c_str(),
                     fs::path(output.frameFile(frames - 1)).filename().string().c_str(),
                     sheetPath.c_str());
    } else {
        std::fprintf(out, "wrote %s\n", output.file.c_str());
    }
}

// ------------------------------------------------------- --video and --plot

// What --video and --plot make, worked out and checked before anything is
// drawn or written.
struct ClipPlan {
    std::optional<picture::VideoJob> video;
    std::string encoder;  // for the result line
    std::optional<sandbox::AttemptPlot> plot;
};

// The video's container, encoder and fault switch.
int planVideo(const RenderOptions& options, ClipPlan& plan, std::FILE* err) {
    const std::optional<picture::VideoContainer> container =
        picture::videoContainerFor(options.video);
    if (!container) {
        printError(err, "--video " + options.video +
                            ": unknown kind of video; the name ends in .mp4 (H.264) or .webm "
                            "(VP9)");
        return kExitVideo;
    }
    const base::Result<std::string> encoder = picture::videoEncoderFor(*container);
    if (!encoder) {
        printError(err, "cannot write " + options.video + ": " + encoder.error());
        return kExitVideo;
    }
    const base::Result<std::optional<std::size_t>> fault = faultEncodeFrame();
    if (!fault) {
        printError(err, fault.error());
        return kExitUsage;
    }
    plan.video = picture::VideoJob{options.video, *container, options.flight.fps, *fault};
    plan.encoder = *encoder;
    return kExitOk;
}

// The attempt's plot, from the drill its log names.
int planPlot(const RenderOptions& options, ClipPlan& plan, std::FILE* err) {
    const base::Result<sandbox::FlightLog> log = desktop::loadFlightLog(options.scene);
    if (!log) {
        printError(err, log.error());
        return kExitScene;
    }
    if (!log->drill) {
        printError(err, options.scene +
                            ": --plot draws a drill attempt's plot, and this flight log names "
                            "no drill (a free flight, or a log from before logs named theirs)");
        return kExitUsage;
    }
    base::Result<sandbox::AttemptPlot> plot = sandbox::replayAttemptPlot(*log, options.scene);
    if (!plot) {
        printError(err, plot.error());
        return kExitScene;
    }
    plan.plot = std::move(*plot);
    return kExitOk;
}

int planClip(const RenderOptions& options, ClipPlan& plan, std::FILE* err) {
    if (options.scene.empty()) {
        printError(err, "--video and --plot take a flight log, not the built-in demo");
        return kExitUsage;
    }
    if (!desktop::isFlightLogFile(options.scene)) {
        // Says why: it cannot be read, or it is no flight log (a scene).
        const base::Result<sandbox::FlightLog> log = desktop::loadFlightLog(options.scene);
        printError(err, log ? options.scene + ": not a flight log" : log.error());
        return kExitScene;
    }
    if (!options.video.empty()) {
        if (int code = planVideo(options, plan, err); code != kExitOk) return code;
    }
    if (!options.plot.empty()) return planPlot(options, plan, err);
    return kExitOk;
}

int writePlot(const RenderOptions& options, const sandbox::AttemptPlot& plot, std::FILE* out,
              std::FILE* err) {
    std::vector<uint8_t> bytes;
    base::Status written = picture::encodePng(picture::drawAttemptPlot(plot), bytes);
    if (written) written = writePicture(options.plot, bytes);
    if (!written) {
        printError(err, written.error());
        return kExitPicture;
    }
    std::fprintf(out, "wrote the plot of %zu ticks to %s\n", plot.size(), options.plot.c_str());
    return kExitOk;
}

int writeVideo(const GlobalOptions& global, const RenderOptions& options, const ClipPlan& plan,
               std::FILE* out, std::FILE* err) {
    SceneToRender job;
    if (int code = checkScene(options, job, err); code != kExitOk) return code;
    if (const base::Status size = picture::checkVideoSize(job.lastCanvas.X, job.lastCanvas.Y);
        !size) {
        printError(err, "--canvas " + options.flight.canvas + ": " + size.error());
        return kExitUsage;
    }
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    Pictures pictures;
    if (int code = startPictures(options, run, pictures, err); code != kExitOk) return code;
    picture::VideoDrawing drawing{*pictures.renderer, pictures.page, pictures.pageTitle};
    const picture::VideoOutcome made = picture::renderVideo(
        job.scene, job.name, run.session.cvars, run.session.game, drawing, *plan.video, err);
    if (!made.status) {
        printError(err, made.status.error());
        return made.sceneFailed ? kExitScene : kExitVideo;
    }
    std::fprintf(out, "wrote %s: %zu frames of %d by %d at %d a second, %s\n",
                 options.video.c_str(), made.frames, job.lastCanvas.X, job.lastCanvas.Y,
                 plan.video->fps, plan.encoder.c_str());
    if (options.timing)
        std::fprintf(
            out, "timing: %zu frame(s) drawn and encoded in %.2f s, %.1f ms a frame\n", made.frames,
            made.seconds,
            made.frames > 0 ? made.seconds * 1000.0 / static_cast<double>(made.frames) : 0.0);
    return kExitOk;
}

// `--video` and `--plot`: every check first, then the plot (quick), then the
// video.
int runClip(const GlobalOptions& global, const RenderOptions& options, std::FILE* out,
            std::FILE* err) {
    ClipPlan plan;
    if (int code = planClip(options, plan, err); code != kExitOk) return code;
    if (plan.plot) {
        if (int code = writePlot(options, *plan.plot, out, err); code != kExitOk) return code;
    }
    if (plan.video) return writeVideo(global, options, plan, out, err);
    return kExitOk;
}

int runRender(const GlobalOptions& global, const RenderOptions& options, std::FILE* out,
              std::FILE* err) {
    if (!options.saveDemo.empty()) return saveDemoScene(options.saveDemo, out, err);
    if (!options.video.empty() || !options.plot.empty()) return runClip(global, options, out, err);
    base::Result<picture::PictureSteps> steps = pictureSteps();
    if (!steps) {
        printError(err, steps.error());
        return kExitUsage;
    }
    SceneToRender job;
    if (int code = checkScene(options, job, err); code != kExitOk) return code;
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    Pictures pictures;
    if (int code = startPictures(options, run, pictures, err); code != kExitOk) return code;
    pictures.steps = std::move(*steps);
    pictures.workers =
        static_cast<unsigned>(std::min<std::size_t>(options.jobs - 1, job.scene.frames.size()));
    Output output;
    if (base::Status prepared = prepareOutput(options, job.stem, job.scene.frames.size(), output);
        !prepared) {
        printError(err, prepared.error());
        return kExitPicture;
    }
    std::string sheetPath;
    Timing timing;
    if (int code = play(job, run, pictures, output, sheetPath, timing, err); code != kExitOk)
        return code;
    report(job, output, sheetPath, out);
    if (output.sequence) {
        if (const std::size_t removed = removeEarlierFrames(output, job.scene.frames.size()))
            std::fprintf(out, "removed %zu frame(s) of an earlier, longer run from %s\n", removed,
                         output.folder.string().c_str());
    }
    if (options.timing) printTiming(out, timing, pictures.renderer->rendererName(), job.lastCanvas);
    return kExitOk;
}

}  // namespace

Subcommand addRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* render = app.add_subcommand(
        "render",
        "Play a scene or a flight log (default: the built-in demo) and write what the plugin "
        "draws as PNG; a flight log also as a video (--video), a drill attempt's plot (--plot)");
    render->add_option("SCENE", options->scene,
                       "Scene file (JSON) or flight log (its first line trimsight-flight); "
                       "without it, the built-in demo");
    render->add_option("-o,--output", options->output,
                       "Picture file for a one-frame scene, folder for a sequence (default: "
                       "SCENE.png, SCENE-frames/, or trimsight-demo/ for the demo)");
    render->add_flag("--settings", options->settings,
                     "Draw the plugin's settings window over the game as well");
    render->add_flag("--timing", options->timing,
                     "Print the time per frame spent rendering, encoding and writing, and in all");
    render
        ->add_option("-j,--jobs", options->jobs,
                     "Threads at work on the pictures: one draws, the others encode and write "
                     "while it draws the next frames; 1 does everything on one thread, one "
                     "picture after another")
        ->default_val(kDefaultJobs)
        ->check(CLI::Range(1u, kMaxJobs));
    CLI::Option* saveDemo = render->add_option(
        "--save-demo-scene", options->saveDemo,
        "Write the built-in demo as a scene file to start your own from, and render nothing");
    // It renders nothing, so what rendering takes would be ignored.
    addFlightFrameOptions(*render, options->flight, "a flight log");
    CLI::Option* video = render->add_option(
        "--video", options->video,
        "Write a flight log's frames as a video, in place of PNG pictures: FILE.mp4 (H.264) or "
        "FILE.webm (VP9), at --fps and --canvas (both sides even); a progress bar on a terminal");
    CLI::Option* plot = render->add_option(
        "--plot", options->plot,
        "Draw a drill attempt's plot (its flight log names the drill) to this PNG: the drill's "
        "angle, the time within its cone and the stick against time; with --video as well, or "
        "alone to draw only the plot");
    for (const char* other :
         {"SCENE", "--output", "--settings", "--timing", "--jobs", "--fps", "--canvas"})
        saveDemo->excludes(render->get_option(other));
    for (CLI::Option* clip : {video, plot}) {
        clip->excludes(render->get_option("--output"));
        clip->excludes(render->get_option("--jobs"));
        clip->excludes(saveDemo);
    }
    return {render, [options](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                return runRender(global, *options, out, err);
            }};
}

}  // namespace app
