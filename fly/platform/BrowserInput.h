#pragma once
// The browser's input in the sandbox's terms, for the browser platform
// (WebPlatform.cpp). Plain logic with no browser in it, so the desktop's
// tests check it.
//
// Keys go by where they sit, as on the desktop: the browser names that
// place in KeyboardEvent.code ("KeyW", "ShiftLeft", "ArrowUp"), the
// bindings, scripts and help in the desktop's names ("W", "Left Shift",
// "Up"). Pads come through the Gamepad API, whose "standard" mapping puts
// the buttons and axes of a common pad at fixed places.
#include <span>
#include <string_view>

#include "sandbox/Bindings.h"

namespace fly {

// The key's name as the bindings spell it; empty for a key the sandbox has
// no name for. The name is the program's own text (it never points into
// `code`), so it may be kept after the browser's event is gone.
std::string_view keyNameForCode(std::string_view code);

// A pad as the Gamepad API reports it.
struct BrowserPad {
    std::span<const double> axes;          // -1 to 1; axis 1 is down
    std::span<const double> buttonValues;  // 0 to 1
    std::span<const int> buttonsPressed;   // non-zero: pressed
};

// The pad's state by the standard mapping: the left stick, the face buttons
// by where they sit, the shoulders, Back and Start, the d-pad, and the
// triggers (buttons 6 and 7) as analogue values. A pad without that mapping
// is read the same way (most pads a browser does not map still put the
// left stick and the face buttons first). What the pad lacks reads as
// released and centred.
void readBrowserPad(const BrowserPad& browser, sandbox::PadState& pad);

}  // namespace fly
