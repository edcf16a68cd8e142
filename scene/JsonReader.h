#pragma once
// Reading the host program's JSON texts (scenes, the saved settings) with
// messages that say where a problem is.
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace scene {

// Files nest a few levels; far deeper nesting is refused.
inline constexpr std::size_t kMaxJsonDepth = 64;
// The longest array read (a scene's frames are the one long array): more
// is refused before the memory for it is taken.
inline constexpr std::size_t kMaxJsonArrayLength = 1000000;

// Parses `text` into `doc`. A failure's message is one line: "line L, column
// C: ..." for a syntax error or a NUL byte, "at PATH: ..." for a duplicate
// key, too deep nesting or too long an array.
base::Status parseJson(std::string_view text, nlohmann::json& doc);

// JSON paths as messages print them: frames[2].car.location[0]; keys that are
// not plain identifiers as ["a key"].
std::string member(const std::string& path, const std::string& key);
std::string element(const std::string& path, std::size_t index);

}  // namespace scene
