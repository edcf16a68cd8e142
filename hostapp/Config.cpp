#include "hostapp/Config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <nlohmann/json.hpp>
#include <string>

#include "hostapp/JsonText.h"
#include "hostapp/OutputFile.h"

namespace hostapp {

using nlohmann::json;

Result<ConfigEntries> parseConfig(std::string_view text) {
    try {
        json doc;
        if (Status parsed = parseJson(text, doc); !parsed) return Failure{parsed.error()};
        if (!doc.is_object())
            return Failure{"at top level: expected an object of variable names to value strings"};
        ConfigEntries entries;
        for (auto it = doc.begin(); it != doc.end(); ++it) {
            if (!it.value().is_string())
                return Failure{"at " + member("", it.key()) +
                               ": expected a string (the value's text)"};
            entries.emplace(it.key(), it.value().get<std::string>());
        }
        return entries;
    } catch (const std::bad_alloc&) {
        return Failure{"out of memory while reading the config"};
    } catch (const std::exception& e) {
        return Failure{std::string("cannot read the config: ") + e.what()};
    }
}

std::string formatConfig(const ConfigEntries& entries) {
    json doc = json::object();
    for (const auto& [name, value] : entries) doc[name] = value;
    // Replace invalid UTF-8 rather than throw; names and values come from the
    // plugin and from this file, both normally plain ASCII.
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

Result<ConfigEntries> loadConfig(const std::string& path) {
    // No such file, or a parent that is a plain file: nothing saved yet.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return ConfigEntries{};
    Result<std::string> text = readWholeFile(path, "the config file");
    if (!text) return text.failure();
    Result<ConfigEntries> parsed = parseConfig(*text);
    if (!parsed) return Failure{path + ": corrupt config file: " + parsed.error()};
    return parsed;
}

Status saveConfigAtomic(const std::string& path, std::string_view text) {
    // Settings are the user's own; a new file is readable only by the user.
    if (Status written = writeOutputFile(path, text, 0600); !written)
        return Failure{path + ": cannot write the config file: " + written.error()};
    return {};
}

std::string defaultConfigPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are to be ignored.
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/trimsight/config.json";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/trimsight/config.json";
    return {};
}

Status makeDirectories(const std::string& dir) {
    std::string prefix;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        prefix = dir.substr(0, pos);
        if (prefix.empty()) continue;
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return Failure{"cannot create the directory " + prefix + ": " + std::strerror(errno)};
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Failure{"cannot create the directory " + dir + ": " + std::strerror(ENOTDIR)};
    return {};
}

}  // namespace hostapp
