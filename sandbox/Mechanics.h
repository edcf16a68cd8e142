#pragma once
// The full model of the car game's mechanics, one fixed 120 Hz tick at a
// time: the car jumps, double jumps, dodges, drives on four wheels and hits a
// ball that spins. It is chosen explicitly, by stepping a mechanics::World
// with mechanics::step; Physics.h keeps the legacy model that flight logs of
// versions 1 to 3 replay bit for bit.
//
// Units are uu (game units), seconds and radians, in float32 throughout.
// Every timer is a float32 sum of kTickSeconds, advanced once a tick, so a
// phase ends on the tick where that sum crosses its float32 limit (the
// flip's 0.65 s covers 78 ticks because 78 of them add up to 0.6499997).
//
// Who owns what
//   Mechanics.cpp  the tick below, in its order, and all the car does away
//                  from its wheels: clamping the controls, air control, the
//                  flip torque, air throttle, the ground jump's impulse and
//                  held force, auto-flip, double jump, dodges (impulse,
//                  stall, cancel, vertical damping, pitch lock), auto-roll,
//                  boost, gravity and drag, moving the bodies, supersonic
//                  state and the speed and spin caps.
//   Wheels.h/.cpp  the four wheels: rays, suspension, tire impulses, the
//                  wheel controls set for the next tick, the sticky force.
//                  The tick reads back only the Wheel records of the car
//                  (which wheels touch, their contact normals) and the
//                  WheelsTick the first half returns.
//   Arena.h/.cpp  the arena's shape (the box with its goals), the goal a
//                  ball is in, rays and sphere contacts against it.
//   Contacts.h/.cpp  the physics step's contacts: found at the start-of-tick
//                  positions, solved on the velocities after this tick's
//                  forces (a PhysicsStep): the ball against the world (one
//                  merged contact), car against ball (the solve, and the
//                  game's extra push on the ball, stored and added after the
//                  move), the car's box against the world (remembered for
//                  the next tick's auto-flip and auto-roll).
//
// A part is filled in behind its own calls: Wheels.cpp behind the three of
// Wheels.h, Contacts.cpp behind stepContacts. State that must outlive a tick
// goes into Wheel, Car or Ball; what one half of a tick hands to a later
// step goes into WheelsTick or PhysicsStep. The tick itself need not change.
//
// One tick, step(world, controls, options), in this order
//   1. The ball sleeps this tick if its velocity and spin are exactly zero
//      (no gravity, no drag, no motion) unless a contact moves it.
//   2. Car, before the physics step (forces and torques are gathered in a
//      CarForces; impulses change velocity and spin at once):
//      a. controls clamped to [-1, 1];
//      b. wheelsFirstHalf: each wheel's ray from the start-of-tick state,
//         its suspension length and speed, and this tick's tire impulses
//         computed from the start-of-tick velocities and LAST tick's engine
//         force, brake, friction factors and steer angle; nothing applied;
//      c. jump pressed (held now, not last tick), n_c = wheels touching,
//         on ground = n_c >= 3, forward speed = v . forward (start of tick);
//      d. updateWheelControls: the handbrake value, and for the NEXT tick
//         the engine force, brake, steer angle and friction factors; the
//         sticky force for THIS tick (into CarForces);
//      e. n_c < 3: the flip ends if its time is up; flip torque, or air
//         control when n_c = 0; air throttle. n_c >= 3: the flip ends;
//      f. ground jump, auto-flip, double jump or dodge, the flip timer and
//         the flip's vertical damping (straight onto the velocity);
//      g. auto-roll;
//      h. wheelsSecondHalf: suspension impulses, then the tire impulses of b;
//      i. boost force (the ground value when on ground per c) and its use.
//   3. The physics step:
//      a. velocities after forces: car v^ = v + (forces + gravity) dt,
//         w^ = w + angular acceleration dt; ball v^ = v drag + gravity dt;
//      b. stepContacts: contacts at the positions the bodies still have (the
//         end of the last tick), solved on v^, w^; pushes out of overlap
//         (positions only); the extra hit velocity stored;
//      c. locations advance by the solved velocities (plus the pushes), the
//         car's attitude turns by the push's turn, then by exactly w dt.
//   4. Car: supersonic state from the uncapped speed; then |v| <= 2300,
//      |w| <= 5.5.
//   5. Ball: the stored extra hit velocity added; then |v| <= 6000, |w| <= 6.
// So throttle, brake, steer and tire friction act one tick late, a contact
// is seen one tick after the bodies come within reach, and the extra push on
// a hit ball moves it from the next tick on.
#include <array>
#include <cstdint>
#include <span>

