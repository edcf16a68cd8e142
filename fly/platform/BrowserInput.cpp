#include "fly/platform/BrowserInput.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace fly {
namespace {

using sandbox::PadButton;

// The keys whose names are not the code's tail ("KeyW", "Digit1", "F1"
// are).
constexpr std::pair<std::string_view, std::string_view> kNamedKeys[] = {
    {"Space", "Space"},
    {"Enter", "Return"},
    {"Escape", "Escape"},
    {"Tab", "Tab"},
    {"Backspace", "Backspace"},
    {"ShiftLeft", "Left Shift"},
    {"ShiftRight", "Right Shift"},
    {"ControlLeft", "Left Ctrl"},
    {"ControlRight", "Right Ctrl"},
    {"AltLeft", "Left Alt"},
    {"AltRight", "Right Alt"},
    {"ArrowUp", "Up"},
    {"ArrowDown", "Down"},
    {"ArrowLeft", "Left"},
    {"ArrowRight", "Right"},
};

// Names that outlive the browser's event: a key event waits in a queue
// after the event's own text is gone.
constexpr std::string_view kLettersAndDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::string_view kFunctionKeys[] = {
    "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
    "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};

std::string_view lasting(char c) {
    const std::size_t at = kLettersAndDigits.find(c);
    return at == std::string_view::npos ? std::string_view() : kLettersAndDigits.substr(at, 1);
}

// The standard mapping's button places.
constexpr std::pair<std::size_t, PadButton> kStandardButtons[] = {
    {0, PadButton::South},      {1, PadButton::East},         {2, PadButton::West},
    {3, PadButton::North},      {4, PadButton::LeftShoulder}, {5, PadButton::RightShoulder},
    {8, PadButton::Back},       {9, PadButton::Start},        {12, PadButton::DPadUp},
    {13, PadButton::DPadDown},  {14, PadButton::DPadLeft},    {15, PadButton::DPadRight},
    {10, PadButton::LeftStick}, {11, PadButton::RightStick},
};
constexpr std::size_t kLeftTrigger = 6;
constexpr std::size_t kRightTrigger = 7;

template <typename T>
T at(std::span<const T> values, std::size_t i) {
    return i < values.size() ? values[i] : T{};
}

float unit(double v, float lo) { return std::clamp(static_cast<float>(v), lo, 1.0f); }

}  // namespace

std::string_view keyNameForCode(std::string_view code) {
    for (const auto& [browser, name] : kNamedKeys)
        if (code == browser) return name;
    const auto single = [](std::string_view tail, char lo, char hi) {
        return tail.size() == 1 && tail[0] >= lo && tail[0] <= hi;
    };
    if (code.starts_with("Key") && single(code.substr(3), 'A', 'Z')) return lasting(code[3]);
    if (code.starts_with("Digit") && single(code.substr(5), '0', '9')) return lasting(code[5]);
    for (std::string_view f : kFunctionKeys)
        if (code == f) return f;
    return {};
}

void readBrowserPad(const BrowserPad& browser, sandbox::PadState& pad) {
    pad = {};
    pad.leftX = unit(at(browser.axes, 0), -1.0f);
    pad.leftY = unit(at(browser.axes, 1), -1.0f);
    pad.leftTrigger = unit(at(browser.buttonValues, kLeftTrigger), 0.0f);
    pad.rightTrigger = unit(at(browser.buttonValues, kRightTrigger), 0.0f);
    for (const auto& [index, button] : kStandardButtons)
        pad.press(button, at(browser.buttonsPressed, index) != 0);
}

}  // namespace fly
