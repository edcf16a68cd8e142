#include "render/TargetDirection.h"

#include <cmath>

#include "render/Attitude.h"
#include "render/Numerics.h"

namespace render {

float offNoseAngle(float dot, float lengthProduct) {
    float q = dot / lengthProduct;
    if (q > 1.0f) {
        q = 1.0f;
    } else if (q < -1.0f) {
        q = -1.0f;
    }
    return std::acos(q);
}

Vector2 dialPoint(float bearing, float offNose, int32_t dialRadius) {
    const float r = static_cast<float>(dialRadius);
    return {toInt((std::sin(bearing) * r) * std::sin(offNose)),
            toInt(std::cos(bearing) * (std::sin(offNose) * -r))};
}

Vector2 dotCorner(Vector2 point, float turn, Vector2 centre, int32_t halfSize) {
    const float x = static_cast<float>(point.X);
    const float y = static_cast<float>(point.Y);
    const float c = std::cos(turn);
    const float s = std::sin(turn);
    return {subWrap(addWrap(toInt(c * x - s * y), centre.X), halfSize),
            subWrap(addWrap(toInt(s * x + c * y), centre.Y), halfSize)};
}

namespace {
// A dot behind the nose is mirrored through the centre (a further half turn)
// and drawn two thirds the size; the roll is handed on with the half turn
// added and taken off again in single precision.
Vector2 placeBehind(Vector2 point, const Layout& layout, TargetDirection& target) {
    const float turn = target.rollAngle + PI_F;
    const int32_t small = mulWrap(2, target.dotSize) / 3;
    const Vector2 corner = dotCorner(point, turn, layout.centrePixel, small / 2);
    target.dotSize = mulWrap(3, small) / 2;
    target.rollAngle = turn + (-PI_F);
    return corner;
}
}  // namespace

TargetDirection placeTargets(const Layout& layout, const Attitude& attitude, const Scene& scene,
                             TargetReader readTarget) {
    TargetDirection t;
    t.dotSize = layout.dotSize;
    t.rollAngle = attitude.roll;
    t.markerVisible = true;

    const float fx = attitude.forwardX;
    const float fy = attitude.forwardY;
    const float fz = attitude.sinPitch;
    t.forwardLength = std::sqrt((fx * fx + fy * fy) + fz * fz);

    // Ball dot.
    const Vector d = scene.ballOffset;
    t.ballBearing = std::atan2(turnedY(attitude, d), turnedX(attitude, d)) - attitude.yaw;
    const float ballLength = std::sqrt((d.X * d.X + d.Y * d.Y) + d.Z * d.Z);
    t.ballOffNose = offNoseAngle((d.Y * fy + d.X * fx) + d.Z * fz, ballLength * t.forwardLength);
    t.ballDialPoint = dialPoint(t.ballBearing, t.ballOffNose, layout.dialRadius);
    if (t.ballOffNose <= HALF_PI_F) {
        t.ballCorner = dotCorner(t.ballDialPoint, t.rollAngle, layout.centrePixel, t.dotSize / 2);
    } else {  // behind, or NaN
        t.ballBehind = true;
        t.ballCorner = placeBehind(t.ballDialPoint, layout, t);
    }

    // Velocity dot, with the dot size the ball left.
    const Vector v = scene.relativeVelocity;
    t.velocityBearing = std::atan2(turnedY(attitude, v), turnedX(attitude, v)) - attitude.yaw;
    const float thetaV =
        offNoseAngle((v.X * fx + v.Y * fy) + v.Z * fz, scene.relativeSpeed * t.forwardLength);
    t.velocityOffNose = std::fabs(thetaV);
    t.velocityDialPoint = dialPoint(t.velocityBearing, thetaV, layout.dialRadius);
    if (scene.relativeSpeed < kVelocityCueMinSpeed) {
        // Too slow to show a direction: no dot, and no marker that follows it.
        // The option is read a second time unless the first read is Velocity.
        t.velocityCorner = t.velocityDialPoint;
        if (readTarget() == TargetOption::Velocity ||
            readTarget() == TargetOption::VelocityOpposite) {
            t.markerVisible = false;
        }
    } else if (t.velocityOffNose < HALF_PI_F) {
        t.velocityCorner =
            dotCorner(t.velocityDialPoint, t.rollAngle, layout.centrePixel, t.dotSize / 2);
    } else {  // behind, or NaN
        t.velocityBehind = true;
        t.velocityCorner = placeBehind(t.velocityDialPoint, layout, t);
    }

    // The chosen target. The two opposite directions look alike but sum their
    // dot products in different orders (x first, y first), which decides the
    // last bit of the angle, so each keeps its own lines.
    t.targetOption = readTarget();
    switch (t.targetOption) {
        case TargetOption::None:
            t.markerVisible = false;
            [[fallthrough]];
        case TargetOption::Up:
            t.targetOffNose = offNoseAngle(fz, t.forwardLength);
            break;
        case TargetOption::Down:
            t.targetOffNose = offNoseAngle(fz * -1.0f, t.forwardLength);
            break;
        case TargetOption::Velocity:
            t.targetOffNose = thetaV;
            break;
        case TargetOption::VelocityOpposite: {
            const Vector n{-v.X, -v.Y, -v.Z};
            const float length = std::sqrt((n.X * n.X + n.Y * n.Y) + n.Z * n.Z);
            t.targetOffNose =
                offNoseAngle((n.X * fx + n.Y * fy) + n.Z * fz, length * t.forwardLength);
            break;
        }
        case TargetOption::Ball:
            t.targetOffNose = t.ballOffNose;
            break;
        case TargetOption::BallOpposite: {
            const Vector n{-d.X, -d.Y, -d.Z};
            const float length = std::sqrt((n.X * n.X + n.Y * n.Y) + n.Z * n.Z);
            t.targetOffNose =
                offNoseAngle((n.Y * fy + n.X * fx) + n.Z * fz, length * t.forwardLength);
            break;
        }
    }
    return t;
}

}  // namespace render
