#pragma once
// Where a flight starts: the default start on the floor, and seeded random
// starts in the air for the "new random start" key (and drills later).
#include <cstdint>

#include "sandbox/Physics.h"

namespace sandbox {

// The car on its wheels at (-2000, 0) facing +x with a full tank, the ball
// at rest on the floor at the arena's centre, 2000 ahead.
World defaultStart();

// A random start in the air: the car somewhere over the middle of the arena
// (x within ±3000, y within ±4000, z 500 to 1500), moving up to 1000 uu/s
// across and -300 to 500 up, at a uniformly random attitude, spinning up to
// 4 rad/s about a random axis, with a full tank; the ball at rest in the air
// somewhere over the same area. The same seed gives the same start on every
// platform with the same maths library (the generator and its spreads are
// our own, not the standard library's).
World randomStart(uint64_t seed);

// SplitMix64: a small, well-mixed generator whose sequence is fixed by its
// definition. Drills draw their own seeded choices from it too.
class SeededRandom {
  public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // Uniform from lo to hi, from 24 random bits.
    float uniform(float lo, float hi);

  private:
    uint64_t state_;
};

// A uniformly random direction (a unit vector) and a uniformly random
// attitude, drawn from `random`.
Vec3 randomDirection(SeededRandom& random);
Orientation randomAttitude(SeededRandom& random);

}  // namespace sandbox
