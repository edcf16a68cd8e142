#include "hostapp/Config.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hostapp/JsonText.h"
#include "hostapp/OutputFile.h"

namespace hostapp {

Result<ConfigEntries> loadConfig(const std::string& path) {
    // No such file, or a parent that is a plain file: nothing saved yet.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return ConfigEntries{};
    Result<std::string> text = readInputFile(path, "the config file", kMaxConfigBytes);
    if (!text) return text.failure();
    Result<ConfigEntries> parsed = parseConfig(*text);
    if (!parsed) return Failure{path + ": corrupt config file: " + parsed.error()};
    return parsed;
}

namespace {

// Removes the temporary files killed saves of `config` left in its folder.
void removeStaleTemporaries(const std::string& config) {
    const std::string dir = parentOf(config);
    const std::string name = config.substr(config.find_last_of('/') + 1);
    DIR* folder = ::opendir(dir.c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        if (!isTemporaryOf(entry->d_name, name)) continue;
        struct stat st {};
        const std::string path = dir + "/" + entry->d_name;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
    }
    ::closedir(folder);
}

}  // namespace

Result<ConfigLock> ConfigLock::take(const std::string& configPath) {
    Result<std::string> config = resolveLinks(configPath);
    if (!config)
        return Failure{configPath +
                       ": cannot write the config file: cannot take its lock: " + config.error()};
    const std::string lockPath = *config + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Failure{configPath + ": cannot write the config file: cannot take its lock " +
                       lockPath + ": " + std::strerror(errno)};
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd);
        return Failure{configPath + ": cannot write the config file: cannot take its lock: " +
                       std::strerror(err)};
    }
    removeStaleTemporaries(*config);
    return ConfigLock(fd);
}

ConfigLock::~ConfigLock() {
    if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
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

namespace {

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// One folder, mode 0700; an existing one is fine.
Status makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return Failure{"cannot create the folder " + path + ": " + std::strerror(errno)};
    if (!isFolder(path))
        return Failure{"cannot create the folder " + path + ": " + std::strerror(ENOTDIR)};
    return {};
}

}  // namespace

Status makeDefaultConfigFolder() {
    const std::string config = defaultConfigPath();
    if (config.empty()) return Failure{"neither XDG_CONFIG_HOME nor HOME names a folder"};
    const std::string own = parentOf(config);
    const std::string home = parentOf(own);
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (!(xdg && xdg[0] == '/')) {  // ~/.config, made in an existing home folder
        const std::string user = parentOf(home);
        if (!isFolder(user))
            return Failure{"the home folder " + user + " (HOME) does not exist; use --config PATH"};
        if (Status made = makeFolder(home); !made) return made;
    } else if (!isFolder(home)) {
        return Failure{"the configuration folder " + home +
                       " (XDG_CONFIG_HOME) does not exist; use --config PATH"};
    }
    return makeFolder(own);
}

}  // namespace hostapp
