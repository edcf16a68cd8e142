// What no command may do however it is called: write over one of its own
// inputs, take a path for a URL, die of a signal or a throwing plugin, tear
// the history, or fly a start state into numbers that are not finite. One
// table-driven test per class, each run against the built program inside
// the test's own temporary folder.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sandbox/FlightLog.h"
#include "sandbox/History.h"
#include "testkit/ProgramRunner.h"
#include "testkit/TestFlights.h"

namespace {

namespace fs = std::filesystem;
using hosttest::readFile;
using hosttest::RunResult;
using hosttest::TempDir;
using hosttest::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;

// One frame on a 16 by 16 canvas.
constexpr const char* kTinyScene = R"({"canvas": [16, 16]})";
// Smaller than the default window, so that flights draw quickly.
const std::vector<std::string> kHeadless = {"--video-driver", "offscreen", "--size", "64x36"};

class Reliability : public ::testing::Test {
  protected:
    // The config, the history and the data folder are the test's own.
    RunResult run(std::vector<std::string> args,
                  std::map<std::string, std::optional<std::string>> env = {}) {
        args.insert(args.begin(), {"--config", config(), "--history", history()});
        env.emplace("HOME", dir.file("home"));
        RunResult r = hosttest::runHost(args, env);
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_THAT(r.err, Not(HasSubstr("Sanitizer")));
        return r;
    }
    std::string config() const { return dir.file("config.json"); }
    std::string history() const { return dir.file("history.txt"); }
    std::string flight(const std::string& name, uint32_t ticks = 24) {
        writeFile(dir.file(name), sandbox::formatFlightLog(hosttest::testFlight(7, ticks)));
        return dir.file(name);
    }
    std::string attempt(const std::string& name) {
        writeFile(dir.file(name),
                  sandbox::formatFlightLog(hosttest::flyAttempt("recovery", 3).log));
        return dir.file(name);
    }
    TempDir dir;
};

// ------------------------------------------- 1. outputs never replace inputs

TEST_F(Reliability, NoCommandWritesOverOneOfItsOwnInputsAndNothingIsWritten) {
    struct Case {
        const char* what;
        std::function<std::vector<std::string>()> setUp;  // the command line
        std::string kept;                                 // the input left as it was
        std::string named;                                // the input's path in the message
    };
    writeFile(dir.file("one.json"), kTinyScene);
    writeFile(dir.file("s.fly"), "# nothing: the car is left alone\nend 0.1\n");
    const std::string log = flight("flight.log");
    const std::string drill = attempt("attempt.log");
    const std::string mp4 = flight("clip.mp4");
    fs::create_symlink("attempt.log", dir.file("attempt-link.png"));
    const std::vector<Case> cases = {
        {"a plot over its flight log",
         [&] {
             return std::vector<std::string>{"render", drill, "--plot", drill};
         },
         drill, drill},
        {"a plot through a link to its log",
         [&] {
             return std::vector<std::string>{"render", drill, "--plot",
                                             dir.file("attempt-link.png")};
         },
         drill, drill},
        {"a picture over its scene",
         [&] {
             return std::vector<std::string>{"render", dir.file("one.json"), "-o",
                                             dir.file("one.json")};
         },
         dir.file("one.json"), dir.file("one.json")},
        {"a video over a log named like a video",
         [&] {
             return std::vector<std::string>{"render", mp4, "--video", mp4};
         },
         mp4, mp4},
        {"a sequence's folder over its log",
         [&] {
             return std::vector<std::string>{"render", log, "-o", log};
         },
         log, log},
        {"an export over its log",
         [&] {
             return std::vector<std::string>{"export", log, "-o", log};
         },
         log, log},
        {"a flight log over the script",
         [&] {
             std::vector<std::string> args = {"fly", "--script", dir.file("s.fly"), "--record",
                                              dir.file("s.fly")};
             args.insert(args.end(), kHeadless.begin(), kHeadless.end());
             return args;
         },
         dir.file("s.fly"), dir.file("s.fly")},
        {"a flight log over the history",
         [&] {
             writeFile(history(), "");
             std::vector<std::string> args = {"fly", "--script", dir.file("s.fly"), "--record",
                                              history()};
             args.insert(args.end(), kHeadless.begin(), kHeadless.end());
             return args;
         },
         history(), history()},
        {"a picture over the config",
         [&] {
             writeFile(config(), "{}\n");
             return std::vector<std::string>{"render", dir.file("one.json"), "-o", config()};
         },
         config(), config()},
        {"the demo's scene over the plugin library",
         [&] {
             return std::vector<std::string>{"--plugin", dir.file("plugin-copy.so"), "render",
                                             "--save-demo-scene", dir.file("plugin-copy.so")};
         },
         dir.file("plugin-copy.so"), dir.file("plugin-copy.so")},
    };
    fs::copy_file(TRIMSIGHT_PLUGIN_PATH, dir.file("plugin-copy.so"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> args = c.setUp();
        const std::optional<std::string> before = readFile(c.kept);
        ASSERT_TRUE(before);
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_THAT(r.err, HasSubstr("itself; not writing over it"));
        EXPECT_THAT(r.err, HasSubstr(c.named));
        EXPECT_EQ(readFile(c.kept), before);
    }
    // A missing history is the path it would take: a flight log there
    // would be appended to as a history.
    fs::remove(history());
    std::vector<std::string> args = {"fly", "--script", dir.file("s.fly"), "--record", history()};
    args.insert(args.end(), kHeadless.begin(), kHeadless.end());
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_FALSE(fs::exists(history()));
    // Nothing new beside the inputs: no picture, no temporary, no flights/.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr(".tmp."))) << entry.path();
    EXPECT_FALSE(fs::exists(dir.file("flights")));
}

// ------------------------------------------ 2. output paths are files

bool isVideo(const std::optional<std::string>& bytes) {
    if (!bytes || bytes->size() < 12) return false;
    return bytes->rfind("\x1a\x45\xdf\xa3", 0) == 0 || bytes->substr(4, 4) == "ftyp";
}

std::vector<std::string> temporariesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".tmp.") != std::string::npos)
            found.push_back(entry.path().filename().string());
    return found;
}

