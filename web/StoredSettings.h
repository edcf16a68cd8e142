#pragma once
// The settings as the page keeps them: in the browser's local storage, as the
// same JSON text as the desktop's config file, read and written through the
// host program's own functions (scene/SavedSettings.h). Plain logic over
// text, compiled natively for the tests; the page does the storage calls.
//
// As on the desktop, bad input loses nothing: a stored text that cannot be
// read is reported and never saved over (the page offers to forget it), and
// entries of variables this build does not register are kept when saving.
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "base/Warnings.h"
#include "host/pluginsdk/CVarStore.h"

namespace web {

// The local-storage key of the settings text.
inline constexpr const char* kSettingsKey = "trimsight.settings";

// Applies the stored text (nullopt: nothing stored yet) to the console's
// saved variables, as the desktop applies its config file. A warning for
// each value that is not a number (skipped). Fails, every default kept,
// when the text cannot be read.
base::Status applyStoredSettings(pluginsdk::CVarStore& cvars,
                                 const std::optional<std::string>& stored,
                                 base::Warnings& warnings);

// A variable's text to save in place of the one the console holds (a
// drill's cue stands in for the player's own target option).
using SettingText = std::pair<std::string, std::string>;

// The text to store now: the stored text's entries with the console's saved
// variables over them (`inPlace` over those). A failure, saying why, when
// the stored text cannot be read: it is not to be saved over.
base::Result<std::string> settingsToStore(const pluginsdk::CVarStore& cvars,
                                          const std::optional<std::string>& stored,
                                          std::span<const SettingText> inPlace = {});

}  // namespace web
