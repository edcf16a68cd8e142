// `render`'s PNG pictures: one file for a one-frame scene; numbered files and
// a contact sheet for a sequence. Pictures are encoded and written on threads
// of their own while the next frames are drawn (PicturePipeline).
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

#include "app/RenderJobs.h"
#include "canvas/SettingsWindow.h"
#include "host/pluginsdk/NullCanvas.h"
#include "picture/ContactSheet.h"
#include "picture/Png.h"
#include "picture/ProgressBar.h"
#include "scene/ScenePlayer.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kSheetName = "contact-sheet.png";

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

}  // namespace

int renderPictures(const GlobalOptions& global, const RenderOptions& options, std::FILE* out,
                   std::FILE* err) {
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

}  // namespace app
