#include "render/TargetMarker.h"

#include <cmath>
#include <cstring>

#include "render/Numerics.h"

namespace render {

std::array<Vector2, 8> markerShape(float markerRadius) {
    const double l = static_cast<double>(markerRadius);
    const int32_t y0 = toInt(-markerRadius);
    const double y = static_cast<double>(y0);
    // Inner edge at 0.97 and the middle at 1.0 of L, outer edge beyond.
    return {{{toInt(-l * 0.2), toInt(y * 0.97)},
             {toInt(-l * 0.26), toInt(y * 1.11)},
             {toInt(-l * 0.05), y0},
             {toInt(-l * 0.12), toInt(y * 1.15)},
             {toInt(l * 0.05), y0},
             {toInt(l * 0.12), toInt(y * 1.15)},
             {toInt(l * 0.2), toInt(y * 0.97)},
             {toInt(l * 0.26), toInt(y * 1.11)}}};
}

namespace {
// Towards a point relative to the dial centre, in double precision.
float towardsPoint(Vector2 p) {
    return static_cast<float>(std::atan2(static_cast<double>(p.Y), static_cast<double>(p.X)) +
                              HALF_PI_D);
}

// Towards a dot's middle from the float centre; a dot mirrored behind the
// nose gets the half turn back so the marker shows the direction itself.
float towardsDot(const Layout& layout, Vector2 corner, int32_t dotSize, bool behind,
                 bool opposite) {
    const int32_t halfDot = dotSize / 2;  // whole pixels, as the dot is placed
    const float half = static_cast<float>(halfDot);
    const float a = std::atan2((static_cast<float>(corner.Y) - layout.centreY) + half,
                               (static_cast<float>(corner.X) - layout.centreX) + half);
    float angle = opposite ? a - HALF_PI_F : a + HALF_PI_F;
    if (behind) angle += PI_F;
    return angle;
}
}  // namespace

float markerAngle(const Layout& layout, const Attitude& attitude, const TargetDirection& target) {
    switch (target.targetOption) {
        case TargetOption::None:
        case TargetOption::Up:
            return towardsPoint(attitude.zenith);
        case TargetOption::Down:
            return towardsPoint(attitude.nadir);
        case TargetOption::Velocity:
            return towardsDot(layout, target.velocityCorner, target.dotSize, target.velocityBehind,
                              false);
        case TargetOption::VelocityOpposite:
            return towardsDot(layout, target.velocityCorner, target.dotSize, target.velocityBehind,
                              true);
        case TargetOption::Ball:
            return towardsDot(layout, target.ballCorner, target.dotSize, target.ballBehind, false);
        case TargetOption::BallOpposite:
            break;
    }
    // BallOpposite, the one option the switch does not return for.
    return towardsDot(layout, target.ballCorner, target.dotSize, target.ballBehind, true);
}

Vector2 turnPoint(Vector2 point, float cosAngle, float sinAngle) {
    const float x = static_cast<float>(point.X);
    const float y = static_cast<float>(point.Y);
    return {toInt(cosAngle * x - sinAngle * y), toInt(sinAngle * x + cosAngle * y)};
}

TargetMarker buildMarker(const Layout& layout, const Attitude& attitude,
                         const TargetDirection& target, const ControllerInput& input) {
    TargetMarker m;
    // The stick floats are the record's words at byte offsets 4 and 8.
    const auto* bytes = reinterpret_cast<const unsigned char*>(&input);
    std::memcpy(&m.stickX, bytes + 4, sizeof(float));
    std::memcpy(&m.stickY, bytes + 8, sizeof(float));
    m.stickAngle = std::atan2(m.stickY, m.stickX) + HALF_PI_F;

    const std::array<Vector2, 8> shape = markerShape(layout.markerRadius);
    m.indicator = {shape[2], shape[3], shape[4], shape[5]};
    m.markerAngle = markerAngle(layout, attitude, target);
    const float c = std::cos(m.markerAngle);
    const float s = std::sin(m.markerAngle);
    for (std::size_t i = 0; i < shape.size(); ++i) m.points[i] = turnPoint(shape[i], c, s);
    return m;
}

}  // namespace render
