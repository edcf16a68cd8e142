#pragma once
// Pictures of what a plugin draws (picture/Picture.h maps the folder): a
// plain backdrop where the game would be (drawn once per picture size and
// copied in at the start of each picture), the canvas calls in order on
// Dear ImGui's background draw list, then any ImGui windows (the settings
// page), all drawn by ImGui's own OpenGL 3 backend into an offscreen
// framebuffer and read back as a canvas::Image. It hands back pixels; files
// are desktop/OutputFile's.
#include <functional>
#include <memory>
#include <string>

#include "base/Result.h"
#include "canvas/Image.h"
#include "host/CanvasWrapper.h"

struct ImGuiContext;
struct ImDrawList;

namespace canvas {
class DrawListCanvas;
}

namespace picture {

class OffscreenGL;

// What a picture may show besides the plugin's canvas, in place of the
// plain backdrop: a scene drawn beneath the canvas, and windows over it (a
// flight log's world, HUD and drill panels: app/RenderWorld.h). The
// renderer knows nothing of what they draw.
class PictureLayers {
  public:
    virtual ~PictureLayers() = default;
    // Beneath the canvas, once per picture and in the order the pictures
    // are drawn: draws over the whole bound framebuffer, which has a depth
    // buffer, in the renderer's OpenGL context. A failure stops the picture.
    virtual base::Status drawBeneath(int width, int height) = 0;
    // Over the canvas: ImGui windows in the host's context, before any
    // `windows` of begin(); called more than once per picture, as those.
    virtual void drawWindows() = 0;
};

class PictureRenderer {
  public:
    // No picture side is larger than this, whatever the driver allows: a
    // picture this size already takes a quarter of a gigabyte to draw.
    static constexpr int kMaxSide = 8192;

    // Starts EGL, OpenGL and an ImGui context of the host's own.
    static base::Result<std::unique_ptr<PictureRenderer>> create();
    ~PictureRenderer();
    PictureRenderer(const PictureRenderer&) = delete;
    PictureRenderer& operator=(const PictureRenderer&) = delete;

    // Whether a canvas of this size can be rendered, and why not.
    base::Status checkCanvas(int width, int height) const;
    // The same check against a given limit, before any renderer exists.
    static base::Status checkCanvasSize(int width, int height, int limit = kMaxSide);

    // Text in the windows in the interface's scalable font at `scale`
    // (canvas/Fonts.h) in place of ImGui's built-in one; pictures of the
    // canvas alone do not change by it.
    void useInterfaceFont(float scale);

    // Pictures from now on show these layers in place of the backdrop (null:
    // the backdrop again). They must outlive their use.
    void setLayers(PictureLayers* layers);

    // The host's ImGui context, for a plugin's attachImGuiContext.
    ImGuiContext* imguiContext() const { return context_; }
    const std::string& rendererName() const;
    int maxSide() const;

    // A picture in two halves, for callers that are handed a canvas to draw
    // on: begin() starts the frame (the backdrop drawn, `windows` kept for
    // finish); the canvas takes the frame's calls; finish() draws the windows
    // over it, renders and reads the picture back. `windows` draws ImGui
    // windows in the host's context and may be empty; it is called more than
    // once per picture, as ImGui sizes a window to its contents only on the
    // frame after the first.
    base::Status begin(int width, int height, std::function<void()> windows);
    pluginsdk::CanvasBackend& canvas();
    base::Status finish(canvas::Image& out);

  private:
    PictureRenderer();
    base::Status keepBackdrop(int width, int height);

    std::unique_ptr<OffscreenGL> gl_;
    ImGuiContext* context_ = nullptr;
    bool backendStarted_ = false;
    bool inFrame_ = false;
    std::function<void()> windows_;
    PictureLayers* layers_ = nullptr;
    std::unique_ptr<canvas::DrawListCanvas> canvas_;
};

// Draws the backdrop alone, the picture of a frame in which nothing is drawn.
void drawBackdrop(ImDrawList* list, int width, int height);

}  // namespace picture
