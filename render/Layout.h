#pragma once
// Dial layout from the canvas size and the console variables, and the scene
// values formed from the car and the ball.
#include <cstdint>

#include "host/Types.h"
#include "render/Frame.h"

namespace render {

// A canvas with no area gets nothing drawn: the layout would divide by its
// width or height.
constexpr bool canvasUsable(int32_t width, int32_t height) { return width > 0 && height > 0; }

// `size` and `sizeAgain` are the two getSize() reads of the frame: the first
// sets the dial radius, the second the dot size.
Layout layoutDial(int32_t canvasWidth, int32_t canvasHeight, float size, float xPosition,
                  float yPosition, float sizeAgain);

// Fills the ball offset, the relative velocity and the relative speed from
// the four actor vectors already in `scene`.
void formRelative(Scene& scene);

}  // namespace render
