#include "picture/VideoRender.h"

#include <chrono>
#include <functional>
#include <utility>

#include "canvas/SettingsWindow.h"
#include "desktop/OutputFile.h"
#include "host/pluginsdk/NullCanvas.h"
#include "picture/ProgressBar.h"
#include "scene/ScenePlayer.h"

namespace picture {
namespace {

using Clock = std::chrono::steady_clock;

// Draws each frame and hands it to the encoder. After the first failure the
// rest of the scene plays through on a canvas that draws nothing.
class VideoSink final : public scene::FrameSink {
  public:
    VideoSink(VideoDrawing& drawing, picture::VideoWriter& writer, const VideoJob& job,
              std::size_t frameCount, std::FILE* err)
        : drawing_(drawing), writer_(writer), job_(job), progress_(err, frameCount) {}

    pluginsdk::CanvasBackend& beginFrame(std::size_t, const scene::FrameState& state) override {
        null_.setSize(state.canvas);
        if (!status_) return null_;
        std::function<void()> windows;
        if (drawing_.page != nullptr) {
            const int w = state.canvas.X;
            const int h = state.canvas.Y;
            windows = [this, w, h] {
                canvas::drawSettingsWindow(*drawing_.page, drawing_.pageTitle, w, h);
            };
        }
        status_ = drawing_.renderer.begin(state.canvas.X, state.canvas.Y, std::move(windows));
        frameBegun_ = status_.ok();
        return frameBegun_ ? drawing_.renderer.canvas() : null_;
    }

    void endFrame(std::size_t index) override {
        if (!frameBegun_) return;
        frameBegun_ = false;
        status_ = drawing_.renderer.finish(image_);
        if (!status_) return;
        if (job_.failAtFrame && *job_.failAtFrame == index) {
            status_ = base::Failure{"frame " + std::to_string(index) +
                                    ": encoding failed: made to fail by TRIMSIGHT_FAULT_ENCODE"};
            return;
        }
        status_ = writer_.addFrame(image_);
        if (!status_) {
            status_ = base::Failure{"frame " + std::to_string(index) + ": " + status_.error()};
            return;
        }
        progress_.show(index + 1);
    }

    const base::Status& status() const { return status_; }
    void finishProgress() { progress_.clear(); }

  private:
    VideoDrawing& drawing_;
    picture::VideoWriter& writer_;
    const VideoJob& job_;
    ProgressBar progress_;
    pluginsdk::NullCanvas null_;
    canvas::Image image_;  // reused from frame to frame
    base::Status status_;
    bool frameBegun_ = false;
};

}  // namespace

VideoOutcome renderVideo(const scene::SceneFrames& scene, const std::string& sceneName,
                         pluginsdk::CVarStore& cvars, pluginsdk::GameHost& game,
                         VideoDrawing& drawing, const VideoJob& job, std::FILE* err) {
    VideoOutcome outcome;
    const Clock::time_point start = Clock::now();
    const desktop::FillFile fill = [&](const std::string& temporary) -> base::Status {
        scene::FrameState first;
        scene::applyFrame(first, scene.frames.front());
        picture::VideoWriter writer;
        if (base::Status opened =
                writer.open(temporary, job.container, first.canvas.X, first.canvas.Y, job.fps);
            !opened)
            return opened;
        VideoSink sink(drawing, writer, job, scene.frames.size(), err);
        const base::Status played = scene::playScene(scene, cvars, game, sink);
        sink.finishProgress();
        outcome.frames = writer.frames();
        if (!played) {
            outcome.sceneFailed = true;
            return base::Failure{sceneName + ": " + played.error()};
        }
        if (!sink.status()) return sink.status();
        return writer.finish();
    };
    outcome.status = desktop::writeOutputFileThrough(job.path, 0666, fill);
    if (!outcome.status && !outcome.sceneFailed)
        outcome.status = base::Failure{"cannot write " + job.path + ": " + outcome.status.error()};
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return outcome;
}

}  // namespace picture
