// `render LOG --video FILE`: a flight log's frames as a video (VideoRender),
// at --fps and --canvas; a progress bar on a terminal.
#include "app/RenderJobs.h"
#include "picture/VideoWriter.h"

namespace app {

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
    if (int code = startWorld(options, job, pictures, err); code != kExitOk) return code;
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

}  // namespace app
