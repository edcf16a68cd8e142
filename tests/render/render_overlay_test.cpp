// Whole frames through the built plugin library and the host layer: the gate
// decides whether anything is drawn, and the drawn dots come from the phases.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "host/GameEvents.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "render/Attitude.h"
#include "render/Layout.h"
#include "render/TargetDirection.h"
#include "testkit/LoadPlugin.h"

namespace {

using Kind = pluginsdk::CanvasCall::Kind;

using gameevents::kReplayBegin;
using gameevents::kReplayEnd;

class Frame : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, store, game);
        // Level car at the origin, ball ahead, up and to the side.
        game.state.ball.location = {1000.0f, 300.0f, 200.0f};
        game.state.car.velocity = {500.0f, 200.0f, 0.0f};
        canvas.reserve(4096);
    }
    bool draws() {
        canvas.clear();
        game.drawFrame(canvas);
        return !canvas.calls().empty();
    }

    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    pluginsdk::RecordingCanvas canvas{{1920, 1080}};
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

TEST_F(Frame, DrawsInFreePlay) {
    EXPECT_TRUE(draws());
    EXPECT_EQ(canvas.calls().front().kind, Kind::SetColor);
}

TEST_F(Frame, DrawsInCustomTraining) {
    game.state.freeplay = false;
    game.state.customTraining = true;
    EXPECT_TRUE(draws());
}

TEST_F(Frame, NothingOutsideFreePlayAndCustomTraining) {
    game.state.freeplay = false;
    game.state.customTraining = false;
    EXPECT_FALSE(draws());
}

TEST_F(Frame, NothingWhenDisabledOrTheSwitchIsMissing) {
    ASSERT_TRUE(store.setRaw("trimsight_enabled", "0"));
    EXPECT_FALSE(draws());
    ASSERT_TRUE(store.setRaw("trimsight_enabled", "1"));
    EXPECT_TRUE(draws());
    ASSERT_TRUE(store.remove("trimsight_enabled"));
    EXPECT_FALSE(draws());
}

TEST_F(Frame, NothingWhilePaused) {
    game.state.paused = true;
    EXPECT_FALSE(draws());
}

TEST_F(Frame, NothingDuringAReplay) {
    game.fireEvent(kReplayBegin);
    EXPECT_FALSE(draws());
    game.fireEvent(kReplayEnd);
    EXPECT_TRUE(draws());
}

TEST_F(Frame, NothingWithoutABall) {
    game.state.hasBall = false;
    EXPECT_FALSE(draws());
}

TEST_F(Frame, NothingOnACanvasWithoutArea) {
    for (Vector2 size : {Vector2{0, 1080}, Vector2{1920, 0}, Vector2{0, 0}, Vector2{-5, 1080}}) {
        SCOPED_TRACE(size.X);
        canvas.setSize(size);
        EXPECT_FALSE(draws());
    }
}

TEST_F(Frame, PeripheralModeWithTargetNoneDrawsNothing) {
    ASSERT_TRUE(store.setRaw("peripheral_mode_enabled", "1"));
    ASSERT_TRUE(store.setRaw("trimsight_target", "0"));
    EXPECT_FALSE(draws());
    ASSERT_TRUE(store.setRaw("trimsight_target", "5"));
    EXPECT_TRUE(draws());
}

TEST_F(Frame, TheBallDotLandsWhereThePhasesPutIt) {
    // Fallback layout: the variables at their defaults give the same values.
    const render::Layout l = render::layoutDial(1920, 1080, 3.3f, 0.3f, 0.9f, 3.3f);
    render::Scene s;
    s.ballLocation = game.state.ball.location;
    s.carVelocity = game.state.car.velocity;
    render::formRelative(s);
    const int32_t option = 4;
    const render::TargetDirection t = render::placeTargets(
        l, render::solveAttitude({}, l.dialRadius), s,
        {[](const void* o) { return *static_cast<const int32_t*>(o); }, &option});
    ASSERT_FALSE(t.ballBehind);

    ASSERT_TRUE(draws());
    const auto& calls = canvas.calls();
    std::size_t i = 0;
    while (i < calls.size() && calls[i].kind != Kind::SetPosition) ++i;
    ASSERT_LT(i + 1, calls.size());
    EXPECT_EQ(calls[i].v[0], t.ballCorner.X);
    EXPECT_EQ(calls[i].v[1], t.ballCorner.Y);
    EXPECT_EQ(calls[i + 1].kind, Kind::FillBox);
    EXPECT_EQ(calls[i + 1].v[0], 23);
}

}  // namespace
