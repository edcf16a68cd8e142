// Clips to share: `render --video` decoded back with FFmpeg's own decoder,
// failures that leave nothing behind, and `render --plot` of a drill
// attempt, whose series are the ones the window's live plot showed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fly/Camera.h"
#include "fly/window/WorldRenderer.h"
#include "picture/AttemptPlotPicture.h"
#include "picture/Png.h"
#include "picture/VideoWriter.h"
#include "testkit/ClipSpace.h"
#include "testkit/Pixels.h"
#include "testkit/ProgramRunner.h"
#include "testkit/TestFlights.h"
#include "tests/picture/RenderRun.h"

namespace {

namespace fs = std::filesystem;
using hosttest::RunResult;
using hosttest::TempDir;
using ::testing::HasSubstr;

// What FFmpeg's decoder finds in a video file.
struct Decoded {
    std::string codec;
    int width = 0;
    int height = 0;
    int frames = 0;  // decoded pictures
    std::string error;
};

Decoded decodeVideo(const std::string& path) {
    Decoded d;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        d.error = "cannot open " + path;
        return d;
    }
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const int stream = avformat_find_stream_info(format, nullptr) >= 0
                           ? av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                           : -1;
    if (stream < 0) {
        d.error = "no video stream";
    } else {
        const AVCodecParameters* par = format->streams[stream]->codecpar;
        const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
        codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, par);
        if (avcodec_open2(codec, decoder, nullptr) < 0) d.error = "cannot open the decoder";
        d.codec = decoder->name;
        auto drain = [&] {
            while (avcodec_receive_frame(codec, frame) == 0) {
                ++d.frames;
                d.width = frame->width;
                d.height = frame->height;
            }
        };
        while (d.error.empty() && av_read_frame(format, packet) >= 0) {
            // A decoder with its pictures unread takes no more packets.
            while (packet->stream_index == stream &&
                   avcodec_send_packet(codec, packet) == AVERROR(EAGAIN))
                drain();
            av_packet_unref(packet);
            drain();
        }
        avcodec_send_packet(codec, nullptr);
        drain();
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return d;
}

