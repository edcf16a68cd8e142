// `render [INPUT] [-o PATH] [--settings] [--timing] [--jobs N] [--fps N]
// [--canvas WxH] [--video FILE] [--plot FILE]`: plays a scene, a flight log as
// its export, or the built-in demo, and writes what the plugin draws as PNG
// pictures: one file for a one-frame scene; numbered files and a contact
// sheet for a sequence. Pictures are encoded and written on threads of their
// own while the next frames are drawn (PicturePipeline). A flight log can be
// written as a video instead (VideoRender), and a drill attempt's log as the
// attempt's plot (AttemptPlotPicture). A flight log's pictures and video
// show the world the window showed beneath the dial (RenderWorld.h), unless
// --canvas-only asks for the canvas alone.

// This file: the command and its options, the choice of job (RenderJobs.h),
// and what the jobs share: the scene checked whole, the picture renderer.

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/RenderJobs.h"
#include "canvas/Fonts.h"
#include "desktop/InputFile.h"
#include "scene/DemoScene.h"

namespace app {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDemoName = "trimsight-demo";

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

// `--video` and `--plot`: every check first, then the plot (quick), then the
// video.
int runClip(const GlobalOptions& global, const RenderOptions& options, std::FILE* out,
            std::FILE* err) {
    if ((options.canvasOnly || options.ballCamera) && options.video.empty()) {
        printError(err, std::string(options.canvasOnly ? "--canvas-only" : "--ball-camera") +
                            " applies to pictures and --video; --plot draws the plot");
        return kExitUsage;
    }
    if (int code = checkOutputsApart(global, {{"--video", options.video}, {"--plot", options.plot}},
                                     {{"the flight log", options.scene}}, err);
        code != kExitOk)
        return code;
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
    if (!options.saveDemo.empty()) {
        if (int code =
                checkOutputsApart(global, {{"--save-demo-scene", options.saveDemo}}, {}, err);
            code != kExitOk)
            return code;
        return saveDemoScene(options.saveDemo, out, err);
    }
    if (!options.video.empty() || !options.plot.empty()) return runClip(global, options, out, err);
    return renderPictures(global, options, out, err);
}

}  // namespace

int checkScene(const RenderOptions& options, SceneToRender& job, std::FILE* err) {
    job.demo = options.scene.empty();
    job.name = job.demo ? "the built-in demo" : options.scene;
    job.stem = job.demo ? kDemoName : fs::path(options.scene).stem().string();
    const int loaded = job.demo ? loadDemo(options, job.scene, err)
                                : loadPlayableInput(options.scene, options.flight, job.scene, err);
    if (loaded != kExitOk) return loaded;
    const bool flightLog = !job.demo && desktop::isFlightLogFile(options.scene);
    if (options.canvasOnly && !flightLog) {
        printError(err, "--canvas-only applies to a flight log; " + job.name +
                            " is drawn as its canvas alone already");
        return kExitUsage;
    }
    if (options.ballCamera && !flightLog) {
        printError(err, "--ball-camera applies to a flight log's world; " + job.name + " has none");
        return kExitUsage;
    }
    job.world = flightLog && !options.canvasOnly;
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

int startWorld(const RenderOptions& options, const SceneToRender& job, Pictures& pictures,
               std::FILE* err) {
    if (!job.world) return kExitOk;
    const base::Result<sandbox::FlightLog> log = desktop::loadFlightLog(options.scene);
    if (!log) {
        printError(err, log.error());
        return kExitScene;
    }
    const base::Result<sandbox::SceneExportOptions> frames = exportOptions(options.flight);
    if (!frames) {
        printError(err, frames.error());
        return kExitUsage;
    }
    // The window's text and panels at the size a window of this height has.
    pictures.renderer->useInterfaceFont(
        canvas::interfaceScale(static_cast<float>(job.lastCanvas.Y), 1.0f));
    const WorldClip clip{frames->ticksPerFrame, job.scene.frames.size(), options.flight.fps,
                         options.ballCamera};
    base::Result<std::unique_ptr<WorldLayers>> world = WorldLayers::create(*log, clip);
    if (!world) {
        printError(err, world.error());
        return kExitPicture;
    }
    pictures.world = std::move(*world);
    pictures.renderer->setLayers(pictures.world.get());
    return kExitOk;
}

base::Status writePicture(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (base::Status written = picture::writePictureFile(path, bytes); !written)
        return base::Failure{"cannot write " + path + ": " + written.error()};
    return {};
}

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

Subcommand addRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* render = app.add_subcommand(
        "render",
        "Play a scene or a flight log (default: the built-in demo) and write what the plugin "
        "draws as PNG; a flight log also as a video (--video), a drill attempt's plot (--plot); a "
        "flight log's pictures and video show the world beneath the dial, as the window did");
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
    render->add_flag(
        "--canvas-only", options->canvasOnly,
        "For a flight log: draw only what the plugin draws, over a plain backdrop, as for a "
        "scene file, instead of the world, the HUD and the drill's panels the window showed");
    CLI::Option* ballCamera = render->add_flag(
        "--ball-camera", options->ballCamera,
        "For a flight log: the world from the window's ball camera (B) instead of the chase "
        "camera");
    ballCamera->excludes(render->get_option("--canvas-only"));
    for (const char* other : {"SCENE", "--output", "--settings", "--timing", "--jobs", "--fps",
                              "--canvas", "--canvas-only", "--ball-camera"})
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
