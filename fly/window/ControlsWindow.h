#pragma once
// The controls window (F4, or the drill menu's button): each car action's
// key and pad button, rebound by pressing the one to bind (Escape or Back
// cancel), the stick's dead zone and sensitivity and the dodge dead zone,
// named as the car game names them, and a way back to the defaults. It
// changes the session's controls (FlySession::setControls); the window saves
// them.
#include "fly/FlySession.h"

namespace fly {

void drawControlsWindow(FlySession& session);

}  // namespace fly
