#pragma once
// The per-frame drawing surface a drawable is handed.
#include <cstdint>

#include "host/Types.h"

namespace pluginsdk {
// What a host program implements to receive a plugin's drawing.
class CanvasBackend {
  public:
    virtual Vector2 size() const = 0;
    virtual void setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) = 0;
    virtual void setPosition(Vector2 p) = 0;
    virtual void fillBox(Vector2 size) = 0;
    virtual void fillTriangle(Vector2 a, Vector2 b, Vector2 c) = 0;
    virtual void drawLine(Vector2 from, Vector2 to, float width) = 0;

  protected:
    ~CanvasBackend() = default;
};
}  // namespace pluginsdk

// A cheap value handle on the host's canvas: copying it copies a pointer.
// The canvas keeps the current colour and box position between calls.
class CanvasWrapper {
  public:
    explicit CanvasWrapper(pluginsdk::CanvasBackend* backend) : backend_(backend) {}

    Vector2 GetSize() const { return backend_->size(); }
    void SetColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { backend_->setColor(r, g, b, a); }
    void SetPosition(Vector2 p) { backend_->setPosition(p); }
    void FillBox(Vector2 size) { backend_->fillBox(size); }
    void FillTriangle(Vector2 a, Vector2 b, Vector2 c) { backend_->fillTriangle(a, b, c); }
    void DrawLine(Vector2 from, Vector2 to, float width) { backend_->drawLine(from, to, width); }

  private:
    pluginsdk::CanvasBackend* backend_;
};