TEST_F(Reliability, VideoNamesThatLookLikeUrlsAreFilesAndTemporariesNeverStay) {
    const std::string log = flight("flight.log", 12);
    // Relative, as typed: FFmpeg would take "pipe:" and "file:" for its
    // protocols, and "12" for an unknown one.
    for (const char* name : {"pipe:x.webm", "file:x.mp4", "12:30.mp4"}) {
        SCOPED_TRACE(name);
        const RunResult r = hosttest::runHostIn(
            dir.path(), {"--config", config(), "render", log, "--video", name, "--canvas", "64x36"},
            {{"HOME", dir.file("home")}});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.rfind(std::string("wrote ") + name + ": 7 frames", 0), 0u) << r.out;
        EXPECT_TRUE(isVideo(readFile(dir.file(name))));
    }
    EXPECT_FALSE(fs::exists(dir.file("x.mp4")));
    EXPECT_THAT(temporariesIn(dir.path()), ::testing::IsEmpty());

    // A run killed before its rename leaves its temporary; the next run that
    // writes the same output removes it, and leaves alone one that a
    // running writer holds locked.
    const std::string clip = dir.file("clip.webm");
    const RunResult killed = hosttest::runHost(
        {"--config", config(), "render", log, "--video", clip, "--canvas", "64x36"},
        {{"TRIMSIGHT_FAULT_SAVE", "after-write"}});
    EXPECT_NE(killed.signal, 0);
    ASSERT_EQ(temporariesIn(dir.path()).size(), 1u);
    writeFile(clip + ".tmp.Locked", "another run's video, half made");
    const int held = ::open((clip + ".tmp.Locked").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const RunResult next = run({"render", log, "--video", clip, "--canvas", "64x36"});
    ::close(held);
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_TRUE(isVideo(readFile(clip)));
    EXPECT_EQ(temporariesIn(dir.path()), std::vector<std::string>{"clip.webm.tmp.Locked"});
}

