// `trimsight-host fly --drill` run as a program on the offscreen driver: the
// autopilot completes every drill headless and its JSON line scores as the
// drill's own definition does; a script that never touches the stick fails
// them; an unknown drill is refused with the list; the cue never reaches the
// config file; the target attitude's ghost car shows where it should; each
// attempt but the autopilot's lands in the history.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "desktop/InputFile.h"
#include "fly/Camera.h"
#include "fly/window/WorldRenderer.h"
#include "picture/Png.h"
#include "sandbox/Sandbox.h"
#include "testkit/ClipSpace.h"
#include "testkit/ProgramRunner.h"

namespace {

using hosttest::RunResult;

// Smaller than the default window, so that the many runs draw quickly.
const std::vector<std::string> kHeadless = {"--video-driver", "offscreen", "--size", "320x180"};

class DrillRun {
  public:
    RunResult run(const std::vector<std::string>& args) {
        std::vector<std::string> all{"--config", dir.file("config.json"), "--history", history};
        all.insert(all.end(), args.begin(), args.end());
        RunResult r = hosttest::runHost(all, {{"XDG_DATA_HOME", dir.file("data")}});
        EXPECT_EQ(r.signal, 0) << r.err;
        return r;
    }
    RunResult fly(const std::string& drill, uint64_t seed, std::vector<std::string> args) {
        std::vector<std::string> all{"fly", "--drill", drill, "--seed", std::to_string(seed)};
        all.insert(all.end(), args.begin(), args.end());
        return run(all);
    }
    hosttest::TempDir dir;
    std::string history = dir.file("history.txt");
};

// The one line of standard output, as JSON with its keys in order.
nlohmann::ordered_json resultLine(const RunResult& r) {
    const std::vector<std::string> lines = hosttest::lines(r.out);
    EXPECT_EQ(lines.size(), 1u) << r.out;
    if (lines.empty()) return {};
    return nlohmann::ordered_json::parse(lines[0], nullptr, false);
}

// The drill flown in-process, tick by tick, by the sandbox's autopilot.
std::unique_ptr<sandbox::Drill> flownByAutopilot(std::unique_ptr<sandbox::Drill> drill) {
    sandbox::Autopilot pilot(*drill);
    sandbox::Simulation sim =
        sandbox::Simulation::full(drill->start().fullWorld(), drill->start().options);
    while (!drill->finished()) {
        const sandbox::CarControls controls = pilot.controls(sim.world());
        const sandbox::TickReport report = sim.step(controls);
        drill->update(sim.world(), controls, report);
    }
    return drill;
}
std::unique_ptr<sandbox::Drill> flownByAutopilot(const std::string& name, uint64_t seed) {
    return flownByAutopilot(sandbox::makeDrill(name, seed));
}

// The line says what the drill says: its name, seed, outcome, verdict and
// length, and its score's parts by key, in order, to the bit.
void expectLineOf(const nlohmann::ordered_json& line, const sandbox::Drill& drill, bool autopilot) {
    const sandbox::DrillInfo& info = drill.info();
    const sandbox::DrillScore score = drill.score();
    ASSERT_TRUE(line.is_object()) << line;
    EXPECT_EQ(line["drill"], info.name);
    EXPECT_EQ(line["seed"], drill.seed());
    EXPECT_EQ(line["outcome"],
              score.outcome == sandbox::DrillOutcome::Passed ? "passed" : "failed");
    EXPECT_EQ(line["verdict"], score.verdict);
    EXPECT_EQ(line["ticks"], drill.ticks());
    EXPECT_EQ(line["main"], info.mainPart);
    EXPECT_EQ(line["better"], info.better == sandbox::Better::Higher ? "higher" : "lower");
    EXPECT_EQ(line["autopilot"], autopilot);
    // Every part the drill can score, in its order, null where this attempt
    // has none: the ranking part is there whether the attempt passed or not.
    const nlohmann::ordered_json& parts = line["parts"];
    const std::span<const std::string_view> keys = sandbox::scorePartKeys(info);
    ASSERT_EQ(parts.size(), keys.size()) << line;
    EXPECT_TRUE(parts.contains(std::string(info.mainPart))) << line;
    std::size_t i = 0;
    for (const auto& [key, value] : parts.items()) {
        EXPECT_EQ(key, keys[i++]);
        const std::optional<float> scored = score.value(key);
        if (!scored) {
            EXPECT_TRUE(value.is_null()) << key;
            continue;
        }
        ASSERT_TRUE(value.is_number()) << key;
        EXPECT_EQ(static_cast<float>(value.get<double>()), *scored) << key;
    }
}

class EachDrill : public DrillRun, public ::testing::TestWithParam<std::string> {};

TEST_P(EachDrill, TheAutopilotCompletesItHeadlessAndTheLineScoresItAsTheDrillDoes) {
    for (uint64_t seed : {1u, 2u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<std::string> args = kHeadless;
        args.push_back("--autopilot");
        const RunResult r = fly(GetParam(), seed, args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const nlohmann::ordered_json line = resultLine(r);
        EXPECT_EQ(line["outcome"], "passed") << line;
        expectLineOf(line, *flownByAutopilot(GetParam(), seed), true);
    }
}

TEST_P(EachDrill, AScriptThatNeverTouchesTheStickFailsItAndTheRunStillExitsZero) {
    hosttest::writeFile(dir.file("hands-off.fly"), "# nothing: the car is left alone\n");
    std::vector<std::string> args = kHeadless;
    args.insert(args.end(), {"--script", dir.file("hands-off.fly")});
    const RunResult r = fly(GetParam(), 3, args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::ordered_json line = resultLine(r);
    EXPECT_EQ(line["outcome"], "failed") << line;
    EXPECT_EQ(line["autopilot"], false);
    // A failed attempt names every part too, the ranking part included.
    const sandbox::DrillInfo& info = sandbox::findDrill(GetParam())->info;
    ASSERT_EQ(line["parts"].size(), sandbox::scorePartKeys(info).size()) << line;
    EXPECT_TRUE(line["parts"].contains(std::string(info.mainPart))) << line;
}

std::vector<std::string> drillNames() {
    std::vector<std::string> names;
    for (const sandbox::DrillEntry& entry : sandbox::drillTable())
        names.emplace_back(entry.info.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Drills, EachDrill, ::testing::ValuesIn(drillNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

class DrillProgram : public DrillRun, public ::testing::Test {};

TEST_F(DrillProgram, AnUnknownDrillIsRefusedWithTheListOfDrills) {
    const RunResult r = fly("loop", 1, kHeadless);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "trimsight-host: no drill named \"loop\"; the drills are nose-on-ball, recovery, "
              "velocity-alignment, velocity-braking, target-attitude, aerial-touch, shot-on-goal, "
              "fast-aerial\n");
}

TEST_F(DrillProgram, TheCueOpensTheRecordedAttemptAndNeverReachesTheConfigFile) {
    ASSERT_EQ(run({"set", "trimsight_target", "1"}).exitCode, 0);
    std::vector<std::string> args = kHeadless;
    args.insert(args.end(), {"--autopilot", "--record", dir.file("attempt.log")});
    const RunResult r = fly("nose-on-ball", 4, args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Notes go to standard error: standard output is the JSON line's.
    EXPECT_EQ(r.err, "wrote " + dir.file("attempt.log") + " (1200 ticks)\n");
    EXPECT_EQ(resultLine(r)["outcome"], "passed");

    const RunResult get = run({"get", "trimsight_target"});
    EXPECT_EQ(get.out, "1\n");
    const auto log = desktop::loadFlightLog(dir.file("attempt.log"));
    ASSERT_TRUE(log.ok()) << log.error();
    EXPECT_TRUE(log->options.ballFloats);
    EXPECT_TRUE(log->options.unlimitedBoost);
    EXPECT_TRUE(log->start == sandbox::makeDrill("nose-on-ball", 4)->start().world);
    bool cue = false;
    for (const sandbox::FlightEvent& e : log->events)
        if (e.tick == 0 && e.name == "trimsight_target") cue = e.value == "5";
    EXPECT_TRUE(cue) << "the ball, for the whole attempt";
}

TEST_F(DrillProgram, EachFinishedAttemptIsAppendedToTheHistoryAndAFailedAppendIsOnlyAWarning) {
    hosttest::writeFile(dir.file("hands-off.fly"), "# nothing: the car is left alone\n");
    std::vector<std::string> args = kHeadless;
    args.insert(args.end(), {"--script", dir.file("hands-off.fly")});
    for (int i = 0; i < 2; ++i) {
        const RunResult r = fly("recovery", 3, args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    // The autopilot's attempts are not the player's: not kept.
    std::vector<std::string> autopilot = kHeadless;
    autopilot.push_back("--autopilot");
    ASSERT_EQ(fly("recovery", 3, autopilot).exitCode, 0);

    const RunResult listed = run({"history", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const auto doc = nlohmann::json::parse(listed.out, nullptr, false);
    EXPECT_EQ(doc["attempts"], 2) << listed.out;
    EXPECT_EQ(doc["drills"][0]["drill"], "recovery");
    EXPECT_EQ(doc["drills"][0]["passed"], 0);
    base::Warnings warnings;
    const auto kept = sandbox::parseHistory(*hosttest::readFile(history), history, warnings);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_NE(kept[0].flightLog, kept[1].flightLog);
    for (const sandbox::AttemptRecord& a : kept)
        EXPECT_TRUE(desktop::loadFlightLog(dir.file(a.flightLog)).ok()) << a.flightLog;

    // A history whose folder is missing: the flight and its line go on.
    history = dir.file("no-folder/history.txt");
    const RunResult r = fly("recovery", 3, args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(resultLine(r)["outcome"], "failed");
    EXPECT_THAT(r.err, ::testing::StartsWith("trimsight-host: warning: the attempt is not in the "
                                             "history: " +
                                             history + ": cannot append to the history: "));
}

// A course of two rings straight ahead, as a player writes it.
constexpr const char* kTwoRings =
    "trimsight-course 1\n"
    "# two rings straight ahead\n"
    "name two-rings\n"
    "car location 0 -3000 17.03\n"
    "car heading 90\n"
    "time_limit 20\n"
    "ring at 0 -1500 120 facing 0 1 0 radius 400\n"
    "ring at 0 0 120 facing 0 1 0 radius 400\n";

// A course file, its share code and the player's folder of courses each fly
// the same course: the autopilot's line is the course drill's own, flown
// in-process. What cannot be read stops the run with where it is wrong.
TEST_F(DrillProgram, ACourseFromAFileACodeOrThePlayersFolderFliesAndGivesItsLine) {
    hosttest::writeFile(dir.file("two.course"), kTwoRings);
    const base::Result<sandbox::Course> course = sandbox::parseCourse(kTwoRings, "two.course");
    ASSERT_TRUE(course.ok()) << course.error();
    const auto expected = flownByAutopilot(sandbox::makeCourseDrill(*course));
    ASSERT_EQ(expected->score().outcome, sandbox::DrillOutcome::Passed);
    std::filesystem::create_directories(dir.file("data/trimsight/courses"));
    hosttest::writeFile(dir.file("data/trimsight/courses/two-rings.course"), kTwoRings);
    const std::vector<std::vector<std::string>> asked = {
        {"--course", dir.file("two.course")},
        {"--course-code", sandbox::makeShareCode(kTwoRings)},
        {"--course", "two-rings"}};
    for (const std::vector<std::string>& how : asked) {
        SCOPED_TRACE(how[0] + " " + how[1]);
        std::vector<std::string> args{"fly", "--autopilot"};
        args.insert(args.end(), kHeadless.begin(), kHeadless.end());
        args.insert(args.end(), how.begin(), how.end());
        const RunResult r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const nlohmann::ordered_json line = resultLine(r);
        EXPECT_EQ(line["drill"], "course-two-rings");
        EXPECT_EQ(line["seed"], sandbox::courseFingerprint(*course));
        expectLineOf(line, *expected, true);
    }

    hosttest::writeFile(dir.file("bad.course"),
                        std::string(kTwoRings) + "ring at 0 900 120 facing 0 1 0 radius 4000\n");
    std::string damaged = sandbox::makeShareCode(kTwoRings);
    damaged[3] = '*';
    const struct {
        std::vector<std::string> args;
        int code;
        std::string error;
    } refused[] = {
        {{"--course", dir.file("bad.course")},
         4,
         dir.file("bad.course") + ":9: the ring's radius: expected 50 to 2000"},
        {{"--course-code", damaged},
         4,
         "code position 4: '*' is not a code character (A-Z, a-z, 0-9, - and _)"},
        {{"--course", "loops"},
         4,
         "loops: no such course file, built-in course (loop, climb, slalom) or course in " +
             dir.file("data/trimsight/courses")},
        {{"--course", "loop", "--course-code", damaged},
         2,
         "--course and --course-code both name a course: give one of them"},
        {{"--course", "loop", "--pack", "first-aerials"},
         2,
         "--drill, --course (or --course-code) and --pack (or --pack-code) each start an "
         "attempt: give one of them"},
    };
    for (const auto& c : refused) {
        std::vector<std::string> args{"fly"};
        args.insert(args.end(), kHeadless.begin(), kHeadless.end());
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, c.code) << c.error;
        EXPECT_EQ(r.err, "trimsight-host: " + c.error + "\n");
        EXPECT_EQ(r.out, "");
    }
}

// The ghost's colour over what lies behind it, as the renderer blends it.
fly::Rgb8 ghostOver(fly::Rgb8 behind) {
    const auto mix = [](int ghost, int back) {
        return static_cast<uint8_t>(
            std::lround(fly::kGhostAlpha * static_cast<float>(ghost) +
                        (1.0f - fly::kGhostAlpha) * static_cast<float>(back)));
    };
    const fly::Rgb8 g = fly::kTargetGhostColour;
    return {mix(g.r, behind.r), mix(g.g, behind.g), mix(g.b, behind.b)};
}

struct ScreenBox {
    float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
};

// Where the ghost's box lands on a `width` by `height` screen: the car's box
// grown as the renderer grows it, turned to the target attitude at the car.
ScreenBox ghostOnScreen(const sandbox::CarState& car, const sandbox::Orientation& target, int width,
                        int height) {
    namespace k = sandbox::model;
    const fly::Mat4 matrix =
        fly::viewProjection(fly::chaseCamera(car), static_cast<float>(width) / height);
    const sandbox::Vec3 half = k::kCarBoxSize * (0.5f * fly::kGhostScale);
    ScreenBox box;
    for (float a : {-1.0f, 1.0f})
        for (float b : {-1.0f, 1.0f})
            for (float c : {-1.0f, 1.0f}) {
                const sandbox::Vec3 local =
                    k::kCarBoxOffset + sandbox::Vec3{a * half.x, b * half.y, c * half.z};
                const sandbox::Vec3 world = car.location + target.forward * local.x +
                                            target.right * local.y + target.up * local.z;
                const hosttest::ClipPoint p = hosttest::project(matrix, world);
                const float x = (p.screenX() + 1.0f) * 0.5f * static_cast<float>(width);
                const float y = (1.0f - p.screenY()) * 0.5f * static_cast<float>(height);
                box = {std::min(box.left, x), std::max(box.right, x), std::min(box.top, y),
                       std::max(box.bottom, y)};
            }
    return box;
}

TEST_F(DrillProgram, TheTargetAttitudesGhostCarShowsWhereTheTargetPutsIt) {
    constexpr int kWidth = 640, kHeight = 360;
    // One second into the countdown: the car still at its start.
    const RunResult r = fly("target-attitude", 5,
                            {"--video-driver", "offscreen", "--size", "640x360", "--seconds", "1",
                             "--screenshot", dir.file("ghost.png")});
    if (r.exitCode == 1 && r.err.find("OpenGL") != std::string::npos)
        GTEST_SKIP() << "no OpenGL context on the offscreen driver here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(resultLine(r)["outcome"], "unfinished");
    const auto shot = picture::readPng(dir.file("ghost.png"));
    ASSERT_TRUE(shot) << shot.error();

    const auto drill = sandbox::makeDrill("target-attitude", 5);
    const ScreenBox box =
        ghostOnScreen(drill->start().world.car, *drill->targetAttitude(), kWidth, kHeight);
    const fly::Rgb8 colours[] = {ghostOver(fly::kSkyColour), ghostOver(fly::kFloorColour)};
    int inside = 0, outside = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = shot->at(x, y);
            bool ghostly = false;
            for (const fly::Rgb8& c : colours)
                ghostly = ghostly || (std::abs(p[0] - c.r) <= 3 && std::abs(p[1] - c.g) <= 3 &&
                                      std::abs(p[2] - c.b) <= 3);
            if (!ghostly) continue;
            const bool within =
                x >= box.left - 2 && x <= box.right + 2 && y >= box.top - 2 && y <= box.bottom + 2;
            (within ? inside : outside) += 1;
        }
    EXPECT_GT(inside, 500) << "box " << box.left << ".." << box.right << " x " << box.top << ".."
                           << box.bottom;
    EXPECT_EQ(outside, 0);
}

}  // namespace
