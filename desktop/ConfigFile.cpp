#include "desktop/ConfigFile.h"

#include <string>
#include <utility>

#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/UserFolders.h"
#include "desktop/platform/Files.h"
#include "scene/JsonReader.h"

namespace desktop {

base::Result<scene::SavedSettings> loadConfigFile(const std::string& path) {
    // No such file, or a parent that is a plain file: nothing saved yet.
    if (platform::isMissing(path)) return scene::SavedSettings{};
    base::Result<std::string> text = readInputFile(path, "the config file", kMaxConfigBytes);
    if (!text) return text.failure();
    base::Result<scene::SavedSettings> parsed = scene::parseSavedSettings(*text);
    if (!parsed) return base::Failure{path + ": corrupt config file: " + parsed.error()};
    return parsed;
}

base::Result<ConfigLock> ConfigLock::take(const std::string& configPath, std::string_view what) {
    const std::string cannot = ": cannot write " + std::string(what) + ": ";
    base::Result<std::string> config = resolveLinks(configPath);
    if (!config)
        return base::Failure{configPath + cannot + "cannot take its lock: " + config.error()};
    // A config no save could replace is refused before the lock file is
    // made, so a refused save leaves nothing new.
    if (const base::Result<platform::FileState> st = platform::stateOf(*config);
        st && st->kind != platform::FileKind::Missing) {
        if (st->kind != platform::FileKind::Regular)
            return base::Failure{configPath + cannot +
                                 "it is not a regular file (a folder, a FIFO, a device or a "
                                 "socket)"};
        if (st->readOnly)
            return base::Failure{configPath + cannot + "the file is read-only; not replacing it"};
    }
    const std::string lockPath = *config + ".lock";
    base::Result<platform::LockedFile> lock = platform::LockedFile::open(lockPath);
    if (!lock)
        return base::Failure{configPath + cannot + "cannot take its lock " + lockPath + ": " +
                             lock.error()};
    removeStaleTemporaries(*config);
    return ConfigLock(std::move(*lock));
}

base::Status saveConfigFile(const std::string& path, std::string_view text, std::string_view what) {
    // Settings are the user's own; a new file is readable only by the user.
    if (base::Status written = writeOutputFile(path, text, 0600); !written)
        return base::Failure{path + ": cannot write " + std::string(what) + ": " + written.error()};
    return {};
}

std::string defaultConfigPath() {
    const std::string folder = programFolder(kConfigBase);
    return folder.empty() ? folder : folder + "/config.json";
}

base::Status makeDefaultConfigFolder() { return makeProgramFolder(kConfigBase); }

base::Result<ConfigLock> lockConfigForSave(const std::string& path, bool isDefault,
                                           std::string_view what) {
    if (path.empty())
        return base::Failure{
            "cannot save the settings: neither XDG_CONFIG_HOME nor HOME names a directory; use "
            "--config PATH"};
    if (isDefault) {
        if (base::Status made = makeDefaultConfigFolder(); !made)
            return base::Failure{path + ": cannot write " + std::string(what) + ": " +
                                 made.error()};
    }
    return ConfigLock::take(path, what);
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
