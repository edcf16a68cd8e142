#pragma once
// Menus driven by a pad or the keyboard alone: Dear ImGui's navigation fed
// from the session's pad, the same way on every platform, and whether a
// menu has the focus (then the session gives the pad and the keys to it,
// not the car; fly/platform/Controls.h's InputRouter).
//
// The pad by where its buttons sit: South activates (A on many pads), East
// cancels (and closes the menus), West toggles a window's menu layer, North
// edits a value as text, the d-pad and the left stick move, the shoulders
// step between windows and tweak values slower or faster.
//
// Dear ImGui 1.86's SDL backend would read a pad of its own (the first one
// SDL lists, opened anew every frame, not the one the window flies with),
// and the browser's has none; so the window turns the backend's reading off
// and feeds io.NavInputs from the session's pad itself.
#include "sandbox/Bindings.h"

struct ImGuiIO;

namespace fly {

// A stick nearer the centre than this (a share of full travel) does not
// move the menu's cursor.
inline constexpr float kNavStickDeadZone = 0.3f;

// io.NavInputs from the pad, and the backend's "has a gamepad" flag.
void feedNavigation(ImGuiIO& io, const sandbox::PadState& pad);

// After the frame's windows: a window that navigation drives (not the HUD
// nor the panels, which take no navigation) has the focus.
bool menuHasFocus();

}  // namespace fly
