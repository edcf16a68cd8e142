#include "hostapp/HostSession.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#ifndef TRIMSIGHT_PLUGIN_FILE
#define TRIMSIGHT_PLUGIN_FILE "libtrimsight.so"
#endif
#ifndef TRIMSIGHT_INSTALL_PLUGIN_DIR
#define TRIMSIGHT_INSTALL_PLUGIN_DIR "../lib"
#endif

namespace hostapp {

HostSession::~HostSession() { plugin.reset(); }

Status HostSession::load(const std::string& pluginPath) {
    std::string error;
    plugin = pluginsdk::LoadedPlugin::open(pluginPath, error);
    if (!plugin) return Failure{error};
    plugin->load(cvars, game);
    return {};
}

std::optional<float> parseConsoleNumber(std::string_view text) {
    if (text.empty() || text.size() > 64) return std::nullopt;
    const char c0 = text.front();
    if (!(c0 == '-' || c0 == '+' || c0 == '.' || (c0 >= '0' && c0 <= '9'))) return std::nullopt;
    char buf[80];
    text.copy(buf, text.size());
    buf[text.size()] = '\0';
    // Decimal only: hexadecimal, inf and nan are not console numbers.
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = buf[i];
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(buf, &end);
    if (end != buf + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

void HostSession::applyConfig(const ConfigEntries& entries, const std::string& configName,
                              std::vector<std::string>& warnings) {
    for (const auto& snap : cvars.list()) {
        if (!snap.definition.saveToFile) continue;
        auto it = entries.find(snap.definition.name);
        if (it == entries.end()) continue;
        auto entry = cvars.find(snap.definition.name);
        if (!entry) continue;
        const std::optional<float> v = parseConsoleNumber(it->second);
        if (!v) {
            warnings.push_back(configName + ": value of " + snap.definition.name +
                               " is not a number; its default is kept");
            continue;
        }
        const bool inside = !(snap.definition.hasMin && *v < snap.definition.min) &&
                            !(snap.definition.hasMax && *v > snap.definition.max);
        // In bounds the text is kept as saved ("4.0" stays "4.0"); outside,
        // the value is kept inside the bounds like anything typed in.
        if (inside)
            entry->setRaw(it->second);
        else
            entry->setNumber(*v);
    }
}

ConfigEntries HostSession::savedEntries(ConfigEntries base) const {
    for (const auto& snap : cvars.list())
        if (snap.definition.saveToFile) base[snap.definition.name] = snap.value;
    return base;
}

std::string defaultPluginPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return TRIMSIGHT_PLUGIN_FILE;
    std::string exe(buf, static_cast<std::size_t>(n));
    const std::string dir = exe.substr(0, exe.find_last_of('/'));
    const std::string beside = dir + "/" + TRIMSIGHT_PLUGIN_FILE;
    const std::string installed =
        dir + "/" + TRIMSIGHT_INSTALL_PLUGIN_DIR + "/" + TRIMSIGHT_PLUGIN_FILE;
    if (::access(beside.c_str(), F_OK) == 0) return beside;
    if (::access(installed.c_str(), F_OK) == 0) return installed;
    return beside;
}

}  // namespace hostapp
