// `trimsight-host render` end to end: pictures of known scenes checked where
// the dial's geometry puts things, the settings window, repeatability, the
// sequence layout, and bad input refused with a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "picture/PictureRenderer.h"
#include "picture/Png.h"
#include "testkit/Pixels.h"
#include "testkit/ProgramRunner.h"
#include "tests/picture/RenderRun.h"

namespace {

using canvas::Image;
using hosttest::RunResult;
using hosttest::TempDir;

bool nearBlack(Rgb c) { return c.r <= 12 && c.g <= 12 && c.b <= 12; }

constexpr Rgb kGround{215, 95, 0};
constexpr Rgb kSky{50, 190, 220};
constexpr Rgb kBall{0, 0, 255};

// Every setting at its default, given in the scene so no saved config counts.
const std::string kDefaults =
    R"("cvars": {"trimsight_enabled": "1", "peripheral_mode_enabled": "0",
                 "trimsight_size": "3.3", "x_position": "0.3", "y_position": "0.9",
                 "trimsight_target": "4"})";

// A level car at rest, the ball straight ahead of its nose, also at rest.
std::string levelScene(const std::string& extra = "") {
    return R"({"canvas": [1920, 1080], )" + kDefaults +
           R"(, "car": {"location": [0, 0, 17], "velocity": [0, 0, 0], "rotation": [0, 0, 0]},
              "ball": {"location": [1000, 0, 17], "velocity": [0, 0, 0]})" +
           extra + "}";
}

// With a 1920 by 1080 canvas and the default settings the dial radius is
// 158, the dial centre (645, 832) and the dot size 23.
constexpr int kR = 158;
constexpr int kCx = 645;
constexpr int kCy = 832;

class RenderCommandTest : public ::testing::Test {
  protected:
    RunResult render(const std::vector<std::string>& args,
                     const std::map<std::string, std::optional<std::string>>& env = {}) {
        return picturetest::runRender(dir, args, env);
    }

    // Renders a one-frame scene and reads the picture back.
    Image renderScene(const std::string& text, const std::vector<std::string>& flags = {}) {
        const std::string scene = dir.file("scene.json");
        const std::string png = dir.file("scene.png");
        hosttest::writeFile(scene, text);
        std::vector<std::string> args{scene, "-o", png};
        args.insert(args.end(), flags.begin(), flags.end());
        const RunResult r = render(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "wrote " + png + "\n");
        EXPECT_EQ(r.err, "");  // no progress bar when stderr is not a terminal
        const auto image = picture::readPng(png);
        EXPECT_TRUE(image) << image.error();
        return image ? *image : Image{};
    }

    // The backdrop alone, drawn in-process by the same renderer.
    static Image backdrop(int w, int h) {
        auto renderer = picture::PictureRenderer::create();
        EXPECT_TRUE(renderer) << renderer.error();
        Image image;
        if (renderer) {
            EXPECT_TRUE((*renderer)->begin(w, h, nullptr));
            EXPECT_TRUE((*renderer)->finish(image));
        }
        return image;
    }

    TempDir dir;
};

TEST_F(RenderCommandTest, LevelCarShowsGroundAboveAndSkyBelowTheHorizon) {
    const Image image = renderScene(levelScene());
    ASSERT_EQ(image.width, 1920);
    ASSERT_EQ(image.height, 1080);
    // World up is drawn below the dial centre: the sky half is the lower one.
    EXPECT_EQ(pixel(image, kCx - kR / 2, kCy - kR / 2), kGround);
    EXPECT_EQ(pixel(image, kCx + kR / 2, kCy - kR / 3), kGround);
    EXPECT_EQ(pixel(image, kCx - kR / 2, kCy + kR / 2), kSky);
    EXPECT_EQ(pixel(image, kCx + kR / 2, kCy + kR / 3), kSky);
    // The dark background disc just outside the rim.
    EXPECT_EQ(pixel(image, kCx, kCy - kR - 8), (Rgb{20, 20, 20}));
}

TEST_F(RenderCommandTest, CentreSymbolIsBlackOnTheDialCentre) {
    const Image image = renderScene(levelScene());
    // The wings along the centre line, and the V hanging below the centre.
    EXPECT_PRED1(nearBlack, pixel(image, kCx - kR * 22 / 100, kCy)) << pixel(image, kCx - 35, kCy);
    EXPECT_PRED1(nearBlack, pixel(image, kCx + kR * 22 / 100, kCy));
    EXPECT_PRED1(nearBlack, pixel(image, kCx, kCy + 13));
    EXPECT_FALSE(nearBlack(pixel(image, kCx - kR * 22 / 100, kCy - 8)));
}

