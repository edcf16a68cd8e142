#include "render/Attitude.h"

#include <cmath>

#include "render/Numerics.h"

namespace render {

float unitsToRadians(int32_t units) { return static_cast<float>(units) * PI_F * 3.0517578e-05f; }

Attitude solveAttitude(Rotator rotation, int32_t dialRadius) {
    Attitude a;
    a.pitch = unitsToRadians(rotation.Pitch);
    a.yaw = unitsToRadians(rotation.Yaw);
    a.roll = unitsToRadians(rotation.Roll);
    a.sinP = std::sin(a.pitch);
    a.cosP = std::cos(a.pitch);
    a.cosY = std::cos(a.yaw);
    a.cosRl = std::cos(a.roll);
    a.sinRl = std::sin(a.roll);

    // |cos P| cos Y, and |cos P| |sin Y| signed like the yaw angle itself.
    const double cosP = a.cosP;
    const double cosY = a.cosY;
    const double sinP = a.sinP;
    a.fx = static_cast<float>(
        std::copysign(std::sqrt(std::pow(cosP, 2.0) * std::pow(cosY, 2.0)), cosY));
    const double tanY = std::tan(a.yaw);
    a.fy = static_cast<float>(
        std::copysign(std::sqrt((1.0 - std::pow(sinP, 2.0)) / (1.0 / std::pow(tanY, 2.0) + 1.0)),
                      static_cast<double>(a.yaw)));

    // (0, +-R cos P) turned by the roll, truncated at each step.
    const float r = static_cast<float>(dialRadius);
    const float h = static_cast<float>(toInt(r * a.cosP));
    a.zenith = {toInt(-(h * a.sinRl)), toInt(h * a.cosRl)};
    const float hn = static_cast<float>(toInt(-r * a.cosP));
    a.nadir = {toInt(-(hn * a.sinRl)), toInt(hn * a.cosRl)};

    // Rotation by -|pi/2 - P| about the horizontal axis (fy, -fx, 0)/n; only
    // the rows for x and y.
    const float theta =
        static_cast<float>(std::copysign(static_cast<double>(HALF_PI_F - a.pitch), -1.0));
    const float n = std::sqrt(((-a.fx) * (-a.fx) + a.fy * a.fy) + 0.0f);
    const float ax = a.fy / n;
    const float ay = (a.fx * -1.0f) / n;
    const float c = std::cos(theta);
    const float t = 1.0f - c;
    const float s = std::sin(theta);
    a.mxx = std::pow(ax, 2.0f) * t + c;
    a.myy = std::pow(ay, 2.0f) * t + c;
    a.mxy = (ay * ax) * t;
    a.myx = a.mxy;
    a.mxz = -(s * ay);
    a.myz = s * ax;
    return a;
}

float turnedY(const Attitude& a, Vector d) { return (d.Y * a.myy + d.X * a.myx) + d.Z * a.myz; }

float turnedX(const Attitude& a, Vector d) { return (d.Y * a.mxy + d.X * a.mxx) + d.Z * a.mxz; }

}  // namespace render
