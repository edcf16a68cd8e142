// trimsight-host end to end: the built program with the built plugin.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testkit/ProgramRunner.h"

namespace {

using hosttest::lines;
using hosttest::readFile;
using hosttest::RunResult;
using hosttest::TempDir;
using hosttest::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// A level car at the origin and the ball straight ahead of its nose.
constexpr const char* kLevelCarBallAhead = R"({"ball": {"location": [1000, 0, 0]}})";

class HostProgram : public ::testing::Test {
  protected:
    // Every run gets a private config directory so no test reads or writes
    // the user's settings.
    // Both configuration homes exist, as they do for a user.
    void SetUp() override {
        std::filesystem::create_directory(dir.file("xdg"));
        std::filesystem::create_directory(dir.file("home"));
    }
    RunResult run(const std::vector<std::string>& args,
                  std::map<std::string, std::optional<std::string>> env = {}) {
        env.emplace("XDG_CONFIG_HOME", dir.file("xdg"));
        env.emplace("HOME", dir.file("home"));
        RunResult r = hosttest::runHost(args, env);
        EXPECT_THAT(r.err, Not(HasSubstr("Sanitizer")));
        EXPECT_THAT(r.err, Not(HasSubstr("runtime error")));
        return r;
    }
    std::string scene(const std::string& text, const std::string& name = "scene.json") {
        writeFile(dir.file(name), text);
        return dir.file(name);
    }
    RunResult trace(const std::string& sceneText) { return run({"trace", scene(sceneText)}); }
    std::string defaultConfig() const { return dir.file("xdg") + "/trimsight/config.json"; }

    TempDir dir;
};

// Lines of one frame's calls, without the "frame N" line.
std::vector<std::string> frameCalls(const std::string& out, int frame) {
    std::vector<std::string> calls;
    bool inside = false;
    for (const std::string& line : lines(out)) {
        if (line.rfind("frame ", 0) == 0) {
            inside = line == "frame " + std::to_string(frame);
            continue;
        }
        if (inside) calls.push_back(line);
    }
    return calls;
}

long countPrefix(const std::vector<std::string>& calls, const std::string& prefix) {
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

// The three calls that draw a ball dot in front: colour, corner, size.
bool hasBallDot(const std::vector<std::string>& calls, const std::string& position,
                const std::string& box) {
    for (std::size_t i = 0; i + 2 < calls.size(); ++i)
        if (calls[i] == "SetColor 0 0 255 255" && calls[i + 1] == position && calls[i + 2] == box)
            return true;
    return false;
}

TEST_F(HostProgram, InfoShowsTheRecordTheConsoleAndTheVariables) {
    const RunResult r = run({"info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto out = lines(r.out);
    EXPECT_THAT(out, ::testing::Contains("class: Trimsight"));
    EXPECT_THAT(out, ::testing::Contains("display name: Trimsight Training Tool for Aerials"));
    EXPECT_THAT(out, ::testing::Contains("version: 1.2.0.768"));
    EXPECT_THAT(out, ::testing::Contains("API version: 95"));
    EXPECT_THAT(out, ::testing::Contains("type flags: 3"));
    EXPECT_THAT(r.out, HasSubstr("source path: "));
    EXPECT_THAT(r.out, HasSubstr("Trimsight.cpp\n"));
    EXPECT_THAT(r.out, HasSubstr("console:\n  Plugin loaded!\nvariables:\n"));
    EXPECT_THAT(out, ::testing::Contains(
                         "  trimsight_target = \"4.0\"; default \"4.0\"; minimum 0; maximum 6; "
                         "flags: searchable, saved; \"What you aim at\""));
    EXPECT_THAT(out, ::testing::Contains("  trimsight_size = \"3.3\"; default \"3.3\"; minimum 2; "
                                         "maximum 5; flags: searchable, saved; \"The size of the "
                                         "trimsight\""));
    for (const char* name :
         {"trimsight_enabled", "peripheral_mode_enabled", "x_position", "y_position"})
        EXPECT_THAT(r.out, HasSubstr(std::string("  ") + name + " = ")) << name;
}

TEST_F(HostProgram, TraceOfALevelCarWithDefaultSettings) {
    const RunResult r = trace(kLevelCarBallAhead);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto all = lines(r.out);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front(), "frame 0");
    EXPECT_EQ(countPrefix(all, "frame "), 1);
    const auto calls = frameCalls(r.out, 0);
    ASSERT_FALSE(calls.empty());

    // Dial radius 158, centre (645, 832), dot size 23.
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "SetColor 20 20 20 255");
    // Background disc (radius 1.1 x 173) and ground disc (158) start at the left.
    EXPECT_EQ(calls[1], "FillTriangle 645 832 455 832 457 803");
    EXPECT_THAT(calls, ::testing::Contains("FillTriangle 645 832 487 832 489 808"));
    // Ball straight ahead: a full-size dot centred on the dial.
    EXPECT_TRUE(hasBallDot(calls, "SetPosition 634 821", "FillBox 23 23"));
    // Discs 40 + 40, sky 38; no target marker (the velocity target needs
    // motion) and no stick indicator; one box; no velocity dot.
    EXPECT_EQ(countPrefix(calls, "FillTriangle "), 118);
    EXPECT_EQ(countPrefix(calls, "FillBox "), 1);
    EXPECT_EQ(countPrefix(calls, "SetPosition "), 1);
    // The centre symbol closes the frame.
    ASSERT_GE(calls.size(), 5u);
    const std::vector<std::string> tail(calls.end() - 5, calls.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"SetColor 0 0 0 255", "DrawLine 590 832 631 832 6",
                                        "DrawLine 629 832 647 848 6", "DrawLine 643 848 661 832 6",
                                        "DrawLine 659 832 700 832 6"}));
    for (const std::string& line : calls)
        EXPECT_THAT(line, ::testing::MatchesRegex(
                              "(SetColor|SetPosition|FillBox|FillTriangle|DrawLine)( -?[0-9]+)+"))
            << line;
}

