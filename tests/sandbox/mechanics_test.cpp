// The full model in the air, against its own numbers: air jumps and their
// window, the held jump, the four dodges, a flip cancel, a stall, boost,
// supersonic state, the auto-flip and what the contact step already finds.
// Most flights run in the void (no floor), where "tick N" is the state after
// N ticks.
#include "sandbox/Mechanics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sandbox/Contacts.h"
#include "sandbox/Physics.h"

namespace {

using namespace sandbox;
using mechanics::Arena;
using mechanics::Car;
using mechanics::Options;
using mechanics::TickEvents;
using mechanics::World;

constexpr float kGravityTick = 650.0f / 120.0f;  // 5.4167 uu/s a tick

// Rates to within this (rad/s): the air-control constants carry four
// figures (yaw 9.11 against the 9.108 that 10 ticks of held yaw, 0.7590,
// imply), which over a hundred ticks of stick leaves up to 2e-4. The flip's
// own torques are exact.
constexpr float kRateTolerance = 2e-4f;

Options inVoid() {
    Options o;
    o.arena = Arena::Void;
    return o;
}

struct Segment {
    int ticks;
    CarControls controls;
};

// A flight: history[n] is the world after n ticks, events[n] what tick n did.
struct Flight {
    std::vector<World> history;
    std::vector<TickEvents> events;
    const Car& car(int tick) const { return history.at(tick).car; }
    AxisRates rates(int tick) const { return ratesInCarAxes(car(tick).attitude, car(tick).spin); }
};

Flight fly(const World& start, const std::vector<Segment>& segments, Options options = inVoid()) {
    Flight f;
    f.history.push_back(start);
    f.events.push_back({});
    World world = start;
    for (const Segment& s : segments) {
        for (int i = 0; i < s.ticks; ++i) {
            f.events.push_back(mechanics::step(world, s.controls, options));
            f.history.push_back(world);
        }
    }
    return f;
}

World carAt(Vec3 location, Vec3 velocity = {}) {
    World w;
    w.car.location = location;
    w.car.velocity = velocity;
    w.ball.location = {0.0f, 4000.0f, 1000.0f};  // far away, asleep
    return w;
}

CarControls stick(float pitch, float yaw, float roll, bool jump = true) {
    CarControls c;
    c.pitch = pitch;
    c.yaw = yaw;
    c.roll = roll;
    c.jump = jump;
    return c;
}

CarControls jump() { return stick(0, 0, 0, true); }

// --------------------------------------------------------------- air jumps

// A car whose ground jump's held phase is running (it began on the floor).
World jumpingCar() {
    World w = carAt({0.0f, 0.0f, 1000.0f});
    w.car.hasJumped = true;
    w.car.isJumping = true;
    w.car.jumpHeld = true;
    return w;
}

TEST(AirJump, NeedsAFreshPressWithinTheWindowAfterTheHeldJump) {
    World jumped = carAt({0.0f, 0.0f, 1000.0f});
    jumped.car.hasJumped = true;
    struct Case {
        const char* what;
        World start;
        std::vector<Segment> segments;
        int pressTick;
        bool jumps;
        float vzBefore, vzAfter;  // NAN: not checked
    };
    const Case cases[] = {
        // The window is 150 ticks of float32 time: 150 dt is 1.2499992 < 1.25.
        {"has jumped: a press on the window's last tick double-jumps",
         jumped,
         {{149, {}}, {1, jump()}, {3, {}}},
         150,
         true,
         -807.08f,
         -520.83f},
        {"has jumped: a press one tick later does nothing",
         jumped,
         {{150, {}}, {1, jump()}, {3, {}}},
         151,
         false,
         -812.50f,
         -817.92f},
        // Falling at the 2300 cap; 291.67 up, then a tick of gravity.
        {"never jumped: a press after 5 s still double-jumps",
         carAt({0.0f, 0.0f, 1000.0f}),
         {{599, {}}, {1, jump()}},
         600,
         true,
         -2300.0f,
         -2013.75f},
        // Held 24 ticks (ticks 1-24); the held phase ends on tick 25, which
        // is the window's first tick, so its last is tick 174.
        {"after a full held jump: the window's last tick",
         jumpingCar(),
         {{24, jump()}, {149, {}}, {1, jump()}},
         174,
         true,
         NAN,
         NAN},
        {"after a full held jump: one tick late",
         jumpingCar(),
         {{24, jump()}, {150, {}}, {1, jump()}},
         175,
         false,
         NAN,
         NAN},
        {"holding jump on from the first jump never air-jumps",
         jumpingCar(),
         {{200, jump()}},
         0,
         false,
         NAN,
         NAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight f = fly(c.start, c.segments);
        bool anyDoubleJump = false;
        for (const TickEvents& e : f.events) anyDoubleJump = anyDoubleJump || e.doubleJumped;
        EXPECT_EQ(anyDoubleJump, c.jumps);
        if (c.pressTick > 0) {
            EXPECT_EQ(f.events[c.pressTick].doubleJumped, c.jumps);
            EXPECT_EQ(f.car(c.pressTick).hasDoubleJumped, c.jumps);
        }
        if (!std::isnan(c.vzBefore)) {
            EXPECT_NEAR(f.car(c.pressTick - 1).velocity.z, c.vzBefore, 0.005f);
            EXPECT_NEAR(f.car(c.pressTick).velocity.z, c.vzAfter, 0.005f);
        }
    }
}

TEST(AirJump, IsOneImpulseAlongTheCarsUpAxisAndOnlyOnce) {
    World start = carAt({0.0f, 0.0f, 1000.0f});
    start.car.attitude = orientationFromRotator({0, 0, 8192});  // rolled 45 degrees right
    const Flight f = fly(start, {{10, {}}, {1, jump()}, {10, {}}, {1, jump()}});
    const Vec3 dv = f.car(11).velocity - f.car(10).velocity;
    const Vec3 up = start.car.attitude.up;
    EXPECT_NEAR(dv.x, 875.0f / 3.0f * up.x, 1e-3f);
    EXPECT_NEAR(dv.y, 875.0f / 3.0f * up.y, 1e-3f);
    EXPECT_NEAR(dv.z, 875.0f / 3.0f * up.z - kGravityTick, 1e-3f);
    EXPECT_FALSE(f.events[22].doubleJumped);
    EXPECT_NEAR(f.car(22).velocity.z - f.car(21).velocity.z, -kGravityTick, 1e-3f);
}

// The held push is 1458.33 uu/s^2 along up, 0.62 of it while the jump is
// younger than 0.025 s (3 ticks of float32 time); held, it lasts until
// 0.2 s (24 ticks, the press tick counted).
TEST(GroundJump, TheHeldPushLastsFromThreeToTwentyFourTicks) {
    struct Case {
        int heldTicks;
        float pushTicks;  // ticks of full push
    };
    const Case cases[] = {{1, 1.86f},  {3, 1.86f},   {4, 2.86f},
                          {10, 8.86f}, {24, 22.86f}, {40, 22.86f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heldTicks);
        const Flight f = fly(jumpingCar(), {{c.heldTicks, jump()}, {60 - c.heldTicks, {}}});
        const float expected = 4375.0f / 3.0f * c.pushTicks / 120.0f - kGravityTick * 60.0f;
        EXPECT_NEAR(f.car(60).velocity.z, expected, 0.01f);
        EXPECT_FALSE(f.car(60).isJumping);
        EXPECT_TRUE(f.car(60).hasJumped);
    }
}

// ------------------------------------------------------------------ dodges

struct RateCheck {
    int afterPress;          // ticks after the press tick P
    float roll, pitch, yaw;  // rad/s in the controls' sense; NAN: not checked
};

struct DodgeCase {
    const char* what;
    CarControls stickHeld;  // with jump, ticks P to 150
    Vec3 deltaV;            // over the press tick, gravity included
    std::vector<RateCheck> rates;
};

constexpr int kPress = 31;

// Start (-2000, 0, 1000) level, moving (1000, 0, 700); the stick and jump
// held from tick 31 to tick 150, nothing after.
Flight dodgeFlight(const std::vector<Segment>& fromPress) {
    std::vector<Segment> segments = {{kPress - 1, {}}};
    segments.insert(segments.end(), fromPress.begin(), fromPress.end());
    return fly(carAt({-2000.0f, 0.0f, 1000.0f}, {1000.0f, 0.0f, 700.0f}), segments);
}

TEST(Dodge, EachDirectionAtAThousandUnitsASecond) {
    const float n = NAN;
    const DodgeCase cases[] = {
        // Forward: 500 along the heading; the flip spins the nose down at
        // 224 rad/s^2 to the 5.5 cap; after it, pitch is locked (damped
        // only) until the 115th tick after the press.
        {"forward",
         stick(-1, 0, 0),
         {500.0f, 0.0f, -kGravityTick},
         {{0, n, -0.1039f, n},
          {1, n, -1.9705f, n},
          {3, n, -5.5f, n},
          {79, n, -5.3682f, n},
          {115, n, -2.4003f, n}}},
        // Backward at speed: 500 (1 + 1.5 * 1000/2300) * 16/15.
        {"backward",
         stick(1, 0, 0),
         {-881.159f, 0.0f, -kGravityTick},
         {{0, n, 0.1039f, n},
          {1, n, 1.9705f, n},
          {3, n, 5.5f, n},
          {79, n, 5.3682f, n},
          {115, n, 2.4003f, n}}},
        // Sideways: 500 (1 + 0.9 * 1000/2300) to the right; rolls at 260
        // rad/s^2; the yaw stick adds nothing after the press tick and the
        // press tick's yaw rate stays, undamped.
        {"side",
         stick(0, 1, 0),
         {0.0f, 695.652f, -kGravityTick},
         {{0, 0.0f, n, 0.0759f}, {1, 2.1667f, n, n}, {3, 5.4996f, n, 0.0642f}}},
        {"diagonal",
         stick(-1, 1, 0),
         {353.553f, 491.900f, -kGravityTick},
         {{1, 1.5321f, -1.4238f, n}}},
    };
    for (const DodgeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight f = dodgeFlight({{150 - kPress + 1, c.stickHeld}, {150, {}}});
        const int p = kPress;
        EXPECT_TRUE(f.events[p].dodged);
        const Vec3 dv = f.car(p).velocity - f.car(p - 1).velocity;
        EXPECT_NEAR(dv.x, c.deltaV.x, 2e-3f);
        EXPECT_NEAR(dv.y, c.deltaV.y, 2e-3f);
        EXPECT_NEAR(dv.z, c.deltaV.z, 2e-3f);
        for (const RateCheck& r : c.rates) {
            SCOPED_TRACE(r.afterPress);
            const AxisRates got = f.rates(p + r.afterPress);
            if (!std::isnan(r.roll)) {
                EXPECT_NEAR(got.roll, r.roll, kRateTolerance);
            }
            if (!std::isnan(r.pitch)) {
                EXPECT_NEAR(got.pitch, r.pitch, kRateTolerance);
            }
            if (!std::isnan(r.yaw)) {
                EXPECT_NEAR(got.yaw, r.yaw, kRateTolerance);
            }
        }
        // Vertical damping, the same for every direction: v_z *= 0.65 on
        // ticks P+17 to P+24 always, to P+77 only while falling (towards
        // -15.476, where it balances gravity); the flip lasts 78 ticks.
        const struct {
            int afterPress;
            float vz;
        } vz[] = {{16, 445.416f}, {17, 284.104f}, {24, -0.790f},
                  {25, -5.930f},  {77, -15.476f}, {78, -20.893f}};
        for (const auto& v : vz) EXPECT_NEAR(f.car(p + v.afterPress).velocity.z, v.vz, 2e-3f);
        EXPECT_TRUE(f.car(p + 78).isFlipping);
        EXPECT_FALSE(f.car(p + 79).isFlipping);
        EXPECT_TRUE(f.car(p + 79).hasFlipped);
    }
}

TEST(Dodge, AForwardDodgeFlightEndsWhereItsVelocitiesTakeIt) {
    const Flight f = dodgeFlight({{120, stick(-1, 0, 0)}, {150, {}}});
    EXPECT_NEAR(f.car(300).location.x, 1625.0f, 0.01f);
    EXPECT_NEAR(f.car(300).location.y, 0.0f, 1e-4f);
    EXPECT_NEAR(f.car(300).location.z, 361.42f, 0.01f);
}

// Pitch lock after the flip: on tick P+114 the held pitch stick still adds
// nothing (the rate only decays, by full pitch damping); on P+115 it drives.
TEST(Dodge, PitchLockEndsOnTheHundredAndFifteenthTick) {
    const Flight f = dodgeFlight({{120, stick(-1, 0, 0)}, {150, {}}});
    const int p = kPress;
    const float damping = 1.0f - 2.876f / 120.0f;
    EXPECT_NEAR(f.rates(p + 114).pitch, f.rates(p + 113).pitch * damping, 1e-5f);
    EXPECT_NEAR(f.rates(p + 115).pitch, f.rates(p + 114).pitch - 12.46f / 120.0f, 1e-5f);
}

// Pulling the stick back during a front flip (from tick 37) removes the
// flip's pitch torque and gives air control back with pitch locked: the
// spin only decays, by 0.976 a tick, and the flip's damping runs on.
TEST(Dodge, AFlipCancelStopsThePitchTorqueButNotTheFlip) {
    const Flight f = dodgeFlight({{6, stick(-1, 0, 0)}, {150 - 36, stick(1, 0, 0)}, {30, {}}});
    const int p = kPress;
    const struct {
        int afterPress;
        float pitch;
    } rates[] = {{5, -5.5f}, {6, -5.3682f}, {30, -2.9989f}, {78, -0.9359f}};
    for (const auto& r : rates) {
        EXPECT_NEAR(f.rates(p + r.afterPress).pitch, r.pitch, kRateTolerance);
    }
    EXPECT_NEAR(f.car(p + 17).velocity.z, 284.104f, 2e-3f);
    EXPECT_NEAR(f.car(p + 77).velocity.z, -15.476f, 2e-3f);
    EXPECT_TRUE(f.car(p + 78).isFlipping);
    EXPECT_FALSE(f.car(p + 79).isFlipping);
    // Upside down, facing back.
    const Rotator r = toRotator(f.car(120).attitude);
    EXPECT_NEAR(r.Pitch, -13547, 2);
    EXPECT_NEAR(std::abs(r.Yaw), 32768, 2);
    EXPECT_NEAR(std::abs(r.Roll), 32768, 2);
}

// Yaw +1 with roll -1 is a dodge (past the dead zone) with no direction: no
// impulse, and the stick keeps working (pitch locked).
TEST(Dodge, AStallHasNoImpulseAndKeepsAirControl) {
    const Flight f = fly(carAt({0.0f, 0.0f, 1000.0f}), {{30, {}}, {10, stick(0, 1, -1)}});
    EXPECT_TRUE(f.events[31].dodged);
    EXPECT_TRUE(f.car(31).hasFlipped);
    EXPECT_TRUE(f.car(31).isFlipping);
    const Vec3 dv = f.car(31).velocity - f.car(30).velocity;
    EXPECT_EQ(dv.x, 0.0f);
    EXPECT_EQ(dv.y, 0.0f);
    EXPECT_NEAR(dv.z, -kGravityTick, 1e-4f);
    const struct {
        int tick;
        float yaw, roll;
    } rates[] = {{31, 0.0759f, -0.3196f}, {32, 0.1518f, -0.6264f}, {40, 0.7590f, -2.6784f}};
    for (const auto& r : rates) {
        SCOPED_TRACE(r.tick);
        EXPECT_NEAR(f.rates(r.tick).yaw, r.yaw, kRateTolerance);
        EXPECT_NEAR(f.rates(r.tick).roll, r.roll, kRateTolerance);
    }
}

TEST(Dodge, TheStickDecidesBetweenDodgeAndDoubleJumpAtTheDeadZone) {
    struct Case {
        CarControls stick;
        bool dodges;
    };
    const Case cases[] = {{stick(-0.49f, 0, 0), false},
                          {stick(-0.5f, 0, 0), true},
                          {stick(0.25f, -0.25f, 0), true},
                          {stick(0.2f, 0.2f, 0.09f), false}};
    for (const Case& c : cases) {
        const Flight f = fly(carAt({0.0f, 0.0f, 1000.0f}), {{5, {}}, {1, c.stick}});
        EXPECT_EQ(f.events[6].dodged, c.dodges) << c.stick.pitch << " " << c.stick.yaw;
        EXPECT_EQ(f.events[6].doubleJumped, !c.dodges);
    }
}

// ------------------------------------------------- the same air control

// Stick only, no boost or throttle: the full model turns and moves a car
// exactly as the legacy model does.
TEST(AirControl, MatchesTheLegacyModelBitForBit) {
    CarState legacy;
    legacy.onGround = false;
    legacy.location = {0.0f, 0.0f, 1500.0f};
    legacy.velocity = {300.0f, -200.0f, 400.0f};
    legacy.attitude = orientationFromRotator({1200, -5000, 300});
    legacy.spin = {0.5f, -1.0f, 2.0f};
    World full = carAt(legacy.location, legacy.velocity);
    full.car.attitude = legacy.attitude;
    full.car.spin = legacy.spin;
    for (int t = 0; t < 240; ++t) {
        const CarControls c =
            stick(std::sin(t * 0.05f), std::cos(t * 0.03f), t < 120 ? 1.0f : -0.4f, false);
        stepCar(legacy, c, {});
        mechanics::step(full, c, inVoid());
        ASSERT_EQ(full.car.location, legacy.location) << t;
        ASSERT_EQ(full.car.velocity, legacy.velocity) << t;
        ASSERT_EQ(full.car.attitude, legacy.attitude) << t;
        ASSERT_EQ(full.car.spin, legacy.spin) << t;
    }
}

// --------------------------------------------------------- boost, speed

TEST(Boost, PushesAThirdOf3175AlongTheNoseInTheAirAndATapLasts12Ticks) {
    CarControls boost;
    boost.boost = true;
    const Flight held = fly(carAt({0.0f, 0.0f, 1000.0f}), {{120, boost}});
    EXPECT_NEAR(held.car(120).velocity.x, 3175.0f / 3.0f, 0.01f);
    EXPECT_NEAR(held.car(120).boost, 100.0f - 100.0f / 3.0f, 1e-3f);

    const Flight tap = fly(carAt({0.0f, 0.0f, 1000.0f}), {{1, boost}, {30, {}}});
    EXPECT_TRUE(tap.car(12).boosting);
    EXPECT_FALSE(tap.car(13).boosting);
    EXPECT_NEAR(tap.car(31).velocity.x, 3175.0f / 3.0f * 12.0f / 120.0f, 1e-3f);

    World empty = carAt({0.0f, 0.0f, 1000.0f});
    empty.car.boost = 0.0f;
    EXPECT_EQ(fly(empty, {{30, boost}}).car(30).velocity.x, 0.0f);
}

// Supersonic from 2200 uu/s; in its first second it holds down to 2100.
TEST(Supersonic, StartsAt2200AndHoldsTo2100ForOneSecond) {
    // Straight up at 2250, slowing 5.42 a tick: below 2100 from tick 28.
    const Flight rising = fly(carAt({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 2250.0f}), {{30, {}}});
    EXPECT_TRUE(rising.car(1).supersonic);
    EXPECT_TRUE(rising.car(27).supersonic);
    EXPECT_FALSE(rising.car(28).supersonic);

    // Supersonic at 2150 across, nose up and boosting: the speed climbs but
    // stays under 2200 past the first second, which holds through tick 121
    // (120 float32 ticks are 0.9999994 s).
    World start = carAt({0.0f, 0.0f, 0.0f}, {2150.0f, 0.0f, 0.0f});
    start.car.attitude = orientationFromRotator({16384, 0, 0});
    start.car.supersonic = true;
    CarControls boost;
    boost.boost = true;
    const Flight held = fly(start, {{125, boost}});
    EXPECT_TRUE(held.car(121).supersonic);
    EXPECT_LT(length(held.car(122).velocity), 2200.0f);
    EXPECT_FALSE(held.car(122).supersonic);
}

TEST(Caps, SpeedAndSpinAreCappedAfterTheMove) {
    World start = carAt({0.0f, 0.0f, 1000.0f}, {2299.0f, 0.0f, 0.0f});
    start.car.spin = {0.0f, -5.49f, 0.0f};  // pitching up at 5.49
    CarControls c = stick(1, 0, 0, false);
    c.boost = true;
    c.throttle = 3.0f;  // clamped to 1
    const Flight f = fly(start, {{1, c}});
    EXPECT_NEAR(length(f.car(1).velocity), 2300.0f, 0.01f);
    EXPECT_NEAR(length(f.car(1).spin), 5.5f, 1e-5f);
    // The move used the velocity before the cap.
    const float vx = 2299.0f + (3175.0f / 3.0f + 200.0f / 3.0f) / 120.0f;
    EXPECT_NEAR(f.car(1).location.x, vx / 120.0f, 1e-4f);
}

// ------------------------------------------------------------- auto-flip

// On its roof on the floor, a jump press pushes it off at 200 uu/s and rolls
// it over at 50 rad/s^2 towards the nearer side. The stick still turns the
// car on the press tick (air control runs before the jump), then no more.
TEST(AutoFlip, ACarOnItsRoofPushesOffAndRollsOver) {
    World start = carAt({0.0f, 0.0f, 41.0f});
    start.car.attitude = orientationFromRotator({0, 0, 32767});
    Options floor;
    floor.arena = Arena::Floor;
    const Flight f = fly(start, {{60, {}}, {5, stick(0, 1, 0)}, {20, {}}}, floor);
    EXPECT_LT(length(f.car(60).velocity), 0.01f);  // at rest, up to the box's creep
    EXPECT_TRUE(f.events[61].autoFlipped);
    EXPECT_NEAR(f.car(61).velocity.z, 200.0f - kGravityTick, 1e-3f);
    EXPECT_NEAR(f.rates(61).roll, -50.0f / 120.0f, 1e-5f);
    for (int t = 62; t <= 65; ++t) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(f.rates(t).roll - f.rates(t - 1).roll, -50.0f / 120.0f, 1e-4f);
        EXPECT_NEAR(f.rates(t).yaw, f.rates(61).yaw, 1e-4f);
        EXPECT_FALSE(f.events[t].doubleJumped || f.events[t].dodged);
    }
}

// --------------------------------------------------------------- contacts

// Car (-1500, 0, 1000) level and ball 230 ahead at the box's height, both
// rising at 700, the car 1000 faster: 64.69 apart, closing 8.33 a tick.
TEST(CarBall, TheContactIsFoundFromTheStartOfTickPositions) {
    World w = carAt({-1500.0f, 0.0f, 1000.0f}, {1000.0f, 0.0f, 700.0f});
    w.ball.location = {-1270.0f, 0.0f, 1020.755f};
    w.ball.velocity = {0.0f, 0.0f, 700.0f};
    EXPECT_NEAR(mechanics::findCarBallContact(w.car, w.ball).gap, 64.69f, 0.01f);
    const Flight f = fly(w, {{8, {}}});
    for (int t = 1; t <= 8; ++t) EXPECT_FALSE(f.events[t].ballTouched) << t;
    // Overlapping by 1.98 at the end of tick 8: seen on tick 9.
    const mechanics::CarBallContact c = mechanics::findCarBallContact(f.car(8), f.history[8].ball);
    EXPECT_TRUE(c.exists);
    EXPECT_NEAR(c.gap, -1.98f, 0.01f);
    EXPECT_NEAR(c.normal.x, 1.0f, 1e-4f);
    EXPECT_NEAR(c.carLever.x, 13.8757f + 60.18646f, 1e-3f);
    World next = f.history[8];
    EXPECT_TRUE(mechanics::step(next, {}, inVoid()).ballTouched);
}

TEST(Ball, KeepsItsSpinUnderTheCapAndSlowsByDragInTheVoid) {
    World w = carAt({0.0f, 0.0f, 1000.0f});
    w.ball.velocity = {1000.0f, 0.0f, 0.0f};
    w.ball.spin = {0.0f, 0.0f, 10.0f};
    const Flight f = fly(w, {{120, {}}});
    EXPECT_EQ(f.history[1].ball.spin, (Vec3{0.0f, 0.0f, 6.0f}));
    EXPECT_EQ(f.history[120].ball.spin, (Vec3{0.0f, 0.0f, 6.0f}));
    EXPECT_NEAR(f.history[120].ball.velocity.x, 970.0f, 0.005f);
    // Drag acts before gravity.
    EXPECT_NEAR(f.history[1].ball.velocity.z, -kGravityTick, 1e-5f);

    // A ball with no velocity and no spin sleeps: gravity does not move it.
    const Flight still = fly(carAt({0.0f, 0.0f, 1000.0f}), {{60, {}}});
    EXPECT_EQ(still.history[60].ball, still.history[0].ball);
}

// Dropped from 300 moving 600 across: it ends tick 96 0.26 uu above the
// floor, within the 1.905 uu contact distance, and bounces on tick 97 at 0.6
// of its speed into the floor before that tick's gravity (after its drag).
TEST(Ball, BouncesOnTheTickAfterItComesWithinReachOfTheFloor) {
    World w = carAt({0.0f, -3000.0f, 1000.0f});
    w.ball.location = {-1500.0f, 0.0f, 300.0f};
    w.ball.velocity = {600.0f, 0.0f, 0.0f};
    w.ball.spin = {0.0f, -6.0f, 0.0f};
    Options floor;
    floor.arena = Arena::Floor;
    const Flight f = fly(w, {{97, {}}}, floor);
    EXPECT_NEAR(f.history[96].ball.location.z, 91.512f, 1e-3f);
    EXPECT_NEAR(f.history[96].ball.velocity.z, -513.781f, 1e-3f);
    EXPECT_NEAR(f.history[97].ball.velocity.z, 308.190f, 1e-3f);
    EXPECT_NEAR(f.history[96].ball.velocity.x, 585.556f, 1e-3f);
}

}  // namespace
