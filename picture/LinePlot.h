#pragma once
// Plots drawn straight into a picture: series of values against time as
// lines (or as bars), in panels stacked from top to bottom, each with its own
// vertical range, an axis on the left and below, and a tick every second.
// With words (PlotWords): a title, each panel's name and unit above it with
// its series' legend, the values of its edges and guides beside its axis,
// and the seconds below the time axis.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "canvas/Colour.h"
#include "canvas/Image.h"

namespace picture {

// One series, a value a sample, drawn over the panel's whole width.
struct PlotSeries {
    std::span<const float> values;
    canvas::Rgb8 colour;
    std::string legend;  // in the series' colour above the panel; empty: none
};

struct PlotPanel {
    float low = 0.0f;  // the values at the panel's bottom and top edges (clamped beyond)
    float high = 1.0f;
    int weight = 1;     // the share of the picture's height, against the other panels'
    bool bars = false;  // series drawn as columns from `low` (a strip of flags) rather than lines
    std::vector<float> guides;  // faint horizontal lines at these values
    std::vector<PlotSeries> series;
    std::string name;        // above the panel, with its unit: "stick (-1 to 1)"
    bool edgeValues = true;  // the values of `low`, `high` and the guides beside the axis
};

struct PlotWords {
    std::vector<std::string> title;  // lines at the top, the first larger
    std::string time = "time (s)";
};

// A picture of `width` by `height` (at least 64 each way) with the panels;
// `samplesPerSecond` places the ticks along the time axis.
// `words` null: no text, the panels fill the picture.
canvas::Image drawLinePlot(std::span<const PlotPanel> panels, float samplesPerSecond, int width,
                           int height, const PlotWords* words = nullptr);

}  // namespace picture
