// The full model's ball against the arena: bounces with spin and friction
// from within the contact distance, sliding and rolling, resting, the
// merged contact of a corner. "Tick N" is the state after N ticks.
#include <gtest/gtest.h>

#include <cmath>

#include "sandbox/Arena.h"
#include "tests/sandbox/full_model_run.h"

namespace {

using namespace fullmodel;
using sandbox::mechanics::kBallRadius;

// Bounces on the floor to within this (uu, uu/s); spin to 1e-4 rad/s.
constexpr float kBounce = 1e-3f;
constexpr float kSpin = 1e-4f;

// Moving 600 across and spinning back at the 6 rad/s cap (-6 about y, so
// the bottom of the ball moves forward): dropped from 300 it ends tick 96
// 0.26 uu above the floor, within the 1.905 contact distance, and bounces on
// tick 97. Friction cannot stop the slip (it would need 323.7 uu/s and gets
// 0.35 of the 827 the floor takes out), so the ball leaves sliding with its
// spin reversed; on the next bounces friction is enough and it leaves
// rolling (spin = speed / radius). From 400 the first bounce already rolls.
TEST(BallBounce, ASpinningBallGripsOrSlidesOnEachBounce) {
    struct Case {
        const char* what;
        float dropHeight;
        int tick;  // the bounce tick
        float zBefore;
        float vxBefore, vzBefore;
        float vxAfter, vzAfter;  // NAN: not checked
        float spinAfter;
    };
    const Case cases[] = {
        {"first bounce, sliding", 300.0f, 97, 91.512f, 585.556f, -513.781f, 295.868f, 308.190f,
         1.9326f},
        {"second bounce, rolls", 300.0f, 211, 92.130f, 287.502f, NAN, 255.692f, NAN, 2.8021f},
        {"third bounce, rolls", 300.0f, 279, NAN, NAN, NAN, 252.567f, NAN, 2.7679f},
        {"from 400, rolls at once", 400.0f, 118, NAN, 582.443f, NAN, 259.497f, NAN, 2.8438f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight r = simulate(
            ballAt({-1500.0f, 0.0f, c.dropHeight}, {600.0f, 0.0f, 0.0f}, {0.0f, -6.0f, 0.0f}),
            c.tick, in(Arena::Floor));
        const Ball& before = r.ball(c.tick - 1);
        const Ball& after = r.ball(c.tick);
        EXPECT_LT(before.velocity.z, 0.0f);
        EXPECT_GT(after.velocity.z, 0.0f);
        if (!std::isnan(c.zBefore)) {
            EXPECT_NEAR(before.location.z, c.zBefore, kBounce);
        }
        if (!std::isnan(c.vxBefore)) {
            EXPECT_NEAR(before.velocity.x, c.vxBefore, kBounce);
        }
        if (!std::isnan(c.vzBefore)) {
            EXPECT_NEAR(before.velocity.z, c.vzBefore, kBounce);
        }
        EXPECT_NEAR(after.velocity.x, c.vxAfter, kBounce);
        if (!std::isnan(c.vzAfter)) {
            EXPECT_NEAR(after.velocity.z, c.vzAfter, kBounce);
        }
        EXPECT_NEAR(after.spin.y, c.spinAfter, kSpin);
        EXPECT_EQ(after.velocity.y, 0.0f);
        EXPECT_EQ(after.spin.x, 0.0f);
    }
}

// Set down at 1500 along the floor without spin: friction takes 0.35 of the
// 5.42 uu/s that gravity presses in each tick (1.896) off the speed and
// turns it into spin (0.0519 rad/s a tick) until the 6 rad/s cap; capped,
// the ball slides on, slowing, until 6 rad/s is enough to roll (547.5 uu/s,
// less drag), and from then on rolls.
TEST(BallOnTheFloor, SlidesUntilItsSpinCanKeepUpThenRolls) {
    const Flight r =
        simulate(ballAt({0.0f, 0.0f, 93.0f}, {1500.0f, 0.0f, 0.0f}), 600, in(Arena::Floor));
    EXPECT_NEAR(r.ball(1).velocity.x, 1497.724f, kBounce);
    EXPECT_NEAR(r.ball(1).spin.y, 0.0519f, kSpin);

    EXPECT_LT(r.ball(115).spin.y, 6.0f);
    EXPECT_FLOAT_EQ(r.ball(116).spin.y, 6.0f);
    EXPECT_NEAR(r.ball(116).velocity.x, 1239.74f, 0.005f);

    // Rolling: the spin below the cap and no slip.
    const auto slip = [&r](int t) { return r.ball(t).velocity.x - r.ball(t).spin.y * kBallRadius; };
    EXPECT_FLOAT_EQ(r.ball(448).spin.y, 6.0f);
    EXPECT_LT(r.ball(449).spin.y, 6.0f);
    EXPECT_NEAR(slip(449), 0.0f, 1e-3f);
    EXPECT_NEAR(r.ball(449).velocity.x, 547.39f, 0.005f);
    for (int t = 450; t <= 600; t += 50) EXPECT_NEAR(slip(t), 0.0f, 0.01f) << t;
    // Rolling, drag slows it by 0.97 a second diluted to 5/7 (the spin
    // must slow with it).
    const float perTick = std::pow(0.97f, 5.0f / 7.0f / 120.0f);
    EXPECT_NEAR(r.ball(600).velocity.x, r.ball(500).velocity.x * std::pow(perTick, 100.0f), 0.01f);
}

// A ball set on the floor comes to rest within the contact distance above
// it, and one dropped from just above stops bouncing: under 10 uu/s into
// the floor nothing bounces.
TEST(BallOnTheFloor, ComesToRestWithinTheContactDistance) {
    for (const float z : {91.25f, 93.0f, 100.0f, 140.0f}) {
        SCOPED_TRACE(z);
        const Flight r =
            simulate(ballAt({0.0f, 0.0f, z}, {0.0f, 0.0f, -1.0f}), 600, in(Arena::Floor));
        const Ball& b = r.ball(600);
        EXPECT_GE(b.location.z, 91.25f - 1e-3f);
        EXPECT_LT(b.location.z, 91.25f + 1.905f);
        EXPECT_EQ(b.velocity.z, 0.0f);
        EXPECT_EQ(r.ball(599).location.z, b.location.z);
    }
}

// A ball sunk 10 uu into the floor is pushed out by 0.8 of the overlap a
// tick, without being given any speed. (It spins about the vertical to stay
// awake: a ball with no velocity and no spin sleeps where it is.)
TEST(BallOnTheFloor, AnOverlapIsPushedOutWithoutSpeed) {
    const Flight r = simulate(ballAt({0.0f, 0.0f, kBallRadius - 10.0f}, {}, {0.0f, 0.0f, 1.0f}), 3,
                              in(Arena::Floor));
    EXPECT_NEAR(r.ball(1).location.z, kBallRadius - 2.0f, 1e-3f);
    EXPECT_NEAR(r.ball(2).location.z, kBallRadius - 0.4f, 1e-3f);
    EXPECT_EQ(r.ball(1).velocity.z, 0.0f);
}

// Into the corner of the floor and a side wall along its diagonal (no
// gravity): the two contacts merge into one whose normal is their average,
// (0.5, 0, 0.5), left at length 0.707. The bounce aims at 0.6 of the speed
// into it, s, along that normal; each of the ten sweeps closes half of what
// is left (|n|^2 = 1/2), so it leaves 1.6 s / 1024 short, straight back out
// along the diagonal.
TEST(BallInACorner, TheContactsMergeIntoOneAlongTheirAverageNormal) {
    const float wall = -sandbox::arena::kHalfWidth;
    World w =
        ballAt({wall + kBallRadius + 1.0f, 0.0f, kBallRadius + 1.0f}, {-600.0f, 0.0f, -600.0f});
    const Flight r = simulate(w, 1, in(Arena::Box, true));
    const float intoCorner = 0.5f * 600.0f * kDragTick * 2.0f;  // -n . v, n = (0.5, 0, 0.5)
    const float along = 0.6f * intoCorner - 1.6f * intoCorner / 1024.0f;
    const Vec3 v = r.ball(1).velocity;
    EXPECT_NEAR(0.5f * v.x + 0.5f * v.z, along, 1e-2f);
    EXPECT_NEAR(v.x, v.z, 1e-3f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(r.ball(1).spin, Vec3{});
}

}  // namespace
