// The attitude matrix and the integer rotator the host shows plugins.
#include "sandbox/Attitude.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace sandbox;

constexpr double kRadiansPerUnit = 3.14159265358979323846 / 32768.0;

void expectSameAttitude(const Orientation& a, const Orientation& b, float tolerance) {
    for (auto axis : {&Orientation::forward, &Orientation::right, &Orientation::up}) {
        EXPECT_NEAR((a.*axis).x, (b.*axis).x, tolerance);
        EXPECT_NEAR((a.*axis).y, (b.*axis).y, tolerance);
        EXPECT_NEAR((a.*axis).z, (b.*axis).z, tolerance);
    }
}

TEST(Rotator, EveryAttitudeOfAGridComesBackToTheSameUnits) {
    // Pitch up to one unit from vertical either way, yaw and roll all round
    // (steps that are prime to the turn so every part of the range is hit).
    int checked = 0;
    for (int32_t pitch = -16383; pitch <= 16383; pitch += 1213) {
        for (int32_t yaw = -32768; yaw <= 32767; yaw += 4099) {
            for (int32_t roll = -32768; roll <= 32767; roll += 4111) {
                const Rotator r{pitch, yaw, roll};
                const Rotator back = toRotator(orientationFromRotator(r));
                ASSERT_EQ(back.Pitch, pitch) << yaw << " " << roll;
                ASSERT_EQ(back.Yaw, yaw) << pitch << " " << roll;
                ASSERT_EQ(back.Roll, roll) << pitch << " " << yaw;
                ++checked;
            }
        }
    }
    for (int32_t pitch : {-16383, -16382, 16382, 16383}) {
        const Rotator r{pitch, 12345, -23456};
        const Rotator back = toRotator(orientationFromRotator(r));
        EXPECT_EQ(back.Pitch, r.Pitch);
        EXPECT_EQ(back.Yaw, r.Yaw);
        EXPECT_EQ(back.Roll, r.Roll);
    }
    EXPECT_EQ(checked, 28 * 16 * 16);
}

// Straight up or down, yaw and roll turn about the same axis: the rotator
// keeps the turn in Yaw (Yaw - Roll nose up, Yaw + Roll nose down) with
// Roll 0, and still describes the same attitude.
TEST(Rotator, AtPlusOrMinusNinetyDegreesPitchYawCarriesTheRoll) {
    struct Case {
        Rotator in;
        Rotator out;
    };
    const Case cases[] = {
        {{16384, 4000, 1000}, {16384, 3000, 0}},
        {{-16384, 4000, 1000}, {-16384, 5000, 0}},
        {{16384, -32000, 2000}, {16384, 31536, 0}},
        {{-16384, 0, 0}, {-16384, 0, 0}},
    };
    for (const Case& c : cases) {
        const Orientation a = orientationFromRotator(c.in);
        const Rotator back = toRotator(a);
        EXPECT_EQ(back.Pitch, c.out.Pitch);
        EXPECT_EQ(back.Yaw, c.out.Yaw);
        EXPECT_EQ(back.Roll, c.out.Roll);
        expectSameAttitude(orientationFromRotator(back), a, 1e-6f);
    }
}

TEST(Rotator, YawAndRollWrapIntoTheSignedHalfTurns) {
    const Rotator r = toRotator(orientationFromRotator({0, 32768, 98304}));
    EXPECT_EQ(r.Yaw, -32768);
    EXPECT_EQ(r.Roll, -32768);
}

// The plugin reads the rotator as forward = (cos P cos Y, cos P sin Y, sin P):
// the nose it draws must be the car's.
TEST(Rotator, ThePluginsForwardFromTheRotatorIsTheCarsNose) {
    const Orientation noseUpRight = rotated(levelOrientation(0.5f), Vec3{0.0f, 0.0f, 0.0f}, 0.0f);
    Orientation a = noseUpRight;
    // Raise the nose 30 degrees: turn about the right axis the way pitch does.
    a = rotated(a, spinFromCarRates(a, {0.0f, 1.0f, 0.0f}), 0.5236f);
    a = rotated(a, spinFromCarRates(a, {1.0f, 0.0f, 0.0f}), 0.3f);  // and roll right
    const Rotator r = toRotator(a);
    EXPECT_GT(r.Pitch, 0);
    EXPECT_GT(r.Roll, 0);
    const double p = r.Pitch * kRadiansPerUnit, y = r.Yaw * kRadiansPerUnit;
    EXPECT_NEAR(std::cos(p) * std::cos(y), a.forward.x, 1e-4);
    EXPECT_NEAR(std::cos(p) * std::sin(y), a.forward.y, 1e-4);
    EXPECT_NEAR(std::sin(p), a.forward.z, 1e-4);
    EXPECT_NEAR(r.Pitch, 0.5236 / kRadiansPerUnit, 2.0);
    EXPECT_NEAR(r.Yaw, 0.5 / kRadiansPerUnit, 2.0);
    EXPECT_NEAR(r.Roll, 0.3 / kRadiansPerUnit, 2.0);
}

