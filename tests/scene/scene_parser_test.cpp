// The scene parser and frame inheritance, in-process.
#include <gtest/gtest.h>

#include <string>

#include "scene/Scene.h"

namespace {

using scene::applyFrame;
using scene::FrameState;
using scene::parseScene;

TEST(SceneParser, TheFullFrameOfTheFormat) {
    const auto r = parseScene(R"({"canvas": [1280, 720],
        "game": {"paused": true, "freeplay": false, "custom_training": true, "replay": true},
        "cvars": {"trimsight_target": "5", "x_position": null},
        "car": {"location": [1.5, -2, 3e3], "velocity": [4, 5, 6],
                "rotation": [-16384, 32767, -2147483648], "input": {"steer": 0.25, "pitch": -1}},
        "ball": {"location": [7, 8, 9], "velocity": [-1, -2, -3.25]}})");
    ASSERT_TRUE(r) << r.error();
    ASSERT_EQ(r->frames.size(), 1u);
    FrameState s;
    applyFrame(s, r->frames[0]);
    EXPECT_EQ(s.canvas.X, 1280);
    EXPECT_EQ(s.canvas.Y, 720);
    EXPECT_TRUE(s.paused && !s.freeplay && s.customTraining && s.replay && s.hasBall);
    EXPECT_EQ(s.carLocation.X, 1.5f);
    EXPECT_EQ(s.carLocation.Z, 3000.0f);
    EXPECT_EQ(s.carRotation.Pitch, -16384);
    EXPECT_EQ(s.carRotation.Yaw, 32767);
    EXPECT_EQ(s.carRotation.Roll, INT32_MIN);
    EXPECT_EQ(s.steer, 0.25f);
    EXPECT_EQ(s.pitch, -1.0f);
    EXPECT_EQ(s.ballVelocity.Z, -3.25f);
    const auto& cvars = r->frames[0].cvars;
    ASSERT_EQ(cvars.size(), 2u);
    EXPECT_EQ(cvars[0].name, "trimsight_target");
    EXPECT_EQ(cvars[0].value, "5");
    EXPECT_EQ(cvars[1].name, "x_position");
    EXPECT_FALSE(cvars[1].value);
    EXPECT_EQ(cvars[1].place, "cvars.x_position");
}

TEST(SceneParser, EmptyFrameGivesTheDefaults) {
    const auto r = parseScene("  {}  ");
    ASSERT_TRUE(r) << r.error();
    FrameState s;
    applyFrame(s, r->frames[0]);
    EXPECT_EQ(s.canvas.X, 1920);
    EXPECT_EQ(s.canvas.Y, 1080);
    EXPECT_TRUE(!s.paused && s.freeplay && !s.customTraining && !s.replay && s.hasBall);
    EXPECT_EQ(s.carLocation.X, 0.0f);
    EXPECT_EQ(s.carRotation.Yaw, 0);
    EXPECT_EQ(s.ballLocation.X, 0.0f);
    EXPECT_EQ(s.ballLocation.Z, 93.0f);
    EXPECT_EQ(s.ballVelocity.X, 0.0f);
}

TEST(SceneParser, FramesInheritFieldByField) {
    const auto r = parseScene(R"({"frames": [
        {"car": {"location": [1, 2, 3], "input": {"steer": 0.5}}, "ball": {"velocity": [9, 9, 9]}},
        {"car": {"input": {"pitch": 0.75}}, "ball": null},
        {"ball": {"location": [4, 5, 6]}, "game": {"paused": true}},
        {"game": {"freeplay": false}}]})");
    ASSERT_TRUE(r) << r.error();
    ASSERT_EQ(r->frames.size(), 4u);
    FrameState s;
    applyFrame(s, r->frames[0]);
    applyFrame(s, r->frames[1]);
    EXPECT_EQ(s.carLocation.Y, 2.0f);
    EXPECT_EQ(s.steer, 0.5f);
    EXPECT_EQ(s.pitch, 0.75f);
    EXPECT_FALSE(s.hasBall);
    applyFrame(s, r->frames[2]);
    EXPECT_TRUE(s.hasBall);
    EXPECT_EQ(s.ballLocation.X, 4.0f);
    EXPECT_EQ(s.ballVelocity.X, 9.0f);  // kept from frame 0 across the null
    applyFrame(s, r->frames[3]);
    EXPECT_TRUE(s.paused);
    EXPECT_FALSE(s.freeplay);
}

TEST(SceneParser, NumbersBecomeFloatAndInt32Exactly) {
    const auto r = parseScene(R"({"car": {"location": [0.1, 16777217, -3.4028234663852886e38],
                                          "rotation": [2147483647, 0, -1]}})");
    ASSERT_TRUE(r) << r.error();
    FrameState s;
    applyFrame(s, r->frames[0]);
    EXPECT_EQ(s.carLocation.X, 0.1f);
    EXPECT_EQ(s.carLocation.Y, 16777216.0f);
    EXPECT_EQ(s.carLocation.Z, -3.4028234663852886e38f);
    EXPECT_EQ(s.carRotation.Pitch, 2147483647);
    EXPECT_EQ(s.carRotation.Roll, -1);
}

TEST(SceneParser, WholeNumbersWrittenWithAFractionAreIntegers) {
    const auto r =
        parseScene(R"({"canvas": [1280.0, 720], "car": {"rotation": [90.0, -2147483648.0, 0]}})");
    ASSERT_TRUE(r) << r.error();
    FrameState s;
    applyFrame(s, r->frames[0]);
    EXPECT_EQ(s.canvas.X, 1280);
    EXPECT_EQ(s.carRotation.Pitch, 90);
    EXPECT_EQ(s.carRotation.Yaw, INT32_MIN);
    for (const char* bad : {R"({"car": {"rotation": [2147483648.0, 0, 0]}})",
                            R"({"canvas": [0.5, 1]})", R"({"car": {"rotation": [1e300, 0, 0]}})"})
        EXPECT_FALSE(parseScene(bad)) << bad;
}

// Whatever the bytes, the parser answers with a scene or a one-line error.
TEST(SceneParser, ArbitraryInputNeverThrows) {
    const std::string samples[] = {
        "",
        std::string("\0\0\0", 3),
        "\xff\xfe{",
        "{\"canvas\": [1e400, 1]}",
        "{\"car\": {\"rotation\": [-2147483649, 0, 0]}}",
        "{\"car\": {\"rotation\": [18446744073709551615, 0, 0]}}",
        "{\"frames\": [{}, 5]}",
        "{\"frames\": {}}",
        "{\"game\": []}",
        "{\"cvars\": {\"\": \"\"}}",
        "{} {}",
        "\"\\ud800\"",
        std::string(70, '{'),
    };
    for (const std::string& s : samples) {
        const auto r = parseScene(s);
        if (r) continue;
        EXPECT_FALSE(r.error().empty()) << s;
        EXPECT_EQ(r.error().find('\n'), std::string::npos) << r.error();
    }
}

}  // namespace
