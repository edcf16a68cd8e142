// Load and unload the plugin library many times over, as a host does when
// the user reloads plugins: open the library, getPlugin, onLoad, a few
// frames and settings passes, deleteMe, close it. The sanitizer build's
// LeakSanitizer checks at exit that nothing of any cycle is left; each cycle
// checks that once released, nothing of the plugin is called any more and
// the library really goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/GameEvents.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "host/pluginsdk/SharedLibrary.h"
#include "testkit/LoadPlugin.h"
#include "testkit/SettingsPass.h"

namespace {

long cycleCount() {
    const char* env = std::getenv("TRIMSIGHT_LOAD_CYCLES");
    return env ? std::strtol(env, nullptr, 10) : 10000;
}

using gameevents::kReplayBegin;
using gameevents::kReplayEnd;

TEST(LoadCycles, EveryCycleLeavesNothingBehind) {
    testkit::SettingsHost settings;
    pluginsdk::RecordingCanvas canvas;
    canvas.reserve(4096);
    const long cycles = cycleCount();
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < cycles; ++i) {
        // The host keeps its variables across reloads, as a real one does.
        static pluginsdk::CVarStore store;
        pluginsdk::GameHost game;
        std::unique_ptr<pluginsdk::LoadedPlugin> plugin =
            testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, store, game);
        // An earlier cycle's settings pass may have switched the plugin off.
        store.setRaw("trimsight_enabled", "1");

        game.state.car.rotation = {static_cast<int32_t>(i * 97), static_cast<int32_t>(i * 31), 0};
        game.state.car.velocity = {500.0f, 200.0f, 0.0f};
        game.state.ball.location = {1000.0f, 300.0f, 200.0f};
        for (int frame = 0; frame < 3; ++frame) {
            canvas.clear();
            game.drawFrame(canvas);
            ASSERT_FALSE(canvas.calls().empty()) << "cycle " << i;
        }
        game.fireEvent(kReplayBegin);
        canvas.clear();
        game.drawFrame(canvas);
        ASSERT_TRUE(canvas.calls().empty()) << "cycle " << i;
        game.fireEvent(kReplayEnd);

        BakkesMod::Plugin::PluginSettingsWindow* page = plugin->settingsWindow();
        ASSERT_NE(page, nullptr);
        page->attachImGuiContext(settings.context());
        for (int pass = 0; pass < 2; ++pass) settings.pass(*page, 100.0f, 60.0f, pass == 0);

        plugin->release();
        EXPECT_EQ(game.hookCount(), 0u);
        EXPECT_EQ(game.drawableCount(), 0u);
        // Nothing of the released plugin runs: no drawing, and a replay
        // event would write into a freed object (the sanitizer would say).
        canvas.clear();
        game.fireEvent(kReplayBegin);
        game.drawFrame(canvas);
        ASSERT_TRUE(canvas.calls().empty()) << "cycle " << i;

        plugin.reset();  // the library closed
        // The library is gone, not merely closed: nothing pinned it.
        ASSERT_FALSE(pluginsdk::libraryLoaded(TRIMSIGHT_PLUGIN_PATH))
            << "cycle " << i << ": the library stayed loaded";
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld load cycles in %.1f s\n", cycles, seconds);
}

}  // namespace
