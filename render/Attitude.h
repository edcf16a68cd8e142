#pragma once
// The car's attitude: angles, forward direction, zenith and nadir points on
// the dial, and the level rotation that carries the nose onto world up.
#include <cstdint>

#include "host/Types.h"
#include "render/Frame.h"

namespace render {

// Rotator units (65536 a turn) to radians, two single-precision products.
float unitsToRadians(int32_t units);

Attitude solveAttitude(Rotator rotation, int32_t dialRadius);

// A world vector's turned y and turned x under the level rotation.
float turnedY(const Attitude& attitude, Vector direction);
float turnedX(const Attitude& attitude, Vector direction);

}  // namespace render
