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
    Controls,   // the controls window: bindings, dead zones, sensitivity
    Progress,   // the progress view (attempts per drill and seed), on and off
    Quit,
    NextShot,      // a pack's next shot
    PreviousShot,  // and the one before
    SaveShot,      // the moment as a shot in the player's own pack
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

// The key and pad button of a command, as the HUD's hint names them:
// "F3/RightStick"; the key alone without a button.
std::string commandKeys(Command command);

// Who gets the pad and the keys this frame: the car, or the menu that has
// the focus (a window Dear ImGui navigates). While a menu has it, the car
// gets a centred stick and nothing held; of the pad's commands only those
// that open and close windows and Back's reset act (the rest of its buttons
// navigate), and Escape or the pad's East (Dear ImGui's cancel) close the
// menus instead of quitting; the pad goes to the menu's navigation. A button held when the focus
// moves (the South that pressed a menu's Start, the Start that opened it) is not the new owner's
// until it is let go, so one press never acts twice.
struct RoutedInput {
    sandbox::PadState car;
    sandbox::ActionSet carKeys;
    sandbox::PadState menu;  // for the menu's navigation; all zeros for the car
    CommandSet commands;     // of the keys and of the buttons gone down
    bool closeMenus = false;
};

class InputRouter {
  public:
    RoutedInput route(const sandbox::PadState& pad, sandbox::ActionSet keysHeld,
                      CommandSet keyCommands, bool menuFocused);

  private:
    uint32_t buttonsBefore_ = 0;
    uint32_t held_ = 0;  // held since the focus last moved: no one's
    bool menuBefore_ = false;
};

// Whether the command opens or closes a window (help, settings, drills,
// controls), which a focused menu lets through.
bool opensWindow(Command command);

// The help overlay's rows: what, its keys, its pad buttons.
struct HelpRow {
    std::string what;
    std::string keys;
    std::string pad;
};
std::vector<HelpRow> helpRows(const sandbox::Bindings& bindings);

}  // namespace fly
