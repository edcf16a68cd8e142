// Whole frames through renderOverlay with the real SDK layer: console
// variables in a CVarStore, game state in a GameHost, calls on a
// RecordingCanvas.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Trimsight.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "testkit/AllocCounter.h"
#include "tests/render/call_summary.h"

namespace {

using pluginsdk::CanvasCall;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class WholeFrame : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin = std::make_shared<Trimsight>();
        pluginsdk::attachPlugin(*plugin, store, game, plugin.get());
        // A level car at rest at the origin; the ball ahead, up and to the
        // side; the car moving ahead relative to the ball.
        game.state.car.location = {0.0f, 0.0f, 0.0f};
        game.state.car.rotation = {0, 0, 0};
        game.state.car.velocity = {500.0f, 200.0f, 0.0f};
        game.state.ball.location = {1000.0f, 300.0f, 200.0f};
        game.state.ball.velocity = {0.0f, 0.0f, 0.0f};
        canvas.reserve(1024);
    }
    void TearDown() override { game.release(plugin.get()); }

    void set(const char* name, int value) { plugin->cvarRegistry->getCvar(name).setValue(value); }

    std::vector<CanvasCall> frame() {
        canvas.clear();
        game.drawFrame(canvas);
        return canvas.calls();
    }

    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    pluginsdk::RecordingCanvas canvas{{1920, 1080}};
    std::shared_ptr<Trimsight> plugin;
};

// Default settings: size 3.3 (dial radius 158, dot size 23), target
// "Velocity (opposite)". A level car at yaw 0 draws 41 + 80 meridian
// segments (see the dial stage tests).
std::vector<std::string> levelOutline(bool marker, bool stick, const char* ballBox,
                                      const char* velocityBox) {
    std::vector<std::string> o = {"colour 20 20 20 255",
                                  "tri x40",
                                  "colour 215 95 0 255",
                                  "tri x40",
                                  "colour 50 190 220 255",
                                  "tri x38",
                                  "colour 255 255 255 255",
                                  "line 2 x19",
                                  "(colour 255 255 255 255; line 2) x121"};
    if (marker) o.push_back("tri x6");
    if (stick) {
        o.push_back("colour 50 200 50 255");
        o.push_back("tri x2");
    }
    o.push_back("colour 0 0 255 255");
    o.push_back("pos");
    o.push_back(ballBox);
    if (velocityBox) {
        o.push_back("colour 50 255 0 255");
        o.push_back("pos");
        o.push_back(velocityBox);
    }
    o.push_back("colour 0 0 0 255");
    o.push_back("line 6 x4");
    return o;
}

std::size_t count(const std::vector<CanvasCall>& calls, CanvasCall::Kind kind) {
    std::size_t n = 0;
    for (const auto& c : calls) n += c.kind == kind;
    return n;
}

TEST_F(WholeFrame, LevelCarDrawsTheWholeDial) {
    const auto calls = frame();
    EXPECT_THAT(drawtest::outline(calls),
                ElementsAreArray(levelOutline(true, false, "box 23x23", "box 23x23")));
    // Dial centre (645, 832), marker radius 173: the background fan starts
    // at trunc(645.52 - 190.3), the ground fan at trunc(645.52 - 158).
    EXPECT_EQ(calls[1], drawtest::tri({645, 832}, {455, 832}, {calls[1].v[4], calls[1].v[5]}));
    EXPECT_EQ(calls[42], drawtest::tri({645, 832}, {487, 832}, {calls[42].v[4], calls[42].v[5]}));
    // The sky strip pairs outline point 0 (486, 832) with point 39 (488, 857).
    EXPECT_EQ(calls[83].v[0], 486);
    EXPECT_EQ(calls[83].v[1], 832);
    EXPECT_EQ(calls[83].v[4], 488);
    EXPECT_EQ(calls[83].v[5], 857);
    EXPECT_EQ(calls[122].v[0], 486);  // the horizon line starts at point 0
    EXPECT_EQ(calls[122].v[1], 832);
}

TEST_F(WholeFrame, StickInputBringsTheTrianglesToTheirMostOf126) {
    game.state.car.input.Steer = 0.5f;
    const auto calls = frame();
    EXPECT_THAT(drawtest::outline(calls),
                ElementsAreArray(levelOutline(true, true, "box 23x23", "box 23x23")));
    EXPECT_EQ(count(calls, CanvasCall::Kind::FillTriangle), 126u);
    EXPECT_EQ(count(calls, CanvasCall::Kind::FillBox), 2u);
}

TEST_F(WholeFrame, TargetNoneSkipsTheMarkerOnly) {
    set("trimsight_target", 0);
    EXPECT_THAT(drawtest::outline(frame()),
                ElementsAreArray(levelOutline(false, false, "box 23x23", "box 23x23")));
}

