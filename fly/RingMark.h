#pragma once
// A ring of a course as the world renderer draws it: where it is, and how
// it looks for where it stands in the course (the next ring bright, the
// one after dimmer, the rest and those passed faint). The session says
// where rings are and how they look; the world renderer draws them.
#include <cstdint>

#include "sandbox/Vec3.h"

namespace fly {

enum class RingLook : uint8_t { Next, AfterNext, Later, Passed, Missed, Count };
inline constexpr int kRingLookCount = static_cast<int>(RingLook::Count);

struct RingMark {
    sandbox::Vec3 centre;
    sandbox::Vec3 facing;  // unit
    float radius = 0.0f;
    RingLook look = RingLook::Later;
};

}  // namespace fly
