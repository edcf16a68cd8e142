// The full model on its wheels, against its own numbers: the wheel ray, the
// car settling on a flat floor, full throttle, reverse, boost, a full-lock
// turn, a powerslide, the ground jump and its landing, air jumps timed from
// a ground jump, the re-press within the jump's minimum time, the
// suspension's push-back, a flip reset on the ball and auto-roll.
//
// Unless a test says otherwise the car starts level at rest at z 17 on the
// endless floor (its wheels already on it) with the ball far away, asleep;
// "tick N" is the state after N ticks. Speeds match to 0.01 uu/s where the
// model's float32 sums agree with the engine it follows; the engine sums
// in units of 50 uu, whose rounding differs, which over a minute of
// coasting leaves up to 0.02 uu/s.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sandbox/Contacts.h"
#include "sandbox/Mechanics.h"
#include "sandbox/Physics.h"
#include "sandbox/Wheels.h"
#include "tests/sandbox/MechanicsFlight.h"

namespace {

using namespace sandbox;
using flights::Flight;
using flights::Segment;
using mechanics::Arena;
using mechanics::Options;
using mechanics::World;

constexpr float kDt = 1.0f / 120.0f;

Options onArena(Arena arena) {
    Options o;
    o.arena = arena;
    return o;
}

World restingCar() {
    World w;
    w.car.location = {0.0f, 0.0f, 17.0f};
    w.ball.location = {0.0f, 4000.0f, 1000.0f};
    return w;
}

Flight drive(const std::vector<Segment>& segments, const World& start = restingCar()) {
    return flights::fly(start, segments, onArena(Arena::Floor));
}

CarControls controls(float throttle, float steer = 0.0f) {
    CarControls c;
    c.throttle = throttle;
    c.steer = steer;
    return c;
}
CarControls boost() {
    CarControls c;
    c.boost = true;
    return c;
}
CarControls jump() {
    CarControls c;
    c.jump = true;
    return c;
}
CarControls powerslide(float throttle, float steer) {
    CarControls c = controls(throttle, steer);
    c.handbrake = true;
    return c;
}

float speedOf(const Flight& f, int tick) { return length(f.car(tick).velocity); }
float yawRate(const Flight& f, int tick) { return f.rates(tick).yaw; }
float pitchUnits(const Flight& f, int tick) {
    return static_cast<float>(toRotator(f.car(tick).attitude).Pitch);
}

// The first tick from `from` on whose start all four wheels were down, or -1.
int firstTickOnGround(const Flight& f, int from) {
    for (int t = from; t < static_cast<int>(f.events.size()); ++t)
        if (f.events[t].wheelsInContact >= 3) return t;
    return -1;
}

// ------------------------------------------------------------- the ray

// The ray sees a surface from its open side only and the ball from outside.
TEST(WheelRay, FindsTheNearestSurfaceOrBallWithinItsLength) {
    const Vec3 down{0.0f, 0.0f, -1.0f};
    const Vec3 ballAt{0.0f, 0.0f, 200.0f};
    const Vec3 farAway{0.0f, 5000.0f, 1000.0f};
    struct Ray {
        Arena arena;
        Vec3 ball;
        Vec3 from, direction;
        float maxLength;
    };
    struct Seen {
        float distance;  // negative: nothing seen
        Vec3 normal;
        bool isStatic;
    };
    const Seen nothing{-1.0f, {}, false};
    const struct {
        const char* what;
        Ray ray;
        Seen seen;
    } cases[] = {
        {"the floor straight below",
         {Arena::Floor, farAway, {5, 6, 40}, down, 48},
         {40, {0, 0, 1}, true}},
        {"the floor along a 3-4-5 slant",
         {Arena::Floor, farAway, {0, 0, 40}, {0.6f, 0, -0.8f}, 60},
         {50, {0, 0, 1}, true}},
        {"the floor just out of reach", {Arena::Floor, farAway, {0, 0, 40}, down, 39.9f}, nothing},
        {"the floor from below", {Arena::Floor, farAway, {0, 0, -5}, down, 48}, nothing},
        {"a ray pointing away", {Arena::Floor, farAway, {0, 0, 5}, {0, 0, 1}, 48}, nothing},
        {"the void", {Arena::Void, farAway, {0, 0, 5}, down, 48}, nothing},
        {"the ball's top",
         {Arena::Void, ballAt, {0, 0, 331.25f}, down, 48},
         {40, {0, 0, 1}, false}},
        // 54.75 off the centre line the sphere's surface is 73 above its
        // centre, its normal (0.6, 0, 0.8).
        {"the ball off centre",
         {Arena::Void, ballAt, {54.75f, 0, 300}, down, 48},
         {27, {0.6f, 0, 0.8f}, false}},
        {"the ball nearer than the floor",
         {Arena::Floor, ballAt, {0, 0, 331.25f}, down, 400},
         {40, {0, 0, 1}, false}},
        {"from inside the ball", {Arena::Void, ballAt, {0, 0, 250}, down, 48}, nothing},
        {"the box arena's side wall",
         {Arena::Box, farAway, {4000, 0, 500}, {1, 0, 0}, 100},
         {96, {-1, 0, 0}, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mechanics::Ball ball;
        ball.location = c.ray.ball;
        const mechanics::RayHit hit =
            mechanics::castRay(c.ray.arena, ball, c.ray.from, c.ray.direction, c.ray.maxLength);
        ASSERT_EQ(hit.hit, c.seen.distance >= 0.0f);
        if (!hit.hit) continue;
        EXPECT_NEAR(hit.distance, c.seen.distance, 1e-3f);
        const Vec3 point = c.ray.from + c.ray.direction * c.seen.distance;
        EXPECT_NEAR(length(hit.point - point), 0.0f, 1e-3f);
        EXPECT_NEAR(length(hit.normal - c.seen.normal), 0.0f, 1e-5f);
        EXPECT_EQ(hit.isStatic, c.seen.isStatic);
    }
}

// --------------------------------------------------------------- at rest

// Dropped level from z 17, the springs lift it on the first tick (1.5 and
// 2.3 uu short of their rest lengths, front and back), the back harder,
// which tips the nose down. It settles with both axles 1.95 uu compressed,
// carrying gravity and the 325 uu/s^2 sticky force; the back wheels are
// larger, so it rests nose down 0.55 degrees (100 rotator units), having
// crept 0.163 forward as it tipped.
TEST(Driving, ACarSettlesNoseDownOnItsSprings) {
    const Flight f = drive({{120, {}}});
    EXPECT_NEAR(f.car(1).velocity.z, 0.136f, 5e-4f);
    EXPECT_NEAR(f.car(1).spin.y, 0.0509f, 5e-5f);
    EXPECT_NEAR(f.car(60).location.z, 17.032f, 5e-4f);
    EXPECT_EQ(pitchUnits(f, 60), -100.0f);
    EXPECT_NEAR(f.car(60).location.x, 0.163f, 5e-4f);
    for (int t = 1; t <= 120; ++t) ASSERT_EQ(f.events[t].wheelsInContact, 4) << t;
    const mechanics::Car& rest = f.car(120);
    EXPECT_NEAR(rest.wheels[0].suspensionLength, 26.755f - 1.95f, 0.01f);
    EXPECT_NEAR(rest.wheels[2].suspensionLength, 25.055f - 1.95f, 0.01f);
    EXPECT_NEAR(length(rest.velocity), 0.0f, 1e-3f);
    EXPECT_EQ(rest.wheels[1].suspensionLength, rest.wheels[0].suspensionLength);
}

// ---------------------------------------------------------- straight runs

struct SpeedCheck {
    int tick;
    float forwardSpeed;  // v_x, uu/s
    float tolerance;
};
struct StepCheck {
    int fromTick, toTick;  // each tick in [from, to] changes v_x by `perTick`
    float perTick;
    float tolerance;
};

// Every run starts at rest. The engine gives 1600 uu/s^2 on four wheels,
// fading with speed to nothing at 1410; a full brake 3500, the coasting
// brake 525 (4.375 a tick); all of it one tick late.
TEST(Driving, StraightRunsAccelerateBrakeAndCoast) {
    struct Case {
        const char* what;
        std::vector<Segment> segments;
        std::vector<SpeedCheck> speeds;
        std::vector<StepCheck> steps;
    };
    const Case cases[] = {
        {"full throttle for 2 s, then coasting",
         {{240, controls(1)}, {60, {}}},
         {{1, 0.0f, 1e-3f},
          {2, 13.33f, 0.005f},
          {60, 623.57f, 0.01f},
          {120, 1002.06f, 0.01f},
          {240, 1360.36f, 0.01f},
          {300, 1103.91f, 0.015f}},
         // Released at 241, the engine still drives that tick.
         {{241, 241, 1.68f, 0.01f}, {242, 300, -4.375f, 1e-3f}}},
        {"1 s forwards, then reverse: braking first, then driving backwards",
         {{120, controls(1)}, {40, controls(-1)}, {30, {}}},
         {{120, 1002.06f, 0.01f}},
         {{122, 155, -29.167f, 1e-3f}, {157, 161, -13.2f, 0.25f}, {162, 170, 4.375f, 1e-3f}}},
        // Ground boost, 991.67 uu/s^2, from the first tick; it also drives
        // the wheels at full throttle from the second.
        {"boost for 2 s, then coasting",
         {{240, boost()}, {60, {}}},
         {{1, 8.26f, 0.005f},
          {2, 29.86f, 0.005f},
          {60, 1015.04f, 0.01f},
          {120, 1617.40f, 0.01f},
          {180, 2113.22f, 0.01f},
          {191, 2204.12f, 0.01f},
          {203, 2300.0f, 1e-3f},
          {300, 2041.89f, 0.02f}},
         {{242, 300, -4.375f, 1e-3f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight f = drive(c.segments);
        for (const SpeedCheck& s : c.speeds) {
            SCOPED_TRACE(s.tick);
            EXPECT_NEAR(f.car(s.tick).velocity.x, s.forwardSpeed, s.tolerance);
            EXPECT_NEAR(f.car(s.tick).location.z, 17.03f, 0.03f);  // on its wheels throughout
        }
        for (const StepCheck& s : c.steps) {
            for (int t = s.fromTick; t <= s.toTick; ++t) {
                SCOPED_TRACE(t);
                EXPECT_NEAR(f.car(t).velocity.x - f.car(t - 1).velocity.x, s.perTick, s.tolerance);
            }
        }
    }
}

// Boosting, supersonic from 2200 uu/s (tick 191), capped at 2300 from tick
// 203; the tank is a third down after 2 s. Coasting from 2300 it drops
// below 2100 on tick 287, inside its first second of supersonic, and so
// stops being supersonic there.
TEST(Driving, BoostingOnTheFloorGoesSupersonicAndCoastsOutOfIt) {
    const Flight f = drive({{240, boost()}, {60, {}}});
    EXPECT_FALSE(f.car(190).supersonic);
    for (int t = 191; t <= 286; ++t) ASSERT_TRUE(f.car(t).supersonic) << t;
    EXPECT_FALSE(f.car(287).supersonic);
    EXPECT_LT(speedOf(f, 202), 2299.9f);
    EXPECT_NEAR(f.car(240).boost, 100.0f / 3.0f, 1e-3f);
    for (int t = 1; t <= 300; ++t) ASSERT_EQ(f.events[t].wheelsInContact, 4) << t;
}

// ---------------------------------------------------------------- turning

struct TurnCheck {
    int tick;
    float yawRate;  // rad/s
    float speed;    // uu/s, NAN: not checked
};

TEST(Driving, FullLockAndPowerslideTurnsFollowTheSteeringCurves) {
    const float n = NAN;
    struct Case {
        const char* what;
        std::vector<Segment> segments;
        std::vector<TurnCheck> checks;
    };
    const Case cases[] = {
        // The steer angle narrows with speed (0.534 rad standing, 0.182 at
        // 1000 uu/s), so the yaw rate peaks and falls again.
        {"throttle and full right lock from rest",
         {{240, controls(1, 1)}},
         {{2, 0.0940f, n},
          {60, 2.3390f, 604.76f},
          {120, 2.4954f, 911.32f},
          {240, 2.3816f, 1146.06f}}},
        // 1 s straight, 1 s powersliding right with throttle, then the
        // handbrake and steer let go: sideways grip falls to a tenth, and
        // back, the car still going sideways, the throttle brakes it.
        {"a powerslide at 1000 uu/s",
         {{120, controls(1)}, {120, powerslide(1, 1)}, {30, controls(1)}},
         {{120, 0.0f, 1002.06f},
          {122, 0.3694f, n},
          {150, 2.7379f, n},
          {180, 3.2363f, n},
          {240, 4.8130f, 701.95f},
          {270, 2.3580f, 121.50f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight f = drive(c.segments);
        for (const TurnCheck& t : c.checks) {
            SCOPED_TRACE(t.tick);
            EXPECT_NEAR(yawRate(f, t.tick), t.yawRate, 1e-4f);
            if (!std::isnan(t.speed)) {
                EXPECT_NEAR(speedOf(f, t.tick), t.speed, 0.01f);
            }
        }
    }
    // A right turn: after 2 s at full lock the car has come round more than
    // a full turn and stands right of and behind where it began.
    const Flight turn = drive({{240, controls(1, 1)}});
    EXPECT_NEAR(turn.car(240).location.x, -632.55f, 0.01f);
    EXPECT_NEAR(turn.car(240).location.y, 357.27f, 0.01f);
    EXPECT_NEAR(turn.car(240).location.z, 17.03f, 0.005f);
}

// ------------------------------------------------ the next tick's controls

// What updateWheelControls leaves on the wheels for the next tick in the
// cases the runs above do not reach (they cover throttle, coasting, braking
// against the motion and boost).
TEST(WheelControls, EngineAndBrakeFollowThrottleSpeedAndHandbrake) {
    constexpr float kEngine = 180.0f * 400.0f;  // per wheel at full throttle, standing
    constexpr float kBrake = 180.0f * (14.25f + 1.0f / 3.0f);
    struct Case {
        const char* what;
        CarControls controls;
        float forwardSpeed;
        int wheels;
        float engine, brake;
    };
    const Case cases[] = {
        {"on two wheels the engine gives a quarter", controls(1), 0.0f, 2, kEngine / 4.0f, 0.0f},
        {"no throttle below 25 uu/s: a full stop", {}, 20.0f, 4, 0.0f, kBrake},
        {"with the handbrake, throttle against the motion drives", powerslide(-1, 0), 500.0f, 4,
         -kEngine * (1.0f - 0.9f * 500.0f / 1400.0f), 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mechanics::Car car;
        mechanics::CarForces forces;
        mechanics::updateWheelControls(car, {}, c.controls, {c.forwardSpeed, c.wheels, false},
                                       forces);
        for (const mechanics::Wheel& w : car.wheels) {
            EXPECT_NEAR(w.engineForce, c.engine, 0.5f);
            EXPECT_NEAR(w.brake, c.brake, 1e-3f);
        }
    }
}

// The sticky force of this tick: while a wheel stands on the arena, into
// the wheels' mean contact normal at half of gravity's 650 uu/s^2, more on
// a slope while driving (by 1 - |normal z|); nothing from the ball.
TEST(WheelControls, TheStickyForcePullsOnlyIntoTheArena) {
    struct Case {
        const char* what;
        Vec3 normal;
        bool onArena;
        float throttle;
        float share;  // of 650 uu/s^2 into the normal
    };
    const Case cases[] = {
        {"a floor", {0, 0, 1}, true, 0.0f, 0.5f},
        {"a floor, driving", {0, 0, 1}, true, 1.0f, 0.5f},
        {"a slope, standing", {0, 0.6f, 0.8f}, true, 0.0f, 0.5f},
        {"a slope, driving", {0, 0.6f, 0.8f}, true, 1.0f, 0.7f},
        {"the ball", {0, 0, 1}, false, 1.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mechanics::Car car;
        for (mechanics::Wheel& w : car.wheels) {
            w.inContact = true;
            w.onStaticSurface = c.onArena;
            w.contactNormal = c.normal;
        }
        mechanics::CarForces forces;
        mechanics::updateWheelControls(car, {}, controls(c.throttle), {0.0f, 4, false}, forces);
        const Vec3 expected = c.normal * (-650.0f * c.share);
        EXPECT_NEAR(length(forces.acceleration - expected), 0.0f, 1e-3f);
        EXPECT_EQ(forces.angularAcceleration, Vec3{});
    }
}

// ---------------------------------------------------------------- jumping

// Resting 60 ticks, jump held from tick 61 for 24 ticks: the impulse and
// the held push along the car's up axis (tipped 0.55 degrees forward), the
// four rays still on the floor through tick 65 (no air control, the
// springs pushing while compressed, the sticky force pulling, so it leaves
// 5.4 uu/s slower than a free body would), the held phase over on tick 85.
// It comes down on tick 260; the springs take the landing and it comes to
// rest on them again.
TEST(GroundJump, LeavesTheSpringsAndLandsOnThem) {
    const Flight f = drive({{60, {}}, {24, jump()}, {300, {}}});
    EXPECT_TRUE(f.events[61].jumped);
    for (int t = 61; t <= 65; ++t) EXPECT_EQ(f.events[t].wheelsInContact, 4) << t;
    EXPECT_EQ(f.events[66].wheelsInContact, 0);
    EXPECT_NEAR(f.car(84).velocity.z, 434.037f, 1e-3f);
    EXPECT_TRUE(f.car(84).isJumping);
    EXPECT_NEAR(f.car(85).velocity.z, 428.620f, 1e-3f);
    EXPECT_FALSE(f.car(85).isJumping);
    // A free body: 291.667 and 22.86 ticks of 1458.33 along up, 24 of gravity.
    const float upZ = f.car(60).attitude.up.z;
    const float freeBody =
        (875.0f / 3.0f + 4375.0f / 3.0f * 22.86f * kDt) * upZ - 650.0f * 24 * kDt;
    EXPECT_NEAR(freeBody - f.car(84).velocity.z, 5.4f, 0.05f);

    EXPECT_EQ(firstTickOnGround(f, 66), 260);
    float lowest = 1e9f;
    for (int t = 260; t <= 384; ++t) lowest = std::fmin(lowest, f.car(t).location.z);
    EXPECT_GT(lowest, 13.0f);  // the box never reaches the floor
    EXPECT_NEAR(f.car(384).location.z, 17.032f, 5e-4f);
    EXPECT_EQ(pitchUnits(f, 384), -100.0f);
    EXPECT_FALSE(f.car(384).hasJumped);
}

// Released on tick 62 and pressed again on 63, inside the jump's first 3
// ticks: still on the floor, it is no new jump and no air jump, and the
// held phase runs on exactly as if jump had been held throughout.
TEST(GroundJump, ARePressWithinTheMinimumTimeContinuesTheJump) {
    const Flight held = drive({{60, {}}, {24, jump()}, {100, {}}});
    const Flight repressed = drive({{60, {}}, {1, jump()}, {1, {}}, {22, jump()}, {100, {}}});
    EXPECT_NEAR(repressed.car(84).velocity.z, 434.037f, 1e-3f);
    for (int t = 1; t <= 184; ++t) {
        SCOPED_TRACE(t);
        ASSERT_EQ(repressed.car(t).location, held.car(t).location);
        ASSERT_EQ(repressed.car(t).velocity, held.car(t).velocity);
        ASSERT_EQ(repressed.car(t).spin, held.car(t).spin);
        ASSERT_FALSE(repressed.events[t].doubleJumped);
        ASSERT_EQ(repressed.events[t].jumped, t == 61);
    }
}

// The same 24-tick ground jump (its held phase ends on tick 85), then a
// fresh press: the window's 150 ticks count from tick 85, so tick 234 is
// its last. The air jump adds 291.667 along the tipped up axis.
TEST(GroundJump, AirJumpsAreTimedFromTheEndOfTheHeldJump) {
    struct Case {
        int pressTick;
        bool doubleJumps;
        float vzBefore, vzAfter;
        int landsOn;
    };
    const Case cases[] = {
        {97, true, 369.037f, 655.273f, 358},
        {234, true, -373.046f, -86.809f, 286},
        {235, false, -378.462f, -383.879f, 260},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressTick);
        const Flight f =
            drive({{60, {}}, {24, jump()}, {c.pressTick - 85, {}}, {1, jump()}, {300, {}}});
        EXPECT_NEAR(f.car(85).velocity.z, 428.620f, 1e-3f);
        EXPECT_EQ(f.events[c.pressTick].doubleJumped, c.doubleJumps);
        EXPECT_NEAR(f.car(c.pressTick - 1).velocity.z, c.vzBefore, 1e-3f);
        EXPECT_NEAR(f.car(c.pressTick).velocity.z, c.vzAfter, 1e-3f);
        EXPECT_EQ(firstTickOnGround(f, 66), c.landsOn);
        EXPECT_FALSE(f.car(c.landsOn).hasDoubleJumped);  // landing resets it
        EXPECT_FALSE(f.car(c.landsOn).hasJumped);
    }
    const Flight early = drive({{60, {}}, {24, jump()}, {12, {}}, {1, jump()}, {300, {}}});
    const Vec3 dv = early.car(97).velocity - early.car(96).velocity;
    EXPECT_NEAR(dv.x, 2.808f, 1e-3f);
    EXPECT_NEAR(dv.y, 0.0f, 1e-4f);
    EXPECT_NEAR(dv.z, 286.236f, 1e-3f);
    int apex = 0;
    for (int t = 97; t < 300; ++t)
        if (early.car(t).location.z > early.car(apex).location.z) apex = t;
    EXPECT_EQ(apex, 217);
    EXPECT_NEAR(early.car(217).location.z, 461.60f, 0.005f);
}

// ------------------------------------------------------------ push-back

// A ray that hits closer than the wheel's rest length plus its radius less
// 2.5 uu pushes the car back out by a quarter of the impulse that would
// close 0.2 of that overlap within a solver step. The value outlives the
// compression: it stays while the ray hits at all, and only a miss clears it.
TEST(Suspension, PushBackIsKeptWhileTheRayHitsAndReadsTheSolversFirstStep) {
    struct Case {
        const char* what;
        float z;              // the car's height, level and still
        int64_t ticksBefore;  // World::tick at the start
        float presetPushBack;
        float expectFront;  // after one tick; NAN: positive and recomputed
    };
    const float n = NAN;
    const Case cases[] = {
        {"at rest the last value stays", 17.032f, 10, 500.0f, 500.0f},
        {"in the air a miss clears it", 200.0f, 10, 500.0f, 0.0f},
        {"compressed it is computed afresh", 15.0f, 10, 500.0f, n},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        World w = restingCar();
        w.car.location.z = c.z;
        w.tick = c.ticksBefore;
        for (mechanics::Wheel& wheel : w.car.wheels) wheel.pushBack = c.presetPushBack;
        mechanics::step(w, {}, onArena(Arena::Floor));
        if (std::isnan(c.expectFront)) {
            EXPECT_GT(w.car.wheels[0].pushBack, 0.0f);
            EXPECT_NE(w.car.wheels[0].pushBack, c.presetPushBack);
        } else {
            EXPECT_EQ(w.car.wheels[0].pushBack, c.expectFront);
            EXPECT_EQ(w.car.wheels[3].pushBack, c.expectFront);
        }
    }

    // The same compressed, still car: on the world's first tick the solver's
    // step is still 1/60 s, so the push-back is half what it is later.
    World first = restingCar();
    first.car.location.z = 15.0f;
    World later = first;
    later.tick = 1;
    mechanics::step(first, {}, onArena(Arena::Floor));
    mechanics::step(later, {}, onArena(Arena::Floor));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(later.car.wheels[i].pushBack, 0.0f);
        EXPECT_NEAR(first.car.wheels[i].pushBack / later.car.wheels[i].pushBack, 0.5f, 1e-5f);
    }
    EXPECT_LT(first.car.velocity.z, later.car.velocity.z);

    // Rising at 100 uu/s the dampers outweigh the springs: a slack spring
    // gives no impulse at all, so a kept push-back is not applied either.
    World rising = restingCar();
    rising.car.location.z = 17.032f;
    rising.car.velocity.z = 100.0f;
    rising.tick = 10;
    World risingKept = rising;
    for (mechanics::Wheel& wheel : risingKept.car.wheels) wheel.pushBack = 500.0f;
    mechanics::step(rising, {}, onArena(Arena::Floor));
    mechanics::step(risingKept, {}, onArena(Arena::Floor));
    EXPECT_EQ(risingKept.car.wheels[0].pushBack, 500.0f);
    EXPECT_EQ(risingKept.car.velocity, rising.car.velocity);
}

// --------------------------------------------------------- on the ball

// A car that spent its double jump long ago (2 s since its held jump)
// settles onto a still ball floating in the void: with all four rays on the
// ball it is on the ground, which clears its jump flags, while its box stays
// clear of the ball. The springs push the car only. Jump pressed while on
// the ball is a ground jump off it;
// leaving the ball without jumping, the car may air-jump at any time.
TEST(FlipReset, FourWheelsOnTheBallClearTheJumpFlags) {
    Options options = onArena(Arena::Void);
    options.ballFloats = true;
    World start;
    start.ball.location = {5.0f, 0.0f, 500.0f};
    start.car.location = {0.0f, 0.0f, 598.0f};
    start.car.hasJumped = true;
    start.car.hasDoubleJumped = true;
    start.car.jumpTime = 2.2f;
    start.car.timeSinceJump = 2.0f;

    // Without the ball the spent air jump stays spent.
    World noBall = start;
    noBall.ball.location = {0.0f, 5000.0f, 0.0f};
    const Flight spent = flights::fly(noBall, {{10, {}}, {1, jump()}}, options);
    EXPECT_FALSE(spent.events[11].doubleJumped);

    const Flight onBall = flights::fly(start, {{40, {}}, {1, jump()}, {10, {}}}, options);
    EXPECT_EQ(onBall.events[1].wheelsInContact, 4);
    EXPECT_FALSE(onBall.car(1).hasJumped);
    EXPECT_FALSE(onBall.car(1).hasDoubleJumped);
    for (int t = 1; t <= 40; ++t) {
        SCOPED_TRACE(t);
        ASSERT_EQ(onBall.events[t].wheelsInContact, 4);
        ASSERT_FALSE(mechanics::findCarBallContact(onBall.car(t), onBall.history[t].ball).exists);
        ASSERT_EQ(onBall.history[t].ball, start.ball);
    }
    EXPECT_TRUE(onBall.events[41].jumped);
    EXPECT_FALSE(onBall.events[41].doubleJumped);

    // The ball taken away after the reset: 2 s later a press still air-jumps.
    World reset = onBall.history[40];
    reset.ball.location = {0.0f, 5000.0f, 0.0f};
    const Flight after = flights::fly(reset, {{240, {}}, {1, jump()}}, options);
    EXPECT_TRUE(after.events[241].doubleJumped);
}

// -------------------------------------------------------------- auto-roll

// Rolled 20 degrees right, standing on its two right wheels: with throttle
// the car is pulled into the floor at 100 uu/s^2 and rolled back towards
// level at 80 (1 - cos 20 deg) rad/s^2. On four wheels throttle does not
// auto-roll. On the first tick the engine (a tick late) does nothing yet,
// so the difference is auto-roll alone.
TEST(AutoRoll, ThrottleOnTwoWheelsRollsTheCarBackOntoFour) {
    struct Case {
        const char* what;
        World start;
        int wheels;
        float rollAcceleration, pull;
    };
    World tilted = restingCar();
    tilted.car.location.z = 30.0f;
    tilted.car.attitude = orientationFromRotator({0, 0, 3641});  // 20 degrees
    const float rolledBack = 80.0f * (1.0f - std::cos(20.0f * 3.14159265f / 180.0f));
    const Case cases[] = {
        {"two wheels down", tilted, 2, -rolledBack, -100.0f},
        {"four wheels down", restingCar(), 4, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight coasting = drive({{1, {}}}, c.start);
        const Flight throttle = drive({{1, controls(1)}}, c.start);
        EXPECT_EQ(throttle.events[1].wheelsInContact, c.wheels);
        const float rollRate = throttle.rates(1).roll - coasting.rates(1).roll;
        EXPECT_NEAR(rollRate, c.rollAcceleration * kDt, 2e-4f);
        const Vec3 dv = throttle.car(1).velocity - coasting.car(1).velocity;
        EXPECT_NEAR(dv.z, c.pull * kDt, 1e-3f);
    }
}

}  // namespace
