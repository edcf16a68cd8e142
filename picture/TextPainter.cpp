#include "picture/TextPainter.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "canvas/Fonts.h"

namespace picture {

TextPainter::TextPainter(float pixels) : atlas_(std::make_unique<ImFontAtlas>()) {
    const std::string file = canvas::findInterfaceFontFile();
    ImFontConfig config;
    config.OversampleH = 1;  // drawn at its own size, no subpixel shifts
    config.PixelSnapH = true;
    if (!file.empty()) font_ = atlas_->AddFontFromFileTTF(file.c_str(), pixels, &config);
    scalable_ = font_ != nullptr;
    if (font_ == nullptr) font_ = atlas_->AddFontDefault();
    atlas_->GetTexDataAsAlpha8(&pixels_, &atlasWidth_, &atlasHeight_);
}

TextPainter::~TextPainter() = default;

int TextPainter::width(std::string_view text) const {
    const ImVec2 size =
        font_->CalcTextSizeA(font_->FontSize, 1e9f, 0.0f, text.data(), text.data() + text.size());
    return static_cast<int>(std::ceil(size.x));
}

int TextPainter::lineHeight() const { return static_cast<int>(std::ceil(font_->FontSize)); }

void TextPainter::draw(canvas::Image& image, int x, int y, std::string_view text,
                       canvas::Rgb8 colour, TextAlign align) const {
    float penX = static_cast<float>(x);
    if (align == TextAlign::Centre) penX -= static_cast<float>(width(text)) * 0.5f;
    if (align == TextAlign::Right) penX -= static_cast<float>(width(text));
    penX = std::floor(penX);
    const float penY = static_cast<float>(y);
    for (const char* s = text.data(); s < text.data() + text.size();) {
        unsigned int c = 0;
        s += ImTextCharFromUtf8(&c, s, text.data() + text.size());
        if (c == 0) break;
        const ImFontGlyph* glyph = font_->FindGlyph(static_cast<ImWchar>(c));
        if (glyph == nullptr) continue;
        // The glyph's box in the picture and in the atlas, pixel for pixel.
        const int left = static_cast<int>(std::lround(penX + glyph->X0));
        const int top = static_cast<int>(std::lround(penY + glyph->Y0));
        const int u0 = static_cast<int>(std::lround(glyph->U0 * static_cast<float>(atlasWidth_)));
        const int v0 = static_cast<int>(std::lround(glyph->V0 * static_cast<float>(atlasHeight_)));
        const int w = static_cast<int>(std::lround(glyph->X1 - glyph->X0));
        const int h = static_cast<int>(std::lround(glyph->Y1 - glyph->Y0));
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col) {
                const int px = left + col, py = top + row;
                if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
                const int u = std::min(u0 + col, atlasWidth_ - 1);
                const int v = std::min(v0 + row, atlasHeight_ - 1);
                const int alpha = pixels_[v * atlasWidth_ + u];
                if (alpha == 0) continue;
                uint8_t* p = image.at(px, py);
                const uint8_t wanted[3] = {colour.r, colour.g, colour.b};
                for (int k = 0; k < 3; ++k)
                    p[k] = static_cast<uint8_t>((wanted[k] * alpha + p[k] * (255 - alpha) + 127) /
                                                255);
            }
        penX += glyph->AdvanceX;
    }
}

}  // namespace picture
