#pragma once
// From a pad and keys to the car's controls, through bindings.
//
// A platform layer (SDL on the desktop, the browser later) fills plain
// structs: the pad's axes and buttons in `PadState`, and the set of actions
// whose keys are held (it looks each key up with `actionForKey`, by the
// key's name as the bindings spell it). `mapControls` does the rest, so the
// mapping is the same on every platform and testable without one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sandbox/Physics.h"

namespace sandbox {

// What a key or a pad button can do to the car.
enum class Action : uint8_t {
    PitchUp,    // nose up, like pulling the stick back
    PitchDown,  // nose down
    YawLeft,    // also the stick's left, for the host's steer
    YawRight,
    RollLeft,
    RollRight,
    // While held, the yaw axis rolls instead, and on the wheels the car
    // powerslides (the handbrake): one button, as in the car game.
    AirRoll,
    AirRollLeft,  // roll left at full input
    AirRollRight,
    Boost,
    Jump,
    ThrottleForward,
    ThrottleReverse,
    // Not the car's: while held, the window runs the flight backwards
    // (fly/FlySession.h); bound here so that a key and a button hold it.
    Rewind,
    Count
};
inline constexpr int kActionCount = static_cast<int>(Action::Count);

// The action's name for help screens: "pitch up", "air roll left", ...
std::string_view actionName(Action action);

class ActionSet {
  public:
    void set(Action action, bool held) {
        const uint32_t bit = 1u << static_cast<int>(action);
        bits_ = held ? (bits_ | bit) : (bits_ & ~bit);
    }
    bool has(Action action) const { return (bits_ >> static_cast<int>(action)) & 1u; }

  private:
    uint32_t bits_ = 0;
};

// Pad buttons by where they sit (South is the lower face button, A on many
// pads), as SDL's game-controller layer names them. The flight uses the face
// buttons and shoulders; the window's own commands (reset, pause, ...) take
// Back, Start, North, the d-pad and the sticks' clicks.
enum class PadButton : uint8_t {
    South,
    East,
    West,
    North,
    LeftShoulder,
    RightShoulder,
    Back,
    Start,
    DPadUp,
    DPadDown,
    DPadLeft,
    DPadRight,
    LeftStick,  // the left stick pressed in (L3)
    RightStick,
    Misc,  // the share or capture button of newer pads
    Count
};
inline constexpr int kPadButtonCount = static_cast<int>(PadButton::Count);

// The button's name as help screens and scripts spell it: "South", "Start",
// "DPadUp", ...
std::string_view padButtonName(PadButton button);
// The button of that name, if any.
std::optional<PadButton> padButtonNamed(std::string_view name);

struct PadState {
    // Sticks from -1 to 1, x to the right and y down (towards the player),
    // as pads report them; triggers from 0 to 1.
    float leftX = 0.0f;
    float leftY = 0.0f;
    float leftTrigger = 0.0f;
    float rightTrigger = 0.0f;
    uint32_t buttons = 0;  // bit n: PadButton n held

    void press(PadButton button, bool held = true) {
        const uint32_t bit = 1u << static_cast<int>(button);
        buttons = held ? (buttons | bit) : (buttons & ~bit);
    }
};

inline constexpr float kDefaultDeadZone = 0.1f;

struct Bindings {
    // A stick nearer the centre than this (a share of full travel) reads as
    // centred; past it the travel is stretched so full tilt still gives 1:
    // the car game's "Controller Deadzone".
    float deadZone = kDefaultDeadZone;
    // The stick's share after the dead zone is multiplied by these (and
    // kept within [-1, 1]): pitch, yaw and roll by the aerial one, the steer
    // by the steering one, as the car game's "Aerial Sensitivity" and
    // "Steering Sensitivity" do. Keys are not scaled: they give full input.
    float aerialSensitivity = 1.0f;
    float steeringSensitivity = 1.0f;
    // Off: pulling the stick back (down) raises the nose, as the car game
    // does by default. On: pushing it forward does.
    bool invertPitch = false;

    struct Button {
        PadButton button;
        Action action;
    };
    std::vector<Button> padButtons;

    struct Key {
        std::string name;  // as the platform names keys: "W", "Left Shift", "Space"
        Action action;
    };
    std::vector<Key> keys;
};

// South jump, East boost, West air roll and powerslide, shoulders air roll
// left and right, Misc rewind; keys W/S pitch, A/D yaw and steer, Q/E roll,
// Left Shift boost, Space jump, X air roll and powerslide, Up/Down throttle
// and reverse, Backspace rewind. Triggers are throttle (right) and reverse
// (left).
Bindings defaultBindings();

// The action bound to the key of that name, if any.
std::optional<Action> actionForKey(const Bindings& bindings, std::string_view keyName);

// The stick after the dead zone: a radial dead zone, the rest of the travel
// stretched to 0..1, keeping the stick's direction.
struct Stick {
    float x = 0.0f;
    float y = 0.0f;
};
Stick applyDeadZone(float x, float y, float deadZone);

// Whether a key or a pad button bound to `action` is held.
bool actionHeld(const Bindings& bindings, const PadState& pad, ActionSet keysHeld, Action action);

// This tick's controls from the pad and the held keys. Keys and stick add
// (each axis kept within [-1, 1]); the stick's share is scaled by the
// sensitivities first. steer is the stick's x (right positive,
// yaw keys included) whether or not air roll turns it into roll.
CarControls mapControls(const Bindings& bindings, const PadState& pad, ActionSet keysHeld);

}  // namespace sandbox
