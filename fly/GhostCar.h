#pragma once
// A car drawn see-through in the world: a drill's target attitude, shown
// where the car is, or an earlier attempt replayed from its flight log. The
// session says where ghosts are; the world renderer draws them.
#include "sandbox/Attitude.h"
#include "sandbox/Vec3.h"

namespace fly {

// Ghosts are drawn this much larger than the car about the box's centre, so
// that a ghost the car matches (a target attitude reached, a replay flown
// the same) wraps it as a shell instead of flickering through it.
inline constexpr float kGhostScale = 1.04f;

struct GhostCar {
    sandbox::Vec3 location;
    sandbox::Orientation attitude;
};

}  // namespace fly
