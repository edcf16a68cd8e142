// The path ahead against the future the world then flies with the same
// controls: bit for bit while car and ball do not meet, and after a hit each
// body predicted as if the other were not there.
#include "sandbox/Prediction.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <string>

#include "sandbox/Flight.h"
#include "tests/sandbox/full_model_run.h"

namespace {

using namespace fullmodel;
using sandbox::kBallPathTicks;
using sandbox::kCarPathTicks;
using sandbox::PathAhead;
using sandbox::predictPath;

bool sameBits(Vec3 a, Vec3 b) {
    return std::bit_cast<uint32_t>(a.x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(a.y) == std::bit_cast<uint32_t>(b.y) &&
           std::bit_cast<uint32_t>(a.z) == std::bit_cast<uint32_t>(b.z);
}

std::unique_ptr<PathAhead> predicted(const World& start, const CarControls& held,
                                     const Options& options) {
    auto path = std::make_unique<PathAhead>();
    predictPath(start, held, options, *path);
    return path;
}

// The first tick of a flight at which the path's ball (or car) is not the
// world's, or -1 when every predicted tick matches.
int firstBallMismatch(const PathAhead& path, const Flight& flight, int ticks) {
    for (int k = 0; k <= ticks; ++k)
        if (!sameBits(path.ball[static_cast<size_t>(k)], flight.ball(k).location)) return k;
    return -1;
}
int firstCarMismatch(const PathAhead& path, const Flight& flight, int ticks) {
    for (int k = 0; k <= ticks; ++k)
        if (!sameBits(path.car[static_cast<size_t>(k)], flight.car(k).location)) return k;
    return -1;
}

// ------------------------------------------------------------ the ball alone

struct BallCase {
    std::string name;
    World start;
    Options options;
    int bouncesAtLeast;
};

class BallPath : public testing::TestWithParam<BallCase> {};

TEST_P(BallPath, equalsTheWorldsBallToTheBitWithItsBounces) {
    const BallCase& c = GetParam();
    const auto path = predicted(c.start, {}, c.options);
    const Flight flight = simulate(c.start, kBallPathTicks, c.options);
    EXPECT_EQ(firstBallMismatch(*path, flight, kBallPathTicks), -1);
    EXPECT_EQ(firstCarMismatch(*path, flight, kCarPathTicks), -1);
    EXPECT_GE(path->bounces, c.bouncesAtLeast);
    EXPECT_EQ(path->contactTick, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Prediction, BallPath,
    testing::Values(
        // Dropped from 800 up (barely moving: a ball exactly still sleeps):
        // it bounces on the floor after about 1.5 s, back up at some 580
        // uu/s (restitution 0.6), and is still in the air at 3 s.
        BallCase{"dropped", ballAt({500.0f, 1000.0f, 800.0f}, {0.0f, 0.0f, -1.0f}), in(Arena::Box),
                 1},
        // Thrown fast and spinning at the side wall: off the wall, then the
        // floor.
        BallCase{"offTheWall",
                 ballAt({3000.0f, 0.0f, 400.0f}, {1500.0f, 300.0f, 200.0f}, {2.0f, -1.0f, 3.0f}),
                 in(Arena::Box), 2},
        // Rolling along the floor into the corner of the far end: within
        // reach of the floor from the start, so no bounce is marked.
        BallCase{"rolling",
                 ballAt({2000.0f, 2000.0f, 93.15f}, {800.0f, 1500.0f, 0.0f},
                        {-1500.0f / 91.25f, 800.0f / 91.25f, 0.0f}),
                 in(Arena::Box), 0},
        // Into the goal at +y and against its back.
        BallCase{"intoTheGoal", ballAt({0.0f, 3500.0f, 300.0f}, {0.0f, 2500.0f, 300.0f}),
                 in(Arena::Box), 1},
        // At rest: it sleeps, and the path is one point.
        BallCase{"atRest", ballAt({0.0f, 0.0f, 91.25f}), in(Arena::Box), 0},
        // Floating (drills hold a ball up this way), drifting.
        BallCase{"floating", ballAt({0.0f, 0.0f, 1200.0f}, {100.0f, -50.0f, 0.0f}),
                 in(Arena::Box, true), 0}),
    [](const testing::TestParamInfo<BallCase>& info) { return info.param.name; });

// --------------------------------------------------- the car, controls held

struct CarCase {
    std::string name;
    World start;
    CarControls held;
};

World onWheels() {
    World w;
    w.car.location = {0.0f, -3000.0f, sandbox::mechanics::kCarRestHeight};
    w.ball.location = {0.0f, 3000.0f, 91.25f};  // far ahead, at rest
    return w;
}

World inTheAir() {
    World w = sandbox::fullWorldFrom([] {
        sandbox::World legacy;
        legacy.car.onGround = false;
        legacy.car.location = {-1000.0f, 0.0f, 900.0f};
        legacy.car.velocity = {300.0f, 200.0f, 400.0f};
        legacy.car.spin = {0.5f, -1.0f, 0.3f};
        legacy.ball.location = {2000.0f, 3000.0f, 91.25f};
        return legacy;
    }());
    return w;
}

// The car settled on its wheels first (a fresh car drops onto its
// suspension for a few ticks), so the held controls start from a car at
// rest as a player's does.
World settled(World w) {
    for (int t = 0; t < 60; ++t) sandbox::mechanics::step(w, {}, in(Arena::Box));
    return w;
}

CarControls controls(float throttle, float steer, bool boost, bool jump, float pitch = 0.0f,
                     float yaw = 0.0f, float roll = 0.0f) {
    CarControls c;
    c.throttle = throttle;
    c.steer = steer;
    c.boost = boost;
    c.jump = jump;
    c.pitch = pitch;
    c.yaw = yaw;
    c.roll = roll;
    return c;
}

class CarPath : public testing::TestWithParam<CarCase> {};

TEST_P(CarPath, equalsTheWorldsCarToTheBitWithTheControlsHeld) {
    const CarCase& c = GetParam();
    const Options options = in(Arena::Box);
    const auto path = predicted(c.start, c.held, options);
    const Flight flight = simulate(c.start, kBallPathTicks, options, {c.held});
    EXPECT_EQ(firstCarMismatch(*path, flight, kCarPathTicks), -1);
    EXPECT_EQ(firstBallMismatch(*path, flight, kBallPathTicks), -1);
    EXPECT_EQ(path->contactTick, -1);
    // The nearest point is the nearest of the ticks predicted.
    const Vec3 apart = path->ball[static_cast<size_t>(path->nearestTick)] -
                       path->car[static_cast<size_t>(path->nearestTick)];
    EXPECT_FLOAT_EQ(path->nearestDistance, length(apart));
    for (int k = 0; k <= kCarPathTicks; ++k)
        EXPECT_LE(
            path->nearestDistance,
            length(path->ball[static_cast<size_t>(k)] - path->car[static_cast<size_t>(k)]) + 0.01f);
}

INSTANTIATE_TEST_SUITE_P(
    Prediction, CarPath,
    testing::Values(
        CarCase{"drivingAndTurning", settled(onWheels()), controls(1.0f, 0.6f, false, false)},
        CarCase{"boostingOnTheFloor", settled(onWheels()), controls(1.0f, 0.0f, true, false)},
        // The first jump of a fast aerial held for good: jump, boost, nose
        // up; the held jump gives no second one.
        CarCase{"jumpHeldBoostNoseUp", settled(onWheels()), controls(1.0f, 0.0f, true, true, 1.0f)},
        // In the air with the jump not yet used: a held press is a double
        // jump on the first tick, then air roll.
        CarCase{"airJumpAndRoll", inTheAir(), controls(0.0f, 0.0f, false, true, 0.0f, 0.0f, 1.0f)},
        // A dodge in the air (stick forward with the press).
        CarCase{"dodge", inTheAir(), controls(0.0f, 0.0f, false, true, 1.0f)},
        CarCase{"powerslideTurn", settled(onWheels()),
                [] {
                    CarControls c = controls(1.0f, 1.0f, false, false);
                    c.handbrake = true;
                    return c;
                }()}),
    [](const testing::TestParamInfo<CarCase>& info) { return info.param.name; });

// ------------------------------------------------------------- with a hit

TEST(Prediction, isExactUpToThePredictedContactThenIgnoresTheOtherBody) {
    // The car drives at full boost at a ball rolling towards it: they meet
    // about a second ahead. Up to the contact tick the path is the world's;
    // the world touches on the next tick; after it the ball's path goes on
    // through the car as if it were not there, and the world's ball does not.
    World start = settled(onWheels());
    const Vec3 ahead = start.car.attitude.forward;
    start.ball.location = start.car.location + ahead * 1200.0f;
    start.ball.location.z = 93.0f;
    start.ball.velocity = ahead * -500.0f;
    const CarControls held = controls(1.0f, 0.0f, true, false);
    const Options options = in(Arena::Box);
    const auto path = predicted(start, held, options);
    const Flight flight = simulate(start, kBallPathTicks, options, {held});

    ASSERT_GT(path->contactTick, 0);
    ASSERT_LT(path->contactTick, kCarPathTicks);
    int firstTouch = -1;
    for (int t = 1; t <= kBallPathTicks && firstTouch < 0; ++t)
        if (flight.events[static_cast<size_t>(t)].ballTouched) firstTouch = t;
    EXPECT_EQ(firstTouch, path->contactTick + 1);
    EXPECT_GT(firstBallMismatch(*path, flight, kBallPathTicks), path->contactTick);
    EXPECT_GT(firstCarMismatch(*path, flight, kCarPathTicks), path->contactTick);
    EXPECT_NE(firstBallMismatch(*path, flight, kBallPathTicks), -1);
    // The nearest point is at the contact or past it (the centres keep
    // closing through the car), and well inside touching distance.
    EXPECT_GE(path->nearestTick, path->contactTick);
    EXPECT_LT(path->nearestDistance, 150.0f);
}

}  // namespace
