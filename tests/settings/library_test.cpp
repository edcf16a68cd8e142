// The built library carries its own private copy of ImGui: it draws only into
// a context the host attaches, and nothing of ImGui is visible from outside.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "SettingsHarness.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/SharedLibrary.h"

namespace settings_test {
namespace {

using BakkesMod::Plugin::PluginPointer;

// The library opened by path and its plugin created as a host does.
class OpenedLibrary : public PluginUnderTest {
  public:
    OpenedLibrary() {
        std::string error;
        handle = pluginsdk::openLibrary(TRIMSIGHT_PLUGIN_PATH, error);
        if (!handle) throw std::runtime_error(error);
        getPlugin =
            reinterpret_cast<PluginPointer* (*)()>(pluginsdk::librarySymbol(handle, "getPlugin"));
        deleteMe = reinterpret_cast<void (*)()>(pluginsdk::librarySymbol(handle, "deleteMe"));
        if (!getPlugin || !deleteMe) throw std::runtime_error("entry points missing");
        create();
    }
    ~OpenedLibrary() override {
        destroy();
        pluginsdk::closeLibrary(handle);
    }

    BakkesMod::Plugin::PluginSettingsWindow& page() override {
        return *dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(plugin.get());
    }
    void recreate() override {
        destroy();
        create();
    }

    void* handle = nullptr;

  private:
    void create() {
        plugin = *getPlugin();
        pluginsdk::attachPlugin(*plugin, store, game, this);
    }
    void destroy() {
        game.release(this);
        deleteMe();
        plugin.reset();
    }

    PluginPointer* (*getPlugin)() = nullptr;
    void (*deleteMe)() = nullptr;
    PluginPointer plugin;
};

TEST(SettingsLibrary, DrawsThroughItsOwnImGuiIntoTheAttachedContext) {
    OpenedLibrary library;
    EXPECT_EQ(library.page().getSettingsName(), "Trimsight");

    // The test's ImGui has its context current; the library's copy has none
    // until the host attaches it, and then draws nothing (and does not crash).
    SettingsHost host(library, /*attach=*/false);
    EXPECT_EQ(ImGui::GetCurrentContext(), host.context());
    EXPECT_TRUE(host.idle().lines.empty());

    host.attach();
    const Shown shown = host.idle();
    EXPECT_TRUE(shown.hasLine("Use the Trimsight to practice advanced aerial mechanics and stuff"));
    EXPECT_TRUE(shown.hasLine("[x] Enable plugin"));
    EXPECT_TRUE(shown.hasLine("{ 3.3 } Size"));
    EXPECT_TRUE(shown.hasLine("Ball (opposite)"));

    // Widgets drawn by the library's copy react to input given to the test's.
    host.click(host.layout().widgets.at("Enable peripheral mode").GetCenter());
    EXPECT_EQ(library.store.find("peripheral_mode_enabled")->text(), "1");

    // Detached again: nothing is drawn.
    library.page().attachImGuiContext(0);
    EXPECT_TRUE(host.idle().lines.empty());
}

TEST(SettingsLibrary, KeepsImGuiPrivate) {
    OpenedLibrary library;
    for (const char* name :
         {"_ZN5ImGui17SetCurrentContextEP12ImGuiContext", "_ZN5ImGui17GetCurrentContextEv",
          "_ZN5ImGui8CheckboxEPKcPb", "GImGui"}) {
        EXPECT_EQ(pluginsdk::librarySymbol(library.handle, name), nullptr) << name;
    }
}

}  // namespace
}  // namespace settings_test
