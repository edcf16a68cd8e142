// Flight logs through the built trimsight-host: `export` writes the scene a
// log plays as, and `trace` and `render` play a log given directly exactly as
// they play its export.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testkit/ProgramRunner.h"
#include "testkit/TestFlights.h"

namespace {

namespace fs = std::filesystem;
using hosttest::lines;
using hosttest::readFile;
using hosttest::RunResult;
using hosttest::TempDir;
using hosttest::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;

class FlightCommands : public ::testing::Test {
  protected:
    RunResult run(std::vector<std::string> args) {
        // No saved settings: the plugin's defaults, whatever the user keeps.
        args.insert(args.begin(), {"--config", dir.file("no-config.json")});
        RunResult r = hosttest::runHost(args, {{"HOME", dir.path()}});
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_THAT(r.err, Not(HasSubstr("Sanitizer")));
        EXPECT_THAT(r.err, Not(HasSubstr("runtime error")));
        return r;
    }
    // The test flight's log, in a file of this name.
    std::string flightFile(const std::string& name = "flight.log", uint32_t ticks = 240) {
        writeFile(dir.file(name), sandbox::formatFlightLog(hosttest::testFlight(7, ticks)));
        return dir.file(name);
    }
    std::size_t frameCount(const std::string& trace) {
        std::size_t n = 0;
        for (const std::string& line : lines(trace)) n += line.rfind("frame ", 0) == 0 ? 1 : 0;
        return n;
    }

    TempDir dir;
};

TEST_F(FlightCommands, AnExportedSceneTracesExactlyAsTheLogGivenDirectly) {
    struct Case {
        std::vector<std::string> options;
        std::size_t frames;  // 240 ticks: one frame at time 0 and one every N ticks
    };
    const Case cases[] = {
        {{}, 121},                                      // 60 a second, 1920 by 1080
        {{"--fps", "24", "--canvas", "1280x720"}, 49},  // every 5 ticks
        {{"--fps", "120"}, 241},
        {{"--fps", "1", "--canvas", "640x480"}, 3},
    };
    // Recognised by its first line: a log named .json plays as a log.
    const std::string log = flightFile("flight.json");
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        std::vector<std::string> exportArgs = {"export", log, "-o", dir.file("scene.json")};
        exportArgs.insert(exportArgs.end(), c.options.begin(), c.options.end());
        const RunResult exported = run(exportArgs);
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        EXPECT_THAT(exported.out, HasSubstr("wrote " + dir.file("scene.json") + ": " +
                                            std::to_string(c.frames) + " frames"));

        const RunResult ofScene = run({"trace", dir.file("scene.json")});
        std::vector<std::string> direct = {"trace", log};
        direct.insert(direct.end(), c.options.begin(), c.options.end());
        const RunResult ofLog = run(direct);
        ASSERT_EQ(ofScene.exitCode, 0) << ofScene.err;
        ASSERT_EQ(ofLog.exitCode, 0) << ofLog.err;
        EXPECT_EQ(ofLog.err, "");
        EXPECT_EQ(frameCount(ofLog.out), c.frames);
        EXPECT_TRUE(ofLog.out == ofScene.out) << "the traces differ";
        EXPECT_THAT(ofLog.out, HasSubstr("FillTriangle"));  // the dial is drawn
    }
}

TEST_F(FlightCommands, ExportWritesToStandardOutputWithoutOutputOrWithADash) {
    const std::string log = flightFile();
    const RunResult toFile = run({"export", log, "-o", dir.file("scene.json")});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    const std::string scene = readFile(dir.file("scene.json")).value_or("");
    ASSERT_THAT(scene, ::testing::StartsWith("{\"frames\": [\n{\"canvas\": [1920, 1080]"));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export", log}, {"export", log, "-o", "-"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out == scene);
        EXPECT_EQ(r.err, "");
    }
}

// Without --canvas-only a log's pictures show the world beneath the dial
// (tests/picture/video_command_test.cpp); with it, byte for byte its export's.
TEST_F(FlightCommands, RenderDrawsALogAsTheSamePicturesAsItsExport) {
    const std::string log = flightFile("flight.log", 24);
    ASSERT_EQ(run({"export", log, "--fps", "10", "--canvas", "160x90", "-o", dir.file("s.json")})
                  .exitCode,
              0);
    const RunResult ofLog = run({"render", log, "--fps", "10", "--canvas", "160x90",
                                 "--canvas-only", "-o", dir.file("from-log")});
    const RunResult ofScene = run({"render", dir.file("s.json"), "-o", dir.file("from-scene")});
    ASSERT_EQ(ofLog.exitCode, 0) << ofLog.err;
    ASSERT_EQ(ofScene.exitCode, 0) << ofScene.err;
    EXPECT_THAT(ofLog.out, HasSubstr("wrote 3 frames to " + dir.file("from-log")));
    for (const char* frame : {"frame-0000.png", "frame-0001.png", "frame-0002.png"}) {
        const auto a = readFile(dir.file("from-log/") + frame);
        ASSERT_TRUE(a) << frame;
        EXPECT_TRUE(a == readFile(dir.file("from-scene/") + frame)) << frame;
    }
}

