#pragma once
// The car's four wheels in the full model (Mechanics.h has the tick they run
// in). Three calls a tick, at fixed places in the car's part of it:
//   wheelsFirstHalf      (step 2b) rays and suspension state from the
//                        start-of-tick state; the tire impulses of this tick
//                        computed from last tick's wheel controls, not applied;
//   updateWheelControls  (step 2d) the handbrake value, the wheel controls
//                        the next tick uses, the sticky force of this tick;
//   wheelsSecondHalf     (step 2h) suspension impulses, then the tire
//                        impulses of the first half.
// The tick reads only Wheel::inContact and Wheel::contactNormal (n_c, on
// ground, auto-roll) and WheelsTick::inContact; the rest of the Wheel
// records and all of WheelsTick are this module's own.
//
// As it stands no ray hits anything: every wheel reports the ray's miss
// (suspension at full length, not in contact), so there is no suspension,
// tire or sticky force, and the car has no ground under it. Only the
// handbrake value is kept.
#include <array>

#include "sandbox/Mechanics.h"

namespace sandbox::mechanics {

// What the first half hands on to the rest of the tick.
struct WheelsTick {
    int inContact = 0;  // wheels whose ray hit something
    // Per wheel: the tire impulse (kg uu/s) and where it acts, from the
    // car's origin (world axes).
    std::array<Vec3, 4> tireImpulse{};
    std::array<Vec3, 4> tireLever{};
};

// What the car knows at step 2c that the wheel controls need.
struct WheelControlInputs {
    float forwardSpeed = 0.0f;  // v . forward at the start of the tick, uu/s
    int wheelsInContact = 0;
    bool boostDrives = false;  // boost held with fuel: the wheels go full throttle
};

WheelsTick wheelsFirstHalf(Car& car, const Ball& ball, Arena arena);
void updateWheelControls(Car& car, const CarControls& controls, const WheelControlInputs& inputs,
                         CarForces& forces);
void wheelsSecondHalf(Car& car, const WheelsTick& tick);

}  // namespace sandbox::mechanics
