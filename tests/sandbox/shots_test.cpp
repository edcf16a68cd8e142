// Shots and packs: how an attempt ends, the pack file and its code, variance,
// and every built-in shot scored by a flight.
#include "sandbox/Shots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "sandbox/Autopilot.h"
#include "sandbox/Flight.h"
#include "sandbox/ShareCode.h"

namespace {

using namespace sandbox;

Pack onePack(const Shot& shot) {
    Pack p;
    p.name = "Test pack";
    p.shots.push_back(shot);
    return p;
}

struct Flown {
    DrillScore score;
    uint32_t ticks = 0;
};

// Flies a shot's drill with the same controls every tick until it ends (or
// 70 s, past any time limit).
Flown flyHeld(const Pack& pack, const CarControls& held) {
    std::unique_ptr<Drill> drill = makeShotDrill(pack, 0, 0);
    Simulation sim = Simulation::full(drill->start().fullWorld(), drill->start().options);
    for (int t = 0; t < 70 * 120 && !drill->finished(); ++t) {
        const TickReport report = sim.step(held);
        drill->update(sim.world(), held, report);
    }
    return {drill->score(), drill->ticks()};
}

TEST(Shot, EndsScoredInTheWrongGoalOrAtTheTimeLimit) {
    // The ball 400 in front of a goal line, flying at 2000 uu/s straight in;
    // the car parked far away and the controls left alone.
    Shot intoPositive;
    intoPositive.ballLocation = {0.0f, 4700.0f, 200.0f};
    intoPositive.ballVelocity = {0.0f, 2000.0f, 0.0f};
    intoPositive.carLocation = {2000.0f, 0.0f, mechanics::kCarRestHeight};
    Shot intoNegative = intoPositive;
    intoNegative.ballLocation.y = -4700.0f;
    intoNegative.ballVelocity.y = -2000.0f;
    Shot resting = intoPositive;  // the ball still on the floor in midfield
    resting.ballLocation = {0.0f, 0.0f, mechanics::kBallRadius};
    resting.ballVelocity = {};
    resting.timeLimit = 2.5f;

    struct Case {
        const char* name;
        Shot shot;
        mechanics::Goal goal;
        DrillOutcome outcome;
        const char* verdict;
    };
    const Case cases[] = {
        {"into the goal at +y, which it is to score in", intoPositive, mechanics::Goal::PositiveY,
         DrillOutcome::Passed, "goal"},
        {"into the goal at -y, the wrong one", intoNegative, mechanics::Goal::PositiveY,
         DrillOutcome::Failed, "missed: the ball went into the other goal"},
        {"into the goal at -y, which it is to score in", intoNegative, mechanics::Goal::NegativeY,
         DrillOutcome::Passed, "goal"},
        {"nowhere near a goal", resting, mechanics::Goal::PositiveY, DrillOutcome::Failed,
         "missed: the time ran out"},
    };
    for (const Case& c : cases) {
        Shot shot = c.shot;
        shot.goal = c.goal;
        const Flown f = flyHeld(onePack(shot), {});
        EXPECT_EQ(f.score.outcome, c.outcome) << c.name;
        EXPECT_EQ(f.score.verdict, c.verdict) << c.name;
        EXPECT_EQ(*f.score.value("touches"), 0.0f) << c.name;
        EXPECT_EQ(*f.score.value("scored"), c.outcome == DrillOutcome::Passed ? 1.0f : 0.0f);
        if (c.outcome == DrillOutcome::Passed) {
            // In when the whole ball is past the line: 400 + 91.25 to go at
            // 2000 uu/s (less drag), about 0.25 s.
            EXPECT_NEAR(*f.score.value("time_to_goal"), 0.25f, 0.02f) << c.name;
        } else {
            EXPECT_FALSE(f.score.value("time_to_goal")) << c.name;
        }
        // The drill lists every part a result can have, time_to_goal too, so
        // that a missed shot's line names it with no value.
        const std::unique_ptr<Drill> drill = makeShotDrill(onePack(shot), 0, 0);
        const std::span<const std::string_view> keys = scorePartKeys(drill->info());
        EXPECT_NE(std::find(keys.begin(), keys.end(), "time_to_goal"), keys.end());
        for (const ScorePart& part : f.score.parts())
            EXPECT_NE(std::find(keys.begin(), keys.end(), part.key), keys.end()) << part.key;
    }
    // The time limit: 2.5 s is the 300th tick exactly.
    EXPECT_EQ(flyHeld(onePack(resting), {}).ticks, 300u);
}

TEST(Shot, CountsTouchesAndTheBoostUsed) {
    // The car on its wheels 600 behind a resting ball, full throttle and
    // boost into it: one touch (the contact lasts a few ticks), and the tank
    // drains at 33.3 a second.
    Shot shot;
    shot.carLocation = {0.0f, -600.0f, mechanics::kCarRestHeight};
    shot.ballLocation = {0.0f, 0.0f, mechanics::kBallRadius};
    shot.timeLimit = 1.5f;
    CarControls c;
    c.throttle = 1.0f;
    c.boost = true;
    const Flown f = flyHeld(onePack(shot), c);
    EXPECT_EQ(*f.score.value("touches"), 1.0f);
    EXPECT_NEAR(*f.score.value("boost_used"), 50.0f, 2.0f);
}

// ----------------------------------------------------------------- files

Pack samplePack() {
    Pack p;
    p.name = "Mine: \"odd\" \\ names";
    p.author = "Someone";
    p.difficulty = 4;
    p.variance = {100.0f, 50.5f, 3.0f, 0.0f};
    Shot a;
    a.ballLocation = {0.1f, -0.0f, 1e-3f};
    a.ballSpin = {1.0f, -2.0f, 0.5f};
    Shot b;
    b.carOnGround = false;
    b.carLocation = {100.0f, 200.0f, 900.0f};
    b.carHeadingDegrees = -45.5f;
    b.carSpeed = 1234.5f;
    b.carBoost = 33.3f;
    b.goal = mechanics::Goal::NegativeY;
    b.timeLimit = 7.25f;
    p.shots = {a, b};
    return p;
}

TEST(PackFile, RoundTripsAsTextAndAsACode) {
    const Pack p = samplePack();
    const std::string text = formatPack(p);
    const base::Result<Pack> back = parsePack(text, "p.pack");
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, p);
    EXPECT_TRUE(std::signbit(back->shots[0].ballLocation.y));
    const base::Result<std::string> decoded = readShareCode(makeShareCode(text));
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    const base::Result<Pack> fromCode = parsePack(*decoded, "code");
    ASSERT_TRUE(fromCode.ok()) << fromCode.error();
    EXPECT_EQ(*fromCode, p);
    for (const Pack& builtIn : builtInPacks()) {
        const base::Result<Pack> r = parsePack(formatPack(builtIn), "b.pack");
        ASSERT_TRUE(r.ok()) << r.error();
        EXPECT_EQ(*r, builtIn);
    }
}

