// `trimsight-host fly` run as a program: a scripted keyboard flight on the
// offscreen driver records its log and picture; no display, a bad script and
// options that cannot work each end with one clear line and their exit code.
#include <gtest/gtest.h>

#include <string>

#include "desktop/InputFile.h"
#include "picture/Png.h"
#include "sandbox/FlightLog.h"
#include "testkit/ProgramRunner.h"

namespace {

using hosttest::RunResult;

class FlyProgram : public ::testing::Test {
  protected:
    RunResult fly(const std::vector<std::string>& args,
                  const std::map<std::string, std::optional<std::string>>& env = {}) {
        std::vector<std::string> all{"--config", dir.file("config.json"), "fly"};
        all.insert(all.end(), args.begin(), args.end());
        RunResult r = hosttest::runHost(all, env);
        EXPECT_EQ(r.signal, 0) << r.err;
        return r;
    }
    hosttest::TempDir dir;
};

TEST_F(FlyProgram, AKeyboardScriptFliesAndRecordsTheFlightAndItsLastFrame) {
    // Space jumps; S (nose up) held for half a second; then Q rolls left.
    hosttest::writeFile(dir.file("flight.fly"),
                        "0    key down Space\n"
                        "0.1  key down S\n"
                        "0.3  key up Space\n"
                        "0.6  key up S\n"
                        "0.6  key down Q\n"
                        "1    end\n");
    const RunResult r =
        fly({"--video-driver", "offscreen", "--script", dir.file("flight.fly"), "--record",
             dir.file("flight.log"), "--screenshot", dir.file("shot.png"), "--size", "640x360"});
    if (r.exitCode == 1 && r.err.find("OpenGL") != std::string::npos)
        GTEST_SKIP() << "no OpenGL context on the offscreen driver here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("wrote " + dir.file("shot.png")), std::string::npos) << r.out;

    const auto log = desktop::loadFlightLog(dir.file("flight.log"));
    ASSERT_TRUE(log.ok()) << log.error();
    // One second of 120 ticks (60 frames of exactly a sixtieth).
    ASSERT_EQ(log->ticks.size(), 120u);
    EXPECT_TRUE(log->ticks[0].jump);
    EXPECT_EQ(log->ticks[30].pitch, 1.0f);
    EXPECT_EQ(log->ticks[30].roll, 0.0f);
    EXPECT_EQ(log->ticks[100].pitch, 0.0f);
    EXPECT_EQ(log->ticks[100].roll, -1.0f);
    // Replayed, the flight ends in the air, nose up, rolling left.
    sandbox::FlightReplay replay(*log);
    while (!replay.finished()) replay.step();
    const sandbox::CarState& car = replay.world().car;
    EXPECT_FALSE(car.onGround);
    EXPECT_GT(car.attitude.forward.z, 0.2f);
    EXPECT_LT(sandbox::ratesInCarAxes(car.attitude, car.spin).roll, -1.0f);

    const auto shot = picture::readPng(dir.file("shot.png"));
    ASSERT_TRUE(shot) << shot.error();
    EXPECT_EQ(shot->width, 640);
    EXPECT_EQ(shot->height, 360);
}

TEST_F(FlyProgram, WithoutADisplayItSaysWhyAndNamesTheOffscreenDriver) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {"no DISPLAY", {"--seconds", "1"}, "x11 not available (DISPLAY is not set)"},
        {"a driver that does not exist",
         {"--video-driver", "nosuch", "--seconds", "1"},
         "nosuch not available"},
    };
    for (const Case& c : cases) {
        const RunResult r = fly(c.args, {{"DISPLAY", std::nullopt},
                                         {"WAYLAND_DISPLAY", std::nullopt},
                                         {"SDL_VIDEODRIVER", std::nullopt}});
        EXPECT_EQ(r.exitCode, 1) << c.what;
        EXPECT_EQ(r.err, std::string("trimsight-host: cannot open a window: ") + c.reason +
                             "; to fly without a screen, use --video-driver offscreen\n")
            << c.what;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(FlyProgram, ABadScriptIsNamedWithItsLineAndNothingFlies) {
    hosttest::writeFile(dir.file("bad.fly"), "0 stick 0 1\n0.5 key down Z\n");
    const RunResult r = fly({"--video-driver", "offscreen", "--seconds", "1", "--script",
                             dir.file("bad.fly"), "--record", dir.file("never.log")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "trimsight-host: " + dir.file("bad.fly") +
                         ":2: no key \"Z\" is bound (see the help overlay, F1)\n");
    EXPECT_FALSE(hosttest::readFile(dir.file("never.log")));

    const RunResult missing = fly({"--script", dir.file("none.fly")});
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_EQ(missing.err, "trimsight-host: " + dir.file("none.fly") +
                               ": cannot read the script: No such file or directory\n");
}

TEST_F(FlyProgram, OptionsThatCannotWorkAreRefusedBeforeAnythingStarts) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string error;
    };
    const Case cases[] = {
        {{"--video-driver", "offscreen"},
         2,
         "--video-driver offscreen shows nothing to close: give --seconds N, a script with an "
         "end line or --drill NAME"},
        {{"--autopilot", "--seconds", "1"},
         2,
         "--autopilot flies drills, courses and packs: give --drill, --course or --pack"},
        {{"--drill", "recovery", "--autopilot", "--script", dir.file("any.fly")},
         2,
         "--autopilot and --script both fly the car: give one of them"},
        {{"--size", "1280by720"},
         2,
         "--size: expected WIDTHxHEIGHT, each 1 to 8192, got 1280by720"},
        {{"--size", "0x720"}, 2, "--size: expected WIDTHxHEIGHT, each 1 to 8192, got 0x720"},
        {{"--seconds", "-3"}, 2, "--seconds: expected a number of seconds from 0 to 86400"},
        {{"--seconds", "1", "--record", dir.file("no/such/folder/f.log")},
         8,
         "cannot write the flight log " + dir.file("no/such/folder/f.log") + ": no folder " +
             dir.file("no/such/folder")},
    };
    hosttest::writeFile(dir.file("any.fly"), "0 stick 0 1\n");
    for (const Case& c : cases) {
        const RunResult r = fly(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.error;
        EXPECT_EQ(r.err, "trimsight-host: " + c.error + "\n");
    }
}

// The player's controls file beside the config: read at the start (the
// dead zone and sensitivity shape the recorded stick, a dodge dead zone is
// in the log), a bad line a warning that keeps its default, the file left
// as it was when nothing was changed; a newer version flies the defaults.
TEST_F(FlyProgram, TheControlsFileBesideTheConfigIsReadWarnedAboutAndNotRewritten) {
    const std::string controls =
        "trimsight-controls 1\n"
        "aerial_sensitivity 0.5\n"
        "dodge_dead_zone 0.75\n"
        "key jump F1\n";
    hosttest::writeFile(dir.file("controls.txt"), controls);
    hosttest::writeFile(dir.file("pull.fly"),
                        "0    stick 0 1\n"
                        "0.5  end\n");
    RunResult r = fly({"--video-driver", "offscreen", "--script", dir.file("pull.fly"), "--record",
                       dir.file("pull.log"), "--size", "320x180"});
    if (r.exitCode == 1 && r.err.find("OpenGL") != std::string::npos)
        GTEST_SKIP() << "no OpenGL context on the offscreen driver here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(dir.file("controls.txt") +
                         ":4: key jump: F1 is the help command's key; pick another; keeping the "
                         "default"),
              std::string::npos)
        << r.err;
    auto log = desktop::loadFlightLog(dir.file("pull.log"));
    ASSERT_TRUE(log.ok()) << log.error();
    ASSERT_FALSE(log->ticks.empty());
    EXPECT_EQ(log->ticks.back().pitch, 0.5f) << "the aerial sensitivity halved the pull";
    EXPECT_EQ(log->options.dodgeDeadZone, 0.75f);
    EXPECT_EQ(*desktop::readInputFile(dir.file("controls.txt"), "controls", 1000), controls);

    hosttest::writeFile(dir.file("controls.txt"), "trimsight-controls 9\naerial_sensitivity 2\n");
    r = fly({"--video-driver", "offscreen", "--script", dir.file("pull.fly"), "--record",
             dir.file("pull.log"), "--size", "320x180"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("written by a newer version of the format (9); this program reads "
                         "version 1; flying with the default controls"),
              std::string::npos)
        << r.err;
    log = desktop::loadFlightLog(dir.file("pull.log"));
    ASSERT_TRUE(log.ok()) << log.error();
    EXPECT_EQ(log->ticks.back().pitch, 1.0f);
    EXPECT_EQ(log->options.dodgeDeadZone, 0.5f);
}

}  // namespace
