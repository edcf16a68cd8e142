#include "render/Layout.h"

#include <cmath>

#include "render/Numerics.h"

namespace render {

namespace {
// Position 0 puts the centre 1.1 R from the near edge, position 1 puts it
// 1.1 R from the far edge.
float centreCoordinate(int32_t extent, float position, int32_t radius) {
    const float p = static_cast<float>(extent) * position;
    const double e = static_cast<double>(extent);
    const double r = static_cast<double>(radius);
    return static_cast<float>(static_cast<double>(p) * (e - r * 2.2) / e + r * 1.1);
}
}  // namespace

Layout layoutDial(int32_t canvasW, int32_t canvasH, float size, float xPosition, float yPosition,
                  float sizeAgain) {
    Layout l;
    l.canvasWidth = canvasW;
    l.canvasHeight = canvasH;
    l.dialRadius = toInt(static_cast<double>(size) * (static_cast<double>(canvasW) * 0.025));
    l.centreX = centreCoordinate(canvasW, xPosition, l.dialRadius);
    l.centreY = centreCoordinate(canvasH, yPosition, l.dialRadius);
    l.centrePixel = {toInt(l.centreX), toInt(l.centreY)};
    l.dotSize = toInt(sizeAgain * 7.0f);
    const int32_t q = mulWrap(2, l.dotSize) / 3;
    l.markerRadius = static_cast<float>(addWrap(l.dialRadius, q));
    return l;
}

void formRelative(Scene& s) {
    s.ballOffset = {s.ballLocation.X - s.carLocation.X, s.ballLocation.Y - s.carLocation.Y,
                    s.ballLocation.Z - s.carLocation.Z};
    s.relativeVelocity = {s.carVelocity.X - s.ballVelocity.X, s.carVelocity.Y - s.ballVelocity.Y,
                          s.carVelocity.Z - s.ballVelocity.Z};
    const Vector& v = s.relativeVelocity;
    s.relativeSpeed = std::sqrt((v.X * v.X + v.Y * v.Y) + v.Z * v.Z);
}

}  // namespace render