TEST(PackFile, RefusesEachFaultAtItsLine) {
    const std::string good = formatPack(samplePack());
    // Lines: 1 header, 2 name, 3 author, 4 difficulty, 5 variance, 6 shot,
    // 7 ball location ... 16 time_limit, 17 shot, 18 ball location ...
    struct Case {
        std::string from, to, error;
    };
    const Case cases[] = {
        {"trimsight-pack 1", "trimsight-flight 4",
         "p:1: not a pack: expected \"trimsight-pack 1\""},
        {"difficulty 4", "difficulty 6",
         "p:4: the difficulty: expected a whole number from 1 to 5, got \"6\""},
        {"variance 100 50.5 3 0", "variance 100 50.5 90 0",
         "p:5: the heading's nudge: expected 0 to 45"},
        {"ball location 0.1 -0 0.001", "ball location 0.1 -0 -5",
         "p:7: the ball's location: 0.1 -0 -5 is outside the arena (x from -4096 to 4096, y from "
         "-5120 to 5120, z from 0 to 2044)"},
        {"ball location 0.1 -0 0.001", "ball location 0.1 inf 0.001",
         "p:7: the ball's location: expected a finite number, got \"inf\""},
        {"ball spin 1 -2 0.5", "ball spin 10 0 0",
         "p:9: the ball's spin: 10 0 0 is longer than 6 rad/s (its cap)"},
        {"car boost 100", "car boost 101", "p:13: boost: expected 0 to 100"},
        {"goal +y", "goal up", "p:15: the goal: expected +y or -y, got \"up\""},
        {"time_limit 10", "time_limit 0.5", "p:16: the time limit: expected 1 to 60"},
        {"time_limit 10", "", "p:16: shot 1 lacks \"time_limit\""},
        {"time_limit 10", "time_limit 10\ntime_limit 10", "p:17: \"time_limit\" given twice"},
        {"time_limit 10", "time_limit 10 s", "p:16: unexpected \"s\" at the end of the line"},
        {"author \"Someone\"", "author \"Some", "p:3: the author: the closing quote is missing"},
        {"author \"Someone\"", "colour \"red\"",
         "p:3: unknown line \"colour\" (a pack's lines are name, author, difficulty, variance, "
         "then "
         "shot)"},
        {"car speed 1234.5", "car speed 1234.5\ncar wings 2",
         "p:24: unknown line \"car wings\" in a shot"},
    };
    for (const Case& c : cases) {
        std::string text = good;
        const std::size_t at = text.find(c.from + "\n");
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size() + 1, c.to.empty() ? "" : c.to + "\n");
        const base::Result<Pack> r = parsePack(text, "p");
        ASSERT_FALSE(r.ok()) << c.to;
        EXPECT_EQ(r.error(), c.error);
    }
    // 51 shots: 5 lines before them, 11 lines each, so the 51st begins on
    // line 556.
    Pack many = onePack(Shot{});
    many.shots.resize(51);
    EXPECT_EQ(parsePack(formatPack(many), "p").error(), "p:556: more than 50 shots");
    EXPECT_EQ(parsePack("trimsight-pack 1\nname \"x\"\n", "p").error(),
              "p:2: the pack has no shots");
}