TEST_F(Reliability, FlyPicturesFollowRendersRuleAndAFifoRecordIsCheckedBeforeTheFlight) {
    // An earlier run's ten frames, and a file of the user's.
    const std::string pictures = dir.file("pictures");
    fs::create_directory(pictures);
    for (int i = 0; i < 10; ++i)
        writeFile(pictures + "/frame-000" + std::to_string(i) + ".png", "earlier");
    writeFile(pictures + "/notes.txt", "mine");
    std::vector<std::string> args = {"fly", "--seconds", "1", "--pictures", pictures};
    args.insert(args.end(), kHeadless.begin(), kHeadless.end());
    RunResult r = run(args);
    if (r.exitCode == 7) GTEST_SKIP() << "no OpenGL context here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("wrote 2 pictures"));
    EXPECT_THAT(r.out, HasSubstr("removed 8 frame(s) of an earlier, longer run"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(pictures))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"contact-sheet.png", "frame-0000.png",
                                              "frame-0001.png", "notes.txt"}));
    EXPECT_NE(readFile(pictures + "/frame-0001.png"), "earlier");

    // A FIFO nobody reads: refused before the flight.
    const std::string fifo = dir.file("record.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    args = {"fly", "--seconds", "0.1", "--record", fifo};
    args.insert(args.end(), kHeadless.begin(), kHeadless.end());
    r = run(args);
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_THAT(r.err, HasSubstr("it is a FIFO that no program is reading"));
    EXPECT_EQ(r.out, "");
    // With a reader, the reader gets the whole log.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string text(65536, '\0');
    const ssize_t n = ::read(reader, text.data(), text.size());
    ::close(reader);
    ASSERT_GT(n, 0);
    text.resize(static_cast<std::size_t>(n));
    EXPECT_TRUE(sandbox::parseFlightLog(text, "fifo").ok()) << text;
}

// ----------------------------------- 3. values stay finite or are refused

// The test flight's log with one start line replaced.
std::string withStartLine(const std::string& key, const std::string& values) {
    std::string text = sandbox::formatFlightLog(hosttest::testFlight(7, 12));
    const std::size_t at = text.find("\n" + key + " ");
    const std::size_t end = text.find('\n', at + 1);
    return text.substr(0, at + 1) + key + " " + values + text.substr(end);
}

// The number of the line that starts with `key`.
std::size_t lineOf(const std::string& text, const std::string& key) {
    const std::size_t at = text.find("\n" + key + " ");
    return static_cast<std::size_t>(std::count(text.begin(), text.begin() + at + 1, '\n')) + 1;
}

TEST_F(Reliability, ExtremeStartsLongValuesAndOddNumbersAreRefusedWhereTheyAre) {
    struct Start {
        const char* key;
        const char* values;
        const char* bound;  // in the message
    };
    const Start starts[] = {
        {"car spin", "2e19 0 0", "longer than 22 rad/s"},
        {"ball velocity", "1e20 1e20 1e20", "longer than 24000 uu/s"},
        {"car velocity", "9201 0 0", "longer than 9200 uu/s"},
        {"car location", "3.4028235e38 0 100", "outside the box"},
        {"ball location", "0 0 -2045", "outside the box"},
        {"car forward", "2 0 0", "not of unit length"},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.key);
        const std::string text = withStartLine(start.key, start.values);
        writeFile(dir.file("extreme.log"), text);
        const std::string where =
            dir.file("extreme.log") + ":" + std::to_string(lineOf(text, start.key)) + ": ";
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"trace", dir.file("extreme.log")},
              {"export", dir.file("extreme.log"), "-o", dir.file("extreme.json")},
              {"render", dir.file("extreme.log"), "--video", dir.file("extreme.mp4")}}) {
            const RunResult r = run(args);
            EXPECT_EQ(r.exitCode, 4) << args[0] << ": " << r.err;
            EXPECT_THAT(r.err, HasSubstr(where)) << args[0];
            EXPECT_THAT(r.err, HasSubstr(start.bound)) << args[0];
        }
        EXPECT_FALSE(fs::exists(dir.file("extreme.json")));
    }
    // Within the bounds the log plays, and plays as its export does.
    writeFile(dir.file("fast.log"), withStartLine("car velocity", "9200 0 0"));
    const RunResult direct = run({"trace", dir.file("fast.log")});
    ASSERT_EQ(direct.exitCode, 0) << direct.err;
    ASSERT_EQ(run({"export", dir.file("fast.log"), "-o", dir.file("fast.json")}).exitCode, 0);
    EXPECT_EQ(run({"trace", dir.file("fast.json")}).out, direct.out);
    EXPECT_THAT(*readFile(dir.file("fast.json")), Not(HasSubstr("nan")));

    // A config value longer than the 63 characters the console reads a
    // number from: refused with a warning, the default kept; `set` refuses
    // it too. 63 characters are read whole.
    const std::string seventy = std::string(66, '0') + "4.5";  // 69 characters
    const std::string sixtyThree = std::string(60, '0') + "0.5";
    writeFile(config(),
              "{\"x_position\": \"" + seventy + "\", \"y_position\": \"" + sixtyThree + "\"}\n");
    RunResult r = run({"get", "x_position"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("value of x_position is longer than the 63 characters"));
    const std::string defaultValue = r.out;
    EXPECT_EQ(run({"get", "y_position"}).out, sixtyThree + "\n");
    r = run({"set", "x_position", seventy});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_THAT(r.err, HasSubstr("is longer than the 63 characters"));

    // Whole numbers on the command line: decimal and in range, one rule for
    // every option.
    const std::string log = flight("flight.log", 12);
    const std::vector<std::vector<std::string>> refused = {
        {"fly", "--seed", "-1"},
        {"fly", "--seed", "18446744073709551616"},
        {"fly", "--seed", "0x10"},
        {"fly", "--seconds", "0x10"},
        {"fly", "--seconds", "1e400"},
        {"trace", log, "--fps", "0x3c"},
        {"trace", log, "--fps", "4294967356"},
        {"render", log, "--jobs", "-1"},
        {"render", log, "--jobs", "010x"},
    };
    for (const std::vector<std::string>& args : refused) {
        const RunResult bad = run(args);
        EXPECT_EQ(bad.exitCode, 2) << args[1] << " " << args.back() << ": " << bad.err;
        EXPECT_EQ(bad.out, "");
    }
}

