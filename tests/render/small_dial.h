#pragma once
#include "render/Frame.h"

// A small dial with round numbers, so that the target tests' dot corners and
// marker points can be checked by hand: radius 100 about (300, 900), a whole
// pixel; dot size 7 (half size 3); marker radius 100 + (2 * 7) / 3 = 104.
inline render::Layout smallDial() {
    render::Layout l;
    l.dialRadius = 100;
    l.dotSize = 7;
    l.centreX = 300.0f;
    l.centreY = 900.0f;
    l.centrePixel = {300, 900};
    l.markerRadius = 104.0f;
    return l;
}
