// Flight logs: the file format, its reader's errors, and replay.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sandbox/AttemptPlot.h"
#include "sandbox/FlightLog.h"
#include "sandbox/Starts.h"

namespace {

using namespace sandbox;

// The state's exact text (every float in its shortest exact form), so two
// states compare bit for bit and a difference prints readably.
std::string stateText(const World& world) {
    FlightLog log;
    log.start = world;
    return formatFlightLog(log);
}

// Ten seconds from a random start: the stick wandering, boost taps and
// holds, a jump press, throttle, and between ticks a console-variable
// change, a removal, a reset and a change after the last tick.
FlightLog sampleFlight(uint64_t seed) {
    FlightLog log;
    log.start = randomStart(seed);
    log.options.ballFloats = seed % 2 == 1;  // odd seeds hold the ball up, as drills do
    SeededRandom random(seed + 1);
    CarControls c;
    for (uint32_t t = 0; t < 1200; ++t) {
        if (t % 30 == 0) {
            c.steer = random.uniform(-1.0f, 1.0f);
            c.pitch = random.uniform(-1.0f, 1.0f);
            c.yaw = c.steer;
            c.roll = random.uniform(-1.0f, 1.0f);
            c.throttle = random.uniform(-1.0f, 1.0f);
        }
        c.boost = (t / 45) % 3 == 0 || t % 97 == 0;
        c.jump = t >= 700 && t < 720;
        if (t == 100) log.recordCVar("trimsight_target", "5");
        if (t == 101) log.recordCVar("x_position", std::nullopt);
        if (t == 500) log.recordReset();
        log.recordTick(c);
    }
    log.recordCVar("trimsight_size", "4.5 \"quoted\" \\ text");
    return log;
}

// The flight as the window runs it live: the world stepped tick by tick,
// reset where the log says; the state after each tick and the events that
// follow it.
std::vector<std::string> flyLive(const FlightLog& log) {
    World world = log.start;
    std::vector<std::string> states;
    std::size_t next = 0;
    auto resetIfDue = [&](std::size_t time) {
        for (; next < log.events.size() && log.events[next].tick == time; ++next)
            if (log.events[next].kind == FlightEvent::Kind::Reset) world = log.start;
    };
    resetIfDue(0);
    for (std::size_t t = 0; t < log.ticks.size(); ++t) {
        stepWorld(world, log.ticks[t], log.options);
        resetIfDue(t + 1);
        states.push_back(stateText(world));
    }
    return states;
}

TEST(FlightLog, AWrittenLogReadsBackEqualAndWritesTheSameText) {
    for (uint64_t seed : {1u, 2u, 77u}) {
        const FlightLog log = sampleFlight(seed);
        const std::string text = formatFlightLog(log);
        const base::Result<FlightLog> back = parseFlightLog(text, "flight.log");
        ASSERT_TRUE(back.ok()) << back.error();
        EXPECT_TRUE(*back == log);
        EXPECT_EQ(formatFlightLog(*back), text);
    }
}

TEST(FlightLog, StartStatesOfAnyFloatsWithinTheBoundsReadBackToTheSameBits) {
    FlightLog log;
    log.start.car.location = {0.1f, -0.0f, 1e-40f};  // a tenth, negative zero, a subnormal
    // Near the start's bounds: 9200 uu/s (four times the car's cap) and the
    // box around the arena, 12288 by 15360.
    log.start.car.velocity = {FLT_MIN, -9199.999f, 1e-38f};
    log.start.ball.location = {12287.999f, -15359.999f, 3.14159274f};
    log.start.ball.velocity = {-2299.99976f, 23800.002f, 7e-45f};
    const base::Result<FlightLog> back = parseFlightLog(formatFlightLog(log), "exact.log");
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(stateText(back->start), stateText(log.start));
    EXPECT_TRUE(std::signbit(back->start.car.location.y));
}

TEST(FlightLog, ReplayingALogFromItsFileGivesTheLiveStatesBitForBit) {
    for (uint64_t seed : {3u, 4u, 5u}) {
        const FlightLog recorded = sampleFlight(seed);
        const std::vector<std::string> live = flyLive(recorded);
        const base::Result<FlightLog> read =
            parseFlightLog(formatFlightLog(recorded), "replay.log");
        ASSERT_TRUE(read.ok()) << read.error();
        FlightReplay replay(*read);
        for (std::size_t t = 0; t < live.size(); ++t) {
            replay.step();
            ASSERT_EQ(stateText(replay.world()), live[t]) << "seed " << seed << ", tick " << t;
        }
        EXPECT_TRUE(replay.finished());
        // The change recorded after the last tick arrives with the last step.
        ASSERT_EQ(replay.eventsNow().size(), 1u);
        EXPECT_EQ(replay.eventsNow()[0].name, "trimsight_size");
    }
}

TEST(FlightReplay, HandsOverEventsAtTheirTimeAndResetsTheWorld) {
    FlightLog log;
    log.start = randomStart(9);
    log.recordCVar("trimsight_target", "1");
    log.recordTick({});
    log.recordTick({});
    log.recordReset();
    log.recordCVar("trimsight_target", "2");
    log.recordTick({});
    FlightReplay replay(log);
    ASSERT_EQ(replay.eventsNow().size(), 1u);
    EXPECT_EQ(replay.eventsNow()[0].value, "1");
    replay.step();
    EXPECT_TRUE(replay.eventsNow().empty());
    EXPECT_NE(stateText(replay.world()), stateText(log.start));
    replay.step();
    EXPECT_EQ(replay.eventsNow().size(), 2u);
    EXPECT_EQ(stateText(replay.world()), stateText(log.start));
    replay.step();
    EXPECT_TRUE(replay.finished());
    replay.step();  // nothing more to run
    EXPECT_EQ(replay.time(), 3u);
}

TEST(FlightLog, RecordingRefusesWhatTheFileCouldNotHold) {
    FlightLog log;
    EXPECT_FALSE(log.recordCVar("", "1"));
    EXPECT_FALSE(log.recordCVar("x-position", "1"));
    EXPECT_FALSE(log.recordCVar("x_position", "two\nlines"));
    EXPECT_FALSE(log.recordCVar(std::string(129, 'a'), "1"));
    EXPECT_FALSE(log.recordCVar("x_position", std::string(1025, '1')));
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(log.recordCVar("x_position", ""));
    log.ticks.resize(kMaxFlightTicks);
    EXPECT_FALSE(log.recordTick({}));
}

// ----------------------------------------------------------- bad input

const char kSmallLog[] =
    "trimsight-flight 1\n"
    "option unlimited_boost 0\n"
    "car location -2000 0 17.03\n"
    "car velocity 0 0 0\n"
    "car forward 1 0 0\n"
    "car right 0 1 0\n"
    "car up 0 0 1\n"
    "car spin 0 0 0\n"
    "car boost 100\n"
    "car on_ground 1\n"
    "car boost_state 0 0\n"
    "car jump_state 0 0 0\n"
    "ball location 0 0 91.25\n"
    "ball velocity 0 0 0\n"
    "ticks\n"
    "0 0 0 0 0 0 -\n"
    "cvar 1 trimsight_target \"5\"\n"
    "1 0 1 0 0 0.5 BJ\n"
    "end 2\n";

TEST(FlightLogErrors, AValidSmallLogOfTheFirstVersionReadsWithTheBallFalling) {
    const base::Result<FlightLog> r = parseFlightLog(kSmallLog, "small.log");
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_FALSE(r->options.ballFloats);
    EXPECT_EQ(r->ticks.size(), 2u);
    EXPECT_EQ(r->ticks[1].throttle, 0.5f);
    EXPECT_TRUE(r->ticks[1].boost && r->ticks[1].jump);
    EXPECT_EQ(r->start.car.location.z, 17.03f);
}

TEST(FlightLog, ADrillAttemptsDrillAndSeedRoundTripAndOlderLogsNameNoDrill) {
    FlightLog attempt = sampleFlight(3);
    attempt.drill = FlightDrill{"target-attitude", UINT64_MAX};
    const std::string text = formatFlightLog(attempt);
    EXPECT_NE(text.find("\ndrill target-attitude 18446744073709551615\nticks\n"),
              std::string::npos);
    const base::Result<FlightLog> back = parseFlightLog(text, "a.log");
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, attempt);
    ASSERT_TRUE(back->drill);
    EXPECT_EQ(back->drill->seed, UINT64_MAX);

