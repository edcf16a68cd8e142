#include "canvas/Fonts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace canvas {
namespace {

// Debian's fonts-dejavu-core, then other systems' places for the same font.
constexpr const char* kFontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/local/share/fonts/DejaVuSans.ttf",
};
constexpr float kMinScale = 0.6f;
constexpr float kMaxScale = 4.0f;
// ImGui's built-in font is 13 pixels high.
constexpr float kBuiltInPixels = 13.0f;

bool isFile(const char* path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string findInterfaceFontFile() {
    if (const char* own = std::getenv("TRIMSIGHT_FONT"); own != nullptr && isFile(own)) return own;
    for (const char* path : kFontFiles)
        if (isFile(path)) return path;
    return {};
}

float interfaceScale(float windowHeight, float playerScale) {
    const float byHeight = std::clamp(windowHeight / 720.0f, kMinScale, kMaxScale);
    return std::clamp(byHeight * playerScale, kMinScale * 0.5f, kMaxScale * 2.0f);
}

InterfaceFonts loadInterfaceFonts(float scale, float pixelsPerPoint) {
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->Clear();
    InterfaceFonts fonts;
    fonts.scale = scale;
    const float raster = std::max(1.0f, pixelsPerPoint);
    const std::string file = findInterfaceFontFile();
    if (!file.empty()) {
        ImFontConfig config;
        config.OversampleH = 2;
        config.OversampleV = 1;
        fonts.text =
            io.Fonts->AddFontFromFileTTF(file.c_str(), kBaseFontPixels * scale * raster, &config);
        if (fonts.text != nullptr) {
            // Only the digits and a few signs are drawn large.
            static const ImWchar kDigits[] = {0x0020, 0x0039, 0};
            fonts.countdown = io.Fonts->AddFontFromFileTTF(
                file.c_str(), kCountdownFontPixels * scale * raster, &config, kDigits);
        }
    }
    fonts.scalable = fonts.text != nullptr && fonts.countdown != nullptr;
    if (!fonts.scalable) {
        io.Fonts->Clear();
        ImFontConfig config;
        config.SizePixels = kBuiltInPixels;
        fonts.text = io.Fonts->AddFontDefault(&config);
        fonts.countdown = fonts.text;
        fonts.text->Scale = std::max(1.0f, std::round(kBaseFontPixels * scale / kBuiltInPixels));
        io.FontGlobalScale = 1.0f;
        return fonts;
    }
    fonts.text->Scale = 1.0f / raster;
    fonts.countdown->Scale = 1.0f / raster;
    io.FontDefault = fonts.text;
    return fonts;
}

ImFont* countdownFont() {
    const ImFontAtlas* atlas = ImGui::GetIO().Fonts;
    return atlas->Fonts.Size > 1 ? atlas->Fonts[1] : nullptr;
}

void scaleStyle(float scale) {
    ImGuiStyle style;
    ImGui::StyleColorsDark(&style);
    style.AntiAliasedFill = ImGui::GetStyle().AntiAliasedFill;
    style.ScaleAllSizes(scale);
    ImGui::GetStyle() = style;
}

}  // namespace canvas
