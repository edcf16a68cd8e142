// The page's settings in local storage: the same JSON as the desktop's
// config file, applied and saved by the same rules, and never saved over
// when the stored text cannot be read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/pluginsdk/CVarStore.h"
#include "scene/SavedSettings.h"
#include "web/StoredSettings.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The plugin's size and target variables as it registers them, and one
// the host keeps out of the saved settings.
class StoredSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        cvars.registerCvar({"trimsight_size", "3.3", "", true, true, 2.0f, true, 5.0f});
        cvars.registerCvar({"trimsight_target", "4.0", "", true, true, 0.0f, true, 6.0f});
        pluginsdk::CVarDefinition unsaved{"session_only", "1", ""};
        unsaved.saveToFile = false;
        cvars.registerCvar(unsaved);
    }
    std::string text(const char* name) const { return cvars.find(name)->text(); }

    pluginsdk::CVarStore cvars;
    base::Warnings warnings;
};

TEST_F(StoredSettings, NothingStoredLeavesTheDefaultsAndSavesEverySavedVariable) {
    EXPECT_TRUE(web::applyStoredSettings(cvars, std::nullopt, warnings));
    EXPECT_TRUE(warnings.list().empty());
    EXPECT_EQ(text("trimsight_size"), "3.3");
    const auto stored = web::settingsToStore(cvars, std::nullopt);
    ASSERT_TRUE(stored) << stored.error();
    EXPECT_EQ(*stored, "{\n  \"trimsight_size\": \"3.3\",\n  \"trimsight_target\": \"4.0\"\n}\n");
}

TEST_F(StoredSettings, AStoredTextAppliesAndRoundTripsKeepingWhatThisBuildDoesNotRegister) {
    // A size kept as typed, a target past its bound (kept at 6), and the
    // setting of a later version of the plugin.
    const std::string stored =
        R"({"trimsight_size": "4.50", "trimsight_target": "9", "later_option": "x"})";
    EXPECT_TRUE(web::applyStoredSettings(cvars, stored, warnings));
    EXPECT_TRUE(warnings.list().empty());
    EXPECT_EQ(text("trimsight_size"), "4.50");
    EXPECT_EQ(cvars.find("trimsight_target")->floatValue(), 6.0f);

    cvars.find("trimsight_size")->setNumber(2.5f);
    const auto saved = web::settingsToStore(cvars, stored);
    ASSERT_TRUE(saved) << saved.error();
    const auto entries = scene::parseSavedSettings(*saved);
    ASSERT_TRUE(entries) << entries.error();
    EXPECT_EQ(entries->at("trimsight_size"), cvars.find("trimsight_size")->text());
    EXPECT_EQ(entries->at("trimsight_target"), text("trimsight_target"));
    EXPECT_EQ(entries->at("later_option"), "x");
    EXPECT_FALSE(entries->contains("session_only"));

    // Read back into a fresh console, the saved text gives the same values.
    pluginsdk::CVarStore again;
    again.registerCvar({"trimsight_size", "3.3", "", true, true, 2.0f, true, 5.0f});
    EXPECT_TRUE(web::applyStoredSettings(again, *saved, warnings));
    EXPECT_EQ(again.find("trimsight_size")->floatValue(), 2.5f);
}

TEST_F(StoredSettings, AValueThatIsNotANumberIsSkippedWithAWarningAndTheRestApplies) {
    EXPECT_TRUE(web::applyStoredSettings(
        cvars, R"({"trimsight_size": "big", "trimsight_target": "5"})", warnings));
    EXPECT_THAT(warnings.list(),
                ElementsAre("the stored settings: value of trimsight_size is not a "
                            "number; its default is kept"));
    EXPECT_EQ(text("trimsight_size"), "3.3");
    EXPECT_EQ(text("trimsight_target"), "5");
}

TEST_F(StoredSettings, AStoredTextThatCannotBeReadKeepsTheDefaultsAndIsNeverSavedOver) {
    for (const std::string corrupt : {R"({"trimsight_size": )", "[]", R"({"trimsight_size": 4})"}) {
        const base::Status applied = web::applyStoredSettings(cvars, corrupt, warnings);
        EXPECT_FALSE(applied) << corrupt;
        EXPECT_THAT(applied.error(), HasSubstr("the stored settings cannot be read (")) << corrupt;
        EXPECT_TRUE(warnings.list().empty()) << corrupt;
        EXPECT_EQ(text("trimsight_size"), "3.3") << corrupt;
        const auto saved = web::settingsToStore(cvars, corrupt);
        EXPECT_FALSE(saved) << corrupt;
        EXPECT_THAT(saved.error(), HasSubstr("not saving over the stored settings")) << corrupt;
    }
}

TEST_F(StoredSettings, ATextInPlaceOfTheConsolesIsSavedForAVariableThatIsSaved) {
    // A drill's cue stands in the console; the player's own target is saved.
    cvars.setRaw("trimsight_target", "5");
    const web::SettingText inPlace[] = {{"trimsight_target", "2"}, {"session_only", "0"}};
    const auto saved = web::settingsToStore(cvars, std::nullopt, inPlace);
    ASSERT_TRUE(saved) << saved.error();
    const auto entries = scene::parseSavedSettings(*saved);
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->at("trimsight_target"), "2");
    EXPECT_FALSE(entries->contains("session_only"));
}

}  // namespace
