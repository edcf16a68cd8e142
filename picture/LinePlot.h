#pragma once
// Plots drawn straight into a picture: series of values against time as
// lines (or as bars), in panels stacked from top to bottom, each with its own
// vertical range, an axis on the left and below, and a tick every second.
// No text: what the panels are is for the caller to say beside the picture.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "canvas/Colour.h"
#include "canvas/Image.h"

namespace picture {

// One series, a value a sample, drawn over the panel's whole width.
struct PlotSeries {
    std::span<const float> values;
    canvas::Rgb8 colour;
};

struct PlotPanel {
    float low = 0.0f;  // the values at the panel's bottom and top edges (clamped beyond)
    float high = 1.0f;
    int weight = 1;     // the share of the picture's height, against the other panels'
    bool bars = false;  // series drawn as columns from `low` (a strip of flags) rather than lines
    std::vector<float> guides;  // faint horizontal lines at these values
    std::vector<PlotSeries> series;
};

// A picture of `width` by `height` (at least 64 each way) with the panels;
// `samplesPerSecond` places the ticks along the time axis.
canvas::Image drawLinePlot(std::span<const PlotPanel> panels, float samplesPerSecond, int width,
                           int height);

}  // namespace picture
