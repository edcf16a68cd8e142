#pragma once
// A canvas that takes every call and keeps nothing: the benchmark measures the
// plugin's own cost on it, and the host program hands it frames it cannot draw.
#include <cstdint>

#include "host/CanvasWrapper.h"

namespace pluginsdk {

class NullCanvas final : public CanvasBackend {
  public:
    explicit NullCanvas(Vector2 size = {1920, 1080}) : size_(size) {}

    void setSize(Vector2 size) { size_ = size; }
    Vector2 size() const override { return size_; }
    void setColor(uint8_t, uint8_t, uint8_t, uint8_t) override {}
    void setPosition(Vector2) override {}
    void fillBox(Vector2) override {}
    void fillTriangle(Vector2, Vector2, Vector2) override {}
    void drawLine(Vector2, Vector2, float) override {}

  private:
    Vector2 size_;
};

}  // namespace pluginsdk
