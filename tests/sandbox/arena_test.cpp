// The full model's arena: the box with a goal in each end wall. Which goal
// the ball is in, rays against it, the ball off the posts, the crossbar and
// the goal's inside, and the car's box against the surfaces (resting on its
// roof or side, stopped by walls and ceiling, the auto-flip off the floor).
#include "sandbox/Arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "sandbox/Attitude.h"
#include "tests/sandbox/full_model_run.h"

namespace {

using namespace fullmodel;
using sandbox::mechanics::ArenaRayHit;
using sandbox::mechanics::castArenaRay;
using sandbox::mechanics::castArenaRays;
using sandbox::mechanics::Goal;
using sandbox::mechanics::goalOf;
using sandbox::mechanics::kBallRadius;
using sandbox::mechanics::kGoalHalfWidth;
using sandbox::mechanics::kGoalHeight;
using sandbox::mechanics::kMaxSphereContacts;
using sandbox::mechanics::SphereContact;
using sandbox::mechanics::sphereContacts;

constexpr float kLine = 5120.0f;  // the goal line: the end wall's plane
constexpr float kBack = 6000.0f;  // the goal's back wall, 880 behind it

// ------------------------------------------------------------- the goals

TEST(Goals, TheBallIsInWhenItsWholeSphereIsPastTheLine) {
    const struct {
        const char* what;
        Arena arena;
        Vec3 centre;
        Goal goal;
    } cases[] = {
        {"just in", Arena::Box, {0.0f, kLine + kBallRadius + 0.01f, 100.0f}, Goal::PositiveY},
        {"touching the line from behind",
         Arena::Box,
         {0.0f, kLine + kBallRadius, 100.0f},
         Goal::None},
        {"just out", Arena::Box, {0.0f, kLine + kBallRadius - 0.01f, 100.0f}, Goal::None},
        {"just in by the post", Arena::Box, {-800.0f, kLine + 92.0f, 500.0f}, Goal::PositiveY},
        {"the other end, just in",
         Arena::Box,
         {300.0f, -kLine - kBallRadius - 0.01f, 92.0f},
         Goal::NegativeY},
        {"the other end, just out", Arena::Box, {300.0f, -kLine - 91.0f, 92.0f}, Goal::None},
        {"midfield", Arena::Box, {0.0f, 0.0f, 92.0f}, Goal::None},
        {"no goals on the endless floor", Arena::Floor, {0.0f, 9000.0f, 92.0f}, Goal::None},
    };
    for (const auto& c : cases) EXPECT_EQ(goalOf(c.arena, c.centre), c.goal) << c.what;
}

// Rolled along the floor into the middle of the goal at 1500 uu/s, a ball
// scores, hits the back wall and comes back out.
TEST(Goals, ARolledBallScoresAndComesBackOffTheBackWall) {
    const Flight r =
        simulate(ballAt({0.0f, 4000.0f, 92.0f}, {0.0f, 1500.0f, 0.0f}), 180, in(Arena::Box));
    int scored = 0;
    float deepest = 0.0f;
    for (int t = 1; t <= 180; ++t) {
        if (scored == 0 && goalOf(Arena::Box, r.ball(t).location) == Goal::PositiveY) scored = t;
        deepest = std::max(deepest, r.ball(t).location.y);
    }
    EXPECT_GT(scored, 0);
    // Contacts are found at the start of a tick, so the ball may sink up to
    // a tick's travel into the wall before it bounces.
    EXPECT_LT(deepest, kBack - kBallRadius + 1500.0f / 120.0f);
    EXPECT_GT(deepest, kBack - kBallRadius - 2.0f);
    EXPECT_LT(r.ball(180).velocity.y, 0.0f);
}

// A floating ball sent at 2000 uu/s at a frame part: it bounces off the
// part's edge, leaving along the edge's normal (from the edge to its centre
// at the start of the bounce tick) at 0.6 of its speed into it, and never
// scores. Into the goal's inside, it bounces off the side walls, roof and
// back in the same way and stays inside.
TEST(Goals, TheFrameAndTheInsideAreSurfacesTheBallBouncesOff) {
    const struct {
        const char* what;
        Vec3 start, velocity;
        bool staysIn;  // inside the goal all along
    } cases[] = {
        {"the post, 45 inside its edge",
         {kGoalHalfWidth - 45.0f, 4800.0f, 300.0f},
         {0.0f, 2000.0f, 0.0f},
         false},
        {"the post, 45 outside",
         {kGoalHalfWidth + 45.0f, 4800.0f, 300.0f},
         {0.0f, 2000.0f, 0.0f},
         false},
        {"the crossbar, 30 under",
         {0.0f, 4800.0f, kGoalHeight - 30.0f},
         {0.0f, 2000.0f, 0.0f},
         false},
        {"the wall just over the crossbar",
         {0.0f, 4800.0f, kGoalHeight + kBallRadius + 1.0f},
         {0.0f, 2000.0f, 0.0f},
         false},
        {"the side wall inside", {0.0f, 5600.0f, 300.0f}, {2000.0f, 0.0f, 0.0f}, true},
        {"the roof inside", {0.0f, 5600.0f, 300.0f}, {0.0f, 0.0f, 2000.0f}, true},
        {"the back wall inside", {0.0f, 5500.0f, 300.0f}, {0.0f, 2000.0f, 0.0f}, true},
        {"into the top corner inside", {0.0f, 5500.0f, 300.0f}, {1200.0f, 1200.0f, 1200.0f}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight r = simulate(ballAt(c.start, c.velocity), 90, in(Arena::Box, true));
        int bounce = 0;
        for (int t = 1; t <= 90 && bounce == 0; ++t)
            if (dot(r.ball(t).velocity, c.velocity) < 0.0f) bounce = t;
        ASSERT_GT(bounce, 0);
        const Ball& before = r.ball(bounce - 1);
        std::array<SphereContact, kMaxSphereContacts> contacts;
        const int count =
            sphereContacts(Arena::Box, before.location, kBallRadius, 1.905f, contacts);
        ASSERT_GE(count, 1);
        if (count == 1) {
            const Vec3 n = contacts[0].normal;
            const float into = -dot(n, before.velocity * kDragTick);
            EXPECT_NEAR(dot(n, r.ball(bounce).velocity), 0.6f * into, 1e-2f);
        }
        // Within a tick's travel of the goal's inside, as contacts are found
        // at the start of a tick.
        const float travel = length(c.velocity) / 120.0f;
        for (int t = 0; t <= 90; ++t) {
            const Vec3 p = r.ball(t).location;
            if (c.staysIn) {
                EXPECT_LE(std::fabs(p.x), kGoalHalfWidth - kBallRadius + travel) << t;
                EXPECT_LE(p.y, kBack - kBallRadius + travel) << t;
                EXPECT_LE(p.z, kGoalHeight - kBallRadius + travel) << t;
                EXPECT_GT(p.y, kLine);
            } else {
                EXPECT_EQ(goalOf(Arena::Box, p), Goal::None) << t;
            }
        }
    }
}

// Where two blocks of an end wall meet along the goal's top (the wall above
// the crossbar beside the posts) the surface is flat: a ball against it
// there has one contact, straight out of the wall. Where the floor meets a
// wall, and in the goal's corners, it has one per surface.
TEST(SphereContacts, OnePerSurfaceAndNoneFromTheWallsInnerEdges) {
    const struct {
        const char* what;
        Vec3 centre;
        int count;
        Vec3 normal;  // the first one's
    } cases[] = {
        {"on the wall beside the goal, at the crossbar's height",
         {2000.0f, kLine - kBallRadius - 1.0f, kGoalHeight - 5.0f},
         1,
         {0.0f, -1.0f, 0.0f}},
        {"on the wall above the post",
         {kGoalHalfWidth + 3.0f, kLine - kBallRadius - 1.0f, kGoalHeight + 200.0f},
         1,
         {0.0f, -1.0f, 0.0f}},
        {"on the floor by the wall",
         {2000.0f, kLine - kBallRadius - 1.0f, kBallRadius + 1.0f},
         2,
         {0.0f, 0.0f, 1.0f}},
        {"on the goal's floor by its side wall",
         {kGoalHalfWidth - kBallRadius - 1.0f, 5500.0f, kBallRadius + 1.0f},
         2,
         {0.0f, 0.0f, 1.0f}},
        // Its centre in front of the opening, 30 inside the post: the edge
        // is 91.08 away, along (-30, -86) / 91.08.
        {"on the post's edge",
         {kGoalHalfWidth - 30.0f, kLine - 86.0f, 300.0f},
         1,
         {-0.32937f, -0.94420f, 0.0f}},
        {"nowhere near", {0.0f, 0.0f, 800.0f}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::array<SphereContact, kMaxSphereContacts> contacts;
        const int count = sphereContacts(Arena::Box, c.centre, kBallRadius, 1.905f, contacts);
        EXPECT_EQ(count, c.count);
        if (count > 0 && c.count > 0) {
            EXPECT_NEAR(contacts[0].normal.x, c.normal.x, 1e-4f);
            EXPECT_NEAR(contacts[0].normal.y, c.normal.y, 1e-4f);
            EXPECT_NEAR(contacts[0].normal.z, c.normal.z, 1e-4f);
        }
    }
}

// --------------------------------------------------------------- the ray

TEST(ArenaRay, MeetsTheFirstSurfaceWithinItsLength) {
    const Vec3 down{0.0f, 0.0f, -1.0f};
    const struct {
        const char* what;
        Arena arena;
        Vec3 from, direction;
        float maxLength;
        bool hit;
        float distance;
        Vec3 normal;
    } cases[] = {
        {"down onto the floor",
         Arena::Box,
         {100.0f, 200.0f, 40.0f},
         down,
         50.0f,
         true,
         40.0f,
         {0.0f, 0.0f, 1.0f}},
        {"down, too short", Arena::Box, {100.0f, 200.0f, 40.0f}, down, 39.0f, false, 0.0f, {}},
        {"the endless floor",
         Arena::Floor,
         {0.0f, 9000.0f, 30.0f},
         down,
         50.0f,
         true,
         30.0f,
         {0.0f, 0.0f, 1.0f}},
        {"nothing in the void", Arena::Void, {0.0f, 0.0f, 30.0f}, down, 50.0f, false, 0.0f, {}},
        {"up into the goal's roof",
         Arena::Box,
         {0.0f, 5500.0f, 600.0f},
         {0.0f, 0.0f, 1.0f},
         100.0f,
         true,
         kGoalHeight - 600.0f,
         {0.0f, 0.0f, -1.0f}},
        {"through the mouth to the back wall",
         Arena::Box,
         {0.0f, 5000.0f, 300.0f},
         {0.0f, 1.0f, 0.0f},
         2000.0f,
         true,
         kBack - 5000.0f,
         {0.0f, -1.0f, 0.0f}},
        {"onto the wall beside the goal",
         Arena::Box,
         {1000.0f, 5000.0f, 300.0f},
         {0.0f, 1.0f, 0.0f},
         2000.0f,
         true,
         kLine - 5000.0f,
         {0.0f, -1.0f, 0.0f}},
        {"onto the goal's side wall from inside",
         Arena::Box,
         {0.0f, 5500.0f, 300.0f},
         {-1.0f, 0.0f, 0.0f},
         2000.0f,
         true,
         kGoalHalfWidth,
         {1.0f, 0.0f, 0.0f}},
        {"up to the ceiling",
         Arena::Box,
         {0.0f, 0.0f, 2000.0f},
         {0.0f, 0.0f, 1.0f},
         100.0f,
         true,
         44.0f,
         {0.0f, 0.0f, -1.0f}},
        {"starting on the floor",
         Arena::Box,
         {0.0f, 0.0f, 0.0f},
         down,
         50.0f,
         true,
         0.0f,
         {0.0f, 0.0f, 1.0f}},
        {"from inside the floor", Arena::Box, {0.0f, 0.0f, -5.0f}, down, 50.0f, false, 0.0f, {}},
        {"from inside a side wall, down onto the floor",
         Arena::Box,
         {4100.0f, 0.0f, 30.0f},
         down,
         50.0f,
         true,
         30.0f,
         {0.0f, 0.0f, 1.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ArenaRayHit h = castArenaRay(c.arena, c.from, c.direction, c.maxLength);
        EXPECT_EQ(h.hit, c.hit);
        if (!c.hit) continue;
        EXPECT_NEAR(h.distance, c.distance, 1e-3f);
        EXPECT_EQ(h.normal, c.normal);
        const Vec3 at = c.from + c.direction * h.distance;
        EXPECT_NEAR(length(h.point - at), 0.0f, 1e-3f);
    }
}

// Bit for bit, castArenaRay against the plain slab method over every side
// of every block (no reach boxes, no skipped axes), and castArenaRays for
// groups of four rays (wheel-like: close together, nearly one direction)
// against castArenaRay: the quick paths must change no hit, distance, point
// or normal. Rays from all over the box (floor, ceiling, walls, posts,
// crossbar, the goals' insides), on the endless floor and in the void.
struct SlabRay {
    bool hit = false;
    float distance = 0.0f;
    Vec3 point{}, normal{};
};
SlabRay plainRay(Arena arena, Vec3 from, Vec3 d, float maxLength) {
    SlabRay best;
    best.distance = maxLength;
    for (const sandbox::mechanics::ArenaBlock& b : sandbox::mechanics::blocksOf(arena)) {
        float enter = -sandbox::mechanics::kUnbounded, leave = sandbox::mechanics::kUnbounded;
        Vec3 normal{};
        bool inside = true;
        const float o[3] = {from.x, from.y, from.z}, dir[3] = {d.x, d.y, d.z};
        const float lo[3] = {b.low.x, b.low.y, b.low.z}, hi[3] = {b.high.x, b.high.y, b.high.z};
        for (int axis = 0; axis < 3 && inside; ++axis) {
            if (dir[axis] == 0.0f) {
                inside = !(o[axis] < lo[axis] || o[axis] > hi[axis]);
                continue;
            }
            float tLow = (lo[axis] - o[axis]) / dir[axis], tHigh = (hi[axis] - o[axis]) / dir[axis];
            Vec3 n{};
            (axis == 0 ? n.x : (axis == 1 ? n.y : n.z)) = -1.0f;
            if (tLow > tHigh) {
                std::swap(tLow, tHigh);
                (axis == 0 ? n.x : (axis == 1 ? n.y : n.z)) = 1.0f;
            }
            if (tLow > enter) {
                enter = tLow;
                normal = n;
            }
            if (tHigh < leave) leave = tHigh;
        }
        if (!inside || enter > leave || enter < 0.0f || enter > best.distance) continue;
        if (!best.hit || enter < best.distance) best = {true, enter, from + d * enter, normal};
    }
    if (!best.hit) best = {};
    return best;
}

uint32_t bitsOf(float v) {
    uint32_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}
void expectSameBits(const ArenaRayHit& a, bool hit, float distance, Vec3 point, Vec3 normal) {
    EXPECT_EQ(a.hit, hit);
    EXPECT_EQ(bitsOf(a.distance), bitsOf(distance));
    for (const auto& [x, y] : {std::pair{a.point, point}, std::pair{a.normal, normal}}) {
        EXPECT_EQ(bitsOf(x.x), bitsOf(y.x));
        EXPECT_EQ(bitsOf(x.y), bitsOf(y.y));
        EXPECT_EQ(bitsOf(x.z), bitsOf(y.z));
    }
}

TEST(ArenaRay, TheQuickPathsFindWhatThePlainSlabMethodFinds) {
    uint64_t state = 12345;
    const auto next = [&state](float low, float high) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return low + (high - low) * static_cast<float>(state >> 40) / static_cast<float>(1 << 24);
    };
    // Centres near the surfaces and edges, and anywhere.
    const Vec3 places[] = {{0, 0, 30},         {4050, 0, 500},     {-4050, 2000, 60},
                           {0, 0, 2000},       {893, 5120, 300},   {-893, 5100, 640},
                           {0, 5120, 642},     {0, 5900, 100},     {500, -5990, 600},
                           {4090, 5110, 2040}, {-900, -5130, 650}, {0, 0, 1000}};
    int hits = 0;
    for (const Arena arena : {Arena::Box, Arena::Floor, Arena::Void}) {
        for (int group = 0; group < 600; ++group) {
            const Vec3 centre =
                places[group % 12] + Vec3{next(-60, 60), next(-60, 60), next(-60, 60)};
            Vec3 d{next(-0.3f, 0.3f), next(-0.3f, 0.3f), -1.0f};
            if (group % 3 == 1) d = {next(-1, 1), next(-1, 1), next(-1, 1)};
            if (group % 7 == 0) d = {0.0f, 0.0f, -1.0f};
            d = d * (1.0f / length(d));
            std::array<sandbox::mechanics::ArenaRay, 4> rays{};
            for (auto& r : rays)
                r = {centre + Vec3{next(-60, 60), next(-60, 60), next(-20, 20)}, d,
                     next(0.0f, 150.0f)};
            std::array<ArenaRayHit, 4> together{};
            castArenaRays(arena, rays, together);
            for (size_t i = 0; i < rays.size(); ++i) {
                const auto& r = rays[i];
                const ArenaRayHit alone = castArenaRay(arena, r.from, r.direction, r.maxLength);
                const SlabRay plain = plainRay(arena, r.from, r.direction, r.maxLength);
                expectSameBits(alone, plain.hit, plain.distance, plain.point, plain.normal);
                expectSameBits(together[i], alone.hit, alone.distance, alone.point, alone.normal);
                hits += alone.hit ? 1 : 0;
            }
        }
    }
    EXPECT_GT(hits, 500);  // the rays meet surfaces, not only the open
}

// ------------------------------------------------------- the car's box

World carAt(Vec3 location, Rotator rotator, Vec3 velocity = {}) {
    World w;
    w.car.location = location;
    w.car.attitude = sandbox::orientationFromRotator(rotator);
    w.car.velocity = velocity;
    w.ball.location = {0.0f, 4000.0f, 1000.0f};  // far off, asleep
    return w;
}

// The lowest point of the box (its sharp corners) above the floor.
float boxBottom(const Car& car) {
    const sandbox::Orientation& a = car.attitude;
    const Vec3 c = car.location + a.forward * sandbox::mechanics::kCarBoxOffset.x +
                   a.up * sandbox::mechanics::kCarBoxOffset.z;
    const Vec3 h = sandbox::mechanics::kCarBoxHalfSize;
    return c.z - std::fabs(a.forward.z) * h.x - std::fabs(a.right.z) * h.y -
           std::fabs(a.up.z) * h.z;
}

// Dropped on its roof, the box lands, rocks to rest on it within the
// contact distance of the floor, and stays there. Dropped on a side it
// lands on it and tips over onto its underside: the centre of mass (the
// car's origin) lies 1.5 uu below the box, outside the side's footing.
// Neither sinks into the floor.
TEST(CarOnTheFloor, LandsOnItsRoofOrSideAndRestsWithoutSinking) {
    const struct {
        const char* what;
        Rotator rotator;
        float restingUpZ;  // the car's up axis at rest
    } cases[] = {
        {"roof", {0, 0, 32767}, -1.0f},
        {"roof, a little askew", {300, 5000, -32500}, -1.0f},
        {"right side", {0, 2000, 16384}, 1.0f},
        {"left side", {0, -7000, -16384}, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        World start = carAt({0.0f, 0.0f, 150.0f}, c.rotator);
        const Flight r = simulate(start, 360, in(Arena::Box));
        const Car& car = r.car(360);
        EXPECT_LT(length(car.velocity), 0.05f);
        EXPECT_LT(length(car.spin), 1e-3f);
        EXPECT_GT(boxBottom(car), -0.05f);
        // On its roof the box carries it; wheels down, the wheels will.
        if (c.restingUpZ < 0.0f) {
            EXPECT_LT(boxBottom(car), 2.03f);
            EXPECT_TRUE(car.touchedWorld);
            EXPECT_NEAR(car.worldContactNormal.z, 1.0f, 1e-6f);
        }
        EXPECT_NEAR(car.attitude.up.z, c.restingUpZ, 0.01f);
        EXPECT_NEAR(r.car(300).location.z, car.location.z, 0.01f);
    }
}

// Flying into a side wall, the ceiling or the goal's back wall, the box
// stops at the surface (it never gets through by more than a hair) and
// bounces back off it.
TEST(CarAgainstTheArena, WallsCeilingAndTheGoalStopTheBox) {
    const struct {
        const char* what;
        Vec3 start, velocity;
        Vec3 normal;  // of the surface hit
        float plane;  // where it is along -normal
    } cases[] = {
        {"side wall",
         {3800.0f, 0.0f, 1000.0f},
         {1500.0f, 0.0f, 0.0f},
         {-1.0f, 0.0f, 0.0f},
         4096.0f},
        {"ceiling", {0.0f, 0.0f, 1800.0f}, {0.0f, 0.0f, 1500.0f}, {0.0f, 0.0f, -1.0f}, 2044.0f},
        {"the goal's back wall",
         {0.0f, 5600.0f, 300.0f},
         {0.0f, 1500.0f, 0.0f},
         {0.0f, -1.0f, 0.0f},
         kBack},
        {"the goal's roof",
         {0.0f, 5500.0f, 400.0f},
         {0.0f, 0.0f, 1500.0f},
         {0.0f, 0.0f, -1.0f},
         kGoalHeight},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Flight r = simulate(carAt(c.start, {0, 0, 0}, c.velocity), 60, in(Arena::Box));
        int firstTouch = 0;
        for (int t = 1; t <= 60; ++t) {
            const Car& car = r.car(t);
            if (firstTouch == 0 && car.touchedWorld) firstTouch = t;
            // The box's farthest reach towards the surface.
            const sandbox::Orientation& a = car.attitude;
            const Vec3 n = c.normal;
            const Vec3 centre = car.location + a.forward * sandbox::mechanics::kCarBoxOffset.x +
                                a.up * sandbox::mechanics::kCarBoxOffset.z;
            const Vec3 h = sandbox::mechanics::kCarBoxHalfSize;
            const float reach = -dot(n, centre) + std::fabs(dot(n, a.forward)) * h.x +
                                std::fabs(dot(n, a.right)) * h.y + std::fabs(dot(n, a.up)) * h.z;
            // A tick's travel, and the turn a corner's hit gives the box.
            EXPECT_LT(reach, c.plane + 30.0f) << t;
            EXPECT_LT(-dot(n, car.location), c.plane) << t;
        }
        // Stopped within a few ticks of the touch (the box meets it one
        // contact point a tick). Later, a car whose wheels came to face a
        // wall may be held against it by their sticky force, as on a floor.
        ASSERT_GT(firstTouch, 0);
        bool stopped = false;
        for (int t = firstTouch; t <= std::min(firstTouch + 12, 60); ++t) {
            stopped = stopped || dot(r.car(t).velocity, c.normal) > -0.02f * length(c.velocity);
        }
        EXPECT_TRUE(stopped);
    }
}

// The car on its roof on the floor (roll 3.14159 rad, origin at 41): it
// settles at 40.96 (the box rocks onto its corners one contact point a
// tick). A jump press pushes it off at 200 uu/s (194.58 after the tick's
// gravity) and rolls it at 50 rad/s^2 about its nose until the 5.5 cap.
World onItsRoof() {
    World w = carAt({0.0f, 0.0f, 41.0f}, {0, 0, 0});
    const float roll = 3.14159f;
    w.car.attitude.right = {0.0f, std::cos(roll), -std::sin(roll)};
    w.car.attitude.up = {0.0f, std::sin(roll), std::cos(roll)};
    return w;
}

std::vector<CarControls> pressJumpAt61() {
    std::vector<CarControls> c(145);
    for (int t = 61; t <= 65; ++t) c[static_cast<size_t>(t - 1)].jump = true;
    return c;
}

TEST(AutoFlip, FromItsRoofOnTheFloor) {
    const Flight r = simulate(onItsRoof(), 90, in(Arena::Floor), pressJumpAt61());
    EXPECT_NEAR(r.car(60).location.z, 40.96f, 0.005f);
    EXPECT_LT(length(r.car(60).velocity), 0.01f);
    EXPECT_TRUE(r.events[61].autoFlipped);
    EXPECT_NEAR(r.car(61).velocity.z, 194.58f, 0.005f);
    float rate = 0.0f;
    for (int t = 61; t <= 90; ++t) {
        const float now = -dot(r.car(t).spin, r.car(t).attitude.forward);
        if (t <= 73) {
            EXPECT_NEAR(std::fabs(now) - rate, 50.0f / 120.0f, 2e-3f) << t;
        }
        rate = std::fabs(now);
    }
    EXPECT_NEAR(rate, 5.5f, 1e-3f);
}

// Pushed off its roof, it rolls over, lands on its wheels and is on the
// ground again from tick 144.
TEST(AutoFlip, FromItsRoofLandsOnItsWheels) {
    const Flight r = simulate(onItsRoof(), 145, in(Arena::Floor), pressJumpAt61());
    EXPECT_LT(r.events[143].wheelsInContact, 3);
    EXPECT_GE(r.events[144].wheelsInContact, 3);
    EXPECT_GT(r.car(145).attitude.up.z, 0.9f);
}

}  // namespace
