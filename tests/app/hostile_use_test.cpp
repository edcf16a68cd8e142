// trimsight-host used the way a careless or hostile user would: outputs that
// are devices, FIFOs and links, many saves at once, inputs that never end,
// NUL bytes, odd numbers. Every run happens inside the test's own temporary
// folder; device nodes are made there with mknod, never taken from /dev.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "testkit/ProgramRunner.h"

namespace {

namespace fs = std::filesystem;
using hosttest::readFile;
using hosttest::RunResult;
using hosttest::TempDir;
using hosttest::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;

// One frame on a 16 by 16 canvas: a picture of a few hundred bytes.
constexpr const char* kTinyScene = R"({"canvas": [16, 16]})";

class HostileUse : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directory(dir.file("xdg")); }

    RunResult run(const std::vector<std::string>& args,
                  std::map<std::string, std::optional<std::string>> env = {}) {
        env.emplace("XDG_CONFIG_HOME", dir.file("xdg"));
        env.emplace("HOME", dir.file("home"));
        RunResult r = hosttest::runHost(args, env);
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_THAT(r.err, Not(HasSubstr("Sanitizer")));
        return r;
    }
    RunResult renderTo(const std::string& output) {
        writeFile(dir.file("tiny.json"), kTinyScene);
        return run({"--config", config(), "render", dir.file("tiny.json"), "-o", output});
    }
    std::string config() const { return dir.file("config.json"); }
    std::string get(const std::string& name) {
        return run({"--config", config(), "get", name}).out;
    }

    // A device node in the test's folder, or a skip when mknod is refused.
    bool makeDevice(const std::string& path, mode_t kind, unsigned major, unsigned minor) {
        if (::mknod(path.c_str(), kind | 0666, makedev(major, minor)) == 0) return true;
        std::printf("mknod %s refused (%s): device cases skipped\n", path.c_str(),
                    std::strerror(errno));
        return false;
    }

    TempDir dir;
};

bool isPng(const std::string& bytes) { return bytes.rfind("\x89PNG\r\n", 0) == 0; }

mode_t kindOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// 1. Output paths never destroy what is there.

TEST_F(HostileUse, ACharacterDeviceOutputIsWrittenInPlaceAndStaysADevice) {
    const std::string null = dir.file("null");  // the null device's numbers, 1 and 3
    if (!makeDevice(null, S_IFCHR, 1, 3)) GTEST_SKIP() << "mknod refused";
    const RunResult r = renderTo(null);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(kindOf(null), S_IFCHR);
    EXPECT_EQ(run({"render", "--save-demo-scene", null}).exitCode, 0);
    EXPECT_EQ(kindOf(null), S_IFCHR);
    // A block device is a disk: refused, never opened (240: a number kept for
    // local use, with no driver behind it).
    const std::string disk = dir.file("disk");
    ASSERT_TRUE(makeDevice(disk, S_IFBLK, 240, 0));
    const RunResult refused = renderTo(disk);
    EXPECT_EQ(refused.exitCode, 7);
    EXPECT_THAT(refused.err, HasSubstr("block device"));
    EXPECT_EQ(kindOf(disk), S_IFBLK);
}

TEST_F(HostileUse, AFifoOutputGetsThePictureWhileReadAndIsRefusedWithoutAReader) {
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    RunResult r = renderTo(fifo);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_THAT(r.err, HasSubstr(fifo + ": it is a FIFO that no program is reading"));
    EXPECT_EQ(kindOf(fifo), S_IFIFO);

    // A reader that reads after the program is gone: the picture is small
    // enough to wait in the FIFO's buffer.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    r = renderTo(fifo);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string bytes(65536, '\0');
    const ssize_t n = ::read(reader, bytes.data(), bytes.size());
    ::close(reader);
    ASSERT_GT(n, 0);
    EXPECT_TRUE(isPng(bytes.substr(0, static_cast<std::size_t>(n))));
    EXPECT_EQ(kindOf(fifo), S_IFIFO);
}

