#pragma once
// Reading the host program's JSON files (scenes and the config file) with
// messages that say where a problem is.
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace hostapp {

// Files nest a few levels; far deeper nesting is refused.
inline constexpr std::size_t kMaxJsonDepth = 64;

// Parses `text` into `doc`. On failure returns false and sets `error` to one
// line: "line L, column C: ..." for a syntax error, "at PATH: ..." for a
// duplicate key or too deep nesting. Never throws.
bool parseJson(std::string_view text, nlohmann::json& doc, std::string& error);

// The whole content of a file; on failure `err` is set to the errno value
// (EISDIR for a directory) and the result is empty.
std::string readWholeFile(const std::string& path, int& err);

// The text in double quotes, with quotes, backslashes and control
// characters escaped, so that it prints on one line.
std::string quoteText(std::string_view text);

// JSON paths as messages print them: frames[2].car.location[0]; keys that are
// not plain identifiers as ["a key"].
std::string member(const std::string& path, const std::string& key);
std::string element(const std::string& path, std::size_t index);

}  // namespace hostapp
