#pragma once
// The path ahead: where the ball goes in the next 3 seconds (with its
// bounces) and where the car goes in the next 2 if its controls were held as
// they are, and the moment the two come nearest, for the window to draw.
//
// It is the full model's own tick run on copies of the world: the ball by
// mechanics::stepBall, the car by mechanics::step with the ball parked out
// of reach, so as long as the two do not meet the prediction is the future
// the world then flies with the same controls, bit for bit. The two are
// predicted apart, each ignoring the other: a hit is not predicted. The
// first tick the predicted car's box comes within contact of the predicted
// ball is reported instead (contactTick); up to that tick the path is exact,
// after it each body flies on as if the other were not there. (A wheel's
// ray touching the ball without the box also goes unseen.)
//
// Usage, once a frame:
//   predictPath(simulation.full(), controls, fullOptions(options), path);
//   draw path.ball[0 .. kBallPathTicks], path.car[0 .. kCarPathTicks],
//   mark path.car[path.nearestTick] with path.nearestTick / 120 s.
// Nothing is allocated: the path is fixed arrays the caller keeps.
#include <array>
#include <cstdint>

#include "sandbox/Mechanics.h"
#include "sandbox/Physics.h"

namespace sandbox {

inline constexpr int kBallPathTicks = 3 * kTicksPerSecond;
inline constexpr int kCarPathTicks = 2 * kTicksPerSecond;
// Bounces kept for drawing (a ball that rolls touches the floor once, when
// it comes down; later bounces past this many are not marked).
inline constexpr int kMaxPathBounces = 16;

struct PathAhead {
    // [0] is now; [k] the location after k ticks.
    std::array<Vec3, kBallPathTicks + 1> ball{};
    std::array<Vec3, kCarPathTicks + 1> car{};
    // The ticks at which the ball comes within reach of the arena after
    // being clear of it: its bounces (and the moment a falling ball lands).
    std::array<int16_t, kMaxPathBounces> bounceTicks{};
    int bounces = 0;
    // The tick (0 to kCarPathTicks) at which the car's origin is nearest
    // the ball's centre, and that distance in uu.
    int nearestTick = 0;
    float nearestDistance = 0.0f;
    // The first tick after which the predicted bodies touch (the world's
    // contact comes in the tick after it), or -1: the path is exact up to
    // this tick.
    int contactTick = -1;
};

// The path ahead of `now` with `held` controls, in the full model. `out`
// is written whole.
void predictPath(const mechanics::World& now, const CarControls& held,
                 const mechanics::Options& options, PathAhead& out);

// Seconds from now to tick `ticks` of a path.
inline float pathSeconds(int ticks) { return static_cast<float>(ticks) * kTickSeconds; }

}  // namespace sandbox
