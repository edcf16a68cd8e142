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

// Into -32768..32767.
int32_t wrapUnits(int32_t units) {
    const int32_t turn = kRotatorUnitsPerTurn;
    int32_t u = units % turn;
    if (u >= turn / 2) u -= turn;
    if (u < -turn / 2) u += turn;
    return u;
}

Vec3 normalised(Vec3 v) { return v * (1.0f / length(v)); }

// v turned by `angle` about the unit axis k (Rodrigues' formula).
Vec3 turned(Vec3 v, Vec3 k, float cosAngle, float sinAngle) {
    return v * cosAngle + cross(k, v) * sinAngle + k * (dot(k, v) * (1.0f - cosAngle));
}

}  // namespace

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
        out.Yaw = wrapUnits(unitsOf(std::atan2(-double(a.right.x), double(a.right.y))));
        out.Roll = 0;
    } else {
        out.Yaw = wrapUnits(unitsOf(std::atan2(fy, fx)));
        // right.z = -sin R cos P and up.z = cos R cos P, with cos P > 0.
        out.Roll = wrapUnits(unitsOf(std::atan2(-double(a.right.z), double(a.up.z))));
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

AxisRates ratesInCarAxes(const Orientation& a, Vec3 spin) {
    return {-dot(spin, a.forward), -dot(spin, a.right), dot(spin, a.up)};
}

Vec3 spinFromCarRates(const Orientation& a, AxisRates rates) {
    return a.forward * -rates.roll + a.right * -rates.pitch + a.up * rates.yaw;
}

}  // namespace sandbox
