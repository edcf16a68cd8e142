#include "sandbox/Attitude.h"

#include <cmath>
#include <cstdint>

namespace sandbox {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerUnit = kPi / 32768.0;

// Below this horizontal length of the nose (about 1/100 of a rotator unit
// from vertical) yaw and roll can no longer be told apart.
constexpr double kVerticalNose = 1e-6;

int32_t unitsOf(double radians) {
    return static_cast<int32_t>(std::lround(radians / kRadiansPerUnit));
}

Vec3 normalised(Vec3 v) { return v * (1.0f / length(v)); }

// v turned by `angle` about the unit axis k (Rodrigues' formula).
Vec3 turned(Vec3 v, Vec3 k, float cosAngle, float sinAngle) {
    return v * cosAngle + cross(k, v) * sinAngle + k * (dot(k, v) * (1.0f - cosAngle));
}

}  // namespace

int32_t wrapRotatorUnits(int32_t units) {
    const int32_t turn = kRotatorUnitsPerTurn;
    int32_t u = units % turn;
    if (u >= turn / 2) u -= turn;
    if (u < -turn / 2) u += turn;
    return u;
}

Orientation orientationFromRotator(Rotator rotator) {
    const double p = rotator.Pitch * kRadiansPerUnit;
    const double y = rotator.Yaw * kRadiansPerUnit;
    const double r = rotator.Roll * kRadiansPerUnit;
    const double sp = std::sin(p), cp = std::cos(p);
    const double sy = std::sin(y), cy = std::cos(y);
    const double sr = std::sin(r), cr = std::cos(r);
    auto vec = [](double x, double yy, double z) {
        return Vec3{static_cast<float>(x), static_cast<float>(yy), static_cast<float>(z)};
    };
    return {vec(cp * cy, cp * sy, sp),
            vec(sr * sp * cy - cr * sy, sr * sp * sy + cr * cy, -sr * cp),
            vec(-(cr * sp * cy + sr * sy), cy * sr - cr * sp * sy, cr * cp)};
}

Rotator toRotator(const Orientation& a) {
    const double fx = a.forward.x, fy = a.forward.y, fz = a.forward.z;
    const double horizontal = std::hypot(fx, fy);
    const double pitch = std::atan2(fz, horizontal);
    Rotator out;
    out.Pitch = unitsOf(pitch);
    if (horizontal < kVerticalNose) {
        // Nose vertical: with Roll 0 the right axis is (-sin Y, cos Y, 0).
        out.Yaw = wrapRotatorUnits(unitsOf(std::atan2(-double(a.right.x), double(a.right.y))));
        out.Roll = 0;
    } else {
        out.Yaw = wrapRotatorUnits(unitsOf(std::atan2(fy, fx)));
        // right.z = -sin R cos P and up.z = cos R cos P, with cos P > 0.
        out.Roll = wrapRotatorUnits(unitsOf(std::atan2(-double(a.right.z), double(a.up.z))));
    }
    return out;
}

Orientation orthonormalised(const Orientation& a) {
    const Vec3 forward = normalised(a.forward);
    const Vec3 right = normalised(a.right - forward * dot(a.right, forward));
    return {forward, right, cross(forward, right)};
}

Orientation rotated(const Orientation& a, Vec3 spin, float seconds) {
    const float speed = length(spin);
    if (speed == 0.0f) return a;
    const Vec3 axis = spin * (1.0f / speed);
    const float angle = speed * seconds;
    const float c = std::cos(angle), s = std::sin(angle);
    return {turned(a.forward, axis, c, s), turned(a.right, axis, c, s), turned(a.up, axis, c, s)};
}

Orientation levelOrientation(float heading) {
    const float c = std::cos(heading), s = std::sin(heading);
    return {{c, s, 0.0f}, {-s, c, 0.0f}, {0.0f, 0.0f, 1.0f}};
}

float headingOf(const Orientation& a) {
    if (std::hypot(a.forward.x, a.forward.y) > 1e-3f) return std::atan2(a.forward.y, a.forward.x);
    // Nose up: the roof faces back along the heading; nose down: forward.
    const float side = a.forward.z > 0.0f ? -1.0f : 1.0f;
    return std::atan2(side * a.up.y, side * a.up.x);
}

float angleToVertical(const Orientation& a) {
    const float upZ = a.up.z > 1.0f ? 1.0f : (a.up.z < -1.0f ? -1.0f : a.up.z);
    return std::acos(upZ);
}

float angleBetween(Vec3 a, Vec3 b) { return std::atan2(length(cross(a, b)), dot(a, b)); }

Vec3 turnBetween(const Orientation& from, const Orientation& to) {
    // The turn's matrix is the sum of to_i from_i^T over the three axes. Half
    // the sum of the cross products is its axis times the sine of the angle;
    // its trace is 1 + 2 cos(angle).
    const Vec3 axisSine =
        (cross(from.forward, to.forward) + cross(from.right, to.right) + cross(from.up, to.up)) *
        0.5f;
    const float cosine =
        (dot(from.forward, to.forward) + dot(from.right, to.right) + dot(from.up, to.up) - 1.0f) *
        0.5f;
    const float sine = length(axisSine);
    const float angle = std::atan2(sine, cosine);
    if (sine > 1e-4f) return axisSine * (angle / sine);
    if (cosine > 0.0f) return axisSine;  // a tiny turn: the sine is the angle
    // Half a turn: the matrix M is 2 k k^T - I, so (M + I) / 2 = k k^T; its
    // column with the largest diagonal entry is the axis k, scaled.
    auto component = [](Vec3 v, int n) { return n == 0 ? v.x : (n == 1 ? v.y : v.z); };
    const Vec3 fromAxes[3] = {from.forward, from.right, from.up};
    const Vec3 toAxes[3] = {to.forward, to.right, to.up};
    Vec3 best{};
    float bestDiagonal = -2.0f;
    for (int n = 0; n < 3; ++n) {
        Vec3 column{n == 0 ? 1.0f : 0.0f, n == 1 ? 1.0f : 0.0f, n == 2 ? 1.0f : 0.0f};
        for (int i = 0; i < 3; ++i) column += toAxes[i] * component(fromAxes[i], n);
        if (component(column, n) > bestDiagonal) {
            bestDiagonal = component(column, n);
            best = column;
        }
    }
    return best * (angle / length(best));
}

Orientation orientationWithNose(Vec3 forward, float roll) {
    const Vec3 flatRight{-forward.y, forward.x, 0.0f};  // cross(world up, forward)
    const float across = length(flatRight);
    const Vec3 right0 = across > 1e-6f ? flatRight * (1.0f / across) : Vec3{0.0f, 1.0f, 0.0f};
    const Orientation level = orthonormalised({forward, right0, cross(forward, right0)});
    return orthonormalised(rotated(level, forward * roll, 1.0f));
}

AxisRates ratesInCarAxes(const Orientation& a, Vec3 spin) {
    return {-dot(spin, a.forward), -dot(spin, a.right), dot(spin, a.up)};
}

Vec3 spinFromCarRates(const Orientation& a, AxisRates rates) {
    return a.forward * -rates.roll + a.right * -rates.pitch + a.up * rates.yaw;
}

}  // namespace sandbox
