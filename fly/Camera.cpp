#include "fly/Camera.h"

#include <algorithm>
#include <cmath>

#include "sandbox/Attitude.h"

namespace fly {
namespace {

constexpr float kDegrees = 3.14159265358979f / 180.0f;
// The ball camera's view never tilts closer to vertical than this, where the
// look-at's up direction would be lost.
constexpr float kSteepestLook = 80.0f * kDegrees;
// Never under the floor.
constexpr float kLowestEye = 10.0f;

Vec3 normalised(Vec3 v) {
    const float len = sandbox::length(v);
    return len > 0.0f ? v * (1.0f / len) : v;
}

Vec3 flatDirection(float heading) { return {std::cos(heading), std::sin(heading), 0.0f}; }

CameraPose behind(Vec3 carLocation, Vec3 flat) {
    CameraPose pose;
    pose.eye = carLocation - flat * kCameraDistance + Vec3{0.0f, 0.0f, kCameraHeight};
    pose.eye.z = std::max(pose.eye.z, kLowestEye);
    return pose;
}

}  // namespace

CameraPose chaseCamera(const sandbox::CarState& car) {
    const Vec3 flat = flatDirection(sandbox::headingOf(car.attitude));
    CameraPose pose = behind(car.location, flat);
    const float pitch = kCameraPitchDegrees * kDegrees;
    pose.target = pose.eye + flat * std::cos(pitch) + Vec3{0.0f, 0.0f, std::sin(pitch)};
    return pose;
}

CameraPose ballCamera(const sandbox::CarState& car, const sandbox::BallState& ball) {
    Vec3 toBall = ball.location - car.location;
    toBall.z = 0.0f;
    const Vec3 flat = sandbox::length(toBall) > 1.0f
                          ? normalised(toBall)
                          : flatDirection(sandbox::headingOf(car.attitude));
    CameraPose pose = behind(car.location, flat);
    // Towards the ball, the tilt kept off vertical.
    const Vec3 look = ball.location - pose.eye;
    const float across = std::hypot(look.x, look.y);
    const float tilt =
        std::clamp(std::atan2(look.z, std::max(across, 1e-3f)), -kSteepestLook, kSteepestLook);
    pose.target = pose.eye + flat * std::cos(tilt) + Vec3{0.0f, 0.0f, std::sin(tilt)};
    return pose;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, col);
            r.at(row, col) = sum;
        }
    return r;
}

Mat4 viewProjection(const CameraPose& pose, float aspect) {
    const Vec3 f = normalised(pose.target - pose.eye);
    const Vec3 s = normalised(sandbox::cross(f, Vec3{0.0f, 0.0f, 1.0f}));
    const Vec3 u = sandbox::cross(s, f);
    Mat4 view;
    const Vec3 rows[3] = {s, u, -f};
    for (int r = 0; r < 3; ++r) {
        view.at(r, 0) = rows[r].x;
        view.at(r, 1) = rows[r].y;
        view.at(r, 2) = rows[r].z;
        view.at(r, 3) = -sandbox::dot(rows[r], pose.eye);
    }
    const float across = 1.0f / std::tan(kFieldOfViewDegrees * kDegrees * 0.5f);
    Mat4 projection;
    projection.at(0, 0) = -across;  // the flip for the left-handed world
    projection.at(1, 1) = across * aspect;
    projection.at(2, 2) = (kFarPlane + kNearPlane) / (kNearPlane - kFarPlane);
    projection.at(2, 3) = 2.0f * kFarPlane * kNearPlane / (kNearPlane - kFarPlane);
    projection.at(3, 2) = -1.0f;
    projection.at(3, 3) = 0.0f;
    return projection * view;
}

Mat4 bodyMatrix(Vec3 location, const sandbox::Orientation& attitude) {
    Mat4 m;
    const Vec3 columns[4] = {attitude.forward, attitude.right, attitude.up, location};
    for (int c = 0; c < 4; ++c) {
        m.at(0, c) = columns[c].x;
        m.at(1, c) = columns[c].y;
        m.at(2, c) = columns[c].z;
    }
    return m;
}

Mat4 scaleAndMove(Vec3 scale, Vec3 location) {
    Mat4 m;
    m.at(0, 0) = scale.x;
    m.at(1, 1) = scale.y;
    m.at(2, 2) = scale.z;
    m.at(0, 3) = location.x;
    m.at(1, 3) = location.y;
    m.at(2, 3) = location.z;
    return m;
}

}  // namespace fly
