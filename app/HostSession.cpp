#include "app/HostSession.h"

#include <utility>

#include "desktop/OutputFile.h"
#include "desktop/platform/Files.h"

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
    const std::string exe = desktop::platform::executablePath();
    if (exe.empty()) return TRIMSIGHT_PLUGIN_FILE;
    const std::string dir = desktop::parentOf(exe);
    std::string beside = dir + "/" + TRIMSIGHT_PLUGIN_FILE;
    std::string installed = dir + "/" + TRIMSIGHT_INSTALL_PLUGIN_DIR + "/" + TRIMSIGHT_PLUGIN_FILE;
    if (!desktop::platform::isMissing(beside)) return beside;
    if (!desktop::platform::isMissing(installed)) return installed;
    return beside;
}

}  // namespace app