// -------------------------------------------------------------- variance

TEST(Variance, RepeatsFromItsSeedAndStaysInItsBounds) {
    Shot shot;
    shot.ballLocation = {4000.0f, 5000.0f, 1500.0f};  // near a corner: clamped inside
    shot.ballVelocity = {0.0f, 500.0f, 300.0f};
    shot.carLocation = {-4000.0f, -3000.0f, mechanics::kCarRestHeight};
    const Variance v{300.0f, 200.0f, 10.0f, 250.0f};
    EXPECT_EQ(variedShot(shot, v, 0), shot);
    EXPECT_EQ(variedShot(shot, Variance{}, 7), shot);
    int changed = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        const Shot a = variedShot(shot, v, seed);
        EXPECT_EQ(a, variedShot(shot, v, seed));
        if (!(a == variedShot(shot, v, seed + 1))) ++changed;
        EXPECT_LE(std::fabs(a.ballLocation.x - shot.ballLocation.x), 300.0f);
        EXPECT_LE(std::fabs(a.ballLocation.z - shot.ballLocation.z), 300.0f);
        EXPECT_LE(a.ballLocation.x, 4096.0f - mechanics::kBallRadius);
        EXPECT_LE(a.ballLocation.y, 5120.0f - mechanics::kBallRadius);
        EXPECT_LE(std::fabs(a.ballVelocity.y - shot.ballVelocity.y), 200.0f);
        EXPECT_LE(std::fabs(a.carHeadingDegrees - shot.carHeadingDegrees), 10.0f);
        EXPECT_GE(a.carLocation.x, -4096.0f);
        EXPECT_LE(std::fabs(a.carLocation.y - shot.carLocation.y), 250.0f);
        EXPECT_EQ(a.carLocation.z, shot.carLocation.z);  // on its wheels still
        // What a file holds reads back: the varied shot is a valid shot.
        Pack p = onePack(a);
        ASSERT_TRUE(parsePack(formatPack(p), "v").ok()) << seed;
    }
    EXPECT_EQ(changed, 200);
}

TEST(Variance, NamesAttemptsByPackAndNumber) {
    Pack p = onePack(Shot{});
    p.name = "  Fast aerials! (v2) ";
    EXPECT_EQ(shotDrillName(p, 0), "shot-fast-aerials-v2-1");
    p.name = "***";
    EXPECT_EQ(shotDrillName(p, 4), "shot-pack-5");
    EXPECT_EQ(makeShotDrill(p, 0, 9)->info().name, "shot-pack-1");
    EXPECT_EQ(makeShotDrill(p, 0, 9)->seed(), 9u);
    EXPECT_EQ(makeShotDrill(p, 1, 0), nullptr);
}

// ------------------------------------------------------ built-in packs

// The autopilot plays them on its wheels (Autopilot.h, shot on goal): it
// meets the ball as it comes down and drives it in, in 9 to 16 s; a player
// takes them in the air, sooner. The lines printed say which flight scored
// each shot, and how.
TEST(BuiltInPacks, EveryShotIsScoredByTheAutopilot) {
    ASSERT_EQ(builtInPacks().size(), 3u);
    for (const Pack& pack : builtInPacks()) {
        EXPECT_GE(pack.shots.size(), 8u) << pack.name;
        for (std::size_t i = 0; i < pack.shots.size(); ++i) {
            std::unique_ptr<Drill> drill = makeShotDrill(pack, i, 0);
            Simulation sim = Simulation::full(drill->start().fullWorld(), drill->start().options);
            Autopilot pilot(*drill);
            while (!drill->finished()) {
                const CarControls c = pilot.controls(sim.world());
                const TickReport report = sim.step(c);
                drill->update(sim.world(), c, report);
            }
            const DrillScore s = drill->score();
            EXPECT_EQ(s.outcome, DrillOutcome::Passed)
                << pack.name << " shot " << i + 1 << ": " << s.verdict;
            // The car put it in: no ball of a shot goes in on its own.
            EXPECT_GE(*s.value("touches"), 1.0f) << pack.name << " shot " << i + 1;
            std::printf("%-28s shot %zu: %s by the autopilot, %.2f s, %g touches\n",
                        pack.name.c_str(), i + 1,
                        s.outcome == DrillOutcome::Passed ? "scored" : "MISSED",
                        s.value("time_to_goal").value_or(0.0f), *s.value("touches"));
        }
    }
}

}  // namespace
