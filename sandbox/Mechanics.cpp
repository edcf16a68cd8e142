#include "sandbox/Mechanics.h"

#include <cmath>

#include "sandbox/Contacts.h"
#include "sandbox/Wheels.h"

namespace sandbox::mechanics {

namespace {

constexpr float kDt = kTickSeconds;
constexpr float kPi = 3.14159265358979f;

// The ground jump: an impulse along the car's up axis, then a held push
// along it, weaker while the jump is younger than its minimum time. The
// air jump is the same impulse.
constexpr float kJumpImpulse = 875.0f / 3.0f;
constexpr float kJumpAcceleration = 4375.0f / 3.0f;
constexpr float kJumpEarlyFactor = 0.62f;
constexpr float kJumpMinTime = 0.025f;
constexpr float kJumpMaxTime = 0.2f;
// A minimum jump whose wheels have not left the floor yet is not reset.
constexpr float kJumpResetPad = 0.025f;
// An air jump or dodge needs a press within this time of the held jump's
// end (float32 sums: 150 ticks, counting the tick it ended).
constexpr float kAirJumpWindow = 1.25f;

// Dodges. Below the dead zone (|pitch| + |yaw| + |roll|, Options) an air jump is a
// double jump. A stick part smaller than kDodgeMinInput gives neither
// direction nor impulse along it.
constexpr float kDodgeMinInput = 0.1f;
constexpr float kDodgeSpeed = 500.0f;
// At full speed the impulse along the heading is this many times larger
// (forward, backward) and across it (side); in between, in proportion to
// the forward speed. A backward dodge gets 16/15 more still.
constexpr float kDodgeForwardScale = 1.0f;
constexpr float kDodgeBackwardScale = 2.5f;
constexpr float kDodgeSideScale = 1.9f;
constexpr float kDodgeBackwardFactor = 16.0f / 15.0f;
// Slower than this, a dodge is backwards if the stick says so.
constexpr float kDodgeStillSpeed = 100.0f;
// The flip's spin-up about the car's forward (roll) and right (pitch) axes,
// rad/s^2, for its 0.65 s.
constexpr float kFlipRollAcceleration = 260.0f;
constexpr float kFlipPitchAcceleration = 224.0f;
constexpr float kFlipTime = 0.65f;
// Vertical damping during the flip: v_z *= (1 - 0.35)^(120 dt), 0.65 at
// 120 Hz, from 0.15 s on; after 0.21 s only while falling.
constexpr float kFlipDampingStart = 0.15f;
constexpr float kFlipDampingAlways = 0.21f;
constexpr float kFlipVerticalDamping = 0.65f;
// After a dodge the pitch stick does nothing until then.
constexpr float kPitchLockTime = 0.95f;

// Auto-flip: on its roof (|roll| past 2.8) on a floor-like surface (normal
// z past cos 45 degrees), a jump press pushes off and rolls the car over.
constexpr float kAutoFlipNormalZ = 0.70710678f;
constexpr float kAutoFlipMinRoll = 2.8f;
constexpr float kAutoFlipImpulse = 200.0f;
constexpr float kAutoFlipTime = 0.4f;  // times |roll| / pi
constexpr float kAutoFlipRollAcceleration = 50.0f;

// Auto-roll: with throttle while partly on a surface, the car is pulled to
// it and turned to sit flat on it.
constexpr float kAutoRollAcceleration = 100.0f;
constexpr float kAutoRollTurn = 80.0f;

constexpr float kAirBoost = 3175.0f / 3.0f;
constexpr float kGroundBoost = 2975.0f / 3.0f;
constexpr float kBoostMinTime = 0.1f;  // a tap fires for 12 ticks
constexpr float kAirThrottle = 200.0f / 3.0f;

// Supersonic from 2200 uu/s; in its first second it holds down to 2100.
constexpr float kSupersonicSpeed = 2200.0f;
constexpr float kSupersonicHoldSpeed = 2100.0f;
constexpr float kSupersonicHoldTime = 1.0f;

float clampUnit(float v) { return v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v); }
float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// The air-control torque per car axis (as rates, in the controls' sense):
// the stick's push minus damping of this tick's rates, pitch's and yaw's
// damping fading as their stick is held. A locked pitch neither pushes nor
// fades its damping.
AxisRates airControl(const CarControls& c, bool pitchLocked, AxisRates rates) {
    using namespace model;
    const float pitch = pitchLocked ? 0.0f : c.pitch;
    return {kRollAcceleration * c.roll - kRollDamping * rates.roll,
            kPitchAcceleration * pitch - kPitchDamping * (1.0f - std::fabs(pitch)) * rates.pitch,
            kYawAcceleration * c.yaw - kYawDamping * (1.0f - std::fabs(c.yaw)) * rates.yaw};
}

// Step 2e, with fewer than three wheels down. `airControlAllowed`: no wheel
// touches at all.
void airTorque(Car& car, const CarControls& c, bool airControlAllowed, CarForces& forces) {
    const Orientation& axes = car.attitude;
    car.isFlipping = car.isFlipping && car.hasFlipped && car.flipTime < kFlipTime;
    bool stickWorks = true;
    if (car.isFlipping && (car.flipTorqueForward != 0.0f || car.flipTorqueRight != 0.0f)) {
        // No air control during a flip, unless the stick is pulled against
        // its pitch: that cancels that much of it and gives air control back.
        stickWorks = false;
        float pitchPart = car.flipTorqueRight;
        if (pitchPart != 0.0f && c.pitch != 0.0f && (pitchPart > 0.0f) == (c.pitch > 0.0f)) {
            pitchPart *= 1.0f - std::fabs(c.pitch);
            stickWorks = true;
        }
        forces.angularAcceleration +=
            axes.forward * (kFlipRollAcceleration * car.flipTorqueForward) +
            axes.right * (kFlipPitchAcceleration * pitchPart);
    }
    if (stickWorks && airControlAllowed && !car.isAutoFlipping) {
        const bool stickMoved = c.pitch != 0.0f || c.yaw != 0.0f || c.roll != 0.0f;
        const bool pitchLocked = stickMoved && car.hasFlipped && car.flipTime < kPitchLockTime;
        const AxisRates torque = airControl(c, pitchLocked, ratesInCarAxes(axes, car.spin));
        forces.angularAcceleration += spinFromCarRates(axes, torque);
    }
    forces.acceleration += axes.forward * (kAirThrottle * c.throttle);
}

// Step 2f, first: the jump from the wheels and its held push.
void groundJump(Car& car, bool jumpHeld, bool jumpPressed, bool onGround, CarForces& forces,
                TickEvents& events) {
    if (onGround && !car.isJumping &&
        !(car.hasJumped && car.jumpTime < kJumpMinTime + kJumpResetPad)) {
        car.hasJumped = false;
        car.jumpTime = 0.0f;
    }
    if (car.isJumping) {
        car.isJumping = car.jumpTime < kJumpMinTime || (jumpHeld && car.jumpTime < kJumpMaxTime);
    } else if (onGround && jumpPressed) {
        car.isJumping = true;
        car.jumpTime = 0.0f;
        car.velocity += car.attitude.up * kJumpImpulse;
        events.jumped = true;
    }
    if (car.isJumping) {
        car.hasJumped = true;
        const float push =
            car.jumpTime < kJumpMinTime ? kJumpAcceleration * kJumpEarlyFactor : kJumpAcceleration;
        forces.acceleration += car.attitude.up * push;
    }
    if (car.isJumping || car.hasJumped) car.jumpTime += kDt;
}

// Step 2f, second: a car on its roof rights itself on a fresh press.
void autoFlip(Car& car, bool jumpPressed, TickEvents& events) {
    if (jumpPressed && car.touchedWorld && car.worldContactNormal.z > kAutoFlipNormalZ) {
        const float roll = rollAngle(car.attitude);
        if (std::fabs(roll) > kAutoFlipMinRoll) {
            car.isAutoFlipping = true;
            car.autoFlipTime = kAutoFlipTime * (std::fabs(roll) / kPi);
            car.autoFlipSign = roll > 0.0f ? 1.0f : -1.0f;
            car.velocity += car.attitude.up * -kAutoFlipImpulse;
            events.autoFlipped = true;
        }
    }
    if (!car.isAutoFlipping) return;
    if (car.autoFlipTime <= 0.0f) {
        car.isAutoFlipping = false;
        car.autoFlipTime = 0.0f;
        return;
    }
    car.spin += car.attitude.forward * (kAutoFlipRollAcceleration * car.autoFlipSign * kDt);
    car.autoFlipTime -= kDt;
}

// The dodge's start: its turn, kept for the whole flip, and its impulse,
// horizontal only, along and across the heading.
void startDodge(Car& car, const CarControls& c, float forwardSpeed) {
    car.flipTime = 0.0f;
    car.hasFlipped = true;
    car.isFlipping = true;

    // Direction (forward, right) from the stick; a stall has none.
    float ahead = -c.pitch;
    float across = c.yaw + c.roll;
    if (std::fabs(across) < kDodgeMinInput && std::fabs(c.pitch) < kDodgeMinInput) {
        ahead = 0.0f;
        across = 0.0f;
    } else {
        const float inverseLength = 1.0f / std::sqrt(ahead * ahead + across * across);
        ahead *= inverseLength;
        across *= inverseLength;
    }
    car.flipTorqueForward = -across;
    car.flipTorqueRight = ahead;

    if (std::fabs(ahead) < kDodgeMinInput) ahead = 0.0f;
    if (std::fabs(across) < kDodgeMinInput) across = 0.0f;
    if (ahead == 0.0f && across == 0.0f) return;

    const float speed = std::fabs(forwardSpeed);
    const float speedRatio = speed / kMaxCarSpeed;
    const bool backwards =
        speed < kDodgeStillSpeed ? ahead < 0.0f : (ahead >= 0.0f) != (forwardSpeed >= 0.0f);
    const float aheadScale = backwards ? kDodgeBackwardScale : kDodgeForwardScale;
    float alongHeading = ahead * kDodgeSpeed * ((aheadScale - 1.0f) * speedRatio + 1.0f);
    const float acrossHeading =
        across * kDodgeSpeed * ((kDodgeSideScale - 1.0f) * speedRatio + 1.0f);
    if (backwards) alongHeading *= kDodgeBackwardFactor;

    const Vec3 f = car.attitude.forward;
    const float flat = std::sqrt(f.x * f.x + f.y * f.y);
    if (flat == 0.0f) return;  // nose straight up or down: no heading
    const float hx = f.x / flat, hy = f.y / flat;
    car.velocity +=
        Vec3{alongHeading * hx - acrossHeading * hy, alongHeading * hy + acrossHeading * hx, 0.0f};
}

// Step 2f, last: air jump or dodge, the flip's timer and vertical damping.
void airJump(Car& car, const CarControls& c, bool jumpPressed, bool onGround, float forwardSpeed,
             float dodgeDeadZone, TickEvents& events) {
    if (onGround) {
        car.hasDoubleJumped = false;
        car.hasFlipped = false;
        car.timeSinceJump = 0.0f;
        car.flipTime = 0.0f;
    } else {
        if (car.hasJumped && !car.isJumping)
            car.timeSinceJump += kDt;
        else
            car.timeSinceJump = 0.0f;
        if (jumpPressed && car.timeSinceJump < kAirJumpWindow && !car.isAutoFlipping &&
            !car.hasDoubleJumped && !car.hasFlipped) {
            if (std::fabs(c.yaw) + std::fabs(c.pitch) + std::fabs(c.roll) >= dodgeDeadZone) {
                startDodge(car, c, forwardSpeed);
                events.dodged = true;
            } else {
                car.velocity += car.attitude.up * kJumpImpulse;
                car.hasDoubleJumped = true;
                events.doubleJumped = true;
            }
        }
    }
    if (car.isFlipping) {
        car.flipTime += kDt;
        const float t = car.flipTime;
        if (t <= kFlipTime && t >= kFlipDampingStart &&
            (car.velocity.z < 0.0f || t < kFlipDampingAlways))
            car.velocity.z *= kFlipVerticalDamping;
    } else if (car.hasFlipped) {
        car.flipTime += kDt;  // the pitch lock reads it
    }
}

// Step 2g. Not yet checked against the car game's figures (it needs wheels
// or the box on a surface).
void autoRoll(Car& car, float throttle, const WheelsTick& wheels, CarForces& forces) {
    if (throttle == 0.0f) return;
    const bool partlyOnWheels = wheels.inContact >= 1 && wheels.inContact <= 3;
    if (!partlyOnWheels && !car.touchedWorld) return;
    Vec3 normal = car.worldContactNormal;
    if (wheels.inContact > 0) {
        Vec3 sum{};
        for (const Wheel& w : car.wheels)
            if (w.inContact) sum += w.contactNormal;
        normal = sum * (1.0f / length(sum));
    }
    const Orientation& a = car.attitude;
    forces.acceleration += normal * -kAutoRollAcceleration;
    const Vec3 crossRight = cross(normal, a.forward);
    const Vec3 crossForward = cross(-normal, crossRight);
    const float rightShare = 1.0f - clamp01(dot(a.right, crossRight));
    const float forwardShare = 1.0f - clamp01(dot(a.forward, crossForward));
    const Vec3 rightTurn = a.forward * (dot(a.right, normal) >= 0.0f ? -1.0f : 1.0f);
    const Vec3 forwardTurn = a.right * (dot(a.forward, normal) >= 0.0f ? 1.0f : -1.0f);
    forces.angularAcceleration +=
        (forwardTurn * forwardShare + rightTurn * rightShare) * kAutoRollTurn;
}

// Step 2i. A boost fires while held with fuel, and a tap for its minimum
// time.
void boostCar(Car& car, bool held, bool onGround, const Options& options, CarForces& forces) {
    const bool hasFuel = options.unlimitedBoost || car.boost > 0.0f;
    car.boosting = hasFuel && (held || (car.boosting && car.boostTime < kBoostMinTime));
    if (!car.boosting) {
        car.boostTime = 0.0f;
        return;
    }
    car.boostTime += kDt;
    if (!options.unlimitedBoost) {
        car.boost -= model::kBoostUsePerSecond * kDt;
        if (car.boost < 0.0f) car.boost = 0.0f;
    }
    forces.acceleration += car.attitude.forward * (onGround ? kGroundBoost : kAirBoost);
}

// Step 4, on the speed before the cap.
void updateSupersonic(Car& car) {
    const float holds = car.supersonic && car.supersonicTime < kSupersonicHoldTime
                            ? kSupersonicHoldSpeed
                            : kSupersonicSpeed;
    car.supersonic = dot(car.velocity, car.velocity) >= holds * holds;
    car.supersonicTime = car.supersonic ? car.supersonicTime + kDt : 0.0f;
}

// Step 2: everything the car does before the physics step.
CarForces carPreTick(World& world, const CarControls& controls, const Options& options,
                     TickEvents& events) {
    Car& car = world.car;
    const WheelsTick wheels = wheelsFirstHalf(car, world.ball, options.arena, world.tick);
    const bool jumpPressed = controls.jump && !car.jumpHeld;
    const bool onGround = wheels.inContact >= 3;
    const float forwardSpeed = dot(car.velocity, car.attitude.forward);
    events.wheelsInContact = wheels.inContact;

    CarForces forces;
    const bool hasFuel = options.unlimitedBoost || car.boost > 0.0f;
    updateWheelControls(car, wheels, controls,
                        {forwardSpeed, wheels.inContact, controls.boost && hasFuel}, forces);
    if (onGround)
        car.isFlipping = false;
    else
        airTorque(car, controls, wheels.inContact == 0, forces);
    groundJump(car, controls.jump, jumpPressed, onGround, forces, events);
    autoFlip(car, jumpPressed, events);
    airJump(car, controls, jumpPressed, onGround, forwardSpeed, options.dodgeDeadZone, events);
    autoRoll(car, controls.throttle, wheels, forces);
    wheelsSecondHalf(car, wheels);
    boostCar(car, controls.boost, onGround, options, forces);
    car.jumpHeld = controls.jump;
    return forces;
}

// Step 3a: the velocities after this tick's forces.
PhysicsStep startPhysicsStep(const World& world, const CarForces& forces, bool ballAwake,
                             const Options& options) {
    const Car& car = world.car;
    const Ball& ball = world.ball;
    PhysicsStep step;
    step.tick = world.tick + 1;
    step.car.velocity = car.velocity + (forces.acceleration + Vec3{0.0f, 0.0f, kGravity}) * kDt;
    step.car.spin = car.spin + forces.angularAcceleration * kDt;
    step.carSpinBeforeTorque = car.spin;
    step.ballAwake = ballAwake;
    step.ball.spin = ball.spin;
    if (ballAwake) {
        step.ballVelocityBeforeGravity = ball.velocity * kBallDragPerTick;
        const float gravity = options.ballFloats ? 0.0f : kGravity;
        step.ball.velocity = step.ballVelocityBeforeGravity + Vec3{0.0f, 0.0f, gravity * kDt};
    } else {
        step.ballVelocityBeforeGravity = ball.velocity;
        step.ball.velocity = ball.velocity;
    }
    return step;
}

// Step 3c.
void moveBall(Ball& ball, const PhysicsStep& step) {
    ball.velocity = step.ball.velocity;
    ball.spin = step.ball.spin;
    ball.location = ball.location + ball.velocity * kDt + step.ball.push;
}

void move(World& world, const PhysicsStep& step) {
    Car& car = world.car;
    car.velocity = step.car.velocity;
    car.spin = step.car.spin;
    car.location = car.location + car.velocity * kDt + step.car.push;
    car.attitude =
        orthonormalised(rotated(rotated(car.attitude, step.car.turn, kDt), car.spin, kDt));
    moveBall(world.ball, step);
}

// Step 5.
void capBall(Ball& ball, const PhysicsStep& step) {
    ball.velocity = clampLength(ball.velocity + step.ballHitVelocity, kMaxBallSpeed);
    ball.spin = clampLength(ball.spin, kMaxBallSpin);
}

bool ballAwake(const Ball& ball) { return !(ball.velocity == Vec3{} && ball.spin == Vec3{}); }

}  // namespace

