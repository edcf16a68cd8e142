#include "web/StoredSettings.h"

#include "scene/SavedSettings.h"

namespace web {
namespace {

// What messages call the stored text.
constexpr const char* kStoredName = "the stored settings";

}  // namespace

base::Status applyStoredSettings(pluginsdk::CVarStore& cvars,
                                 const std::optional<std::string>& stored,
                                 base::Warnings& warnings) {
    if (!stored) return {};
    const base::Result<scene::SavedSettings> entries = scene::parseSavedSettings(*stored);
    if (!entries)
        return base::Failure{std::string(kStoredName) + " cannot be read (" + entries.error() +
                             "); using the defaults"};
    scene::applySavedSettings(cvars, *entries, kStoredName, warnings);
    return {};
}

base::Result<std::string> settingsToStore(const pluginsdk::CVarStore& cvars,
                                          const std::optional<std::string>& stored,
                                          std::span<const SettingText> inPlace) {
    scene::SavedSettings base;
    if (stored) {
        base::Result<scene::SavedSettings> entries = scene::parseSavedSettings(*stored);
        if (!entries)
            return base::Failure{std::string("not saving over ") + kStoredName +
                                 ", which cannot be read (" + entries.error() +
                                 "); forget them to save again"};
        base = std::move(*entries);
    }
    scene::SavedSettings saved = scene::collectSavedSettings(cvars, std::move(base));
    for (const auto& [name, text] : inPlace)
        if (saved.contains(name)) saved[name] = text;
    return scene::formatSavedSettings(saved);
}

}  // namespace web