    // A free flight writes no drill line; a drill line differs in the
    // comparison; version 1 and 2 files still read, naming no drill.
    FlightLog free = attempt;
    free.drill.reset();
    EXPECT_EQ(formatFlightLog(free).find("drill"), std::string::npos);
    EXPECT_FALSE(free == attempt);
    std::string version2 = formatFlightLog(free);
    version2.replace(0, version2.find('\n'), "trimsight-flight 2");
    const base::Result<FlightLog> old = parseFlightLog(version2, "old.log");
    ASSERT_TRUE(old.ok()) << old.error();
    EXPECT_FALSE(old->drill);
    EXPECT_EQ(*old, free);
    EXPECT_TRUE(parseFlightLog(kSmallLog, "small.log").ok());
}

TEST(FlightLogErrors, EachFaultIsNamedWithItsFileAndLine) {
    const std::string kNotARotation =
        "f.log:15: the car's forward, right and up are not a rotation (unit axes, square to each "
        "other, up = forward x right)";
    struct Case {
        std::string replace;  // text of the small log ...
        std::string with;     // ... replaced by this
        std::string error;
    };
    const Case cases[] = {
        {"trimsight-flight 1", "trimsight-flite 1",
         "f.log:1: not a flight log: expected \"trimsight-flight 4\""},
        {"trimsight-flight 1", "trimsight-flight 5",
         "f.log:1: written by a newer version of the format (5); this program reads versions up "
         "to 4"},
        // The handbrake came with version 4.
        {"1 0 1 0 0 0.5 BJ", "1 0 1 0 0 0.5 BJH",
         "f.log:18: the buttons: expected -, B, J or BJ, got \"BJH\""},
        {"option unlimited_boost 0\n", "option unlimited_boost 0\noption ball_floats 1\n",
         "f.log:3: unknown start line \"option ball_floats\""},
        {"trimsight-flight 1", "trimsight-flight 2",
         "f.log:15: the start state lacks \"option ball_floats\" before \"ticks\""},
        // The drill line came with version 3, and is read as strictly as the rest.
        {"car spin 0 0 0\n", "car spin 0 0 0\ndrill recovery 4\n",
         "f.log:9: unknown start line \"drill recovery\""},
        {"trimsight-flight 1\noption unlimited_boost 0\n",
         "trimsight-flight 3\noption unlimited_boost 0\noption ball_floats 0\ndrill recovery 4\n"
         "drill recovery 4\n",
         "f.log:5: \"drill\" given twice"},
        {"trimsight-flight 1\noption unlimited_boost 0\n",
         "trimsight-flight 3\noption unlimited_boost 0\noption ball_floats 0\ndrill Loop_1 4\n",
         "f.log:4: \"Loop_1\" is not a drill's name (lower case letters, digits and -, at most 64 "
         "characters)"},
        {"trimsight-flight 1\noption unlimited_boost 0\n",
         "trimsight-flight 3\noption unlimited_boost 0\noption ball_floats 0\ndrill recovery -4\n",
         "f.log:4: the drill's seed: expected a whole number from 0 to 18446744073709551615, got "
         "\"-4\""},
        {"trimsight-flight 1\noption unlimited_boost 0\n",
         "trimsight-flight 3\noption unlimited_boost 0\noption ball_floats 0\ndrill recovery\n",
         "f.log:4: missing the drill's seed"},
        {"trimsight-flight 1\noption unlimited_boost 0\n",
         "trimsight-flight 3\noption unlimited_boost 0\noption ball_floats 0\ndrill recovery 4 5\n",
         "f.log:4: unexpected \"5\" at the end of the line"},
        {"car spin 0 0 0\n", "car spin 0 0 0\ncar colour 1\n",
         "f.log:9: unknown start line \"car colour\""},
        {"car spin 0 0 0\n", "car spin 0 0 0\ncar spin 0 0 0\n",
         "f.log:9: \"car spin\" given twice"},
        {"car spin 0 0 0\n", "", "f.log:14: the start state lacks \"car spin\" before \"ticks\""},
        {"car boost 100", "car boost lots",
         "f.log:9: boost: expected a finite number, got \"lots\""},
        {"car boost 100", "car boost 150", "f.log:9: boost: expected 0 to 100"},
        {"car location -2000 0 17.03", "car location inf 0 17.03",
         "f.log:3: location: expected a finite number, got \"inf\""},
        {"car location -2000 0 17.03", "car location -2000 0", "f.log:3: missing location"},
        {"car on_ground 1", "car on_ground yes",
         "f.log:10: on_ground: expected a whole number from 0 to 1, got \"yes\""},
        {"car forward 1 0 0", "car forward 2 0 0", "f.log:5: forward: 2 0 0 is not of unit length"},
        {"car forward 1 0 0", "car forward 0 1 0", kNotARotation},
        // The start's bounds: a box around the arena, four times the caps.
        {"car spin 0 0 0", "car spin 2e19 0 0",
         "f.log:8: spin: 2e+19 0 0 is longer than 22 rad/s (4 times the cap of 5.5)"},
        {"ball velocity 0 0 0", "ball velocity 1e20 1e20 1e20",
         "f.log:14: velocity: 1e+20 1e+20 1e+20 is longer than 24000 uu/s (4 times the cap of "
         "6000)"},
        {"car location -2000 0 17.03", "car location 3.4028235e38 0 17.03",
         "f.log:3: location: 3.4028235e+38 0 17.03 is outside the box a start may be in (x "
         "within 12288, y within 15360 of the centre, z from -2044 to 4088)"},
        {"car up 0 0 1", "car up 0 0 -1", kNotARotation},
        {"1 0 1 0 0 0.5 BJ", "2 0 1 0 0 0.5 BJ",
         "f.log:18: the line is for tick 2, but tick 1 is due here"},
        {"1 0 1 0 0 0.5 BJ", "1 0 1.5 0 0 0.5 BJ", "f.log:18: pitch: expected -1 to 1"},
        {"1 0 1 0 0 0.5 BJ", "1 0 1 0 0 0.5 JB",
         "f.log:18: the buttons: expected -, B, J or BJ, got \"JB\""},
        {"1 0 1 0 0 0.5 BJ", "1 0 1 0 0 0.5 BJ 7",
         "f.log:18: unexpected \"7\" at the end of the line"},
        {"1 0 1 0 0 0.5 BJ", "1 0 1 0 0", "f.log:18: missing throttle"},
        {"cvar 1 trimsight_target \"5\"", "cvar 0 trimsight_target \"5\"",
         "f.log:17: the event is for tick 0, but tick 1 is due here"},
        {"cvar 1 trimsight_target \"5\"", "cvar 1 trimsight-target \"5\"",
         "f.log:17: \"trimsight-target\" is not a console variable name (letters, digits, _)"},
        {"cvar 1 trimsight_target \"5\"", "cvar 1 trimsight_target \"5",
         "f.log:17: the console variable's value: the closing quote is missing"},
        {"cvar 1 trimsight_target \"5\"", "cvar 1 trimsight_target 5",
         "f.log:17: the console variable's value: expected \"text\" or null"},
        {"end 2\n", "end 3\n", "f.log:19: \"end\" counts 3 ticks, but 2 were given"},
        {"end 2\n", "",
         "f.log:18: the closing \"end\" line is missing (the file may be cut short)"},
        {"end 2\n", "end 2\n0 0 0 0 0 0 -\n", "f.log:20: text after the \"end\" line"},
        {"ticks\n", "", "f.log:15: unknown start line \"0 0\""},
        {"car velocity 0 0 0", std::string("car velocity 0 \0 0", 18),
         "f.log:4: a NUL byte in the line"},
    };
    for (const Case& c : cases) {
        std::string text = kSmallLog;
        const std::size_t at = text.find(c.replace);
        ASSERT_NE(at, std::string::npos) << c.replace;
        text.replace(at, c.replace.size(), c.with);
        const base::Result<FlightLog> r = parseFlightLog(text, "f.log");
        EXPECT_FALSE(r.ok()) << c.error;
        EXPECT_EQ(r.error(), c.error);
    }
}

