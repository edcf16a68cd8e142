// Landings the player can see: the hold's ticks, the auto-reset choice, and
// the session holding the world still at a landing (a drill's touchdown, an
// aerial in free flight) without a tick of it in the flight log, which still
// replays to the world the window shows.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "fly/FlySession.h"
#include "fly/LandingHold.h"
#include "testkit/LoadPlugin.h"

namespace {

using namespace fly;

constexpr int64_t kSixtieth = 16666667;  // ns: a 60 Hz frame of two ticks
constexpr int kHoldFrames = kLandingHoldTicks / 2;

TEST(LandingHold, HoldsForItsTicksEndsOnceAndStartsAgainOnTheNextLanding) {
    sandbox::Touchdown touchdown;
    touchdown.angleToVertical = 0.5f;
    touchdown.spin = 2.0f;
    LandingHold hold;
    EXPECT_FALSE(hold.holding());
    EXPECT_FALSE(hold.tick());  // nothing to end
    hold.landed(touchdown);
    // Step by step: ticks held, then the one that ends it, then nothing.
    const struct {
        int ticks;
        bool endsInLast;
        bool holdingAfter;
        int leftAfter;
    } steps[] = {
        {1, false, true, kLandingHoldTicks - 1},
        {kLandingHoldTicks - 2, false, true, 1},
        {1, true, false, 0},
        {5, false, false, 0},
    };
    for (const auto& step : steps) {
        bool ended = false;
        for (int i = 0; i < step.ticks; ++i) ended = hold.tick();
        EXPECT_EQ(ended, step.endsInLast);
        EXPECT_EQ(hold.holding(), step.holdingAfter);
        EXPECT_EQ(hold.ticksLeft(), step.leftAfter);
    }
    ASSERT_TRUE(hold.touchdown());
    EXPECT_EQ(hold.touchdown()->spin, 2.0f);  // the banner's last landing stays known

    hold.landed(touchdown);
    EXPECT_EQ(hold.ticksLeft(), kLandingHoldTicks);
    hold.clear();  // a new start or attempt
    EXPECT_FALSE(hold.holding());
    EXPECT_FALSE(hold.touchdown());
    EXPECT_EQ(kLandingHoldTicks, 180);  // 1.5 s of 120 Hz ticks
}

TEST(AutoReset, NamesReadBackAndEachChoiceSaysWhatFollowsALanding) {
    for (AutoReset option : {AutoReset::Off, AutoReset::Start, AutoReset::Random})
        EXPECT_EQ(autoResetNamed(autoResetName(option)), option);
    for (const char* bad : {"", "Start", "on", "reset", "random "})
        EXPECT_FALSE(autoResetNamed(bad)) << bad;
    const struct {
        AutoReset option;
        bool inDrill;
        AfterLanding after;
    } cases[] = {
        {AutoReset::Off, false, AfterLanding::GoOn},
        {AutoReset::Start, false, AfterLanding::ResetToStart},
        {AutoReset::Random, false, AfterLanding::NewRandomStart},
        // A drill's attempt ended at its touchdown: the car is stood up,
        // whatever free flight would do.
        {AutoReset::Off, true, AfterLanding::SetOnWheels},
        {AutoReset::Start, true, AfterLanding::SetOnWheels},
        {AutoReset::Random, true, AfterLanding::SetOnWheels},
    };
    for (const auto& c : cases)
        EXPECT_EQ(afterLanding(c.option, c.inDrill), c.after)
            << autoResetName(c.option) << (c.inDrill ? " in a drill" : " in free flight");
}

class Landings : public ::testing::Test {
  protected:
    void SetUp() override { plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, cvars, game); }

