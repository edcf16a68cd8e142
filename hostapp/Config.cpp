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

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

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

Status saveConfigAtomic(const std::string& givenPath, std::string_view text) {
    const char* fault = std::getenv("TRIMSIGHT_FAULT_SAVE");
    const std::string faultAt = fault ? fault : "";

    // A config that is a symbolic link (dotfile repositories) stays one: the
    // file it points to is replaced, not the link.
    std::string path = givenPath;
    struct stat st {};
    if (::lstat(givenPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(givenPath.c_str(), nullptr)) {
            path = real;
            std::free(real);
        }
    }

    const std::string dir = parentOf(path);
    std::string tmp = path + ".tmp.XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return Failure{givenPath +
                       ": cannot write the config file: cannot create a temporary file in " + dir +
                       ": " + std::strerror(errno)};

    auto failWith = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return Failure{givenPath + ": cannot write the config file: " + what + ": " +
                       std::strerror(err)};
    };
    // Settings are the user's own; keep them readable only by the user.
    ::fchmod(fd, 0600);

    std::size_t first = text.size();
    if (faultAt == "mid-write") first = text.size() / 2;
    if (!writeAll(fd, text.data(), first)) return failWith("write", errno);
    if (faultAt == "mid-write") std::abort();
    if (!writeAll(fd, text.data() + first, text.size() - first)) return failWith("write", errno);
    if (::fsync(fd) != 0) return failWith("fsync", errno);
    if (faultAt == "after-write") std::abort();
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Failure{givenPath + ": cannot write the config file: close: " + std::strerror(err)};
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Failure{givenPath + ": cannot write the config file: " + std::strerror(err)};
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
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
