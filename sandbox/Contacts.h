#pragma once
// The physics step's contacts in the full model (Mechanics.h has the tick):
// found at the positions the bodies have at the start of the step, solved
// on their velocities after this tick's forces, before anything moves.
//
//   ball - arena  all of the ball's contacts with the arena in one tick
//                 merged into one: the average of their normals (not made
//                 unit again), the lever -normal * radius; restitution 0.6
//                 (none below 10 uu/s into the surface, measured before this
//                 tick's gravity), friction 0.35. A contact exists from
//                 1.905 uu apart and is solved as if touching.
//   car - ball    the car's rounded box against the sphere
//                 (findCarBallContact); friction 2.0, restitution 0; and the
//                 game's extra push on the ball (extraHitVelocity), stored
//                 in the step and added after the move, at most every other
//                 tick.
//   car - arena   the car's box against each arena block it comes within
//                 2.03 uu of: friction 0.3, restitution 0.3; the contact is
//                 remembered on the car (touchedWorld, worldContactNormal)
//                 for the next tick's auto-flip and auto-roll.
// The car's contacts keep their points from tick to tick (Manifold.h); the
// ball's with the arena are found afresh each tick.
//
// The solve, for all contacts together: a normal row per contact point
// (the impulse never pulls) and a friction row along the slip at the
// contact, limited to the friction coefficient times the normal impulse;
// ten sweeps, each all normal rows then all friction rows (a friction row
// waits while its normal impulse is zero). The bodies' velocities are those
// after this tick's forces, except that a friction row's target reads the
// spin before this tick's torques. The car's inverse inertia is turned into
// world axes by its attitude at the start of the tick. Overlaps are pushed
// apart by a second solve on positions alone: 0.8 of the overlap this tick,
// its turn on the car applied at a tenth.
//
// Built by the same rules but not yet measured against the car game:
// several contacts at once (the ball in a corner or against a post and the
// floor, the car on two surfaces), contacts kept for several ticks with
// their normal impulse's warm start, the ball's centre inside the car's box
// (it leaves through the nearest face), and the car's box against the
// goals' posts and crossbar (its corners against the blocks, the posts and
// crossbar as edges against the box).
#include <cstdint>

#include "sandbox/Mechanics.h"

namespace sandbox::mechanics {

// A body during the step: its velocities after this tick's forces, which
// the solver changes, and the push out of overlap, which moves it without
// changing its velocity.
struct StepBody {
    Vec3 velocity{};
    Vec3 spin{};
    Vec3 push{};  // uu, added to the location this tick
    Vec3 turn{};  // rad/s, the push's turn (already at its tenth), for one tick
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
// The same for the ball alone, as if no car were near it (stepBall).
void stepBallContacts(const Ball& ball, PhysicsStep& step, const Options& options);

// The car's box against the ball at their present positions: the ball's
// centre against the box shrunk by its edge radius, so edges and corners
// are rounded.
struct CarBallContact {
    bool exists = false;  // the gap is below the contact distance
    float gap = 0.0f;     // uu between the surfaces; negative when they overlap
    Vec3 normal{};        // unit, from the box towards the ball's centre
    Vec3 carLever{};      // the contact point on the box, from the car's origin
    Vec3 ballLever{};     // the contact point on the ball, from its centre
};
CarBallContact findCarBallContact(const Car& car, const Ball& ball);

// The game's extra push on a ball the car touches, from the positions at
// the start of the tick, the car's velocity before this tick's forces and
// the ball's after drag: along the line from the car to the ball with its
// height scaled by 0.35 and 35 % of its part along the car's nose removed,
// as long as the relative speed (at most 4600) times extraHitFactor.
Vec3 extraHitVelocity(const Car& car, Vec3 ballLocation, Vec3 ballVelocity);
// 0.65 up to 500 uu/s, then straight down to 0.55 at 2300 and 0.30 at 4600.
float extraHitFactor(float relativeSpeed);

}  // namespace sandbox::mechanics
