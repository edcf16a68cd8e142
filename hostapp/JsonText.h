#pragma once
// Reading the host program's JSON files (scenes and the config file) with
// messages that say where a problem is.
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "hostapp/Result.h"

namespace hostapp {

// Files nest a few levels; far deeper nesting is refused.
inline constexpr std::size_t kMaxJsonDepth = 64;

// Parses `text` into `doc`. A failure's message is one line: "line L, column
// C: ..." for a syntax error, "at PATH: ..." for a duplicate key or too deep
// nesting.
Status parseJson(std::string_view text, nlohmann::json& doc);

// The whole content of a file; a failure says "PATH: cannot read WHAT: why".
Result<std::string> readWholeFile(const std::string& path, const std::string& what);

// The text in double quotes, with quotes, backslashes and control
// characters escaped, so that it prints on one line.
std::string quoteText(std::string_view text);

// JSON paths as messages print them: frames[2].car.location[0]; keys that are
// not plain identifiers as ["a key"].
std::string member(const std::string& path, const std::string& key);
std::string element(const std::string& path, std::size_t index);

}  // namespace hostapp
