#include "fly/window/PathView.h"

#include <cstdio>

namespace fly {

PathView::PathView() : path_(std::make_unique<sandbox::PathAhead>()) {}

PathDrawing PathView::update(const FlySession& session, PathShown shown) {
    drawing_ = {};
    const sandbox::Simulation& sim = session.simulation();
    if ((!shown.ball && !shown.car) || sim.model() != sandbox::FlightModel::Full) return drawing_;
    sandbox::predictPath(sim.full(), session.lastControls(), sandbox::fullOptions(sim.options()),
                         *path_);
    drawing_ = {path_.get(), shown.ball, shown.car};
    return drawing_;
}

void PathView::drawLabel(const CameraPose& camera, ImVec2 display) const {
    if (drawing_.path == nullptr || !drawing_.car || display.y <= 0.0f) return;
    const sandbox::PathAhead& p = *drawing_.path;
    const sandbox::Vec3 at = p.car[static_cast<std::size_t>(p.nearestTick)];
    const Mat4 m = viewProjection(camera, display.x / display.y);
    const float clip[4] = {m.at(0, 0) * at.x + m.at(0, 1) * at.y + m.at(0, 2) * at.z + m.at(0, 3),
                           m.at(1, 0) * at.x + m.at(1, 1) * at.y + m.at(1, 2) * at.z + m.at(1, 3),
                           0.0f,
                           m.at(3, 0) * at.x + m.at(3, 1) * at.y + m.at(3, 2) * at.z + m.at(3, 3)};
    if (clip[3] <= 0.0f) return;  // behind the camera
    const float x = (clip[0] / clip[3] + 1.0f) * 0.5f * display.x;
    const float y = (1.0f - clip[1] / clip[3]) * 0.5f * display.y;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s",
                  static_cast<double>(sandbox::pathSeconds(p.nearestTick)));
    ImGui::GetForegroundDrawList()->AddText(
        ImVec2(x + 8.0f, y - 8.0f),
        IM_COL32(kNearestColour.r, kNearestColour.g, kNearestColour.b, 255), text);
}

}  // namespace fly