TEST(FlightLogErrors, EmptyOverlongAndNulFilledInputIsRefused) {
    EXPECT_EQ(parseFlightLog("", "f.log").error(),
              "f.log:1: empty file: expected \"trimsight-flight 4\"");
    EXPECT_EQ(parseFlightLog("# only a comment\n\n", "f.log").error(),
              "f.log:2: empty file: expected \"trimsight-flight 4\"");
    EXPECT_EQ(parseFlightLog(std::string(5000, 'x'), "f.log").error(),
              "f.log:1: line too long (more than 4096 characters)");
    const std::string withNul = std::string(kSmallLog).replace(0, 1, std::string(1, '\0'));
    EXPECT_EQ(parseFlightLog(withNul, "f.log").error(), "f.log:1: a NUL byte in the line");
}

TEST(FlightLogErrors, NoMangledLogCrashesTheReader) {
    // Random bytes changed, cut or doubled: every result is a log or an
    // error naming the file (run it under the sanitizers to see the rest).
    const std::string base = formatFlightLog(sampleFlight(11)).substr(0, 4000) + "end 0\n";
    SeededRandom random(12);
    for (int i = 0; i < 3000; ++i) {
        std::string text = base;
        const int edits = 1 + static_cast<int>(random.next() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random.next() % text.size();
            switch (random.next() % 3) {
                case 0:
                    text[at] = static_cast<char>(random.next());
                    break;
                case 1:
                    text.erase(at, random.next() % 40);
                    break;
                default:
                    text.insert(at, text.substr(at, random.next() % 40));
                    break;
            }
        }
        const base::Result<FlightLog> r = parseFlightLog(text, "m.log");
        EXPECT_TRUE(r.ok() || r.error().rfind("m.log:", 0) == 0) << r.error();
    }
}

}  // namespace

