// Rewind in the session: holding the rewind key runs the flight back tick
// by tick (the world as it was, no further than kRewindSeconds, nothing
// allocated), and letting go takes over: the flight log then replays the
// flight as finally flown, bit for bit, free flights with a reset in them
// and course attempts alike.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "fly/FlySession.h"
#include "testkit/AllocCounter.h"
#include "testkit/LoadPlugin.h"

namespace {

using namespace fly;

constexpr int64_t kSixtieth = 16666667;  // ns: a 60 Hz frame, two ticks

class Rewind : public ::testing::Test {
  protected:
    void SetUp() override { plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, cvars, game); }

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

FrameInput flying(bool boost, float stickX, bool rewind = false) {
    FrameInput in;
    in.pad.leftX = stickX;
    in.pad.leftY = -0.4f;
    in.keysHeld.set(sandbox::Action::Boost, boost);
    in.keysHeld.set(sandbox::Action::Jump, boost);
    in.keysHeld.set(sandbox::Action::Rewind, rewind);
    return in;
}

// The state the session's log replays to at its end.
sandbox::mechanics::World replayed(const sandbox::FlightLog& log) {
    sandbox::FlightReplay replay(log);
    while (!replay.finished()) replay.step();
    return replay.simulation().full();
}

TEST_F(Rewind, RunsTheFlightBackAsItWasAndTheLogReplaysTheFlightAsFinallyFlown) {
    SessionOptions options;
    options.seed = 4;  // in the air
    FlySession session(cvars, game, options);
    // 1 s flown, a reset, 1.5 s more.
    for (int f = 0; f < 150; ++f) {
        FrameInput in = flying(f % 40 < 25, f < 70 ? 0.5f : -0.8f);
        if (f == 60) in.commands.add(Command::Reset);
        session.advance(kSixtieth, in);
    }
    const std::size_t flown = session.log().ticks.size();
    ASSERT_EQ(flown, 300u);
    // The world after each tick as flown (after the reset at tick 120 the
    // replay stands at the start; just before it, where the car was).
    const sandbox::FlightLog original = session.log();
    std::vector<sandbox::mechanics::World> byTick;
    sandbox::mechanics::World beforeReset;
    {
        sandbox::FlightReplay replay(original);
        byTick.push_back(replay.simulation().full());
        while (!replay.finished()) {
            replay.step();
            byTick.push_back(replay.simulation().full());
            if (replay.time() == 119) {
                sandbox::Simulation ahead = replay.simulation();
                ahead.step(original.ticks[119]);
                beforeReset = ahead.full();
            }
        }
    }

    // Back 2 s, across the reset: the world is the one flown there, and
    // stepping back allocates nothing.
    const std::uint64_t before = testkit::allocations.load();
    for (int f = 0; f < 120; ++f) {
        session.advance(kSixtieth, flying(false, 0.0f, true));
        ASSERT_TRUE(session.rewinding());
        ASSERT_EQ(session.rewoundSteps(), static_cast<std::size_t>(2 * (f + 1)));
        const std::size_t tick = session.rewindTick();
        // The reset's moment is a step of its own: after it, then before.
        if (tick == 120u && session.simulation().full() != byTick[tick])
            ASSERT_EQ(session.simulation().full(), beforeReset) << f;
        else
            ASSERT_EQ(session.simulation().full(), byTick[tick]) << f;
        EXPECT_EQ(tick, flown - 2 * (f + 1) + (tick < 120u ? 1u : 0u)) << f;
    }
    const std::size_t tookOver = session.rewindTick();
    EXPECT_EQ(testkit::allocations.load() - before, 0u);
    EXPECT_EQ(session.log().ticks.size(), flown);  // cut only on taking over

    // Take over 2 s back and fly on differently.
    for (int f = 0; f < 90; ++f) session.advance(kSixtieth, flying(f % 20 < 10, 1.0f));
    EXPECT_FALSE(session.rewinding());
    EXPECT_EQ(session.log().ticks.size(), tookOver + 180);
    int resets = 0;
    for (const sandbox::FlightEvent& e : session.log().events)
        resets += e.kind == sandbox::FlightEvent::Kind::Reset;
    EXPECT_EQ(resets, 0);  // the reset came after the moment taken over from
    EXPECT_EQ(replayed(session.log()), session.simulation().full());
    // It went its own way from there.
    EXPECT_NE(session.simulation().full(), byTick[tookOver + 180]);
}

TEST_F(Rewind, GoesBackNoFurtherThanTenSeconds) {
    FlySession session(cvars, game, SessionOptions{});
    for (int f = 0; f < 12 * 60; ++f) session.advance(kSixtieth, flying(f % 60 < 20, 0.3f));
    for (int f = 0; f < 11 * 60; ++f) session.advance(kSixtieth, flying(false, 0.0f, true));
    EXPECT_EQ(session.rewoundSteps(), kRewindTicks);
    session.advance(kSixtieth, flying(false, 0.0f));
    EXPECT_EQ(session.log().ticks.size(), 12u * 120u - kRewindTicks + 2u);
    EXPECT_EQ(replayed(session.log()), session.simulation().full());
}

TEST_F(Rewind, ACourseAttemptRewoundCarriesOnAsItStoodAndItsLogReplaysIt) {
    SessionOptions options;
    options.course = sandbox::findCourse("loop");
    options.autopilot = true;
    FlySession session(cvars, game, options);
    // The countdown (3 s) and 5 s of the autopilot's flight, then 2 s back.
    for (int f = 0; f < 8 * 60; ++f) session.advance(kSixtieth, FrameInput{});
    const sandbox::CourseRun& before = *session.attempt()->drill().courseRun();
    const int passedBefore = before.passed();
    ASSERT_GT(passedBefore, 0);
    for (int f = 0; f < 2 * 60; ++f) session.advance(kSixtieth, flying(false, 0.0f, true));
    // The autopilot takes over again and finishes.
    for (int f = 0; f < 60 * 60 && !session.attempt()->finished(); ++f)
        session.advance(kSixtieth, FrameInput{});
    ASSERT_TRUE(session.attempt()->finished());
    EXPECT_EQ(session.attemptsFinished(), 1u);
    const sandbox::DrillScore score = session.attempt()->drill().score();
    EXPECT_EQ(score.outcome, sandbox::DrillOutcome::Passed);
    EXPECT_EQ(replayed(session.log()), session.simulation().full());
    // The course drill watching the log's replay scores it the same.
    const std::vector<std::optional<float>> splits =
        sandbox::courseSplits(*options.course, session.log());
    ASSERT_EQ(splits.size(), options.course->rings.size());
    EXPECT_EQ(splits.back(), score.value("time"));
    EXPECT_EQ(session.log().ticks.size(),
              static_cast<std::size_t>(std::lround(*score.value("time") * 120.0f)));
}

}  // namespace
