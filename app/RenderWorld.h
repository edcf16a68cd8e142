#pragma once
// `render FLIGHT.log` (pictures or --video) as the window showed the
// flight: the world (fly/window/WorldRenderer), the plugin's dial over it,
// the HUD and, for a drill attempt, the drill's panel and at the end its
// result (fly/window/Hud, DrillPanel): the window's own drawing, in the
// picture renderer's offscreen context (picture::PictureLayers). The
// default for a flight log; --canvas-only draws the canvas alone over the
// plain backdrop, as for a scene file.
//
// The plugin's canvas calls are the scene player's, exactly as without the
// world; beneath them the log is played again tick by tick (FlightReplay)
// into a session of the window's (FlySession::showLoggedTick) with a game
// and settings of its own, so that it touches nothing the plugin reads.
// Picture k shows tick k * N, as frame k of the export does; a drill
// attempt's last picture shows the attempt's end and its result (at most
// N - 1 ticks after the export's last frame, when the flight does not end
// on a frame).
//
// Not shown: what the window's commands changed, which the log does not
// keep (the camera is the chase camera unless --ball-camera asks; help,
// settings and the drill menu closed), nor a best attempt's ghost (the log
// does not say which flight was raced); the HUD's rate line is the clip's.
#include <cstddef>
#include <memory>

#include "base/Result.h"
#include "picture/PictureRenderer.h"
#include "sandbox/FlightLog.h"

namespace app {

// The pictures to draw of a log.
struct WorldClip {
    int ticksPerFrame = 2;
    std::size_t frames = 0;
    int fps = 60;             // for the HUD's rate line
    bool ballCamera = false;  // the window's ball camera (B) instead of the chase camera
};

class WorldLayers final : public picture::PictureLayers {
  public:
    // Needs the picture renderer's OpenGL context current (the world
    // renderer's shaders and meshes are made in it).
    static base::Result<std::unique_ptr<WorldLayers>> create(const sandbox::FlightLog& log,
                                                             const WorldClip& clip);
    ~WorldLayers() override;
    WorldLayers(const WorldLayers&) = delete;
    WorldLayers& operator=(const WorldLayers&) = delete;

    base::Status drawBeneath(int width, int height) override;
    void drawWindows() override;

    // Whether the log is shown as a drill attempt (its drill is known and
    // it starts where the drill starts), with the drill's panels.
    bool showsAttempt() const;

  private:
    struct State;
    explicit WorldLayers(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace app
