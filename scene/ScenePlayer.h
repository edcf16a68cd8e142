#pragma once
// Plays a scene to a loaded plugin: per frame, the console variables and the
// game state are set, the replay events fired where the replay flag turns,
// and the plugin's drawables run on a canvas the caller supplies. `trace`
// records the canvas calls; a picture renderer supplies a rasterising canvas.
#include <cstddef>
#include <cstdio>
#include <string>

#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "scene/Scene.h"

namespace scene {

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // The canvas the plugin draws frame `index` on; its size must be
    // state.canvas.
    virtual pluginsdk::CanvasBackend& beginFrame(std::size_t index, const FrameState& state) = 0;
    // Frame `index` is drawn.
    virtual void endFrame(std::size_t index) = 0;
};

// Plays every frame of `scene`. Before the first frame, checks that every
// console variable the scene names was registered by the plugin; on failure
// nothing is played and the failure says where ("at PATH: ...").
base::Status playScene(const SceneFrames& scene, pluginsdk::CVarStore& cvars,
                       pluginsdk::GameHost& game, FrameSink& sink);

// Writes "frame N" and then one line per canvas call.
class TraceSink final : public FrameSink {
  public:
    explicit TraceSink(std::FILE* out) : out_(out) { canvas_.reserve(1024); }
    pluginsdk::CanvasBackend& beginFrame(std::size_t index, const FrameState& state) override;
    void endFrame(std::size_t index) override;

  private:
    std::FILE* out_;
    pluginsdk::RecordingCanvas canvas_;
};

}  // namespace scene
