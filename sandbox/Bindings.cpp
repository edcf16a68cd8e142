#include "sandbox/Bindings.h"

#include <cmath>

namespace sandbox {

namespace {

constexpr std::string_view kActionNames[kActionCount] = {"pitch up",
                                                         "pitch down",
                                                         "yaw left",
                                                         "yaw right",
                                                         "roll left",
                                                         "roll right",
                                                         "air roll, powerslide",
                                                         "air roll left",
                                                         "air roll right",
                                                         "boost",
                                                         "jump",
                                                         "throttle",
                                                         "reverse",
                                                         "rewind (hold)"};

// Within [-1, 1]; a NaN from a confused driver reads as centred.
float clampAxis(float v) {
    if (std::isnan(v)) return 0.0f;
    return v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v);
}

float keyAxis(ActionSet held, Action positive, Action negative) {
    return (held.has(positive) ? 1.0f : 0.0f) - (held.has(negative) ? 1.0f : 0.0f);
}

constexpr std::string_view kPadButtonNames[kPadButtonCount] = {
    "South",  "East",     "West",     "North",     "LeftShoulder", "RightShoulder", "Back", "Start",
    "DPadUp", "DPadDown", "DPadLeft", "DPadRight", "LeftStick",    "RightStick",    "Misc"};

}  // namespace

std::string_view padButtonName(PadButton button) {
    const int i = static_cast<int>(button);
    return i >= 0 && i < kPadButtonCount ? kPadButtonNames[i] : std::string_view("none");
}

std::optional<PadButton> padButtonNamed(std::string_view name) {
    for (int i = 0; i < kPadButtonCount; ++i)
        if (kPadButtonNames[i] == name) return static_cast<PadButton>(i);
    return std::nullopt;
}

std::string_view actionName(Action action) {
    const int i = static_cast<int>(action);
    return i >= 0 && i < kActionCount ? kActionNames[i] : std::string_view("none");
}

Bindings defaultBindings() {
    Bindings b;
    b.padButtons = {{PadButton::South, Action::Jump},
                    {PadButton::East, Action::Boost},
                    {PadButton::West, Action::AirRoll},
                    {PadButton::LeftShoulder, Action::AirRollLeft},
                    {PadButton::RightShoulder, Action::AirRollRight},
                    {PadButton::Misc, Action::Rewind}};
    b.keys = {{"W", Action::PitchDown},
              {"S", Action::PitchUp},
              {"A", Action::YawLeft},
              {"D", Action::YawRight},
              {"Q", Action::RollLeft},
              {"E", Action::RollRight},
              {"Left Shift", Action::Boost},
              {"Space", Action::Jump},
              {"X", Action::AirRoll},
              {"Up", Action::ThrottleForward},
              {"Down", Action::ThrottleReverse},
              {"Backspace", Action::Rewind}};
    return b;
}

std::optional<Action> actionForKey(const Bindings& bindings, std::string_view keyName) {
    for (const Bindings::Key& key : bindings.keys)
        if (key.name == keyName) return key.action;
    return std::nullopt;
}

Stick applyDeadZone(float x, float y, float deadZone) {
    const float travel = std::hypot(x, y);
    if (!(travel > deadZone)) return {};
    float stretched = (travel - deadZone) / (1.0f - deadZone);
    if (stretched > 1.0f) stretched = 1.0f;
    const float scale = stretched / travel;
    return {clampAxis(x * scale), clampAxis(y * scale)};
}

bool actionHeld(const Bindings& bindings, const PadState& pad, ActionSet keysHeld, Action action) {
    if (keysHeld.has(action)) return true;
    for (const Bindings::Button& b : bindings.padButtons)
        if (b.action == action && ((pad.buttons >> static_cast<int>(b.button)) & 1u)) return true;
    return false;
}

CarControls mapControls(const Bindings& bindings, const PadState& pad, ActionSet keysHeld) {
    ActionSet held = keysHeld;
    for (const Bindings::Button& b : bindings.padButtons)
        if ((pad.buttons >> static_cast<int>(b.button)) & 1u) held.set(b.action, true);

    const Stick stick = applyDeadZone(pad.leftX, pad.leftY, bindings.deadZone);
    const float yawKeys = keyAxis(held, Action::YawRight, Action::YawLeft);
    const float steer = clampAxis(stick.x * bindings.steeringSensitivity + yawKeys);
    const float stickX = clampAxis(stick.x * bindings.aerialSensitivity + yawKeys);
    // The pad's y grows towards the player: pulled back raises the nose.
    float pitch = clampAxis(stick.y * bindings.aerialSensitivity +
                            keyAxis(held, Action::PitchUp, Action::PitchDown));
    if (bindings.invertPitch) pitch = -pitch;

    const bool airRoll = held.has(Action::AirRoll);
    const float roll = (airRoll ? stickX : 0.0f) +
                       keyAxis(held, Action::RollRight, Action::RollLeft) +
                       keyAxis(held, Action::AirRollRight, Action::AirRollLeft);

    CarControls c;
    c.steer = steer;
    c.pitch = pitch;
    c.yaw = airRoll ? 0.0f : stickX;
    c.roll = clampAxis(roll);
    c.throttle = clampAxis(pad.rightTrigger - pad.leftTrigger +
                           keyAxis(held, Action::ThrottleForward, Action::ThrottleReverse));
    c.boost = held.has(Action::Boost);
    c.jump = held.has(Action::Jump);
    c.handbrake = airRoll;
    return c;
}

}  // namespace sandbox
