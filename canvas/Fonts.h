#pragma once
// Crisp text at every size: a scalable font (DejaVu Sans, Debian's
// fonts-dejavu-core), found at run time and rasterised at the size the
// interface needs, with Dear ImGui's built-in bitmap font, upscaled, when it
// is missing. One normal size for the panels and the HUD, one large for the
// countdown digit. And the interface's scale, from the window's height, the
// display's pixels per point and the player's setting.
#include <imgui.h>

#include <string>

namespace canvas {

// The normal text's height at a 720-pixel-high window, and the countdown
// digit's, in ImGui's units.
inline constexpr float kBaseFontPixels = 15.0f;
inline constexpr float kCountdownFontPixels = 90.0f;

// The first font file found among the usual places (empty: none). A
// `TRIMSIGHT_FONT` file in the environment is tried first.
std::string findInterfaceFontFile();

struct InterfaceFonts {
    ImFont* text = nullptr;       // the default font of the context
    ImFont* countdown = nullptr;  // the large digit
    bool scalable = false;        // false: ImGui's built-in font, upscaled
    float scale = 1.0f;           // what they were made for
};

// The interface's scale: 1 at a 720-pixel-high window, growing and shrinking
// with its height (within 0.6 to 4), times the player's setting.
float interfaceScale(float windowHeight, float playerScale);

// Replaces the context's fonts by the interface's at `scale`; `pixelsPerPoint`
// (the framebuffer's pixels per ImGui unit) makes them sharp on a HiDPI
// display. The renderer's font texture must be made again afterwards
// (ImGui_ImplOpenGL3_CreateFontsTexture, or the backend's next NewFrame).
InterfaceFonts loadInterfaceFonts(float scale, float pixelsPerPoint = 1.0f);

// The large font of loadInterfaceFonts, null when only ImGui's built-in
// one is loaded.
ImFont* countdownFont();

// ImGui's style, the dark one, with its sizes at `scale`.
void scaleStyle(float scale);

}  // namespace canvas
