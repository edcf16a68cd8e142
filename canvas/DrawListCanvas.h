#pragma once
// The host's canvas as Dear ImGui draws it: each call goes, in order, onto one
// draw list (the background list of the host's frame), so later primitives
// cover earlier ones exactly as the canvas promises.
#include <imgui.h>

#include "host/CanvasWrapper.h"

namespace canvas {

class DrawListCanvas final : public pluginsdk::CanvasBackend {
  public:
    DrawListCanvas(ImDrawList* list, Vector2 size) : list_(list), size_(size) {}

    Vector2 size() const override { return size_; }
    void setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void setPosition(Vector2 p) override { position_ = p; }
    void fillBox(Vector2 size) override;
    void fillTriangle(Vector2 a, Vector2 b, Vector2 c) override;
    void drawLine(Vector2 from, Vector2 to, float width) override;

  private:
    ImDrawList* list_;
    Vector2 size_;
    ImU32 colour_ = IM_COL32(255, 255, 255, 255);
    Vector2 position_;
};

}  // namespace canvas
