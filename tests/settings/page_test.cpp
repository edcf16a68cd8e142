// The settings page driven like a host's settings window: a real ImGui
// context, the host's variable store and a simulated mouse. What the page
// shows is read from ImGui's own text log and item data.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SettingsHarness.h"

namespace settings_test {
namespace {

const char* const kVariables[] = {
    "trimsight_enabled", "peripheral_mode_enabled", "trimsight_size", "x_position",
    "y_position",        "trimsight_target",
};

// The page at its defaults, as ImGui logs it.
const std::vector<std::string> kDefaultPage = {
    "Use the Trimsight to practice advanced aerial mechanics and stuff",
    "[x] Enable plugin",
    "{ 3.3 } Size",
    "{ 0.30 } X Location",
    "{ 0.90 } Y Location",
    "--------------------------------",
    // One text, split over two lines here.
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
    "Peripheral mode draws the target around the center of the screen to make it easier to see "
    "the target while looking at the car.",
    "[ ] Enable peripheral mode",
    "Choose the target that will be highlighted at the border",
    "Target options None",
    "Up",
    "Down",
    "Velocity",
    "Velocity (opposite)",
    "Ball",
    "Ball (opposite)",
};

std::string printed(const char* format, float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, static_cast<double>(value));
    return buffer;
}

ImVec2 centre(const ImRect& rect) { return rect.GetCenter(); }

class PageTest : public ::testing::Test {
  protected:
    void start(Backend backend) {
        plugin = makePlugin(backend);
        host.emplace(*plugin);
    }
    void TearDown() override {
        host.reset();
        plugin.reset();
    }

    std::string text(const char* name) const { return plugin->store.find(name)->text(); }
    float value(const char* name) const { return plugin->store.find(name)->floatValue(); }
    void setText(const char* name, const std::string& t) {
        ASSERT_TRUE(plugin->store.setRaw(name, t));
    }
    std::map<std::string, std::string> texts() const {
        std::map<std::string, std::string> all;
        for (const char* name : kVariables) all[name] = text(name);
        return all;
    }
    ImVec2 widget(const std::string& label) { return centre(host->layout().widgets.at(label)); }
    ImVec2 entry(int index) { return centre(host->layout().entries.at(index)); }

    std::unique_ptr<PluginUnderTest> plugin;
    std::optional<SettingsHost> host;
};

class SettingsPage : public PageTest, public ::testing::WithParamInterface<Backend> {
  protected:
    void SetUp() override { start(GetParam()); }
};

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info) {
    return backendName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Backends, SettingsPage,
                         ::testing::Values(Backend::Linked, Backend::FreshLibrary),
                         backendParamName);

TEST_P(SettingsPage, ShowsEveryVariableAtItsDefault) {
    EXPECT_EQ(host->idle().lines, kDefaultPage);
}

TEST_P(SettingsPage, CheckboxClicksWriteOneThenZero) {
    struct Case {
        const char* label;
        const char* variable;
    };
    for (const Case& c : {Case{"Enable plugin", "trimsight_enabled"},
                          Case{"Enable peripheral mode", "peripheral_mode_enabled"}}) {
        SCOPED_TRACE(c.label);
        setText(c.variable, "0");
        EXPECT_TRUE(host->idle().hasLine(std::string("[ ] ") + c.label));
        auto others = texts();
        others.erase(c.variable);

        host->click(widget(c.label));
        EXPECT_EQ(text(c.variable), "1");
        EXPECT_EQ(value(c.variable), 1.0f);
        EXPECT_TRUE(host->idle().hasLine(std::string("[x] ") + c.label));

        host->click(widget(c.label));
        EXPECT_EQ(text(c.variable), "0");
        EXPECT_EQ(value(c.variable), 0.0f);
        EXPECT_TRUE(host->idle().hasLine(std::string("[ ] ") + c.label));

        auto after = texts();
        after.erase(c.variable);
        EXPECT_EQ(after, others);
    }
}

