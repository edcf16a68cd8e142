#include "sandbox/Arena.h"

#include <cmath>

#include "sandbox/Mechanics.h"

namespace sandbox::mechanics {

namespace {

constexpr float kU = kUnbounded;
constexpr float kW = arena::kHalfWidth;
constexpr float kL = arena::kHalfLength;
constexpr float kH = arena::kHeight;
constexpr float kGw = kGoalHalfWidth;
constexpr float kGh = kGoalHeight;
constexpr float kBack = kL + kGoalDepth;

// Within this of another block's side a point counts as on it (uu).
constexpr float kOnBlockSlack = 1e-3f;

constexpr ArenaBlock kFloorBlocks[] = {{{-kU, -kU, -kU}, {kU, kU, 0.0f}}};

// An end wall with its goal, at y = side * kL (side +1 or -1): the blocks
// beside the two posts (each with its post as its edge), the one above the
// opening (with the crossbar) and the one behind the goal's back wall.
constexpr float lowY(float side, float y) { return side > 0.0f ? y : -kU; }
constexpr float highY(float side, float y) { return side > 0.0f ? kU : -y; }
constexpr ArenaBlock besidePost(float side, float post, int8_t group) {
    return {{post > 0.0f ? kGw : -kU, lowY(side, kL), -kU},
            {post > 0.0f ? kU : -kGw, highY(side, kL), kU},
            group,
            {post * kGw, side * kL, 0.0f},
            {post * kGw, side * kL, kGh}};
}
constexpr ArenaBlock aboveGoal(float side, int8_t group) {
    return {{-kU, lowY(side, kL), kGh},
            {kU, highY(side, kL), kU},
            group,
            {-kGw, side * kL, kGh},
            {kGw, side * kL, kGh}};
}
constexpr ArenaBlock behindGoal(float side, int8_t group) {
    return {{-kU, lowY(side, kBack), -kU}, {kU, highY(side, kBack), kU}, group, {}, {}};
}

constexpr ArenaBlock kBoxBlocks[] = {
    {{-kU, -kU, -kU}, {kU, kU, 0.0f}},  // floor
    {{-kU, -kU, kH}, {kU, kU, kU}},     // ceiling
    {{kW, -kU, -kU}, {kU, kU, kU}},     // side walls
    {{-kU, -kU, -kU}, {-kW, kU, kU}},
    besidePost(1.0f, 1.0f, 1),
    besidePost(1.0f, -1.0f, 1),
    aboveGoal(1.0f, 1),
    behindGoal(1.0f, 1),
    besidePost(-1.0f, 1.0f, 2),
    besidePost(-1.0f, -1.0f, 2),
    aboveGoal(-1.0f, 2),
    behindGoal(-1.0f, 2),
};

// The box around blocks [first, first + count).
constexpr BlockRun runOf(const ArenaBlock* blocks, int first, int count) {
    ArenaBlock bounds = blocks[first];
    for (int i = first + 1; i < first + count; ++i) {
        const ArenaBlock& b = blocks[i];
        bounds.low = {b.low.x < bounds.low.x ? b.low.x : bounds.low.x,
                      b.low.y < bounds.low.y ? b.low.y : bounds.low.y,
                      b.low.z < bounds.low.z ? b.low.z : bounds.low.z};
        bounds.high = {b.high.x > bounds.high.x ? b.high.x : bounds.high.x,
                       b.high.y > bounds.high.y ? b.high.y : bounds.high.y,
                       b.high.z > bounds.high.z ? b.high.z : bounds.high.z};
    }
    return {first, count, bounds};
}
constexpr BlockRun kFloorRuns[] = {runOf(kFloorBlocks, 0, 1)};
constexpr BlockRun kBoxRuns[] = {runOf(kBoxBlocks, 0, 1), runOf(kBoxBlocks, 1, 1),
                                 runOf(kBoxBlocks, 2, 1), runOf(kBoxBlocks, 3, 1),
                                 runOf(kBoxBlocks, 4, 4), runOf(kBoxBlocks, 8, 4)};
static_assert(sizeof(kBoxBlocks) / sizeof(kBoxBlocks[0]) == 12, "kBoxRuns covers every block");
static_assert(sizeof(kBoxRuns) / sizeof(kBoxRuns[0]) <= 32, "a run mask has a bit for each run");

constexpr Surface kFloorSurfaces[] = {{{0.0f, 0.0f, 1.0f}, 0.0f}};
constexpr Surface kBoxSurfaces[] = {
    {{0.0f, 0.0f, 1.0f}, 0.0f}, {{0.0f, 0.0f, -1.0f}, -kH}, {{1.0f, 0.0f, 0.0f}, -kW},
    {{-1.0f, 0.0f, 0.0f}, -kW}, {{0.0f, 1.0f, 0.0f}, -kL},  {{0.0f, -1.0f, 0.0f}, -kL},
};

float component(Vec3 v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }
void setComponent(Vec3& v, int axis, float value) {
    (axis == 0 ? v.x : (axis == 1 ? v.y : v.z)) = value;
}
Vec3 unitAxis(int axis, float sign) {
    Vec3 v{};
    setComponent(v, axis, sign);
    return v;
}
float clampTo(float v, float low, float high) { return v < low ? low : (v > high ? high : v); }

bool onBlock(const ArenaBlock& b, Vec3 p) {
    for (int axis = 0; axis < 3; ++axis) {
        const float c = component(p, axis);
        if (c < component(b.low, axis) - kOnBlockSlack ||
            c > component(b.high, axis) + kOnBlockSlack)
            return false;
    }
    return true;
}

// One axis of the slab method: the ray's distances to the block's two sides
// on it narrow [enter, leave]; false when the ray runs beside the block
// without ever reaching it. `axis` is the axis's unit vector and `against`
// the opposite one (spelled out: -axis would carry zeros of the other sign).
bool slab(float o, float d, float low, float high, Vec3 axis, Vec3 against, float& enter,
          float& leave, Vec3& enterNormal) {
    if (d == 0.0f) return !(o < low || o > high);
    float tLow = (low - o) / d, tHigh = (high - o) / d;
    // The side the ray crosses first faces against it.
    Vec3 normal = against;
    if (tLow > tHigh) {
        const float t = tLow;
        tLow = tHigh;
        tHigh = t;
        normal = axis;
    }
    if (tLow > enter) {
        enter = tLow;
        enterNormal = normal;
    }
    if (tHigh < leave) leave = tHigh;
    return true;
}

// Whether an axis's slab cannot change what the ray finds: the block has no
// side on it, and the ray's start and direction on it are finite and small
// (|o| <= 1e20, |d| <= 2). Its two distances are then at least 0.49e30 on
// either side of the start (or it runs along the axis, inside the block),
// so the entry it may set is below 0, which a later side raises or leaves a
// miss, and the exit it may set lies past any ray's length: no hit turns
// into a miss or back, nor moves, nor changes its normal.
bool openAxis(float o, float d, float low, float high) {
    return low == -kU && high == kU && std::fabs(o) <= 1e20f && std::fabs(d) <= 2.0f;
}

// The ray's entry into one block: the slab method over its sides, axis by
// axis (skipping those it has none on: the floor's x and y).
ArenaRayHit rayIntoBlock(const ArenaBlock& b, Vec3 from, Vec3 direction, float maxLength) {
    float enter = -kU, leave = kU;
    Vec3 enterNormal{};
    if ((!openAxis(from.x, direction.x, b.low.x, b.high.x) &&
         !slab(from.x, direction.x, b.low.x, b.high.x, {1.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f},
               enter, leave, enterNormal)) ||
        (!openAxis(from.y, direction.y, b.low.y, b.high.y) &&
         !slab(from.y, direction.y, b.low.y, b.high.y, {0.0f, 1.0f, 0.0f}, {0.0f, -1.0f, 0.0f},
               enter, leave, enterNormal)) ||
        (!openAxis(from.z, direction.z, b.low.z, b.high.z) &&
         !slab(from.z, direction.z, b.low.z, b.high.z, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, -1.0f},
               enter, leave, enterNormal)))
        return {};
    // A ray that starts inside the block leaves it unseen.
    if (enter > leave || enter < 0.0f || enter > maxLength) return {};
    return {true, enter, from + direction * enter, enterNormal};
}

// The box around a ray's whole length, grown by a margin far larger than
// any rounding of the slab method (which works to a few parts in 10^7 of
// the coordinates): a block outside it lies past the ray's end on some
// axis, so the slab method cannot find an entry within the length either.
// Most rays (the wheels', every tick) are short and near one block at most;
// this skips the others' six divisions.
struct RayReach {
    Vec3 low;
    Vec3 high;
};
RayReach rayReach(Vec3 from, Vec3 direction, float maxLength) {
    const Vec3 to = from + direction * maxLength;
    const float margin =
        1.0f + 1e-4f * (std::fabs(from.x) + std::fabs(from.y) + std::fabs(from.z) + maxLength);
    const auto least = [](float a, float b) { return a < b ? a : b; };
    const auto most = [](float a, float b) { return a > b ? a : b; };
    return {
        {least(from.x, to.x) - margin, least(from.y, to.y) - margin, least(from.z, to.z) - margin},
        {most(from.x, to.x) + margin, most(from.y, to.y) + margin, most(from.z, to.z) + margin}};
}
// A NaN bound compares false: that block goes through the slab method as
// before.
bool outOfReach(const ArenaBlock& b, const RayReach& r) {
    return b.high.x < r.low.x || b.low.x > r.high.x || b.high.y < r.low.y || b.low.y > r.high.y ||
           b.high.z < r.low.z || b.low.z > r.high.z;
}

}  // namespace

