// The host program saving its settings dies part way: by the fault switch
// TRIMSIGHT_FAULT_SAVE at the worst moments (half the file written, or all of
// it but not yet renamed), and by SIGKILL at random moments of a run. The
// config file afterwards is always the old one or the new one, byte for byte,
// never a torn mix.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "testkit/ProgramRunner.h"

namespace {

namespace fs = std::filesystem;

using hosttest::readFile;
using hosttest::RunResult;

class CrashSafety : public ::testing::Test {
  protected:
    // `trimsight-host set`; `fault` names the moment TRIMSIGHT_FAULT_SAVE
    // aborts the save at.
    RunResult set(const std::string& name, const std::string& value,
                  const std::string& fault = "") {
        std::map<std::string, std::optional<std::string>> env;
        if (!fault.empty()) env["TRIMSIGHT_FAULT_SAVE"] = fault;
        RunResult r = hosttest::runHost({"--config", config, "set", name, value}, env);
        // The sanitizers abort too: only the fault switch may.
        EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
        return r;
    }

    hosttest::TempDir dir;
    const std::string config = dir.file("config.json");
};

class FaultInjected : public CrashSafety, public ::testing::WithParamInterface<const char*> {};

TEST_P(FaultInjected, AnAbortedSaveLeavesTheOldFileWhole) {
    ASSERT_EQ(set("trimsight_size", "4.5").exitCode, 0);
    const std::optional<std::string> before = readFile(config);
    ASSERT_TRUE(before.has_value());
    ASSERT_NE(before->find("4.5"), std::string::npos) << *before;

    const RunResult aborted = set("trimsight_size", "2.5", GetParam());
    ASSERT_EQ(aborted.signal, SIGABRT) << aborted.err;
    EXPECT_EQ(readFile(config), before);
    EXPECT_EQ(hosttest::runHost({"--config", config, "get", "trimsight_size"}, {}).out, "4.5\n");

    // The next save goes through and replaces it whole.
    ASSERT_EQ(set("trimsight_size", "2.5").exitCode, 0);
    const std::optional<std::string> after = readFile(config);
    ASSERT_TRUE(after.has_value());
    EXPECT_NE(after->find("2.5"), std::string::npos) << *after;
    EXPECT_EQ(after->find("4.5"), std::string::npos) << *after;
}

TEST_P(FaultInjected, AnAbortedFirstSaveLeavesNoFile) {
    const RunResult aborted = set("x_position", "0.25", GetParam());
    ASSERT_EQ(aborted.signal, SIGABRT) << aborted.err;
    EXPECT_FALSE(fs::exists(config));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjected, ::testing::Values("mid-write", "after-write"));

TEST_F(CrashSafety, KilledAtAnyMomentTheFileIsOldOrNew) {
    ASSERT_EQ(set("trimsight_target", "1").exitCode, 0);
    // How long a whole run takes, started as the killed ones are, to spread
    // the kills over it.
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t timed =
        hosttest::startHost({"--config", config, "set", "trimsight_size", "3.0"}, {});
    ASSERT_EQ(hosttest::waitForHost(timed).exitCode, 0);
    const auto runTime = std::chrono::steady_clock::now() - t0;
    const long maxDelayUs = std::chrono::duration_cast<std::chrono::microseconds>(runTime).count();

    std::mt19937 random(8);
    const std::string copy = dir.file("expected.json");
    int sawOld = 0;
    int sawNew = 0;
    for (int i = 0; i < 30; ++i) {
        const std::string value = std::to_string(2.0 + 0.1 * (i % 30));
        const std::optional<std::string> before = readFile(config);
        ASSERT_TRUE(before.has_value());
        // What an uninterrupted save of this value writes.
        fs::copy_file(config, copy, fs::copy_options::overwrite_existing);
        ASSERT_EQ(
            hosttest::runHost({"--config", copy, "set", "trimsight_size", value}, {}).exitCode, 0);
        const std::optional<std::string> expected = readFile(copy);

        const pid_t pid =
            hosttest::startHost({"--config", config, "set", "trimsight_size", value}, {});
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<long>(maxDelayUs / 2, maxDelayUs * 3 / 2)(random)));
        kill(pid, SIGKILL);
        hosttest::waitForHost(pid);

        const std::optional<std::string> after = readFile(config);
        ASSERT_TRUE(after == before || after == expected) << "torn config after a kill:\n"
                                                          << after.value_or("(none)");
        if (after == before && before != expected) ++sawOld;
        if (after == expected && before != expected) ++sawNew;
    }
    // Informational: where the kills landed.
    std::printf("kills: %d left the old file, %d the new one\n", sawOld, sawNew);
}

}  // namespace
