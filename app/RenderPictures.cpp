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
#include "desktop/OutputFile.h"
#include "host/pluginsdk/NullCanvas.h"
#include "picture/ContactSheet.h"
#include "picture/PictureSequence.h"
#include "picture/Png.h"
#include "picture/ProgressBar.h"
#include "scene/ScenePlayer.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

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
    std::string file;                 // one frame
    picture::PictureSequence frames;  // a sequence
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
                if (base::Status made = output_.frames.makeFolder(); !made) return stop(made);
            }
            if (!sheet_) sheet_.emplace(static_cast<int>(frameCount_), image.width, image.height);
            sheet_->add(static_cast<int>(index), image);
        }
        const std::string path = output_.sequence ? output_.frames.frameFile(index) : output_.file;
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
    // Made when the first frame is written, so that a scene refused before
    // its first frame leaves nothing behind.
    output.frames = picture::PictureSequence(
        options.output.empty() ? stem + (options.scene.empty() ? "" : "-frames") : options.output,
        frameCount);
    if (const std::string problem = output.frames.problem(); !problem.empty())
        return base::Failure{problem};
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
        sheetPath = output.frames.sheetFile();
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

void report(const SceneToRender& job, const Output& output, const std::string& sheetPath,
            std::FILE* out) {
    const std::size_t frames = job.scene.frames.size();
    if (output.sequence) {
        std::fprintf(out, "wrote %zu frames to %s (%s to %s) and the contact sheet %s\n", frames,
                     output.frames.folder().c_str(),
                     fs::path(output.frames.frameFile(0)).filename().string().c_str(),
                     fs::path(output.frames.frameFile(frames - 1)).filename().string().c_str(),
                     sheetPath.c_str());
    } else {
        std::fprintf(out, "wrote %s\n", output.file.c_str());
    }
}

// The pictures must not replace the scene (nor the plugin, the config, the
// history). A sequence writes its contact sheet in the folder and removes
// frames of earlier runs there, so an input named like a frame in that
// folder counts as one of its outputs.
int checkPicturesApart(const GlobalOptions& global, const RenderOptions& options,
                       const Output& output, std::FILE* err) {
    std::vector<desktop::RunFile> outputs;
    if (!output.sequence) {
        outputs.push_back({"the picture", output.file});
    } else {
        outputs.push_back({"the contact sheet", output.frames.sheetFile()});
        const base::Result<std::string> scene = desktop::resolveLinks(options.scene);
        const std::string name = scene ? fs::path(*scene).filename().string() : std::string();
        if (!options.scene.empty() && picture::isFrameName(name))
            outputs.push_back({"the frame", (fs::path(output.frames.folder()) / name).string()});
    }
    return checkOutputsApart(global, outputs, {{"the scene", options.scene}}, err);
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
    // -o itself first: a picture's file or a sequence's folder.
    if (int code = checkOutputsApart(global, {{"-o", options.output}},
                                     {{"the scene", options.scene}}, err);
        code != kExitOk)
        return code;
    Output output;
    if (base::Status prepared = prepareOutput(options, job.stem, job.scene.frames.size(), output);
        !prepared) {
        printError(err, prepared.error());
        return kExitPicture;
    }
    if (int code = checkPicturesApart(global, options, output, err); code != kExitOk) return code;
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    Pictures pictures;
    if (int code = startPictures(options, run, pictures, err); code != kExitOk) return code;
    if (int code = startWorld(options, job, pictures, err); code != kExitOk) return code;
    pictures.steps = std::move(*steps);
    pictures.workers =
        static_cast<unsigned>(std::min<std::size_t>(options.jobs - 1, job.scene.frames.size()));
    std::string sheetPath;
    Timing timing;
    if (int code = play(job, run, pictures, output, sheetPath, timing, err); code != kExitOk)
        return code;
    report(job, output, sheetPath, out);
    if (output.sequence) {
        if (const std::size_t removed = output.frames.removeEarlierFrames(job.scene.frames.size()))
            std::fprintf(out, "removed %zu frame(s) of an earlier, longer run from %s\n", removed,
                         output.frames.folder().c_str());
    }
    if (options.timing) printTiming(out, timing, pictures.renderer->rendererName(), job.lastCanvas);
    return kExitOk;
}

}  // namespace app
