#pragma once
// Contact points the full model keeps from one tick to the next (the state
// part of Contacts.h; the car holds them, Contacts.cpp fills them in).
//
// Between the car's box and each arena block it touches, and between the
// box and the ball, a manifold keeps up to four points. Each tick adds at
// most one new point per pair: the deepest one found at the start-of-tick
// positions, which takes the place of a kept point within the contact
// distance of it (inheriting its impulses), or of the point whose loss
// leaves the largest area once four are kept. Kept points are measured
// again from the bodies' new positions and dropped once they are farther
// apart than the contact distance, or slid that far along the surface. A
// kept point's solve starts from 0.85 of its last normal impulse (its
// friction row from zero).
#include <array>
#include <cstdint>

#include "sandbox/Vec3.h"

namespace sandbox::mechanics {

struct ContactPoint {
    Vec3 onA{};                    // on body A, in its own frame (from its origin, its axes)
    Vec3 onB{};                    // on body B, likewise (the arena's frame is the world's)
    Vec3 normal{};                 // world, from B towards A
    float distance = 0.0f;         // along the normal; negative when overlapping
    float normalImpulse = 0.0f;    // the last solve's, for the next one's start
    float frictionImpulse = 0.0f;  // the last solve's, for the record

    friend bool operator==(const ContactPoint&, const ContactPoint&) = default;
};

inline constexpr int kMaxManifoldPoints = 4;

struct ContactManifold {
    std::array<ContactPoint, kMaxManifoldPoints> points{};
    uint8_t count = 0;
    int8_t block = -1;  // the arena block (car against the arena); -1 unused

    friend bool operator==(const ContactManifold&, const ContactManifold&) = default;
};

// The car's box is near at most this many arena blocks at once.
inline constexpr int kMaxWorldManifolds = 4;

}  // namespace sandbox::mechanics
