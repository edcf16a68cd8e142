// Car against ball in the full model: the rounded box against the sphere,
// the contact's solve (friction 2, no bounce), the game's extra push on the
// ball with its cooldown, and a hit while dodging. In the void; "tick N" is
// the state after N ticks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sandbox/Contacts.h"
#include "tests/sandbox/full_model_run.h"

namespace {

using namespace fullmodel;
using sandbox::mechanics::CarBallContact;
using sandbox::mechanics::extraHitFactor;
using sandbox::mechanics::extraHitVelocity;
using sandbox::mechanics::findCarBallContact;
using sandbox::mechanics::kBallMass;
using sandbox::mechanics::kCarMass;

// A hit's velocities agree to 4-5 significant figures: 0.01 uu/s at the
// speeds here; spins to 3e-4 rad/s (the car's yaw damping before a hit
// carries four figures).
constexpr float kSpeed = 0.01f;
constexpr float kRate = 3e-4f;

void expectVelocity(Vec3 got, Vec3 want, float tolerance = kSpeed) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

// Level car at (-1500, 0, 1000) moving (1000, 0, 700); the ball rising at
// 700 alongside, ahead at the box's middle height.
World approach(Vec3 ballLocation, Vec3 carSpin = {}) {
    World w;
    w.car.location = {-1500.0f, 0.0f, 1000.0f};
    w.car.velocity = {1000.0f, 0.0f, 700.0f};
    w.car.spin = carSpin;
    w.ball.location = ballLocation;
    w.ball.velocity = {0.0f, 0.0f, 700.0f};
    return w;
}

// The ball 230 ahead at the box's height: it overlaps the box's front by
// 1.98 at the end of tick 8 and is hit on tick 9. Friction (2 times the
// normal impulse at most) drags the ball's contact point up with the car's
// nose as the car pitches back, spinning the ball. The extra push is 0.622
// of the 1000 uu/s closing speed along the line between the centres (its
// height scaled by 0.35, 35 % of its forward part cut), added after the
// move; tick 10 finds them still in contact but parting, and only drag acts.
TEST(CarBallHit, HeadOnTheBallTakesTheImpulseAndTheExtraPush) {
    const Flight r = simulate(approach({-1270.0f, 0.0f, 1020.755f}), 10, in(Arena::Void));
    for (int t = 1; t <= 8; ++t) EXPECT_FALSE(r.events[static_cast<size_t>(t)].ballTouched) << t;
    EXPECT_TRUE(r.events[9].ballTouched);

    const sandbox::mechanics::ContactPoint& point = r.car(9).ballContact.points[0];
    EXPECT_NEAR(point.normalImpulse, 24756.93f, 0.5f);
    EXPECT_NEAR(std::fabs(point.frictionImpulse), 1102.38f, 0.05f);

    expectVelocity(r.car(8).velocity, {1000.0f, 0.0f, 656.667f});
    expectVelocity(r.car(9).velocity, {862.461f, 0.0f, 645.126f});
    expectVelocity(r.car(9).spin, {0.0f, -1.7983f, 0.0f}, kRate);
    expectVelocity(r.ball(8).velocity, {0.0f, 0.0f, 655.285f});
    expectVelocity(r.ball(9).velocity, {1446.010f, 0.0f, 728.817f});
    expectVelocity(r.ball(9).spin, {0.0f, 1.0067f, 0.0f}, kRate);

    const Vec3 extra =
        extraHitVelocity(r.car(8), r.ball(8).location, r.ball(8).velocity * kDragTick);
    expectVelocity(extra, {620.779f, 0.0f, 42.369f});
    EXPECT_NEAR(extraHitFactor(1000.0f), 0.62222f, 1e-5f);
    EXPECT_EQ(r.ball(9).lastExtraHitTick, 9);

    EXPECT_TRUE(r.events[10].ballTouched);
    EXPECT_EQ(r.ball(10).lastExtraHitTick, 9);
    EXPECT_NEAR(r.ball(10).velocity.x, 1445.643f, kSpeed);
    EXPECT_NEAR(r.ball(10).velocity.x, r.ball(9).velocity.x * kDragTick, 1e-4f);
    EXPECT_EQ(r.ball(10).spin, r.ball(9).spin);
}

// The same car yawing right at 3 rad/s (damped by air control to 2.4727
// before the hit), the ball 240 ahead and 100 to the right: the box's front
// right edge meets it on tick 13 along (0.894, 0.448, 0). The car is turned
// and tipped by the off-centre hit; the ball takes a little spin.
TEST(CarBallHit, GlancingOffASpinningCar) {
    const Flight r =
        simulate(approach({-1260.0f, 100.0f, 1020.755f}, {0.0f, 0.0f, 3.0f}), 13, in(Arena::Void));
    for (int t = 1; t <= 12; ++t) EXPECT_FALSE(r.events[static_cast<size_t>(t)].ballTouched) << t;
    EXPECT_TRUE(r.events[13].ballTouched);

    const CarBallContact c = findCarBallContact(r.car(12), r.ball(12));
    EXPECT_NEAR(c.normal.x, 0.894f, 1e-3f);
    EXPECT_NEAR(c.normal.y, 0.448f, 1e-3f);
    EXPECT_NEAR(c.normal.z, 0.0f, 1e-3f);

    expectVelocity(r.car(12).spin, {0.0f, 0.0f, 2.4727f}, kRate);
    expectVelocity(r.car(13).velocity, {902.377f, -43.385f, 629.540f});
    expectVelocity(r.car(13).spin, {0.8528f, -1.4615f, 4.2049f}, kRate);
    expectVelocity(r.ball(13).velocity, {1026.494f, 697.927f, 664.896f});
    expectVelocity(r.ball(13).spin, {-0.0032f, 0.0064f, 0.8151f}, kRate);
    const Vec3 extra =
        extraHitVelocity(r.car(12), r.ball(12).location, r.ball(12).velocity * kDragTick);
    expectVelocity(extra, {440.755f, 437.618f, 37.252f});
}

// The extra push's size: 0.65 of the relative speed up to 500 uu/s, then
// straight lines to 0.55 at 2300 and 0.30 at 4600, where the speed stops
// counting; its direction: the line from the car's origin to the ball's
// centre, its height scaled by 0.35 and 35 % of its part along the nose
// taken off.
TEST(ExtraHitPush, FollowsTheFactorCurveAndTheScaledDirection) {
    const struct {
        float speed, factor;
    } curve[] = {{0.0f, 0.65f},     {500.0f, 0.65f},  {1400.0f, 0.60f}, {2300.0f, 0.55f},
                 {3450.0f, 0.425f}, {4600.0f, 0.30f}, {8000.0f, 0.30f}};
    for (const auto& p : curve) EXPECT_NEAR(extraHitFactor(p.speed), p.factor, 1e-6f) << p.speed;

    const struct {
        const char* what;
        Vec3 toBall;
        float closing;  // the ball's speed towards the car, along -x
        Vec3 push;
    } cases[] = {
        {"straight ahead", {200.0f, 0.0f, 0.0f}, 1000.0f, {622.222f, 0.0f, 0.0f}},
        {"straight above", {0.0f, 0.0f, 200.0f}, 1000.0f, {0.0f, 0.0f, 622.222f}},
        // (100, 0, 35) unit is (0.944, 0, 0.330); less 0.35 of its 0.944
        // forward part: (0.613, 0, 0.330), unit (0.881, 0, 0.474).
        {"ahead and above", {100.0f, 0.0f, 100.0f}, 1000.0f, {547.849f, 0.0f, 294.995f}},
        {"beside", {0.0f, 150.0f, 0.0f}, 300.0f, {0.0f, 195.0f, 0.0f}},
        {"faster than 4600 counts as 4600", {200.0f, 0.0f, 0.0f}, 6000.0f, {1380.0f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Car car;
        car.location = {0.0f, 0.0f, 1000.0f};
        expectVelocity(extraHitVelocity(car, car.location + c.toBall, {-c.closing, 0.0f, 0.0f}),
                       c.push, 0.02f);
    }
}

// A ball lying on the roof of a car, both falling: in contact on every tick,
// the ball gets the extra push on the first tick and every other one after.
TEST(ExtraHitPush, ASustainedContactGetsItEveryOtherTick) {
    World w;
    w.car.location = {0.0f, 0.0f, 1000.0f};
    w.car.velocity = {0.0f, 0.0f, -1.0f};
    w.ball.location = {13.8757f, 0.0f, 1000.0f + 20.755f + 19.26251f + 91.25f + 1.0f};
    w.ball.velocity = {0.0f, 0.0f, -1.0f};
    const Flight r = simulate(w, 20, in(Arena::Void));
    for (int t = 1; t <= 20; ++t) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(r.events[static_cast<size_t>(t)].ballTouched);
        EXPECT_EQ(r.ball(t).lastExtraHitTick, t % 2 == 1 ? t : t - 1);
    }

    // A ball pushed on the tick before gets none on this one, even on a new
    // contact.
    World pushedBefore = approach({-1270.0f, 0.0f, 1020.755f});
    pushedBefore.tick = 100;
    pushedBefore.ball.lastExtraHitTick = 108;
    const Flight late = simulate(pushedBefore, 9, in(Arena::Void));
    EXPECT_TRUE(late.events[9].ballTouched);
    EXPECT_EQ(late.ball(9).lastExtraHitTick, 108);
    EXPECT_LT(late.ball(9).velocity.x, 1446.010f - 600.0f);
}

// Dodging into the ball adds nothing of its own: the ball gains the extra
// push from the start-of-tick velocities, and beyond it exactly the momentum
// the car loses (after gravity and drag).
TEST(CarBallHit, ADodgeHitsOnlyThroughItsVelocities) {
    CarControls dodge;
    dodge.pitch = -1.0f;
    dodge.jump = true;
    const Flight r = simulate(approach({-1270.0f, 0.0f, 1020.755f}), 12, in(Arena::Void), {dodge});
    EXPECT_TRUE(r.events[1].dodged);
    int hit = 0;
    for (int t = 1; t <= 12 && hit == 0; ++t)
        if (r.events[static_cast<size_t>(t)].ballTouched) hit = t;
    ASSERT_GT(hit, 1);
    EXPECT_TRUE(r.car(hit).isFlipping);

    const Car& car = r.car(hit - 1);
    const Ball& ball = r.ball(hit - 1);
    const Vec3 extra = extraHitVelocity(car, ball.location, ball.velocity * kDragTick);
    const Vec3 gravity{0.0f, 0.0f, -kGravityTick};
    const Vec3 carGain = r.car(hit).velocity - (car.velocity + gravity);
    const Vec3 ballGain = r.ball(hit).velocity - (ball.velocity * kDragTick + gravity + extra);
    EXPECT_GT(length(ballGain), 100.0f);
    const Vec3 total = carGain * kCarMass + ballGain * kBallMass;
    EXPECT_LT(length(total), 1.0f);
}

// A ball whose centre got inside the box (shrunk by its rounding) leaves
// through the nearest face: the roof here, 7.3 uu above the centre.
TEST(CarBallHit, ABallCentreInsideTheBoxLeavesThroughTheNearestFace) {
    World w;
    w.car.location = {0.0f, 0.0f, 1000.0f};
    w.ball.location = {13.8757f + 20.0f, 5.0f, 1000.0f + 20.755f + 10.0f};
    w.ball.velocity = {0.0f, 0.0f, 1e-3f};
    const CarBallContact c = findCarBallContact(w.car, w.ball);
    EXPECT_NEAR(c.normal.z, 1.0f, 1e-6f);
    EXPECT_NEAR(c.gap, -(17.32956f - 10.0f) - 1.93296f - 91.25f, 1e-3f);
    const Flight r = simulate(w, 60, in(Arena::Void, true));
    const CarBallContact after = findCarBallContact(r.car(60), r.ball(60));
    EXPECT_GT(after.gap, -0.5f);
    EXPECT_GT(r.ball(60).location.z, r.car(60).location.z + 20.755f + 17.0f + 91.0f);
}

}  // namespace
