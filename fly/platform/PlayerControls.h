#pragma once
// The player's own controls: which key and which pad button does what to
// the car, the stick's dead zone and sensitivity, and the dodge dead zone;
// the rules for rebinding them; and their text, the controls file kept
// beside the config (desktop/ControlsFile.h reads and writes it).
//
// The stick's dead zone and sensitivity shape the input before it becomes
// the tick's controls, which is what a flight log records, so replays stay
// exact whatever they are. The dodge dead zone is the simulation's
// (sandbox::PhysicsOptions): a flight flown with another than the default
// keeps it in its log.
//
// The file, one fact a line, in the flight log's style:
//
//   trimsight-controls 1              version 1
//   controller_dead_zone 0.1          the stick's, 0 to 0.9
//   dodge_dead_zone 0.5               |pitch| + |yaw| + |roll| for a dodge, 0 to 1
//   aerial_sensitivity 1              0.1 to 10
//   steering_sensitivity 1            0.1 to 10
//   invert_pitch 0                    1: pushing the stick forward raises the nose
//   key pitch_down W                  an action's key (the rest of the line,
//   key boost Left Shift              as the help names keys), or none
//   pad jump South                    an action's pad button, or none
//   pad pitch_up none
//
// Lines starting with '#' and blank lines are ignored; every line is
// optional, and a line left out keeps the default. A line that cannot be
// used (an unknown name, a number out of range, a key a window command
// takes, a fact given twice) is a warning naming FILE:LINE, and the default
// stays. A key or button two actions are given goes to the later line's
// action, the earlier one getting that action's key, as rebinding in the
// controls window does. A file of a newer version, or not a controls file,
// is refused whole.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "base/Warnings.h"
#include "sandbox/Bindings.h"
#include "sandbox/Physics.h"

namespace fly {

struct PlayerControls {
    sandbox::Bindings bindings = sandbox::defaultBindings();
    float dodgeDeadZone = sandbox::kDefaultDodgeDeadZone;
};
bool operator==(const PlayerControls& a, const PlayerControls& b);

inline constexpr int kControlsFileVersion = 1;
// A controls file is under a kilobyte.
inline constexpr std::size_t kMaxControlsFileBytes = 64u << 10;
inline constexpr std::size_t kMaxKeyNameLength = 32;

// The settings' ranges, as the file and the controls window allow them.
struct SettingRange {
    float lo;
    float hi;
};
inline constexpr SettingRange kDeadZoneRange{0.0f, 0.9f};
inline constexpr SettingRange kDodgeDeadZoneRange{0.0f, 1.0f};
inline constexpr SettingRange kSensitivityRange{0.1f, 10.0f};

// The action's name in the file: "pitch_up", "air_roll_left", ...
std::string_view actionToken(sandbox::Action action);

// The action's key or pad button; none when it has none.
std::optional<std::string_view> keyOf(const sandbox::Bindings& bindings, sandbox::Action action);
std::optional<sandbox::PadButton> buttonOf(const sandbox::Bindings& bindings,
                                           sandbox::Action action);

// Rebinding one action. A key or button another action holds is swapped:
// that action gets this one's old key or button (or none). One a window
// command takes (F1, R, Start, the d-pad, ...) is refused, and nothing
// changes. `note` says what was swapped, or why it was refused.
struct Rebound {
    bool bound = false;
    std::string note;
};
Rebound bindKey(sandbox::Bindings& bindings, sandbox::Action action, std::string_view keyName);
Rebound bindButton(sandbox::Bindings& bindings, sandbox::Action action, sandbox::PadButton button);
// The action without a key, or without a pad button.
void unbindKey(sandbox::Bindings& bindings, sandbox::Action action);
void unbindButton(sandbox::Bindings& bindings, sandbox::Action action);

std::string formatPlayerControls(const PlayerControls& controls);
// The controls the text gives, over the defaults; see the file's format
// above for what is a warning and what a failure ("FILE: ...").
base::Result<PlayerControls> parsePlayerControls(std::string_view text, std::string_view fileName,
                                                 base::Warnings& warnings);

}  // namespace fly
