#include "picture/LinePlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace picture {
namespace {

constexpr canvas::Rgb8 kBackground{24, 24, 28};
constexpr canvas::Rgb8 kAxis{150, 150, 150};
constexpr canvas::Rgb8 kGuide{60, 60, 66};
constexpr int kMarginLeft = 48;
constexpr int kMarginRight = 16;
constexpr int kMarginTop = 16;
constexpr int kMarginBottom = 24;
constexpr int kPanelGap = 16;
constexpr int kTick = 5;       // a second's tick, pixels below the axis
constexpr int kLongTick = 10;  // every fifth second
constexpr int kLineWidth = 2;

// A rectangle of the picture, inclusive of its first row and column.
struct Area {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width - 1; }
    int bottom() const { return top + height - 1; }
};

void put(canvas::Image& image, int x, int y, canvas::Rgb8 c) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = image.at(x, y);
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void fill(canvas::Image& image, const Area& a, canvas::Rgb8 c) {
    for (int y = a.top; y <= a.bottom(); ++y)
        for (int x = a.left; x <= a.right(); ++x) put(image, x, y, c);
}

// Bresenham's line, `kLineWidth` pixels thick downwards.
void line(canvas::Image& image, int x0, int y0, int x1, int y1, canvas::Rgb8 c) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        for (int t = 0; t < kLineWidth; ++t) put(image, x0, y0 + t, c);
        if (x0 == x1 && y0 == y1) return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

// Where value `v` of a panel from `low` to `high` is, in the area's rows.
int rowOf(const Area& a, float v, float low, float high) {
    const float share = high > low ? (std::clamp(v, low, high) - low) / (high - low) : 0.0f;
    return a.bottom() - static_cast<int>(std::lround(share * static_cast<float>(a.height - 1)));
}

// Where sample `i` of `count` is, in the area's columns.
int columnOf(const Area& a, std::size_t i, std::size_t count) {
    if (count < 2) return a.left;
    const double share = static_cast<double>(i) / static_cast<double>(count - 1);
    return a.left + static_cast<int>(std::lround(share * (a.width - 1)));
}

void drawSeries(canvas::Image& image, const Area& a, const PlotPanel& panel, const PlotSeries& s) {
    const std::size_t n = s.values.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int x = columnOf(a, i, n);
        const int y = rowOf(a, s.values[i], panel.low, panel.high);
        if (panel.bars) {
            const int next = i + 1 < n ? columnOf(a, i + 1, n) : x + 1;
            for (int column = x; column < std::max(next, x + 1); ++column)
                for (int row = y; row <= a.bottom(); ++row) put(image, column, row, s.colour);
        } else if (i > 0) {
            line(image, columnOf(a, i - 1, n), rowOf(a, s.values[i - 1], panel.low, panel.high), x,
                 y, s.colour);
        } else if (n == 1) {
            line(image, x, y, x, y, s.colour);
        }
    }
}

// The axes on the left and below, and a tick below for every second.
void drawAxes(canvas::Image& image, const Area& a, std::size_t samples, float samplesPerSecond) {
    for (int y = a.top; y <= a.bottom() + 1; ++y) put(image, a.left - 1, y, kAxis);
    for (int x = a.left - 1; x <= a.right(); ++x) put(image, x, a.bottom() + 1, kAxis);
    if (samples < 2 || !(samplesPerSecond > 0.0f)) return;
    const double seconds = static_cast<double>(samples - 1) / samplesPerSecond;
    for (int s = 0; s <= static_cast<int>(seconds); ++s) {
        const double share = s / seconds;
        const int x = a.left + static_cast<int>(std::lround(share * (a.width - 1)));
        const int length = s % 5 == 0 ? kLongTick : kTick;
        for (int t = 1; t <= length; ++t) put(image, x, a.bottom() + 1 + t, kAxis);
    }
}

std::size_t longestSeries(const PlotPanel& panel) {
    std::size_t n = 0;
    for (const PlotSeries& s : panel.series) n = std::max(n, s.values.size());
    return n;
}

}  // namespace

canvas::Image drawLinePlot(std::span<const PlotPanel> panels, float samplesPerSecond, int width,
                           int height) {
    canvas::Image image;
    image.resize(width, height);
    fill(image, {0, 0, width, height}, kBackground);
    int weights = 0;
    for (const PlotPanel& panel : panels) weights += std::max(panel.weight, 1);
    const int gaps = panels.empty() ? 0 : static_cast<int>(panels.size() - 1) * kPanelGap;
    const int room = height - kMarginTop - kMarginBottom - gaps;
    if (weights == 0 || room < static_cast<int>(panels.size())) return image;
    int top = kMarginTop;
    for (const PlotPanel& panel : panels) {
        const Area area{kMarginLeft, top, width - kMarginLeft - kMarginRight,
                        std::max(1, room * std::max(panel.weight, 1) / weights)};
        for (float guide : panel.guides) {
            const int y = rowOf(area, guide, panel.low, panel.high);
            for (int x = area.left; x <= area.right(); ++x) put(image, x, y, kGuide);
        }
        for (const PlotSeries& s : panel.series) drawSeries(image, area, panel, s);
        drawAxes(image, area, longestSeries(panel), samplesPerSecond);
        top += area.height + kPanelGap;
    }
    return image;
}

}  // namespace picture
