#pragma once
// Text drawn straight into a picture, without OpenGL: the interface's
// scalable font (canvas/Fonts.h finds it; Dear ImGui's built-in one when it
// is missing) rasterised once into a Dear ImGui font atlas in memory, and
// its glyphs blended into a canvas::Image. For the plots, whose pictures are
// drawn on the CPU.
#include <memory>
#include <string_view>

#include "canvas/Colour.h"
#include "canvas/Image.h"

struct ImFontAtlas;
struct ImFont;

namespace picture {

enum class TextAlign { Left, Centre, Right };

class TextPainter {
  public:
    // Text `pixels` high.
    explicit TextPainter(float pixels);
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    int width(std::string_view text) const;
    int lineHeight() const;
    bool scalable() const { return scalable_; }
    // Draws one line whose top is at `y`, its left edge, middle or right edge
    // at `x`; what falls outside the picture is left out.
    void draw(canvas::Image& image, int x, int y, std::string_view text, canvas::Rgb8 colour,
              TextAlign align = TextAlign::Left) const;

  private:
    std::unique_ptr<ImFontAtlas> atlas_;
    ImFont* font_ = nullptr;
    bool scalable_ = false;
    unsigned char* pixels_ = nullptr;  // the atlas's alpha, owned by it
    int atlasWidth_ = 0;
    int atlasHeight_ = 0;
};

}  // namespace picture
