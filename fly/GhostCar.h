#pragma once
// A car drawn see-through in the world: a drill's target attitude, shown
// where the car is, or an earlier attempt replayed from its flight log. The
// session says where ghosts are; the world renderer draws them.
#include <cstdint>

#include "sandbox/Attitude.h"
#include "sandbox/Vec3.h"

namespace fly {

// Ghosts are drawn this much larger than the car about the box's centre, so
// that a ghost the car matches (a target attitude reached, a replay flown
// the same) wraps it as a shell instead of flickering through it.
inline constexpr float kGhostScale = 1.04f;

// What a ghost stands for; each kind has its own colour
// (fly/window/WorldRenderer.h) and its line in the HUD.
enum class GhostKind : uint8_t {
    TargetAttitude,  // the attitude a drill asks for, where the car is
    BestAttempt,     // the best attempt of the drill and seed, replayed
};

struct GhostCar {
    sandbox::Vec3 location;
    sandbox::Orientation attitude;
    GhostKind kind = GhostKind::TargetAttitude;
};

}  // namespace fly