#include "sandbox/Arena.h"
#include "sandbox/Attitude.h"
#include "sandbox/Manifold.h"
#include "sandbox/Physics.h"
#include "sandbox/Vec3.h"

namespace sandbox::mechanics {

// ------------------------------------------------------------------ bodies

inline constexpr float kGravity = -650.0f;  // uu/s^2 along z

// The car (an Octane). Its origin is its centre of mass.
inline constexpr float kCarMass = 180.0f;
// The box it collides with, as the car game's physics engine really uses it:
// half extents in car axes (forward, right, up), edges rounded to the radius,
// centred at the offset from the origin.
inline constexpr Vec3 kCarBoxHalfSize{60.18646f, 43.28266f, 19.26251f};
inline constexpr Vec3 kCarBoxOffset{13.8757f, 0.0f, 20.755f};
inline constexpr float kCarBoxEdgeRadius = 1.93296f;
// That box's inertia about the origin (its offset ignored), kg uu^2 about
// (forward, right, up): about 134 666, 239 607 and 329 748.
inline constexpr Vec3 kCarInertia{
    kCarMass / 3.0f *
        (kCarBoxHalfSize.y * kCarBoxHalfSize.y + kCarBoxHalfSize.z * kCarBoxHalfSize.z),
    kCarMass / 3.0f *
        (kCarBoxHalfSize.x * kCarBoxHalfSize.x + kCarBoxHalfSize.z * kCarBoxHalfSize.z),
    kCarMass / 3.0f *
        (kCarBoxHalfSize.x * kCarBoxHalfSize.x + kCarBoxHalfSize.y * kCarBoxHalfSize.y)};
inline constexpr float kMaxCarSpeed = 2300.0f;
inline constexpr float kMaxCarSpin = 5.5f;
inline constexpr float kCarRestHeight = 17.032f;

inline constexpr float kBallMass = 30.0f;
inline constexpr float kBallRadius = 91.25f;
inline constexpr float kBallInertia = 0.4f * kBallMass * kBallRadius * kBallRadius;
inline constexpr float kBallDragPerTick = 0.9997462f;  // 0.97 a second: 0.97^(1/120)
inline constexpr float kMaxBallSpeed = 6000.0f;
inline constexpr float kMaxBallSpin = 6.0f;

// --------------------------------------------------------------- the state

// One wheel's record. Wheels 0 and 1 are the front right and left, 2 and 3
// the back right and left. Wheels.cpp writes it; the tick reads inContact
// and contactNormal.
struct Wheel {
    // This tick's ray (the first half): whether it hit, where and on what.
    bool inContact = false;
    bool onStaticSurface = false;  // hit the arena, not the ball
    Vec3 contactPoint{};           // world
    Vec3 contactNormal{0.0f, 0.0f, 1.0f};
    float suspensionLength = 0.0f;   // uu
    float suspensionSpeed = 0.0f;    // uu/s, along the contact normal
    float inverseContactDot = 1.0f;  // 1 / (normal . car up), or the miss value
    float pushBack = 0.0f;           // kept from tick to tick while the ray hits
    // Set by updateWheelControls for the next tick (all zero for a new car).
    float engineForce = 0.0f;
    float brake = 0.0f;
    float lateralFriction = 0.0f;
    float longitudinalFriction = 0.0f;
    float steerAngle = 0.0f;  // radians, front wheels

    friend bool operator==(const Wheel&, const Wheel&) = default;
};

struct Car {
    Vec3 location{0.0f, 0.0f, kCarRestHeight};
    Vec3 velocity{};
    Orientation attitude{};
    Vec3 spin{};  // angular velocity, rad/s, world axes (see Attitude.h)
    float boost = model::kBoostTank;