TEST(Attitude, OrthonormalisingMendsWornAxes) {
    Orientation worn = orientationFromRotator({5000, 6000, 7000});
    worn.forward = worn.forward * 1.001f;
    worn.right = worn.right + worn.forward * 0.002f;
    const Orientation mended = orthonormalised(worn);
    EXPECT_NEAR(length(mended.forward), 1.0f, 1e-6f);
    EXPECT_NEAR(length(mended.right), 1.0f, 1e-6f);
    EXPECT_NEAR(dot(mended.forward, mended.right), 0.0f, 1e-6f);
    expectSameAttitude(mended, orientationFromRotator({5000, 6000, 7000}), 3e-3f);
}

TEST(Attitude, HeadingAndTheAngleToVertical) {
    EXPECT_NEAR(headingOf(orientationFromRotator({0, 8192, 5000})), 0.7854f, 1e-4f);
    // Nose straight up, heading +y: the roof faces -y.
    EXPECT_NEAR(headingOf(orientationFromRotator({16384, 16384, 0})), 1.5708f, 1e-4f);
    EXPECT_NEAR(headingOf(orientationFromRotator({-16384, -16384, 0})), -1.5708f, 1e-4f);
    EXPECT_NEAR(angleToVertical(orientationFromRotator({0, 0, 32768})), 3.14159f, 1e-4f);
    EXPECT_NEAR(angleToVertical(orientationFromRotator({-5461, 3000, 0})), 0.5236f, 1e-3f);
}

// Drills measure how far the car is from an attitude by the turn between
// them: turning `from` by it must give `to`, including a half turn.
TEST(Attitude, TheTurnBetweenTwoAttitudesCarriesOneOntoTheOther) {
    struct Case {
        const char* what;
        Orientation from, to;
        float angle;
    };
    const Case cases[] = {
        {"the same attitude", orientationFromRotator({3000, -7000, 12000}),
         orientationFromRotator({3000, -7000, 12000}), 0.0f},
        {"a quarter turn of yaw", Orientation{}, orientationFromRotator({0, 16384, 0}), 1.5708f},
        {"a hair of pitch", Orientation{}, orientationFromRotator({1, 0, 0}), 9.5874e-5f},
        {"half a turn of roll", Orientation{}, orientationFromRotator({0, 0, 32768}), 3.14159f},
        {"half a turn about a slanted axis", orientationFromRotator({2000, 3000, 4000}),
         rotated(orientationFromRotator({2000, 3000, 4000}), Vec3{0.6f, 0.0f, 0.8f}, 3.14159265f),
         3.14159f},
        {"an arbitrary pair", orientationFromRotator({-9000, 20000, -3000}),
         orientationFromRotator({12000, -25000, 30000}), -1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Vec3 turn = turnBetween(c.from, c.to);
        if (c.angle >= 0.0f) {
            EXPECT_NEAR(length(turn), c.angle, 2e-4f);
        }
        expectSameAttitude(rotated(c.from, turn, 1.0f), c.to, 2e-3f);
    }
}

TEST(Attitude, ANoseAlongADirectionWithItsRightSideLevelThenRolled) {
    const Vec3 nose{0.6f, 0.0f, 0.8f};  // 53 degrees up, heading +x
    const Orientation level = orientationWithNose(nose, 0.0f);
    expectSameAttitude(level, {nose, {0.0f, 1.0f, 0.0f}, {-0.8f, 0.0f, 0.6f}}, 1e-6f);
    const Orientation rolled = orientationWithNose(nose, 0.5f);
    EXPECT_NEAR(dot(rolled.forward, nose), 1.0f, 1e-6f);
    EXPECT_NEAR(length(turnBetween(level, rolled)), 0.5f, 1e-5f);
    // Straight up: the right axis is +y.
    expectSameAttitude(orientationWithNose({0.0f, 0.0f, 1.0f}, 0.0f),
                       {{0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}}, 1e-6f);
}

}  // namespace
