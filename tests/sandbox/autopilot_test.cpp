// The autopilot flies every drill: proof that each can be done, and a check,
// from the flown states themselves, that the score says what happened. A
// script that never touches the stick fails them all.
#include "sandbox/Autopilot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "sandbox/Drills.h"
#include "sandbox/Flight.h"

namespace {

using namespace sandbox;

constexpr float kDegree = 3.14159265f / 180.0f;
constexpr uint64_t kSeeds[] = {1, 2, 3, 4, 5};
// Longer than any drill can last (recovery gives up after 20 s).
constexpr int kMaxTicks = 30 * 120;

// One tick of a flown attempt: the world after it and what it reported.
struct FlownTick {
    World world;
    TickReport report;
};

// Flies a drill to its end in the full model, as the window does, each
// tick's controls from `pilot`.
std::vector<FlownTick> fly(Drill& drill, const std::function<CarControls(const World&)>& pilot) {
    std::vector<FlownTick> flight;
    Simulation sim = Simulation::full(drill.start().fullWorld(), drill.start().options);
    for (int t = 0; t < kMaxTicks && !drill.finished(); ++t) {
        const CarControls controls = pilot(sim.world());
        const TickReport report = sim.step(controls);
        drill.update(sim.world(), controls, report);
        flight.push_back({sim.world(), report});
    }
    return flight;
}

std::vector<FlownTick> flyWithAutopilot(Drill& drill) {
    Autopilot autopilot(drill);
    return fly(drill, [&autopilot](const World& world) { return autopilot.controls(world); });
}

float part(const DrillScore& score, std::string_view key) {
    const std::optional<float> value = score.value(key);
    EXPECT_TRUE(value) << key;
    return value.value_or(NAN);
}

float seconds(std::size_t ticks) { return static_cast<float>(ticks) / 120.0f; }

// Each drill's score worked out again from the flown states, by the drill's
// definition.
void checkNoseOnBall(const std::vector<FlownTick>& flight, const DrillScore& s) {
    ASSERT_EQ(flight.size(), 1200u);
    int inside = 0;
    for (const FlownTick& t : flight)
        inside += angleBetween(t.world.car.attitude.forward,
                               t.world.ball.location - t.world.car.location) <= 5.0f * kDegree;
    EXPECT_EQ(part(s, "time_inside"), seconds(inside));
    EXPECT_GE(inside, 600);
}

void checkRecovery(const std::vector<FlownTick>& flight, const DrillScore& s) {
    const Touchdown& touchdown = flight.back().report.touchdown;
    ASSERT_TRUE(flight.back().report.landed);
    EXPECT_EQ(part(s, "time_to_touchdown"), seconds(flight.size()));
    EXPECT_LT(part(s, "landing_angle"), 20.0f);
    EXPECT_LT(part(s, "landing_spin"), 1.0f);
    EXPECT_EQ(part(s, "landing_spin"), touchdown.spin);
    EXPECT_TRUE(touchdown.wheelsDown);
}

void checkVelocity(const std::vector<FlownTick>& flight, const DrillScore& s, bool against) {
    ASSERT_TRUE(flight.back().report.landed);
    int inside = 0;
    for (std::size_t i = 0; i + 1 < flight.size(); ++i) {
        const World& w = flight[i].world;
        const Vec3 v = w.car.velocity - w.ball.velocity;
        inside += angleBetween(w.car.attitude.forward, against ? -v : v) <= 5.0f * kDegree;
    }
    const std::size_t flown = flight.size() - 1;  // the touchdown tick is not flight
    EXPECT_EQ(part(s, "time_inside"), seconds(inside));
    EXPECT_EQ(part(s, "flight_time"), seconds(flown));
    EXPECT_NEAR(part(s, "share_inside"), 100.0f * inside / flown, 1e-3f);
}

void checkTargetAttitude(const std::vector<FlownTick>& flight, const DrillScore& s,
                         const Orientation& target) {
    ASSERT_GE(flight.size(), 60u);
    for (std::size_t i = flight.size() - 60; i < flight.size(); ++i)
        EXPECT_LE(length(turnBetween(flight[i].world.car.attitude, target)), 10.0f * kDegree);
    EXPECT_GT(length(turnBetween(flight[flight.size() - 61].world.car.attitude, target)),
              10.0f * kDegree);
    EXPECT_EQ(part(s, "time_to_hold"), seconds(flight.size()));
}

void checkAerialTouch(const std::vector<FlownTick>& flight, const DrillScore& s) {
    auto touching = [](const FlownTick& t) {
        return t.report.ballTouched ||
               distanceToCarBox(t.world.car, t.world.ball.location) <= 91.25f;
    };
    std::size_t touch = 0;
    while (touch < flight.size() && !touching(flight[touch])) ++touch;
    ASSERT_LT(touch, flight.size());
    EXPECT_EQ(part(s, "time_to_touch"), seconds(touch + 1));
    EXPECT_EQ(part(s, "boost_used"), 100.0f - flight.back().world.car.boost);
    EXPECT_GT(flight[touch].world.ball.location.z, 91.25f);  // in the air
    // The hit sent the ball off: faster than it was falling or rising.
    EXPECT_GT(part(s, "ball_speed"), 300.0f);
    EXPECT_LE(flight.size() - (touch + 1), 360u);  // watched at most 3 s after
}

void checkShotOnGoal(const std::vector<FlownTick>& flight, const DrillScore& s) {
    ASSERT_EQ(flight.back().report.goalScored, 1);
    EXPECT_EQ(part(s, "time_to_goal"), seconds(flight.size()));
    EXPECT_GE(part(s, "touches"), 1.0f);
    const BallState& in = flight.back().world.ball;
    EXPECT_GT(in.location.y, 5120.0f + 91.25f);  // all of it past the goal line
    EXPECT_LT(std::fabs(in.location.x), 893.0f);
}

// A fast aerial as players fly it: the first jump held its full 0.2 s or
// about, the second soon after, boost from the jump, the nose up.
void checkFastAerial(const std::vector<FlownTick>& flight, const DrillScore& s) {
    const FlownTick& last = flight.back();
    EXPECT_TRUE(last.report.ballTouched ||
                distanceToCarBox(last.world.car, last.world.ball.location) <= 91.25f);
    EXPECT_EQ(part(s, "time_to_touch"), seconds(flight.size()));
    EXPECT_EQ(part(s, "touch_height"), last.world.ball.location.z);
    EXPECT_GE(part(s, "touch_height"), 1000.0f);
    EXPECT_GE(part(s, "first_jump_held"), 0.18f);
    EXPECT_LE(part(s, "first_jump_held"), 0.21f);
    EXPECT_LE(part(s, "second_jump_delay"), 0.1f);
}

TEST(Autopilot, CompletesEveryDrillAndItsScoreMatchesTheFlight) {
    for (const DrillEntry& entry : drillTable()) {
        for (uint64_t seed : kSeeds) {
            SCOPED_TRACE(std::string(entry.info.name) + " seed " + std::to_string(seed));
            const auto drill = entry.make(entry.info, seed);
            const std::vector<FlownTick> flight = flyWithAutopilot(*drill);
            ASSERT_TRUE(drill->finished());
            const DrillScore s = drill->score();
            EXPECT_EQ(s.outcome, DrillOutcome::Passed) << s.verdict;
            ASSERT_TRUE(s.value(entry.info.mainPart));
            switch (entry.info.goal) {
                case DrillGoal::NoseOnBall:
                    checkNoseOnBall(flight, s);
                    break;
                case DrillGoal::LandWheelsDown:
                    checkRecovery(flight, s);
                    break;
                case DrillGoal::NoseAlongVelocity:
                case DrillGoal::NoseAgainstVelocity:
                    checkVelocity(flight, s, entry.info.goal == DrillGoal::NoseAgainstVelocity);
                    break;
                case DrillGoal::HoldAttitude:
                    checkTargetAttitude(flight, s, *drill->targetAttitude());
                    break;
                case DrillGoal::TouchBall:
                    checkAerialTouch(flight, s);
                    break;
                case DrillGoal::ShootAtGoal:
                    checkShotOnGoal(flight, s);
                    break;
                case DrillGoal::FastAerial:
                    checkFastAerial(flight, s);
                    break;
                case DrillGoal::FlyThroughRings:
                    break;  // courses are not in the drill table
            }
        }
    }
}

TEST(Autopilot, FliesTheSameSeedToTheSameScoreBitForBit) {
    for (const DrillEntry& entry : drillTable()) {
        SCOPED_TRACE(std::string(entry.info.name));
        const auto first = entry.make(entry.info, 7), second = entry.make(entry.info, 7);
        flyWithAutopilot(*first);
        flyWithAutopilot(*second);
        ASSERT_EQ(first->ticks(), second->ticks());
        const DrillScore a = first->score(), b = second->score();
        ASSERT_EQ(a.parts().size(), b.parts().size());
        for (std::size_t i = 0; i < a.parts().size(); ++i)
            EXPECT_EQ(a.parts()[i].value, b.parts()[i].value) << a.parts()[i].key;
    }
}

TEST(Autopilot, AScriptThatNeverTouchesTheStickFailsEveryDrill) {
    for (const DrillEntry& entry : drillTable()) {
        for (uint64_t seed : kSeeds) {
            SCOPED_TRACE(std::string(entry.info.name) + " seed " + std::to_string(seed));
            const auto drill = entry.make(entry.info, seed);
            fly(*drill, [](const World&) { return CarControls{}; });
            ASSERT_TRUE(drill->finished());
            EXPECT_EQ(drill->score().outcome, DrillOutcome::Failed);
        }
    }
}

}  // namespace
