#pragma once
// The window's own commands (help, settings, reset, pause, ...) and the one
// place their keys and pad buttons are listed. The car's controls keep their
// keys in the sandbox's bindings (sandbox/Bindings.h); `lookUpKey` looks a
// key up in both, so that a platform and a script ask one function.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sandbox/Bindings.h"

namespace fly {

enum class Command : uint8_t {
    Help,         // the help overlay, on and off
    Settings,     // the host's settings window with the plugin's page
    Reset,        // back to the flight's start state
    RandomStart,  // a new seeded random start in the air
    Pause,
    SingleTick,  // pauses, then runs one tick per press
    SlowMotion,  // normal, half, quarter speed, and round again
    BallCamera,
    DrillMenu,  // the drill menu, on and off
    Quit,
    NextShot,      // a pack's next shot
    PreviousShot,  // and the one before
    Count
};
inline constexpr int kCommandCount = static_cast<int>(Command::Count);

class CommandSet {
  public:
    void add(Command command) { bits_ |= 1u << static_cast<int>(command); }
    void add(CommandSet other) { bits_ |= other.bits_; }
    bool has(Command command) const { return (bits_ >> static_cast<int>(command)) & 1u; }
    bool empty() const { return bits_ == 0; }
    void clear() { bits_ = 0; }

  private:
    uint32_t bits_ = 0;
};

struct CommandBinding {
    Command command;
    std::string_view name;  // as scripts and the help name it: "reset"
    std::string_view key;   // as the platforms name keys: "R", "F1"
    std::optional<sandbox::PadButton> button;
    std::string_view what;  // for the help overlay
};

// Every command with its key and pad button.
std::span<const CommandBinding> commandBindings();

// What a key does: a car action, a window command, or nothing.
struct KeyUse {
    std::optional<sandbox::Action> action;
    std::optional<Command> command;
};
KeyUse lookUpKey(const sandbox::Bindings& bindings, std::string_view keyName);

// The commands of the pad buttons pressed since the last frame (held now,
// not held then).
CommandSet commandsFromButtons(uint32_t buttonsBefore, uint32_t buttonsNow);

// The help overlay's rows: what, its keys, its pad buttons.
struct HelpRow {
    std::string what;
    std::string keys;
    std::string pad;
};
std::vector<HelpRow> helpRows(const sandbox::Bindings& bindings);

}  // namespace fly
