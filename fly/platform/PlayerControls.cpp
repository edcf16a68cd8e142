#include "fly/platform/PlayerControls.h"

#include <algorithm>
#include <array>

#include "base/Excerpt.h"
#include "fly/platform/Controls.h"
#include "sandbox/NumberText.h"

namespace fly {
namespace {

using sandbox::Action;
using sandbox::Bindings;
using sandbox::PadButton;

constexpr std::string_view kMagic = "trimsight-controls";

constexpr std::string_view kActionTokens[sandbox::kActionCount] = {
    "pitch_up",   "pitch_down", "yaw_left",      "yaw_right",      "roll_left",
    "roll_right", "air_roll",   "air_roll_left", "air_roll_right", "boost",
    "jump",       "throttle",   "reverse",       "rewind"};
// A new action needs its token here, or its line would never read back.
constexpr bool everyActionHasAToken() {
    for (std::string_view token : kActionTokens)
        if (token.empty()) return false;
    return true;
}
static_assert(everyActionHasAToken());

std::optional<Action> actionOfToken(std::string_view token) {
    for (int i = 0; i < sandbox::kActionCount; ++i)
        if (kActionTokens[i] == token) return static_cast<Action>(i);
    return std::nullopt;
}

// The window command that takes this key or button, if any.
std::optional<Command> commandOfKey(std::string_view keyName) {
    for (const CommandBinding& c : commandBindings())
        if (c.key == keyName) return c.command;
    return std::nullopt;
}
std::optional<Command> commandOfButton(PadButton button) {
    for (const CommandBinding& c : commandBindings())
        if (c.button == button) return c.command;
    return std::nullopt;
}
std::string commandName(Command command) {
    return std::string(commandBindings()[static_cast<int>(command)].name);
}

// The numbers of the file: its name, the range, where it lives.
struct NumberLine {
    std::string_view name;
    SettingRange range;
    float& (*value)(PlayerControls& c);
};
const NumberLine kNumberLines[] = {
    {"controller_dead_zone", kDeadZoneRange,
     [](PlayerControls& c) -> float& { return c.bindings.deadZone; }},
    {"dodge_dead_zone", kDodgeDeadZoneRange,
     [](PlayerControls& c) -> float& { return c.dodgeDeadZone; }},
    {"aerial_sensitivity", kSensitivityRange,
     [](PlayerControls& c) -> float& { return c.bindings.aerialSensitivity; }},
    {"steering_sensitivity", kSensitivityRange,
     [](PlayerControls& c) -> float& { return c.bindings.steeringSensitivity; }},
};
constexpr std::string_view kInvertPitch = "invert_pitch";

bool validKeyName(std::string_view name) {
    if (name.empty() || name.size() > kMaxKeyNameLength || name == "none") return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The first word of `line`, taken off it.
std::string_view firstWord(std::string_view& line) {
    line = trimmed(line);
    const std::size_t end = line.find_first_of(" \t");
    const std::string_view word = line.substr(0, end);
    line = end == std::string_view::npos ? std::string_view() : trimmed(line.substr(end));
    return word;
}

// One line of the file: applies it, or says why not.
class LineReader {
  public:
    explicit LineReader(PlayerControls& controls) : controls_(controls) {}
    // Empty when the line was used; else why not.
    std::string read(std::string_view line);

  private:
    std::string number(std::string_view name, std::string_view rest);
    std::string binding(bool key, std::string_view rest);
    std::string once(const std::string& fact);

    PlayerControls& controls_;
    std::vector<std::string> seen_;
};

std::string LineReader::once(const std::string& fact) {
    if (std::find(seen_.begin(), seen_.end(), fact) != seen_.end())
        return "\"" + fact + "\" given twice; the first one holds";
    seen_.push_back(fact);
    return {};
}

std::string LineReader::number(std::string_view name, std::string_view rest) {
    for (const NumberLine& n : kNumberLines) {
        if (n.name != name) continue;
        const std::optional<float> v = sandbox::parseFloat(rest);
        if (!v || !(*v >= n.range.lo && *v <= n.range.hi))
            return std::string(name) + ": expected a number from " +
                   sandbox::formatFloat(n.range.lo) + " to " + sandbox::formatFloat(n.range.hi) +
                   ", got \"" + base::excerpt(rest) + '"';
        if (std::string twice = once(std::string(name)); !twice.empty()) return twice;
        n.value(controls_) = *v;
        return {};
    }
    return "unknown line \"" + base::excerpt(name) + '"';
}

std::string LineReader::binding(bool key, std::string_view rest) {
    const std::string_view token = firstWord(rest);
    const std::optional<Action> action = actionOfToken(token);
    if (!action) return "\"" + base::excerpt(token) + "\" is not an action";
    const std::string what = std::string(key ? "key " : "pad ") + std::string(token);
    if (rest.empty()) return what + ": expected a " + (key ? "key" : "pad button") + " or none";
    Bindings trial = controls_.bindings;
    Rebound rebound;
    if (rest == "none") {
        if (key)
            unbindKey(trial, *action);
        else
            unbindButton(trial, *action);
        rebound.bound = true;
    } else if (key) {
        if (!validKeyName(rest)) return what + ": \"" + base::excerpt(rest) + "\" is not a key";
        rebound = bindKey(trial, *action, rest);
    } else {
        const std::optional<PadButton> button = sandbox::padButtonNamed(rest);
        if (!button) return what + ": \"" + base::excerpt(rest) + "\" is not a pad button";
        rebound = bindButton(trial, *action, *button);
    }
    if (!rebound.bound) return what + ": " + rebound.note;
    if (std::string twice = once(what); !twice.empty()) return twice;
    controls_.bindings = std::move(trial);
    return {};
}

std::string LineReader::read(std::string_view line) {
    std::string_view rest = line;
    const std::string_view name = firstWord(rest);
    if (name == "key" || name == "pad") return binding(name == "key", rest);
    if (name == kInvertPitch) {
        if (rest != "0" && rest != "1")
            return std::string(kInvertPitch) + ": expected 0 or 1, got \"" + base::excerpt(rest) +
                   '"';
        if (std::string twice = once(std::string(kInvertPitch)); !twice.empty()) return twice;
        controls_.bindings.invertPitch = rest == "1";
        return {};
    }
    return number(name, rest);
}

// The header's version, or why the file is refused.
base::Result<int64_t> headerVersion(std::string_view line, std::string_view fileName) {
    std::string_view rest = line;
    const std::string_view magic = firstWord(rest);
    const std::string expected =
        "expected \"" + std::string(kMagic) + " " + std::to_string(kControlsFileVersion) + '"';
    if (magic != kMagic)
        return base::Failure{std::string(fileName) + ":1: not a controls file: " + expected};
    int64_t version = 0;
    bool digits = !rest.empty() && rest.size() <= 9;
    for (char c : rest) {
        if (c < '0' || c > '9') digits = false;
        if (digits) version = version * 10 + (c - '0');
    }
    if (!digits || version < 1) return base::Failure{std::string(fileName) + ":1: " + expected};
    if (version > kControlsFileVersion)
        return base::Failure{std::string(fileName) +
                             ":1: written by a newer version of the format (" +
                             std::to_string(version) + "); this program reads version " +
                             std::to_string(kControlsFileVersion)};
    return version;
}

}  // namespace

bool operator==(const PlayerControls& a, const PlayerControls& b) {
    const Bindings& x = a.bindings;
    const Bindings& y = b.bindings;
    if (x.deadZone != y.deadZone || x.aerialSensitivity != y.aerialSensitivity ||
        x.steeringSensitivity != y.steeringSensitivity || x.invertPitch != y.invertPitch ||
        a.dodgeDeadZone != b.dodgeDeadZone)
        return false;
    for (int i = 0; i < sandbox::kActionCount; ++i) {
        const auto action = static_cast<Action>(i);
        if (keyOf(x, action) != keyOf(y, action) || buttonOf(x, action) != buttonOf(y, action))
            return false;
    }
    return true;
}

std::string_view actionToken(Action action) {
    const int i = static_cast<int>(action);
    return i >= 0 && i < sandbox::kActionCount ? kActionTokens[i] : std::string_view("none");
}

std::optional<std::string_view> keyOf(const Bindings& bindings, Action action) {
    for (const Bindings::Key& k : bindings.keys)
        if (k.action == action) return std::string_view(k.name);
    return std::nullopt;
}

std::optional<PadButton> buttonOf(const Bindings& bindings, Action action) {
    for (const Bindings::Button& b : bindings.padButtons)
        if (b.action == action) return b.button;
    return std::nullopt;
}

void unbindKey(Bindings& bindings, Action action) {
    std::erase_if(bindings.keys, [action](const Bindings::Key& k) { return k.action == action; });
}

void unbindButton(Bindings& bindings, Action action) {
    std::erase_if(bindings.padButtons,
                  [action](const Bindings::Button& b) { return b.action == action; });
}

Rebound bindKey(Bindings& bindings, Action action, std::string_view keyName) {
    if (const std::optional<Command> command = commandOfKey(keyName))
        return {false, std::string(keyName) + " is the " + commandName(*command) +
                           " command's key; pick another"};
    const std::optional<std::string> old =
        keyOf(bindings, action) ? std::optional<std::string>(*keyOf(bindings, action))
                                : std::nullopt;
    if (old == keyName) return {true, {}};
    Rebound rebound{true, {}};
    for (Bindings::Key& k : bindings.keys) {
        if (k.name != keyName) continue;
        const Action other = k.action;
        rebound.note = std::string(keyName) + " was " + std::string(sandbox::actionName(other)) +
                       "'s: " + std::string(sandbox::actionName(other)) + " now has " +
                       (old ? *old : std::string("no key"));
        std::erase_if(bindings.keys, [&](const Bindings::Key& key) { return key.name == keyName; });
        if (old) bindings.keys.push_back({*old, other});
        break;
    }
    unbindKey(bindings, action);
    bindings.keys.push_back({std::string(keyName), action});
    return rebound;
}

Rebound bindButton(Bindings& bindings, Action action, PadButton button) {
    if (const std::optional<Command> command = commandOfButton(button))
        return {false, std::string(sandbox::padButtonName(button)) + " is the " +
                           commandName(*command) + " command's button; pick another"};
    const std::optional<PadButton> old = buttonOf(bindings, action);
    if (old == button) return {true, {}};
    Rebound rebound{true, {}};
    for (Bindings::Button& b : bindings.padButtons) {
        if (b.button != button) continue;
        const Action other = b.action;
        rebound.note = std::string(sandbox::padButtonName(button)) + " was " +
                       std::string(sandbox::actionName(other)) +
                       "'s: " + std::string(sandbox::actionName(other)) + " now has " +
                       (old ? std::string(sandbox::padButtonName(*old)) : std::string("none"));
        std::erase_if(bindings.padButtons,
                      [&](const Bindings::Button& x) { return x.button == button; });
        if (old) bindings.padButtons.push_back({*old, other});
        break;
    }
    unbindButton(bindings, action);
    bindings.padButtons.push_back({button, action});
    return rebound;
}

std::string formatPlayerControls(const PlayerControls& controls) {
    PlayerControls copy = controls;
    std::string out = std::string(kMagic) + " " + std::to_string(kControlsFileVersion) + "\n";
    for (const NumberLine& n : kNumberLines)
        out += std::string(n.name) + ' ' + sandbox::formatFloat(n.value(copy)) + '\n';
    out += std::string(kInvertPitch) + (controls.bindings.invertPitch ? " 1\n" : " 0\n");
    for (int i = 0; i < sandbox::kActionCount; ++i) {
        const auto action = static_cast<Action>(i);
        const std::optional<std::string_view> key = keyOf(controls.bindings, action);
        out += "key " + std::string(kActionTokens[i]) + ' ' +
               std::string(key ? *key : std::string_view("none")) + '\n';
    }
    for (int i = 0; i < sandbox::kActionCount; ++i) {
        const auto action = static_cast<Action>(i);
        const std::optional<PadButton> button = buttonOf(controls.bindings, action);
        out += "pad " + std::string(kActionTokens[i]) + ' ' +
               std::string(button ? sandbox::padButtonName(*button) : std::string_view("none")) +
               '\n';
    }
    return out;
}

base::Result<PlayerControls> parsePlayerControls(std::string_view text, std::string_view fileName,
                                                 base::Warnings& warnings) {
    if (text.size() > kMaxControlsFileBytes)
        return base::Failure{std::string(fileName) + ": larger than " +
                             std::to_string(kMaxControlsFileBytes >> 10) + " kB"};
    PlayerControls controls;
    LineReader reader(controls);
    std::size_t lineNumber = 0;
    bool header = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        const std::string_view line = trimmed(raw);
        if (!header) {
            base::Result<int64_t> version = headerVersion(line, fileName);
            if (!version) return version.failure();
            header = true;
            continue;
        }
        if (line.empty() || line.front() == '#') continue;
        if (std::string why = reader.read(line); !why.empty())
            warnings.add(std::string(fileName) + ":" + std::to_string(lineNumber) + ": " + why +
                         "; keeping the default");
    }
    if (!header)
        return base::Failure{std::string(fileName) + ": empty; expected \"" + std::string(kMagic) +
                             " " + std::to_string(kControlsFileVersion) + '"'};
    return controls;
}

}  // namespace fly
