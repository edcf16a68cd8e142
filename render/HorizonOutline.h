#pragma once
// The 40-point outline of the sky region: the horizon half ellipse (points
// 0..19) and the rim half circle (20..39), turned by the roll and placed
// about the float dial centre.
#include <cstdint>

#include "render/Frame.h"

namespace render {

// `rollAngle` is the roll as the target phase left it; `pitchUnits` the raw
// rotator pitch, which alone decides the level-flight branch.
HorizonOutline buildOutline(int32_t dialRadius, float centreX, float centreY, float sinPitch,
                            int32_t pitchUnits, float rollAngle);

}  // namespace render
