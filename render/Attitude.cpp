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
    a.sinPitch = std::sin(a.pitch);
    a.cosPitch = std::cos(a.pitch);
    a.cosYaw = std::cos(a.yaw);
    a.cosRoll = std::cos(a.roll);
    a.sinRoll = std::sin(a.roll);

    // The forward direction's x and y from pitch P and yaw Y: |cos P| cos Y,
    // and |cos P| |sin Y| signed like the yaw angle itself.
    const double cosP = a.cosPitch;
    const double cosY = a.cosYaw;
    const double sinP = a.sinPitch;
    a.forwardX = static_cast<float>(
        std::copysign(std::sqrt(std::pow(cosP, 2.0) * std::pow(cosY, 2.0)), cosY));
    const double tanY = std::tan(a.yaw);
    a.forwardY = static_cast<float>(
        std::copysign(std::sqrt((1.0 - std::pow(sinP, 2.0)) / (1.0 / std::pow(tanY, 2.0) + 1.0)),
                      static_cast<double>(a.yaw)));

    // Zenith and nadir: the points (0, +-R cos P) for dial radius R, turned by
    // the roll, truncated at each step.
    const float r = static_cast<float>(dialRadius);
    const float h = static_cast<float>(toInt(r * a.cosPitch));
    a.zenith = {toInt(-(h * a.sinRoll)), toInt(h * a.cosRoll)};
    const float hn = static_cast<float>(toInt(-r * a.cosPitch));
    a.nadir = {toInt(-(hn * a.sinRoll)), toInt(hn * a.cosRoll)};

    // The level rotation: by -|pi/2 - P| about the horizontal axis
    // (forwardY, -forwardX, 0)/n; only the rows for x and y.
    const float theta =
        static_cast<float>(std::copysign(static_cast<double>(HALF_PI_F - a.pitch), -1.0));
    const float n = std::sqrt(((-a.forwardX) * (-a.forwardX) + a.forwardY * a.forwardY) + 0.0f);
    const float ax = a.forwardY / n;
    const float ay = (a.forwardX * -1.0f) / n;
    const float c = std::cos(theta);
    const float t = 1.0f - c;
    const float s = std::sin(theta);
    a.levelXX = std::pow(ax, 2.0f) * t + c;
    a.levelYY = std::pow(ay, 2.0f) * t + c;
    a.levelXY = (ay * ax) * t;
    a.levelYX = a.levelXY;
    a.levelXZ = -(s * ay);
    a.levelYZ = s * ax;
    return a;
}

float turnedY(const Attitude& attitude, Vector direction) {
    return (direction.Y * attitude.levelYY + direction.X * attitude.levelYX) +
           direction.Z * attitude.levelYZ;
}

float turnedX(const Attitude& attitude, Vector direction) {
    return (direction.Y * attitude.levelXY + direction.X * attitude.levelXX) +
           direction.Z * attitude.levelXZ;
}

}  // namespace render
