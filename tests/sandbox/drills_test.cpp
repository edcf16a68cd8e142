// Drills: their seeded starts, and their scores on flights made up tick by
// tick (the world set by hand, not flown), so that each number is known.
#include "sandbox/Drills.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sandbox/Autopilot.h"
#include "sandbox/Flight.h"
#include "sandbox/FlightLog.h"

namespace {

using namespace sandbox;

constexpr float kDegree = 3.14159265f / 180.0f;

std::unique_ptr<Drill> drill(std::string_view name, uint64_t seed = 1) {
    std::unique_ptr<Drill> d = makeDrill(name, seed);
    EXPECT_NE(d, nullptr) << name;
    return d;
}

// The start's exact text (floats in their shortest exact form), so two
// starts compare bit for bit and a difference prints readably.
std::string startText(const DrillStart& start) {
    FlightLog log;
    log.start = start.world;
    log.options = start.options;
    return formatFlightLog(log);
}

float score(const Drill& d, std::string_view key) {
    const std::optional<float> value = d.score().value(key);
    EXPECT_TRUE(value) << key;
    return value.value_or(NAN);
}

// `direction` turned by `angle` about an axis square to it.
Vec3 offBy(Vec3 direction, float angle) {
    const Vec3 d = direction * (1.0f / length(direction));
    Vec3 axis = cross(d, Vec3{0.0f, 0.0f, 1.0f});
    if (length(axis) < 1e-3f) axis = Vec3{0.0f, 1.0f, 0.0f};
    axis = axis * (1.0f / length(axis));
    return d * std::cos(angle) + cross(axis, d) * std::sin(angle);
}

// The car with its nose `angle` off `direction`.
void aimCar(World& world, Vec3 direction, float angle) {
    world.car.attitude = orientationWithNose(offBy(direction, angle), 0.3f);
}

TickReport landing(float angleDegrees, float spin, bool wheelsDown = true) {
    TickReport report;
    report.landed = true;
    report.touchdown.wheelsDown = wheelsDown;
    report.touchdown.angleToVertical = angleDegrees * kDegree;
    report.touchdown.spin = spin;
    return report;
}

// ------------------------------------------------------------ the table

TEST(DrillTable, HoldsTheCommandLineNamesEachWithItsCueAndAPartThatRanksIt) {
    struct Case {
        const char* name;
        std::optional<render::TargetOption> cue;
    };
    const Case cases[] = {{"nose-on-ball", render::TargetOption::Ball},
                          {"recovery", render::TargetOption::Down},
                          {"velocity-alignment", render::TargetOption::Velocity},
                          {"velocity-braking", render::TargetOption::VelocityOpposite},
                          {"target-attitude", std::nullopt},
                          {"aerial-touch", render::TargetOption::Ball},
                          {"shot-on-goal", render::TargetOption::Ball},
                          {"fast-aerial", render::TargetOption::Ball}};
    ASSERT_EQ(drillTable().size(), std::size(cases));
    for (const Case& c : cases) {
        const DrillEntry* entry = findDrill(c.name);
        ASSERT_NE(entry, nullptr) << c.name;
        EXPECT_EQ(entry->info.cue, c.cue) << c.name;
        EXPECT_FALSE(entry->info.description.empty());
        EXPECT_FALSE(entry->info.mainPart.empty());
    }
    EXPECT_EQ(findDrill("nose-on-balls"), nullptr);
    EXPECT_EQ(makeDrill("", 1), nullptr);
}

// Each drill lists every part its score can have, the ranking part among
// them; an attempt flown hands off (which fails) and one the autopilot
// flies (which passes) score only parts of the list, in its order, so that
// a result line can name each of them whatever the outcome.
TEST(DrillTable, EveryScorePartOfAnAttemptIsInTheDrillsListInItsOrder) {
    for (const DrillEntry& entry : drillTable()) {
        SCOPED_TRACE(std::string(entry.info.name));
        const std::span<const std::string_view> keys = scorePartKeys(entry.info);
        ASSERT_FALSE(keys.empty());
        EXPECT_NE(std::find(keys.begin(), keys.end(), entry.info.mainPart), keys.end());
        for (const bool autopilot : {false, true}) {
            std::unique_ptr<Drill> d = entry.make(entry.info, 2);
            std::optional<Autopilot> pilot;
            if (autopilot) pilot.emplace(*d);
            Simulation sim = Simulation::full(d->start().fullWorld(), d->start().options);
            while (!d->finished()) {
                const CarControls controls = pilot ? pilot->controls(sim.world()) : CarControls{};
                const TickReport report = sim.step(controls);
                d->update(sim.world(), controls, report);
            }
            const DrillScore score = d->score();
            EXPECT_EQ(score.outcome, autopilot ? DrillOutcome::Passed : DrillOutcome::Failed);
            auto next = keys.begin();
            for (const ScorePart& part : score.parts()) {
                next = std::find(next, keys.end(), part.key);
                EXPECT_NE(next, keys.end()) << part.key << (autopilot ? " (autopilot)" : "");
            }
        }
    }
}

TEST(DrillStarts, TheSameSeedStartsTheSameAndAnotherSeedDoesNot) {
    for (const DrillEntry& entry : drillTable()) {
        SCOPED_TRACE(std::string(entry.info.name));
        for (uint64_t seed : {0ull, 1ull, 42ull, 0xFFFFFFFFFFFFFFFFull}) {
            const auto a = entry.make(entry.info, seed), b = entry.make(entry.info, seed);
            EXPECT_EQ(startText(a->start()), startText(b->start()));
            EXPECT_TRUE(a->targetAttitude() == b->targetAttitude());
            EXPECT_EQ(a->seed(), seed);
            const auto other = entry.make(entry.info, seed + 1);
            EXPECT_NE(startText(a->start()), startText(other->start()));
        }
    }
}

// Each drill's start as its description promises, over many seeds.
TEST(DrillStarts, StartAsEachDrillPromises) {
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const auto nose = drill("nose-on-ball", seed);
        const World& n = nose->start().world;
        EXPECT_TRUE(nose->start().options.unlimitedBoost && nose->start().options.ballFloats);
        const float offBall =
            angleBetween(n.car.attitude.forward, n.ball.location - n.car.location);
        EXPECT_TRUE(offBall >= 19.9f * kDegree && offBall <= 50.1f * kDegree) << offBall;
        EXPECT_GT(n.ball.location.z, n.car.location.z + 399.0f);

        const World r = drill("recovery", seed)->start().world;
        EXPECT_GE(angleToVertical(r.car.attitude), 60.0f * kDegree);
        EXPECT_GE(length(r.car.spin), 2.0f);
        EXPECT_GE(r.car.location.z, 1200.0f);

        for (const char* name : {"velocity-alignment", "velocity-braking"}) {
            const World v = drill(name, seed)->start().world;
            const Vec3 aim = name[9] == 'b' ? -v.car.velocity : v.car.velocity;
            const float off = angleBetween(v.car.attitude.forward, aim);
            EXPECT_TRUE(off >= 29.9f * kDegree && off <= 90.1f * kDegree) << name << " " << off;
            EXPECT_EQ(length(v.ball.velocity), 0.0f);
        }

        const auto target = drill("target-attitude", seed);
        const Orientation goal = *target->targetAttitude();
        EXPECT_GE(length(turnBetween(target->start().world.car.attitude, goal)), 45.0f * kDegree);

        const World t = drill("aerial-touch", seed)->start().world;
        EXPECT_TRUE(t.car.onGround);
        EXPECT_EQ(t.car.boost, 100.0f);
        EXPECT_GT(t.ball.velocity.z, 999.0f);
        const Vec3 across = t.ball.location - t.car.location;
        EXPECT_GE(std::hypot(across.x, across.y), 1800.0f);
        EXPECT_LE(std::fabs(t.ball.location.x), 4096.0f - 600.0f);
        EXPECT_LE(std::fabs(t.ball.location.y), 5120.0f - 600.0f);
    }
}

