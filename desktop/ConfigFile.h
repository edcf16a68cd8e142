#pragma once
// The host's saved settings in their file: the config file, its lock, its
// place, and the locked save. The text in it and how it applies are
// SavedSettings.h's.
//
// A save, as `set` and the window make it:
//   Result<ConfigLock> lock = lockConfigForSave(path, isDefault);
//   Result<SavedSettings> before = loadConfigFile(path);   // under the lock
//   ... change the console ...
//   Status saved = saveConsoleSettings(path, before, cvars);
// (saveConsoleSettingsLocked does all of it for a program that keeps running).
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "base/Result.h"
#include "desktop/platform/Files.h"
#include "host/pluginsdk/CVarStore.h"
#include "scene/SavedSettings.h"

namespace desktop {

// The largest config file read; a settings file is a few hundred bytes.
inline constexpr std::size_t kMaxConfigBytes = 1 << 20;

// The file's entries, or why it cannot be used, naming the file. A missing
// file is the first run: no entries. Only a regular file of at most
// kMaxConfigBytes is read.
base::Result<scene::SavedSettings> loadConfigFile(const std::string& path);

// An exclusive lock (flock, LockFileEx) on the file PATH.lock beside the config (beside
// the file a link points to), held while the object lives. A save takes it
// before reading the config and keeps it until the new file is written, so
// concurrent saves run one after another and none loses another's change.
// Taking it also removes the temporary files that killed saves of this
// config left behind, as no save can be under way while it is held.
class ConfigLock {
  public:
    // `what` names the file in messages: the controls file (ControlsFile.h)
    // beside the config is saved under a lock of its own the same way.
    static base::Result<ConfigLock> take(const std::string& configPath,
                                         std::string_view what = "the config file");
    ConfigLock(ConfigLock&&) noexcept = default;
    ConfigLock& operator=(ConfigLock&&) = delete;

  private:
    explicit ConfigLock(platform::LockedFile lock) : lock_(std::move(lock)) {}
    platform::LockedFile lock_;  // closing it lets go of the lock
};

// Replaces the file at `path` by `text` with writeOutputFile (a crash leaves
// the old file or the new one whole). A failure's message names the file.
base::Status saveConfigFile(const std::string& path, std::string_view text,
                            std::string_view what = "the config file");

// Where the settings live unless --config says otherwise:
// $XDG_CONFIG_HOME/trimsight/config.json, else ~/.config/trimsight/config.json.
// Empty when neither variable gives a usable directory.
std::string defaultConfigPath();

// Creates the folder of defaultConfigPath(), mode 0700, and nothing above it
// but ~/.config in an existing home folder: a configuration home that does not
// exist (a mistyped XDG_CONFIG_HOME or HOME) is a failure, not a chain of
// folders made from the root.
base::Status makeDefaultConfigFolder();

// The lock for a save of the config at `path`; for the default config
// (`isDefault`) its folder is made first. Fails, saying why, when `path` is
// empty (no folder for the default config), the folder cannot be made or
// the lock taken.
base::Result<ConfigLock> lockConfigForSave(const std::string& path, bool isDefault,
                                           std::string_view what = "the config file");

// Writes the console's saved variables over the config at `path`, keeping
// the entries of `before` (what the file held, read under the lock) that
// this console does not register; `inPlace` are texts saved instead of what
// the console holds (a setting a command stands in for a while, such as a
// drill's cue). Refuses to write over a file that could not be read.
base::Status saveConsoleSettings(const std::string& path,
                                 const base::Result<scene::SavedSettings>& before,
                                 const pluginsdk::CVarStore& cvars,
                                 const scene::SavedSettings& inPlace = {});

// The whole save for a program that keeps running (the window): the lock,
// the file read again without applying it (what other runs saved meanwhile
// stays), the console's variables written over it, the lock let go.
base::Status saveConsoleSettingsLocked(const std::string& path, bool isDefault,
                                       const pluginsdk::CVarStore& cvars,
                                       const scene::SavedSettings& inPlace = {});

}  // namespace desktop
