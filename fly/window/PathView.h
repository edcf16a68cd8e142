#pragma once
// The path ahead in the window (sandbox/Prediction.h): made once a frame
// from the session's world and its last controls while either path is
// shown, handed to the world renderer, and the nearest point's time written
// beside that point. Only the full model's flights have one. The path's
// arrays are made once; a frame allocates nothing for it.
#include <imgui.h>

#include <memory>

#include "fly/Camera.h"
#include "fly/FlySession.h"
#include "fly/window/WorldRenderer.h"

namespace fly {

// Which paths are shown: the drill menu's two settings and `fly`'s
// --ball-path and --car-path.
struct PathShown {
    bool ball = false;
    bool car = false;
};

class PathView {
  public:
    PathView();
    // This frame's path, or nothing to draw.
    PathDrawing update(const FlySession& session, PathShown shown);
    // "0.84 s" at the nearest point, when the car's path was drawn this
    // frame; `display` is ImGui's display size.
    void drawLabel(const CameraPose& camera, ImVec2 display) const;

  private:
    std::unique_ptr<sandbox::PathAhead> path_;
    PathDrawing drawing_;
};

}  // namespace fly