struct NothingDrawnCase {
    const char* name;
    const char* scene;
};

class NothingDrawn : public HostProgram, public ::testing::WithParamInterface<NothingDrawnCase> {};

TEST_P(NothingDrawn, OnlyTheFrameLine) {
    const RunResult r = trace(GetParam().scene);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "frame 0\n");
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Gating, NothingDrawn,
    ::testing::Values(
        NothingDrawnCase{"Disabled", R"({"cvars": {"trimsight_enabled": "0"}})"},
        NothingDrawnCase{"EnabledRemoved", R"({"cvars": {"trimsight_enabled": null}})"},
        NothingDrawnCase{"Paused", R"({"game": {"paused": true}})"},
        NothingDrawnCase{"InReplay", R"({"game": {"replay": true}})"},
        NothingDrawnCase{"NeitherFreeplayNorTraining", R"({"game": {"freeplay": false}})"},
        NothingDrawnCase{"NoBall", R"({"ball": null})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostProgram, CustomTrainingOutsideFreeplayDraws) {
    const RunResult r = trace(R"({"game": {"freeplay": false, "custom_training": true}})");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(lines(r.out).front(), "frame 0");
    EXPECT_GT(lines(r.out).size(), 100u);
}

TEST_F(HostProgram, ReplayBeginsAndEndsAcrossFrames) {
    // Frame 2 inherits the replay from frame 1; frame 3 ends it.
    const RunResult r = trace(R"({"frames": [{"ball": {"location": [1000, 0, 0]}},
        {"game": {"replay": true}}, {}, {"game": {"replay": false}}, {}]})");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(countPrefix(lines(r.out), "frame "), 5);
    EXPECT_TRUE(frameCalls(r.out, 1).empty());
    EXPECT_TRUE(frameCalls(r.out, 2).empty());
    const auto first = frameCalls(r.out, 0);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(frameCalls(r.out, 3), first);
    EXPECT_EQ(frameCalls(r.out, 4), first);
}

