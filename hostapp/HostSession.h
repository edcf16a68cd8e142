#pragma once
// One run of the host: the console, the game and the loaded plugin.
#include <memory>
#include <string>
#include <string_view>
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

// The number rule of the console, for `set` and the config file alike: a
// value is a decimal number (an optional sign, digits with an optional point
// or a point and digits, an optional exponent), of any length, rounded to
// the nearest 32-bit float. So 1e-400 reads as 0, and 1e40 as infinity,
// beyond every bound. Anything else (spaces, a comma, hexadecimal, inf, nan)
// is refused.
Result<float> parseConsoleNumber(std::string_view text);

// A number as `variable` stores it: kept inside its bounds. A number beyond
// the float range on a side without a bound is refused.
Result<float> boundedNumber(const pluginsdk::CVarDefinition& variable, float number);

// The default plugin library: libtrimsight.so beside the program, else in the
// library directory of an installed tree.
std::string defaultPluginPath();

}  // namespace hostapp
