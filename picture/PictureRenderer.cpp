#include "picture/PictureRenderer.h"

#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

#include <algorithm>
#include <cfloat>

#include "canvas/DrawListCanvas.h"
#include "canvas/Fonts.h"
#include "picture/OffscreenGL.h"

namespace picture {
namespace {

// Where the game would be: a muted sky over a muted field, well apart from
// the dial's bright orange ground and cyan sky.
constexpr ImU32 kSkyTop = IM_COL32(78, 94, 114, 255);
constexpr ImU32 kSkyHorizon = IM_COL32(138, 150, 162, 255);
constexpr ImU32 kFieldHorizon = IM_COL32(88, 104, 78, 255);
constexpr ImU32 kFieldBottom = IM_COL32(52, 64, 46, 255);
constexpr float kHorizonHeight = 0.45f;

// Frames drawn before the picture so that auto-sized windows have settled.
constexpr int kWarmUpFrames = 2;

}  // namespace

void drawBackdrop(ImDrawList* list, int width, int height) {
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float horizon = h * kHorizonHeight;
    list->AddRectFilledMultiColor(ImVec2(0.0f, 0.0f), ImVec2(w, horizon), kSkyTop, kSkyTop,
                                  kSkyHorizon, kSkyHorizon);
    list->AddRectFilledMultiColor(ImVec2(0.0f, horizon), ImVec2(w, h), kFieldHorizon, kFieldHorizon,
                                  kFieldBottom, kFieldBottom);
}

PictureRenderer::PictureRenderer() = default;

base::Result<std::unique_ptr<PictureRenderer>> PictureRenderer::create() {
    std::unique_ptr<PictureRenderer> r(new PictureRenderer());
    base::Result<std::unique_ptr<OffscreenGL>> gl = OffscreenGL::create();
    if (!gl) return gl.failure();
    r->gl_ = std::move(*gl);

    r->context_ = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // a picture run leaves no files behind
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().AntiAliasedFill = false;
    if (!ImGui_ImplOpenGL3_Init("#version 330 core"))
        return base::Failure{
            "cannot render pictures: Dear ImGui's OpenGL 3 backend could not load OpenGL "
            "(libGL.so.1); install libgl1"};
    r->backendStarted_ = true;
    return r;
}

PictureRenderer::~PictureRenderer() {
    if (context_ == nullptr) return;
    ImGui::SetCurrentContext(context_);
    if (inFrame_) ImGui::EndFrame();
    if (backendStarted_) ImGui_ImplOpenGL3_Shutdown();
    ImGui::DestroyContext(context_);
}

void PictureRenderer::useInterfaceFont(float scale) {
    ImGui::SetCurrentContext(context_);
    canvas::loadInterfaceFonts(scale);
    canvas::scaleStyle(scale);
    ImGui::GetStyle().AntiAliasedFill = false;
    ImGui_ImplOpenGL3_DestroyFontsTexture();
    ImGui_ImplOpenGL3_CreateFontsTexture();
}

void PictureRenderer::setLayers(PictureLayers* layers) {
    layers_ = layers;
    gl_->setDepth(layers != nullptr);
}

const std::string& PictureRenderer::rendererName() const { return gl_->rendererName(); }

int PictureRenderer::maxSide() const { return std::min(kMaxSide, gl_->maxSide()); }

base::Status PictureRenderer::checkCanvas(int width, int height) const {
    return checkCanvasSize(width, height, maxSide());
}

base::Status PictureRenderer::checkCanvasSize(int width, int height, int limit) {
    const std::string size = std::to_string(width) + " by " + std::to_string(height);
    if (width <= 0 || height <= 0)
        return base::Failure{"canvas " + size + " has no pixels to render"};
    if (width > limit || height > limit)
        return base::Failure{"canvas " + size + " is too large to render: at most " +
                             std::to_string(limit) + " by " + std::to_string(limit) + " pixels"};
    return {};
}

base::Status PictureRenderer::begin(int width, int height, std::function<void()> windows) {
    if (inFrame_) return base::Failure{"a picture is already being drawn"};
    if (base::Status fits = checkCanvas(width, height); !fits) return fits;
    if (base::Status started = gl_->begin(width, height); !started) return started;
    if (layers_ != nullptr) {
        if (base::Status drawn = layers_->drawBeneath(width, height); !drawn) return drawn;
        // Its windows first, under any the caller asked for.
        windows = [layers = layers_, windows = std::move(windows)] {
            layers->drawWindows();
            if (windows) windows();
        };
    }

    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    io.DisplayFramebufferScale = ImVec2(1.0f, 1.0f);
    io.DeltaTime = 1.0f / 60.0f;
    io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);  // nothing hovered, no tooltips

    windows_ = std::move(windows);
    if (windows_) {
        for (int i = 0; i < kWarmUpFrames; ++i) {
            ImGui_ImplOpenGL3_NewFrame();
            ImGui::NewFrame();
            windows_();
            ImGui::EndFrame();
        }
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    if (layers_ == nullptr && !gl_->hasBackdrop()) {
        if (base::Status kept = keepBackdrop(width, height); !kept) {
            ImGui::EndFrame();
            return kept;
        }
    }
    canvas_ = std::make_unique<canvas::DrawListCanvas>(ImGui::GetBackgroundDrawList(),
                                                       Vector2{width, height});
    inFrame_ = true;
    return {};
}

// The backdrop is the same in every picture of a size, and filling the whole
// picture with its gradients is most of the software rasteriser's work: it is
// drawn once per size, the way the frame would draw it (over black, by the
// same backend), kept, and copied in at the start of each later picture. The
// blending of what is drawn over it reads only its colours, so every pixel
// comes out as if it had been drawn in the same frame.
base::Status PictureRenderer::keepBackdrop(int width, int height) {
    ImDrawList list(ImGui::GetDrawListSharedData());
    list._ResetForNewFrame();
    list.PushTextureID(ImGui::GetIO().Fonts->TexID);
    list.PushClipRectFullScreen();
    drawBackdrop(&list, width, height);
    ImDrawList* lists[] = {&list};
    ImDrawData data;
    data.Valid = true;
    data.CmdLists = lists;
    data.CmdListsCount = 1;
    data.TotalVtxCount = list.VtxBuffer.Size;
    data.TotalIdxCount = list.IdxBuffer.Size;
    data.DisplayPos = ImVec2(0.0f, 0.0f);
    data.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    data.FramebufferScale = ImVec2(1.0f, 1.0f);
    ImGui_ImplOpenGL3_RenderDrawData(&data);
    return gl_->keepBackdrop();
}

pluginsdk::CanvasBackend& PictureRenderer::canvas() { return *canvas_; }

base::Status PictureRenderer::finish(canvas::Image& out) {
    if (!inFrame_) return base::Failure{"no picture is being drawn"};
    inFrame_ = false;
    ImGui::SetCurrentContext(context_);
    if (windows_) windows_();
    windows_ = nullptr;
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    canvas_.reset();
    return gl_->read(out);
}

}  // namespace picture
