#pragma once
// Loads a plugin library by path the way the host does: find the record
// `exports`, check its API version, create the plugin, hand it the console
// and the game, call onLoad; and take it all down again.
#include <memory>
#include <string>

#include "host/Plugin.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"

namespace pluginsdk {

// What a host does with a plugin object it has just created: hand it the
// console and the game, then call onLoad. `owner` tags the hooks and
// drawables the plugin registers, so that GameHost::release(owner) drops them.
void attachPlugin(BakkesMod::Plugin::BakkesModPlugin& plugin, CVarStore& cvars, GameHost& game,
                  GameHost::Owner owner);

class LoadedPlugin {
  public:
    // Opens the library and checks its record; nothing is created yet.
    // On failure returns null and sets `error` to a one-line message.
    static std::unique_ptr<LoadedPlugin> open(const std::string& path, std::string& error);

    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;
    ~LoadedPlugin();

    const BakkesMod::Plugin::PluginInfo& info() const { return *info_; }
    const std::string& path() const { return path_; }

    // The record's create function, then cvarRegistry and gameFacade filled
    // and onLoad. A create function that gives no plugin (a null pointer, or
    // an empty one) is a failure: false, with a one-line message naming the
    // library in `error` when given, and nothing loaded.
    bool load(CVarStore& cvars, GameHost& game, std::string* error = nullptr);
    bool loaded() const { return plugin_ != nullptr; }
    BakkesMod::Plugin::BakkesModPlugin* plugin() const { return plugin_.get(); }
    // The plugin as a settings window, or null when it is none.
    BakkesMod::Plugin::PluginSettingsWindow* settingsWindow() const;

    // Drops the plugin's hooks and drawables, onUnload, deleteMe, and lets go
    // of the host's share of the object. The library stays open.
    void release();

  private:
    LoadedPlugin() = default;

    std::string path_;
    void* handle_ = nullptr;
    const BakkesMod::Plugin::PluginInfo* info_ = nullptr;
    GameHost* game_ = nullptr;
    BakkesMod::Plugin::PluginPointer plugin_;
};

}  // namespace pluginsdk