Goal goalOf(Arena arena, Vec3 ballCentre) {
    const Vec3 c = ballCentre;
    if (arena != Arena::Box) return Goal::None;
    const float line = kL + kBallRadius;
    if (c.y > line) return Goal::PositiveY;
    if (c.y < -line) return Goal::NegativeY;
    return Goal::None;
}

std::span<const ArenaBlock> blocksOf(Arena arena) {
    switch (arena) {
        case Arena::Void:
            return {};
        case Arena::Floor:
            return kFloorBlocks;
        case Arena::Box:
            return kBoxBlocks;
    }
    return {};
}

std::span<const BlockRun> blockRunsOf(Arena arena) {
    switch (arena) {
        case Arena::Void:
            return {};
        case Arena::Floor:
            return kFloorRuns;
        case Arena::Box:
            return kBoxRuns;
    }
    return {};
}

std::span<const Surface> surfacesOf(Arena arena) {
    switch (arena) {
        case Arena::Void:
            return {};
        case Arena::Floor:
            return kFloorSurfaces;
        case Arena::Box:
            return kBoxSurfaces;
    }
    return {};
}

BlockPoint nearestOnBlock(const ArenaBlock& b, Vec3 q) {
    const Vec3 clamped{clampTo(q.x, b.low.x, b.high.x), clampTo(q.y, b.low.y, b.high.y),
                       clampTo(q.z, b.low.z, b.high.z)};
    const Vec3 out = q - clamped;
    const float d2 = dot(out, out);
    if (d2 > 0.0f) {
        const float d = std::sqrt(d2);
        return {d, clamped, out * (1.0f / d)};
    }
    // Inside: out through the nearest bounded side.
    BlockPoint best{-kU, q, {}};
    for (int axis = 0; axis < 3; ++axis) {
        const float c = component(q, axis);
        const float toLow = c - component(b.low, axis), toHigh = component(b.high, axis) - c;
        if (-toLow > best.distance) {
            best.distance = -toLow;
            best.normal = unitAxis(axis, -1.0f);
            best.point = q;
            setComponent(best.point, axis, component(b.low, axis));
        }
        if (-toHigh > best.distance) {
            best.distance = -toHigh;
            best.normal = unitAxis(axis, 1.0f);
            best.point = q;
            setComponent(best.point, axis, component(b.high, axis));
        }
    }
    return best;
}

