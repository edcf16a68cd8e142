#include "scene/SavedSettings.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <nlohmann/json.hpp>

#include "scene/JsonReader.h"

namespace scene {

using nlohmann::json;

base::Result<SavedSettings> parseSavedSettings(std::string_view text) {
    try {
        json doc;
        if (base::Status parsed = parseJson(text, doc); !parsed)
            return base::Failure{parsed.error()};
        if (!doc.is_object())
            return base::Failure{
                "at top level: expected an object of variable names to value strings"};
        SavedSettings entries;
        for (auto it = doc.begin(); it != doc.end(); ++it) {
            if (!it.value().is_string())
                return base::Failure{"at " + member("", it.key()) +
                                     ": expected a string (the value's text)"};
            entries.emplace(it.key(), it.value().get<std::string>());
        }
        return entries;
    } catch (const std::bad_alloc&) {
        return base::Failure{"out of memory while reading the config"};
    } catch (const std::exception& e) {
        return base::Failure{std::string("cannot read the config: ") + e.what()};
    }
}

std::string formatSavedSettings(const SavedSettings& entries) {
    json doc = json::object();
    for (const auto& [name, value] : entries) doc[name] = value;
    // Replace invalid UTF-8 rather than throw; names and values come from the
    // plugin and from this file, both normally plain ASCII.
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Skips digits from `i`; returns how many.
std::size_t skipDigits(std::string_view text, std::size_t& i) {
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i - start;
}

// [+-] (digits [. digits] | . digits) [(e|E) [+-] digits], the whole text.
bool isDecimal(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = skipDigits(text, i);
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += skipDigits(text, i);
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (skipDigits(text, i) == 0) return false;
    }
    return i == text.size();
}

}  // namespace

base::Result<float> parseConsoleNumber(std::string_view text) {
    if (!isDecimal(text)) return base::Failure{"is not a number"};
    if (text.size() > pluginsdk::kMaxCVarNumberText)
        return base::Failure{"is longer than the " + std::to_string(pluginsdk::kMaxCVarNumberText) +
                             " characters the console reads a number from"};
    // Out of range strtof gives 0 or an infinity, which is what the rule says.
    return pluginsdk::parseCVarFloat(text);
}

base::Result<float> boundedNumber(const pluginsdk::CVarDefinition& variable, float number) {
    if ((number == INFINITY && !variable.hasMax) || (number == -INFINITY && !variable.hasMin))
        return base::Failure{"is beyond the 32-bit float range"};
    if (variable.hasMin && number < variable.min) return variable.min;
    if (variable.hasMax && number > variable.max) return variable.max;
    return number;
}

void applySavedSettings(pluginsdk::CVarStore& cvars, const SavedSettings& entries,
                        const std::string& settingsName, base::Warnings& warnings) {
    for (const auto& snap : cvars.list()) {
        if (!snap.definition.saveToFile) continue;
        auto it = entries.find(snap.definition.name);
        if (it == entries.end()) continue;
        auto entry = cvars.find(snap.definition.name);
        if (!entry) continue;
        const base::Result<float> saved = parseConsoleNumber(it->second);
        const base::Result<float> kept = saved ? boundedNumber(snap.definition, *saved) : saved;
        if (!kept) {
            warnings.add(settingsName + ": value of " + snap.definition.name + " " + kept.error() +
                         "; its default is kept");
            continue;
        }
        // In bounds the text is kept as saved ("4.0" stays "4.0"); outside,
        // the value is kept inside the bounds like anything typed in.
        if (*kept == *saved)
            entry->setRaw(it->second);
        else
            entry->setNumber(*kept);
    }
}

SavedSettings collectSavedSettings(const pluginsdk::CVarStore& cvars, SavedSettings base) {
    for (const auto& snap : cvars.list())
        if (snap.definition.saveToFile) base[snap.definition.name] = snap.value;
    return base;
}

}  // namespace scene
