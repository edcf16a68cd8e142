// Sessions through the program: `session code` and `session file` carry a
// session as a share code and back, refusing a broken file at its line;
// `fly --session` without a screen plays every attempt to the end with a
// JSON line each and one for the session; a session that cannot be played
// stops before the flight (exit 4).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "testkit/ProgramRunner.h"

namespace {

using hosttest::RunResult;

constexpr const char* kSession =
    "trimsight-session 1\n"
    "name \"Two kinds\"\n"
    "# a comment, kept in the code\n"
    "drill aerial-touch 2 x2\n"
    "shot first-aerials 1 0 x1\n";

class SessionProgram : public ::testing::Test {
  protected:
    RunResult run(const std::vector<std::string>& args) {
        std::vector<std::string> all{"--config", dir.file("config.json"), "--history",
                                     dir.file("history.txt")};
        all.insert(all.end(), args.begin(), args.end());
        RunResult r = hosttest::runHost(all, {{"XDG_DATA_HOME", dir.file("data")}});
        EXPECT_EQ(r.signal, 0) << r.err;
        return r;
    }
    hosttest::TempDir dir;
};

TEST_F(SessionProgram, ASessionGoesToACodeAndBackAndABrokenOneIsRefusedAtItsLine) {
    hosttest::writeFile(dir.file("s.session"), kSession);
    const RunResult code = run({"session", "code", dir.file("s.session")});
    ASSERT_EQ(code.exitCode, 0) << code.err;
    std::string text = code.out;
    text.pop_back();  // the line's end
    const RunResult back = run({"session", "file", text, "-o", dir.file("back.session")});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(back.out,
              "wrote " + dir.file("back.session") + ": \"Two kinds\", 2 entries, 3 attempts\n");
    EXPECT_EQ(hosttest::readFile(dir.file("back.session")), kSession);

    hosttest::writeFile(dir.file("bad.session"),
                        "trimsight-session 1\nname \"x\"\ndrill aerial-touch 1 five\n");
    const RunResult bad = run({"session", "code", dir.file("bad.session")});
    EXPECT_EQ(bad.exitCode, 4);
    EXPECT_EQ(bad.err, "trimsight-host: " + dir.file("bad.session") +
                           ":3: the count: expected x1 to x100, got \"five\"\n");
    const RunResult flown =
        run({"fly", "--video-driver", "offscreen", "--session", dir.file("bad.session")});
    EXPECT_EQ(flown.exitCode, 4);
    EXPECT_EQ(flown.err, bad.err);
    // A drill that is not there, named by its entry.
    hosttest::writeFile(dir.file("typo.session"),
                        "trimsight-session 1\nname \"x\"\ndrill aerial-tuoch 1 x1\n");
    const RunResult typo = run({"session", "code", dir.file("typo.session")});
    EXPECT_EQ(typo.exitCode, 4);
    EXPECT_EQ(typo.err, "trimsight-host: " + dir.file("typo.session") +
                            ": entry 1: no drill named \"aerial-tuoch\"\n");
    const RunResult cut = run(
        {"fly", "--video-driver", "offscreen", "--session-code", text.substr(0, text.size() / 2)});
    EXPECT_EQ(cut.exitCode, 4);
    EXPECT_NE(cut.err.find("code"), std::string::npos) << cut.err;
}

TEST_F(SessionProgram, FlownWithoutAScreenEveryAttemptHasItsLineAndTheSessionItsTally) {
    hosttest::writeFile(dir.file("s.session"), kSession);
    const RunResult r = run({"fly", "--video-driver", "offscreen", "--size", "320x180",
                             "--autopilot", "--session", dir.file("s.session")});
    if (r.exitCode == 1 && r.err.find("OpenGL") != std::string::npos)
        GTEST_SKIP() << "no OpenGL context on the offscreen driver here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = hosttest::lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    const char* drills[] = {"aerial-touch", "aerial-touch", "shot-first-aerials-1"};
    int passed = 0;
    for (int i = 0; i < 3; ++i) {
        const nlohmann::json a = nlohmann::json::parse(lines[static_cast<std::size_t>(i)]);
        EXPECT_EQ(a["drill"], drills[i]);
        passed += a["outcome"] == "passed" ? 1 : 0;
    }
    const nlohmann::json s = nlohmann::json::parse(lines[3]);
    EXPECT_EQ(s["session"], "Two kinds");
    EXPECT_EQ(s["attempts"], 3);
    EXPECT_EQ(s["of"], 3);
    EXPECT_EQ(s["passed"], passed);
    EXPECT_EQ(s["over"], true);
}

}  // namespace