TEST_F(HostProgram, FramesInheritWhatTheyDoNotGive) {
    // Frame 1 changes only the canvas, frame 2 removes the ball, frame 3
    // brings it back where it was.
    const RunResult r = trace(R"({"frames": [{"ball": {"location": [1000, 0, 0]}},
        {"canvas": [1280, 720], "cvars": {"x_position": "0.5", "y_position": "0.5"}},
        {"ball": null}, {"ball": {}}]})");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(countPrefix(lines(r.out), "frame "), 4);
    EXPECT_TRUE(frameCalls(r.out, 2).empty());
    EXPECT_TRUE(hasBallDot(frameCalls(r.out, 0), "SetPosition 634 821", "FillBox 23 23"));
    // 1280 x 720 at the middle: centre (640, 360), dot size 23.
    EXPECT_TRUE(hasBallDot(frameCalls(r.out, 1), "SetPosition 629 349", "FillBox 23 23"));
    EXPECT_EQ(frameCalls(r.out, 3), frameCalls(r.out, 1));
}

TEST_F(HostProgram, SceneVariablesAreRawRemovableAndComeBack) {
    const RunResult r = trace(R"({"frames": [
        {"ball": {"location": [1000, 0, 0]}, "cvars": {"trimsight_size": "9"}},
        {"cvars": {"trimsight_size": null}},
        {"cvars": {"trimsight_enabled": null}},
        {"cvars": {"trimsight_enabled": "1", "trimsight_size": "3.3"}}]})");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(countPrefix(lines(r.out), "frame "), 4);
    EXPECT_TRUE(frameCalls(r.out, 2).empty());
    // Size 9 is not clamped to 5: radius 432, centre (766, 591), dot size 63.
    EXPECT_TRUE(hasBallDot(frameCalls(r.out, 0), "SetPosition 735 560", "FillBox 63 63"));
    // Removed: the plugin's fallback 3.3.
    EXPECT_TRUE(hasBallDot(frameCalls(r.out, 1), "SetPosition 634 821", "FillBox 23 23"));
    // Re-created with its registration and the given text.
    EXPECT_EQ(frameCalls(r.out, 3), frameCalls(r.out, 1));
}

