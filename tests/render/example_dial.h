#pragma once
#include "render/Frame.h"

// The dial of the worked target examples: radius 100, dot size 7, centre
// (300.0, 900.0), marker radius 104.
inline render::Layout exampleDial() {
    render::Layout l;
    l.dialRadius = 100;
    l.dotSize = 7;
    l.centreX = 300.0f;
    l.centreY = 900.0f;
    l.centrePixel = {300, 900};
    l.markerRadius = 104.0f;
    return l;
}
