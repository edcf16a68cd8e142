#pragma once
// The car and the ball, one fixed 120 Hz tick at a time: the legacy model,
// which flight logs of versions 1 to 3 replay bit for bit. The full model
// (double jumps, dodges, wheels, a ball the car hits) is Mechanics.h; it
// reuses the controls, the air-control constants and the arena from here.
//
// The car flies by the car game's public air-control model (the constants in
// `model` below). On the floor it does not drive: it rests wheels-down until
// Jump. A tick in the air is one explicit step:
//   1. torque per car axis from the input, minus damping from this tick's
//      rates; turned into world axes and added to the spin;
//   2. gravity, boost, air throttle and the held jump added to the velocity;
//   3. location and attitude moved by the new velocities;
//   4. only then the spin and the speed clamped to their maximums (so a car
//      at the cap turns slightly faster than the cap within a tick);
//   5. the arena: a flight ends when the car touches the floor, and walls and
//      the ceiling stop the car.
// The ball falls, slows by air drag and bounces off the floor, the walls and
// the ceiling. Car and ball do not push each other; `distanceToCarBox` tells
// how near the ball is to the car's box.
#include <cstdint>

#include "sandbox/Attitude.h"
#include "sandbox/Vec3.h"

namespace sandbox {

inline constexpr int kTicksPerSecond = 120;
inline constexpr float kTickSeconds = 1.0f / 120.0f;

// The car game's air-control model, in uu (game units), seconds and radians.
namespace model {
// Angular acceleration per unit of input, rad/s^2.
inline constexpr float kRollAcceleration = 38.35f;
inline constexpr float kPitchAcceleration = 12.46f;
inline constexpr float kYawAcceleration = 9.11f;
// Damping per second, times the rate about that axis; pitch and yaw damping
// fade out as their input is held (times 1 - |input|), roll's never does.
inline constexpr float kRollDamping = 4.794f;
inline constexpr float kPitchDamping = 2.876f;
inline constexpr float kYawDamping = 1.917f;
inline constexpr float kMaxSpin = 5.5f;  // length of the angular velocity, rad/s

inline constexpr float kGravity = 650.0f;  // uu/s^2, downwards
inline constexpr float kMaxCarSpeed = 2300.0f;

inline constexpr float kBoostAcceleration = 1058.33f;  // along the nose
inline constexpr float kBoostTank = 100.0f;
// A third of the tank a second: a full tank lasts three seconds.
inline constexpr float kBoostUsePerSecond = 100.0f / 3.0f;
inline constexpr int kMinBoostTicks = 12;                  // a tap boosts for at least 0.1 s
inline constexpr float kAirThrottleAcceleration = 66.67f;  // along the nose

// Jump from the floor: an impulse along the car's up axis, then a held
// acceleration along it, weaker for the first few ticks.
inline constexpr float kJumpImpulse = 291.67f;
inline constexpr float kJumpAcceleration = 1458.33f;
inline constexpr float kJumpEarlyFactor = 0.62f;
inline constexpr int kJumpEarlyTicks = 3;
inline constexpr int kJumpMinTicks = 3;
inline constexpr int kJumpMaxTicks = 24;

// The car's box in its own axes (forward, right, up) and where its centre
// lies from the car's origin; resting on its wheels the origin is at this
// height, the box's underside 18.46 uu above the floor.
inline constexpr Vec3 kCarBoxSize{120.51f, 86.70f, 38.66f};
inline constexpr Vec3 kCarBoxOffset{13.88f, 0.0f, 20.76f};
inline constexpr float kCarRestHeight = 17.03f;

inline constexpr float kBallRadius = 91.25f;
inline constexpr float kMaxBallSpeed = 6000.0f;
inline constexpr float kBallDragPerTick = 0.9997462f;  // 0.97 a second: 0.97^(1/120)
inline constexpr float kBallBounce = 0.6f;             // of the speed into a surface
}  // namespace model

// The arena: a box centred on the origin on the floor (z = 0).
namespace arena {
inline constexpr float kHalfWidth = 4096.0f;   // x: 8192 across
inline constexpr float kHalfLength = 5120.0f;  // y: 10240 long
inline constexpr float kHeight = 2044.0f;
}  // namespace arena

// The car's input for one tick. Axes in [-1, 1]: pitch +1 raises the nose,
// yaw +1 turns it right, roll +1 lowers the right side, throttle +1 pushes
// forward. `steer` is the stick's x as the host reports it (the front
// wheels' turn); `handbrake` the powerslide. The legacy model reads neither
// (nor throttle on the floor); the full model reads them all.
struct CarControls {
    float steer = 0.0f;
    float pitch = 0.0f;
    float yaw = 0.0f;
    float roll = 0.0f;
    float throttle = 0.0f;
    bool boost = false;
    bool jump = false;
    bool handbrake = false;
};

bool operator==(const CarControls& a, const CarControls& b);

struct CarState {
    Vec3 location{0.0f, 0.0f, model::kCarRestHeight};
    Vec3 velocity{};
    Orientation attitude{};
    Vec3 spin{};  // angular velocity, rad/s, world axes (see Attitude.h)
    float boost = model::kBoostTank;
    bool onGround = true;
    // Boost: whether it fired last tick, and the ticks a tap still owes.
    bool boosting = false;
    int32_t boostTicksOwed = 0;
    // Jump: whether Jump was held last tick (a jump needs a fresh press), and
    // the held acceleration's progress through the current jump.
    bool jumpHeld = false;
    bool jumping = false;
    int32_t jumpTicks = 0;
};

struct BallState {
    Vec3 location{0.0f, 0.0f, model::kBallRadius};
    Vec3 velocity{};
};

struct World {
    CarState car;
    BallState ball;
};

bool operator==(const CarState& a, const CarState& b);
bool operator==(const BallState& a, const BallState& b);
bool operator==(const World& a, const World& b);

// The car game's default dodge dead zone.
inline constexpr float kDefaultDodgeDeadZone = 0.5f;

struct PhysicsOptions {
    bool unlimitedBoost = false;
    // The ball feels no gravity: it hangs where it is put, or drifts and
    // slows by air drag. Drills hold a ball up in the air this way.
    bool ballFloats = false;
    // How far the stick (|pitch| + |yaw| + |roll|) must be from the centre
    // when the car jumps in the air for a dodge rather than a double jump:
    // the player's "Dodge Deadzone". A flight log keeps a value other than
    // the default, so that the flight replays as flown.
    float dodgeDeadZone = kDefaultDodgeDeadZone;
};

// How a flight ended: the car's box touched the floor.
struct Touchdown {
    bool wheelsDown = false;       // the underside was the face nearest the floor
    float angleToVertical = 0.0f;  // radians between the up axis and world up
    float spin = 0.0f;             // length of the angular velocity, rad/s
    Vec3 velocity{};               // uu/s
};

// What happened in a tick, for the host's HUD and for drills. The legacy
// model fills in the first three; the full model (Flight.h) all of them.
struct TickReport {
    bool jumped = false;  // left the floor this tick
    bool landed = false;  // touched down this tick; `touchdown` tells how
    Touchdown touchdown{};
    bool doubleJumped = false;
    bool dodged = false;       // a dodge began (a stall too)
    bool ballTouched = false;  // car and ball were in contact
    // The ball went into a goal this tick: +1 the goal at +y, -1 the one at
    // -y, 0 none.
    int8_t goalScored = 0;
};

// One tick of the whole world.
TickReport stepWorld(World& world, const CarControls& controls, const PhysicsOptions& options);

// One tick of each body alone (stepWorld runs both).
TickReport stepCar(CarState& car, const CarControls& controls, const PhysicsOptions& options);
void stepBall(BallState& ball, const PhysicsOptions& options = {});

// The car at rest on its wheels at (x, y) with its nose at `heading` radians.
CarState restingCar(float x, float y, float heading);

// Distance from a point to the car's box (0 inside it): the ball touches the
// car when this is at most the ball's radius.
float distanceToCarBox(const CarState& car, Vec3 point);

}  // namespace sandbox
