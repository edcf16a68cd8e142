#pragma once
// render/: the overlay's renderer, the main header.
//
// What it is for: turning the values of one frame (canvas size, layout
// settings, car and ball, target option) into canvas calls: the dial or, in
// peripheral mode, the band. Every phase is a function over values; the same
// values give the same calls, to the bit.
//
// What it owns, one unit per phase, in the order a frame runs them:
//   Layout.h           layoutDial, formRelative: dial radius, centre, dot
//                      size; ball offset, relative velocity and speed
//   Attitude.h         solveAttitude: angles, forward direction, zenith and
//                      nadir points, level rotation
//   TargetDirection.h  placeTargets: ball and velocity on the dial, their
//                      dots, the chosen target's off-nose angle
//   TargetMarker.h     buildMarker: marker points and angle, stick angle
//   HorizonOutline.h   buildOutline: the outline of the sky region
//   DialDrawing.h      drawDial, the last stage with peripheral mode off
//   Peripheral.h       drawPeripheral, the last stage with it on
// and beside them this file's Frame (the values that pass between phases),
// TargetOption.h (the target options, their mapping from the console
// variable and the settings page's labels), Numerics.h (the constants and
// the one float-to-int conversion every phase uses) and FixedAngles.h (the
// sines and cosines of the angles every frame uses unchanged, computed once
// when the library loads).
//
// What it must not touch: the plugin class (Trimsight.h), console variables
// and the game. The plugin's renderOverlay (TrimsightOverlay.cpp) asks the
// host for every value in the order the host must see, and calls the phases.
// The one value a phase asks for while it runs, the target option, comes
// through the TargetReader its caller hands it; drawing goes only to the
// canvas handed in.
//
// Drawing contract: renderOverlay asks isPeripheralMode() and draws the dial
// only when it is false; then it asks isPeripheralMode() again and, when it
// is true, reads the target option once more and hands it to the band.
//
// A Frame holds the values one frame computes, phase by phase. Every phase
// reads the earlier groups and fills its own; the drawing stages only read.
// Plain values and fixed-size arrays: a Frame lives on the stack of
// renderOverlay and nothing in it allocates.
#include <array>
#include <cstdint>

#include "host/Types.h"
#include "render/TargetOption.h"

namespace render {

// The canvas size and the dial laid out on it.
struct Layout {
    int32_t canvasWidth = 0;   // the first GetSize() call's x
    int32_t canvasHeight = 0;  // the second GetSize() call's y
    int32_t dialRadius = 0;
    // The dial centre as computed, before truncation; centrePixel holds it
    // truncated. Some stages use the one, some the other.
    float centreX = 0.0f;
    float centreY = 0.0f;
    Vector2 centrePixel;
    int32_t dotSize = 0;  // before any dot behind the nose lowers it
    // The target marker's scale: the dial radius plus two thirds of the dot
    // size, float(dialRadius + (2 * dotSize) / 3) in integer arithmetic.
    float markerRadius = 0.0f;
};

// Below this relative speed, in game units per second, the relative velocity
// shows no direction: no velocity dot, and the options that follow it show no
// marker and no band. Each stage keeps its own comparison (below, or at
// least): a speed that is not a number is neither.
inline constexpr float kVelocityCueMinSpeed = 10.0f;

// What the frame read from the car and the ball.
struct Scene {
    Vector carLocation;
    Vector carVelocity;
    Rotator carRotation;
    ControllerInput carInput;
    Vector ballLocation;
    Vector ballVelocity;
    Vector ballOffset;           // ball location minus car location
    Vector relativeVelocity;     // car velocity minus ball velocity
    float relativeSpeed = 0.0f;  // length of the relative velocity
};

// The car's attitude.
struct Attitude {
    // Radians, from the rotator; the roll as computed here (the target phase
    // hands on its own copy).
    float pitch = 0.0f;
    float yaw = 0.0f;
    float roll = 0.0f;
    float sinPitch = 0.0f;
    float cosPitch = 0.0f;
    float cosYaw = 0.0f;
    float cosRoll = 0.0f;
    float sinRoll = 0.0f;
    // The nose's direction: (forwardX, forwardY, sinPitch).
    float forwardX = 0.0f;
    float forwardY = 0.0f;
    // Where world up and world down lie on the dial, relative to its centre.
    Vector2 zenith;
    Vector2 nadir;
    // The level rotation, which carries the nose onto world up: its rows for
    // a vector's turned x (levelXX, levelXY, levelXZ) and turned y.
    float levelXX = 0.0f, levelXY = 0.0f, levelXZ = 0.0f;
    float levelYX = 0.0f, levelYY = 0.0f, levelYZ = 0.0f;
};

// Ball and velocity on the dial, and the chosen target.
struct TargetDirection {
    float forwardLength = 0.0f;  // length of the forward direction
    float ballBearing = 0.0f;
    // Angle between the nose and the ball offset, radians; NaN for a ball at
    // the car.
    float ballOffNose = 0.0f;
    Vector2 ballDialPoint;
    Vector2 ballCorner;  // top-left corner of the ball dot, canvas pixels
    bool ballBehind = false;
    float velocityBearing = 0.0f;
    // Size of the angle between the nose and the relative velocity; NaN when
    // the car moves with the ball.
    float velocityOffNose = 0.0f;
    Vector2 velocityDialPoint;
    // Canvas corner of the velocity dot; below kVelocityCueMinSpeed the bare
    // dial point, never turned nor moved by the centre.
    Vector2 velocityCorner;
    bool velocityBehind = false;
    int32_t dotSize = 0;  // as the dots behind the nose left it
    bool markerVisible = true;
    TargetOption targetOption = TargetOption::None;  // as the last of the phase's reads gave it
    float targetOffNose = 0.0f;
    float rollAngle = 0.0f;  // the roll as this phase leaves it; turns the horizon outline
};

// The target marker and the stick.
struct TargetMarker {
    // The stick, as the floats at byte offsets 4 and 8 of the input record.
    float stickX = 0.0f;
    float stickY = 0.0f;
    float stickAngle = 0.0f;
    float markerAngle = 0.0f;
    // The marker shape's eight points turned by the marker angle, relative
    // to the dial centre.
    std::array<Vector2, 8> points{};
    // The shape's middle four points (the third to the sixth) unturned: the
    // stick indicator, which turns them by the stick angle instead.
    std::array<Vector2, 4> indicator{};
};

// 0..19 the horizon half ellipse, 20..39 the rim half circle; canvas points.
struct HorizonOutline {
    std::array<Vector2, 40> points{};
};

struct Frame {
    Layout layout;
    Scene scene;
    Attitude attitude;
    TargetDirection target;
    TargetMarker marker;
    HorizonOutline outline;
};

}  // namespace render
