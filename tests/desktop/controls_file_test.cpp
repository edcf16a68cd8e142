// The player's controls file beside the config: read back as saved,
// missing on the first run, saved under its lock through the output writer,
// and never saved over when it is not a file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "desktop/ConfigFile.h"
#include "desktop/ControlsFile.h"
#include "fly/platform/PlayerControls.h"
#include "testkit/ScopedEnv.h"

namespace {

using namespace desktop;

class ControlsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trimsight-controls-test.XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST_F(ControlsFile, LivesBesideTheConfigAndReadsBackWhatWasSaved) {
    EXPECT_EQ(controlsPathBeside(dir + "/config.json"), dir + "/controls.txt");
    EXPECT_EQ(controlsPathBeside("config.json"), "./controls.txt");
    EXPECT_EQ(controlsPathBeside(""), "");

    const std::string path = controlsPathBeside(dir + "/config.json");
    base::Result<std::optional<std::string>> first = readControlsFile(path);
    ASSERT_TRUE(first) << first.error();
    EXPECT_FALSE(*first) << "no file yet: the first run";

    fly::PlayerControls controls;
    controls.bindings.deadZone = 0.2f;
    controls.dodgeDeadZone = 0.35f;
    ASSERT_TRUE(fly::bindKey(controls.bindings, sandbox::Action::Jump, "J").bound);
    ASSERT_TRUE(saveControlsFile(path, false, fly::formatPlayerControls(controls)));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the player's own";
    EXPECT_TRUE(std::filesystem::exists(path + ".lock"));

    base::Result<std::optional<std::string>> again = readControlsFile(path);
    ASSERT_TRUE(again && *again);
    base::Warnings warnings;
    base::Result<fly::PlayerControls> read = fly::parsePlayerControls(**again, path, warnings);
    ASSERT_TRUE(read) << read.error();
    EXPECT_TRUE(*read == controls);
    EXPECT_TRUE(warnings.list().empty());
}

TEST_F(ControlsFile, TheDefaultFolderIsMadeAndAFolderInTheWayIsRefused) {
    hosttest::ScopedEnv config("XDG_CONFIG_HOME", dir.c_str());
    const std::string path = controlsPathBeside(defaultConfigPath());
    EXPECT_EQ(path, dir + "/trimsight/controls.txt");
    ASSERT_TRUE(saveControlsFile(path, true, "trimsight-controls 1\n"));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "trimsight-controls 1\n");

    const std::string folder = dir + "/folder";
    std::filesystem::create_directory(folder);
    const base::Status refused = saveControlsFile(folder, false, "x");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), folder +
                                   ": cannot write the controls file: it is not a regular "
                                   "file (a folder, a FIFO, a device or a socket)");
    EXPECT_FALSE(readControlsFile(folder));
}

}  // namespace
