#pragma once
// The values one frame of the overlay computes, phase by phase. Every phase
// reads the earlier groups and fills its own; the drawing stages only read.
// Plain values and fixed-size arrays: a Frame lives on the stack of
// renderOverlay and nothing in it allocates.
//
// Drawing contract: renderOverlay calls isPeripheralMode() and draws the dial
// only when it is false; then it calls isPeripheralMode() again and, when it
// is true, reads getTarget() and hands it to the peripheral band. The drawing
// functions themselves read no console variable.
#include <array>
#include <cstdint>

#include "host/Types.h"

namespace render {

// Canvas, console variables and dial layout.
struct Layout {
    int32_t canvasW = 0;  // first GetSize().X
    int32_t canvasH = 0;  // second GetSize().Y
    float size = 0.0f;    // getSize(), first call
    float xPosition = 0.0f;
    float yPosition = 0.0f;
    int32_t dialRadius = 0;  // R
    float cx = 0.0f;         // dial centre, unrounded
    float cy = 0.0f;
    Vector2 centre;              // (trunc cx, trunc cy)
    int32_t dotSize = 0;         // k before any behind dot lowers it
    float markerRadius = 0.0f;   // L = float(R + (2k)/3)
    double markerRadiusD = 0.0;  // L widened
};

// What the frame read from the car and the ball.
struct Scene {
    Vector carLocation;
    Vector carVelocity;
    Rotator carRotation;
    ControllerInput carInput;
    Vector ballLocation;
    Vector ballVelocity;
    Vector ballOffset;           // D = ball location - car location
    Vector relativeVelocity;     // V = car velocity - ball velocity
    float relativeSpeed = 0.0f;  // |V|
};

// The car's attitude.
struct Attitude {
    float pitch = 0.0f;  // P, radians
    float yaw = 0.0f;    // Y
    float roll = 0.0f;   // Rl as computed from the rotator
    float sinP = 0.0f;
    float cosP = 0.0f;
    float cosY = 0.0f;
    float cosRl = 0.0f;
    float sinRl = 0.0f;
    float fx = 0.0f;  // forward direction (fx, fy, sinP)
    float fy = 0.0f;
    Vector2 zenith;  // relative to the dial centre
    Vector2 nadir;
    // Level rotation: the rows giving the turned x and turned y.
    float mxx = 0.0f, mxy = 0.0f, mxz = 0.0f;
    float myx = 0.0f, myy = 0.0f, myz = 0.0f;
};

// Ball and velocity on the dial, and the chosen target.
struct TargetDirection {
    float forwardLength = 0.0f;  // |F|
    float ballBearing = 0.0f;
    float ballOffNose = 0.0f;  // theta_b, radians (may be NaN)
    Vector2 ballDialPoint;
    Vector2 ballCorner;  // top-left corner of the ball dot, canvas pixels
    bool ballBehind = false;
    float velocityBearing = 0.0f;
    float velocityOffNose = 0.0f;  // |theta_v| (may be NaN)
    Vector2 velocityDialPoint;
    // Canvas corner of the velocity dot; below relative speed 10 the bare
    // dial point, never turned nor moved by the centre.
    Vector2 velocityCorner;
    bool velocityBehind = false;
    int32_t dotSize = 0;  // k as left after the behind dots
    bool markerVisible = true;
    int32_t targetOption = 0;  // as read from getTarget(), not yet mapped
    float targetOffNose = 0.0f;
    float rollAngle = 0.0f;  // roll as left (turns the horizon outline)
};

// The target marker and the stick.
struct TargetMarker {
    float g4 = 0.0f;  // stick x, input byte offset 4
    float g8 = 0.0f;  // stick y, input byte offset 8
    float stickAngle = 0.0f;
    float markerAngle = 0.0f;
    std::array<Vector2, 8> points{};     // P1..P8 turned, relative to the dial centre
    std::array<Vector2, 4> indicator{};  // P3, P4, P5, P6 before turning
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
