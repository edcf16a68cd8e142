// Sessions played in the session core, without a window: the autopilot
// flies entries of each kind, the session moves on after each count and
// ends with the tally its attempts earned; and a moment saved as a shot
// flies from the same car and ball.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fly/FlySession.h"
#include "testkit/LoadPlugin.h"

namespace {

using namespace fly;
using K = sandbox::SessionEntry::Kind;

constexpr int64_t kSixtieth = 16666667;  // ns: a 60 Hz frame of two ticks
// More frames than any attempt takes with its countdown (the loop's 60 s).
constexpr int kMaxFrames = 70 * 60;

class SessionPlay : public ::testing::Test {
  protected:
    void SetUp() override { plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, cvars, game); }

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

void press(FlySession& s, Command c) {
    FrameInput input;
    input.commands.add(c);
    s.advance(kSixtieth, input);
}

// Frames until the attempt has finished; false if it never does.
bool flyToEnd(FlySession& s) {
    for (int i = 0; i < kMaxFrames && !s.attempt()->finished(); ++i)
        s.advance(kSixtieth, FrameInput{});
    return s.attempt()->finished();
}

TEST_F(SessionPlay, TheAutopilotPlaysEveryKindOfEntryInOrderToTheTallyItsAttemptsEarned) {
    sandbox::Session session;
    session.name = "Mixed";
    session.entries = {{K::Drill, "aerial-touch", 3, 1, 2},
                       {K::Shot, "first-aerials", 0, 2, 2},
                       {K::Course, "loop", 0, 1, 1}};
    ASSERT_TRUE(checkSession(session, {}).ok());
    SessionOptions options;
    options.session = &session;
    options.autopilot = true;
    options.sessionPauseNs = kSixtieth * 30;  // half a second of result
    FlySession s(cvars, game, options);

    const std::vector<std::string> expected = {"aerial-touch", "aerial-touch",
                                               "shot-first-aerials-2", "shot-first-aerials-2",
                                               "course-loop"};
    int passed = 0, streak = 0, best = 0;
    for (std::size_t n = 0; n < expected.size(); ++n) {
        ASSERT_NE(s.tally(), nullptr);
        ASSERT_EQ(s.tally()->attempts(), static_cast<int>(n));
        EXPECT_EQ(s.attempt()->drill().info().name, expected[n]) << "attempt " << n;
        if (n < 4) {
            EXPECT_EQ(s.log().drill->seed, n < 2 ? 3u : 0u);
        }
        if (n == 0) {
            // Reset during an attempt flies it again, uncounted.
            for (int i = 0; i < 200; ++i) s.advance(kSixtieth, FrameInput{});
            press(s, Command::Reset);
            EXPECT_EQ(s.attempt()->phase(), AttemptPhase::Countdown);
            EXPECT_EQ(s.tally()->attempts(), 0);
        }
        ASSERT_TRUE(flyToEnd(s)) << expected[n];
        const bool pass = s.attempt()->drill().score().outcome == sandbox::DrillOutcome::Passed;
        passed += pass ? 1 : 0;
        streak = pass ? streak + 1 : 0;
        best = std::max(best, streak);
        EXPECT_EQ(s.tally()->attempts(), static_cast<int>(n + 1));
        EXPECT_EQ(s.tally()->streak(), streak);
        // The result shows for the pause; then the next attempt starts.
        if (n + 1 < expected.size()) {
            for (int i = 0; i < 20; ++i) s.advance(kSixtieth, FrameInput{});
            EXPECT_TRUE(s.attempt()->finished());
            for (int i = 0; i < 12 && s.attempt()->finished(); ++i)
                s.advance(kSixtieth, FrameInput{});
            EXPECT_FALSE(s.attempt()->finished()) << "after attempt " << n;
        }
    }
    ASSERT_TRUE(s.sessionOver());
    EXPECT_EQ(s.tally()->passed(), passed);
    EXPECT_EQ(s.tally()->bestStreak(), best);
    EXPECT_GT(passed, 0);  // the autopilot scores some of it
    // Over: the last result stays, nothing more starts or counts.
    const uint64_t finished = s.attemptsFinished();
    for (int i = 0; i < 120; ++i) s.advance(kSixtieth, FrameInput{});
    EXPECT_TRUE(s.attempt()->finished());
    EXPECT_EQ(s.attemptsFinished(), finished);
    EXPECT_EQ(s.tally()->attempts(), 5);
    // Starting something else leaves the session.
    s.flyFreely();
    EXPECT_EQ(s.tally(), nullptr);
}

TEST_F(SessionPlay, AnEntryThatCannotBePlayedIsNamed) {
    sandbox::Session session;
    session.name = "Broken";
    session.entries = {{K::Drill, "aerial-touch", 1, 1, 1},
                       {K::Shot, "first-aerials", 0, 40, 1},
                       {K::Course, "nowhere", 0, 1, 1}};
    EXPECT_EQ(checkSession(session, {}).error(), "entry 2: the pack \"first-aerials\" has 8 shots");
    session.entries[1].shot = 1;
    EXPECT_EQ(checkSession(session, {}).error(), "entry 3: no built-in course named \"nowhere\"");
    session.entries[2] = {K::Shot, "my-shots", 0, 1, 1};
    EXPECT_EQ(checkSession(session, [](std::string_view) { return nullptr; }).error(),
              "entry 2: no pack named \"first-aerials\"");
}

TEST_F(SessionPlay, AMomentSavedAsAShotFliesFromTheSameCarAndBall) {
    std::vector<sandbox::Shot> saved;
    SessionOptions options;
    options.seed = 4;  // a random start in the air
    options.saveShot = [&saved](const sandbox::Shot& shot) -> base::Result<std::string> {
        saved.push_back(shot);
        return std::string("saved as shot ") + std::to_string(saved.size()) + " of My shots";
    };
    FlySession s(cvars, game, options);
    for (int i = 0; i < 20; ++i) s.advance(kSixtieth, FrameInput{});
    press(s, Command::Pause);
    press(s, Command::SaveShot);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(s.shotNote(), "saved as shot 1 of My shots");
    EXPECT_FALSE(s.shotNoteFailed());

    // Through the pack's file and back, then flown as a drill.
    sandbox::Pack pack;
    pack.name = "My shots";
    pack.shots = saved;
    const base::Result<sandbox::Pack> read = sandbox::parsePack(sandbox::formatPack(pack), "p");
    ASSERT_TRUE(read.ok()) << read.error();
    ASSERT_EQ(read->shots, saved);
    const std::unique_ptr<sandbox::Drill> drill = sandbox::makeShotDrill(*read, 0, 0);
    ASSERT_NE(drill, nullptr);
    const sandbox::mechanics::World start = drill->start().fullWorld();
    const sandbox::mechanics::World& now = s.simulation().full();
    EXPECT_EQ(start.ball.location, now.ball.location);
    EXPECT_EQ(start.ball.velocity, now.ball.velocity);
    EXPECT_EQ(start.ball.spin, now.ball.spin);
    const sandbox::CarState& car = s.world().car;
    ASSERT_FALSE(car.onGround);
    EXPECT_EQ(start.car.location, car.location);
    EXPECT_EQ(start.car.boost, car.boost);
    EXPECT_NEAR(sandbox::headingOf(start.car.attitude), sandbox::headingOf(car.attitude), 1e-5f);
    EXPECT_EQ(saved[0].goal, std::sin(sandbox::headingOf(car.attitude)) >= 0.0f
                                 ? sandbox::mechanics::Goal::PositiveY
                                 : sandbox::mechanics::Goal::NegativeY);
    EXPECT_EQ(saved[0].timeLimit, sandbox::kMomentSeconds);

    // A save that fails says why, and the note goes after a while.
    options.saveShot = [](const sandbox::Shot&) -> base::Result<std::string> {
        return base::Failure{"my-shots.txt:3: broken; not writing over it"};
    };
    FlySession t(cvars, game, options);
    press(t, Command::SaveShot);
    EXPECT_TRUE(t.shotNoteFailed());
    EXPECT_EQ(t.shotNote(), "my-shots.txt:3: broken; not writing over it");
    for (int i = 0; i < 5 * 60; ++i) t.advance(kSixtieth, FrameInput{});
    EXPECT_TRUE(t.shotNote().empty());
}

}  // namespace
