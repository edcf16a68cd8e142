#include "sandbox/Autopilot.h"

#include <algorithm>
#include <cmath>

#include "sandbox/Courses.h"

namespace sandbox {

using namespace model;

namespace {

constexpr float kPi = 3.14159265f;
constexpr Vec3 kWorldUp{0.0f, 0.0f, 1.0f};

// --------------------------------------------------------------- attitude

// A rate error is closed over this long at full angular acceleration.
constexpr float kRateResponse = 0.03f;
// Near the goal, the rate wanted per radian of turn left.
constexpr float kTurnGain = 6.0f;
// Farther off, the rate is what can still be braked at this share of the
// axis's angular acceleration (the rest is margin for the other axes).
constexpr float kBrakeShare = 0.5f;
constexpr float kMaxWantedRate = 5.0f;  // under the model's cap of 5.5

float clampUnit(float v) { return std::clamp(v, -1.0f, 1.0f); }

float axisInput(float turnLeft, float rate, float goalRate, float acceleration, float damping) {
    const float nearRate = kTurnGain * std::fabs(turnLeft);
    const float brakingRate = std::sqrt(2.0f * kBrakeShare * acceleration * std::fabs(turnLeft));
    const float wanted =
        std::clamp(std::copysign(std::min(nearRate, brakingRate), turnLeft) + goalRate,
                   -kMaxWantedRate, kMaxWantedRate);
    return clampUnit((wanted - rate) / (acceleration * kRateResponse) +
                     damping * wanted / acceleration);
}

// The stick that turns the car by `turn` (a world rotation vector) while
// the goal itself turns at `goalSpin` (rad/s, world).
CarControls steer(const CarState& car, Vec3 turn, Vec3 goalSpin) {
    const AxisRates left = ratesInCarAxes(car.attitude, turn);
    const AxisRates rate = ratesInCarAxes(car.attitude, car.spin);
    const AxisRates follow = ratesInCarAxes(car.attitude, goalSpin);
    CarControls c;
    c.roll = axisInput(left.roll, rate.roll, follow.roll, kRollAcceleration, kRollDamping);
    c.pitch = axisInput(left.pitch, rate.pitch, follow.pitch, kPitchAcceleration, kPitchDamping);
    c.yaw = axisInput(left.yaw, rate.yaw, follow.yaw, kYawAcceleration, kYawDamping);
    c.steer = c.yaw;
    return c;
}

// The turn that brings the unit vector `from` onto the direction `to` about
// the axis square to both; about `halfTurnAxis` when they are opposite.
Vec3 turnOnto(Vec3 from, Vec3 to, Vec3 halfTurnAxis) {
    const Vec3 axis = cross(from, to);
    const float sine = length(axis);
    if (sine > 1e-6f) return axis * (angleBetween(from, to) / sine);
    return dot(from, to) > 0.0f ? Vec3{} : halfTurnAxis * kPi;
}

// Jump from the floor (a fresh press), and keep it held while the jump
// still pushes.
bool jumpFor(const CarState& car) { return car.jumping || (car.onGround && !car.jumpHeld); }

// ---------------------------------------------------------- nose on ball

// The car hangs this far from the ball; the distance is held as a spring
// (per second squared) with damping (per second) on the thrust along the
// nose.
constexpr float kHangDistance = 700.0f;
constexpr float kHangSpring = 2.0f;
constexpr float kHangDamping = 2.2f;
// Thrust only with the nose this near the ball: elsewhere it would push the
// car off its swing.
const float kThrustAlignment = std::cos(20.0f * kPi / 180.0f);

// ----------------------------------------------------------- aerial touch

// How far ahead the ball's flight is followed, and the share of full boost
// an intercept may ask for (the rest is margin for turning while boosting).
constexpr int kLookAheadTicks = 5 * kTicksPerSecond;
constexpr float kReachableShare = 0.85f;
const float kBoostAlignment = std::cos(20.0f * kPi / 180.0f);

// The thrust (the average acceleration wanted besides gravity, uu/s^2) that
// takes the car to the earliest point of the ball's flight it can reach with
// the boost it has; if it can reach none, to the point that asks least.
Vec3 interceptThrust(const CarState& car, BallState ball, const PhysicsOptions& options) {
    const float boostSeconds = options.unlimitedBoost ? 1e9f : car.boost / kBoostUsePerSecond;
    Vec3 best{};
    float bestNeed = 1e30f;
    for (int k = 1; k <= kLookAheadTicks; ++k) {
        stepBall(ball, options);
        const float t = static_cast<float>(k) * kTickSeconds;
        const Vec3 coasting =
            car.location + car.velocity * t + Vec3{0.0f, 0.0f, -0.5f * kGravity * t * t};
        const Vec3 thrust = (ball.location - coasting) * (2.0f / (t * t));
        const float need = length(thrust);
        const float share = need / kBoostAcceleration;
        if (share <= kReachableShare && share * t <= boostSeconds) return thrust;
        if (need < bestNeed) {
            bestNeed = need;
            best = thrust;
        }
    }
    return best;
}

}  // namespace

Autopilot::Autopilot(const Drill& drill)
    : Autopilot(drill.info().goal, drill.start().options,
                drill.targetAttitude().value_or(Orientation{})) {
    drill_ = &drill;
}

Autopilot::Autopilot(DrillGoal goal, const PhysicsOptions& options, const Orientation& target)
    : goal_(goal), options_(options), target_(target) {}

CarControls Autopilot::controls(const World& world) {
    switch (goal_) {
        case DrillGoal::NoseOnBall:
            return holdNoseOnBall(world);
        case DrillGoal::NoseAlongVelocity:
            return alignWithVelocity(world, false);
        case DrillGoal::NoseAgainstVelocity:
            return alignWithVelocity(world, true);
        case DrillGoal::LandWheelsDown:
            return landWheelsDown(world);
        case DrillGoal::HoldAttitude: {
            const CarState& car = world.car;
            CarControls c = steer(car, turnBetween(car.attitude, target_), {});
            c.jump = jumpFor(car);
            c.boost = boostFor(car, 0.0f);
            return c;
        }
        case DrillGoal::TouchBall:
            return touchBall(world);
        case DrillGoal::FastAerial:
            return fastAerial(world);
        case DrillGoal::ShootAtGoal:
            return shootAtGoal(world);
        case DrillGoal::FlyThroughRings:
            return flyThroughRings(world);
    }
    return {};
}

bool Autopilot::jumpButton(const CarState& car, bool doubleJump, CarControls& c) {
    // The jump from the floor leaves the air jump unused. (A car standing
    // still at the start reads as off the floor for its first tick, before
    // its wheels have looked for the floor; its press then is still the
    // ground jump.)
    if (car.onGround || car.jumping) airJumpUsed_ = false;
    if (jumpFor(car)) return true;
    if (!doubleJump || car.onGround || airJumpUsed_) return false;
    if (car.jumpHeld) return false;  // a fresh press needs a release first
    airJumpUsed_ = true;
    c.pitch = c.yaw = c.roll = 0.0f;
    return true;
}

bool Autopilot::boostFor(const CarState& car, float share) {
    const float limit = 2.0f * kMinBoostTicks;
    boostCredit_ = std::clamp(boostCredit_ + std::clamp(share, 0.0f, 1.0f), -limit, limit);
    const bool press =
        boostCredit_ >= 0.5f * kMinBoostTicks || (car.boosting && boostCredit_ > 0.0f);
    const bool hasFuel = options_.unlimitedBoost || car.boost > 0.0f;
    if ((press || car.boostTicksOwed > 0) && hasFuel) boostCredit_ -= 1.0f;
    return press;
}

CarControls Autopilot::holdNoseOnBall(const World& world) {
    const CarState& car = world.car;
    const Vec3 toBall = world.ball.location - car.location;
    const float distance = length(toBall);
    if (distance < 1.0f) return steer(car, {}, {});  // inside the ball: nowhere to aim
    const Vec3 aim = toBall * (1.0f / distance);
    const Vec3 relative = world.ball.velocity - car.velocity;
    // The direction to the ball turns at (aim x relative velocity) / distance.
    CarControls c = steer(car, turnOnto(car.attitude.forward, aim, car.attitude.right),
                          cross(aim, relative) * (1.0f / distance));
    c.jump = jumpFor(car);
    // Along the string: what the swing and gravity take, plus the spring.
    const float closing = dot(aim, relative);  // the distance's rate of change
    const float across = std::max(dot(relative, relative) - closing * closing, 0.0f);
    const float aligned = dot(car.attitude.forward, aim);
    float thrust = across / distance + kGravity * aim.z + kHangSpring * (distance - kHangDistance) +
                   kHangDamping * closing;
    thrust = aligned >= kThrustAlignment ? thrust / aligned : 0.0f;
    if (thrust <= kAirThrottleAcceleration) {
        c.throttle = clampUnit(thrust / kAirThrottleAcceleration);
        c.boost = boostFor(car, 0.0f);
    } else {
        c.throttle = 1.0f;
        c.boost = boostFor(car, (thrust - kAirThrottleAcceleration) / kBoostAcceleration);
    }
    return c;
}

CarControls Autopilot::alignWithVelocity(const World& world, bool against) {
    const CarState& car = world.car;
    const Vec3 relative = car.velocity - world.ball.velocity;
    const float speed = length(relative);
    if (speed < 1.0f) return steer(car, {}, {});
    const Vec3 along = relative * (1.0f / speed);
    // Gravity bends the flight: the velocity's direction turns at
    // (direction x gravity) / speed, and so does its opposite.
    const Vec3 bend = cross(along, Vec3{0.0f, 0.0f, -kGravity}) * (1.0f / speed);
    CarControls c = steer(
        car, turnOnto(car.attitude.forward, against ? -along : along, car.attitude.right), bend);
    c.boost = boostFor(car, 0.0f);
    return c;
}

CarControls Autopilot::landWheelsDown(const World& world) {
    const CarState& car = world.car;
    // The roof up, the heading left as it is (the turn is square to the up
    // axis, so the yaw rate is damped to nothing).
    CarControls c = steer(car, turnOnto(car.attitude.up, kWorldUp, car.attitude.forward), {});
    c.boost = boostFor(car, 0.0f);
    return c;
}

CarControls Autopilot::touchBall(const World& world) {
    const CarState& car = world.car;
    const Vec3 thrust = interceptThrust(car, world.ball, options_);
    const float need = length(thrust);
    const Vec3 direction = need > 0.0f ? thrust * (1.0f / need) : kWorldUp;
    CarControls c = steer(car, turnOnto(car.attitude.forward, direction, car.attitude.right), {});
    c.jump = jumpButton(car, true, c);
    const bool aligned = !car.onGround && dot(car.attitude.forward, direction) >= kBoostAlignment;
    c.throttle = aligned ? 1.0f : 0.0f;
    c.boost = boostFor(car, aligned ? need / kBoostAcceleration : 0.0f);
    return c;
}

// A fast aerial: the aerial touch, with boost from the jump's first tick
// and the nose pulled up while the first jump pushes (as players fly it).
CarControls Autopilot::fastAerial(const World& world) {
    CarControls c = touchBall(world);
    const CarState& car = world.car;
    if (car.jumping || !firstJumpPressed_) {
        c.boost = true;
        c.throttle = 1.0f;
        c.pitch = 1.0f;
    }
    firstJumpPressed_ = firstJumpPressed_ || c.jump;
    return c;
}

namespace {

// Shot on goal: a point inside the goal at +y to shoot at, how far ahead
// the ball is followed, how fast the car is taken to gain speed when
// working out where it meets the ball, and the steering's gain.
constexpr Vec3 kShotTarget{0.0f, arena::kHalfLength + 300.0f, 0.0f};
constexpr int kShotLookAheadTicks = 3 * kTicksPerSecond;
constexpr float kDriveAcceleration = 1500.0f;
constexpr float kSteerGain = 3.0f;
// Behind the ball by this share of the distance to it, at most the cap.
constexpr float kLineUpShare = 0.4f;
constexpr float kLineUpMax = 700.0f;
// A ball whose centre is lower than this meets the front of the car's box
// on the floor: the car aims to arrive while the ball is that low, and jumps
// only for a ball that will not come down in time.
constexpr float kGroundHitHeight = 140.0f;
// A car between the ball and the goal goes round the ball, this far to the
// side.
constexpr float kGoRound = 500.0f;

Vec3 flat(Vec3 v) { return {v.x, v.y, 0.0f}; }

// The signed turn (radians, + to the right) from the car's heading to a
// direction along the floor.
float headingError(const CarState& car, Vec3 towards) {
    return std::atan2(dot(towards, car.attitude.right), dot(towards, car.attitude.forward));
}

}  // namespace

CarControls Autopilot::shootAtGoal(const World& world) {
    const CarState& car = world.car;
    if (!car.onGround) {
        CarControls c = landWheelsDown(world);
        c.jump = jumpButton(car, false, c);
        return c;
    }
    // Where the ball is when the car can first be there with the ball low
    // enough to hit from the floor (or, if it stays high, first be there).
    const float speed = std::max(dot(car.velocity, car.attitude.forward), 0.0f);
    BallState ahead = world.ball;
    Vec3 meet = ahead.location;
    bool reachable = false;
    for (int k = 1; k <= kShotLookAheadTicks; ++k) {
        stepBall(ahead, options_);
        const float t = static_cast<float>(k) * kTickSeconds;
        const float reach =
            std::min(speed * t + 0.5f * kDriveAcceleration * t * t, kMaxCarSpeed * t);
        if (reach < length(flat(ahead.location - car.location))) continue;
        if (!reachable) meet = ahead.location;
        reachable = true;
        if (ahead.location.z < kGroundHitHeight) {
            meet = ahead.location;
            break;
        }
    }
    const Vec3 toGoal = flat(kShotTarget - meet);
    const Vec3 shot = toGoal * (1.0f / std::max(length(toGoal), 1.0f));
    const Vec3 fromBall = flat(car.location - meet);
    const float distance = length(fromBall);
    Vec3 target = meet - shot * std::min(kLineUpShare * distance, kLineUpMax);
    if (dot(fromBall, shot) > 0.0f) {
        // On the goal's side of the ball: round it, on the side the car is.
        const Vec3 across{-shot.y, shot.x, 0.0f};
        const float side = dot(fromBall, across) >= 0.0f ? 1.0f : -1.0f;
        target = meet - shot * kLineUpMax + across * (side * kGoRound);
    }
    const float error = headingError(car, flat(target - car.location));

    CarControls c;
    c.steer = clampUnit(kSteerGain * error);
    c.yaw = c.steer;
    c.throttle = 1.0f;
    c.handbrake = std::fabs(error) > 1.2f && speed > 600.0f;
    const bool arriving = distance < 0.15f * speed + 150.0f;
    c.jump = arriving && meet.z >= kGroundHitHeight + 60.0f ? jumpFor(car) : false;
    c.boost = std::fabs(error) < 0.3f && speed < kMaxCarSpeed - 100.0f;
    return c;
}

namespace {

// Through rings: the point aimed at lies behind the ring on its axis by
// this share of the distance to it, at most the cap; a ring whose centre
// is within this height of the car on its wheels is driven through; the
// speed the flight asks for, and how soon it wants it.
constexpr float kRingLeadShare = 0.45f;
constexpr float kRingLeadMax = 900.0f;
constexpr float kDriveThroughHeight = 0.6f;  // of the ring's radius
constexpr float kRingFlightSpeed = 1100.0f;
constexpr float kRingFlightResponse = 0.6f;
constexpr float kRingAxisTime = 0.4f;
constexpr float kRingMaxAcross = 900.0f;
const float kRingBoostAlignment = std::cos(40.0f * kPi / 180.0f);

}  // namespace

CarControls Autopilot::flyThroughRings(const World& world) {
    const CarState& car = world.car;
    const CourseRun* run = drill_ != nullptr ? drill_->courseRun() : nullptr;
    if (run == nullptr || run->done()) return landWheelsDown(world);
    const Ring& ring = run->course().rings[run->next()];
    const Vec3 toRing = ring.centre - car.location;
    const float distance = length(toRing);
    const float behind = -dot(toRing, ring.facing);  // > 0: past the ring's plane
    Vec3 aim = ring.centre - ring.facing * std::min(kRingLeadShare * distance, kRingLeadMax);
    // Past the plane already: back round to its near side first.
    if (behind > 0.0f) aim = ring.centre - ring.facing * kRingLeadMax;
    const bool drive =
        std::fabs(ring.centre.z - model::kCarRestHeight) < kDriveThroughHeight * ring.radius;
    if (drive && car.onGround) {
        const float speed = std::max(dot(car.velocity, car.attitude.forward), 0.0f);
        const float error = headingError(car, flat(aim - car.location));
        CarControls c;
        c.steer = clampUnit(kSteerGain * error);
        c.yaw = c.steer;
        c.throttle = 1.0f;
        c.handbrake = std::fabs(error) > 1.2f && speed > 600.0f;
        c.boost = std::fabs(error) < 0.2f && speed < kRingFlightSpeed;
        return c;
    }
    if (drive) {  // in the air on a driving course: land and drive on
        CarControls c = landWheelsDown(world);
        c.throttle = 1.0f;
        return c;
    }
    // Along the ring's axis at the flight's speed, and across onto the
    // axis by the time the plane is reached (no sooner than kRingAxisTime).
    Vec3 wanted;
    if (behind > 0.0f) {
        const Vec3 toAim = aim - car.location;
        wanted = toAim * (kRingFlightSpeed / std::max(length(toAim), 1.0f));
    } else {
        const Vec3 across = toRing + ring.facing * behind;
        const float planeTime = std::max(-behind / kRingFlightSpeed, kRingAxisTime);
        Vec3 closing = across * (1.0f / planeTime);
        const float closingSpeed = length(closing);
        if (closingSpeed > kRingMaxAcross) closing = closing * (kRingMaxAcross / closingSpeed);
        wanted = ring.facing * kRingFlightSpeed + closing;
    }
    const Vec3 thrust =
        (wanted - car.velocity) * (1.0f / kRingFlightResponse) + Vec3{0.0f, 0.0f, kGravity};
    const float need = length(thrust);
    const Vec3 direction = need > 0.0f ? thrust * (1.0f / need) : kWorldUp;
    CarControls c = steer(car, turnOnto(car.attitude.forward, direction, car.attitude.right), {});
    c.jump = jumpButton(car, true, c);
    const bool aligned =
        !car.onGround && dot(car.attitude.forward, direction) >= kRingBoostAlignment;
    c.throttle = aligned ? 1.0f : 0.0f;
    c.boost = boostFor(car, aligned ? need / kBoostAcceleration : 0.0f);
    return c;
}

}  // namespace sandbox