std::vector<std::string> folderNames(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ClipTest : public ::testing::Test {
  protected:
    RunResult render(const std::vector<std::string>& args,
                     const std::map<std::string, std::optional<std::string>>& env = {}) {
        return picturetest::runRender(dir, args, env);
    }
    // One second of flying (120 ticks).
    std::string oneSecondFlight() {
        std::string path = dir.file("flight.log");
        hosttest::writeFile(path, sandbox::formatFlightLog(hosttest::testFlight(5, 120)));
        return path;
    }
    // An attempt at a drill, its log naming the drill as the window writes it.
    std::string attemptFile(std::string_view drill, uint64_t seed) {
        hosttest::FlownAttempt attempt = hosttest::flyAttempt(drill, seed);
        attempt.log.drill = sandbox::FlightDrill{std::string(drill), seed};
        std::string path = dir.file("attempt.log");
        hosttest::writeFile(path, sandbox::formatFlightLog(attempt.log));
        return path;
    }

    TempDir dir;
};

TEST_F(ClipTest, AOneSecondFlightAtThirtyFramesDecodesToThirtyOneFramesOfTheCanvas) {
    // 120 ticks at 30 frames a second: frames at ticks 0, 4, ..., 120.
    const std::string log = oneSecondFlight();
    struct Case {
        std::string name;
        std::string codec;
    };
    for (const Case& c :
         {Case{"clip.mp4", "h264"}, Case{"clip.webm", "vp9"}, Case{"CLIP.MP4", "h264"}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        const RunResult r = render({log, "--video", path, "--fps", "30", "--canvas", "160x90"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");  // no progress bar when stderr is not a terminal
        EXPECT_THAT(r.out, HasSubstr("wrote " + path + ": 31 frames of 160 by 90 at 30 a second"));
        const Decoded d = decodeVideo(path);
        EXPECT_EQ(d.error, "");
        EXPECT_EQ(d.codec, c.codec);
        EXPECT_EQ(d.frames, 31);
        EXPECT_EQ(d.width, 160);
        EXPECT_EQ(d.height, 90);
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::owner_write);
    }
}

TEST_F(ClipTest, AVideoThatCannotBeMadeIsRefusedAndLeavesNothingBehind) {
    const std::string log = oneSecondFlight();
    hosttest::writeFile(dir.file("afile"), "a file, not a folder");
    hosttest::writeFile(dir.file("old.mp4"), "an earlier video");
    struct Case {
        std::string what;
        std::vector<std::string> args;
        int exitCode;
        std::string message;
        std::map<std::string, std::optional<std::string>> env = {};
    };
    const Case cases[] = {
        {"unknown extension",
         {"--video", dir.file("clip.avi")},
         9,
         "--video " + dir.file("clip.avi") + ": unknown kind of video; the name ends in .mp4"},
        {"no extension", {"--video", dir.file("clip")}, 9, "unknown kind of video"},
        {"parent is a file",
         {"--video", dir.file("afile/clip.mp4")},
         9,
         "cannot write " + dir.file("afile/clip.mp4") + ": Not a directory"},
        {"a folder", {"--video", dir.path() + "/"}, 9, "unknown kind of video"},
        {"odd canvas",
         {"--video", dir.file("clip.mp4"), "--canvas", "161x90"},
         2,
         "--canvas 161x90: a video's frames need an even width and height"},
        {"encoder fails at frame 5",
         {"--video", dir.file("old.mp4")},
         9,
         "cannot write " + dir.file("old.mp4") +
             ": frame 5: encoding failed: made to fail by TRIMSIGHT_FAULT_ENCODE",
         {{"TRIMSIGHT_FAULT_ENCODE", "5"}}},
        {"scene file", {"--video", dir.file("clip.mp4")}, 4, "not a flight log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args{c.what == "scene file" ? dir.file("afile") : log};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (c.what != "odd canvas") {
            args.insert(args.end(), {"--canvas", "64x48", "--fps", "30"});
        }
        const RunResult r = render(args, c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(folderNames(dir.path()),
                  (std::vector<std::string>{"afile", "flight.log", "old.mp4"}));
        EXPECT_EQ(hosttest::readFile(dir.file("old.mp4")), "an earlier video");
    }
}

TEST_F(ClipTest, TheWriterTakesFramesOfItsOwnSizeOnly) {
    picture::VideoWriter writer;
    ASSERT_TRUE(writer.open(dir.file("w.webm"), picture::VideoContainer::WebM, 32, 16, 10));
    canvas::Image frame;
    frame.resize(32, 16);
    EXPECT_TRUE(writer.addFrame(frame));
    frame.resize(16, 16);
    EXPECT_EQ(writer.addFrame(frame).error(), "a frame of 16 by 16 in a video of 32 by 16");
    EXPECT_TRUE(writer.finish());
    EXPECT_EQ(decodeVideo(dir.file("w.webm")).frames, 1);
    EXPECT_FALSE(writer.addFrame(frame));
    EXPECT_FALSE(picture::videoContainerFor("clip.mp4.part"));
    EXPECT_FALSE(picture::videoContainerFor("clips.webm/clip"));
}

// ------------------------------------------------------------------ plots

TEST_F(ClipTest, AnAttemptsPlotFromItsLogIsTheOneTheDrillSawWhileFlying) {
    for (std::string_view name : {"nose-on-ball", "recovery", "target-attitude"}) {
        SCOPED_TRACE(name);
        // Flown by the autopilot, the live plot built tick by tick as the
        // window builds it, and the log recorded as the window records it.
        std::unique_ptr<sandbox::Drill> drill = sandbox::makeDrill(name, 7);
        sandbox::FlightLog log;
        log.start = drill->start().world;
        log.options = drill->start().options;
        log.drill = sandbox::FlightDrill{std::string(name), 7};
        sandbox::Autopilot pilot(*drill);
        sandbox::World world = log.start;
        sandbox::AttemptPlot live;
        for (int t = 0; t < 30 * sandbox::kTicksPerSecond && !drill->finished(); ++t) {
            const sandbox::CarControls controls = pilot.controls(world);
            const sandbox::TickReport report = sandbox::stepWorld(world, controls, log.options);
            log.recordTick(controls);
            drill->update(world, controls, report);
            live.add(drill->sample());
        }
        // Through the file's text and back.
        const auto read = sandbox::parseFlightLog(sandbox::formatFlightLog(log), "a.log");
        ASSERT_TRUE(read.ok()) << read.error();
        const base::Result<sandbox::AttemptPlot> replayed =
            sandbox::replayAttemptPlot(*read, "a.log");
        ASSERT_TRUE(replayed) << replayed.error();
        EXPECT_GT(replayed->size(), 60u);
        EXPECT_EQ(replayed->series, live.series);
        EXPECT_EQ(replayed->largestError, live.largestError);
    }
}

TEST_F(ClipTest, APlotIsRefusedForALogThatIsNoDrillsAttempt) {
    hosttest::FlownAttempt attempt = hosttest::flyAttempt("recovery", 2);
    EXPECT_THAT(sandbox::replayAttemptPlot(attempt.log, "a.log").error(),
                HasSubstr("a.log: the flight log names no drill"));
    attempt.log.drill = sandbox::FlightDrill{"loop-the-loop", 2};
    EXPECT_EQ(sandbox::replayAttemptPlot(attempt.log, "a.log").error(),
              "a.log: this program has no drill named \"loop-the-loop\"");
    attempt.log.drill = sandbox::FlightDrill{"recovery", 3};
    EXPECT_EQ(sandbox::replayAttemptPlot(attempt.log, "a.log").error(),
              "a.log: the flight does not start where recovery seed 3 starts");
}

TEST_F(ClipTest, PlotCommandDrawsTheAttemptAndRefusesAFreeFlight) {
    const std::string log = attemptFile("nose-on-ball", 4);
    const std::string png = dir.file("plot.png");
    RunResult r = render({log, "--plot", png});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("to " + png));
    const auto image = picture::readPng(png);
    ASSERT_TRUE(image) << image.error();
    EXPECT_EQ(image->width, picture::kPlotWidth);
    EXPECT_EQ(image->height, picture::kPlotHeight);
    // The angle's line, the strip within the cone and the stick are all drawn.
    std::size_t angle = 0, inside = 0, pitch = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const Rgb c = pixel(*image, x, y);
            angle += c == Rgb{220, 220, 225};
            inside += c == Rgb{115, 230, 115};
            pitch += c == Rgb{255, 204, 77};
        }
    }
    EXPECT_GT(angle, 1000u);
    EXPECT_GT(inside, 1000u);
    EXPECT_GT(pitch, 100u);
    // Words: the title at the top, the angle's values left of its axis, the
    // seconds below the time axis, each in the words' near white.
    const auto words = [&](int x0, int y0, int x1, int y1) {
        std::size_t n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const Rgb c = pixel(*image, x, y);
                n += c.r >= 170 && c.r == c.g && std::abs(c.b - c.r) <= 4;
            }
        return n;
    };
    EXPECT_GT(words(0, 0, image->width, 30), 100u) << "the title";
    EXPECT_GT(words(0, 60, 36, 260), 30u) << "the angle's values";
    EXPECT_GT(words(0, image->height - 40, image->width, image->height), 30u) << "the seconds";

    // A free flight has no drill to plot: nothing written.
    r = render({oneSecondFlight(), "--plot", dir.file("free.png")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.err, HasSubstr("this flight log names no drill"));
    EXPECT_FALSE(fs::exists(dir.file("free.png")));
}

TEST_F(ClipTest, PlotAndVideoTogetherWriteBoth) {
    const std::string log = attemptFile("recovery", 1);
    const RunResult r = render({log, "--plot", dir.file("p.png"), "--video", dir.file("v.webm"),
                                "--fps", "10", "--canvas", "64x48"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(picture::readPng(dir.file("p.png")));
    EXPECT_GT(decodeVideo(dir.file("v.webm")).frames, 10);
}

// A flight log's clips and pictures as the window showed the flight: the
// world beneath the dial, the HUD, and a drill attempt's panel and result.

bool near(Rgb a, canvas::Rgb8 b, int within) {
    return std::abs(a.r - b.r) <= within && std::abs(a.g - b.g) <= within &&
           std::abs(a.b - b.b) <= within;
}

// Pixels of a box (clipped to the picture) that pass `test`.
template <typename Test>
int countIn(const canvas::Image& image, int x0, int y0, int x1, int y1, Test test) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(image.width, x1); ++x)
            n += test(pixel(image, x, y)) ? 1 : 0;
    return n;
}

canvas::Image readFrame(const std::string& path) {
    base::Result<canvas::Image> image = picture::readPng(path);
    EXPECT_TRUE(image) << path;
    return image ? *image : canvas::Image{};
}

TEST_F(ClipTest, AFlightLogsPicturesShowTheWorldWithTheCarWhereTheCameraPutsIt) {
    // 24 ticks at 10 frames a second: frames at ticks 0, 12 and 24, on a
    // 480 by 270 canvas.
    const std::string log = dir.file("flight.log");
    const sandbox::FlightLog flight = hosttest::testFlight(5, 24);
    hosttest::writeFile(log, sandbox::formatFlightLog(flight));
    const RunResult r = render({log, "--fps", "10", "--canvas", "480x270", "-o", dir.file("w")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const RunResult plain =
        render({log, "--fps", "10", "--canvas", "480x270", "--canvas-only", "-o", dir.file("c")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    sandbox::FlightReplay replay(flight);
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        while (replay.time() < static_cast<uint32_t>(frame * 12)) replay.step();
        const std::string name = "/frame-000" + std::to_string(frame) + ".png";
        const canvas::Image world = readFrame(dir.file("w") + name);
        const canvas::Image canvasOnly = readFrame(dir.file("c") + name);
        ASSERT_EQ(world.width, 480);
        ASSERT_EQ(world.height, 270);
        // The chase camera looks a little down from behind the car: sky in the
        // upper right (the HUD takes the upper left), floor in the lower right
        // (the dial takes the lower left); neither in the canvas-only picture.
        const auto sky = [](Rgb c) { return near(c, fly::kSkyColour, 0); };
        const auto floor = [](Rgb c) { return near(c, fly::kFloorColour, 3); };
        EXPECT_GT(countIn(world, 300, 0, 480, 40, sky), 1000);
        EXPECT_GT(countIn(world, 300, 230, 480, 270, floor), 1000);
        EXPECT_EQ(countIn(canvasOnly, 0, 0, 480, 270, sky), 0);
        EXPECT_EQ(countIn(canvasOnly, 0, 0, 480, 270, floor), 0);
        // The car, its red tail or blue body, around where the camera projects
        // its centre (the dial's orange is no car's colour).
        const sandbox::CarState& car = replay.world().car;
        const hosttest::ClipPoint at = hosttest::project(
            fly::viewProjection(fly::chaseCamera(car), 480.0f / 270.0f), car.location);
        ASSERT_TRUE(at.inFront());
        const int x = static_cast<int>((at.screenX() + 1.0f) * 0.5f * 480.0f);
        const int y = static_cast<int>((1.0f - at.screenY()) * 0.5f * 270.0f);
        const auto carColour = [](Rgb c) {
            return (c.r > 90 && c.g < 50 && c.b < 50) || (c.b > c.r + 60 && c.b > c.g + 40);
        };
        EXPECT_GT(countIn(world, x - 12, y - 12, x + 12, y + 12, carColour), 100) << x << ", " << y;
        EXPECT_EQ(countIn(canvasOnly, x - 12, y - 12, x + 12, y + 12, carColour), 0);
    }
}

TEST_F(ClipTest, TheBallCameraKeepsTheBallInTheMiddleOfThePicture) {
    const std::string log = dir.file("flight.log");
    const sandbox::FlightLog flight = hosttest::testFlight(5, 12);
    hosttest::writeFile(log, sandbox::formatFlightLog(flight));
    const RunResult r =
        render({log, "--fps", "10", "--canvas", "480x270", "--ball-camera", "-o", dir.file("b")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const canvas::Image world = readFrame(dir.file("b") + "/frame-0000.png");
    const sandbox::FlightReplay replay(flight);
    const sandbox::World& start = replay.world();
    const hosttest::ClipPoint at = hosttest::project(
        fly::viewProjection(fly::ballCamera(start.car, start.ball), 480.0f / 270.0f),
        start.ball.location);
    ASSERT_TRUE(at.inFront());
    const int x = static_cast<int>((at.screenX() + 1.0f) * 0.5f * 480.0f);
    const int y = static_cast<int>((1.0f - at.screenY()) * 0.5f * 270.0f);
    // The ball, grey, lit from above (its lower half darker): grey pixels
    // around its centre.
    const auto ballColour = [](Rgb c) {
        return c.r > 80 && std::abs(c.r - c.g) < 8 && std::abs(c.g - c.b) < 8;
    };
    EXPECT_GT(countIn(world, x - 4, y - 4, x + 4, y + 4, ballColour), 40) << x << ", " << y;
}

TEST_F(ClipTest, ADrillAttemptsClipEndsOnItsResultPanel) {
    const std::string log = attemptFile("recovery", 1);
    const base::Result<sandbox::FlightLog> flight =
        sandbox::parseFlightLog(hosttest::readFile(log).value_or(""), log);
    ASSERT_TRUE(flight) << flight.error();
    const std::size_t ticks = flight->ticks.size();
    // At 30 frames a second, one every 4 ticks, from tick 0.
    const int frames = static_cast<int>(ticks / 4) + 1;
    const std::string clip = dir.file("attempt.mp4");
    RunResult r = render({log, "--video", clip, "--fps", "30", "--canvas", "640x360"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(decodeVideo(clip).frames, frames);
    r = render({log, "--fps", "30", "--canvas", "640x360", "-o", dir.file("f")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    char last[32];
    char before[32];
    std::snprintf(last, sizeof last, "/frame-%04d.png", frames - 1);
    std::snprintf(before, sizeof before, "/frame-%04d.png", frames - 2);
    const canvas::Image end = readFrame(dir.file("f") + last);
    const canvas::Image running = readFrame(dir.file("f") + before);
    // The result is a window with a title bar ("Result"), opaque in ImGui's
    // dark style's blue whatever lies beneath; the live panel before it has
    // no title bar.
    const auto titleBar = [](Rgb c) { return c == Rgb{41, 74, 122}; };
    EXPECT_GT(countIn(end, 320, 0, 640, 60, titleBar), 1000);
    EXPECT_LT(countIn(running, 320, 0, 640, 60, titleBar), 50);
}

TEST_F(ClipTest, CanvasOnlyIsRefusedWhereThereIsNoWorldToLeaveOut) {
    const std::string log = oneSecondFlight();
    hosttest::writeFile(dir.file("s.json"), R"({"canvas": [64, 48]})");
    struct Case {
        std::string what;
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {"a scene file",
         {dir.file("s.json"), "--canvas-only"},
         "--canvas-only applies to a flight log"},
        {"the demo", {"--canvas-only"}, "--canvas-only applies to a flight log"},
        {"a plot alone",
         {log, "--plot", dir.file("p.png"), "--canvas-only"},
         "--canvas-only applies to pictures and --video"},
        {"the demo's scene",
         {"--save-demo-scene", dir.file("d.json"), "--canvas-only"},
         "excludes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult r = render(c.args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"flight.log", "s.json"}));
    }
}

}  // namespace
