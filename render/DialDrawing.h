#pragma once
// Last stage of the frame when peripheral mode is off: paints the dial.
#include <cstdint>

#include "host/CanvasWrapper.h"
#include "host/Types.h"
#include "render/Frame.h"

namespace render {

// One line from `from` towards `to` (both relative to `origin`), run three
// pixels past `to` so consecutive segments of a polyline meet without gaps.
// Takes its own copy of the canvas handle.
void drawSegment(CanvasWrapper canvas, Vector2 from, Vector2 to, Vector2 origin);

// Draws the dial for a computed frame: background and ground discs, sky,
// horizon and meridian lines, target marker, stick indicator, ball and
// velocity dots, centre symbol. The caller has already checked that
// peripheral mode is off.
void drawDial(const Frame& frame, CanvasWrapper canvas);

}  // namespace render
