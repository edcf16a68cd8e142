#include "picture/ContactSheet.h"

#include <algorithm>
#include <cstdint>

namespace picture {
namespace {

constexpr int kGap = 6;
constexpr uint8_t kSheetGrey = 24;

// Digits 0-9 as 3 by 5 bitmaps, one row per 3 bits, top row first.
constexpr uint16_t kDigits[10] = {
    0b111101101101111, 0b010110010010111, 0b111001111100111, 0b111001111001111, 0b101101111001001,
    0b111100111001111, 0b111100111101111, 0b111001010010010, 0b111101111101111, 0b111101111001111};

void fillRect(canvas::Image& dst, int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    const int x0 = std::max(x, 0);
    const int y0 = std::max(y, 0);
    const int x1 = std::min(x + w, dst.width);
    const int y1 = std::min(y + h, dst.height);
    for (int py = y0; py < y1; ++py) {
        for (int px = x0; px < x1; ++px) {
            uint8_t* p = dst.at(px, py);
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
}

// The frame number in white on a dark plate, at the tile's top left.
void drawLabel(canvas::Image& dst, int x, int y, int number) {
    const std::string text = std::to_string(number);
    constexpr int kScale = 2;
    const int glyphWidth = 4 * kScale;
    fillRect(dst, x, y, static_cast<int>(text.size()) * glyphWidth + 2 * kScale, 7 * kScale, 0, 0,
             0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const uint16_t bits = kDigits[text[i] - '0'];
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if ((bits >> (14 - (row * 3 + col))) & 1u) {
                    fillRect(dst, x + kScale + static_cast<int>(i) * glyphWidth + col * kScale,
                             y + kScale + row * kScale, kScale, kScale, 255, 255, 255);
                }
            }
        }
    }
}

}  // namespace

void shrinkInto(const canvas::Image& src, canvas::Image& dst, int x, int y, int w, int h) {
    if (src.width <= 0 || src.height <= 0 || w <= 0 || h <= 0) return;
    for (int ty = 0; ty < h; ++ty) {
        const int64_t sy0 = int64_t{ty} * src.height / h;
        const int64_t sy1 = std::max(sy0 + 1, int64_t{ty + 1} * src.height / h);
        for (int tx = 0; tx < w; ++tx) {
            const int64_t sx0 = int64_t{tx} * src.width / w;
            const int64_t sx1 = std::max(sx0 + 1, int64_t{tx + 1} * src.width / w);
            uint64_t sum[3] = {0, 0, 0};
            for (int64_t sy = sy0; sy < sy1; ++sy) {
                const uint8_t* p = src.at(static_cast<int>(sx0), static_cast<int>(sy));
                for (int64_t sx = sx0; sx < sx1; ++sx, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const uint64_t n = static_cast<uint64_t>((sy1 - sy0) * (sx1 - sx0));
            const int px = x + tx;
            const int py = y + ty;
            if (px < 0 || py < 0 || px >= dst.width || py >= dst.height) continue;
            uint8_t* d = dst.at(px, py);
            for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
        }
    }
}

ContactSheet::ContactSheet(int frameCount, int width, int height) {
    const int tiles = std::clamp(frameCount, 0, kMaxTiles);
    for (int t = 0; t < tiles; ++t) {
        // Evenly spread, first and last included.
        chosen_.push_back(
            tiles == 1 ? 0 : static_cast<int>(int64_t{t} * (frameCount - 1) / (tiles - 1)));
    }
    tileWidth_ = kTileWidth;
    tileHeight_ =
        std::clamp(static_cast<int>(int64_t{kTileWidth} * std::max(height, 1) / std::max(width, 1)),
                   16, 4 * kTileWidth);
    const int columns = std::min(std::max(tiles, 1), kColumns);
    const int rows = std::max((tiles + columns - 1) / columns, 1);
    sheet_.resize(columns * (tileWidth_ + kGap) + kGap, rows * (tileHeight_ + kGap) + kGap);
    std::fill(sheet_.rgb.begin(), sheet_.rgb.end(), kSheetGrey);
}

void ContactSheet::add(int index, const canvas::Image& frame) {
    const auto it = std::lower_bound(chosen_.begin(), chosen_.end(), index);
    if (it == chosen_.end() || *it != index || frame.width <= 0 || frame.height <= 0) return;
    const int tile = static_cast<int>(it - chosen_.begin());
    const int columns = std::min(static_cast<int>(chosen_.size()), kColumns);
    const int x = kGap + (tile % columns) * (tileWidth_ + kGap);
    const int y = kGap + (tile / columns) * (tileHeight_ + kGap);
    // Fit the frame into the tile, keeping its shape.
    int w = tileWidth_;
    int h = static_cast<int>(int64_t{tileWidth_} * frame.height / frame.width);
    if (h > tileHeight_) {
        h = tileHeight_;
        w = static_cast<int>(int64_t{tileHeight_} * frame.width / frame.height);
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    shrinkInto(frame, sheet_, x + (tileWidth_ - w) / 2, y + (tileHeight_ - h) / 2, w, h);
    drawLabel(sheet_, x, y, index);
}

}  // namespace picture
