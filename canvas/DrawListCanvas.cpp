#include "canvas/DrawListCanvas.h"

#include <cmath>

namespace canvas {
namespace {

ImVec2 point(Vector2 p) { return ImVec2(static_cast<float>(p.X), static_cast<float>(p.Y)); }

}  // namespace

void DrawListCanvas::setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    colour_ = IM_COL32(r, g, b, a);
}

void DrawListCanvas::fillBox(Vector2 size) {
    // Summed as floats: a far-off position plus a size must not wrap around.
    const ImVec2 from = point(position_);
    const ImVec2 to(from.x + static_cast<float>(size.X), from.y + static_cast<float>(size.Y));
    list_->AddRectFilled(ImVec2(std::fmin(from.x, to.x), std::fmin(from.y, to.y)),
                         ImVec2(std::fmax(from.x, to.x), std::fmax(from.y, to.y)), colour_);
}

void DrawListCanvas::fillTriangle(Vector2 a, Vector2 b, Vector2 c) {
    // Both windings fill: the OpenGL backend culls nothing and fills are not
    // anti-aliased (anti-aliased fringes would assume one winding and leave
    // seams between the triangles of a fan).
    list_->AddTriangleFilled(point(a), point(b), point(c), colour_);
}

void DrawListCanvas::drawLine(Vector2 from, Vector2 to, float width) {
    if (!std::isfinite(width) || width <= 0.0f) return;
    list_->AddLine(point(from), point(to), colour_, width);
}

}  // namespace canvas