    bool jumpHeld = false;  // last tick's jump button: a press needs a release first

    // The ground jump: its held phase and the timer that runs from its
    // press while the car has jumped.
    bool hasJumped = false;
    bool isJumping = false;
    float jumpTime = 0.0f;
    // Counts from the tick the held phase ended, in the air; stays 0 for a
    // car that never jumped (it may then air-jump at any time).
    float timeSinceJump = 0.0f;

    // Air jump and dodge. flipTorque is the dodge's turn in car axes, set at
    // the press: forward is the roll part (about the nose), right the pitch
    // part (about the right axis); zero for a stall.
    bool hasDoubleJumped = false;
    bool hasFlipped = false;
    bool isFlipping = false;
    float flipTime = 0.0f;
    float flipTorqueForward = 0.0f;
    float flipTorqueRight = 0.0f;

    // Auto-flip: a car on its roof righting itself.
    bool isAutoFlipping = false;
    float autoFlipTime = 0.0f;  // left to run
    float autoFlipSign = 0.0f;  // the roll's sign at the press

    bool boosting = false;
    float boostTime = 0.0f;  // how long this boost has fired
    bool supersonic = false;
    float supersonicTime = 0.0f;

    float handbrake = 0.0f;  // 0 to 1: ramps up while held, down after
    std::array<Wheel, 4> wheels{};

    // The box's contact with the world in the last physics step.
    bool touchedWorld = false;
    Vec3 worldContactNormal{};
    // The contact points the box keeps with the arena's blocks and with the
    // ball (Manifold.h; Contacts.cpp's own).
    std::array<ContactManifold, kMaxWorldManifolds> worldContacts{};
    ContactManifold ballContact{};

    friend bool operator==(const Car&, const Car&) = default;
};

// Tick numbers are those of World::tick (0 before the first tick).
inline constexpr int64_t kNeverHit = -2;

struct Ball {
    Vec3 location{0.0f, 0.0f, kBallRadius};
    Vec3 velocity{};
    Vec3 spin{};  // rad/s, world axes
    // The tick the game's extra push on a hit ball was last given.
    int64_t lastExtraHitTick = kNeverHit;

    friend bool operator==(const Ball&, const Ball&) = default;
};

struct World {
    Car car;
    Ball ball;
    int64_t tick = 0;  // ticks stepped so far

    friend bool operator==(const World&, const World&) = default;
};

struct Options {
    Arena arena = Arena::Box;
    bool unlimitedBoost = false;
    // The ball feels no gravity (drills hold a ball up in the air this way).
    bool ballFloats = false;
    // |pitch| + |yaw| + |roll| from which an air jump is a dodge.
    float dodgeDeadZone = kDefaultDodgeDeadZone;
};

// What happened in a tick, for the host's HUD and for drills.
struct TickEvents {
    int wheelsInContact = 0;  // at the start of the tick
    bool jumped = false;      // a ground jump began
    bool doubleJumped = false;
    bool dodged = false;  // a dodge began (a stall too)
    bool autoFlipped = false;
    bool ballTouched = false;  // car and ball were in contact
};

// ------------------------------------------------------ within one tick

// The forces and torques gathered for the physics step, as accelerations
// (uu/s^2 and rad/s^2, world axes; each torque of the model is already an
// angular acceleration, so the car's inertia does not enter).
struct CarForces {
    Vec3 acceleration{};
    Vec3 angularAcceleration{};
};

// One tick of the whole world.
TickEvents step(World& world, const CarControls& controls, const Options& options);

// One tick of the ball alone, ignoring world.car: the ball's part of step
// by the same code, so a ball the car does not touch (nor its wheels' rays)
// moves bit for bit as step moves it. world.tick advances too.
void stepBall(World& world, const Options& options);

// The controls as the model reads them: every axis clamped to [-1, 1].
CarControls clamped(const CarControls& controls);

// The car's roll angle (radians, -pi to pi) as the rotator reads it.
float rollAngle(const Orientation& attitude);

}  // namespace sandbox::mechanics
