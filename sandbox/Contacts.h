#pragma once
// The physics step's contacts in the full model (Mechanics.h has the tick):
// found at the positions the bodies have at the start of the step, solved
// on their velocities after this tick's forces, before anything moves.
//   ball - world  all of the ball's contacts with the arena in one tick
//                 merged into one (the average normal);
//   car - ball    the car's rounded box against the sphere; the solve, and
//                 the game's extra push on the ball, which is stored in the
//                 step and added after the move (from the next tick on it
//                 moves the ball), at most every other tick;
//   car - world   the car's box against the arena, remembered on the car
//                 (touchedWorld, worldContactNormal) for the next tick.
//
// As it stands:
//   ball - world  the normal part only: the ball bounces with restitution
//                 0.6 (none below 10 uu/s into the surface) from within
//                 1.905 uu of a surface, and is pushed out of an overlap by
//                 0.8 of it; no friction, so its spin never changes;
//   car - ball    the contact is found (findCarBallContact) and reported,
//                 but not solved: the ball passes through the car;
//   car - world   the box stops at a surface it is within 2.03 uu of: its
//                 speed into it is removed (no bounce, friction or turn) and
//                 an overlap pushed out by 0.8 of it.
#include <cstdint>

#include "sandbox/Mechanics.h"

namespace sandbox::mechanics {

// A body during the step: its velocities after this tick's forces, which
// the solver changes, and the push out of overlap, which moves it without
// changing its velocity.
struct StepBody {
    Vec3 velocity{};
    Vec3 spin{};
    Vec3 push{};
};

struct PhysicsStep {
    int64_t tick = 0;  // the number this tick will have (World::tick after it)
    StepBody car;
    StepBody ball;
    // The car's spin without this tick's torques (the car-ball friction row
    // reads it), and the ball's velocity after drag, before gravity (the
    // bounce's target speed and the extra push read it).
    Vec3 carSpinBeforeTorque{};
    Vec3 ballVelocityBeforeGravity{};
    bool ballAwake = true;
    // Out: the game's extra push on the ball, added after the move.
    Vec3 ballHitVelocity{};
    bool ballTouched = false;
};

// Steps 3b: every contact of the tick. The world still holds the
// start-of-tick positions (and the velocities with this tick's impulses).
void stepContacts(World& world, PhysicsStep& step, const Options& options);

// The car's box against the ball at their present positions.
struct CarBallContact {
    bool exists = false;  // the gap is below the contact distance
    float gap = 0.0f;     // uu between the surfaces; negative when they overlap
    Vec3 normal{};        // unit, from the box towards the ball's centre
    Vec3 carLever{};      // the contact point on the box, from the car's origin
    Vec3 ballLever{};     // the contact point on the ball, from its centre
};
CarBallContact findCarBallContact(const Car& car, const Ball& ball);

}  // namespace sandbox::mechanics
