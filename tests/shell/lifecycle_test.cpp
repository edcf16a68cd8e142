// The plugin object's life as the host drives it: creation through the
// library's entry points, onLoad's effects, the replay flag, release (after
// which nothing of the plugin runs: the load-cycle test checks it every cycle).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Trimsight.h"
#include "host/GameEvents.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/SharedLibrary.h"

namespace {

using BakkesMod::Plugin::PluginPointer;

using gameevents::kReplayBegin;
using gameevents::kReplayEnd;

// A fresh copy of the library per test, reached only through its exports.
class EntryPoints : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        handle = pluginsdk::openLibrary(TRIMSIGHT_PLUGIN_PATH, error);
        ASSERT_NE(handle, nullptr) << error;
        getPlugin =
            reinterpret_cast<PluginPointer* (*)()>(pluginsdk::librarySymbol(handle, "getPlugin"));
        deleteMe = reinterpret_cast<void (*)()>(pluginsdk::librarySymbol(handle, "deleteMe"));
        ASSERT_TRUE(getPlugin && deleteMe);
    }
    void TearDown() override {
        deleteMe();
        pluginsdk::closeLibrary(handle);
    }
    void* handle = nullptr;
    PluginPointer* (*getPlugin)() = nullptr;
    void (*deleteMe)() = nullptr;
};

TEST_F(EntryPoints, GetPluginCreatesOneObject) {
    deleteMe();  // before any getPlugin: nothing to do
    PluginPointer* first = getPlugin();
    ASSERT_TRUE(*first);
    BakkesMod::Plugin::BakkesModPlugin* object = first->get();
    EXPECT_EQ(getPlugin(), first);
    EXPECT_EQ(first->get(), object);
    EXPECT_EQ(first->use_count(), 1);
    EXPECT_FALSE(object->cvarRegistry);
    EXPECT_FALSE(object->gameFacade);
}

TEST_F(EntryPoints, DeleteMeEmptiesTheLibrarysShareAndAFreshObjectStartsOver) {
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    PluginPointer* slot = getPlugin();
    {
        PluginPointer host = *slot;
        pluginsdk::attachPlugin(*host, store, game, host.get());
        game.fireEvent(kReplayBegin);
        EXPECT_TRUE(static_cast<Trimsight*>(host.get())->replayActive);

        std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> watch = host;
        deleteMe();
        EXPECT_FALSE(*slot);
        // The host's copy keeps the object alive until it goes; it is then
        // destroyed as a Trimsight (the sanitizer build checks the delete).
        EXPECT_FALSE(watch.expired());
        game.release(host.get());
        host.reset();
        EXPECT_TRUE(watch.expired());
    }
    auto* fresh = static_cast<Trimsight*>(getPlugin()->get());
    EXPECT_EQ(fresh->sizeMin, 2.0f);
    EXPECT_EQ(fresh->sizeMax, 5.0f);
    EXPECT_EQ(fresh->sizeFallback, 3.3f);
    EXPECT_EQ(fresh->xPositionFallback, 0.3f);
    EXPECT_EQ(fresh->yPositionFallback, 0.9f);
    EXPECT_FALSE(fresh->replayActive);
    EXPECT_FALSE(fresh->cvarRegistry);
}

// The plugin object built directly, against a fresh host.
class Loaded : public ::testing::Test {
  protected:
    // What a host does after creating the plugin: the console, the game, onLoad.
    void load() { pluginsdk::attachPlugin(plugin, store, game, &plugin); }
    void TearDown() override { game.release(&plugin); }
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    Trimsight plugin;
};

