#pragma once
// What the jobs of `render` share. RenderCommand.cpp holds the command, its
// options and the choice of job; each job has a file of its own:
//   RenderPictures.cpp  PNG pictures: one file for a one-frame scene, else
//                       numbered frames and a contact sheet
//   RenderVideo.cpp     --video: a flight log's frames as a video
//   RenderPlot.cpp      --plot: a drill attempt's plot
//   RenderWorld.cpp     a flight log's world, HUD and drill panels beneath
//                       and around the canvas (not with --canvas-only)
//   SaveDemoScene.cpp   --save-demo-scene: the demo as a scene file
// Each job checks what it can before the host starts, prints its failures and
// returns the exit code.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandKit.h"
#include "app/FlightOptions.h"
#include "app/RenderWorld.h"
#include "base/Result.h"
#include "picture/PicturePipeline.h"
#include "picture/PictureRenderer.h"
#include "picture/VideoRender.h"
#include "sandbox/AttemptPlot.h"
#include "scene/Scene.h"

namespace app {

// Threads at work on the pictures, the drawing thread included. Encoding a
// 1080p picture takes longer than drawing one, and writing it waits on the
// disk, so more than one thread encodes and writes.
inline constexpr unsigned kDefaultJobs = 4;
inline constexpr unsigned kMaxJobs = 64;

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
    // A flight log's canvas alone over the plain backdrop, as a scene's,
    // instead of the world the window showed.
    bool canvasOnly = false;
    bool ballCamera = false;  // the world from the ball camera
};

// The scene to render, checked whole before the host starts.
struct SceneToRender {
    bool demo = false;
    std::string name;  // for messages
    std::string stem;  // for default output names
    scene::SceneFrames scene;
    Vector2 lastCanvas{};
    bool world = false;  // a flight log drawn with its world (RenderWorld.h)
};

// Reads the scene, the flight log or the demo and checks every frame's
// canvas before anything is drawn or written.
int checkScene(const RenderOptions& options, SceneToRender& job, std::FILE* err);

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
    // After the renderer, so that it goes first, while the renderer's
    // OpenGL context still holds what it made.
    std::unique_ptr<WorldLayers> world;
    BakkesMod::Plugin::PluginSettingsWindow* page = nullptr;
    std::string pageTitle;
    // Threads that encode and write while the drawing goes on, and what they do.
    unsigned workers = 0;
    picture::PictureSteps steps;
};

// Starts the picture renderer, with the settings page when --settings asks.
int startPictures(const RenderOptions& options, HostRun& run, Pictures& pictures, std::FILE* err);

// The world beneath the canvas for a flight log (not with --canvas-only),
// once the renderer has started; nothing for a scene or the demo.
int startWorld(const RenderOptions& options, const SceneToRender& job, Pictures& pictures,
               std::FILE* err);

// A picture's file; a failure names it.
base::Status writePicture(const std::string& path, const std::vector<uint8_t>& bytes);

// For tests of a failure part way through a sequence or a video,
// TRIMSIGHT_FAULT_ENCODE=N makes encoding frame N fail; any value but a
// frame number is refused before anything runs.
base::Result<std::optional<std::size_t>> faultEncodeFrame();

// What --video and --plot make, worked out and checked before anything is
// drawn or written.
struct ClipPlan {
    std::optional<picture::VideoJob> video;
    std::string encoder;  // for the result line
    std::optional<sandbox::AttemptPlot> plot;
};

// The jobs.
int renderPictures(const GlobalOptions& global, const RenderOptions& options, std::FILE* out,
                   std::FILE* err);                                           // RenderPictures.cpp
int planVideo(const RenderOptions& options, ClipPlan& plan, std::FILE* err);  // RenderVideo.cpp
int writeVideo(const GlobalOptions& global, const RenderOptions& options, const ClipPlan& plan,
               std::FILE* out, std::FILE* err);                              // RenderVideo.cpp
int planPlot(const RenderOptions& options, ClipPlan& plan, std::FILE* err);  // RenderPlot.cpp
int writePlot(const RenderOptions& options, const sandbox::AttemptPlot& plot, std::FILE* out,
              std::FILE* err);                                               // RenderPlot.cpp
int saveDemoScene(const std::string& path, std::FILE* out, std::FILE* err);  // SaveDemoScene.cpp

}  // namespace app
