#include "sandbox/Flight.h"

namespace sandbox {

namespace {

// A timer that has run `ticks` ticks: the float32 sum, as the full model
// keeps its timers.
float tickSum(int32_t ticks) {
    float t = 0.0f;
    for (int32_t i = 0; i < ticks; ++i) t += kTickSeconds;
    return t;
}

// Above this share of world up, a contact of the box is with the floor (a
// car come down on its roof or side), not a wall.
constexpr float kFloorNormalZ = 0.7f;

}  // namespace

mechanics::World fullWorldFrom(const World& start) {
    mechanics::World w;
    mechanics::Car& car = w.car;
    car.location = start.car.location;
    car.velocity = start.car.velocity;
    car.attitude = start.car.attitude;
    car.spin = start.car.spin;
    car.boost = start.car.boost;
    car.jumpHeld = start.car.jumpHeld;
    if (start.car.jumping) {
        car.hasJumped = true;
        car.isJumping = true;
        car.jumpTime = tickSum(start.car.jumpTicks);
    }
    car.boosting = start.car.boosting;
    if (car.boosting) car.boostTime = tickSum(model::kMinBoostTicks - start.car.boostTicksOwed);
    w.ball.location = start.ball.location;
    w.ball.velocity = start.ball.velocity;
    return w;
}

int wheelsTouching(const mechanics::Car& car) {
    int n = 0;
    for (const mechanics::Wheel& wheel : car.wheels) n += wheel.inContact ? 1 : 0;
    return n;
}

World legacyView(const mechanics::World& full) {
    World w;
    const mechanics::Car& car = full.car;
    CarState& view = w.car;
    view.location = car.location;
    view.velocity = car.velocity;
    view.attitude = car.attitude;
    view.spin = car.spin;
    view.boost = car.boost;
    view.onGround = wheelsTouching(car) >= 3;
    view.boosting = car.boosting;
    // The ticks of its minimum a boost still owes.
    int32_t owed = 0;
    if (car.boosting)
        for (float t = car.boostTime; t < 0.1f && owed < model::kMinBoostTicks; t += kTickSeconds)
            ++owed;
    view.boostTicksOwed = owed;
    view.jumpHeld = car.jumpHeld;
    view.jumping = car.isJumping;
    int32_t jumpTicks = 0;
    for (float t = 0.0f; car.isJumping && t < car.jumpTime && jumpTicks < model::kJumpMaxTicks;
         t += kTickSeconds)
        ++jumpTicks;
    view.jumpTicks = jumpTicks;
    w.ball.location = full.ball.location;
    w.ball.velocity = full.ball.velocity;
    return w;
}

mechanics::Options fullOptions(const PhysicsOptions& options) {
    mechanics::Options o;
    o.arena = mechanics::Arena::Box;
    o.unlimitedBoost = options.unlimitedBoost;
    o.ballFloats = options.ballFloats;
    o.dodgeDeadZone = options.dodgeDeadZone;
    return o;
}

Simulation Simulation::legacy(const World& start, const PhysicsOptions& options) {
    Simulation s;
    s.model_ = FlightModel::Legacy;
    s.options_ = options;
    s.view_ = start;
    return s;
}

Simulation Simulation::full(const mechanics::World& start, const PhysicsOptions& options) {
    Simulation s;
    s.model_ = FlightModel::Full;
    s.options_ = options;
    s.full_ = start;
    s.view_ = legacyView(start);
    s.goal_ = mechanics::goalOf(mechanics::Arena::Box, start.ball.location);
    return s;
}

TickReport Simulation::step(const CarControls& controls) {
    if (model_ == FlightModel::Legacy) return stepWorld(view_, controls, options_);
    return stepFull(controls);
}

TickReport Simulation::stepFull(const CarControls& controls) {
    const Vec3 velocityBefore = full_.car.velocity;
    const mechanics::TickEvents events = mechanics::step(full_, controls, fullOptions(options_));
    TickReport report;
    report.jumped = events.jumped;
    report.doubleJumped = events.doubleJumped;
    report.dodged = events.dodged;
    report.ballTouched = events.ballTouched;

    const mechanics::Car& car = full_.car;
    const bool onWheels = events.wheelsInContact >= 3;
    const bool downOnBox = car.touchedWorld && car.worldContactNormal.z > kFloorNormalZ;
    const bool down = onWheels || downOnBox;
    if (down && ticksUp_ >= kMinAirTicks) {
        report.landed = true;
        report.touchdown = {onWheels, angleToVertical(car.attitude), length(car.spin),
                            velocityBefore};
    }
    ticksUp_ = down ? 0 : (ticksUp_ < kMinAirTicks ? ticksUp_ + 1 : ticksUp_);

    const mechanics::Goal goal = mechanics::goalOf(mechanics::Arena::Box, full_.ball.location);
    if (goal != goal_ && goal != mechanics::Goal::None)
        report.goalScored = goal == mechanics::Goal::PositiveY ? 1 : -1;
    goal_ = goal;

    view_ = legacyView(full_);
    return report;
}

}  // namespace sandbox
