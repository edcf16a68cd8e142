#pragma once
// An OpenGL 3.3 core context with no window: EGL on Mesa's surfaceless
// platform, always the software rasteriser, drawing into a framebuffer object.
// EGL and OpenGL are resolved through libepoxy when the first picture is
// made, so the rest of the host program works on a machine without them and a
// missing driver becomes a message, not a crash.
#include <memory>
#include <string>

#include "base/Result.h"
#include "canvas/Image.h"

namespace picture {

class OffscreenGL {
  public:
    // Makes the context current on the calling thread. A failure says what
    // is missing.
    static base::Result<std::unique_ptr<OffscreenGL>> create();
    ~OffscreenGL();
    OffscreenGL(const OffscreenGL&) = delete;
    OffscreenGL& operator=(const OffscreenGL&) = delete;

    // GL_RENDERER, e.g. "llvmpipe (LLVM 15.0.6, 256 bits)".
    const std::string& rendererName() const { return renderer_; }
    // The largest framebuffer side the driver allows.
    int maxSide() const { return maxSide_; }

    // Whether the framebuffer has a depth buffer as well, for pictures that
    // draw a 3D world beneath the canvas (PictureRenderer::setLayers); made
    // anew at the next begin(). Without one, as before: colour alone.
    void setDepth(bool depth) { depth_ = depth; }

    // Binds a framebuffer of this size (kept while the size stays the same)
    // and clears it to opaque black, or fills it with the backdrop kept for
    // this size.
    base::Status begin(int width, int height);
    // Keeps what the framebuffer holds now as the backdrop that begin()
    // starts every later picture of this size from, instead of black.
    base::Status keepBackdrop();
    bool hasBackdrop() const { return backdropFramebuffer_ != 0; }
    // Reads the framebuffer, top row first, once the drawing before the call
    // has finished (glReadPixels into client memory waits for it).
    base::Status read(canvas::Image& out);

  private:
    struct Api;
    OffscreenGL();
    void destroyFramebuffer();

    std::unique_ptr<Api> api_;
    std::string renderer_;
    int maxSide_ = 0;
    int width_ = 0;
    int height_ = 0;
    unsigned framebuffer_ = 0;
    unsigned colour_ = 0;
    bool depth_ = false;
    unsigned depthBuffer_ = 0;  // with depth_, made with the framebuffer
    unsigned backdropFramebuffer_ = 0;
    unsigned backdropColour_ = 0;
    std::vector<uint8_t> rgba_;
};

}  // namespace picture