TEST_F(HostileUse, LinksAreFollowedDanglingOnesTooAndStayLinks) {
    struct Case {
        const char* what;
        std::vector<std::string> args;  // after the link's path is appended
    };
    const std::vector<Case> cases = {
        {"picture", {"render", dir.file("tiny.json"), "-o"}},
        {"demo scene", {"render", "--save-demo-scene"}},
        {"config", {"set", "x_position", "0.5", "--config"}},
    };
    writeFile(dir.file("tiny.json"), kTinyScene);
    for (const Case& c : cases) {
        for (bool dangling : {false, true}) {
            const std::string target = dir.file(std::string(c.what) + (dangling ? "-new" : ""));
            const std::string link = target + ".link";
            if (!dangling) writeFile(target, std::string(c.what) == "config" ? "{}" : "old");
            fs::create_symlink(fs::path(target).filename(), link);  // relative, as people make them
            std::vector<std::string> args = c.args;
            args.push_back(link);
            const RunResult r = run(args);
            EXPECT_EQ(r.exitCode, 0) << c.what << ": " << r.err;
            EXPECT_TRUE(fs::is_symlink(link)) << c.what;
            EXPECT_TRUE(fs::is_regular_file(target)) << c.what;
        }
    }
    // The configs behind the links hold the setting.
    for (const char* config : {"config", "config-new"})
        EXPECT_THAT(*readFile(dir.file(config)), HasSubstr("\"x_position\": \"0.5\""));
    EXPECT_TRUE(isPng(*readFile(dir.file("picture"))));
}

TEST_F(HostileUse, ReadOnlyFilesAreNotReplaced) {
    writeFile(dir.file("tiny.json"), kTinyScene);
    for (const std::string_view name : {"picture.png", "config.json"}) {
        const std::string path = dir.file(std::string(name));
        writeFile(path, "{}");
        ::chmod(path.c_str(), 0444);
        const RunResult r = name == "config.json"
                                ? run({"--config", path, "set", "x_position", "0.5"})
                                : run({"render", dir.file("tiny.json"), "-o", path});
        EXPECT_EQ(r.exitCode, name == "config.json" ? 6 : 7) << r.err;
        EXPECT_THAT(r.err, HasSubstr(path));
        EXPECT_THAT(r.err, HasSubstr("read-only"));
        EXPECT_EQ(*readFile(path), "{}");
    }
}

TEST_F(HostileUse, ASequenceOverALongerEarlierRunRemovesTheEarlierFramesOnly) {
    const std::string out = dir.file("frames");
    fs::create_directory(out);
    for (const char* name : {"frame-0000.png", "frame-0005.png", "frame-00001.png", "notes.txt",
                             "frame-12.png", "contact-sheet.png"})
        writeFile(out + "/" + name, "earlier");
    writeFile(dir.file("two.json"), R"({"frames": [{"canvas": [16, 16]}, {}]})");
    const RunResult r = run({"--config", config(), "render", dir.file("two.json"), "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("removed 2 frame(s) of an earlier, longer run from " + out));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"contact-sheet.png", "frame-0000.png",
                                               "frame-0001.png", "frame-12.png", "notes.txt"}));
    EXPECT_TRUE(isPng(*readFile(out + "/frame-0000.png")));
}

// 3. Concurrent saves lose nothing.

TEST_F(HostileUse, TwentyFourSetsAtOnceOnSixVariablesLoseNoUpdate) {
    // Four runs per variable, every one setting it away from its default.
    const std::vector<std::pair<std::string, std::string>> changes = {
        {"trimsight_enabled", "0"}, {"peripheral_mode_enabled", "1"},
        {"trimsight_size", "4.5"},  {"x_position", "0.7"},
        {"y_position", "0.2"},      {"trimsight_target", "2"}};
    std::vector<std::thread> runs;
    std::vector<int> codes(4 * changes.size(), -1);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        runs.emplace_back([&, i] {
            const auto& [name, value] = changes[i % changes.size()];
            codes[i] = hosttest::runHost({"--config", config(), "set", name, value},
                                         {{"XDG_CONFIG_HOME", dir.file("xdg")}})
                           .exitCode;
        });
    }
    for (std::thread& t : runs) t.join();
    for (int code : codes) EXPECT_EQ(code, 0);
    for (const auto& [name, value] : changes) EXPECT_EQ(get(name), value + "\n") << name;
}

