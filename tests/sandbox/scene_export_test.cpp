// A flight log exported as a scene, read back by the host program's own
// scene parser.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "sandbox/HostView.h"
#include "sandbox/NumberText.h"
#include "sandbox/SceneExport.h"
#include "sandbox/Starts.h"
#include "scene/Scene.h"

namespace {

using namespace sandbox;

uint32_t bits(float f) { return std::bit_cast<uint32_t>(f); }

void expectSameBits(Vector a, Vector b, const std::string& what) {
    EXPECT_EQ(bits(a.X), bits(b.X)) << what << " x";
    EXPECT_EQ(bits(a.Y), bits(b.Y)) << what << " y";
    EXPECT_EQ(bits(a.Z), bits(b.Z)) << what << " z";
}

// Three seconds from a random start, stick and boost changing, the target
// option changed at tick 100 and 101 (one frame apart at 2 ticks a frame,
// the same frame's change twice at 3), x_position removed at tick 201, a
// reset at tick 250.
FlightLog flight() {
    FlightLog log;
    log.start = randomStart(21);
    SeededRandom random(22);
    CarControls c;
    for (uint32_t t = 0; t < 360; ++t) {
        if (t % 20 == 0) {
            c.steer = c.yaw = random.uniform(-1.0f, 1.0f);
            c.pitch = random.uniform(-1.0f, 1.0f);
            c.boost = !c.boost;
        }
        if (t == 100) log.recordCVar("trimsight_target", "3");
        if (t == 101) log.recordCVar("trimsight_target", "5");
        if (t == 201) log.recordCVar("x_position", std::nullopt);
        if (t == 250) log.recordReset();
        log.recordTick(c);
    }
    return log;
}

TEST(SceneExport, TheHostsParserReadsEveryFrameBackExactly) {
    const FlightLog log = flight();
    for (int32_t ticksPerFrame : {2, 3, 1}) {
        SCOPED_TRACE(ticksPerFrame);
        const base::Result<std::string> text = exportScene(log, {ticksPerFrame, {1280, 720}});
        ASSERT_TRUE(text.ok()) << text.error();
        const base::Result<scene::SceneFrames> parsed = scene::parseScene(*text);
        ASSERT_TRUE(parsed.ok()) << parsed.error();
        const auto& frames = parsed->frames;
        ASSERT_EQ(frames.size(), 360u / ticksPerFrame + 1);

        FlightReplay replay(log);
        scene::FrameState state;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            while (replay.time() < i * ticksPerFrame) replay.step();
            scene::applyFrame(state, frames[i]);
            const HostView view = hostView(replay.world(), replay.lastControls());
            const std::string at = "frame " + std::to_string(i);
            expectSameBits(state.carLocation, view.carLocation, at + " car location");
            expectSameBits(state.carVelocity, view.carVelocity, at + " car velocity");
            expectSameBits(state.ballLocation, view.ballLocation, at + " ball location");
            expectSameBits(state.ballVelocity, view.ballVelocity, at + " ball velocity");
            EXPECT_EQ(state.carRotation.Pitch, view.carRotation.Pitch) << at;
            EXPECT_EQ(state.carRotation.Yaw, view.carRotation.Yaw) << at;
            EXPECT_EQ(state.carRotation.Roll, view.carRotation.Roll) << at;
            EXPECT_EQ(bits(state.steer), bits(view.input.Steer)) << at;
            EXPECT_EQ(bits(state.pitch), bits(view.input.Pitch)) << at;
            EXPECT_EQ(state.canvas.X, 1280);
            EXPECT_EQ(state.canvas.Y, 720);
            EXPECT_TRUE(state.freeplay && !state.paused && !state.replay && state.hasBall);
        }
    }
}

// The frame that first shows a time at or after the change carries it.
TEST(SceneExport, ConsoleVariableChangesArriveWithTheFirstFrameAfterThem) {
    struct Case {
        int32_t ticksPerFrame;
        std::size_t frame;
        const char* name;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {2, 50, "trimsight_target", "3"},  // tick 100: frame 50 shows time 100
        {2, 51, "trimsight_target", "5"},  // tick 101: frame 51 shows time 102
        {2, 101, "x_position", std::nullopt},
        {3, 34, "trimsight_target", "5"},  // ticks 100 and 101 both by time 102: the later wins
        {3, 67, "x_position", std::nullopt},
    };
    const FlightLog log = flight();
    for (const Case& c : cases) {
        const base::Result<std::string> text = exportScene(log, {c.ticksPerFrame, {1920, 1080}});
        ASSERT_TRUE(text.ok());
        const base::Result<scene::SceneFrames> parsed = scene::parseScene(*text);
        ASSERT_TRUE(parsed.ok()) << parsed.error();
        std::size_t withChanges = 0;
        for (const scene::SceneFrame& f : parsed->frames) withChanges += f.cvars.empty() ? 0 : 1;
        EXPECT_EQ(withChanges, c.ticksPerFrame == 2 ? 3u : 2u);
        const auto& cvars = parsed->frames.at(c.frame).cvars;
        ASSERT_EQ(cvars.size(), 1u) << "frame " << c.frame;
        EXPECT_EQ(cvars[0].name, c.name);
        EXPECT_EQ(cvars[0].value, c.value);
    }
}

TEST(SceneExport, RefusesOptionsASceneCannotHold) {
    const FlightLog log;
    EXPECT_EQ(exportScene(log, {0, {1920, 1080}}).error(),
              "ticks per frame must be at least 1, not 0");
    EXPECT_EQ(exportScene(log, {2, {0, 1080}}).error(),
              "the canvas must be 1 to 16384 pixels each way, not 0 by 1080");
    EXPECT_EQ(exportScene(log, {2, {1920, 16385}}).error(),
              "the canvas must be 1 to 16384 pixels each way, not 1920 by 16385");
    const base::Result<std::string> empty = exportScene(log);
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(scene::parseScene(*empty)->frames.size(), 1u);
}

// The JSON reader parses numbers as doubles and the scene narrows them to
// floats: every float, negative zero and subnormals included, survives.
TEST(JsonFloat, EveryKindOfFloatSurvivesAReaderGoingThroughDouble) {
    SeededRandom random(5);
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        const float f = std::bit_cast<float>(static_cast<uint32_t>(random.next()));
        if (!std::isfinite(f)) continue;
        const std::string text = jsonFloat(f);
        const float back = static_cast<float>(nlohmann::json::parse(text).get<double>());
        ASSERT_EQ(bits(back), bits(f)) << text;
        ++checked;
    }
    EXPECT_GT(checked, 190000);
    EXPECT_EQ(jsonFloat(-0.0f), "-0.0");
    EXPECT_EQ(jsonFloat(0.0f), "0");
    EXPECT_EQ(jsonFloat(17.03f), "17.03");
    EXPECT_EQ(formatFloat(0.1f), "0.1");
    EXPECT_EQ(parseFloat("1e-45"), 1e-45f);
    EXPECT_FALSE(parseFloat("nan"));
    EXPECT_FALSE(parseFloat("1e39"));
    EXPECT_FALSE(parseFloat("+1"));
    EXPECT_FALSE(parseFloat("1 "));
}

}  // namespace
