#pragma once
// What the window shows over the world besides the dial: the HUD (speed,
// boost, spin, frame rate, the clock's state) and the help overlay listing
// every control and how to read the dial. Dear ImGui windows, drawn inside the host's ImGui frame.
#include <span>
#include <string>

#include "canvas/DialElements.h"
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
// The help overlay: a page of the controls and a page on reading the dial,
// which labels the live dial's elements where it drew them (`dial`, this
// frame's).
void drawHelp(std::span<const HelpRow> rows, FlySession::HelpPage page,
              const canvas::DialElements& dial);

}  // namespace fly
