#pragma once
// The arrow-shaped target marker at the dial's rim, its angle for the target
// option, and the stick angle.
#include <array>
#include <cstdint>

#include "host/Types.h"
#include "render/Frame.h"

namespace render {

// The marker's eight points before turning, for the given marker radius.
std::array<Vector2, 8> markerShape(float markerRadius);

// The angle that turns the marker towards the target option's point.
float markerAngle(const Layout& layout, const Attitude& attitude, const TargetDirection& target);

// Turns an integer point by the angle whose single-precision cosine and sine
// are given (clockwise on the canvas for positive angles), truncating.
Vector2 turnPoint(Vector2 point, float cosAngle, float sinAngle);

TargetMarker buildMarker(const Layout& layout, const Attitude& attitude,
                         const TargetDirection& target, const ControllerInput& input);

}  // namespace render