// --------------------------------------------------------- nose on ball

TEST(NoseOnBallScore, CountsTheTicksInsideTheFiveDegreeConeOutOfTenSeconds) {
    struct Case {
        const char* what;
        int ticksInside;  // first, then the rest of the 1200 outside
        float insideDegrees, outsideDegrees;
        float timeInside, meanDegrees;
        DrillOutcome outcome;
    };
    const Case cases[] = {
        {"all ten seconds at 3 degrees", 1200, 3.0f, 0.0f, 10.0f, 3.0f, DrillOutcome::Passed},
        {"exactly half inside passes", 600, 3.0f, 10.0f, 5.0f, 6.5f, DrillOutcome::Passed},
        {"one tick short of half fails", 599, 4.0f, 6.0f, 599.0f / 120.0f,
         (599 * 4.0f + 601 * 6.0f) / 1200.0f, DrillOutcome::Failed},
        {"just inside the cone's edge counts", 1200, 4.99f, 0.0f, 10.0f, 4.99f,
         DrillOutcome::Passed},
        {"never inside", 0, 0.0f, 40.0f, 0.0f, 40.0f, DrillOutcome::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto d = drill("nose-on-ball");
        World world = d->start().world;
        for (int t = 0; t < 1200; ++t) {
            ASSERT_FALSE(d->finished());
            const Vec3 toBall = world.ball.location - world.car.location;
            aimCar(world, toBall,
                   (t < c.ticksInside ? c.insideDegrees : c.outsideDegrees) * kDegree);
            d->update(world, {}, {});
        }
        EXPECT_TRUE(d->finished());
        EXPECT_EQ(d->score().outcome, c.outcome);
        EXPECT_NEAR(score(*d, "time_inside"), c.timeInside, 1e-4f);
        EXPECT_NEAR(score(*d, "mean_off_nose"), c.meanDegrees, 2e-3f);
        d->update(world, {}, {});  // after the end: ignored
        EXPECT_EQ(d->ticks(), 1200u);
    }
}

TEST(NoseOnBallScore, ThePlotSampleCarriesTheAngleTheTimeAndTheStick) {
    const auto d = drill("nose-on-ball");
    World world = d->start().world;
    aimCar(world, world.ball.location - world.car.location, 7.0f * kDegree);
    CarControls stick;
    stick.pitch = 0.5f;
    stick.yaw = -0.25f;
    stick.roll = 1.0f;
    d->update(world, stick, {});
    d->update(world, stick, {});
    EXPECT_NEAR(d->sample().error, 7.0f * kDegree, 1e-4f);
    EXPECT_FALSE(d->sample().inside);
    EXPECT_EQ(d->sample().seconds, 2.0f / 120.0f);
    EXPECT_EQ(d->sample().pitch, 0.5f);
    EXPECT_EQ(d->sample().yaw, -0.25f);
    EXPECT_EQ(d->sample().roll, 1.0f);
    EXPECT_EQ(d->score().outcome, DrillOutcome::Running);
}

// -------------------------------------------------------------- recovery

TEST(RecoveryScore, ALandingIsCleanUnderTwentyDegreesAndUnderOneRadianASecond) {
    struct Case {
        const char* what;
        TickReport touchdown;
        DrillOutcome outcome;
        const char* verdict;
    };
    const Case cases[] = {
        {"level and still", landing(0.0f, 0.0f), DrillOutcome::Passed, "clean landing"},
        {"19.9 degrees, 0.99 rad/s", landing(19.9f, 0.99f), DrillOutcome::Passed, "clean landing"},
        {"20 degrees", landing(20.0f, 0.5f), DrillOutcome::Failed, "landed at 20 degrees or more"},
        {"1 rad/s of spin", landing(5.0f, 1.0f), DrillOutcome::Failed,
         "landed spinning at 1 rad/s or more"},
        {"both", landing(35.0f, 3.0f), DrillOutcome::Failed,
         "landed at 20 degrees or more, and spinning"},
        {"on the roof", landing(5.0f, 0.0f, false), DrillOutcome::Failed,
         "landed at 20 degrees or more"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto d = drill("recovery");
        const World world = d->start().world;
        for (int t = 0; t < 239; ++t) d->update(world, {}, {});
        EXPECT_FALSE(d->finished());
        d->update(world, {}, c.touchdown);
        ASSERT_TRUE(d->finished());
        const DrillScore s = d->score();
        EXPECT_EQ(s.outcome, c.outcome);
        EXPECT_EQ(s.verdict, c.verdict);
        EXPECT_EQ(score(*d, "time_to_touchdown"), 2.0f);
        EXPECT_NEAR(score(*d, "landing_angle"), c.touchdown.touchdown.angleToVertical / kDegree,
                    1e-4f);
        EXPECT_EQ(score(*d, "landing_spin"), c.touchdown.touchdown.spin);
    }
}

TEST(RecoveryScore, NoTouchdownInTwentySecondsFailsWithoutALandingAngle) {
    const auto d = drill("recovery");
    for (int t = 0; t < 2400; ++t) d->update(d->start().world, {}, {});
    ASSERT_TRUE(d->finished());
    EXPECT_EQ(d->score().outcome, DrillOutcome::Failed);
    EXPECT_FALSE(d->score().value("landing_angle"));
    EXPECT_EQ(d->score().verdict, "no touchdown within 20 s");
}

// ---------------------------------------------------- velocity alignment

TEST(VelocityScore, CountsTheFlightsTicksInsideTheConeAlongOrAgainstTheVelocity) {
    struct Case {
        const char* drill;
        float insideDegrees;   // off the direction held, for the first 240 ticks
        float outsideDegrees;  // for the next `outsideTicks`, then touchdown
        int outsideTicks;
        float share;
        DrillOutcome outcome;
    };
    const Case cases[] = {
        {"velocity-alignment", 2.0f, 30.0f, 120, 200.0f / 3.0f, DrillOutcome::Passed},
        {"velocity-alignment", 4.9f, 90.0f, 360, 40.0f, DrillOutcome::Failed},
        {"velocity-braking", 1.0f, 8.0f, 240, 50.0f, DrillOutcome::Passed},
        {"velocity-braking", 3.0f, 170.0f, 480, 100.0f / 3.0f, DrillOutcome::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.drill) + " " + std::to_string(c.outsideTicks));
        const auto d = drill(c.drill);
        World world = d->start().world;
        const bool against = c.drill[9] == 'b';
        const Vec3 held = against ? -world.car.velocity : world.car.velocity;
        for (int t = 0; t < 240 + c.outsideTicks; ++t) {
            aimCar(world, held, (t < 240 ? c.insideDegrees : c.outsideDegrees) * kDegree);
            d->update(world, {}, {});
        }
        EXPECT_FALSE(d->finished());
        d->update(world, {}, landing(0.0f, 0.0f));  // the touchdown tick is not flight
        ASSERT_TRUE(d->finished());
        EXPECT_EQ(d->score().outcome, c.outcome);
        EXPECT_NEAR(score(*d, "share_inside"), c.share, 1e-3f);
        EXPECT_EQ(score(*d, "time_inside"), 2.0f);
        EXPECT_NEAR(score(*d, "flight_time"), (240 + c.outsideTicks) / 120.0f, 1e-5f);
        EXPECT_NEAR(
            score(*d, "mean_off_velocity"),
            (240 * c.insideDegrees + c.outsideTicks * c.outsideDegrees) / (240 + c.outsideTicks),
            2e-3f);
    }
}

TEST(VelocityScore, BelowTheDialsTenUnitsASecondTheNoseCountsAsOff) {
    const auto d = drill("velocity-alignment");
    World world = d->start().world;
    world.car.velocity = {6.0f, 0.0f, 0.0f};
    world.car.attitude = orientationWithNose({1.0f, 0.0f, 0.0f}, 0.0f);
    d->update(world, {}, {});
    EXPECT_FALSE(d->sample().inside);
    world.car.velocity = {10.0f, 0.0f, 0.0f};
    d->update(world, {}, {});
    EXPECT_TRUE(d->sample().inside);
}

// ------------------------------------------------------- target attitude

TEST(TargetAttitudeScore, HoldingWithinTenDegreesForHalfASecondEndsTheAttempt) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, float>> flight;  // ticks at so many degrees off
        DrillOutcome outcome;
        float timeToHold;  // s, when passed
    };
    const Case cases[] = {
        {"60 ticks at 8 degrees after 1 s away",
         {{120, 40.0f}, {60, 8.0f}},
         DrillOutcome::Passed,
         1.5f},
        {"59 ticks, a tick out, then 60 more",
         {{59, 5.0f}, {1, 11.0f}, {60, 5.0f}},
         DrillOutcome::Passed,
         1.0f},
        {"never within 10 degrees in 10 s", {{1200, 10.5f}}, DrillOutcome::Failed, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto d = drill("target-attitude");
        const Orientation target = *d->targetAttitude();
        World world = d->start().world;
        for (const auto& [ticks, degrees] : c.flight) {
            // The target turned about its own right axis by `degrees`.
            world.car.attitude = rotated(target, target.right * (degrees * kDegree), 1.0f);
            for (int t = 0; t < ticks; ++t) d->update(world, {}, {});
        }
        ASSERT_TRUE(d->finished());
        EXPECT_EQ(d->score().outcome, c.outcome);
        const std::optional<float> time = d->score().value("time_to_hold");
        if (c.outcome == DrillOutcome::Passed) {
            EXPECT_EQ(time, c.timeToHold);
            EXPECT_LT(score(*d, "hold_error"), 10.0f);
        } else {
            EXPECT_FALSE(time);
            EXPECT_NEAR(score(*d, "smallest_error"), 10.5f, 1e-3f);
        }
    }
}

