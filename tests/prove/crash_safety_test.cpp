// The host program saving its settings dies part way: by the fault switch
// TRIMSIGHT_FAULT_SAVE at the worst moments (half the file written, or all of
// it but not yet renamed), and by SIGKILL at random moments of a run. The
// config file afterwards is always the old one or the new one, byte for byte,
// never a torn mix.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Starts the host program with its output thrown away; `fault` sets
// TRIMSIGHT_FAULT_SAVE.
pid_t startHost(const std::vector<std::string>& args, const std::string& fault = "") {
    std::vector<std::string> argStore{TRIMSIGHT_HOST_PATH};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        if (std::string(*e).rfind("TRIMSIGHT_FAULT_SAVE=", 0) != 0) envStore.emplace_back(*e);
    }
    if (!fault.empty()) envStore.push_back("TRIMSIGHT_FAULT_SAVE=" + fault);
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int waitStatus(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

int runHost(const std::vector<std::string>& args, const std::string& fault = "") {
    const pid_t pid = startHost(args, fault);
    return pid < 0 ? -1 : waitStatus(pid);
}

std::optional<std::string> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CrashSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("trimsight-crash-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        config = (dir / "config.json").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    int set(const std::string& name, const std::string& value, const std::string& fault = "") {
        return runHost({"--config", config, "set", name, value}, fault);
    }

    fs::path dir;
    std::string config;
};

class FaultInjected : public CrashSafety, public ::testing::WithParamInterface<const char*> {};

TEST_P(FaultInjected, AnAbortedSaveLeavesTheOldFileWhole) {
    const int first = set("trimsight_size", "4.5");
    ASSERT_TRUE(WIFEXITED(first) && WEXITSTATUS(first) == 0) << first;
    const std::optional<std::string> before = readFile(config);
    ASSERT_TRUE(before.has_value());
    ASSERT_NE(before->find("4.5"), std::string::npos) << *before;

    const int status = set("trimsight_size", "2.5", GetParam());
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << status;
    EXPECT_EQ(readFile(config), before);

    // The next save goes through and replaces it whole.
    const int again = set("trimsight_size", "2.5");
    ASSERT_TRUE(WIFEXITED(again) && WEXITSTATUS(again) == 0) << again;
    const std::optional<std::string> after = readFile(config);
    ASSERT_TRUE(after.has_value());
    EXPECT_NE(after->find("2.5"), std::string::npos) << *after;
    EXPECT_EQ(after->find("4.5"), std::string::npos) << *after;
}

TEST_P(FaultInjected, AnAbortedFirstSaveLeavesNoFile) {
    const int status = set("x_position", "0.25", GetParam());
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << status;
    EXPECT_FALSE(fs::exists(config));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjected, ::testing::Values("mid-write", "after-write"));

TEST_F(CrashSafety, KilledAtAnyMomentTheFileIsOldOrNew) {
    ASSERT_EQ(set("trimsight_target", "1"), 0);
    // How long a whole run takes, to spread the kills over it.
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(set("trimsight_size", "3.0"), 0);
    const auto runTime = std::chrono::steady_clock::now() - t0;
    const long maxDelayUs = std::chrono::duration_cast<std::chrono::microseconds>(runTime).count();

    std::mt19937 random(8);
    const std::string copy = (dir / "expected.json").string();
    int sawOld = 0;
    int sawNew = 0;
    for (int i = 0; i < 30; ++i) {
        const std::string value = std::to_string(2.0 + 0.1 * (i % 30));
        const std::optional<std::string> before = readFile(config);
        ASSERT_TRUE(before.has_value());
        // What an uninterrupted save of this value writes.
        fs::copy_file(config, copy, fs::copy_options::overwrite_existing);
        ASSERT_EQ(runHost({"--config", copy, "set", "trimsight_size", value}), 0);
        const std::optional<std::string> expected = readFile(copy);

        const pid_t pid = startHost({"--config", config, "set", "trimsight_size", value});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<long>(maxDelayUs / 2, maxDelayUs * 3 / 2)(random)));
        kill(pid, SIGKILL);
        waitStatus(pid);

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
