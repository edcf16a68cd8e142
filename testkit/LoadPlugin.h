#pragma once
// The built plugin library opened and loaded as a host loads it, for the
// tests and the benchmark that drive the library rather than objects linked
// into them.
#include <memory>
#include <stdexcept>
#include <string>

#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"

namespace testkit {

// Opens the library at `path` and loads its plugin into `cvars` and `game`.
// Throws std::runtime_error with the loader's message when the library is no
// plugin or cannot be opened. The plugin is released when the result goes,
// which `game` must outlive.
inline std::unique_ptr<pluginsdk::LoadedPlugin> loadPlugin(const std::string& path,
                                                           pluginsdk::CVarStore& cvars,
                                                           pluginsdk::GameHost& game) {
    std::string error;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin = pluginsdk::LoadedPlugin::open(path, error);
    if (!plugin) throw std::runtime_error(error);
    plugin->load(cvars, game);
    return plugin;
}

}  // namespace testkit
