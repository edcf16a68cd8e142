#pragma once
// An autopilot: flies a drill's goal on the same controls a person has
// (pitch, yaw, roll, boost, jump, throttle), tick by tick. Tests use it to
// show that each drill can be done and scores as its definition says; the
// host program's `fly --autopilot` flies drills with it headless.
//
// Under the hood
//   Attitude. The turn from the car's attitude to the one wanted (the nose
//   on a direction, the roof up, or a whole attitude) is split over the
//   car's three axes. Each axis asks for a rate: proportional to what is
//   left of the turn near the goal, and no faster than it can still brake
//   from (at half its angular acceleration) farther off, plus the rate at
//   which the goal itself turns. The stick on that axis is the rate still
//   missing over a few ticks of full acceleration, plus what holds the rate
//   against damping.
//   Boost. A share of full boost is wanted from tick to tick; boost is on
//   or off (and a tap lasts at least 0.1 s), so the shares add up in a
//   credit and boost is pressed when half a tap's worth has built up.
//   Aerial touch. Each tick the ball's flight is followed ahead, and the
//   earliest moment whose point the car can reach with the boost it has
//   sets the direction to thrust in; the nose turns there and boosts when
//   near it.
//   Jumps. From the floor jump is pressed once and held while the jump
//   still pushes; for an aerial touch it is released as the held phase ends
//   and pressed again with the stick centred (a double jump, not a dodge).
//   Fast aerial. The aerial touch, with boost held from the jump's first
//   tick and the nose pulled up while the first jump pushes.
//   Shot on goal. On its wheels the car steers for a point behind the ball
//   on the line from the goal through where the ball will be when the car
//   gets there, nearer the ball as the car closes in, so it drives through
//   the ball towards the goal; full throttle, boost when heading for the
//   point, powerslide in a sharp turn, and a jump when the ball is high as
//   the car arrives.
//   Through rings. The car heads for a point behind the next ring on its
//   axis, nearer the ring as the car closes in, so that it comes through
//   along the ring's facing. A ring low enough to drive through is driven
//   to, as a shot on goal drives; a higher one is flown to: jump (and
//   double jump) from the floor, then the thrust wanted (towards the point
//   at a set speed, gravity held off) turns the nose, and boost fires when
//   the nose is near it.
//   Nose on ball. The nose stays on the ball and the thrust along it holds
//   the car at a fixed distance, hanging below the ball like a pendulum on a
//   string of boost.
#include "sandbox/Drills.h"
#include "sandbox/Physics.h"

namespace sandbox {

class Autopilot {
  public:
    // For a drill: its goal, its physics options, its target attitude.
    explicit Autopilot(const Drill& drill);
    Autopilot(DrillGoal goal, const PhysicsOptions& options, const Orientation& target = {});

    // The controls for the next tick.
    CarControls controls(const World& world);

  private:
    CarControls holdNoseOnBall(const World& world);
    CarControls alignWithVelocity(const World& world, bool against);
    CarControls landWheelsDown(const World& world);
    CarControls touchBall(const World& world);
    CarControls fastAerial(const World& world);
    CarControls shootAtGoal(const World& world);
    CarControls flyThroughRings(const World& world);
    // The jump button for a jump from the floor, and, when `doubleJump`,
    // the double jump after it (the stick is centred on its press tick).
    bool jumpButton(const CarState& car, bool doubleJump, CarControls& c);
    // Boost for a wanted share (0 to 1) of full boost this tick.
    bool boostFor(const CarState& car, float share);

    const Drill* drill_ = nullptr;  // a course's, for its next ring
    DrillGoal goal_;
    PhysicsOptions options_;
    Orientation target_;
    float boostCredit_ = 0.0f;       // ticks of boost owed (positive) or overdrawn
    bool airJumpUsed_ = false;       // since the car last stood on its wheels
    bool firstJumpPressed_ = false;  // a fast aerial's, in this attempt
};

}  // namespace sandbox
