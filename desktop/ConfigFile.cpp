#include "desktop/ConfigFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/UserFolders.h"
#include "scene/JsonReader.h"

namespace desktop {

base::Result<scene::SavedSettings> loadConfigFile(const std::string& path) {
    // No such file, or a parent that is a plain file: nothing saved yet.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return scene::SavedSettings{};
    base::Result<std::string> text = readInputFile(path, "the config file", kMaxConfigBytes);
    if (!text) return text.failure();
    base::Result<scene::SavedSettings> parsed = scene::parseSavedSettings(*text);
    if (!parsed) return base::Failure{path + ": corrupt config file: " + parsed.error()};
    return parsed;
}

base::Result<ConfigLock> ConfigLock::take(const std::string& configPath) {
    base::Result<std::string> config = resolveLinks(configPath);
    if (!config)
        return base::Failure{
            configPath + ": cannot write the config file: cannot take its lock: " + config.error()};
    // A config no save could replace is refused before the lock file is
    // made, so a refused save leaves nothing new.
    if (struct stat st{}; ::stat(config->c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return base::Failure{configPath +
                                 ": cannot write the config file: it is not a regular file (a "
                                 "folder, a FIFO, a device or a socket)"};
        if ((st.st_mode & 0222) == 0 || ::access(config->c_str(), W_OK) != 0)
            return base::Failure{configPath +
                                 ": cannot write the config file: the file is read-only; not "
                                 "replacing it"};
    }
    const std::string lockPath = *config + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return base::Failure{configPath + ": cannot write the config file: cannot take its lock " +
                             lockPath + ": " + std::strerror(errno)};
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd);
        return base::Failure{configPath + ": cannot write the config file: cannot take its lock: " +
                             std::strerror(err)};
    }
    removeStaleTemporaries(*config);
    return ConfigLock(fd);
}

ConfigLock::~ConfigLock() {
    if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
}

base::Status saveConfigFile(const std::string& path, std::string_view text) {
    // Settings are the user's own; a new file is readable only by the user.
    if (base::Status written = writeOutputFile(path, text, 0600); !written)
        return base::Failure{path + ": cannot write the config file: " + written.error()};
    return {};
}

std::string defaultConfigPath() {
    const std::string folder = programFolder(kConfigBase);
    return folder.empty() ? folder : folder + "/config.json";
}

base::Status makeDefaultConfigFolder() { return makeProgramFolder(kConfigBase); }

base::Result<ConfigLock> lockConfigForSave(const std::string& path, bool isDefault) {
    if (path.empty())
        return base::Failure{
            "cannot save the settings: neither XDG_CONFIG_HOME nor HOME names a directory; use "
            "--config PATH"};
    if (isDefault) {
        if (base::Status made = makeDefaultConfigFolder(); !made)
            return base::Failure{path + ": cannot write the config file: " + made.error()};
    }
    return ConfigLock::take(path);
}

base::Status saveConsoleSettings(const std::string& path,
                                 const base::Result<scene::SavedSettings>& before,
                                 const pluginsdk::CVarStore& cvars,
                                 const scene::SavedSettings& inPlace) {
    if (!before)
        return base::Failure{path +
                             ": not saving over a config file that cannot be read; fix or "
                             "remove it"};
    scene::SavedSettings entries = scene::collectSavedSettings(cvars, *before);
    for (const auto& [name, value] : inPlace)
        if (const auto saved = entries.find(name); saved != entries.end()) saved->second = value;
    return saveConfigFile(path, scene::formatSavedSettings(entries));
}

base::Status saveConsoleSettingsLocked(const std::string& path, bool isDefault,
                                       const pluginsdk::CVarStore& cvars,
                                       const scene::SavedSettings& inPlace) {
    const base::Result<ConfigLock> lock = lockConfigForSave(path, isDefault);
    if (!lock) return lock.failure();
    return saveConsoleSettings(path, loadConfigFile(path), cvars, inPlace);
}

}  // namespace desktop