TEST_F(RenderCommandTest, BallAheadIsABlueDotAtItsCorner) {
    const Image image = renderScene(levelScene());
    // Ball straight ahead: the dot's corner is the dial centre less half the
    // dot size, (634, 821), and the dot is 23 pixels wide.
    EXPECT_EQ(pixel(image, 634 + 2, 821 + 2), kBall);
    EXPECT_EQ(pixel(image, 634 + 20, 821 + 4), kBall);
    EXPECT_NE(pixel(image, 634 - 2, 821 - 2), kBall);
}

TEST_F(RenderCommandTest, PeripheralBandIsTranslucentRedAboveItsCentreForMarkerAngleZero) {
    // "Down" for a level car: marker angle 0 (to a float's hair), the target a
    // quarter turn off the nose, so the band has 20 steps a side. On 1920 by
    // 1080 its centre is (960, 617) and it lies between radii 362 and 393.
    const std::string text = R"({"canvas": [1920, 1080], "cvars": {"trimsight_enabled": "1",
        "peripheral_mode_enabled": "1", "trimsight_size": "3.3", "x_position": "0.3",
        "y_position": "0.9", "trimsight_target": "2"},
        "car": {"location": [0, 0, 17], "rotation": [0, 0, 0]},
        "ball": {"location": [1000, 0, 17]}})";
    const Image image = renderScene(text);
    const Image plain = backdrop(1920, 1080);
    const int mid = 617 - (362 + 393) / 2;
    const Rgb under = pixel(plain, 960, mid);
    const Rgb over = pixel(image, 960, mid);
    EXPECT_NEAR(over.r, (under.r * 205 + 255 * 50) / 255.0, 2) << over << " over " << under;
    EXPECT_NEAR(over.g, under.g * 205 / 255.0, 2);
    EXPECT_NEAR(over.b, under.b * 205 / 255.0, 2);
    // Nothing below the centre, inside or outside the band's radii, and no dial.
    EXPECT_EQ(pixel(image, 960, 617 + 377), pixel(plain, 960, 617 + 377));
    EXPECT_EQ(pixel(image, 960, 617 - 300), pixel(plain, 960, 617 - 300));
    EXPECT_EQ(pixel(image, 960, 617 - 420), pixel(plain, 960, 617 - 420));
    EXPECT_EQ(pixel(image, kCx, kCy - kR / 2), pixel(plain, kCx, kCy - kR / 2));
}

TEST_F(RenderCommandTest, DisabledPluginLeavesNothingButTheBackdrop) {
    const std::string disabled = R"({"canvas": [640, 360], "cvars": {"trimsight_enabled": "0"}})";
    EXPECT_EQ(renderScene(disabled), backdrop(640, 360));
    const std::string noBall = R"({"canvas": [640, 360], "ball": null})";
    EXPECT_EQ(renderScene(noBall), backdrop(640, 360));
}

TEST_F(RenderCommandTest, SettingsFlagDrawsTheSettingsWindowOverTheGame) {
    const std::string scene = R"({"canvas": [1280, 720]})";
    const Image without = renderScene(scene);
    const Image with = renderScene(scene, {"--settings"});
    // The window sits at the upper right, 4% of the height in from the
    // edges, at most 900 wide; the dial at the lower left is untouched.
    const int margin = 720 * 4 / 100;
    const int left = 1280 - margin - 900;
    int changed = 0;
    for (int y = margin + 2; y < margin + 60; ++y)
        for (int x = left + 2; x < 1280 - margin - 2; ++x)
            changed += pixel(with, x, y) == pixel(without, x, y) ? 0 : 1;
    EXPECT_GT(changed, (1280 - 2 * margin - 4 - left) * 50);
    // The title bar of the focused window, in the dark style's colour.
    const Rgb title = pixel(with, 1280 - margin - 5, margin + 3);
    EXPECT_GT(title.b, title.r + 40) << title;
    for (int y = 400; y < 720; y += 7)
        for (int x = 0; x < left - 2; x += 7)
            ASSERT_EQ(pixel(with, x, y), pixel(without, x, y)) << x << ", " << y;
}