bool hiddenContact(Arena arena, int index, Vec3 query, const BlockPoint& contact) {
    const std::span<const ArenaBlock> blocks = blocksOf(arena);
    const ArenaBlock& own = blocks[static_cast<size_t>(index)];
    if (own.group == 0) return false;
    for (size_t j = 0; j < blocks.size(); ++j) {
        if (static_cast<int>(j) == index || blocks[j].group != own.group) continue;
        if (!onBlock(blocks[j], contact.point)) continue;
        if (nearestOnBlock(blocks[j], query).distance < contact.distance - kOnBlockSlack)
            return true;
    }
    return false;
}

namespace {

// Block i's contact with the sphere (near it), if it has one neither
// hidden nor a repeat of one found, added as out[count].
void addSphereContact(Arena arena, std::span<const ArenaBlock> blocks, size_t i, Vec3 centre,
                      float radius, float reach, std::span<SphereContact, kMaxSphereContacts> out,
                      int& count) {
    const BlockPoint p = nearestOnBlock(blocks[i], centre);
    const float gap = p.distance - radius;
    if (gap >= reach) return;
    const int index = static_cast<int>(i);
    if (hiddenContact(arena, index, centre, p)) return;
    // A face two blocks of a wall share gives the same contact twice.
    bool repeated = false;
    for (int k = 0; k < count; ++k) {
        const Vec3 apart = out[static_cast<size_t>(k)].point - p.point;
        repeated = repeated || (dot(apart, apart) < kOnBlockSlack * kOnBlockSlack &&
                                dot(out[static_cast<size_t>(k)].normal, p.normal) > 0.999f);
    }
    if (repeated) return;
    out[static_cast<size_t>(count++)] = {index, gap, p.normal, p.point};
}

}  // namespace

int sphereContacts(Arena arena, Vec3 centre, float radius, float reach,
                   std::span<SphereContact, kMaxSphereContacts> out) {
    if (clearOfArena(arena, centre, radius + reach)) return 0;
    const std::span<const ArenaBlock> blocks = blocksOf(arena);
    int count = 0;
    for (const BlockRun& run : blockRunsOf(arena)) {
        if (!nearBlock(run.bounds, centre, radius + reach)) continue;
        // A run of one is its block.
        for (int k = run.first; k < run.first + run.count && count < kMaxSphereContacts; ++k)
            if (run.count == 1 || nearBlock(blocks[static_cast<size_t>(k)], centre, radius + reach))
                addSphereContact(arena, blocks, static_cast<size_t>(k), centre, radius, reach, out,
                                 count);
    }
    return count;
}

