#pragma once
// `render --video`: a scene played into a video file. Each frame is drawn
// by the picture renderer, as for PNG pictures, and handed to the encoder
// (picture::VideoWriter) on the drawing thread; the encoder keeps threads of
// its own. The file is written through writeOutputFileThrough, so a failure
// at any frame leaves nothing behind and a file it replaces stays whole
// until the video is complete.
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

#include "base/Result.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "picture/PictureRenderer.h"
#include "picture/VideoWriter.h"
#include "scene/Scene.h"

namespace BakkesMod::Plugin {
class PluginSettingsWindow;
}

namespace picture {

struct VideoJob {
    std::string path;  // the target, as given
    picture::VideoContainer container = picture::VideoContainer::Mp4;
    int fps = 60;
    // For tests of a failure part way through: encoding this frame fails.
    std::optional<std::size_t> failAtFrame;
};

// What drawing a frame needs: the renderer, and the plugin's settings page
// when the pictures show it.
struct VideoDrawing {
    picture::PictureRenderer& renderer;
    BakkesMod::Plugin::PluginSettingsWindow* page = nullptr;
    std::string pageTitle;
};

struct VideoOutcome {
    base::Status status;       // the failure's message names the scene or the file
    bool sceneFailed = false;  // the scene could not be played (else the video not written)
    std::size_t frames = 0;
    double seconds = 0.0;  // from the first frame begun to the file complete
};

// Plays every frame of `scene` into the video; a progress bar on `err`
// when it is a terminal.
VideoOutcome renderVideo(const scene::SceneFrames& scene, const std::string& sceneName,
                         pluginsdk::CVarStore& cvars, pluginsdk::GameHost& game,
                         VideoDrawing& drawing, const VideoJob& job, std::FILE* err);

}  // namespace picture
