#include "picture/LinePlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "picture/TextPainter.h"

namespace picture {
namespace {

constexpr canvas::Rgb8 kBackground{24, 24, 28};
constexpr canvas::Rgb8 kAxis{150, 150, 150};
constexpr canvas::Rgb8 kGuide{60, 60, 66};
constexpr canvas::Rgb8 kWords{240, 240, 240};
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

// The margins: without words as before; with words room for the title,
// the panels' names above them, the values left of the axis and the seconds
// below it.
struct Margins {
    int left = kMarginLeft, right = kMarginRight, top = kMarginTop, bottom = kMarginBottom;
    int gap = kPanelGap;
};

std::string valueText(float v) {
    char text[32];
    if (v == std::round(v))
        std::snprintf(text, sizeof text, "%.0f", static_cast<double>(v));
    else
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(v));
    return text;
}

// The panel's name at its upper left and its series' legend at its upper
// right, a line above it; its edges' and guides' values left of the axis.
void drawPanelWords(canvas::Image& image, const Area& a, const PlotPanel& panel,
                    const TextPainter& text, const TextPainter& small) {
    const int above = a.top - text.lineHeight() - 3;
    text.draw(image, a.left, above, panel.name, kWords);
    int right = a.right();
    for (auto it = panel.series.rbegin(); it != panel.series.rend(); ++it) {
        if (it->legend.empty()) continue;
        text.draw(image, right, above, it->legend, it->colour, TextAlign::Right);
        right -= text.width(it->legend) + text.lineHeight();
    }
    if (!panel.edgeValues) return;
    std::vector<float> values = panel.guides;
    values.push_back(panel.low);
    values.push_back(panel.high);
    for (float v : values) {
        const int y = rowOf(a, v, panel.low, panel.high) - small.lineHeight() / 2;
        const int clamped =
            std::clamp(y, a.top - small.lineHeight() / 2, a.bottom() - small.lineHeight() / 2);
        small.draw(image, a.left - 6, clamped, valueText(v), kWords, TextAlign::Right);
    }
}

// The seconds under the time axis: every second, or every fifth when they
// would crowd.
void drawSeconds(canvas::Image& image, const Area& a, std::size_t samples, float samplesPerSecond,
                 const TextPainter& small, const std::string& label) {
    if (samples < 2 || !(samplesPerSecond > 0.0f)) return;
    const double seconds = static_cast<double>(samples - 1) / samplesPerSecond;
    const double pixelsPerSecond = (a.width - 1) / seconds;
    const int step = pixelsPerSecond >= 3.0 * small.width("00") ? 1 : 5;
    const int y = a.bottom() + 2 + kLongTick;
    for (int s = 0; s <= static_cast<int>(seconds); s += step) {
        const int x = a.left + static_cast<int>(std::lround(s / seconds * (a.width - 1)));
        small.draw(image, x, y, std::to_string(s), kWords, TextAlign::Centre);
    }
    small.draw(image, a.right(), y + small.lineHeight(), label, kWords, TextAlign::Right);
}

}  // namespace

canvas::Image drawLinePlot(std::span<const PlotPanel> panels, float samplesPerSecond, int width,
                           int height, const PlotWords* words) {
    canvas::Image image;
    image.resize(width, height);
    fill(image, {0, 0, width, height}, kBackground);
    // Text sized to the picture: a 600-pixel-high plot has 16-pixel words.
    const float textPixels = std::max(10.0f, static_cast<float>(height) / 37.5f);
    std::optional<TextPainter> text, small, large;
    Margins m;
    if (words != nullptr) {
        text.emplace(textPixels);
        small.emplace(textPixels * 0.85f);
        large.emplace(textPixels * 1.3f);
        m.left = small->width("-180") + 16;
        m.right = 24;
        m.top = large->lineHeight() + 8 +
                static_cast<int>(words->title.size() > 1 ? words->title.size() - 1 : 0) *
                    (text->lineHeight() + 2) +
                text->lineHeight() + 10;
        m.bottom = kLongTick + 6 + 2 * small->lineHeight() + 4;
        m.gap = text->lineHeight() + 12;
    }
    int weights = 0;
    for (const PlotPanel& panel : panels) weights += std::max(panel.weight, 1);
    const int gaps = panels.empty() ? 0 : static_cast<int>(panels.size() - 1) * m.gap;
    const int room = height - m.top - m.bottom - gaps;
    if (weights == 0 || room < static_cast<int>(panels.size())) return image;
    if (words != nullptr) {
        int y = 6;
        for (std::size_t i = 0; i < words->title.size(); ++i) {
            const TextPainter& painter = i == 0 ? *large : *text;
            painter.draw(image, m.left, y, words->title[i], kWords);
            y += painter.lineHeight() + 2;
        }
    }
    int top = m.top;
    for (std::size_t p = 0; p < panels.size(); ++p) {
        const PlotPanel& panel = panels[p];
        const Area area{m.left, top, width - m.left - m.right,
                        std::max(1, room * std::max(panel.weight, 1) / weights)};
        for (float guide : panel.guides) {
            const int y = rowOf(area, guide, panel.low, panel.high);
            for (int x = area.left; x <= area.right(); ++x) put(image, x, y, kGuide);
        }
        for (const PlotSeries& s : panel.series) drawSeries(image, area, panel, s);
        drawAxes(image, area, longestSeries(panel), samplesPerSecond);
        if (words != nullptr) {
            drawPanelWords(image, area, panel, *text, *small);
            if (p + 1 == panels.size())
                drawSeconds(image, area, longestSeries(panel), samplesPerSecond, *small,
                            words->time);
        }
        top += area.height + m.gap;
    }
    return image;
}

}  // namespace picture
