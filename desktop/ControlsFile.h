#pragma once
// The player's controls file (its text is fly/platform/PlayerControls.h's),
// kept beside the config: controls.txt in the config's folder. Read at the
// window's start; written, as the config is, under a lock of its own and
// through writeOutputFile, and only when the player changed something.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace desktop {

// The largest controls file read (its format allows no more).
inline constexpr std::size_t kMaxControlsBytes = 64u << 10;

// controls.txt in the folder of the config at `configPath`; empty when
// `configPath` is (no folder for the default config).
std::string controlsPathBeside(const std::string& configPath);

// The file's text; nullopt when there is none yet (the first run). Only a
// regular file of at most kMaxControlsBytes is read.
base::Result<std::optional<std::string>> readControlsFile(const std::string& path);

// Replaces the file by `text` under its lock (PATH.lock); for the default
// config's folder (`isDefault`) the folder is made first. A failure names
// the file.
base::Status saveControlsFile(const std::string& path, bool isDefault, std::string_view text);

}  // namespace desktop