// ------------------------------------------------- the full model (version 4)

namespace {

std::string readFixture(const std::string& name) {
    std::ifstream in(std::string(TRIMSIGHT_SOURCE_DIR) + "/tests/sandbox/logs/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Six seconds of the full model from a start that uses what only version 4
// holds: the ball spinning, the car in the air having jumped 0.4 s ago (it
// may still double jump, once), the handbrake half on. Then it flies, lands
// on its wheels, drives with throttle, steer and powerslide, and jumps.
FlightLog fullFlight(uint64_t seed) {
    mechanics::World start = fullWorldFrom(randomStart(seed));
    start.car.location.z = 300.0f;  // low enough to land within the flight
    start.car.hasJumped = true;
    start.car.timeSinceJump = 0.4f;
    start.car.handbrake = 0.5f;
    start.ball.spin = {1.0f, -2.0f, 0.5f};
    FlightLog log;
    log.setStart(start);
    SeededRandom random(seed + 7);
    CarControls c;
    for (uint32_t t = 0; t < 720; ++t) {
        if (t % 30 == 0) {
            c.steer = random.uniform(-1.0f, 1.0f);
            c.pitch = random.uniform(-1.0f, 1.0f);
            c.yaw = c.steer;
            c.roll = random.uniform(-1.0f, 1.0f);
            c.throttle = random.uniform(-1.0f, 1.0f);
        }
        c.boost = (t / 45) % 3 == 0;
        c.jump = (t >= 20 && t < 22) || (t >= 600 && t < 630);
        c.handbrake = (t / 100) % 2 == 1;
        if (t == 400) log.recordReset();
        log.recordTick(c);
    }
    return log;
}

// The flight as a session flies it: the simulation from the log's start,
// reset where the log says; the full state after each tick.
std::vector<mechanics::World> flyFullLive(const FlightLog& log) {
    Simulation sim = startOf(log);
    std::vector<mechanics::World> states;
    for (std::size_t t = 0; t < log.ticks.size(); ++t) {
        sim.step(log.ticks[t]);
        for (const FlightEvent& e : log.events)
            if (e.tick == t + 1 && e.kind == FlightEvent::Kind::Reset) sim = startOf(log);
        states.push_back(sim.full());
    }
    return states;
}

}  // namespace

TEST(FullModelLog, WritesVersion4ReadsBackEqualAndReplaysTheLiveStatesBitForBit) {
    for (uint64_t seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        const FlightLog recorded = fullFlight(seed);
        const std::string text = formatFlightLog(recorded);
        ASSERT_EQ(text.substr(0, text.find('\n')), "trimsight-flight 4");
        EXPECT_NE(text.find("\nball spin 1 -2 0.5\n"), std::string::npos);
        EXPECT_NE(text.find(" BH\n"), std::string::npos);  // boost and handbrake
        const base::Result<FlightLog> read = parseFlightLog(text, "full.log");
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_TRUE(*read == recorded);
        EXPECT_EQ(formatFlightLog(*read), text);
        EXPECT_EQ(read->model, FlightModel::Full);

        const std::vector<mechanics::World> live = flyFullLive(recorded);
        FlightReplay replay(*read);
        bool landed = false, doubleJumped = false;
        for (std::size_t t = 0; t < live.size(); ++t) {
            const TickReport report = replay.step();
            landed = landed || report.landed;
            doubleJumped = doubleJumped || report.doubleJumped || report.dodged;
            ASSERT_TRUE(replay.simulation().full() == live[t]) << "tick " << t;
        }
        EXPECT_TRUE(doubleJumped);  // the start's jump state let it jump in the air
        EXPECT_TRUE(landed);
    }
}

TEST(FullModelLog, AFlightStartedFromTheMiddleOfAnotherReplaysExactly) {
    // Driving on the floor with throttle, steer and powerslide; at tick 240
    // a new flight starts from where the car is, moving on its wheels, as
    // flying on freely after a drill does.
    Simulation sim = Simulation::full(fullWorldFrom(defaultStart()), {});
    CarControls drive;
    drive.throttle = 1.0f;
    drive.steer = 0.4f;
    for (int t = 0; t < 240; ++t) {
        drive.handbrake = t >= 180 && t < 200;
        drive.boost = t < 60;
        sim.step(drive);
    }
    ASSERT_GT(length(sim.world().car.velocity), 800.0f);
    ASSERT_TRUE(sim.world().car.onGround);

    FlightLog log;
    log.setStart(sim.full());
    Simulation live = startOf(log);
    for (int t = 0; t < 240; ++t) {
        log.recordTick(drive);
        live.step(drive);
    }
    EXPECT_TRUE(live.world().car.onGround);  // still driving on its wheels
    const base::Result<FlightLog> read = parseFlightLog(formatFlightLog(log), "moving.log");
    ASSERT_TRUE(read.ok()) << read.error();
    FlightReplay replay(*read);
    while (!replay.finished()) replay.step();
    EXPECT_TRUE(replay.simulation().full() == live.full());
}

TEST(FullModelLog, OutOfRangeStateIsRefusedWithItsLine) {
    const std::string good = formatFlightLog(fullFlight(3));
    struct Case {
        std::string replace, with, error;
    };
    const Case cases[] = {
        {"car handbrake 0.5", "car handbrake 2", "handbrake: expected 0 to 1"},
        {"car jump_state 0 1 0 0 0.4", "car jump_state 0 1 0 0 1e9",
         "time since the jump: expected 0 to 1e+05"},
        {"car jump_state 0 1 0 0 0.4", "car jump_state 0 1 0 0 nan",
         "time since the jump: expected a finite number, got \"nan\""},
        {"car dodge_state 0 0 0 0 0 0", "car dodge_state 0 0 0 0 3 0",
         "flip torque forward: expected -1 to 1"},
        {"ball spin 1 -2 0.5\n", "", "the start state lacks \"ball spin\" before \"ticks\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.with);
        std::string text = good;
        const std::size_t at = text.find(c.replace);
        ASSERT_NE(at, std::string::npos) << c.replace;
        text.replace(at, c.replace.size(), c.with);
        const base::Result<FlightLog> r = parseFlightLog(text, "f.log");
        ASSERT_FALSE(r.ok());
        EXPECT_NE(r.error().find(c.error), std::string::npos) << r.error();
        EXPECT_EQ(r.error().rfind("f.log:", 0), 0u) << r.error();
    }
    std::string legacyLine = good;
    legacyLine.insert(legacyLine.find("car handbrake"), "car on_ground 1\n");
    EXPECT_NE(
        parseFlightLog(legacyLine, "f.log").error().find("unknown start line \"car on_ground\""),
        std::string::npos);
}

// Logs written before the full model (kept as files): they read as the
// legacy model's, write back as version 3 to the same text, and replay to
// the final state they always reached.
TEST(OlderLogs, ReplayWithTheLegacyModelToTheSameFinalState) {
    for (const char* name : {"free-v3", "recovery-v3"}) {
        SCOPED_TRACE(name);
        const std::string text = readFixture(std::string(name) + ".log");
        ASSERT_FALSE(text.empty());
        const base::Result<FlightLog> log = parseFlightLog(text, name);
        ASSERT_TRUE(log.ok()) << log.error();
        EXPECT_EQ(log->model, FlightModel::Legacy);
        EXPECT_EQ(formatFlightLog(*log), text);
        FlightReplay replay(*log);
        while (!replay.finished()) replay.step();
        EXPECT_EQ(stateText(replay.world()), readFixture(std::string(name) + ".state"));
        if (!log->drill) continue;
        // An old attempt's plot is worked out again in the model it flew.
        const base::Result<AttemptPlot> plot = replayAttemptPlot(*log, name);
        ASSERT_TRUE(plot.ok()) << plot.error();
        EXPECT_EQ(plot->size(), log->ticks.size());
    }
    // The same free flight as version 2 (it names no drill) replays alike.
    std::string version2 = readFixture("free-v3.log");
    version2.replace(0, version2.find('\n'), "trimsight-flight 2");
    const base::Result<FlightLog> log = parseFlightLog(version2, "v2");
    ASSERT_TRUE(log.ok()) << log.error();
    FlightReplay replay(*log);
    while (!replay.finished()) replay.step();
    EXPECT_EQ(stateText(replay.world()), readFixture("free-v3.state"));
}

namespace {

// In the air after a jump, the stick 0.6 forward (|pitch| = 0.6) when jump
// is pressed again: beyond the default dodge dead zone (0.5), a dodge;
// within a dead zone of 0.7, a double jump.
FlightLog airJumpWithStick(float dodgeDeadZone) {
    mechanics::World start = fullWorldFrom(defaultStart());
    start.car.location.z = 300.0f;
    start.car.hasJumped = true;
    start.car.timeSinceJump = 0.4f;
    FlightLog log;
    log.setStart(start);
    log.options.dodgeDeadZone = dodgeDeadZone;
    CarControls c;
    c.pitch = -0.6f;
    log.recordTick(c);
    c.jump = true;
    log.recordTick(c);
    return log;
}

TEST(FullModelLog, ADodgeDeadZoneOtherThanTheDefaultIsKeptAndReplaysAsFlown) {
    struct Case {
        float dodgeDeadZone;
        bool written;
        bool dodges;
    };
    for (const Case& c : {Case{kDefaultDodgeDeadZone, false, true}, Case{0.7f, true, false},
                          Case{0.25f, true, true}}) {
        SCOPED_TRACE(c.dodgeDeadZone);
        const FlightLog recorded = airJumpWithStick(c.dodgeDeadZone);
        const std::string text = formatFlightLog(recorded);
        // A flight with the default writes what it wrote before the setting.
        EXPECT_EQ(text.find("\noption dodge_dead_zone ") != std::string::npos, c.written);
        ASSERT_EQ(text.substr(0, text.find('\n')), "trimsight-flight 4");
        const base::Result<FlightLog> read = parseFlightLog(text, "dodge.log");
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(read->options.dodgeDeadZone, c.dodgeDeadZone);
        EXPECT_TRUE(*read == recorded);
        FlightReplay replay(*read);
        replay.step();
        const TickReport report = replay.step();
        EXPECT_EQ(report.dodged, c.dodges);
        EXPECT_EQ(report.doubleJumped, !c.dodges);
    }
    // Out of its range, or given twice: the file's line says so.
    const std::string good = formatFlightLog(airJumpWithStick(0.7f));
    std::string high = good;
    high.replace(high.find("dodge_dead_zone 0.7"), 19, "dodge_dead_zone 1.5");
    const base::Result<FlightLog> refused = parseFlightLog(high, "d.log");
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("d.log:4: dodge_dead_zone: expected 0 to 1"), std::string::npos)
        << refused.error();
    std::string twice = good;
    twice.insert(twice.find("option dodge"), "option dodge_dead_zone 0.6\n");
    EXPECT_FALSE(parseFlightLog(twice, "d.log").ok());
}

}  // namespace