CarControls clamped(const CarControls& c) {
    CarControls out = c;
    out.steer = clampUnit(c.steer);
    out.pitch = clampUnit(c.pitch);
    out.yaw = clampUnit(c.yaw);
    out.roll = clampUnit(c.roll);
    out.throttle = clampUnit(c.throttle);
    return out;
}

float rollAngle(const Orientation& a) { return std::atan2(-a.right.z, a.up.z); }

TickEvents step(World& world, const CarControls& controls, const Options& options) {
    TickEvents events;
    const bool awake = ballAwake(world.ball);

    const CarForces forces = carPreTick(world, clamped(controls), options, events);

    PhysicsStep physics = startPhysicsStep(world, forces, awake, options);
    stepContacts(world, physics, options);
    move(world, physics);
    events.ballTouched = physics.ballTouched;

    Car& car = world.car;
    updateSupersonic(car);
    car.velocity = clampLength(car.velocity, kMaxCarSpeed);
    car.spin = clampLength(car.spin, kMaxCarSpin);

    capBall(world.ball, physics);

    world.tick = physics.tick;
    return events;
}

void stepBall(World& world, const Options& options) {
    PhysicsStep physics = startPhysicsStep(world, CarForces{}, ballAwake(world.ball), options);
    stepBallContacts(world.ball, physics, options);
    moveBall(world.ball, physics);
    capBall(world.ball, physics);
    world.tick = physics.tick;
}

}  // namespace sandbox::mechanics