TEST_F(WholeFrame, BallBehindShrinksBothDots) {
    // Size 3.3: the frame leaves dot size 22; the ball box is 14 with a
    // cross and the velocity dot ahead is drawn at the working size 21.
    game.state.ball.location = {-1000.0f, 300.0f, 200.0f};
    std::vector<std::string> expected = levelOutline(true, false, "box 14x14", "box 21x21");
    const auto at = std::find(expected.begin(), expected.end(), "box 14x14");
    expected.insert(at + 1, {"colour 0 0 0 255", "line 1 x2"});
    EXPECT_THAT(drawtest::outline(frame()), ElementsAreArray(expected));
}

TEST_F(WholeFrame, RelativeSpeedTenIsTheVelocityDotBoundary) {
    set("trimsight_target", 5);
    game.state.car.velocity = {9.99f, 0.0f, 0.0f};
    EXPECT_THAT(drawtest::outline(frame()),
                ElementsAreArray(levelOutline(true, false, "box 23x23", nullptr)));
    game.state.car.velocity = {10.0f, 0.0f, 0.0f};
    EXPECT_THAT(drawtest::outline(frame()),
                ElementsAreArray(levelOutline(true, false, "box 23x23", "box 23x23")));
    // Following the velocity below 10, the marker is hidden too.
    set("trimsight_target", 3);
    game.state.car.velocity = {9.99f, 0.0f, 0.0f};
    EXPECT_THAT(drawtest::outline(frame()),
                ElementsAreArray(levelOutline(false, false, "box 23x23", nullptr)));
}

TEST_F(WholeFrame, PeripheralModeDrawsOnlyTheBand) {
    set("peripheral_mode_enabled", 1);
    set("trimsight_target", 1);  // "Up": a level nose is a quarter turn off
    const auto calls = frame();
    // N = trunc(1.5707964 * 40.5 / PI_F) = 20: the middle and 18 steps.
    ASSERT_EQ(calls.size(), 3u + 18u * 5u);
    for (const auto& c : calls) {
        if (c.kind == CanvasCall::Kind::SetColor) {
            EXPECT_EQ(c.v[0], 255);
            EXPECT_EQ(c.v[3], 50);
        } else {
            EXPECT_EQ(c.kind, CanvasCall::Kind::FillTriangle) << pluginsdk::formatCall(c);
        }
    }
    // World up lies below the dial centre, so the band sits below the
    // peripheral centre (960, 617).
    EXPECT_GT(calls[1].v[1], 617 + 360);
}

TEST_F(WholeFrame, PeripheralModeDrawsNothingWhenTheTargetIsHidden) {
    set("peripheral_mode_enabled", 1);
    set("trimsight_target", 0);
    EXPECT_THAT(frame(), IsEmpty());
    set("trimsight_target", 4);
    game.state.car.velocity = {9.99f, 0.0f, 0.0f};
    EXPECT_THAT(frame(), IsEmpty());
    game.state.car.velocity = {0.0f, 0.0f, 0.0f};  // no direction at all
    EXPECT_THAT(frame(), IsEmpty());
    set("trimsight_target", 6);  // ball exactly at the car: no direction
    game.state.ball.location = {0.0f, 0.0f, 0.0f};
    EXPECT_THAT(frame(), IsEmpty());
}

TEST_F(WholeFrame, TargetValuesOutsideTheRangeDrawAsBallOpposite) {
    // Written as raw text: setValue would keep the value inside 0..6.
    for (const char* peripheral : {"0", "1"}) {
        SCOPED_TRACE(peripheral);
        ASSERT_TRUE(store.setRaw("peripheral_mode_enabled", peripheral));
        ASSERT_TRUE(store.setRaw("trimsight_target", "6"));
        const auto ballOpposite = frame();
        ASSERT_FALSE(ballOpposite.empty());
        for (const char* value : {"7", "-1", "1000"}) {
            SCOPED_TRACE(value);
            ASSERT_TRUE(store.setRaw("trimsight_target", value));
            EXPECT_TRUE(frame() == ballOpposite);
        }
    }
}

TEST_F(WholeFrame, AFrameAllocatesNothing) {
    game.state.car.input.Steer = 0.5f;
    game.state.ball.location = {-1000.0f, 300.0f, 200.0f};
    frame();
    std::uint64_t before = testkit::allocations.load();
    ASSERT_GT(before, 0u) << "the counter is not hooked in";
    game.drawFrame(canvas);
    EXPECT_EQ(testkit::allocations.load(), before) << "dial";

    set("peripheral_mode_enabled", 1);
    canvas.clear();
    before = testkit::allocations.load();
    game.drawFrame(canvas);
    EXPECT_GT(canvas.calls().size(), 0u);
    EXPECT_EQ(testkit::allocations.load(), before) << "peripheral band";
}

}  // namespace
