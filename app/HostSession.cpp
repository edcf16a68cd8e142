#include "app/HostSession.h"

#include <unistd.h>

#include <climits>
#include <utility>

#ifndef TRIMSIGHT_PLUGIN_FILE
#define TRIMSIGHT_PLUGIN_FILE "libtrimsight.so"
#endif
#ifndef TRIMSIGHT_INSTALL_PLUGIN_DIR
#define TRIMSIGHT_INSTALL_PLUGIN_DIR "../lib"
#endif

namespace app {

HostSession::~HostSession() { plugin.reset(); }

base::Status HostSession::load(const std::string& pluginPath) {
    std::string error;
    plugin = pluginsdk::LoadedPlugin::open(pluginPath, error);
    if (!plugin || !plugin->load(cvars, game, &error)) return base::Failure{error};
    return {};
}

void HostSession::applyConfig(const scene::SavedSettings& entries, const std::string& configName,
                              base::Warnings& warnings) {
    scene::applySavedSettings(cvars, entries, configName, warnings);
}

std::string defaultPluginPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return TRIMSIGHT_PLUGIN_FILE;
    std::string exe(buf, static_cast<std::size_t>(n));
    const std::string dir = exe.substr(0, exe.find_last_of('/'));
    std::string beside = dir + "/" + TRIMSIGHT_PLUGIN_FILE;
    std::string installed = dir + "/" + TRIMSIGHT_INSTALL_PLUGIN_DIR + "/" + TRIMSIGHT_PLUGIN_FILE;
    if (::access(beside.c_str(), F_OK) == 0) return beside;
    if (::access(installed.c_str(), F_OK) == 0) return installed;
    return beside;
}

}  // namespace app