TEST(TargetAttitudeScore, TouchingDownBeforeTheHoldFails) {
    const auto d = drill("target-attitude");
    World world = d->start().world;
    world.car.attitude = *d->targetAttitude();
    for (int t = 0; t < 30; ++t) d->update(world, {}, {});
    d->update(world, {}, landing(0.0f, 0.0f));
    ASSERT_TRUE(d->finished());
    EXPECT_EQ(d->score().outcome, DrillOutcome::Failed);
    EXPECT_EQ(d->score().verdict, "touched down before holding it");
    EXPECT_EQ(score(*d, "smallest_error"), 0.0f);
}

// ---------------------------------------------------------- aerial touch

TEST(AerialTouchScore, ATouchIsTheBallWithinItsRadiusOfTheCarsBox) {
    struct Case {
        const char* what;
        float gap;  // uu between the ball's surface and the front of the car's box
        bool touched;
    };
    const Case cases[] = {
        {"ball 2 uu short of the box", 2.0f, false},
        {"ball just touching the box", 0.0f, true},
        {"ball half inside the box", -40.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto d = drill("aerial-touch");
        World world = d->start().world;
        world.car.onGround = false;
        world.car.location = {0.0f, 0.0f, 800.0f};
        world.car.attitude = Orientation{};
        world.car.boost = 100.0f - 33.0f;
        world.ball.velocity = {0.0f, 0.0f, 200.0f};
        // The box's front face is 13.88 + 120.51 / 2 ahead of the car's
        // origin and its centre 20.76 above it.
        const float front = 13.88f + 120.51f / 2.0f;
        world.ball.location = {front + 91.25f + c.gap, 0.0f, 800.0f + 20.76f};
        for (int t = 0; t < 150; ++t) d->update(d->start().world, {}, {});
        d->update(world, {}, {});
        // The drill goes on after a touch, to watch where the ball goes.
        EXPECT_FALSE(d->finished());
        EXPECT_EQ(d->score().value("time_to_touch").has_value(), c.touched);
        if (!c.touched) continue;
        EXPECT_EQ(score(*d, "time_to_touch"), 151.0f / 120.0f);
        EXPECT_NEAR(score(*d, "boost_used"), 33.0f, 1e-4f);
    }
}

// After the touch the ball's course counts: once it has left the car, its
// speed, its angle off the far goal (the one beyond the ball from the car's
// start) and whether it would reach that goal; the attempt ends 3 s after
// the touch, when the ball lands, or when it goes in.
TEST(AerialTouchScore, AfterTheTouchTheBallsCourseIsScored) {
    const auto probe = drill("aerial-touch");
    const World& start = probe->start().world;
    const float side = start.ball.location.y >= start.car.location.y ? 1.0f : -1.0f;
    struct Case {
        const char* what;
        Vec3 velocity;  // the ball's, leaving the car 3000 from the far end wall, 300 up
        int8_t goalScored;
        const char* verdict;
        float offGoalDegrees;
    };
    const Case cases[] = {
        {"straight at the far goal",
         {0.0f, 2000.0f, 150.0f},
         0,
         "touched: the ball would reach the far goal",
         0.0f},
        {"across the arena",
         {2000.0f, 0.0f, 150.0f},
         0,
         "touched: the ball goes wide of the far goal",
         90.0f},
        {"into the far goal", {0.0f, 2000.0f, 150.0f}, 1, "touched, and the ball went in", 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto d = drill("aerial-touch");
        World world = d->start().world;
        TickReport touch;
        touch.ballTouched = true;
        d->update(world, {}, touch);
        ASSERT_FALSE(d->finished());
        world.ball.location = {0.0f, side * 2120.0f, 300.0f};
        world.ball.velocity = {c.velocity.x, side * c.velocity.y, c.velocity.z};
        d->update(world, {}, {});  // the ball has left the car
        EXPECT_EQ(score(*d, "ball_speed"), length(world.ball.velocity));
        EXPECT_NEAR(score(*d, "off_goal"), c.offGoalDegrees, 1e-3f);
        TickReport after;
        after.goalScored = static_cast<int8_t>(c.goalScored * side);
        for (int t = 0; t < 3 * 120 && !d->finished(); ++t) d->update(world, {}, after);
        ASSERT_TRUE(d->finished());
        EXPECT_EQ(d->ticks(), c.goalScored != 0 ? 3u : 361u);
        EXPECT_EQ(d->score().outcome, DrillOutcome::Passed);
        EXPECT_EQ(d->score().verdict, c.verdict);
    }
}

// ---------------------------------------------------------- shot on goal

TEST(ShotOnGoal, StartsOnTheWheelsFacingTheGoalWithTheBallAheadRollingOrBouncing) {
    int rolling = 0;
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        const DrillStart s = drill("shot-on-goal", seed)->start();
        const CarState& car = s.world.car;
        const BallState& ball = s.world.ball;
        EXPECT_TRUE(car.onGround);
        EXPECT_LT(car.location.y, -1000.0f);
        const Vec3 toBall = ball.location - car.location;
        EXPECT_LT(angleBetween(car.attitude.forward, Vec3{toBall.x, toBall.y, 0.0f}), 0.71f);
        if (ball.location.z == 91.25f) {
            ++rolling;  // rolling without slipping: spin x radius = velocity
            const Vec3 surface = cross(s.ballSpin, Vec3{0.0f, 0.0f, -91.25f});
            EXPECT_NEAR(length(surface + ball.velocity), 0.0f, 1e-2f);
        } else {
            EXPECT_EQ(s.ballSpin, Vec3{});
            EXPECT_GE(ball.location.z, 200.0f);
        }
        EXPECT_EQ(s.fullWorld().ball.spin, s.ballSpin);
    }
    EXPECT_GT(rolling, 4);
    EXPECT_LT(rolling, 16);
}

TEST(ShotOnGoal, AGoalAtTheFarEndPassesAndOneAtTheOwnEndFails) {
    struct Case {
        int8_t goal;
        DrillOutcome outcome;
        const char* verdict;
    };
    const Case cases[] = {{1, DrillOutcome::Passed, "goal"},
                          {-1, DrillOutcome::Failed, "the ball went into your own goal"},
                          {0, DrillOutcome::Failed, "no goal within 12 s"}};
    for (const Case& c : cases) {
        const auto d = drill("shot-on-goal");
        const World world = d->start().world;
        TickReport hit;
        hit.ballTouched = true;
        d->update(world, {}, hit);
        TickReport end;
        end.goalScored = c.goal;
        for (int t = 0; t < 12 * 120 && !d->finished(); ++t) d->update(world, {}, end);
        ASSERT_TRUE(d->finished());
        EXPECT_EQ(d->score().outcome, c.outcome);
        EXPECT_EQ(d->score().verdict, c.verdict);
        EXPECT_EQ(score(*d, "touches"), 1.0f);
        EXPECT_EQ(d->score().value("time_to_goal").has_value(), c.goal > 0);
    }
}

TEST(AerialTouchScore, TheBallLandingFirstIsAMissButRestingAtTheStartIsNot) {
    const auto d = drill("aerial-touch");
    World world = d->start().world;
    world.ball.location.z = 91.25f;  // on the floor, but on its way up
    d->update(world, {}, {});
    EXPECT_FALSE(d->finished());
    world.ball.location.z = 600.0f;
    world.ball.velocity.z = -900.0f;
    d->update(world, {}, {});
    EXPECT_FALSE(d->finished());
    world.ball.location.z = 91.25f;  // the bounce has turned it upwards again
    world.ball.velocity.z = 500.0f;
    d->update(world, {}, {});
    ASSERT_TRUE(d->finished());
    EXPECT_EQ(d->score().outcome, DrillOutcome::Failed);
    EXPECT_EQ(d->score().verdict, "missed: the ball landed first");
    EXPECT_FALSE(d->score().value("time_to_touch"));
    EXPECT_EQ(score(*d, "boost_used"), 0.0f);
}

}  // namespace