TEST_F(HostProgram, SetGetRoundTripThroughTheConfigFile) {
    RunResult r = run({"get", "trimsight_size"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "3.3\n");

    r = run({"set", "trimsight_size", "4.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const auto saved = readFile(defaultConfig());
    ASSERT_TRUE(saved);
    EXPECT_THAT(*saved, HasSubstr("\"trimsight_size\": \"4.5\""));
    EXPECT_THAT(*saved, HasSubstr("\"trimsight_target\": \"4.0\""));

    r = run({"get", "trimsight_size"});
    EXPECT_EQ(r.out, "4.5\n");
    EXPECT_EQ(r.err, "");

    // The next run draws with it: dot size trunc(4.5 x 7) = 31.
    r = trace(kLevelCarBallAhead);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto calls = frameCalls(r.out, 0);
    EXPECT_THAT(calls, ::testing::Contains("FillBox 31 31"));

    // Scene variables are never saved.
    EXPECT_EQ(*readFile(defaultConfig()), *saved);
}

TEST_F(HostProgram, SetKeepsValuesInsideTheBounds) {
    RunResult r = run({"set", "trimsight_size", "9"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("outside trimsight_size's range [2, 5]"));
    EXPECT_EQ(run({"get", "trimsight_size"}).out, "5\n");
    r = run({"set", "trimsight_target", "-3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(run({"get", "trimsight_target"}).out, "0\n");
    EXPECT_EQ(run({"get", "trimsight_size"}).out, "5\n");
}

TEST_F(HostProgram, ConfigOptionAndHomeFallback) {
    const std::string custom = dir.file("custom.json");
    ASSERT_EQ(run({"--config", custom, "set", "x_position", "0.25"}).exitCode, 0);
    EXPECT_FALSE(readFile(defaultConfig()));
    EXPECT_EQ(run({"get", "x_position", "--config", custom}).out, "0.25\n");
    EXPECT_EQ(run({"get", "x_position"}).out, "0.3\n");

    // Without XDG_CONFIG_HOME the settings live under ~/.config.
    RunResult r = run({"set", "y_position", "0.5"}, {{"XDG_CONFIG_HOME", std::nullopt}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(readFile(dir.file("home") + "/.config/trimsight/config.json"));
}

TEST_F(HostProgram, ConfigKeepsOtherEntriesAndClampsLoadedValues) {
    const std::string path = dir.file("c.json");
    writeFile(path, R"({"other_plugin_var": "abc", "trimsight_size": "50", "x_position": "1.0"})");
    EXPECT_EQ(run({"--config", path, "get", "trimsight_size"}).out, "5\n");
    EXPECT_EQ(run({"--config", path, "get", "x_position"}).out, "1.0\n");
    ASSERT_EQ(run({"--config", path, "set", "y_position", "0.1"}).exitCode, 0);
    const auto text = readFile(path);
    EXPECT_THAT(*text, HasSubstr("\"other_plugin_var\": \"abc\""));
    EXPECT_THAT(*text, HasSubstr("\"y_position\": \"0.1\""));
}

TEST_F(HostProgram, CorruptConfigWarnsUsesDefaultsAndIsLeftAlone) {
    const std::string path = dir.file("bad.json");
    const std::string corrupt = "{\"trimsight_size\": \"4\",\n  oops";
    writeFile(path, corrupt);
    RunResult r = run({"--config", path, "get", "trimsight_size"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "3.3\n");
    EXPECT_THAT(r.err, StartsWith("trimsight-host: warning: " + path + ": corrupt config file: "));
    EXPECT_THAT(r.err, HasSubstr("line 2"));
    EXPECT_EQ(lines(r.err).size(), 1u);

    // A set does not overwrite it either.
    r = run({"--config", path, "set", "trimsight_size", "4"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_THAT(r.err, HasSubstr(path + ": not saving over a config file that cannot be read"));
    EXPECT_EQ(*readFile(path), corrupt);

    // Unreadable: a directory where the file should be.
    r = run({"--config", dir.path(), "get", "trimsight_size"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "3.3\n");
    EXPECT_EQ(r.err, "trimsight-host: warning: " + dir.path() +
                         ": cannot read the config file: Is a directory; using the defaults\n");

    // Wrong shapes count as corrupt too; a value that is no number only
    // loses that value.
    writeFile(path, R"({"trimsight_size": 4})");
    r = run({"--config", path, "get", "trimsight_size"});
    EXPECT_EQ(r.out, "3.3\n");
    EXPECT_THAT(r.err, HasSubstr("at trimsight_size: expected a string"));
    writeFile(path, R"({"trimsight_size": "big", "x_position": "0.5"})");
    r = run({"--config", path, "get", "x_position"});
    EXPECT_EQ(r.out, "0.5\n");
    EXPECT_THAT(r.err, HasSubstr("value of trimsight_size is not a number"));
}

TEST_F(HostProgram, UnwritableConfigIsAClearError) {
    writeFile(dir.file("plain-file"), "");
    const std::string path = dir.file("plain-file") + "/config.json";
    RunResult r = run({"--config", path, "set", "trimsight_size", "4"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_THAT(r.err, StartsWith("trimsight-host: " + path + ": cannot write the config file"));
    EXPECT_EQ(lines(r.err).size(), 1u);

    // A directory where the file should be.
    ::mkdir(dir.file("is-a-dir").c_str(), 0700);
    r = run({"--config", dir.file("is-a-dir"), "set", "trimsight_size", "4"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_THAT(r.err, HasSubstr(dir.file("is-a-dir")));
}

struct BadScene {
    const char* name;
    const char* text;
    const char* message;
};

class BadSceneFile : public HostProgram, public ::testing::WithParamInterface<BadScene> {};

TEST_P(BadSceneFile, IsOneLineNamingFilePlaceAndExpectation) {
    const std::string path = scene(GetParam().text);
    const RunResult r = run({"trace", path});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "trimsight-host: " + path + ": " + GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadSceneFile,
    ::testing::Values(
        BadScene{"Truncated", "{\"canvas\": [1920,\n 1080",
                 "line 2, column 6: syntax error while parsing array - unexpected end of input; "
                 "expected ']'"},
        BadScene{"NotJson", "canvas 1920 1080",
                 "line 1, column 1: syntax error while parsing value - invalid literal; last "
                 "read: 'c'"},
        BadScene{"TopLevelArray", "[]",
                 "at top level: expected a frame object or {\"frames\": [...]}, got an array of "
                 "0 elements"},
        BadScene{"UnknownKey", R"({"canvas": [10, 10], "speed": 1})",
                 "at speed: unknown key \"speed\" (expected one of: canvas, game, cvars, car, "
                 "ball)"},
        BadScene{"UnknownNestedKey", R"({"frames": [{}, {"car": {"input": {"yaw": 1}}}]})",
                 "at frames[1].car.input.yaw: unknown key \"yaw\" (expected one of: steer, "
                 "pitch)"},
        BadScene{"CanvasShape", R"({"canvas": [1920]})",
                 "at canvas: expected an array of 2 integers [width, height], got an array of "
                 "1 element"},
        BadScene{"CanvasZero", R"({"canvas": [0, 1080]})",
                 "at canvas[0]: expected an integer from 1 to 16384, got the number 0"},
        BadScene{"FlagNotBool", R"({"game": {"paused": 1}})",
                 "at game.paused: expected true or false, got the number 1"},
        BadScene{"RotationFraction", R"({"car": {"rotation": [0, 0.5, 0]}})",
                 "at car.rotation[1]: expected an integer from -2147483648 to 2147483647, got "
                 "the number 0.5"},
        BadScene{"RotationTooBig", R"({"car": {"rotation": [2147483648, 0, 0]}})",
                 "at car.rotation[0]: expected an integer from -2147483648 to 2147483647, got "
                 "the number 2147483648"},
        BadScene{"LocationString", R"({"ball": {"location": [0, "1", 2]}})",
                 "at ball.location[1]: expected a number, got the string \"1\""},
        BadScene{"FloatRange", R"({"car": {"velocity": [0, 0, 1e39]}})",
                 "at car.velocity[2]: expected a number within the 32-bit float range, got the "
                 "number 1e+39"},
        BadScene{"CVarNumber", R"({"cvars": {"trimsight_size": 4}})",
                 "at cvars.trimsight_size: expected a string (the value's text) or null (remove "
                 "the variable), got the number 4"},
        BadScene{"CVarUnknown", R"({"frames": [{}, {"cvars": {"trimsight_colour": "1"}}]})",
                 "at frames[1].cvars.trimsight_colour: the plugin registered no console "
                 "variable \"trimsight_colour\""},
        BadScene{"BallNumber", R"({"ball": 5})",
                 "at ball: expected an object with location, velocity, or null (no ball), got "
                 "the number 5"},
        BadScene{"EmptyFrames", R"({"frames": []})",
                 "at frames: expected a non-empty array of frame objects, got an array of 0 "
                 "elements"},
        BadScene{"FramesAndMore", R"({"frames": [{}], "canvas": [1, 1]})",
                 "at canvas: unknown key \"canvas\" (a file with \"frames\" has no other "
                 "top-level key)"},
        BadScene{"DuplicateKey", R"({"car": {"location": [0, 0, 0], "location": [1, 1, 1]}})",
                 "at car.location: duplicate key \"location\" (each key may appear once per "
                 "object)"},
        BadScene{"ControlCharacterKey", "{\"a\\u0001\": 1}",
                 "at [\"a\\u0001\"]: unknown key \"a\\u0001\" (expected one of: canvas, game, "
                 "cvars, car, ball)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostProgram, DeepNestingAndUnreadableScenes) {
    RunResult r = trace(std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_THAT(r.err, HasSubstr("nested deeper than 64 levels"));
    EXPECT_EQ(lines(r.err).size(), 1u);

    r = run({"trace", dir.file("missing.json")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "trimsight-host: " + dir.file("missing.json") +
                         ": cannot read the scene file: No such file or directory\n");
    r = run({"trace", dir.path()});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_THAT(r.err, HasSubstr("cannot read the scene file"));
}

struct BadCommand {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    const char* message;
};

class BadCommandLine : public HostProgram, public ::testing::WithParamInterface<BadCommand> {};

TEST_P(BadCommandLine, ExitsWithItsCodeAndOneLine) {
    const RunResult r = run(GetParam().args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode);
    EXPECT_EQ(r.signal, 0);
    EXPECT_THAT(r.err, HasSubstr(GetParam().message));
    EXPECT_THAT(r.err, StartsWith("trimsight-host: "));
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadCommandLine,
    ::testing::Values(
        BadCommand{"NoSubcommand", {}, 2, "A subcommand is required"},
        BadCommand{
            "UnknownCommand", {"bogus"}, 2, "unknown command \"bogus\" (commands: info, trace"},
        BadCommand{"UnknownOption", {"--frobnicate", "info"}, 2, "--frobnicate"},
        BadCommand{"TraceWithoutScene", {"trace"}, 2, "SCENE is required"},
        BadCommand{"SetWithoutValue", {"set", "trimsight_size"}, 2, "VALUE is required"},
        BadCommand{"EmptyPluginPath", {"--plugin", "", "info"}, 2, "needs a non-empty value"},
        BadCommand{"MissingPlugin",
                   {"--plugin", "/nonexistent/libtrimsight.so", "info"},
                   3,
                   "cannot load plugin library /nonexistent/libtrimsight.so"},
        BadCommand{"PluginNotALibrary",
                   {"--plugin", TRIMSIGHT_HOST_PATH "/x", "info"},
                   3,
                   "cannot load plugin library"},
        BadCommand{"WrongApiVersion",
                   {"--plugin", FAKE_PLUGIN_WRONG_API, "info"},
                   3,
                   "plugin API version 94, this host needs 95"},
        BadCommand{"NoEntryPoints",
                   {"--plugin", FAKE_PLUGIN_NO_ENTRY_POINTS, "info"},
                   3,
                   "missing entry point 'getPlugin' or 'deleteMe'"},
        BadCommand{"NoRecord",
                   {"--plugin", FAKE_PLUGIN_NO_RECORD, "info"},
                   3,
                   "no plugin record 'exports'"},
        BadCommand{"CreateGivesNullPointer",
                   {"--plugin", FAKE_PLUGIN_NULL_PLUGIN, "info"},
                   3,
                   FAKE_PLUGIN_NULL_PLUGIN
                   ": the plugin's create function returned a null pointer"},
        BadCommand{"CreateGivesEmptyPointer",
                   {"--plugin", FAKE_PLUGIN_EMPTY_PLUGIN, "get", "x_position"},
                   3,
                   FAKE_PLUGIN_EMPTY_PLUGIN
                   ": the plugin's create function returned an empty plugin pointer"},
        BadCommand{"GetUnknown",
                   {"get", "trimsight_colour"},
                   5,
                   "no console variable named \"trimsight_colour\""},
        BadCommand{"SetUnknown", {"set", "nope", "1"}, 5, "no console variable named \"nope\""},
        BadCommand{"SetNotANumber",
                   {"set", "x_position", "left"},
                   5,
                   "x_position: \"left\" is not a number"},
        BadCommand{"SetNan", {"set", "x_position", "nan"}, 5, "is not a number"},
        BadCommand{"SetInfinity", {"set", "x_position", "-inf"}, 5, "is not a number"},
        BadCommand{"TraceMissingPlugin",
                   {"--plugin", "/nonexistent.so", "trace", "/nonexistent.json"},
                   4,
                   "cannot read the scene file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostProgram, PluginNextToAScriptIsPassedAsAPath) {
    // A bare file name is a file in the current directory, not a library
    // searched for on the system's path.
    const RunResult r = run({"--plugin", "libc.so.6", "info"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_THAT(r.err, HasSubstr("./libc.so.6"));
}

// `pack` and `course`, one implementation: a file becomes a code and the
// code the same file again; each refuses what is not its kind, a damaged
// code, a missing file and an output over the program's own files, and
// writes nothing then.
TEST_F(HostProgram, PackAndCourseCodesComeBackAsTheirFilesAndRefuseWhatIsNotTheirKind) {
    const std::string course =
        "trimsight-course 1\n# mine\nname my-ring\nring at 0 0 500 facing 0 1 0 radius 300\n";
    const std::string pack =
        "trimsight-pack 1\nname \"Mine\"\nshot\nball location 0 0 93\nball velocity 0 0 0\n"
        "ball spin 0 0 0\ncar location 0 -3000 17.03\ncar heading 90\ncar speed 0\n"
        "car boost 100\ncar on_ground 1\ngoal +y\ntime_limit 8\n";
    writeFile(dir.file("my.course"), course);
    writeFile(dir.file("my.pack"), pack);
    const struct {
        const char* kind;
        std::string file;
        std::string text;
        std::string wrote;
    } kinds[] = {{"course", dir.file("my.course"), course, "course my-ring, 1 rings"},
                 {"pack", dir.file("my.pack"), pack, "\"Mine\", 1 shots"}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind);
        const RunResult code = run({k.kind, "code", k.file});
        ASSERT_EQ(code.exitCode, 0) << code.err;
        ASSERT_EQ(lines(code.out).size(), 1u);
        const std::string theCode = lines(code.out)[0];
        std::string damaged = theCode;
        damaged[damaged.size() / 2] = damaged[damaged.size() / 2] == 'A' ? 'B' : 'A';
        const RunResult printed = run({k.kind, "file", theCode});
        EXPECT_EQ(printed.exitCode, 0) << printed.err;
        EXPECT_EQ(printed.out, k.text);
        const RunResult written = run({k.kind, "file", theCode, "-o", dir.file("back")});
        EXPECT_EQ(written.exitCode, 0) << written.err;
        EXPECT_EQ(written.out, "wrote " + dir.file("back") + ": " + k.wrote + "\n");
        EXPECT_EQ(readFile(dir.file("back")), k.text);

        // The other kind's file and code, a damaged code, a missing file.
        const std::string other = k.kind == std::string("pack") ? "course" : "pack";
        const std::string otherFile = dir.file("my." + other);
        const RunResult otherCode = run({other, "code", otherFile});
        ASSERT_EQ(otherCode.exitCode, 0);
        const std::string notOne =
            "not a " + std::string(k.kind) + ": expected \"trimsight-" + k.kind + " 1\"\n";
        const struct {
            std::vector<std::string> args;
            int exitCode;
            std::string error;
        } refused[] = {
            {{k.kind, "code", otherFile}, 4, otherFile + ":1: " += notOne},
            {{k.kind, "file", lines(otherCode.out)[0], "-o", dir.file("never")},
             4,
             "code:1: " + notOne},
            {{k.kind, "file", damaged, "-o", dir.file("never")},
             4,
             "(the code was changed or cut short: copy it again)"},
            {{k.kind, "code", dir.file("none")},
             4,
             dir.file("none") + ": cannot read the " + k.kind + ": No such file or directory\n"},
            {{"--config", dir.file("config.json"), k.kind, "file", theCode, "-o",
              dir.file("config.json")},
             2,
             "the config file"},
        };
        for (const auto& c : refused) {
            const RunResult r = run(c.args);
            EXPECT_EQ(r.exitCode, c.exitCode) << c.error;
            // A damaged code is named by where its reading failed.
            if (c.error.back() == '\n')
                EXPECT_EQ(r.err, "trimsight-host: " + c.error);
            else
                EXPECT_THAT(r.err, HasSubstr(c.error));
            EXPECT_EQ(r.out, "");
            EXPECT_FALSE(readFile(dir.file("never")));
            EXPECT_FALSE(readFile(dir.file("config.json")));
        }
    }
}

TEST_F(HostProgram, HelpAndVersion) {
    RunResult r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("trace"));
    r = run({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("1.2.0.768"));
}

}  // namespace

namespace {

TEST(ExampleScenes, EveryOneTracesCleanly) {
    int played = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(TRIMSIGHT_SOURCE_DIR) + "/scenes")) {
        if (entry.path().extension() != ".json") continue;
        TempDir dir;
        const RunResult r =
            hosttest::runHost({"trace", entry.path().string()}, {{"XDG_CONFIG_HOME", dir.path()}});
        EXPECT_EQ(r.exitCode, 0) << entry.path() << ": " << r.err;
        EXPECT_EQ(r.err, "") << entry.path();
        EXPECT_THAT(r.out, StartsWith("frame 0\n")) << entry.path();
        ++played;
    }
    EXPECT_GE(played, 5);
}

}  // namespace
