#include "sandbox/Physics.h"

#include <cmath>

namespace sandbox {

using namespace model;

namespace {

// The box the car touches things with: its box, with the underside reaching
// down to where the wheels meet the floor, so that a car landing on its
// wheels stops at its resting height rather than sinking 18 uu first. In the
// car's axes it spans forward -46.375..74.135, right -43.35..43.35 and up
// -17.03..40.09.
constexpr float kContactForwardOffset = kCarBoxOffset.x;
constexpr float kContactTop = kCarBoxOffset.z + kCarBoxSize.z / 2.0f;
constexpr float kContactUpOffset = (kContactTop - kCarRestHeight) / 2.0f;
constexpr Vec3 kContactHalfSize{kCarBoxSize.x / 2.0f, kCarBoxSize.y / 2.0f,
                                (kContactTop + kCarRestHeight) / 2.0f};

// Below this speed into a surface the ball comes to rest against it instead
// of bouncing: three ticks of gravity. Without it a ball on the floor would
// hop a little every tick.
constexpr float kBallSettleSpeed = 3.0f * kGravity * kTickSeconds;
// Friction of a bounce: the speed along the surface drops by this share of
// the change in the speed into it (Coulomb friction), never below zero.
constexpr float kBallFriction = 0.2f;

float magnitude(float v) { return std::fabs(v); }

AxisRates airTorque(const CarControls& c, AxisRates rates) {
    return {
        kRollAcceleration * c.roll - kRollDamping * rates.roll,
        kPitchAcceleration * c.pitch - kPitchDamping * (1.0f - magnitude(c.pitch)) * rates.pitch,
        kYawAcceleration * c.yaw - kYawDamping * (1.0f - magnitude(c.yaw)) * rates.yaw};
}

// Whether the boost fires this tick; uses the tank when it does.
bool fireBoost(CarState& car, bool boostHeld, const PhysicsOptions& options) {
    const bool hasFuel = options.unlimitedBoost || car.boost > 0.0f;
    const bool fires = hasFuel && (boostHeld || car.boostTicksOwed > 0);
    if (fires) {
        if (!car.boosting) car.boostTicksOwed = kMinBoostTicks;
        if (car.boostTicksOwed > 0) car.boostTicksOwed -= 1;
        if (!options.unlimitedBoost) {
            car.boost -= kBoostUsePerSecond * kTickSeconds;
            if (car.boost < 0.0f) car.boost = 0.0f;
        }
    } else {
        car.boostTicksOwed = 0;
    }
    car.boosting = fires;
    return fires;
}

// The held jump's acceleration this tick (zero once the jump is over).
float jumpAcceleration(CarState& car, bool jumpHeld) {
    if (!car.jumping) return 0.0f;
    if (car.jumpTicks >= kJumpMaxTicks || (!jumpHeld && car.jumpTicks >= kJumpMinTicks)) {
        car.jumping = false;
        return 0.0f;
    }
    const float factor = car.jumpTicks < kJumpEarlyTicks ? kJumpEarlyFactor : 1.0f;
    car.jumpTicks += 1;
    return kJumpAcceleration * factor;
}

void flyOneTick(CarState& car, const CarControls& c, const PhysicsOptions& options) {
    const Orientation& axes = car.attitude;
    const AxisRates torque = airTorque(c, ratesInCarAxes(axes, car.spin));
    car.spin += spinFromCarRates(axes, torque) * kTickSeconds;

    Vec3 acceleration{0.0f, 0.0f, -kGravity};
    if (fireBoost(car, c.boost, options)) acceleration += axes.forward * kBoostAcceleration;
    acceleration += axes.forward * (kAirThrottleAcceleration * c.throttle);
    acceleration += axes.up * jumpAcceleration(car, c.jump);
    car.velocity += acceleration * kTickSeconds;

    car.location += car.velocity * kTickSeconds;
    car.attitude = orthonormalised(rotated(car.attitude, car.spin, kTickSeconds));

    car.spin = clampLength(car.spin, kMaxSpin);
    car.velocity = clampLength(car.velocity, kMaxCarSpeed);
}

// Half the contact box's extent along a world axis, given the car axes'
// components along it.
float contactHalfExtent(float forward, float right, float up) {
    return magnitude(forward) * kContactHalfSize.x + magnitude(right) * kContactHalfSize.y +
           magnitude(up) * kContactHalfSize.z;
}

Vec3 contactCentre(const CarState& car) {
    const Orientation& a = car.attitude;
    return car.location + a.forward * kContactForwardOffset + a.up * kContactUpOffset;
}

// Walls and ceiling stop the car: it is moved back inside and loses its
// speed into the surface; it keeps its spin and its speed along the surface.
void keepCarInside(CarState& car) {
    const Orientation& a = car.attitude;
    const Vec3 centre = contactCentre(car);
    const float halfX = contactHalfExtent(a.forward.x, a.right.x, a.up.x);
    const float halfY = contactHalfExtent(a.forward.y, a.right.y, a.up.y);
    const float halfZ = contactHalfExtent(a.forward.z, a.right.z, a.up.z);
    auto stop = [](float centreAt, float half, float limit, float& location, float& velocity) {
        if (centreAt + half > limit) {
            location -= centreAt + half - limit;
            if (velocity > 0.0f) velocity = 0.0f;
        } else if (centreAt - half < -limit) {
            location += -limit - (centreAt - half);
            if (velocity < 0.0f) velocity = 0.0f;
        }
    };
    stop(centre.x, halfX, arena::kHalfWidth, car.location.x, car.velocity.x);
    stop(centre.y, halfY, arena::kHalfLength, car.location.y, car.velocity.y);
    if (centre.z + halfZ > arena::kHeight) {
        car.location.z -= centre.z + halfZ - arena::kHeight;
        if (car.velocity.z > 0.0f) car.velocity.z = 0.0f;
    }
}

bool touchesFloor(const CarState& car) {
    const Orientation& a = car.attitude;
    return contactCentre(car).z - contactHalfExtent(a.forward.z, a.right.z, a.up.z) <= 0.0f;
}

// The underside lands when it faces the floor more than any other face does.
bool underSideDown(const Orientation& a) {
    return a.up.z > 0.0f && a.up.z >= magnitude(a.forward.z) && a.up.z >= magnitude(a.right.z);
}

Touchdown describeTouchdown(const CarState& car) {
    return {underSideDown(car.attitude), angleToVertical(car.attitude), length(car.spin),
            car.velocity};
}

// After a touchdown the car is set on its wheels where it came down, with
// its heading, its boost and its held buttons kept.
void settle(CarState& car) {
    CarState rest = restingCar(car.location.x, car.location.y, headingOf(car.attitude));
    rest.boost = car.boost;
    rest.jumpHeld = car.jumpHeld;
    car = rest;
}

// One bounce of the ball against a surface with inward normal `normal`,
// `depth` being how far the ball has passed it.
void bounceBall(BallState& ball, Vec3 normal, float depth) {
    ball.location += normal * depth;
    const float into = dot(ball.velocity, normal);
    if (into >= 0.0f) return;
    const Vec3 along = ball.velocity - normal * into;
    if (-into <= kBallSettleSpeed) {
        ball.velocity = along;
        return;
    }
    const float alongSpeed = length(along);
    const float loss = kBallFriction * (1.0f + kBallBounce) * -into;
    const float kept = alongSpeed > loss ? (alongSpeed - loss) / alongSpeed : 0.0f;
    ball.velocity = along * kept + normal * (-into * kBallBounce);
}

}  // namespace

bool operator==(const CarControls& a, const CarControls& b) {
    return a.steer == b.steer && a.pitch == b.pitch && a.yaw == b.yaw && a.roll == b.roll &&
           a.throttle == b.throttle && a.boost == b.boost && a.jump == b.jump &&
           a.handbrake == b.handbrake;
}

bool operator==(const CarState& a, const CarState& b) {
    return a.location == b.location && a.velocity == b.velocity && a.attitude == b.attitude &&
           a.spin == b.spin && a.boost == b.boost && a.onGround == b.onGround &&
           a.boosting == b.boosting && a.boostTicksOwed == b.boostTicksOwed &&
           a.jumpHeld == b.jumpHeld && a.jumping == b.jumping && a.jumpTicks == b.jumpTicks;
}

bool operator==(const BallState& a, const BallState& b) {
    return a.location == b.location && a.velocity == b.velocity;
}

bool operator==(const World& a, const World& b) { return a.car == b.car && a.ball == b.ball; }

CarState restingCar(float x, float y, float heading) {
    CarState car;
    car.location = {x, y, kCarRestHeight};
    car.attitude = levelOrientation(heading);
    return car;
}

TickReport stepCar(CarState& car, const CarControls& controls, const PhysicsOptions& options) {
    TickReport report;
    const bool freshJump = controls.jump && !car.jumpHeld;
    car.jumpHeld = controls.jump;
    if (car.onGround) {
        if (!freshJump) return report;
        car.onGround = false;
        car.jumping = true;
        car.jumpTicks = 0;
        car.velocity += car.attitude.up * kJumpImpulse;
        report.jumped = true;
    }
    flyOneTick(car, controls, options);
    keepCarInside(car);
    if (touchesFloor(car)) {
        report.landed = true;
        report.touchdown = describeTouchdown(car);
        settle(car);
    }
    return report;
}

void stepBall(BallState& ball, const PhysicsOptions& options) {
    if (!options.ballFloats) ball.velocity.z -= kGravity * kTickSeconds;
    ball.velocity = ball.velocity * kBallDragPerTick;
    ball.location += ball.velocity * kTickSeconds;

    const float r = kBallRadius;
    const Vec3& at = ball.location;
    if (at.z < r) bounceBall(ball, {0.0f, 0.0f, 1.0f}, r - at.z);
    if (at.z > arena::kHeight - r)
        bounceBall(ball, {0.0f, 0.0f, -1.0f}, at.z - (arena::kHeight - r));
    if (at.x < r - arena::kHalfWidth)
        bounceBall(ball, {1.0f, 0.0f, 0.0f}, r - arena::kHalfWidth - at.x);
    if (at.x > arena::kHalfWidth - r)
        bounceBall(ball, {-1.0f, 0.0f, 0.0f}, at.x - (arena::kHalfWidth - r));
    if (at.y < r - arena::kHalfLength)
        bounceBall(ball, {0.0f, 1.0f, 0.0f}, r - arena::kHalfLength - at.y);
    if (at.y > arena::kHalfLength - r)
        bounceBall(ball, {0.0f, -1.0f, 0.0f}, at.y - (arena::kHalfLength - r));

    ball.velocity = clampLength(ball.velocity, kMaxBallSpeed);
}

TickReport stepWorld(World& world, const CarControls& controls, const PhysicsOptions& options) {
    const TickReport report = stepCar(world.car, controls, options);
    stepBall(world.ball, options);
    return report;
}

float distanceToCarBox(const CarState& car, Vec3 point) {
    const Orientation& a = car.attitude;
    const Vec3 centre = car.location + a.forward * kCarBoxOffset.x + a.right * kCarBoxOffset.y +
                        a.up * kCarBoxOffset.z;
    const Vec3 d = point - centre;
    auto outside = [](float along, float half) {
        const float o = std::fabs(along) - half;
        return o > 0.0f ? o : 0.0f;
    };
    const Vec3 gap{outside(dot(d, a.forward), kCarBoxSize.x / 2.0f),
                   outside(dot(d, a.right), kCarBoxSize.y / 2.0f),
                   outside(dot(d, a.up), kCarBoxSize.z / 2.0f)};
    return length(gap);
}

}  // namespace sandbox
