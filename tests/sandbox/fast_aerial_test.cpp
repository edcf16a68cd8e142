// The fast aerial's parts measured on scripted jumps, and the advice chosen
// from measured parts, drill by drill.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sandbox/Advice.h"
#include "sandbox/Drills.h"
#include "sandbox/Flight.h"

namespace {

using namespace sandbox;

constexpr float kTick = 1.0f / 120.0f;

// A fast aerial by the tick: the first jump pressed on tick 1 and held for
// `held` ticks, the second pressed on tick `second` (0: never) for 10
// ticks, boost from tick `boostFrom` on, the stick pulled up during the
// first jump.
struct Script {
    int held = 24;
    int second = 26;
    int boostFrom = 1;
};

DrillScore fly(const Script& script, uint64_t seed = 1) {
    const auto drill = makeDrill("fast-aerial", seed);
    Simulation sim = Simulation::full(drill->start().fullWorld(), drill->start().options);
    for (int tick = 1; tick <= 6 * 120 && !drill->finished(); ++tick) {
        CarControls c;
        c.throttle = 1.0f;
        c.boost = tick >= script.boostFrom;
        const bool first = tick <= script.held;
        const bool second = script.second > 0 && tick >= script.second && tick < script.second + 10;
        c.jump = first || second;
        c.pitch = first ? 1.0f : 0.0f;
        const TickReport report = sim.step(c);
        drill->update(sim.world(), c, report);
    }
    EXPECT_TRUE(drill->finished());
    return drill->score();
}

float part(const DrillScore& s, std::string_view key) {
    const std::optional<float> v = s.value(key);
    EXPECT_TRUE(v) << key;
    return v.value_or(-1.0f);
}

TEST(FastAerialParts, TheFirstJumpsHoldIsTimedFromItsPressToItsRelease) {
    // The full held jump is 0.2 s (24 ticks); half of it 12.
    EXPECT_FLOAT_EQ(part(fly({24, 26, 1}), "first_jump_held"), 24 * kTick);
    EXPECT_FLOAT_EQ(part(fly({12, 14, 1}), "first_jump_held"), 12 * kTick);
    // Held on past the jump's end, the hold is still timed.
    EXPECT_FLOAT_EQ(part(fly({40, 42, 1}), "first_jump_held"), 40 * kTick);
}

TEST(FastAerialParts, TheSecondJumpIsTimedFromTheFirstJumpsEnd) {
    const DrillScore early = fly({24, 26, 1});
    const DrillScore late = fly({24, 61, 1});
    // Pressed at once (the tick after the release) it is within a few ticks
    // of the end; 35 ticks later it is late by just that.
    EXPECT_LE(part(early, "second_jump_delay"), 3 * kTick);
    EXPECT_NEAR(part(late, "second_jump_delay") - part(early, "second_jump_delay"), 35 * kTick,
                1e-5f);
    // A shorter first jump ends sooner, so the same press is later after it.
    EXPECT_GT(part(fly({12, 61, 1}), "second_jump_delay"), part(late, "second_jump_delay"));
    // No second press: no delay to time.
    EXPECT_FALSE(fly({24, 0, 1}).value("second_jump_delay"));
}

TEST(FastAerialParts, BoostCountsFromTheJumpsFirstTickOrNot) {
    EXPECT_EQ(part(fly({24, 26, 1}), "boost_from_jump"), 1.0f);
    EXPECT_EQ(part(fly({24, 26, 10}), "boost_from_jump"), 0.0f);
    EXPECT_EQ(part(fly({24, 26, 1000}), "boost_from_jump"), 0.0f);
}

TEST(FastAerialParts, TheNoseRisesWhileTheStickPullsDuringTheFirstJump) {
    const float pitch = part(fly({24, 26, 1}), "jump_pitch");
    EXPECT_GT(pitch, 5.0f);
    EXPECT_LT(pitch, 30.0f);
}

TEST(FastAerialParts, AStandingCarIsAMissWithoutAJump) {
    const auto drill = makeDrill("fast-aerial", 3);
    Simulation sim = Simulation::full(drill->start().fullWorld(), drill->start().options);
    while (!drill->finished()) drill->update(sim.world(), {}, sim.step({}));
    const DrillScore s = drill->score();
    EXPECT_EQ(s.outcome, DrillOutcome::Failed);
    EXPECT_FALSE(s.value("first_jump_held"));
    EXPECT_EQ(adviceFor("fast-aerial", s), "no jump: jump and boost together");
    // The ball hangs high ahead: 1000 to 1300 up, 500 to 900 away.
    const World& start = drill->start().world;
    EXPECT_GE(start.ball.location.z, 1000.0f);
    EXPECT_TRUE(drill->start().options.ballFloats);
}

TEST(FastAerialParts, TheAdviceFromAScriptedLateSecondJumpSaysHowLate) {
    const DrillScore late = fly({24, 61, 1});
    ASSERT_EQ(late.outcome, DrillOutcome::Failed);  // flown blind, it misses
    const std::string advice = adviceFor("fast-aerial", late);
    EXPECT_EQ(advice.rfind("second jump 0.", 0), 0u) << advice;
    EXPECT_NE(advice.find(" s late: press it as the first jump ends"), std::string::npos);
}

// ------------------------------------------------------------------ advice

struct Part {
    const char* key;
    const char* unit;
    float value;
};

struct AdviceCase {
    const char* drill;
    std::vector<Part> parts;
    const char* advice;
};

DrillScore scoreOf(const std::vector<Part>& parts) {
    DrillScore s;
    s.outcome = DrillOutcome::Failed;
    for (const Part& p : parts) s.add(p.key, p.key, p.unit, p.value);
    return s;
}

TEST(Advice, TheFirstPartOutOfItsRangeInEachDrillsOrderGivesTheLine) {
    const AdviceCase cases[] = {
        // Fast aerial: the first jump's hold comes first, then the second
        // jump, boost and the nose.
        {"fast-aerial",
         {{"first_jump_held", "s", 0.1f},
          {"second_jump_delay", "s", 0.31f},
          {"boost_from_jump", "", 0.0f}},
         "first jump held only 0.10 s: hold it the full 0.2 s"},
        {"fast-aerial",
         {{"first_jump_held", "s", 0.35f}, {"second_jump_delay", "s", 0.0f}},
         "first jump held 0.35 s: let go at 0.2 s, it pushes no longer"},
        {"fast-aerial",
         {{"first_jump_held", "s", 0.2f},
          {"second_jump_delay", "s", 0.31f},
          {"boost_from_jump", "", 0.0f}},
         "second jump 0.31 s late: press it as the first jump ends"},
        {"fast-aerial",
         {{"first_jump_held", "s", 0.2f}, {"boost_from_jump", "", 1.0f}},
         "no second jump: press jump again as the first jump ends"},
        {"fast-aerial",
         {{"first_jump_held", "s", 0.2f},
          {"second_jump_delay", "s", 0.02f},
          {"boost_from_jump", "", 0.0f},
          {"jump_pitch", "deg", 2.0f}},
         "boost came late: hold boost from the jump's first tick"},
        {"fast-aerial",
         {{"first_jump_held", "s", 0.2f},
          {"second_jump_delay", "s", 0.02f},
          {"boost_from_jump", "", 1.0f},
          {"jump_pitch", "deg", 2.4f}},
         "nose only 2 degrees up as the first jump ends: pull back as you jump"},
        {"fast-aerial",
         {{"first_jump_held", "s", 0.2f},
          {"second_jump_delay", "s", 0.02f},
          {"boost_from_jump", "", 1.0f},
          {"jump_pitch", "deg", 12.0f}},
         "nose on the ball dot between the jumps, and boost all the way"},
        // Every other drill from its own parts.
        {"nose-on-ball",
         {{"time_inside", "s", 3.25f}, {"mean_off_nose", "deg", 4.0f}},
         "only 3.25 s inside the cone: small taps towards the ball dot, and boost to stay below "
         "it"},
        {"nose-on-ball",
         {{"time_inside", "s", 3.25f}, {"mean_off_nose", "deg", 12.0f}},
         "nose 12 degrees off the ball on average: bring the stick indicator onto the ball dot"},
        {"recovery",
         {{"landing_angle", "deg", 10.0f}, {"landing_spin", "rad/s", 2.46f}},
         "2.5 rad/s of spin at touchdown: stop the turn before the wheels meet the floor"},
        {"recovery",
         {{"landing_angle", "deg", 35.0f}, {"landing_spin", "rad/s", 2.46f}},
         "landed 35 degrees off wheels-down: roll the wheels towards the floor marker sooner"},
        {"velocity-alignment",
         {{"share_inside", "%", 31.0f}, {"mean_off_velocity", "deg", 8.0f}},
         "inside the cone 31 % of the flight: turn onto the velocity first, then hold it"},
        {"velocity-braking",
         {{"share_inside", "%", 31.0f}, {"mean_off_velocity", "deg", 22.0f}},
         "22 degrees off the reverse velocity on average: turn the nose against the flight"},
        {"target-attitude",
         {{"smallest_error", "deg", 14.0f}},
         "14 degrees from the ghost at best: turn about one axis at a time, roll last"},
        {"target-attitude",
         {{"smallest_error", "deg", 6.0f}},
         "match the ghost's nose first, then its roll"},
        {"aerial-touch",
         {{"boost_used", "", 4.0f}},
         "only 4 boost used: boost from the jump, nose on the ball"},
        {"shot-on-goal",
         {{"touches", "", 0.0f}, {"boost_used", "", 20.0f}},
         "no touch: drive at the ball and meet it square to the goal"},
        {"shot-on-goal",
         {{"touches", "", 2.0f}, {"shot_speed", "uu/s", 800.0f}},
         "the ball left at only 800 uu/s: hit it at speed, boosting into it"},
    };
    for (const AdviceCase& c : cases) {
        SCOPED_TRACE(std::string(c.drill) + ": " + c.advice);
        EXPECT_EQ(adviceFor(c.drill, scoreOf(c.parts)), c.advice);
    }
    EXPECT_EQ(adviceFor("no-such-drill", scoreOf({})), "");
}

TEST(Advice, EveryDrillHasRulesWithRangesAndAFallback) {
    for (const DrillEntry& entry : drillTable()) {
        SCOPED_TRACE(std::string(entry.info.name));
        const DrillAdvice* advice = findAdvice(entry.info.name);
        ASSERT_NE(advice, nullptr);
        EXPECT_FALSE(advice->fallback.empty());
        EXPECT_FALSE(advice->rules.empty());
        for (const AdviceRule& rule : advice->rules) EXPECT_LE(rule.low, rule.high) << rule.part;
    }
    EXPECT_EQ(adviceTable().size(), drillTable().size());
}

TEST(Advice, APartIsCheckedAgainstItsGoodRangeInclusive) {
    struct Case {
        const char* key;
        float value;
        std::optional<RangeCheck> check;
    };
    const Case cases[] = {{"first_jump_held", 0.2f, RangeCheck::Good},
                          {"first_jump_held", 0.18f, RangeCheck::Good},
                          {"first_jump_held", 0.1f, RangeCheck::Below},
                          {"second_jump_delay", 0.31f, RangeCheck::Above},
                          {"boost_from_jump", 1.0f, RangeCheck::Good},
                          {"boost_from_jump", 0.0f, RangeCheck::Below},
                          {"no_such_part", 1.0f, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const std::optional<PartCheck> check = checkPart("fast-aerial", c.key, c.value);
        ASSERT_EQ(check.has_value(), c.check.has_value());
        if (check) {
            EXPECT_EQ(check->check, *c.check);
        }
    }
}

}  // namespace
