#pragma once
// The car's attitude: a rotation matrix kept in floats, its conversion to and
// from the integer rotator the host hands to plugins, and the car's own axes.
//
// Axes. The world's x and y lie on the floor and z points up. The car game's
// axes are left-handed: seen from above with z towards the viewer, +y lies a
// quarter turn clockwise from +x, so a car at rest facing +x has its right
// side towards +y. The maths here does not care about handedness; the
// formulas are the usual ones over (x, y, z), and only a renderer must mirror
// (see the window's notes). A car's three axes, as world vectors:
//   forward  the nose direction       (1, 0, 0) for rotator (0, 0, 0)
//   right    out of the right side    (0, 1, 0)
//   up       out of the roof          (0, 0, 1); up = cross(forward, right)
//
// The rotator (65536 units a turn) reads as the game and the plugin read it:
//   forward = (cos P cos Y, cos P sin Y, sin P)
// so a positive Pitch raises the nose, a positive Yaw turns the nose from +x
// towards +y (to the right), and a positive Roll lowers the right side:
//   right = (sin R sin P cos Y - cos R sin Y, sin R sin P sin Y + cos R cos Y, -sin R cos P)
//   up    = (-(cos R sin P cos Y + sin R sin Y), cos Y sin R - cos R sin P sin Y, cos R cos P)
// Pitch stays within -16384..16384 (the nose never goes past vertical: a car
// upside down has Pitch within range and Roll near half a turn); Yaw and Roll
// wrap into -32768..32767.
//
// Spin. The angular velocity is a world vector w with d(axis)/dt = cross(w,
// axis) for each of the car's axes. In the controls' sense (positive pitch
// rate raises the nose, positive yaw rate turns it right, positive roll rate
// lowers the right side) the rates about the car's axes are
//   roll = -dot(w, forward), pitch = -dot(w, right), yaw = dot(w, up).
#include "host/Types.h"
#include "sandbox/Vec3.h"

namespace sandbox {

struct Orientation {
    Vec3 forward{1.0f, 0.0f, 0.0f};
    Vec3 right{0.0f, 1.0f, 0.0f};
    Vec3 up{0.0f, 0.0f, 1.0f};
};

inline bool operator==(const Orientation& a, const Orientation& b) {
    return a.forward == b.forward && a.right == b.right && a.up == b.up;
}

inline constexpr int kRotatorUnitsPerTurn = 65536;
inline constexpr int kRotatorQuarterTurn = 16384;

// A yaw or roll in rotator units, wrapped into -32768..32767.
int32_t wrapRotatorUnits(int32_t units);

// The matrix of a rotator (computed in double precision, stored as floats).
Orientation orientationFromRotator(Rotator rotator);

// The rotator nearest to the attitude, to the unit. With the nose within a
// hair of vertical, yaw and roll describe the same turn; Roll is then 0 and
// Yaw carries it.
Rotator toRotator(const Orientation& attitude);

// Unit, mutually square axes again after float rounding has worn them:
// forward normalised, right made square to it, up = cross(forward, right).
Orientation orthonormalised(const Orientation& attitude);

// The attitude turned by the angular velocity `spin` (rad/s, world) for
// `seconds`: the exact rotation of angle |spin| * seconds about spin.
Orientation rotated(const Orientation& attitude, Vec3 spin, float seconds);

// Wheels down and level, the nose at `heading` radians from +x towards +y.
Orientation levelOrientation(float heading);

// The heading of an attitude, radians from +x towards +y; taken from the roof
// direction when the nose points straight up or down.
float headingOf(const Orientation& attitude);

// Angle in radians between the car's up axis and world up (0 wheels down,
// pi on the roof).
float angleToVertical(const Orientation& attitude);

// The angle between two directions, 0 to pi (accurate near 0 and pi). Both
// must be non-zero.
float angleBetween(Vec3 a, Vec3 b);

// The turn that carries attitude `from` onto `to`, as a world rotation
// vector: along the axis, as long as the angle (0 to pi) in radians. Drills
// measure how far apart two attitudes are by its length.
Vec3 turnBetween(const Orientation& from, const Orientation& to);

// The attitude with its nose along the unit vector `forward`, turned by `roll`
// radians about it from the one whose right axis is level (the one whose
// right axis is +y when the nose is vertical).
Orientation orientationWithNose(Vec3 forward, float roll);

// Rates about the car's axes in the controls' sense (see the top of the file).
struct AxisRates {
    float roll = 0.0f;
    float pitch = 0.0f;
    float yaw = 0.0f;
};
AxisRates ratesInCarAxes(const Orientation& attitude, Vec3 spin);
Vec3 spinFromCarRates(const Orientation& attitude, AxisRates rates);

}  // namespace sandbox
