// The host's threads at once: one writes the console variables through the
// settings page, setValue and the host console, another draws frames, a
// third fires the replay events and saves the settings. Built with
// ThreadSanitizer (scripts/test.sh) this must run without a report; in the
// other builds it checks that the frames stay whole meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "host/GameEvents.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "testkit/LoadPlugin.h"
#include "testkit/SettingsPass.h"

namespace {

// The settings thread makes this many passes; the other two keep going for
// as long as it runs (never more than kMaxIterations), so all three overlap.
constexpr int kIterations = 3000;
constexpr int kMaxIterations = 200000;
using gameevents::kReplayBegin;
using gameevents::kReplayEnd;

TEST(ThreadSafety, SettingsFramesAndReplayEventsAtOnce) {
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    auto plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, store, game);
    game.state.car.rotation = {-4000, -20000, 3000};
    game.state.car.velocity = {500.0f, 200.0f, 0.0f};
    game.state.car.input.Steer = 0.5f;
    game.state.ball.location = {1000.0f, 300.0f, 200.0f};
    BakkesMod::Plugin::PluginSettingsWindow* page = plugin->settingsWindow();
    ASSERT_NE(page, nullptr);
    const auto definitions = store.list();

    std::atomic<bool> badFrame{false};
    std::atomic<bool> settingsDone{false};
    std::thread settings([&] {
        testkit::SettingsHost host;
        page->attachImGuiContext(host.context());
        CVarManagerWrapper console(store);
        for (int i = 0; i < kIterations; ++i) {
            // Drag across the sliders and click through the list and boxes.
            const float x = static_cast<float>(20 + (i * 37) % 600);
            const float y = static_cast<float>(20 + (i * 53) % 440);
            host.pass(*page, x, y, (i / 3) % 2 == 0);
            CVarWrapper size = console.getCvar("trimsight_size");
            if (size) size.setValue(2.0f + static_cast<float>(i % 31) / 10.0f);
            CVarWrapper target = console.getCvar("trimsight_target");
            if (target) target.setValue(i % 7);
            store.setRaw("peripheral_mode_enabled", (i % 5 == 0) ? "1" : "0");
            store.setRaw("trimsight_enabled", "1");
            if (i % 50 == 0) {
                // The host console removes a variable and it comes back.
                store.remove("x_position");
                for (const auto& s : definitions) {
                    if (s.definition.name == "x_position") store.registerCvar(s.definition);
                }
            }
        }
        settingsDone = true;
    });
    std::thread frames([&] {
        pluginsdk::RecordingCanvas canvas;
        canvas.reserve(4096);
        for (int i = 0; i < kMaxIterations && !settingsDone; ++i) {
            canvas.clear();
            game.drawFrame(canvas);
            if (canvas.calls().size() > 1024) badFrame = true;
        }
    });
    std::thread events([&] {
        for (int i = 0; i < kMaxIterations && !settingsDone; ++i) {
            game.fireEvent(kReplayBegin);
            game.fireEvent(kReplayEnd);
            // Saving the settings reads every variable (one may be away
            // for a moment while the console re-creates it).
            if (i % 10 == 0) {
                const std::size_t n = store.list().size();
                EXPECT_TRUE(n == 5 || n == 6) << n;
            }
        }
    });
    settings.join();
    frames.join();
    events.join();
    EXPECT_FALSE(badFrame.load());
    // The page did write: only its slider sets the y position.
    EXPECT_NE(store.find("y_position")->text(), "0.9");
    plugin->release();
}

}  // namespace
