#pragma once
// One run of the host: the console, the game and the loaded plugin.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "desktop/ConfigFile.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "scene/SavedSettings.h"

namespace app {

class HostSession {
  public:
    HostSession() = default;
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;
    // Unloads the plugin (deleteMe, dlclose) before the console and the game go.
    ~HostSession();

    // Opens the library, checks its record, creates the plugin and calls
    // onLoad.
    base::Status load(const std::string& pluginPath);

    // applySavedSettings (SavedSettings.h) on this run's console.
    void applyConfig(const scene::SavedSettings& entries, const std::string& configName,
                     base::Warnings& warnings);

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

// The default plugin library: libtrimsight.so beside the program, else in the
// library directory of an installed tree.
std::string defaultPluginPath();

}  // namespace app
