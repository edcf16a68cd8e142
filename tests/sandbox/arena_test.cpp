// The full model's arena: the box with a goal in each end wall. Which goal
// the ball is in, rays against it, and what a sphere touches.
#include "sandbox/Arena.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "sandbox/Attitude.h"
#include "tests/sandbox/full_model_run.h"

namespace {

using namespace fullmodel;
using sandbox::mechanics::ArenaRayHit;
using sandbox::mechanics::castArenaRay;
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
        {"from inside the floor",
         Arena::Box,
         {0.0f, 0.0f, -5.0f},
         down,
         50.0f,
         true,
         0.0f,
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

}  // namespace
