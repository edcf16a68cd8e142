#pragma once
// One run of the host: the console, the game and the loaded plugin.
#include <memory>
#include <string>
#include <vector>

#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "hostapp/Config.h"
#include "hostapp/Result.h"

namespace hostapp {

class HostSession {
  public:
    HostSession() = default;
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;
    // Unloads the plugin (deleteMe, dlclose) before the console and the game go.
    ~HostSession();

    // Opens the library, checks its record, creates the plugin and calls
    // onLoad.
    Status load(const std::string& pluginPath);

    // Sets every saved variable the entries name, as the console would:
    // numbers kept inside the variable's bounds. Entries for variables that
    // do not exist are left alone; a value that is not a number is skipped
    // with a warning naming `configName` and the variable.
    void applyConfig(const ConfigEntries& entries, const std::string& configName,
                     std::vector<std::string>& warnings);

    // `base` with every variable registered with the save-to-file flag set to
    // its current text; entries of variables not registered in this run stay.
    ConfigEntries savedEntries(ConfigEntries base) const;

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

// Reads a number the way a person types it into the console: the whole text
// must be a finite decimal number. Empty result when it is not.
std::optional<float> parseConsoleNumber(std::string_view text);

// The default plugin library: libtrimsight.so beside the program, else in the
// library directory of an installed tree.
std::string defaultPluginPath();

}  // namespace hostapp