    std::unique_ptr<FlySession> session(SessionOptions options) {
        options.holdLandings = true;
        return std::make_unique<FlySession>(cvars, game, options);
    }

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

void frames(FlySession& s, int n) {
    for (int i = 0; i < n; ++i) s.advance(kSixtieth, FrameInput{});
}

// Frames until a landing holds the world; false if none within 20 s.
bool flyToLanding(FlySession& s) {
    for (int i = 0; i < 20 * 60; ++i) {
        if (s.landing().holding()) return true;
        s.advance(kSixtieth, FrameInput{});
    }
    return false;
}

// The world a log replays to, its resets included.
sandbox::World replayed(const sandbox::FlightLog& log) {
    sandbox::FlightReplay replay(log);
    while (!replay.finished()) replay.step();
    return replay.world();
}

TEST_F(Landings, ARecoverysTouchdownIsHeldAtTheLandingThenTheCarStandsOnItsWheels) {
    SessionOptions options;
    options.drill = sandbox::findDrill("recovery");
    options.seed = 3;
    options.autopilot = true;
    const auto s = session(options);
    ASSERT_TRUE(flyToLanding(*s));
    ASSERT_TRUE(s->attempt()->finished());
    const sandbox::World landed = s->world();
    const std::size_t logged = s->log().ticks.size();
    EXPECT_EQ(logged, s->attempt()->drill().ticks());
    // The banner's angle is the score's.
    const sandbox::DrillScore score = s->attempt()->drill().score();
    EXPECT_NEAR(s->landing().touchdown()->angleToVertical * 180.0f / 3.14159265f,
                *score.value("landing_angle"), 1e-3f);

    frames(*s, kHoldFrames - 1);
    EXPECT_TRUE(s->landing().holding());
    EXPECT_TRUE(s->world() == landed);  // held still at the landing attitude
    frames(*s, 1);
    EXPECT_FALSE(s->landing().holding());
    const sandbox::CarState& car = s->world().car;
    EXPECT_NEAR(car.attitude.up.z, 1.0f, 1e-5f);  // level, on its wheels
    EXPECT_EQ(car.location.z, sandbox::model::kCarRestHeight);
    EXPECT_FLOAT_EQ(car.location.x, landed.car.location.x);  // where it landed
    EXPECT_EQ(s->log().ticks.size(), logged);                // the attempt's log is as flown
    EXPECT_TRUE(replayed(s->log()) == landed);
}

TEST_F(Landings, FreeFlightHoldsAnAerialsLandingOutOfTheLogAndResetsAsTheOptionSays) {
    for (AutoReset option : {AutoReset::Off, AutoReset::Start, AutoReset::Random}) {
        SCOPED_TRACE(std::string(autoResetName(option)));
        SessionOptions options;
        options.seed = 5;  // a random start in the air: it falls and lands
        options.autoReset = option;
        const auto s = session(options);
        ASSERT_TRUE(flyToLanding(*s));
        const sandbox::World landed = s->world();
        const std::size_t logged = s->log().ticks.size();
        EXPECT_GE(logged, static_cast<std::size_t>(kLandingMinAirTicks)) << "an aerial's fall";
        EXPECT_TRUE(replayed(s->log()) == landed);
        frames(*s, kHoldFrames - 1);
        EXPECT_TRUE(s->world() == landed);
        EXPECT_EQ(s->log().ticks.size(), logged);  // nothing held is logged
        frames(*s, 1);
        EXPECT_FALSE(s->landing().holding());
        switch (option) {
            case AutoReset::Off:  // flies on from the landing, one log
                frames(*s, 10);
                EXPECT_EQ(s->log().ticks.size(), logged + 20);
                EXPECT_EQ(s->seed(), 5u);
                break;
            case AutoReset::Start:  // back to the start: a reset in the log
                ASSERT_FALSE(s->log().events.empty());
                EXPECT_EQ(s->log().events.back().kind, sandbox::FlightEvent::Kind::Reset);
                EXPECT_EQ(s->log().events.back().tick, logged);
                EXPECT_TRUE(s->world() == s->log().start);
                break;
            case AutoReset::Random:  // the next seed's start, a new log
                EXPECT_EQ(s->seed(), 6u);
                EXPECT_EQ(s->log().ticks.size(), 0u);
                EXPECT_TRUE(s->log().start == s->world());
                break;
        }
        // Whatever followed, the log replays to the world shown.
        frames(*s, 30);
        if (!s->landing().holding()) {
            EXPECT_TRUE(replayed(s->log()) == s->world());
        }
    }
}

TEST_F(Landings, AHopWhileDrivingDoesNotHoldTheWorld) {
    SessionOptions options;  // on the floor
    const auto s = session(options);
    FrameInput jump;
    jump.keysHeld.set(sandbox::Action::Jump, true);
    s->advance(kSixtieth, jump);
    frames(*s, 120);
    EXPECT_FALSE(s->landing().holding());
    EXPECT_EQ(s->log().ticks.size(), 242u);  // every tick flown and logged
}

}  // namespace