TEST_F(RenderCommandTest, SequenceGivesNumberedFramesAndAContactSheet) {
    const std::string scene = dir.file("roll.json");
    hosttest::writeFile(scene, R"({"frames": [{"canvas": [320, 180]},
        {"car": {"rotation": [0, 0, 4000]}}, {"car": {"rotation": [0, 0, 8000]}}]})");
    const std::string out = dir.file("roll");
    const RunResult r = render({scene, "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "wrote 3 frames to " + out + " (frame-0000.png to frame-0002.png) and the " +
                         "contact sheet " + out + "/contact-sheet.png\n");
    Image frames[3];
    for (int i = 0; i < 3; ++i) {
        auto frame = picture::readPng(out + "/frame-000" + std::to_string(i) + ".png");
        ASSERT_TRUE(frame) << frame.error();
        frames[i] = *frame;
        EXPECT_EQ(frames[i].width, 320);
    }
    EXPECT_NE(frames[0], frames[1]);
    const auto sheet = picture::readPng(out + "/contact-sheet.png");
    ASSERT_TRUE(sheet) << sheet.error();
    EXPECT_EQ(sheet->width, 3 * (320 + 6) + 6);
    EXPECT_EQ(sheet->height, 180 + 12);
}

// Six frames, rolling and switching to peripheral mode half way, with the
// settings window: enough for the pictures to be encoded out of step with
// the drawing when threads do it.
const char* const kSixFrames = R"({"frames": [{"canvas": [480, 270],
    "car": {"velocity": [500, 100, 300], "rotation": [3000, 2000, 1000],
            "input": {"steer": 0.5, "pitch": -0.7}}},
    {"car": {"rotation": [3000, 2000, 5000]}}, {"car": {"rotation": [3000, 2000, 9000]}},
    {"cvars": {"peripheral_mode_enabled": "1"}}, {"car": {"rotation": [0, 0, 0]}},
    {"car": {"rotation": [0, 9000, 0]}}]})";

TEST_F(RenderCommandTest, OneThreadAndManyGiveTheSameFilesAndRunsRepeat) {
    const std::string scene = dir.file("s.json");
    hosttest::writeFile(scene, kSixFrames);
    // "a" on one thread, "b" and "c" with the default threads.
    for (const std::string name : {"a", "b", "c"}) {
        const bool oneThread = name == "a";
        std::vector<std::string> args{scene, "-o", dir.file(name), "--settings", "--timing"};
        if (oneThread) args.insert(args.end(), {"--jobs", "1"});
        const RunResult r = render(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(
            r.out.find(oneThread ? "ms a frame, everything on one thread\n"
                                 : "ms a frame, 3 thread(s) encoding and writing while the next "
                                   "frames render"),
            std::string::npos)
            << r.out;
    }
    for (const char* file : {"frame-0000.png", "frame-0001.png", "frame-0002.png", "frame-0003.png",
                             "frame-0004.png", "frame-0005.png", "contact-sheet.png"}) {
        const auto a = hosttest::readFile(dir.file("a/") + file);
        ASSERT_TRUE(a) << file;
        for (const char* other : {"b/", "c/"}) {
            const auto b = hosttest::readFile(dir.file(other) + file);
            ASSERT_TRUE(b) << other << file;
            EXPECT_TRUE(*a == *b) << other << file;
        }
    }
}

TEST_F(RenderCommandTest, AFrameThatCannotBeEncodedIsNamedAndNothingAfterItIsWritten) {
    const std::string scene = dir.file("s.json");
    hosttest::writeFile(scene, kSixFrames);
    for (const char* jobs : {"1", "4"}) {
        const std::string out = dir.file(std::string("jobs-") + jobs);
        const RunResult r =
            render({scene, "-o", out, "--jobs", jobs}, {{"TRIMSIGHT_FAULT_ENCODE", "3"}});
        EXPECT_EQ(r.exitCode, 7) << jobs << " jobs";
        EXPECT_EQ(r.err, "trimsight-host: cannot write " + out +
                             "/frame-0003.png: PNG encoding failed: made to fail by "
                             "TRIMSIGHT_FAULT_ENCODE\n");
        EXPECT_EQ(r.out, "");
        // Frames 0 to 2 whole, nothing else: no later frame, no contact
        // sheet, no temporary file.
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(out))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left,
                  (std::vector<std::string>{"frame-0000.png", "frame-0001.png", "frame-0002.png"}))
            << jobs << " jobs";
        for (const std::string& file : left)
            EXPECT_TRUE(picture::readPng((std::filesystem::path(out) / file).string()));
    }
    const RunResult r = render({scene, "-o", dir.file("x")}, {{"TRIMSIGHT_FAULT_ENCODE", "3x"}});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "trimsight-host: TRIMSIGHT_FAULT_ENCODE=3x is not a frame number\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
}