namespace {
ArenaRayHit castThroughRuns(Arena arena, std::span<const ArenaBlock> blocks,
                            std::span<const BlockRun> allRuns, uint32_t runs, Vec3 from,
                            Vec3 direction, float maxLength);
}  // namespace

void castArenaRays(Arena arena, std::span<const ArenaRay> rays, std::span<ArenaRayHit> hits) {
    // One box around every ray's box (rayReach): its starts' box grown by
    // more than any ray's length, margin and rounding. A run of blocks out
    // of its reach is out of reach of each ray, which castArenaRay would
    // then skip; with every run so, each ray misses (the usual case: the
    // wheels in the air). A direction part past 1 and a bit, a NaN or an
    // infinity anywhere takes no shortcut (the comparisons come out false).
    Vec3 low{}, high{};
    float longest = 0.0f, farthest = 0.0f;
    bool unitDirections = true;
    for (size_t i = 0; i < rays.size(); ++i) {
        const Vec3 f = rays[i].from, d = rays[i].direction;
        if (i == 0) low = high = f;
        low = {f.x < low.x ? f.x : low.x, f.y < low.y ? f.y : low.y, f.z < low.z ? f.z : low.z};
        high = {f.x > high.x ? f.x : high.x, f.y > high.y ? f.y : high.y,
                f.z > high.z ? f.z : high.z};
        const float size = std::fabs(f.x) + std::fabs(f.y) + std::fabs(f.z);
        if (!(size <= farthest)) farthest = size;
        if (!(rays[i].maxLength <= longest)) longest = rays[i].maxLength;
        unitDirections = unitDirections && std::fabs(d.x) <= 1.001f && std::fabs(d.y) <= 1.001f &&
                         std::fabs(d.z) <= 1.001f;
    }
    const float grow = 1.01f * longest + 2.0f + 2e-4f * (farthest + longest);
    const RayReach all{low - Vec3{grow, grow, grow}, high + Vec3{grow, grow, grow}};
    const std::span<const ArenaBlock> blocks = blocksOf(arena);
    const std::span<const BlockRun> runs = blockRunsOf(arena);
    uint32_t inReach = 0;
    for (size_t r = 0; r < runs.size(); ++r)
        if (!unitDirections || !outOfReach(runs[r].bounds, all)) inReach |= 1u << r;
    for (size_t i = 0; i < rays.size(); ++i)
        hits[i] = inReach == 0 ? ArenaRayHit{}
                               : castThroughRuns(arena, blocks, runs, inReach, rays[i].from,
                                                 rays[i].direction, rays[i].maxLength);
}

namespace {

// castArenaRay through the runs in `runs` (bit i: run i) alone; the others
// are known to be out of the ray's reach.
ArenaRayHit castThroughRuns(Arena arena, std::span<const ArenaBlock> blocks,
                            std::span<const BlockRun> allRuns, uint32_t runs, Vec3 from,
                            Vec3 direction, float maxLength) {
    ArenaRayHit best;
    const RayReach reach = rayReach(from, direction, maxLength);
    // The box around the ray clear of every surface: out of every block's
    // reach at once (a ray in the open, as most of them are).
    const Vec3 middle = (reach.low + reach.high) * 0.5f;
    const Vec3 halfSize = (reach.high - reach.low) * 0.5f;
    if (clearOfArena(arena, middle, length(halfSize))) return best;
    best.distance = maxLength;
    for (size_t r = 0; r < allRuns.size(); ++r) {
        const BlockRun& run = allRuns[r];
        if ((runs & (1u << r)) == 0 || outOfReach(run.bounds, reach)) continue;
        for (int k = run.first; k < run.first + run.count; ++k) {
            const ArenaBlock& b = blocks[static_cast<size_t>(k)];
            if (run.count > 1 && outOfReach(b, reach)) continue;  // a run of one is its block
            const ArenaRayHit hit = rayIntoBlock(b, from, direction, best.distance);
            if (hit.hit && (!best.hit || hit.distance < best.distance)) best = hit;
        }
    }
    if (!best.hit) best.distance = 0.0f;
    return best;
}

}  // namespace

ArenaRayHit castArenaRay(Arena arena, Vec3 from, Vec3 direction, float maxLength) {
    return castThroughRuns(arena, blocksOf(arena), blockRunsOf(arena), ~0u, from, direction,
                           maxLength);
}

}  // namespace sandbox::mechanics
