// The host's console-variable store: conversions, bounds, registration.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "host/CVarManagerWrapper.h"
#include "host/pluginsdk/CVarStore.h"

namespace {

class Store : public ::testing::Test {
  protected:
    pluginsdk::CVarStore store;
    CVarManagerWrapper manager{store};
};

TEST_F(Store, TextIsReadAsAFloatThenTruncated) {
    manager.registerCvar("v", "0");
    struct Case {
        const char* text;
        float f;
        int i;
        bool b;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"4.0", 4.0f, 4, true},
        {"3.3", 3.3f, 3, true},
        {"0.5", 0.5f, 0, false},
        {"-0.9", -0.9f, 0, false},
        {"-2.7", -2.7f, -2, true},
        {"abc", 0.0f, 0, false},
        {"", 0.0f, 0, false},
        {"7xyz", 7.0f, 7, true},
        {"1e20", 1e20f, INT32_MAX, true},
        {"-1e20", -1e20f, INT32_MIN, true},
        {"nan", nan, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(store.setRaw("v", c.text));
        CVarWrapper v = manager.getCvar("v");
        if (std::isnan(c.f))
            EXPECT_TRUE(std::isnan(v.getFloatValue()));
        else
            EXPECT_EQ(v.getFloatValue(), c.f);
        EXPECT_EQ(v.getIntValue(), c.i);
        EXPECT_EQ(v.getBoolValue(), c.b);
        EXPECT_EQ(v.getStringValue(), c.text);
    }
}

TEST_F(Store, SetValueKeepsInsideTheBoundsAndRawTextDoesNot) {
    CVarWrapper v = manager.registerCvar("size", "3.3", "", true, true, 2.0f, true, 5.0f);
    v.setValue(9.0f);
    EXPECT_EQ(v.getFloatValue(), 5.0f);
    EXPECT_EQ(v.getStringValue(), "5");
    v.setValue(-3);
    EXPECT_EQ(v.getFloatValue(), 2.0f);
    v.setValue(4.25f);
    EXPECT_EQ(v.getStringValue(), "4.25");
    v.setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(v.getFloatValue(), 4.25f);
    v.setValue(std::string_view("3.3"));
    EXPECT_EQ(v.getFloatValue(), 3.3f);
    store.setRaw("size", "12");
    EXPECT_EQ(v.getFloatValue(), 12.0f);

    CVarWrapper open = manager.registerCvar("open", "0", "", true, false, 0, false, 0);
    open.setValue(-1e6f);
    EXPECT_EQ(open.getFloatValue(), -1e6f);
}

TEST_F(Store, FirstRegistrationWinsAndUnknownNamesTestFalse) {
    manager.registerCvar("a", "1", "first");
    CVarWrapper again = manager.registerCvar("a", "2", "second");
    EXPECT_EQ(again.getStringValue(), "1");
    EXPECT_EQ(manager.getCvar("a").getDescription(), "first");
    EXPECT_EQ(store.list().size(), 1u);

    EXPECT_FALSE(manager.getCvar("b"));
    EXPECT_FALSE(manager.getCvar(""));
    EXPECT_TRUE(manager.getCvar("a"));
}

TEST_F(Store, RemovedVariablesDisappearButOldHandlesStayUsable) {
    manager.registerCvar("a", "1");
    manager.registerCvar("b", "2");
    manager.registerCvar("c", "3");
    CVarWrapper held = manager.getCvar("b");
    EXPECT_TRUE(store.remove("b"));
    EXPECT_FALSE(store.remove("b"));
    EXPECT_FALSE(manager.getCvar("b"));
    EXPECT_FALSE(store.setRaw("b", "5"));
    held.setValue(7);
    EXPECT_EQ(held.getIntValue(), 7);
    const auto vars = store.list();
    ASSERT_EQ(vars.size(), 2u);
    EXPECT_EQ(vars[0].definition.name, "a");
    EXPECT_EQ(vars[1].definition.name, "c");
}

TEST_F(Store, ARecreatedVariableShowsOnTheNextReadWhileAnOldHandleKeepsItsOwn) {
    manager.registerCvar("size", "3.3");
    CVarWrapper old = manager.getCvar("size");
    ASSERT_TRUE(store.remove("size"));
    EXPECT_FALSE(manager.getCvar("size"));
    manager.registerCvar("size", "4.5");
    EXPECT_EQ(manager.getCvar("size").getFloatValue(), 4.5f);
    old.setValue(2.0f);
    EXPECT_EQ(old.getFloatValue(), 2.0f);
    EXPECT_EQ(manager.getCvar("size").getFloatValue(), 4.5f);
    EXPECT_EQ(store.find("size")->text(), "4.5");
}

// Names of equal length, prefixes of each other and registered out of
// order: every one is found with its own value, and near misses are not.
TEST_F(Store, EveryNameIsFoundAmongNamesOfEqualAndOtherLengths) {
    const char* names[] = {
        "x_position",       "y_position", "a", "trimsight_size", "x_positio", "x_position_", "b",
        "trimsight_target", "z_position", ""};
    for (int i = 0; i < 10; ++i) manager.registerCvar(names[i], std::to_string(i));
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(names[i]);
        ASSERT_TRUE(manager.getCvar(names[i]));
        EXPECT_EQ(manager.getCvar(names[i]).getIntValue(), i);
    }
    for (const char* missing : {"c", "w_position", "x_position__", "trimsight_siz", "Y_position"}) {
        EXPECT_FALSE(manager.getCvar(missing)) << missing;
    }
}

}  // namespace
