#pragma once
// What the window shows over the world besides the dial: the HUD (speed,
// boost, spin, frame rate, the clock's state) and the help overlay listing
// every control; "goal" for a while after the ball goes in. Dear ImGui windows, drawn inside the
// host's ImGui frame.
#include <span>
#include <string>

#include "fly/FlySession.h"
#include "fly/platform/Controls.h"

namespace fly {

struct HudFacts {
    const FlySession* session = nullptr;
    float framesPerSecond = 0.0f;
    float frameMilliseconds = 0.0f;  // a frame's work
    std::string padName;             // empty: keyboard only
};

void drawHud(const HudFacts& facts);
void drawHelp(std::span<const HelpRow> rows);

}  // namespace fly