TEST_F(Loaded, OnLoadLogsOnceBeforeRegisteringTheSixVariables) {
    std::vector<std::size_t> variablesWhenLogged;
    store.setLogSink(
        [&](const std::string&) { variablesWhenLogged.push_back(store.list().size()); });
    load();
    EXPECT_EQ(store.consoleLines(), std::vector<std::string>{"Plugin loaded!"});
    EXPECT_EQ(variablesWhenLogged, std::vector<std::size_t>{0});

    struct Expected {
        const char* name;
        const char* value;
        const char* description;
        float min, max;
    };
    const Expected expected[] = {
        {"trimsight_enabled", "1", "Enable Trimsight", 0.0f, 1.0f},
        {"peripheral_mode_enabled", "0", "Enable Peripheral Mode", 0.0f, 1.0f},
        {"trimsight_size", "3.3", "The size of the trimsight", 2.0f, 5.0f},
        {"x_position", "0.3", "The X-location of the trimsight", 0.0f, 1.0f},
        {"y_position", "0.9", "The Y-location of the trimsight", 0.0f, 1.0f},
        {"trimsight_target", "4.0", "What you aim at", 0.0f, 6.0f},
    };
    const auto vars = store.list();
    ASSERT_EQ(vars.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(expected[i].name);
        const auto& definition = vars[i].definition;
        EXPECT_EQ(definition.name, expected[i].name);
        EXPECT_EQ(definition.defaultValue, expected[i].value);
        EXPECT_EQ(vars[i].value, expected[i].value);
        EXPECT_EQ(definition.description, expected[i].description);
        EXPECT_TRUE(definition.searchable);
        EXPECT_TRUE(definition.hasMin);
        EXPECT_EQ(definition.min, expected[i].min);
        EXPECT_TRUE(definition.hasMax);
        EXPECT_EQ(definition.max, expected[i].max);
        EXPECT_TRUE(definition.saveToFile);
    }
    EXPECT_EQ(game.hookCount(), 2u);
    EXPECT_EQ(game.drawableCount(), 1u);
}

TEST_F(Loaded, ReplayEventsSetAndClearTheFlagWithoutCounting) {
    load();
    game.fireEvent(kReplayEnd);
    EXPECT_FALSE(plugin.replayActive);
    game.fireEvent(kReplayBegin);
    game.fireEvent(kReplayBegin);
    EXPECT_TRUE(plugin.replayActive);
    game.fireEvent(kReplayEnd);
    EXPECT_FALSE(plugin.replayActive);
    game.fireEvent("Function TAGame.Car_TA.SetVehicleInput");
    EXPECT_FALSE(plugin.replayActive);
}

TEST_F(Loaded, AccessorsReadTheVariablesOrTheirFallbacks) {
    load();
    EXPECT_TRUE(plugin.isEnabled());
    EXPECT_FALSE(plugin.isPeripheralMode());
    EXPECT_EQ(plugin.getSize(), 3.3f);
    EXPECT_EQ(plugin.getXPosition(), 0.3f);
    EXPECT_EQ(plugin.getYPosition(), 0.9f);
    EXPECT_EQ(plugin.getTarget(), 4);

    // Values outside the bounds pass through unchanged.
    store.setRaw("trimsight_size", "7.5");
    store.setRaw("trimsight_target", "12");
    store.setRaw("x_position", "-0.25");
    EXPECT_EQ(plugin.getSize(), 7.5f);
    EXPECT_EQ(plugin.getTarget(), 12);
    EXPECT_EQ(plugin.getXPosition(), -0.25f);

    for (const char* name : {"trimsight_size", "x_position", "y_position", "trimsight_target",
                             "peripheral_mode_enabled"})
        store.remove(name);
    EXPECT_EQ(plugin.getSize(), 3.3f);
    EXPECT_EQ(plugin.getXPosition(), 0.3f);
    EXPECT_EQ(plugin.getYPosition(), 0.9f);
    EXPECT_EQ(plugin.getTarget(), 0);
    EXPECT_FALSE(plugin.isPeripheralMode());
}

TEST_F(Loaded, FloatAccessorsGiveOneWhileDisabled) {
    load();
    store.setRaw("trimsight_size", "4.5");
    store.setRaw("trimsight_enabled", "0");
    EXPECT_FALSE(plugin.isEnabled());
    EXPECT_EQ(plugin.getSize(), 1.0f);
    EXPECT_EQ(plugin.getXPosition(), 1.0f);
    EXPECT_EQ(plugin.getYPosition(), 1.0f);
    EXPECT_EQ(plugin.getTarget(), 4);  // not gated

    store.remove("trimsight_enabled");
    EXPECT_FALSE(plugin.isEnabled());
    EXPECT_EQ(plugin.getSize(), 1.0f);
    EXPECT_EQ(plugin.getXPosition(), 1.0f);
    EXPECT_EQ(plugin.getYPosition(), 1.0f);
}

}  // namespace
