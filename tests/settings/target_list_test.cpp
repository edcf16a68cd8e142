// The target list's selected index: taken from the variable the first time a
// library instance reaches the list, then changed only by the user's picks.
// Each test loads a fresh copy of the built library, so it starts with the
// index not yet taken.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SettingsHarness.h"

namespace settings_test {
namespace {

// The list's entries in the order the page logs them.
std::vector<std::string> listedEntries(const Shown& shown) {
    const std::string heading = "Target options ";
    std::vector<std::string> entries;
    bool inList = false;
    for (const std::string& line : shown.lines) {
        if (line.rfind(heading, 0) == 0) {
            inList = true;
            entries.push_back(line.substr(heading.size()));
        } else if (inList) {
            entries.push_back(line);
        }
    }
    return entries;
}

class TargetList : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin = makePlugin(Backend::FreshLibrary);
        host.emplace(*plugin);
    }
    void TearDown() override {
        host.reset();
        plugin.reset();
    }
    std::string target() const { return plugin->store.find("trimsight_target")->text(); }
    void setTarget(const std::string& t) {
        ASSERT_TRUE(plugin->store.setRaw("trimsight_target", t));
    }
    ImVec2 entry(int index) { return host->layout().entries.at(index).GetCenter(); }

    std::unique_ptr<PluginUnderTest> plugin;
    std::optional<SettingsHost> host;
};

TEST_F(TargetList, HighlightsVelocityOppositeAtTheDefault) {
    EXPECT_EQ(listedEntries(host->idle()), kTargetLabels);
    const int highlighted = host->highlightedEntry();
    ASSERT_EQ(highlighted, 4);
    EXPECT_EQ(kTargetLabels[highlighted], "Velocity (opposite)");
    EXPECT_EQ(target(), "4.0");  // shown, not written
}

TEST_F(TargetList, ChangeFromOutsideAfterTheFirstDrawKeepsTheHighlight) {
    ASSERT_EQ(host->highlightedEntry(), 4);
    setTarget("1");
    EXPECT_EQ(host->highlightedEntry(), 4);
    EXPECT_EQ(target(), "1");

    // Picking the highlighted entry writes it.
    host->click(entry(4));
    EXPECT_EQ(target(), "4");
    host->click(entry(0));
    EXPECT_EQ(target(), "0");
    EXPECT_EQ(host->highlightedEntry(), 0);
}

class TargetOutsideRange : public TargetList, public ::testing::WithParamInterface<const char*> {};

TEST_P(TargetOutsideRange, HighlightsNothingUntilAPick) {
    setTarget(GetParam());
    EXPECT_EQ(host->highlightedEntry(), -1);
    EXPECT_EQ(host->highlightedEntry(), -1);
    EXPECT_EQ(target(), GetParam());

    host->click(entry(2));
    EXPECT_EQ(target(), "2");
    EXPECT_EQ(host->highlightedEntry(), 2);
}

INSTANTIATE_TEST_SUITE_P(Values, TargetOutsideRange, ::testing::Values("-1", "7", "6.0e9"));

TEST_F(TargetList, ANewPluginObjectKeepsTheSelection) {
    host->click(entry(2));
    ASSERT_EQ(host->highlightedEntry(), 2);

    // deleteMe and getPlugin again: a new object from the same library.
    plugin->recreate();
    host->attach();
    setTarget("5");
    EXPECT_EQ(host->highlightedEntry(), 2);
}

TEST_F(TargetList, IndexIsTakenWhenTheListIsFirstReached) {
    // While an earlier variable is missing the pass never gets to the list.
    auto yPosition = plugin->store.find("y_position");
    ASSERT_TRUE(plugin->store.remove("y_position"));
    setTarget("6");
    host->idle();
    host->idle();
    setTarget("3");
    plugin->store.registerCvar(yPosition->definition);

    EXPECT_EQ(host->highlightedEntry(), 3);
    setTarget("1");
    EXPECT_EQ(host->highlightedEntry(), 3);
}

}  // namespace
}  // namespace settings_test
