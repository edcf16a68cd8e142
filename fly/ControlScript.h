#pragma once
// Timed control inputs for `fly --script FILE`: a flight flown without hands,
// for tests, demos and benchmarks. A script goes through the same key table
// and pad state as a person's input, so it exercises the same mapping.
//
// The format, one step a line; '#' starts a comment, blank lines are skipped:
//
//   # time in seconds since the window opened, then what changes
//   0     stick 0 1            the left stick, x then y as a pad reports them
//                              (y towards the player: 1 pulls back, nose up)
//   0     triggers 0 1         left and right trigger, 0 to 1
//   0.5   key down Space       a key held from now on, named as the help
//   0.75  key up Space         overlay names it (W, Left Shift, F2, R, ...)
//   1     button down East     a pad button (South, East, West, North,
//   1.5   button up East       LeftShoulder, RightShoulder, Back, Start,
//                              DPadUp, DPadDown, DPadLeft, DPadRight)
//   4     end                  the run ends at this time
//
// Times never go backwards. What a line sets holds until a later line
// changes it; a key or button that is a window command (R, Start, ...) acts
// when it goes down. The script's stick and keys add to a person's.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "fly/platform/Controls.h"
#include "sandbox/Bindings.h"

namespace fly {

// A script longer than this is refused: it is surely a mistake.
inline constexpr double kMaxScriptSeconds = 24.0 * 3600.0;
inline constexpr std::size_t kMaxScriptBytes = 16u << 20;

struct ScriptStep {
    enum class Kind : uint8_t { Stick, Triggers, KeyDown, KeyUp, ButtonDown, ButtonUp };
    int64_t timeNs = 0;
    Kind kind = Kind::Stick;
    float first = 0.0f;   // stick x, left trigger
    float second = 0.0f;  // stick y, right trigger
    KeyUse key;           // KeyDown, KeyUp
    sandbox::PadButton button = sandbox::PadButton::South;
};

struct ControlScript {
    std::vector<ScriptStep> steps;  // in time order
    std::optional<int64_t> endNs;   // the `end` line's time
};

// Reads a script's text (the program reads the file, at most
// kMaxScriptBytes); errors read "FILE:LINE: what is wrong". Key names are
// checked against the bindings and the window's commands.
base::Result<ControlScript> parseControlScript(std::string_view text, std::string_view fileName,
                                               const sandbox::Bindings& bindings);

// What a script holds at a moment, added to a person's input each frame.
struct ScriptInput {
    sandbox::PadState pad;
    sandbox::ActionSet keysHeld;
};

// Plays a script forward: each call applies the steps due by `nowNs`.
class ScriptPlayer {
  public:
    explicit ScriptPlayer(const ControlScript& script) : script_(script) {}
    explicit ScriptPlayer(ControlScript&&) = delete;  // it would not outlive the player

    // Applies every step at or before `nowNs` not yet applied; the commands
    // of keys that went down are added to `pressed` (buttons act through the
    // pad state, as a pad's do).
    void advanceTo(int64_t nowNs, CommandSet& pressed);
    const ScriptInput& input() const { return input_; }
    bool ended(int64_t nowNs) const { return script_.endNs && nowNs >= *script_.endNs; }

  private:
    const ControlScript& script_;
    std::size_t next_ = 0;
    ScriptInput input_;
};

}  // namespace fly
