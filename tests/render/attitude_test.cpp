// Attitude: angles, forward direction, zenith and nadir points, level rotation.
#include "render/Attitude.h"

#include <gtest/gtest.h>

#include <cmath>

#include "render/Numerics.h"

namespace {

void expectPoint(Vector2 p, int32_t x, int32_t y) {
    EXPECT_EQ(p.X, x);
    EXPECT_EQ(p.Y, y);
}

TEST(Attitude, LevelCar) {
    const render::Attitude a = render::solveAttitude({0, 0, 0}, 158);
    EXPECT_EQ(a.forwardX, 1.0f);
    EXPECT_EQ(a.forwardY, 0.0f);
    EXPECT_FALSE(std::signbit(a.forwardY));
    EXPECT_EQ(a.levelYY, 1.0f);
    EXPECT_EQ(a.levelXZ, -1.0f);
    EXPECT_NEAR(a.levelXX, 7.5e-8f, 0.05e-8f);
    expectPoint(a.zenith, 0, 158);  // world up below the centre
    expectPoint(a.nadir, 0, -158);

    // Straight above: bearing pi; to the side: a quarter turn; ahead: (0, ~0).
    EXPECT_EQ(render::turnedY(a, {0, 0, 100}), 0.0f);
    EXPECT_EQ(render::turnedX(a, {0, 0, 100}), -100.0f);
    EXPECT_EQ(render::turnedY(a, {0, 100, 0}), 100.0f);
    EXPECT_EQ(render::turnedX(a, {0, 100, 0}), 0.0f);
    EXPECT_EQ(render::turnedY(a, {100, 0, 0}), 0.0f);
    EXPECT_NEAR(render::turnedX(a, {100, 0, 0}), 0.0f, 1e-5f);
}

TEST(Attitude, NoseUpAnEighthTurn) {
    const render::Attitude a = render::solveAttitude({8192, 0, 0}, 158);
    // Both are about sqrt(1/2); the floats sinf and cosf give lie on either
    // side of it, and the forward direction takes the cosine as it is.
    EXPECT_EQ(a.sinPitch, 0.70710677f);
    EXPECT_EQ(a.cosPitch, 0.70710683f);
    EXPECT_EQ(a.forwardX, a.cosPitch);
    EXPECT_EQ(a.forwardY, 0.0f);
    expectPoint(a.zenith, 0, 111);
    expectPoint(a.nadir, 0, -111);
    EXPECT_EQ(render::turnedY(a, {0, 0, 100}), 0.0f);
    EXPECT_NEAR(render::turnedX(a, {0, 0, 100}), -70.71068, 5e-6);
}

TEST(Attitude, QuarterRollTurnsZenithAndNadir) {
    const render::Attitude a = render::solveAttitude({0, 0, 16384}, 158);
    expectPoint(a.zenith, -158, 0);
    expectPoint(a.nadir, 158, 0);
}

TEST(Attitude, NoseDownYawedAndRolled) {
    const render::Attitude a = render::solveAttitude({-4000, -20000, 3000}, 158);
    EXPECT_NEAR(a.forwardX, -0.3150963, 5e-8);
    EXPECT_NEAR(a.forwardY, -0.8721901, 5e-8);
    expectPoint(a.zenith, -41, 140);
    expectPoint(a.nadir, 41, -140);
    EXPECT_NEAR(render::turnedY(a, {300, -200, 50}), -45.026f, 0.0005f);
    EXPECT_NEAR(render::turnedX(a, {300, -200, 50}), 355.987f, 0.0005f);
}

TEST(Attitude, SideOfFyFollowsTheYawAngleNotItsSine) {
    // Yaw 40000 units is about 3.83 rad: sin Y < 0, but the angle is positive.
    const render::Attitude a = render::solveAttitude({0, 40000, 0}, 158);
    ASSERT_LT(std::sin(a.yaw), 0.0f);
    EXPECT_GT(a.forwardY, 0.0f);
    EXPECT_NEAR(a.forwardY, -std::sin(a.yaw), 1e-6f);
    EXPECT_NEAR(a.forwardX, std::cos(a.yaw), 1e-6f);
}

TEST(Attitude, NoseStraightUpOrDownKeepsTheAxisDefined) {
    for (int32_t pitch : {16384, -16384}) {
        SCOPED_TRACE(pitch);
        const render::Attitude a = render::solveAttitude({pitch, 5000, 1000}, 158);
        EXPECT_GT(std::fabs(a.cosPitch), 0.0f);
        EXPECT_LT(std::fabs(a.cosPitch), 1e-7f);
        for (float m : {a.levelXX, a.levelXY, a.levelXZ, a.levelYX, a.levelYY, a.levelYZ})
            EXPECT_TRUE(std::isfinite(m));
        expectPoint(a.zenith, 0, 0);
    }
}

}  // namespace
