#pragma once
// Last stage of the frame when peripheral mode is on: one translucent band
// around a point below the middle of the screen, towards the target.
#include <cstdint>

#include "host/CanvasWrapper.h"
#include "render/Frame.h"
#include "render/TargetOption.h"

namespace render {

// Draws the band for a computed frame. The caller has already checked that
// peripheral mode is on; `target` is the option it read for this stage (None
// draws nothing).
void drawPeripheral(const Frame& frame, CanvasWrapper canvas, TargetOption target);

}  // namespace render
