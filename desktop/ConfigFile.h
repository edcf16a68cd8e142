#pragma once
// The host's saved settings in their file: the config file, its lock, its
// place. The text in it and how it applies are SavedSettings.h's.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "base/Result.h"
#include "desktop/platform/Files.h"
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
    static base::Result<ConfigLock> take(const std::string& configPath);
    ConfigLock(ConfigLock&&) noexcept = default;
    ConfigLock& operator=(ConfigLock&&) = delete;

  private:
    explicit ConfigLock(platform::LockedFile lock) : lock_(std::move(lock)) {}
    platform::LockedFile lock_;  // closing it lets go of the lock
};

// Replaces the file at `path` by `text` with writeOutputFile (a crash leaves
// the old file or the new one whole). A failure's message names the file.
base::Status saveConfigFile(const std::string& path, std::string_view text);

// Where the settings live unless --config says otherwise:
// $XDG_CONFIG_HOME/trimsight/config.json, else ~/.config/trimsight/config.json.
// Empty when neither variable gives a usable directory.
std::string defaultConfigPath();

// Creates the folder of defaultConfigPath(), mode 0700, and nothing above it
// but ~/.config in an existing home folder: a configuration home that does not
// exist (a mistyped XDG_CONFIG_HOME or HOME) is a failure, not a chain of
// folders made from the root.
base::Status makeDefaultConfigFolder();

}  // namespace desktop
