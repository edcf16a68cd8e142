#pragma once
// The host's saved settings: one JSON object mapping each saved console
// variable's name to its value text, e.g. {"trimsight_size": "4.5"}.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "hostapp/Result.h"

namespace hostapp {

using ConfigEntries = std::map<std::string, std::string, std::less<>>;

// The entries, or one line with the place ("line L, column C" or a JSON path).
Result<ConfigEntries> parseConfig(std::string_view text);

// The file's text for these entries: pretty-printed, one entry a line.
std::string formatConfig(const ConfigEntries& entries);

// The file's entries, or why it cannot be used, naming the file. A missing
// file is the first run: no entries.
Result<ConfigEntries> loadConfig(const std::string& path);

// Replaces the file at `path` by `text` with writeOutputFile (a crash leaves
// the old file or the new one whole). A failure's message names the file.
Status saveConfigAtomic(const std::string& path, std::string_view text);

// Where the settings live unless --config says otherwise:
// $XDG_CONFIG_HOME/trimsight/config.json, else ~/.config/trimsight/config.json.
// Empty when neither variable gives a usable directory.
std::string defaultConfigPath();

// Creates the directory and its parents (mode 0700 for new ones).
Status makeDirectories(const std::string& dir);

}  // namespace hostapp
