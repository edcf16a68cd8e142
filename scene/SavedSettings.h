#pragma once
// The saved settings as text and what they do to a console, with no file in
// sight: the config file's JSON (one object mapping each saved console
// variable's name to its value text, e.g. {"trimsight_size": "4.5"}), the
// console's number rule, and applying and collecting the saved variables.
// The desktop keeps the text in the config file (Config.h), the browser in
// its local storage (web/StoredSettings.h); both go through these.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "base/Warnings.h"
#include "host/pluginsdk/CVarStore.h"

namespace scene {

using SavedSettings = std::map<std::string, std::string, std::less<>>;

// The entries, or one line with the place ("line L, column C" or a JSON path).
base::Result<SavedSettings> parseSavedSettings(std::string_view text);

// The text for these entries: pretty-printed, one entry a line.
std::string formatSavedSettings(const SavedSettings& entries);

// The number rule of the console, for `set` and the saved settings alike: a
// value is a decimal number (an optional sign, digits with an optional point
// or a point and digits, an optional exponent) of at most
// pluginsdk::kMaxCVarNumberText (63) characters, the most the console reads
// whole, read as the console reads it (parseCVarFloat): rounded to the
// nearest 32-bit float. So 1e-400 reads as 0, and 1e40 as infinity, beyond
// every bound. Anything else (spaces, a comma, hexadecimal, inf, nan, a
// longer text) is refused.
base::Result<float> parseConsoleNumber(std::string_view text);

// A number as `variable` stores it: kept inside its bounds. A number beyond
// the float range on a side without a bound is refused.
base::Result<float> boundedNumber(const pluginsdk::CVarDefinition& variable, float number);

// Sets every saved variable of `cvars` the entries name, as the console
// would: numbers kept inside the variable's bounds. Entries for variables
// that do not exist are left alone; a value that is not a number is skipped
// with a warning naming `settingsName` and the variable.
void applySavedSettings(pluginsdk::CVarStore& cvars, const SavedSettings& entries,
                        const std::string& settingsName, base::Warnings& warnings);

// `base` with every variable registered with the save-to-file flag set to
// its current text; entries of variables not registered in this run stay.
SavedSettings collectSavedSettings(const pluginsdk::CVarStore& cvars, SavedSettings base);

}  // namespace scene
