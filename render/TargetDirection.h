#pragma once
// Ball offset and relative velocity on the dial: bearing, off-nose angle,
// dial point and dot; the marker visible flag and the chosen target's
// off-nose angle.
#include <cstdint>

#include "host/Types.h"
#include "render/Frame.h"
#include "render/TargetOption.h"

namespace render {

// Reads the target option at the moment the phase needs it (the frame reads
// it up to three times). `read` gives the console variable's integer; every
// read maps it with targetOptionFromInt. A plain function reference: nothing
// allocates.
struct TargetReader {
    int32_t (*read)(const void* context) = nullptr;
    const void* context = nullptr;
    TargetOption operator()() const { return targetOptionFromInt(read(context)); }
};

// acosf of the normalised dot product, the quotient kept inside [-1, 1] so
// that rounding cannot turn a direction straight ahead or behind into NaN.
// A NaN quotient (zero-length vector) stays NaN.
float offNoseAngle(float dot, float lengthProduct);

// Dial point of a direction with the given bearing and off-nose angle.
Vector2 dialPoint(float bearing, float offNose, int32_t dialRadius);

// Top-left corner of a dot: the dial point turned by `turn`, moved by the
// centre, less the half size.
Vector2 dotCorner(Vector2 point, float turn, Vector2 centre, int32_t halfSize);

TargetDirection placeTargets(const Layout& layout, const Attitude& attitude, const Scene& scene,
                             TargetReader readTarget);

}  // namespace render