struct SliderCase {
    const char* label;
    const char* variable;
    const char* format;
    float min;
    float max;
};
const SliderCase kSliders[] = {
    {"Size", "trimsight_size", "%.1f", 2.0f, 5.0f},
    {"X Location", "x_position", "%.2f", 0.0f, 1.0f},
    {"Y Location", "y_position", "%.2f", 0.0f, 1.0f},
};

TEST_P(SettingsPage, SliderDragsWriteFloatsWithinTheSliderRange) {
    for (const SliderCase& s : kSliders) {
        SCOPED_TRACE(s.label);
        const ImRect frame = host->layout().widgets.at(s.label);
        auto others = texts();
        others.erase(s.variable);
        auto withinRange = [&](const Shown&) {
            EXPECT_GE(value(s.variable), s.min);
            EXPECT_LE(value(s.variable), s.max);
        };

        // Past the right end, then past the left end: the slider stops at its ends.
        host->drag(frame.GetCenter(), ImVec2(790.0f, frame.GetCenter().y), 6, withinRange);
        EXPECT_EQ(value(s.variable), s.max);
        host->drag(frame.GetCenter(), ImVec2(1.0f, frame.GetCenter().y), 6, withinRange);
        EXPECT_EQ(value(s.variable), s.min);

        // Three quarters along: a value inside the range, shown in the slider's format.
        const ImVec2 threeQuarters(frame.Min.x + frame.GetWidth() * 0.75f, frame.GetCenter().y);
        host->drag(ImVec2(frame.Min.x + 2.0f, frame.GetCenter().y), threeQuarters, 5, withinRange);
        const float dragged = value(s.variable);
        EXPECT_GT(dragged, s.min + (s.max - s.min) * 0.5f);
        EXPECT_LT(dragged, s.max);
        EXPECT_TRUE(host->idle().hasLine("{ " + printed(s.format, dragged) + " } " + s.label))
            << printed(s.format, dragged);

        auto after = texts();
        after.erase(s.variable);
        EXPECT_EQ(after, others);
    }
}

TEST_P(SettingsPage, ClickingAnEntryWritesItsIndexHighlightedOrNot) {
    for (int index : {6, 0, 3, 1, 5, 2, 4}) {
        SCOPED_TRACE(index);
        host->click(entry(index));
        EXPECT_EQ(text("trimsight_target"), std::to_string(index));
        EXPECT_EQ(host->highlightedEntry(), index);

        // The highlighted entry is written again when clicked.
        setText("trimsight_target", std::to_string(index) + ".0");
        host->click(entry(index));
        EXPECT_EQ(text("trimsight_target"), std::to_string(index));
    }
}

TEST_P(SettingsPage, PassesWithoutAChangeWriteNothing) {
    // Spellings a write would not produce, and values outside the sliders'
    // ranges, which the page shows as they are.
    const std::map<std::string, std::string> stored = {
        {"trimsight_enabled", "1.0"}, {"peripheral_mode_enabled", "0.0"},
        {"trimsight_size", "7.5"},    {"x_position", "-0.25"},
        {"y_position", "0.900"},      {"trimsight_target", "4.0"},
    };
    for (const auto& [name, t] : stored) setText(name.c_str(), t);

    const Shown shown = host->idle();
    EXPECT_TRUE(shown.hasLine("[x] Enable plugin"));
    EXPECT_TRUE(shown.hasLine("{ 7.5 } Size"));
    EXPECT_TRUE(shown.hasLine("{ -0.25 } X Location"));
    EXPECT_TRUE(shown.hasLine("[ ] Enable peripheral mode"));

    // Hovering every widget and entry.
    for (const auto& [label, rect] : host->layout().widgets) host->frame(centre(rect));
    for (const ImRect& rect : host->layout().entries) host->frame(centre(rect));
    // A press that starts outside the page and is carried over it.
    host->frame(SettingsHost::away(), true);
    host->frame(widget("Size"), true);
    host->frame(entry(1), true);
    host->frame(entry(1), false);
    host->idle();

    EXPECT_EQ(texts(), stored);
}

