// The config file format, writing output files atomically, and console numbers, in-process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/HostSession.h"
#include "desktop/ConfigFile.h"
#include "desktop/OutputFile.h"
#include "testkit/ScopedEnv.h"

namespace {

using namespace app;
using namespace desktop;
using namespace scene;
using hosttest::ScopedEnv;
using ::testing::HasSubstr;

TEST(ConfigFile, FormatAndParseRoundTrip) {
    const SavedSettings entries{{"a", "1"}, {"b \"q\"", "x\ny"}, {"trimsight_target", "4.0"}};
    const auto parsed = parseSavedSettings(formatSavedSettings(entries));
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(*parsed, entries);
}

TEST(ConfigFile, RejectsWhatIsNotAnObjectOfStrings) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "line 1, column 1"},
        {"[]", "at top level: expected an object"},
        {"{\"a\": 1}", "at a: expected a string"},
        {"{\"a\": \"1\", \"a\": \"2\"}", "duplicate key \"a\""},
        {"{\"a\": \"1\"", "line 1, column 10"},
    };
    for (const Case& c : cases) {
        const auto r = parseSavedSettings(c.text);
        EXPECT_FALSE(r) << c.text;
        EXPECT_THAT(r.error(), HasSubstr(c.message)) << c.text;
    }
}

class ConfigSaving : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trimsight-config-test.XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST_F(ConfigSaving, ReplacesTheFileAndLeavesNoTemporaryBehind) {
    const std::string path = dir + "/config.json";
    const auto missing = loadConfigFile(path);
    ASSERT_TRUE(missing) << missing.error();
    EXPECT_TRUE(missing->empty());
    ASSERT_TRUE(saveConfigFile(path, "{\"a\": \"1\"}"));
    ASSERT_TRUE(saveConfigFile(path, "{\"a\": \"2\"}"));
    const auto load = loadConfigFile(path);
    ASSERT_TRUE(load) << load.error();
    EXPECT_EQ(load->at("a"), "2");
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(ConfigSaving, ALinkedConfigStaysALink) {
    const std::string target = dir + "/real.json", link = dir + "/config.json";
    ASSERT_TRUE(saveConfigFile(target, "{}"));
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(saveConfigFile(link, "{\"a\": \"1\"}"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(loadConfigFile(target)->at("a"), "1");
}

TEST_F(ConfigSaving, FailuresNameTheFile) {
    const std::string path = dir + "/missing-dir/config.json";
    EXPECT_THAT(saveConfigFile(path, "{}").error(),
                HasSubstr(path + ": cannot write the config file"));
    const auto load = loadConfigFile(dir);
    EXPECT_FALSE(load);
    EXPECT_THAT(load.error(), HasSubstr(dir + ": cannot read the config file"));
}

TEST_F(ConfigSaving, OutputFilesKeepTheOldFileWhenAWriteFailsAndLeaveNoTemporaryBehind) {
    const std::string inMissingFolder = dir + "/missing/out.png";
    const base::Status missing = writeOutputFile(inMissingFolder, "new", 0666);
    EXPECT_THAT(missing.error(),
                HasSubstr("cannot create a temporary file in " + dir + "/missing"));
    // A folder in the way of the rename: the write fails and the temporary goes.
    std::filesystem::create_directories(dir + "/taken/inside");
    EXPECT_FALSE(writeOutputFile(dir + "/taken", "new", 0666));
    ASSERT_TRUE(writeOutputFile(dir + "/picture.png", "new", 0666));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"picture.png", "taken"}));
}

TEST_F(ConfigSaving, OutputWrittenByALibraryGoesThroughATemporaryFileBesideTheTarget) {
    // The library is handed an empty file beside the target, not the target.
    auto fillWith = [](const std::string& text, bool ok) {
        return [text, ok](const std::string& temporary) -> base::Status {
            EXPECT_EQ(std::filesystem::file_size(temporary), 0u);
            EXPECT_TRUE(
                isTemporaryOf(std::filesystem::path(temporary).filename().string(), "real.mp4"));
            std::ofstream(temporary) << text;
            if (!ok) return base::Failure{"encoding failed"};
            return {};
        };
    };
    auto read = [](const std::string& path) {
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    };
    const std::string target = dir + "/real.mp4", link = dir + "/clip.mp4";
    std::filesystem::create_symlink(target, link);  // dangling until written
    ASSERT_TRUE(writeOutputFileThrough(link, 0666, fillWith("first", true)));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read(target), "first");
    // A failure leaves the old file whole and no temporary behind.
    EXPECT_EQ(writeOutputFileThrough(link, 0666, fillWith("second", false)).error(),
              "encoding failed");
    EXPECT_EQ(read(target), "first");
    // A FIFO is refused before the library is called.
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    EXPECT_THAT(writeOutputFileThrough(dir + "/fifo", 0666, fillWith("x", true)).error(),
                HasSubstr("it is a device or a FIFO"));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"clip.mp4", "fifo", "real.mp4"}));
}

