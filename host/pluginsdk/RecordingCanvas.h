#pragma once
// A canvas that keeps every call, for tests and for the host program's trace.
#include <cstdint>
#include <string>
#include <vector>

#include "host/CanvasWrapper.h"

namespace pluginsdk {

struct CanvasCall {
    enum class Kind : uint8_t { SetColor, SetPosition, FillBox, FillTriangle, DrawLine };
    Kind kind = Kind::SetColor;
    // SetColor: r g b a; SetPosition/FillBox: x y; FillTriangle: ax ay bx by cx cy;
    // DrawLine: ax ay bx by.
    int32_t v[6] = {0, 0, 0, 0, 0, 0};
    float width = 0.0f;  // DrawLine only

    bool operator==(const CanvasCall&) const = default;
};

// One trace line, e.g. "FillTriangle 1 2 3 4 5 6" or "DrawLine 1 2 3 4 2"
// (the width printed like C's %g).
std::string formatCall(const CanvasCall& call);

class RecordingCanvas final : public CanvasBackend {
  public:
    explicit RecordingCanvas(Vector2 size = {1920, 1080}) : size_(size) {}

    void setSize(Vector2 size) { size_ = size; }
    const std::vector<CanvasCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }
    // Reserve up front so that recording a frame does not allocate.
    void reserve(std::size_t n) { calls_.reserve(n); }

    Vector2 size() const override { return size_; }
    void setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void setPosition(Vector2 p) override;
    void fillBox(Vector2 size) override;
    void fillTriangle(Vector2 a, Vector2 b, Vector2 c) override;
    void drawLine(Vector2 from, Vector2 to, float width) override;

  private:
    Vector2 size_;
    std::vector<CanvasCall> calls_;
};

}  // namespace pluginsdk
