#include "hostapp/HostSession.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

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
    if (!plugin || !plugin->load(cvars, game, &error)) return Failure{error};
    return {};
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Skips digits from `i`; returns how many.
std::size_t skipDigits(std::string_view text, std::size_t& i) {
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i - start;
}

// [+-] (digits [. digits] | . digits) [(e|E) [+-] digits], the whole text.
bool isDecimal(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = skipDigits(text, i);
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += skipDigits(text, i);
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (skipDigits(text, i) == 0) return false;
    }
    return i == text.size();
}

}  // namespace

Result<float> parseConsoleNumber(std::string_view text) {
    if (!isDecimal(text)) return Failure{"is not a number"};
    // strtof reads any length and rounds to the nearest float: out of range
    // it gives 0 or an infinity, which is what the rule says.
    const std::string copy(text);
    return std::strtof(copy.c_str(), nullptr);
}

Result<float> boundedNumber(const pluginsdk::CVarDefinition& variable, float number) {
    if ((number == INFINITY && !variable.hasMax) || (number == -INFINITY && !variable.hasMin))
        return Failure{"is beyond the 32-bit float range"};
    if (variable.hasMin && number < variable.min) return variable.min;
    if (variable.hasMax && number > variable.max) return variable.max;
    return number;
}

void HostSession::applyConfig(const ConfigEntries& entries, const std::string& configName,
                              std::vector<std::string>& warnings) {
    for (const auto& snap : cvars.list()) {
        if (!snap.definition.saveToFile) continue;
        auto it = entries.find(snap.definition.name);
        if (it == entries.end()) continue;
        auto entry = cvars.find(snap.definition.name);
        if (!entry) continue;
        const Result<float> saved = parseConsoleNumber(it->second);
        const Result<float> kept = saved ? boundedNumber(snap.definition, *saved) : saved;
        if (!kept) {
            warnings.push_back(configName + ": value of " + snap.definition.name + " " +
                               kept.error() + "; its default is kept");
            continue;
        }
        // In bounds the text is kept as saved ("4.0" stays "4.0"); outside,
        // the value is kept inside the bounds like anything typed in.
        if (*kept == *saved)
            entry->setRaw(it->second);
        else
            entry->setNumber(*kept);
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
    std::string beside = dir + "/" + TRIMSIGHT_PLUGIN_FILE;
    std::string installed = dir + "/" + TRIMSIGHT_INSTALL_PLUGIN_DIR + "/" + TRIMSIGHT_PLUGIN_FILE;
    if (::access(beside.c_str(), F_OK) == 0) return beside;
    if (::access(installed.c_str(), F_OK) == 0) return installed;
    return beside;
}

}  // namespace hostapp