TEST_F(ConfigSaving, DefaultConfigFolderIsMadeOnlyUnderAnExistingConfigurationHome) {
    namespace fs = std::filesystem;
    {
        // XDG_CONFIG_HOME names a folder that is not there: nothing is made.
        ScopedEnv xdg("XDG_CONFIG_HOME", dir + "/xdg");
        EXPECT_THAT(makeDefaultConfigFolder().error(), HasSubstr(dir + "/xdg (XDG_CONFIG_HOME)"));
        EXPECT_FALSE(fs::exists(dir + "/xdg"));
        fs::create_directory(dir + "/xdg");
        ASSERT_TRUE(makeDefaultConfigFolder());
        EXPECT_TRUE(fs::is_directory(dir + "/xdg/trimsight"));
        EXPECT_TRUE(makeDefaultConfigFolder());  // a second time is fine
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    {
        ScopedEnv home("HOME", dir + "/no-home");
        EXPECT_THAT(makeDefaultConfigFolder().error(), HasSubstr(dir + "/no-home (HOME)"));
        EXPECT_FALSE(fs::exists(dir + "/no-home"));
    }
    // An existing home gets ~/.config when it has none.
    fs::create_directory(dir + "/home");
    ScopedEnv home("HOME", dir + "/home");
    ASSERT_TRUE(makeDefaultConfigFolder());
    EXPECT_TRUE(fs::is_directory(dir + "/home/.config/trimsight"));
}

TEST(ConsoleNumber, AnyDecimalIsTheNearestFloatAndNothingElseIsANumber) {
    struct Case {
        std::string text;
        float value;
    };
    const Case numbers[] = {
        {"4.5", 4.5f},
        {"-3", -3.0f},
        {".5", 0.5f},
        {"-.5", -0.5f},
        {"+.5", 0.5f},
        {"5.", 5.0f},
        {"1e1", 10.0f},
        {"4.0", 4.0f},
        {"1E+2", 100.0f},
        // Past the float range: 0 below it, infinity above it.
        {"1e-400", 0.0f},
        {"1e40", INFINITY},
        {"-1e999", -INFINITY},
        // Up to the 63 characters the console reads a number from.
        {"0.25" + std::string(58, '0') + "1", 0.25f},
        {std::string(62, '0') + "7", 7.0f},
    };
    for (const Case& c : numbers) {
        const auto n = parseConsoleNumber(c.text);
        ASSERT_TRUE(n) << c.text;
        EXPECT_EQ(*n, c.value) << c.text;
    }
    for (const char* bad :
         {"",     " 1",  "1 ",  "1x",  "x", "nan", "-nan", "inf", "-inf", "Infinity",
          "0x10", "--1", "+-1", "1,5", ".", "-",   "e5",   "1e",  "1e+",  "1.5.2"})
        EXPECT_EQ(parseConsoleNumber(bad).error(), "is not a number") << bad;
    // 64 characters: the console would read the first 63 (here 0, not 4.5).
    EXPECT_EQ(parseConsoleNumber(std::string(61, '0') + "4.5").error(),
              "is longer than the 63 characters the console reads a number from");
}

TEST(ConsoleNumber, ValuesAreKeptInsideTheBoundsAndInfinityOnlyWhereThereIsABound) {
    pluginsdk::CVarDefinition position{"x_position", "0.3", "", true, true, 0.0f, true, 1.0f};
    EXPECT_EQ(*boundedNumber(position, 0.5f), 0.5f);
    EXPECT_EQ(*boundedNumber(position, 9.0f), 1.0f);
    EXPECT_EQ(*boundedNumber(position, INFINITY), 1.0f);
    EXPECT_EQ(*boundedNumber(position, -INFINITY), 0.0f);
    pluginsdk::CVarDefinition unbounded{"free", "0", ""};
    EXPECT_EQ(*boundedNumber(unbounded, -1e30f), -1e30f);
    EXPECT_EQ(boundedNumber(unbounded, INFINITY).error(), "is beyond the 32-bit float range");
    EXPECT_FALSE(boundedNumber(unbounded, -INFINITY));
}

TEST(DefaultConfigPath, XdgThenHome) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedXdg = xdg ? xdg : "", savedHome = home ? home : "";
    setenv("XDG_CONFIG_HOME", "/x", 1);
    setenv("HOME", "/h", 1);
    EXPECT_EQ(defaultConfigPath(), "/x/trimsight/config.json");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(defaultConfigPath(), "/h/.config/trimsight/config.json");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(defaultConfigPath(), "");
    if (xdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    if (home) setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
