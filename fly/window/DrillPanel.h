#pragma once
// The drill windows, Dear ImGui drawn inside the window's frame: the drill
// menu (F3, or the HUD's button), the countdown, the attempt's panel (live
// score and plot) and its result (the parts of the score, "again with the
// same seed", "next seed"). They read the session and start, repeat and
// leave drills through it; nothing else.
//
// The plot is Dear ImGui's own (PlotLines, PlotHistogram): the drill's
// angle against the attempt's time, a strip that is full where the angle was
// inside the drill's cone or tolerance, and the stick's pitch, yaw and roll
// drawn over each other.
#include <cstdint>

#include "fly/FlySession.h"

namespace fly {

// The menu's own choice, kept from frame to frame.
struct DrillMenuChoice {
    int drill = 0;  // index in sandbox::drillTable()
    uint64_t seed = 1;
    bool wasShown = false;
    // The path ahead's two settings (PathView.h), in the same menu.
    bool ballPath = false;
    bool carPath = false;
};

void drawDrillMenu(FlySession& session, DrillMenuChoice& choice);
// The countdown, the attempt's panel or its result, whichever applies.
void drawAttempt(FlySession& session);

}  // namespace fly