TEST_P(SettingsPage, TooltipsDescribeTheHoveredWidget) {
    const std::map<std::string, std::string> tooltips = {
        {"Enable plugin", "Toggle Trimsight Plugin"},
        {"Size", "Scale is x3.300000"},
        {"X Location", "Location is x = 0.300000"},
        {"Y Location", "Location is y = 0.900000"},
        {"Enable peripheral mode", "Toggle Peripheral Mode"},
    };
    auto shownTooltips = [&](const Shown& shown) {
        std::vector<std::string> found;
        for (const auto& [label, tip] : tooltips) {
            if (shown.hasLine(tip)) found.push_back(tip);
        }
        return found;
    };
    for (const auto& [label, tip] : tooltips) {
        SCOPED_TRACE(label);
        EXPECT_EQ(shownTooltips(host->frame(widget(label))), std::vector<std::string>{tip});
    }
    EXPECT_TRUE(shownTooltips(host->idle()).empty());
    EXPECT_TRUE(shownTooltips(host->frame(entry(4))).empty());
}

TEST_P(SettingsPage, SliderTooltipsShowTheValueAfterThisPassEdit) {
    struct Case {
        const char* label;
        const char* variable;
        const char* prefix;
    };
    for (const Case& c : {Case{"Size", "trimsight_size", "Scale is x"},
                          Case{"X Location", "x_position", "Location is x = "},
                          Case{"Y Location", "y_position", "Location is y = "}}) {
        SCOPED_TRACE(c.label);
        const ImRect frame = host->layout().widgets.at(c.label);
        const ImVec2 at(frame.Min.x + frame.GetWidth() * 0.8f, frame.GetCenter().y);
        const float before = value(c.variable);
        host->frame(at);
        // The press moves the slider to the mouse and the tooltip of the same
        // pass shows the new value.
        const Shown pressed = host->frame(at, true);
        host->frame(at, false);
        ASSERT_NE(value(c.variable), before);
        EXPECT_TRUE(pressed.hasLine(c.prefix + printed("%f", value(c.variable)))) << pressed.log;
    }
}

// Which variable is missing, and how many lines of the default page remain.
struct MissingCase {
    Backend backend;
    const char* variable;
    std::size_t linesShown;
};

class MissingVariable : public PageTest, public ::testing::WithParamInterface<MissingCase> {
  protected:
    void SetUp() override { start(GetParam().backend); }
};

TEST_P(MissingVariable, EndsThePassAtItsStep) {
    const MissingCase& c = GetParam();
    ASSERT_EQ(host->idle().lines, kDefaultPage);
    ASSERT_TRUE(plugin->store.remove(c.variable));
    const std::vector<std::string> expected(kDefaultPage.begin(),
                                            kDefaultPage.begin() + c.linesShown);
    EXPECT_EQ(host->idle().lines, expected);
    EXPECT_EQ(host->idle().lines, expected);
}

std::vector<MissingCase> missingCases() {
    std::vector<MissingCase> cases;
    for (Backend backend : {Backend::Linked, Backend::FreshLibrary}) {
        cases.push_back({backend, "trimsight_enabled", 1});        // the text only
        cases.push_back({backend, "trimsight_size", 2});           // + Enable plugin
        cases.push_back({backend, "x_position", 3});               // + Size
        cases.push_back({backend, "y_position", 4});               // + X Location
        cases.push_back({backend, "peripheral_mode_enabled", 7});  // + Y, separator, text
        cases.push_back({backend, "trimsight_target", 9});         // + checkbox, text
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, MissingVariable, ::testing::ValuesIn(missingCases()),
                         [](const ::testing::TestParamInfo<MissingCase>& info) {
                             return std::string(backendName(info.param.backend)) + "_" +
                                    info.param.variable;
                         });

}  // namespace
}  // namespace settings_test