TEST_F(FlightCommands, ABadLogIsExitFourWithItsFileLineAndWhatIsWrong) {
    const std::string good = sandbox::formatFlightLog(hosttest::testFlight(7, 4));
    struct Case {
        const char* name;
        std::string text;
        std::string message;  // after "FILE:"
    };
    std::string badTick = good;
    badTick.replace(badTick.find("\n2 "), 3, "\n2 x");
    const Case cases[] = {
        {"newer version", "trimsight-flight 99\n",
         "1: written by a newer version of the format (99); this program reads versions up to 4"},
        {"bad tick", badTick, std::to_string(lines(good).size() - 2) + ": "},
        {"cut short", good.substr(0, good.find("ticks\n")), ""},
        {"comment, then no header", "# my flight\n{}\n", "2: not a flight log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file("bad.log"), c.text);
        for (const char* command : {"export", "trace", "render"}) {
            std::vector<std::string> args = {command, dir.file("bad.log")};
            if (command != std::string("trace")) args.insert(args.end(), {"-o", dir.file("out")});
            const RunResult r = run(args);
            EXPECT_EQ(r.exitCode, 4) << command;
            EXPECT_THAT(r.err, ::testing::StartsWith("trimsight-host: " + dir.file("bad.log") +
                                                     ":" + c.message))
                << command;
            EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
            EXPECT_FALSE(fs::exists(dir.file("out"))) << command;
        }
    }
    // A console variable the plugin never registered stops the run before
    // its first frame, naming the frame that brings it.
    sandbox::FlightLog log = hosttest::testFlight(7, 10);
    log.events.clear();
    log.ticks.resize(5);
    log.recordCVar("no_such_variable", "1");
    log.recordTick({});
    writeFile(dir.file("unknown.log"), sandbox::formatFlightLog(log));
    const RunResult r = run({"trace", dir.file("unknown.log")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "trimsight-host: " + dir.file("unknown.log") +
                         ": at frame 3 (tick 6): the plugin registered no console variable "
                         "\"no_such_variable\"\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(FlightCommands, FrameOptionsOutOfRangeOrWithoutALogAreUsageErrors) {
    const std::string log = flightFile();
    writeFile(dir.file("scene.log"), R"({"canvas": [16, 16]})");  // a scene, whatever its name
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"export", log, "--fps", "7"}, "--fps 7: the frame rate must divide the 120 ticks"},
        {{"trace", log, "--fps", "0"}, "--fps 0: the frame rate must divide"},
        {{"trace", log, "--fps", "-60"}, "--fps -60: the frame rate must divide"},
        {{"render", log, "--fps", "240"}, "--fps 240: the frame rate must divide"},
        {{"export", log, "--canvas", "0x1080"}, "--canvas 0x1080: the canvas must be 1 to 16384"},
        {{"export", log, "--canvas", "1920x16385"}, "the canvas must be 1 to 16384"},
        {{"trace", log, "--canvas", "wide"}, "--canvas \"wide\": expected WIDTHxHEIGHT"},
        {{"trace", log, "--canvas", "1920x"}, "expected WIDTHxHEIGHT"},
        {{"trace", dir.file("scene.log"), "--fps", "30"},
         dir.file("scene.log") + " is a scene file; --fps and --canvas apply to a flight log"},
        {{"render", "--canvas", "64x64"},
         "--fps and --canvas apply to a flight log, not to the "
         "built-in demo"},
        {{"export", log, "-o", log},
         "-o " + log + " is the flight log " + log + " itself; not writing over it"},
    };
    const auto before = readFile(log);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(readFile(log) == before);
    // The scene named .log plays as the scene it is.
    EXPECT_EQ(run({"trace", dir.file("scene.log")}).exitCode, 0);
}

TEST_F(FlightCommands, AnExportThatCannotBeWrittenIsExitEightAndLeavesNothing) {
    const std::string log = flightFile();
    RunResult r = run({"export", log, "-o", dir.file("missing/scene.json")});
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_THAT(r.err, HasSubstr("cannot write " + dir.file("missing/scene.json") +
                                 ": cannot create a temporary file"));
    // Through a link to the log: still the log itself, still refused.
    fs::create_symlink(log, dir.file("link.json"));
    r = run({"export", log, "-o", dir.file("link.json")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(readFile(log).value_or(""), ::testing::StartsWith("trimsight-flight 3\n"));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"flight.log", "link.json"}));
}

}  // namespace
