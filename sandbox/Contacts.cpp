#include "sandbox/Contacts.h"

#include <cmath>

namespace sandbox::mechanics {

namespace {

// Contacts exist from this far apart (uu): the ball's and the car box's
// contact distances.
constexpr float kBallContactDistance = 1.905f;
constexpr float kCarContactDistance = 2.03f;

constexpr float kBallRestitution = 0.6f;
// Below this speed into a surface nothing bounces.
constexpr float kMinBounceSpeed = 10.0f;
// The share of an overlap pushed out in one tick.
constexpr float kPushShare = 0.8f;

Vec3 inCarAxes(const Orientation& a, Vec3 v) {
    return {dot(v, a.forward), dot(v, a.right), dot(v, a.up)};
}
Vec3 fromCarAxes(const Orientation& a, Vec3 v) {
    return a.forward * v.x + a.right * v.y + a.up * v.z;
}
float clampTo(float v, float limit) { return v < -limit ? -limit : (v > limit ? limit : v); }

void ballAgainstWorld(const Ball& ball, PhysicsStep& step, Arena arena) {
    Vec3 normalSum{};
    int count = 0;
    for (const Surface& s : surfacesOf(arena)) {
        const float gap = dot(s.normal, ball.location) - s.offset - kBallRadius;
        if (gap >= kBallContactDistance) continue;
        normalSum += s.normal;
        ++count;
        if (gap < 0.0f) step.ball.push += s.normal * (kPushShare * -gap);
    }
    if (count == 0) return;
    const Vec3 normal = normalSum * (1.0f / static_cast<float>(count));
    // The speed it leaves with is measured before this tick's gravity.
    const float into = dot(normal, step.ballVelocityBeforeGravity);
    const float target = into <= -kMinBounceSpeed ? kBallRestitution * -into : 0.0f;
    const float impulse = target - dot(normal, step.ball.velocity);
    if (impulse > 0.0f) step.ball.velocity += normal * impulse;
}

void carAgainstBall(const World& world, PhysicsStep& step) {
    const CarBallContact contact = findCarBallContact(world.car, world.ball);
    if (!contact.exists) return;
    step.ballTouched = true;
    // Not solved yet: no impulse on either body, no extra push on the ball.
}

void carAgainstWorld(Car& car, PhysicsStep& step, Arena arena) {
    const Orientation& a = car.attitude;
    const Vec3 centre = car.location + fromCarAxes(a, kCarBoxOffset);
    const Vec3& h = kCarBoxHalfSize;
    float nearest = kCarContactDistance;
    car.touchedWorld = false;
    car.worldContactNormal = {};
    for (const Surface& s : surfacesOf(arena)) {
        const Vec3 n = s.normal;
        const float extent = std::fabs(dot(n, a.forward)) * h.x + std::fabs(dot(n, a.right)) * h.y +
                             std::fabs(dot(n, a.up)) * h.z;
        const float gap = dot(n, centre) - s.offset - extent;
        if (gap >= kCarContactDistance) continue;
        car.touchedWorld = true;
        if (gap < nearest) {
            nearest = gap;
            car.worldContactNormal = n;
        }
        const float into = dot(n, step.car.velocity);
        if (into < 0.0f) step.car.velocity += n * -into;
        if (gap < 0.0f) step.car.push += n * (kPushShare * -gap);
    }
}

}  // namespace

CarBallContact findCarBallContact(const Car& car, const Ball& ball) {
    const Orientation& a = car.attitude;
    const float rounding = kCarBoxEdgeRadius;
    const Vec3 inner{kCarBoxHalfSize.x - rounding, kCarBoxHalfSize.y - rounding,
                     kCarBoxHalfSize.z - rounding};
    // The ball's centre in the box's frame, and the nearest point of the box
    // without its rounded edges.
    const Vec3 c = inCarAxes(a, ball.location - (car.location + fromCarAxes(a, kCarBoxOffset)));
    Vec3 q{clampTo(c.x, inner.x), clampTo(c.y, inner.y), clampTo(c.z, inner.z)};
    float distance = length(c - q);
    Vec3 localNormal{};
    if (distance > 0.0f) {
        localNormal = (c - q) * (1.0f / distance);
    } else {
        // The centre inside: out through the nearest face.
        const float dx = inner.x - std::fabs(c.x), dy = inner.y - std::fabs(c.y),
                    dz = inner.z - std::fabs(c.z);
        auto side = [](float v) { return v < 0.0f ? -1.0f : 1.0f; };
        if (dx <= dy && dx <= dz) {
            localNormal = {side(c.x), 0.0f, 0.0f};
            q.x = side(c.x) * inner.x;
            distance = -dx;
        } else if (dy <= dz) {
            localNormal = {0.0f, side(c.y), 0.0f};
            q.y = side(c.y) * inner.y;
            distance = -dy;
        } else {
            localNormal = {0.0f, 0.0f, side(c.z)};
            q.z = side(c.z) * inner.z;
            distance = -dz;
        }
    }
    CarBallContact contact;
    contact.gap = distance - rounding - kBallRadius;
    contact.exists = contact.gap < kBallContactDistance;
    contact.normal = fromCarAxes(a, localNormal);
    contact.carLever = fromCarAxes(a, kCarBoxOffset + q + localNormal * rounding);
    contact.ballLever = contact.normal * -kBallRadius;
    return contact;
}

void stepContacts(World& world, PhysicsStep& step, const Options& options) {
    carAgainstBall(world, step);
    ballAgainstWorld(world.ball, step, options.arena);
    carAgainstWorld(world.car, step, options.arena);
}

}  // namespace sandbox::mechanics
