#pragma once
// The full model's arena: the one place its shape lives, and the questions
// the rest of the model asks of it (Mechanics.h has the tick).
//
// Three arenas. The void has nothing in it. The floor is an endless floor at
// z = 0. The box is the legacy model's box (floor, ceiling and four walls:
// 8192 across x, 10240 long in y, 2044 high, centred on the origin) with a
// goal in each end wall: an opening 1786 wide and 642.775 high, centred on
// x = 0 and standing on the floor, into a room 880 deep. The posts, the
// crossbar and the goal's inside (its side walls, roof and back) are solid
// like the rest, so a ball or a car bounces off them.
//
// The solid is a union of blocks: axis-aligned boxes, some of whose sides
// are unbounded (the floor is everything below z = 0; the block beside a
// post is everything past the end wall and past the post's side). Blocks
// overlap, so the faces and edges where two blocks of one end wall meet lie
// inside the arena's surface; a contact that comes from such a hidden edge
// is dropped (hiddenContact), and what remains is the shape a body meets.
//
// Questions
//   goalOf        which goal the ball is in: its whole sphere past the goal
//                 line (the end wall's plane), or none.
//   castArenaRay  the first surface along a ray, from a point, along a unit
//                 direction, within a length: distance, point and normal.
//   castArenaRays the same for a few rays at once (the wheels').
//   sphereContacts  every surface within reach of a sphere: one contact per
//                 block, its normal, gap and point.
//   blocksOf, blockRunsOf, nearestOnBlock, hiddenContact  the blocks
//                 themselves, for the car's box (Contacts.cpp).
//   surfacesOf    the arena's planes without the goals' openings (the floor,
//                 ceiling and walls as unbounded planes).
#include <cmath>
#include <cstdint>
#include <span>

#include "sandbox/Physics.h"
#include "sandbox/Vec3.h"

namespace sandbox::mechanics {

enum class Arena : uint8_t {
    Void,   // nothing at all: the car and the ball fly and fall for ever
    Floor,  // an endless floor at z = 0 and nothing else
    Box,    // the box with its two goals
};

// The goals, in the box's end walls (y = +-arena::kHalfLength).
inline constexpr float kGoalHalfWidth = 893.0f;  // 1786 wide, centred on x = 0
inline constexpr float kGoalHeight = 642.775f;
inline constexpr float kGoalDepth = 880.0f;  // behind the goal line

enum class Goal : uint8_t {
    None,
    PositiveY,  // the goal in the end wall at y = +5120
    NegativeY,  // at y = -5120
};

// Which goal a ball centred at `ballCentre` has gone into: its whole sphere
// is past the goal line. The box's goals only; none in the other arenas.
Goal goalOf(Arena arena, Vec3 ballCentre);

// --------------------------------------------------------------- the ray

struct ArenaRayHit {
    bool hit = false;
    float distance = 0.0f;  // from the ray's start
    Vec3 point{};
    Vec3 normal{};  // unit, out of the surface, towards the open side
};

// The first surface a ray from `from` along the unit `direction` meets
// within `maxLength`, entering the solid from the open side (a ray that
// starts inside a block passes out of it unseen, and may then meet another:
// from inside a wall, down onto the floor beneath it).
ArenaRayHit castArenaRay(Arena arena, Vec3 from, Vec3 direction, float maxLength);

// Several rays at once (the four wheels'), each hit as castArenaRay finds
// it, bit for bit; when no block is in reach of any of them, found at once.
// `hits` has room for one per ray.
struct ArenaRay {
    Vec3 from;
    Vec3 direction;
    float maxLength = 0.0f;
};
void castArenaRays(Arena arena, std::span<const ArenaRay> rays, std::span<ArenaRayHit> hits);

// ------------------------------------------------------------ the blocks

inline constexpr float kUnbounded = 1e30f;

struct ArenaBlock {
    Vec3 low;   // the block is low <= p <= high on every axis;
    Vec3 high;  // +-kUnbounded where it has no side
    // Blocks of one end wall share a group (0: none); hidden edges lie
    // between them.
    int8_t group = 0;
    // The one edge of the block a car can meet on it (a post, the
    // crossbar); from == to when there is none.
    Vec3 edgeFrom{};
    Vec3 edgeTo{};
};

std::span<const ArenaBlock> blocksOf(Arena arena);

// The blocks in runs, each run with one box around all its blocks (an end
// wall's four; the floor, the ceiling and each side wall alone): a point or
// ray out of reach of that box is out of reach of every block in it, so the
// questions below skip a far end wall in one test.
struct BlockRun {
    int first = 0;
    int count = 0;
    ArenaBlock bounds{};
};
std::span<const BlockRun> blockRunsOf(Arena arena);

// A point's nearest point on a block's surface. `distance` is negative when
// the point lies inside (then `point` is on the nearest face); `normal` is
// unit and points out of the block, towards the query point.
struct BlockPoint {
    float distance = 0.0f;
    Vec3 point{};
    Vec3 normal{};
};
BlockPoint nearestOnBlock(const ArenaBlock& block, Vec3 query);
// Whether a point lies inside a block or less than `distance` from it (the
// quick test before the questions above; here, to be inlined, as it is
// asked several times a tick).
inline bool nearBlock(const ArenaBlock& b, Vec3 q, float distance) {
    const auto clampTo = [](float v, float low, float high) {
        return v < low ? low : (v > high ? high : v);
    };
    const Vec3 out = q - Vec3{clampTo(q.x, b.low.x, b.high.x), clampTo(q.y, b.low.y, b.high.y),
                              clampTo(q.z, b.low.z, b.high.z)};
    return dot(out, out) < distance * distance;
}
// Whether a point is at least `distance` from every surface of the arena
// (quicker still: most of the time the bodies are far from all of them).
inline bool clearOfArena(Arena arena, Vec3 q, float distance) {
    switch (arena) {
        case Arena::Void:
            return true;
        case Arena::Floor:
            return q.z >= distance;
        case Arena::Box:
            // Inside the box shrunk by the distance: the goals lie beyond
            // its end walls.
            return q.z >= distance && q.z <= arena::kHeight - distance &&
                   std::fabs(q.x) <= arena::kHalfWidth - distance &&
                   std::fabs(q.y) <= arena::kHalfLength - distance;
    }
    return false;
}

// Whether a contact found on block `index` for the query point comes from
// an edge or face hidden inside the arena's surface: it lies on another
// block of its end wall that is nearer to the query point.
bool hiddenContact(Arena arena, int index, Vec3 query, const BlockPoint& contact);

// One contact of a sphere with the arena.
struct SphereContact {
    int block = 0;
    float gap = 0.0f;  // between the surfaces; negative when they overlap
    Vec3 normal{};     // unit, out of the surface towards the centre
    Vec3 point{};      // on the surface
};
// A sphere has at most this many contacts at once (a goal's corner).
inline constexpr int kMaxSphereContacts = 6;

// Every block whose surface is less than `reach` from the sphere's, one
// contact each (hidden ones dropped), into `out`; returns how many.
int sphereContacts(Arena arena, Vec3 centre, float radius, float reach,
                   std::span<SphereContact, kMaxSphereContacts> out);

// ------------------------------------------------------------ the planes

// A flat surface: points p with dot(normal, p) >= offset are on the open
// side; normal is a unit vector pointing into the open side.
struct Surface {
    Vec3 normal;
    float offset = 0.0f;
};

// The arena's planes (none in the void). In the box the end walls are
// whole: the goals' openings are not in them.
std::span<const Surface> surfacesOf(Arena arena);

}  // namespace sandbox::mechanics