TEST_F(HostileUse, ASaveRemovesKilledSavesLeftoversAndKeepsTheFilesModeAndOwner) {
    ASSERT_EQ(run({"--config", config(), "set", "x_position", "0.4"}).exitCode, 0);
    for (const char* name : {"config.json.tmp.Ab12Yz", "config.json.tmp.keep",
                             "other.json.tmp.Ab12Yz", "config.json.tmp.Ab12Yz9"})
        writeFile(dir.file(name), "left behind");
    ::chmod(config().c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(config().c_str(), 4321, 4322), 0);
    }

    ASSERT_EQ(run({"--config", config(), "set", "y_position", "0.1"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(dir.file("config.json.tmp.Ab12Yz")));
    for (const char* kept :
         {"config.json.tmp.keep", "other.json.tmp.Ab12Yz", "config.json.tmp.Ab12Yz9"})
        EXPECT_TRUE(fs::exists(dir.file(kept))) << kept;
    struct stat st {};
    ASSERT_EQ(::stat(config().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(get("x_position"), "0.4\n");
}

// 4. Inputs are bounded.

TEST_F(HostileUse, ScenesAndConfigsThatAreNoRegularFileAreRefusedWithoutWaiting) {
    std::vector<std::string> inputs{dir.file("fifo")};
    ASSERT_EQ(::mkfifo(inputs[0].c_str(), 0600), 0);  // no writer, ever
    if (makeDevice(dir.file("zero"), S_IFCHR, 1, 5)) inputs.push_back(dir.file("zero"));
    for (const std::string& input : inputs) {
        RunResult r = run({"--config", config(), "trace", input});
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_EQ(r.err, "trimsight-host: " + input +
                             ": cannot read the scene file: not a regular file (a FIFO, a device "
                             "or a socket)\n");
        r = run({"--config", input, "get", "x_position"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "0.3\n");
        EXPECT_THAT(r.err, HasSubstr("warning: " + input + ": cannot read the config file"));
        r = run({"--config", input, "set", "x_position", "0.5"});
        EXPECT_EQ(r.exitCode, 6);
        EXPECT_NE(kindOf(input), S_IFREG);
    }
}

TEST_F(HostileUse, OversizedInputsAndNulBytesAreErrors) {
    struct Case {
        std::string name;
        std::string text;
        off_t size;  // grown with zeros past the text (sparse)
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::string scene = dir.file("s.json"), cfg = dir.file("c.json");
    const std::string frames = R"({"frames": [{})";
    std::string million = frames;
    for (int i = 0; i < 1000000; ++i) million += ",{}";
    const std::vector<Case> cases = {
        {"scene over 64 MB",
         "{}",
         (off_t{64} << 20) + 1,
         {"trace", scene},
         4,
         "cannot read the scene file: larger than 67108864 bytes"},
        {"config over 1 MB",
         "{}",
         (off_t{1} << 20) + 1,
         {"--config", cfg, "get", "x_position"},
         0,
         "cannot read the config file: larger than 1048576 bytes"},
        {"a million and one frames",
         million + "]}",
         0,
         {"trace", scene},
         4,
         "at frames: more than 1000000 elements in one array"},
        {"NUL in a scene",
         std::string("{}\0{\"canvas\": 7}", 16),
         0,
         {"trace", scene},
         4,
         "line 1, column 3: a NUL byte"},
        {"NUL in a config",
         std::string("{\"x_position\": \"0.5\"}\n\0x", 24),
         0,
         {"--config", cfg, "get", "x_position"},
         0,
         "line 2, column 1: a NUL byte"},
    };
    for (const Case& c : cases) {
        const std::string& file = c.args[0] == "trace" ? scene : cfg;
        writeFile(file, c.text);
        if (c.size > 0) {
            ASSERT_EQ(::truncate(file.c_str(), c.size), 0);
        }
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name;
        EXPECT_THAT(r.err, HasSubstr(file + ": ")) << c.name;
        EXPECT_THAT(r.err, HasSubstr(c.message)) << c.name;
        if (c.exitCode == 0) {
            EXPECT_EQ(r.out, "0.3\n") << c.name;  // the default, not the file's
        }
    }
}

// 5. Numbers on the command line: one rule.

struct NumberCase {
    const char* name;
    std::string value;
    int exitCode;
    const char* stored;  // x_position afterwards (0 to 1)
};

class NumberOnTheCommandLine : public HostileUse,
                               public ::testing::WithParamInterface<NumberCase> {};

TEST_P(NumberOnTheCommandLine, IsReadByTheRuleThenKeptInsideTheBounds) {
    const NumberCase& c = GetParam();
    // The value first among the options and last, as people type them.
    for (const auto& args :
         {std::vector<std::string>{"set", "x_position", c.value, "--config", config()},
          std::vector<std::string>{"--config", config(), "set", "x_position", c.value}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        if (c.exitCode == 5) {
            const std::string why = c.value.size() > 63
                                        ? "is longer than the 63 characters the console reads a "
                                          "number from"
                                        : "is not a number";
            EXPECT_EQ(r.err, "trimsight-host: x_position: \"" + c.value + "\" " + why + "\n");
        }
        EXPECT_EQ(get("x_position"), std::string(c.stored) + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rule, NumberOnTheCommandLine,
    ::testing::Values(
        NumberCase{"MinusPointFive", "-.5", 0, "0"}, NumberCase{"PlusQuarter", "+.25", 0, "0.25"},
        NumberCase{"Underflow", "1e-400", 0, "0"}, NumberCase{"Overflow", "1e40", 0, "1"},
        NumberCase{"NegativeOverflow", "-1e999", 0, "0"},
        // The console reads a number from 63 characters at most: a longer
        // text is refused rather than read as its first 63.
        NumberCase{"SixtyThreeCharacters", "0.75" + std::string(58, '0') + "1", 0, "0.75"},
        NumberCase{"SixtyFourCharacters", "0.75" + std::string(59, '0') + "1", 5, "0.3"},
        NumberCase{"MinusInfinity", "-inf", 5, "0.3"}, NumberCase{"MinusNan", "-nan", 5, "0.3"},
        NumberCase{"Infinity", "infinity", 5, "0.3"}, NumberCase{"Hexadecimal", "0x1", 5, "0.3"},
        NumberCase{"Comma", "0,5", 5, "0.3"}),
    [](const auto& info) { return std::string(info.param.name); });

// 6. Smaller points.

TEST_F(HostileUse, ContradictoryOrMistypedSettingsAreRefused) {
    writeFile(dir.file("tiny.json"), kTinyScene);
    RunResult r = run({"render", dir.file("tiny.json"), "--save-demo-scene", dir.file("d.json")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.err, HasSubstr("SCENE excludes --save-demo-scene"));
    EXPECT_FALSE(fs::exists(dir.file("d.json")));

    r = run({"--config", config(), "set", "x_position", "0.5"},
            {{"TRIMSIGHT_FAULT_SAVE", "mid-writ"}});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.err, HasSubstr("TRIMSIGHT_FAULT_SAVE=mid-writ is not a fault"));
    EXPECT_FALSE(fs::exists(config()));

    // A home that does not exist: nothing is made from the root down.
    r = run({"set", "x_position", "0.5"},
            {{"XDG_CONFIG_HOME", std::nullopt}, {"HOME", dir.file("no/such/home")}});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_THAT(
        r.err, HasSubstr("the home folder " + dir.file("no/such/home") + " (HOME) does not exist"));
    EXPECT_FALSE(fs::exists(dir.file("no")));
}

}  // namespace