// ------------------------------------------- 4. exit codes keep the table

TEST_F(Reliability, PipesPluginsEmptyPathsAndLongTextsEndWithTheirOwnCodes) {
    // Standard output a pipe whose reader is gone: a write error, exit 1.
    const std::string log = flight("flight.log", 2400);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        const int errFile = ::open(dir.file("err.txt").c_str(), O_WRONLY | O_CREAT, 0600);
        ::dup2(errFile, 2);
        ::execl(TRIMSIGHT_HOST_PATH, TRIMSIGHT_HOST_PATH, "--config", config().c_str(), "export",
                log.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(*readFile(dir.file("err.txt")), HasSubstr("cannot write the output"));

    struct Case {
        const char* what;
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const std::string huge(100000, 'z');
    writeFile(dir.file("huge.json"), "{\"canvas\": [16, 16], \"" + huge + "\": 1}");
    const std::vector<Case> cases = {
        {"create throws a standard exception",
         {"--plugin", FAKE_PLUGIN_CREATE_THROWS, "info"},
         3,
         FAKE_PLUGIN_CREATE_THROWS ": the plugin's create function threw std::runtime_error "
                                   "(\"the create function gave up\"); the plugin cannot be used"},
        {"create throws an int",
         {"--plugin", FAKE_PLUGIN_CREATE_THROWS_INT, "info"},
         3,
         FAKE_PLUGIN_CREATE_THROWS_INT
         ": the plugin's create function threw a value of type int, not a standard exception"},
        {"onLoad throws a standard exception",
         {"--plugin", FAKE_PLUGIN_ONLOAD_THROWS, "get", "x_position"},
         3,
         FAKE_PLUGIN_ONLOAD_THROWS ": onLoad threw std::logic_error (\"onLoad gave up\")"},
        {"onLoad throws a value of its own",
         {"--plugin", FAKE_PLUGIN_ONLOAD_THROWS_OWN, "info"},
         3,
         FAKE_PLUGIN_ONLOAD_THROWS_OWN ": onLoad threw a value of type (anonymous "
                                       "namespace)::NotAnException, not a standard exception"},
        {"an empty plot", {"render", log, "--plot", ""}, 2, "--plot needs a non-empty value"},
        {"an empty video", {"render", log, "--video", ""}, 2, "--video needs a non-empty value"},
        {"an empty scene", {"render", ""}, 2, "SCENE needs a non-empty value"},
        {"an empty output", {"export", log, "-o", ""}, 2, "--output needs a non-empty value"},
        {"an empty record", {"fly", "--record", ""}, 2, "--record needs a non-empty value"},
        {"an empty plugin", {"--plugin", "", "info"}, 2, "--plugin needs a non-empty value"},
        {"a video canvas past 4K",
         {"render", log, "--video", dir.file("big.mp4"), "--canvas", "4096x2304"},
         2,
         "a video's frames are at most 3840 by 2160 pixels in all"},
        {"a video side past 4096",
         {"render", log, "--video", dir.file("tall.webm"), "--canvas", "2000x4098"},
         2,
         "no side above 4096"},
        {"a long value", {"set", "x_position", huge}, 5, "x_position: \"zzzz"},
        {"a long name", {"get", huge}, 5, "no console variable named \"zzz"},
        {"a long canvas", {"trace", log, "--canvas", huge}, 2, "--canvas"},
        {"a long command", {huge}, 2, "unknown command"},
        {"a scene's long key", {"trace", dir.file("huge.json")}, 4, dir.file("huge.json")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, c.code) << r.err;
        EXPECT_THAT(r.err.substr(0, 600), HasSubstr(c.message));
        EXPECT_LT(r.err.size(), 600u) << "quotes at most an excerpt: " << r.err.substr(0, 600);
    }
}

// ------------------------------------------------ 5. the history stays whole

TEST_F(Reliability, TheHistoryIsAppendedWholeOrNotAtAllAndNamesOnlyItsOwnLogs) {
    writeFile(dir.file("hands-off.fly"), "# nothing: the car is left alone\n");
    std::vector<std::string> attempt = {
        "fly", "--drill", "recovery", "--seed", "3", "--script", dir.file("hands-off.fly")};
    attempt.insert(attempt.end(), kHeadless.begin(), kHeadless.end());
    const auto logsKept = [&] {
        std::size_t n = 0;
        if (fs::exists(dir.file("flights")))
            for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.file("flights")))
                ++n;
        return n;
    };
    RunResult r = run(attempt);
    if (r.exitCode == 7) GTEST_SKIP() << "no OpenGL context here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(logsKept(), 1u);

    // A full disk: the history, grown to just under the file-size limit,
    // cannot take the next line whole. It is left as it was, and the new
    // attempt's log goes too.
    const std::string line = *readFile(history());
    std::string text = line;
    while (text.size() < (1u << 20)) text += line;  // the same attempt again
    writeFile(history(), text);
    const std::size_t limit = text.size() + line.size() / 2;  // room for half a line
    std::vector<std::string> limited = {"--config", config(), "--history", history()};
    limited.insert(limited.end(), attempt.begin(), attempt.end());
    r = hosttest::runHostWithFileLimit(limited, {{"HOME", dir.file("home")}}, limit);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("warning: the attempt is not in the history: " + history() +
                                 ": cannot append to the history: write: the disk took only part "
                                 "of the line"));
    EXPECT_TRUE(readFile(history()) == text) << "the history is as it was";
    EXPECT_EQ(logsKept(), 1u);

    struct Case {
        const char* what;
        std::function<void(const std::string& path)> make;
        std::string why;
    };
    const std::vector<Case> cases = {
        {"a FIFO", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }, "not a regular file"},
        {"a folder", [](const std::string& p) { fs::create_directory(p); }, "Is a directory"},
        {"a read-only file",
         [](const std::string& p) {
             writeFile(p, "");
             ::chmod(p.c_str(), 0444);
         },
         "the file is read-only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir own;
        const std::string path = own.file("history.txt");
        c.make(path);
        std::vector<std::string> args = {"--config", config(), "--history", path};
        args.insert(args.end(), attempt.begin(), attempt.end());
        r = hosttest::runHost(args, {{"HOME", dir.file("home")}});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr(path + ": cannot append to the history: " + c.why));
        EXPECT_FALSE(fs::exists(own.file("flights"))) << "nothing written beside it";
    }

    // A line whose log= is outside flights/: the best attempt is not raced,
    // with a warning, and the file is never read.
    hosttest::FlownAttempt best = hosttest::flyAttempt("recovery", 3);
    for (const char* name : {"../outside.log", "/etc/passwd", "flights/../../outside.log"}) {
        SCOPED_TRACE(name);
        writeFile(dir.file("outside.log"), sandbox::formatFlightLog(best.log));
        const sandbox::AttemptRecord record = sandbox::attemptRecord(*best.drill, 1700000000, name);
        writeFile(history(), *sandbox::formatAttemptLine(record));
        r = run(attempt);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr("warning: the best attempt is not raced: " + history() +
                                     ": the attempt at recovery with seed 3 names the log"));
    }

    // `set` on a config that is a FIFO: refused, and no .lock left.
    const std::string fifo = dir.file("config.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    r = hosttest::runHost({"--config", fifo, "set", "x_position", "0.5"},
                          {{"HOME", dir.file("home")}});
    EXPECT_EQ(r.exitCode, 6) << r.err;
    EXPECT_FALSE(fs::exists(fifo + ".lock"));
}

}  // namespace
