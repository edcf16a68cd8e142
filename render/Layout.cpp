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

Layout layoutDial(int32_t canvasWidth, int32_t canvasHeight, float size, float xPosition,
                  float yPosition, float sizeAgain) {
    Layout layout;
    layout.canvasWidth = canvasWidth;
    layout.canvasHeight = canvasHeight;
    layout.dialRadius =
        toInt(static_cast<double>(size) * (static_cast<double>(canvasWidth) * 0.025));
    layout.centreX = centreCoordinate(canvasWidth, xPosition, layout.dialRadius);
    layout.centreY = centreCoordinate(canvasHeight, yPosition, layout.dialRadius);
    layout.centrePixel = {toInt(layout.centreX), toInt(layout.centreY)};
    layout.dotSize = toInt(sizeAgain * 7.0f);
    const int32_t q = mulWrap(2, layout.dotSize) / 3;
    layout.markerRadius = static_cast<float>(addWrap(layout.dialRadius, q));
    return layout;
}

void formRelative(Scene& scene) {
    scene.ballOffset = {scene.ballLocation.X - scene.carLocation.X,
                        scene.ballLocation.Y - scene.carLocation.Y,
                        scene.ballLocation.Z - scene.carLocation.Z};
    scene.relativeVelocity = {scene.carVelocity.X - scene.ballVelocity.X,
                              scene.carVelocity.Y - scene.ballVelocity.Y,
                              scene.carVelocity.Z - scene.ballVelocity.Z};
    const Vector& v = scene.relativeVelocity;
    scene.relativeSpeed = std::sqrt((v.X * v.X + v.Y * v.Y) + v.Z * v.Z);
}

}  // namespace render
