#include "sandbox/Wheels.h"

#include <array>
#include <cmath>
#include <span>

#include "sandbox/Arena.h"
#include "sandbox/Physics.h"

namespace sandbox::mechanics {

namespace {

constexpr float kDt = kTickSeconds;

// ------------------------------------------------------ the four wheels

// Where each wheel hangs, in car axes (forward, right, up), its radius, its
// suspension's rest length and how hard its spring pushes.
struct WheelLayout {
    Vec3 connection;
    float radius;
    float restLength;
    float forceScale;
};
constexpr WheelLayout kLayout[4] = {
    {{51.25f, 25.90f, 20.755f}, 12.50f, 26.755f, 35.75f},     // front right
    {{51.25f, -25.90f, 20.755f}, 12.50f, 26.755f, 35.75f},    // front left
    {{-33.75f, 29.50f, 20.755f}, 15.00f, 25.055f, 54.265f},   // back right
    {{-33.75f, -29.50f, 20.755f}, 15.00f, 25.055f, 54.265f},  // back left
};
constexpr bool isFront(int wheel) { return wheel < 2; }

// The suspension travels this far either way from its rest length. The ray
// is shorter than full travel plus the wheel by kRayShortening; a ray that
// hits closer than the rest length plus the wheel less that much pushes the
// car back out (kPushBack of the speed that would remove the overlap in a
// solver step, a quarter of it).
constexpr float kSuspensionTravel = 12.0f;
constexpr float kRayShortening = 2.5f;
constexpr float kPushBack = 0.2f;
constexpr float kPushBackShare = 0.25f;
// The solver's step before it has run once.
constexpr float kFirstSolverStep = 1.0f / 60.0f;

// Spring and dampers (compressing, extending), times the wheel's scale.
constexpr float kStiffness = 500.0f;
constexpr float kCompressionDamping = 25.0f;
constexpr float kRelaxationDamping = 40.0f;
// A contact whose normal is nearly square to the suspension gives no
// suspension speed and this inverse factor.
constexpr float kMinContactDot = 0.1f;

// ----------------------------------------------------------- driving

// Per wheel: the engine's force at full throttle and the brake's limit. A
// tire impulse is its rolling and side values times a third of the mass,
// over a tick; the engine enters as the rolling value -force / (mass / 3),
// so four wheels drive the car at 1600 uu/s^2; a full brake stops it at
// 3500 uu/s^2, the coasting brake (0.15 of it) at 525.
constexpr float kEngineForce = kCarMass * 400.0f;
constexpr float kBrakeForce = kCarMass * (14.25f + 1.0f / 3.0f);
constexpr float kTireMassShare = kCarMass / 3.0f;
// The brake's rolling value per uu/s along the drive axis, before its limit.
constexpr float kBrakeGain = 113.73963f;
// The side impulse removes this share of the sideways speed at the contact.
constexpr float kSideDamping = 0.2f;

constexpr float kThrottleDeadZone = 0.001f;
// Slower than this (uu/s) a car counts as stopped: reversing drives at once,
// and coasting brakes in full.
constexpr float kStoppingSpeed = 25.0f;
constexpr float kCoastingBrake = 0.15f;
// Below this sideways speed at the wheel (uu/s) a tire does not slip.
constexpr float kMinSlipSpeed = 5.0f;

// The sticky force: gravity's 650 uu/s^2 into the surface, half of it, more
// on a slope while driving.
constexpr float kStickyGravity = -650.0f;
constexpr float kStickyShare = 0.5f;

// Handbrake: up in 0.2 s while held, down in 0.5 s after.
constexpr float kHandbrakeRise = 5.0f;
constexpr float kHandbrakeFall = 2.0f;

// Piecewise linear over its points, flat beyond the ends.
struct CurvePoint {
    float x;
    float y;
};
float curve(std::span<const CurvePoint> points, float x) {
    if (x <= points.front().x) return points.front().y;
    for (size_t i = 1; i < points.size(); ++i) {
        if (points[i].x > x) {
            const CurvePoint& a = points[i - 1];
            const CurvePoint& b = points[i];
            return a.y + (b.y - a.y) * ((x - a.x) / (b.x - a.x));
        }
    }
    return points.back().y;
}

// Over the forward speed (uu/s): the engine's share, and the front wheels'
// steer angle at full lock (radians), as driven and in a powerslide.
constexpr CurvePoint kDriveCurve[] = {{0.0f, 1.0f}, {1400.0f, 0.1f}, {1410.0f, 0.0f}};
constexpr CurvePoint kSteerCurve[] = {{0.0f, 0.53356f},    {500.0f, 0.31930f},
                                      {1000.0f, 0.18203f}, {1500.0f, 0.10570f},
                                      {1750.0f, 0.08507f}, {3000.0f, 0.03454f}};
constexpr CurvePoint kPowerslideSteerCurve[] = {{0.0f, 0.39235f}, {2500.0f, 0.12610f}};
// Over the slip (0 rolling straight, 1 all sideways): sideways grip, and
// the powerslide's share of grip along the wheel (its sideways share is a
// flat kPowerslideLateral).
constexpr CurvePoint kLateralFrictionCurve[] = {{0.0f, 1.0f}, {1.0f, 0.2f}};
constexpr CurvePoint kPowerslideLongitudinalCurve[] = {{0.0f, 0.5f}, {1.0f, 0.9f}};
constexpr float kPowerslideLateral = 0.1f;
// Without throttle, grip over the contact normal's z: full on a floor,
// little on a wall.
constexpr CurvePoint kNonStickyCurve[] = {{0.0f, 0.1f}, {0.7075f, 0.5f}, {1.0f, 1.0f}};

// ------------------------------------------------------------- helpers

float clampTo(float v, float low, float high) { return v < low ? low : (v > high ? high : v); }
float signOf(float v) { return static_cast<float>((v > 0.0f) - (v < 0.0f)); }
Vec3 normalised(Vec3 v) { return v * (1.0f / length(v)); }

Vec3 fromCarAxes(const Orientation& a, Vec3 v) {
    return a.forward * v.x + a.right * v.y + a.up * v.z;
}
Vec3 inCarAxes(const Orientation& a, Vec3 v) {
    return {dot(v, a.forward), dot(v, a.right), dot(v, a.up)};
}

// The car's world inverse inertia, R diag(1/I) R^T for its attitude R (whose
// columns are the car's axes), as rows; it holds for the whole of the car's
// part of the tick, which turns nothing.
using InverseInertia = std::array<Vec3, 3>;
InverseInertia inverseInertiaOf(const Orientation& a) {
    const Vec3 inverse{1.0f / kCarInertia.x, 1.0f / kCarInertia.y, 1.0f / kCarInertia.z};
    const Vec3 f = a.forward, r = a.right, u = a.up;
    const Vec3 rowsOfR[3] = {{f.x, r.x, u.x}, {f.y, r.y, u.y}, {f.z, r.z, u.z}};
    InverseInertia out;
    for (int i = 0; i < 3; ++i) {
        const Vec3 scaled{rowsOfR[i].x * inverse.x, rowsOfR[i].y * inverse.y,
                          rowsOfR[i].z * inverse.z};
        out[i] = {dot(scaled, rowsOfR[0]), dot(scaled, rowsOfR[1]), dot(scaled, rowsOfR[2])};
    }
    return out;
}
Vec3 times(const InverseInertia& m, Vec3 v) { return {dot(m[0], v), dot(m[1], v), dot(m[2], v)}; }

Vec3 velocityAt(const Car& car, Vec3 lever) { return car.velocity + cross(car.spin, lever); }

void applyImpulse(Car& car, const InverseInertia& inverseInertia, Vec3 impulse, Vec3 lever) {
    car.velocity += impulse * (1.0f / kCarMass);
    car.spin += times(inverseInertia, cross(lever, impulse));
}

// The wheel's own right axis: the car's, turned right by its steer angle
// about the car's up axis.
Vec3 wheelRight(const Orientation& a, float steerAngle) {
    if (steerAngle == 0.0f) return a.right;
    return a.right * std::cos(steerAngle) - a.forward * std::sin(steerAngle);
}

float rayLength(const WheelLayout& layout) {
    return layout.restLength + kSuspensionTravel + layout.radius - kRayShortening;
}

// ------------------------------------------------------------ the ray

void castAgainstBall(const Ball& ball, Vec3 from, Vec3 direction, RayHit& best) {
    const Vec3 offset = from - ball.location;
    const float along = dot(offset, direction);
    const float outside = dot(offset, offset) - kBallRadius * kBallRadius;
    if (outside < 0.0f || along > 0.0f) return;  // starts inside, or points away
    const float discriminant = along * along - outside;
    if (discriminant < 0.0f) return;
    const float distance = -along - std::sqrt(discriminant);
    if (distance >= best.distance) return;
    const Vec3 point = from + direction * distance;
    best = {true, distance, point, normalised(point - ball.location), false};
}

// ------------------------------------------------- first half, per wheel

// A ray that hit nothing: the suspension hangs at full length.
void missed(Wheel& wheel, const WheelLayout& layout, const Orientation& attitude) {
    wheel.inContact = false;
    wheel.onStaticSurface = false;
    wheel.contactNormal = attitude.up;
    wheel.suspensionLength = layout.restLength + kSuspensionTravel;
    wheel.suspensionSpeed = 0.0f;
    wheel.inverseContactDot = 1.0f;
    wheel.pushBack = 0.0f;
}

// A ray that hit: the suspension's length, its speed along the contact
// normal and the push-back out of a deep compression. `lever` is the
// contact point from the car's origin, `velocity` the car's velocity there.
void touched(Wheel& wheel, const WheelLayout& layout, const RayHit& hit, const Car& car, Vec3 lever,
             Vec3 velocity, const InverseInertia& inverseInertia, float solverStep) {
    wheel.inContact = true;
    wheel.onStaticSurface = hit.isStatic;
    wheel.contactPoint = hit.point;
    wheel.contactNormal = hit.normal;
    wheel.suspensionLength =
        clampTo(hit.distance - layout.radius, layout.restLength - kSuspensionTravel,
                layout.restLength + kSuspensionTravel);

    const float normalSpeed = dot(hit.normal, velocity);
    const float towardsSurface = dot(hit.normal, -car.attitude.up);
    if (towardsSurface >= -kMinContactDot) {
        wheel.suspensionSpeed = 0.0f;
        wheel.inverseContactDot = 1.0f / kMinContactDot;
    } else {
        const float inverse = -1.0f / towardsSurface;
        wheel.suspensionSpeed = normalSpeed * inverse;
        wheel.inverseContactDot = inverse;
    }

    const float pushBackDepth = layout.restLength + layout.radius - kRayShortening;
    if (hit.isStatic && hit.distance < pushBackDepth) {
        const float overlap = pushBackDepth - hit.distance;
        const Vec3 n = hit.normal;
        const float inverseMass =
            1.0f / kCarMass + dot(n, cross(times(inverseInertia, cross(lever, n)), lever));
        const float impulse = (kPushBack * overlap / solverStep - normalSpeed) / inverseMass;
        wheel.pushBack = (impulse > 0.0f ? impulse : 0.0f) * kPushBackShare;
    }
}

// The tire's impulse for this tick, from last tick's wheel controls: across
// the wheel a share of the sideways speed at the contact removed (through
// the car's effective mass there), along it the engine's drive or the
// brake, each times its friction factor. `right` is the wheel's right axis.
void tireImpulse(const Car& car, const Wheel& wheel, Vec3 right, Vec3 lever, Vec3 velocity,
                 Vec3& impulse, Vec3& appliedAt) {
    const Vec3 n = wheel.contactNormal;
    const Vec3 axle = normalised(right - n * dot(right, n));
    const Vec3 drive = normalised(cross(n, axle));  // backwards on a floor

    const Vec3 arm = inCarAxes(car.attitude, cross(lever, axle));
    const float effectiveInverseMass = 1.0f / kCarMass + arm.x * (1.0f / kCarInertia.x) * arm.x +
                                       arm.y * (1.0f / kCarInertia.y) * arm.y +
                                       arm.z * (1.0f / kCarInertia.z) * arm.z;
    const float side = -kSideDamping * dot(axle, velocity) * (1.0f / effectiveInverseMass);

    float rolling = 0.0f;
    if (wheel.engineForce != 0.0f) {
        rolling = -wheel.engineForce / kTireMassShare;
    } else if (wheel.brake != 0.0f) {
        rolling = clampTo(-dot(drive, velocity) * kBrakeGain, -wheel.brake, wheel.brake);
    }

    const Vec3 total =
        (drive * (rolling * wheel.longitudinalFriction) + axle * (side * wheel.lateralFriction)) *
        kTireMassShare;
    impulse = total * kDt;
    appliedAt = lever - car.attitude.up * dot(car.attitude.up, lever);
}

// ---------------------------------------------------- the wheel controls

// Sideways grip and grip along the wheel for the next tick, from the slip at
// the wheel's hard point now: `lateral` is the wheel's right axis (steered
// as last tick), `velocity` the car's velocity at the hard point.
void updateFriction(Wheel& wheel, Vec3 lateral, Vec3 velocity, float handbrake, bool throttling) {
    const Vec3 along = cross(lateral, wheel.contactNormal);
    const float sideways = std::fabs(dot(velocity, lateral));
    const float slip =
        sideways > kMinSlipSpeed ? sideways / (std::fabs(dot(velocity, along)) + sideways) : 0.0f;

    float lateralFriction = curve(kLateralFrictionCurve, slip);
    float longitudinalFriction = 1.0f;
    const float h = handbrake;
    if (h > 0.0f) {
        lateralFriction *= (kPowerslideLateral - 1.0f) * h + 1.0f;
        longitudinalFriction *= (curve(kPowerslideLongitudinalCurve, slip) - 1.0f) * h + 1.0f;
    }
    if (!throttling) {
        const float grip = curve(kNonStickyCurve, wheel.contactNormal.z);
        lateralFriction *= grip;
        longitudinalFriction *= grip;
    }
    wheel.lateralFriction = lateralFriction;
    wheel.longitudinalFriction = longitudinalFriction;
}

// Into the surface the wheels stand on, while any of them stands on the
// arena.
void stickyForce(const Car& car, bool fullStick, CarForces& forces) {
    bool onArena = false;
    Vec3 normalSum{};
    for (const Wheel& w : car.wheels) {
        if (!w.inContact) continue;
        onArena = onArena || w.onStaticSurface;
        normalSum += w.contactNormal;
    }
    if (!onArena) return;
    const Vec3 up = normalised(normalSum);
    float share = kStickyShare;
    if (fullStick) share += 1.0f - std::fabs(up.z);
    forces.acceleration += up * (share * kStickyGravity);
}

}  // namespace

namespace {

// The ray's hit, from what it met of the arena, against the ball too.
RayHit withBall(const ArenaRayHit& wall, const Ball& ball, Vec3 from, Vec3 direction,
                float maxLength) {
    RayHit best;
    best.distance = maxLength;
    if (wall.hit) best = {true, wall.distance, wall.point, wall.normal, true};
    castAgainstBall(ball, from, direction, best);
    if (!best.hit) best.distance = 0.0f;
    return best;
}

}  // namespace

RayHit castRay(Arena arena, const Ball& ball, Vec3 from, Vec3 direction, float maxLength) {
    return withBall(castArenaRay(arena, from, direction, maxLength), ball, from, direction,
                    maxLength);
}

WheelsTick wheelsFirstHalf(Car& car, const Ball& ball, Arena arena, int64_t ticksStepped) {
    const float solverStep = ticksStepped == 0 ? kFirstSolverStep : kDt;
    const Vec3 down = -car.attitude.up;
    WheelsTick out;
    out.inverseInertia = inverseInertiaOf(car.attitude);
    const InverseInertia& inverseInertia = out.inverseInertia;
    // The four rays against the arena at once (as castRay casts each).
    std::array<Vec3, 4> offsets{};
    std::array<ArenaRay, 4> rays{};
    for (int i = 0; i < 4; ++i) {
        offsets[i] = fromCarAxes(car.attitude, kLayout[i].connection);
        rays[i] = {car.location + offsets[i], down, rayLength(kLayout[i])};
    }
    std::array<ArenaRayHit, 4> walls{};
    castArenaRays(arena, rays, walls);
    bool haveRight = false;
    float rightFor = 0.0f;
    Vec3 lastRight{};
    for (int i = 0; i < 4; ++i) {
        Wheel& wheel = car.wheels[i];
        const WheelLayout& layout = kLayout[i];
        const Vec3 offset = offsets[i];
        const Vec3 from = rays[i].from;
        const RayHit hit = withBall(walls[i], ball, from, down, rays[i].maxLength);
        if (!hit.hit) {
            missed(wheel, layout, car.attitude);
            continue;
        }
        ++out.inContact;
        const Vec3 lever = hit.point - car.location;
        const Vec3 velocity = velocityAt(car, lever);
        touched(wheel, layout, hit, car, lever, velocity, inverseInertia, solverStep);
        // The front wheels share their steer angle: one sine and cosine.
        if (!haveRight || wheel.steerAngle != rightFor) {
            lastRight = wheelRight(car.attitude, wheel.steerAngle);
            rightFor = wheel.steerAngle;
            haveRight = true;
        }
        const Vec3 right = lastRight;
        tireImpulse(car, wheel, right, lever, velocity, out.tireImpulse[i], out.tireLever[i]);
        out.wheelRight[i] = right;
        out.hardPointVelocity[i] = velocityAt(car, offset);
    }
    return out;
}

void updateWheelControls(Car& car, const WheelsTick& tick, const CarControls& controls,
                         const WheelControlInputs& inputs, CarForces& forces) {
    const float h =
        car.handbrake + (controls.handbrake ? kHandbrakeRise * kDt : -kHandbrakeFall * kDt);
    car.handbrake = clampTo(h, 0.0f, 1.0f);

    // Engine and brake. Against the motion the car brakes first; without
    // throttle it coasts on a light brake, or stops in full when slow. The
    // handbrake lets the engine drive either way and never brakes.
    const float speed = std::fabs(inputs.forwardSpeed);
    const float throttle = inputs.boostDrives ? 1.0f : controls.throttle;
    float engine = throttle;
    float brake = 0.0f;
    if (!controls.handbrake) {
        if (std::fabs(throttle) >= kThrottleDeadZone) {
            if (speed > kStoppingSpeed && signOf(throttle) != signOf(inputs.forwardSpeed)) {
                brake = 1.0f;
                engine = 0.0f;
            }
        } else {
            engine = 0.0f;
            brake = speed < kStoppingSpeed ? 1.0f : kCoastingBrake;
        }
    }
    float driveShare = curve(kDriveCurve, speed);
    if (inputs.wheelsInContact < 3) driveShare /= 4.0f;
    const float engineForce = engine * kEngineForce * driveShare;
    const float brakeForce = brake * kBrakeForce;

    for (int i = 0; i < 4; ++i) {
        Wheel& wheel = car.wheels[i];
        if (wheel.inContact)
            updateFriction(wheel, tick.wheelRight[i], tick.hardPointVelocity[i], car.handbrake,
                           throttle != 0.0f);
        wheel.engineForce = engineForce;
        wheel.brake = brakeForce;
    }

    // The steer angle, blended towards the powerslide's by the handbrake.
    float steer = curve(kSteerCurve, speed);
    if (car.handbrake > 0.0f)
        steer += (curve(kPowerslideSteerCurve, speed) - steer) * car.handbrake;
    steer *= controls.steer;
    for (int i = 0; i < 4; ++i)
        if (isFront(i)) car.wheels[i].steerAngle = steer;

    stickyForce(car, throttle != 0.0f || speed > kStoppingSpeed, forces);
}

void wheelsSecondHalf(Car& car, const WheelsTick& tick) {
    const InverseInertia& inverseInertia = tick.inverseInertia;
    for (int i = 0; i < 4; ++i) {
        const Wheel& wheel = car.wheels[i];
        if (!wheel.inContact) continue;
        const WheelLayout& layout = kLayout[i];
        const float damping =
            wheel.suspensionSpeed < 0.0f ? kCompressionDamping : kRelaxationDamping;
        float force =
            (kStiffness * (layout.restLength - wheel.suspensionLength) * wheel.inverseContactDot -
             damping * wheel.suspensionSpeed) *
            layout.forceScale;
        if (force < 0.0f) force = 0.0f;  // a spring never pulls
        if (force == 0.0f) continue;
        applyImpulse(car, inverseInertia, wheel.contactNormal * (force * kDt + wheel.pushBack),
                     wheel.contactPoint - car.location);
    }
    for (int i = 0; i < 4; ++i) {
        if (car.wheels[i].inContact)
            applyImpulse(car, inverseInertia, tick.tireImpulse[i], tick.tireLever[i]);
    }
}

}  // namespace sandbox::mechanics
