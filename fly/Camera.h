#pragma once
// Where the window looks from, as plain maths (no GL): the chase camera
// behind and above the car, the ball camera, and the matrices the world
// renderer draws with.
//
// Handedness. The game's axes are left-handed (sandbox/Attitude.h): seen
// from above, +y is a quarter turn clockwise from +x, so a car facing +x has
// +y on its right. The usual right-handed look-at puts the cross product of
// the view direction and up, which is then -y, on the screen's right, and
// so would show the world mirrored. `viewProjection` flips the screen's x
// to undo that; the flip also turns every triangle's winding, so the
// renderer culls no faces.
#include "sandbox/Physics.h"
#include "sandbox/Vec3.h"

namespace fly {

using sandbox::Vec3;

// Where the car game puts its camera, in uu and degrees.
inline constexpr float kCameraDistance = 270.0f;  // behind the car
inline constexpr float kCameraHeight = 110.0f;    // above it
inline constexpr float kCameraPitchDegrees = -3.0f;
inline constexpr float kFieldOfViewDegrees = 110.0f;  // across the screen
inline constexpr float kNearPlane = 10.0f;
inline constexpr float kFarPlane = 40000.0f;

struct CameraPose {
    Vec3 eye;
    Vec3 target;  // a point the camera looks straight at
};

// Behind and above the car along its heading, looking a little down.
CameraPose chaseCamera(const sandbox::CarState& car);
// Behind the car on the line from the ball through the car, looking at the
// ball, so the ball stays in view wherever it is.
CameraPose ballCamera(const sandbox::CarState& car, const sandbox::BallState& ball);

// A 4 by 4 matrix, columns first (as OpenGL takes it).
struct Mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float& at(int row, int column) { return m[column * 4 + row]; }
    float at(int row, int column) const { return m[column * 4 + row]; }
};
Mat4 operator*(const Mat4& a, const Mat4& b);

// World to clip space for a screen `aspect` (width / height) wide, with the
// screen's x flipped for the left-handed world (see the top of the file).
Mat4 viewProjection(const CameraPose& pose, float aspect);

// A body's local axes to the world: local (a, b, c) lands at
// location + forward * a + right * b + up * c.
Mat4 bodyMatrix(Vec3 location, const sandbox::Orientation& attitude);
// Scale along each local axis, then move.
Mat4 scaleAndMove(Vec3 scale, Vec3 location);

}  // namespace fly