TEST_F(RenderCommandTest, CanvasWithoutPixelsOrTooLargeIsAClearError) {
    struct Case {
        const char* canvas;
        const char* message;
    };
    for (const Case& c : {Case{"[0, 0]", "canvas"}, Case{"[20000, 20000]", "canvas"},
                          Case{"[9000, 100]", "canvas 9000 by 100 is too large to render"}}) {
        const std::string scene = dir.file("big.json");
        hosttest::writeFile(scene, std::string(R"({"canvas": )") + c.canvas + "}");
        const RunResult r = render({scene, "-o", dir.file("big.png")});
        EXPECT_EQ(r.exitCode, 4) << c.canvas;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(hosttest::lines(r.err).size(), 1u) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("big.png")));
    }
}

TEST_F(RenderCommandTest, BadOutputAndMissingDriverAreClearErrors) {
    const std::string scene = dir.file("s.json");
    hosttest::writeFile(scene, "{}");
    RunResult r = render({scene, "-o", dir.file("no/such/folder/x.png")});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;

    hosttest::writeFile(dir.file("file"), "");
    hosttest::writeFile(dir.file("seq.json"), R"({"frames": [{}, {}]})");
    r = render({dir.file("seq.json"), "-o", dir.file("file")});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_NE(r.err.find("needs a folder"), std::string::npos) << r.err;

    // A scene refused before its first frame leaves no folder behind.
    hosttest::writeFile(dir.file("unknown.json"), R"({"frames": [{"cvars": {"nope": "1"}}, {}]})");
    r = render({dir.file("unknown.json"), "-o", dir.file("unknown")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("nope"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("unknown")));

    r = hosttest::runHost(
        {"--config", dir.file("config.json"), "render", scene, "-o", dir.file("x.png")},
        {{"LIBGL_DRIVERS_PATH", dir.file("no-drivers")}});
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_NE(r.err.find("trimsight-host: cannot render pictures: "), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
}

TEST_F(RenderCommandTest, DemoSceneShowsEveryPartOfTheInstrument) {
    // The demo's scene, traced: every kind of primitive the dial and the band
    // draw appears in some frame.
    const std::string scene = dir.file("demo.json");
    RunResult r = render({"--save-demo-scene", scene});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = hosttest::runHost({"--config", dir.file("config.json"), "trace", scene}, {});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> trace = hosttest::lines(r.out);
    bool ballAhead = false, ballBehind = false, velocityAhead = false, velocityBehind = false;
    bool stick = false, band = false, marker = false;
    for (std::size_t i = 0; i + 6 < trace.size(); ++i) {
        const bool cross = trace[i + 4].rfind("DrawLine", 0) == 0 && trace[i + 4].ends_with(" 1");
        if (trace[i] == "SetColor 0 0 255 255") (cross ? ballBehind : ballAhead) = true;
        if (trace[i] == "SetColor 50 255 0 255") (cross ? velocityBehind : velocityAhead) = true;
        if (trace[i] == "SetColor 50 200 50 255") stick = true;
        if (trace[i].rfind("SetColor 255 ", 0) == 0 && trace[i].ends_with(" 50")) band = true;
        // The marker's six triangles follow the last white line directly.
        if (trace[i].rfind("DrawLine", 0) == 0 && trace[i].ends_with(" 2") &&
            trace[i + 1].rfind("FillTriangle", 0) == 0)
            marker = true;
    }
    EXPECT_TRUE(ballAhead);
    EXPECT_TRUE(ballBehind);
    EXPECT_TRUE(velocityAhead);
    EXPECT_TRUE(velocityBehind);
    EXPECT_TRUE(stick);
    EXPECT_TRUE(band);
    EXPECT_TRUE(marker);
}

TEST_F(RenderCommandTest, DemoRendersWithoutAScene) {
    const std::string out = dir.file("demo");
    const RunResult r = render({"-o", out, "--timing"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("wrote 160 frames to " + out), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("timing: 160 frame(s) of 1280 by 720 on "), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(out + "/frame-0159.png"));
    EXPECT_TRUE(std::filesystem::exists(out + "/contact-sheet.png"));
}

}  // namespace
