#include "sandbox/Prediction.h"

#include "sandbox/Arena.h"
#include "sandbox/Contacts.h"

namespace sandbox {

namespace {

// A ball this near a surface counts as touching it, for the bounces drawn
// (a little more than the contact distance the solve uses).
constexpr float kBounceReach = 2.0f;
// Farther apart than this (the car box's far corner from the origin plus
// the ball's radius, with room), car and ball cannot touch: the exact test
// is skipped.
constexpr float kNoContactDistance = 300.0f;

// Where the car's copy keeps its ball: far under the floor and still, so it
// sleeps (no gravity, no contacts) and no box or ray reaches it.
constexpr Vec3 kParkedBall{0.0f, 0.0f, -100000.0f};

bool nearArena(const mechanics::Options& options, Vec3 ball) {
    return !mechanics::clearOfArena(options.arena, ball, mechanics::kBallRadius + kBounceReach);
}

void noteBounce(PathAhead& out, int tick) {
    if (out.bounces < kMaxPathBounces)
        out.bounceTicks[static_cast<size_t>(out.bounces++)] = static_cast<int16_t>(tick);
}

bool touching(const mechanics::Car& car, const mechanics::Ball& ball) {
    const Vec3 apart = ball.location - car.location;
    if (dot(apart, apart) > kNoContactDistance * kNoContactDistance) return false;
    return mechanics::findCarBallContact(car, ball).exists;
}

}  // namespace

void predictPath(const mechanics::World& now, const CarControls& held,
                 const mechanics::Options& options, PathAhead& out) {
    mechanics::World ballWorld = now;
    mechanics::World carWorld = now;
    carWorld.ball = mechanics::Ball{};
    carWorld.ball.location = kParkedBall;

    out.ball[0] = now.ball.location;
    out.car[0] = now.car.location;
    out.bounces = 0;
    out.contactTick = touching(now.car, now.ball) ? 0 : -1;
    bool wasNear = nearArena(options, now.ball.location);
    const Vec3 apart0 = now.ball.location - now.car.location;
    float nearest = dot(apart0, apart0);
    out.nearestTick = 0;

    for (int k = 1; k <= kBallPathTicks; ++k) {
        mechanics::stepBall(ballWorld, options);
        const Vec3 ball = ballWorld.ball.location;
        out.ball[static_cast<size_t>(k)] = ball;
        const bool near = nearArena(options, ball);
        if (near && !wasNear) noteBounce(out, k);
        wasNear = near;

        if (k > kCarPathTicks) continue;
        mechanics::step(carWorld, held, options);
        const Vec3 car = carWorld.car.location;
        out.car[static_cast<size_t>(k)] = car;
        const Vec3 apart = ball - car;
        const float distance = dot(apart, apart);
        if (distance < nearest) {
            nearest = distance;
            out.nearestTick = k;
        }
        if (out.contactTick < 0 && touching(carWorld.car, ballWorld.ball)) out.contactTick = k;
    }
    out.nearestDistance = std::sqrt(nearest);
}

}  // namespace sandbox
