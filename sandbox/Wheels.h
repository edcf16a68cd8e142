#pragma once
// The car's four wheels in the full model (Mechanics.h has the tick they run
// in). Three calls a tick, at fixed places in the car's part of it:
//   wheelsFirstHalf      (step 2b) each wheel's ray from the start-of-tick
//                        state: what it hit, the suspension's length, speed
//                        and extra push-back; and this tick's tire impulses,
//                        computed from the start-of-tick velocities and LAST
//                        tick's engine force, brake, friction factors and
//                        steer angle, not yet applied;
//   updateWheelControls  (step 2d) the handbrake value; the engine force,
//                        brake, steer angle and friction factors the next
//                        tick uses; the sticky force of this tick;
//   wheelsSecondHalf     (step 2h) suspension impulses, then the tire
//                        impulses of the first half.
// The tick reads only Wheel::inContact and Wheel::contactNormal (n_c, on
// ground, auto-roll) and WheelsTick::inContact; the rest of the Wheel
// records and all of WheelsTick are this module's own.
//
// Units are uu throughout. The wheel model is linear in the length unit, so
// its constants are those of the engine it follows (which works in units of
// 50 uu) scaled once: an engine force of 180 * 400 per wheel, a brake of
// 180 * (14.25 + 1/3). Float32 sums round differently in the two units: a
// minute of coasting ends up to 0.02 uu/s apart.
// Impulses change the car's velocity and spin at once, about its origin
// with the world inverse inertia of its start-of-tick attitude; they act on
// the car only, never on what a wheel stands on.
//
// Quirks kept on purpose (the car game's model has them):
//   - a ray that hits but is not compressed past its push-back depth keeps
//     last tick's push-back; only a miss resets it;
//   - the push-back reads the solver's step, 1/60 s until the first tick
//     has been stepped;
//   - the engine force is cut to a quarter with fewer than three wheels
//     down, and a throttle-less car grips less on steep surfaces;
//   - tire impulses act at the contact point moved into the car's
//     horizontal plane through its origin, so they never pitch or roll the
//     car.
//
// Every ray the wheels cast asks what castRay answers, the one question the
// wheels ask of the world (the four of a tick share one look at the arena's
// blocks, castArenaRays).
#include <array>
#include <cstdint>

#include "sandbox/Mechanics.h"

namespace sandbox::mechanics {

// What a ray met first, if anything within its length.
struct RayHit {
    bool hit = false;
    float distance = 0.0f;  // uu from the ray's start
    Vec3 point{};
    Vec3 normal{};          // unit, out of what was hit
    bool isStatic = false;  // the arena (the ball is not)
};

// A ray from `from` along the unit `direction`, at most `maxLength` long,
// against the arena's surfaces (seen from their open side only) and the
// ball's sphere (from outside it). Nothing else is in the world.
RayHit castRay(Arena arena, const Ball& ball, Vec3 from, Vec3 direction, float maxLength);

// What the first half hands on to the rest of the tick.
struct WheelsTick {
    int inContact = 0;  // wheels whose ray hit something
    // Per wheel: the tire impulse (kg uu/s) and where it acts, from the
    // car's origin (world axes). Zero for a wheel in the air.
    std::array<Vec3, 4> tireImpulse{};
    std::array<Vec3, 4> tireLever{};
    // Per touching wheel, for its friction factors: its right axis (steered
    // as last tick) and the car's velocity at its hard point.
    std::array<Vec3, 4> wheelRight{};
    std::array<Vec3, 4> hardPointVelocity{};
    // The car's world inverse inertia (rows) for this tick's attitude.
    std::array<Vec3, 3> inverseInertia{};
};

// What the car knows at step 2c that the wheel controls need.
struct WheelControlInputs {
    float forwardSpeed = 0.0f;  // v . forward at the start of the tick, uu/s
    int wheelsInContact = 0;
    bool boostDrives = false;  // boost held with fuel: the wheels go full throttle
};

// `ticksStepped` is World::tick: 0 until the first tick has been stepped.
WheelsTick wheelsFirstHalf(Car& car, const Ball& ball, Arena arena, int64_t ticksStepped);
void updateWheelControls(Car& car, const WheelsTick& tick, const CarControls& controls,
                         const WheelControlInputs& inputs, CarForces& forces);
void wheelsSecondHalf(Car& car, const WheelsTick& tick);

}  // namespace sandbox::mechanics
