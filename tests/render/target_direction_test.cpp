// Ball and velocity on the dial: bearings, off-nose angles, dots, flags, and
// the chosen target's off-nose angle.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>

#include "render/Attitude.h"
#include "render/Numerics.h"
#include "render/TargetDirection.h"
#include "render/TargetOption.h"
#include "tests/render/small_dial.h"

namespace {

using render::HALF_PI_F;

render::Scene scene(Vector d, Vector v) {
    render::Scene s;
    s.ballOffset = d;
    s.relativeVelocity = v;
    s.relativeSpeed = std::sqrt((v.X * v.X + v.Y * v.Y) + v.Z * v.Z);
    return s;
}

// Answers getTarget() with a fixed value and counts the reads.
struct FixedTarget {
    int32_t value;
    mutable int reads = 0;
    static int32_t read(const void* self) {
        const auto* t = static_cast<const FixedTarget*>(self);
        ++t->reads;
        return t->value;
    }
    render::TargetReader reader() const { return {&FixedTarget::read, this}; }
};

render::TargetDirection place(Rotator rot, Vector d, Vector v, int32_t option = 5) {
    const render::Layout l = smallDial();
    const FixedTarget target{option};
    return render::placeTargets(l, render::solveAttitude(rot, l.dialRadius), scene(d, v),
                                target.reader());
}

void expectPoint(Vector2 p, int32_t x, int32_t y) {
    EXPECT_EQ(p.X, x);
    EXPECT_EQ(p.Y, y);
}

// Level car, ball 1000 ahead, 300 across (+y) and 200 up; the car moves 500
// ahead and 200 across relative to the ball. With the nose along x, each
// off-nose angle is acosf(ahead / length): 1000 / 1063.0 for the ball, 500 /
// 538.5 for the velocity. On the dial of radius 100 the ball lies about
// 100 sin(0.346) = 34 px from the centre, below it (world up is below the
// centre of a level car's dial) and to the right.
TEST(TargetDirection, LevelCarBallAheadAcrossAndUp) {
    const auto t = place({0, 0, 0}, {1000, 300, 200}, {500, 200, 0});
    EXPECT_EQ(t.ballBearing, 2.1587987f);
    EXPECT_EQ(t.ballOffNose, 0.3460468f);
    expectPoint(t.ballDialPoint, 28, 18);
    expectPoint(t.ballCorner, 325, 915);  // centre + dial point - half the dot size
    EXPECT_EQ(t.velocityOffNose, 0.380506366f);
    expectPoint(t.velocityCorner, 334, 897);
    EXPECT_FALSE(t.ballBehind);
    EXPECT_FALSE(t.velocityBehind);
    EXPECT_EQ(t.dotSize, 7);
    EXPECT_TRUE(t.markerVisible);
    EXPECT_EQ(t.targetOffNose, t.ballOffNose);
}

// Nose up an eighth of a turn and rolled 3000 units; ball 1000 behind, 300
// across and 200 up; the car moves 800 back and 100 across relative to the
// ball. Both directions are more than a quarter turn off the nose, so both
// dots are mirrored through the centre and drawn two thirds the size.
TEST(TargetDirection, PitchedRolledCarBallAndVelocityBehind) {
    const render::Attitude a = render::solveAttitude({8192, 0, 3000}, 100);
    const auto t = place({8192, 0, 3000}, {-1000, 300, 200}, {-800, 100, 0});
    EXPECT_EQ(t.ballOffNose, 2.1319368f);
    EXPECT_TRUE(t.ballBehind);
    expectPoint(t.ballCorner, 294, 815);
    // Correctly rounded, acos of this quotient is 2.3485019; glibc's acosf
    // returns the float one unit in the last place above it.
    EXPECT_EQ(t.velocityOffNose, 2.3485022f);
    EXPECT_TRUE(t.velocityBehind);
    expectPoint(t.velocityCorner, 306, 828);
    EXPECT_EQ(t.dotSize, 6);  // 7 -> 6 for the ball, 6 -> 6 for the velocity
    // The roll handed on has had a half turn added and taken off twice.
    EXPECT_EQ(t.rollAngle,
              ((a.roll + render::PI_F) + -render::PI_F) + render::PI_F + -render::PI_F);
}

TEST(TargetDirection, BallStraightAheadSitsOnTheCentre) {
    const auto t = place({0, 0, 0}, {500, 0, 0}, {500, 0, 0});
    EXPECT_EQ(t.ballOffNose, 0.0f);
    expectPoint(t.ballDialPoint, 0, 0);
    expectPoint(t.ballCorner, 300 - 3, 900 - 3);
}

TEST(TargetDirection, ExactlySquareToTheNoseCountsAsBehindForBoth) {
    const auto t = place({0, 0, 0}, {0, 100, 0}, {0, 100, 0});
    EXPECT_EQ(t.ballOffNose, 1.5707964f);  // acosf(0), just above HALF_PI_F
    EXPECT_TRUE(t.ballBehind);
    EXPECT_TRUE(t.velocityBehind);
}

TEST(TargetDirection, AtHalfPiTheBallIsAheadButTheVelocityBehind) {
    // A quotient of 1e-7 makes acosf give exactly HALF_PI_F.
    const auto t = place({0, 0, 0}, {1e-5f, 100, 0}, {1e-5f, 100, 0});
    ASSERT_EQ(t.ballOffNose, HALF_PI_F);
    ASSERT_EQ(t.velocityOffNose, HALF_PI_F);
    EXPECT_FALSE(t.ballBehind);
    EXPECT_TRUE(t.velocityBehind);
    EXPECT_EQ(t.dotSize, 6);
}

TEST(TargetDirection, RelativeSpeedTenPlacesTheVelocityDot) {
    const auto t = place({0, 0, 0}, {500, 0, 0}, {10.0f, 0, 0}, 3);
    expectPoint(t.velocityCorner, 297, 897);
    EXPECT_TRUE(t.markerVisible);
}

TEST(TargetDirection, BelowRelativeSpeedTenTheVelocityDotIsNotPlaced) {
    for (int32_t option : {3, 4, 5}) {
        SCOPED_TRACE(option);
        const render::Layout l = smallDial();
        const FixedTarget target{option};
        // Velocity ahead and off to the side: the dial point is not (0, 0).
        const auto t = render::placeTargets(l, render::solveAttitude({0, 0, 0}, 100),
                                            scene({500, 0, 0}, {8.0f, 5.99f, 0}), target.reader());
        ASSERT_LT(t.velocityOffNose, HALF_PI_F);
        EXPECT_EQ(t.velocityCorner.X, t.velocityDialPoint.X);  // bare dial point
        EXPECT_EQ(t.velocityCorner.Y, t.velocityDialPoint.Y);
        EXPECT_NE(t.velocityDialPoint.X, 0);
        EXPECT_FALSE(t.velocityBehind);
        EXPECT_EQ(t.markerVisible, option == 5);
        // Read once or twice for the speed test, once for the option table.
        EXPECT_EQ(target.reads, option == 3 ? 2 : 3);
    }
}

TEST(TargetDirection, FastEnoughReadsTheTargetOnce) {
    const render::Layout l = smallDial();
    const FixedTarget target{3};
    render::placeTargets(l, render::solveAttitude({0, 0, 0}, 100), scene({500, 0, 0}, {500, 0, 0}),
                         target.reader());
    EXPECT_EQ(target.reads, 1);
}

TEST(TargetDirection, SameVelocityAsTheBallGivesNoVelocityDirection) {
    const auto t = place({0, 0, 0}, {500, 0, 0}, {0, 0, 0}, 3);
    EXPECT_TRUE(std::isnan(t.velocityOffNose));
    EXPECT_FALSE(t.velocityBehind);
    EXPECT_FALSE(t.markerVisible);
    EXPECT_EQ(t.velocityCorner.X, INT32_MIN);  // the unplaced NaN dial point
    EXPECT_EQ(t.dotSize, 7);
    EXPECT_TRUE(std::isnan(t.targetOffNose));
}

TEST(TargetDirection, BallAtTheCarTakesTheBehindBranch) {
    const auto t = place({0, 0, 0}, {0, 0, 0}, {500, 0, 0});
    EXPECT_TRUE(std::isnan(t.ballOffNose));
    EXPECT_TRUE(t.ballBehind);
    EXPECT_EQ(t.dotSize, 6);
    EXPECT_TRUE(std::isnan(t.targetOffNose));
}

TEST(TargetDirection, RoundingPastOneIsClampedNotNaN) {
    EXPECT_EQ(render::offNoseAngle(1.0000001f, 1.0f), 0.0f);
    EXPECT_EQ(render::offNoseAngle(-1.0000001f, 1.0f), std::acos(-1.0f));
    EXPECT_EQ(render::offNoseAngle(5.0f, 4.0f), 0.0f);
    EXPECT_TRUE(std::isnan(render::offNoseAngle(0.0f, 0.0f)));  // a true 0/0 stays NaN
    EXPECT_EQ(render::offNoseAngle(0.0f, 1.0f), 1.5707964f);
}

TEST(TargetDirection, BehindDotsShrinkTheDotSize) {
    // Both behind: each behind dot replaces k by (3 ((2k)/3))/2.
    struct Case {
        int32_t k, afterBall, afterBoth;
    };
    for (const Case c :
         {Case{7, 6, 6}, Case{8, 7, 6}, Case{9, 9, 9}, Case{10, 9, 9}, Case{23, 22, 21}}) {
        SCOPED_TRACE(c.k);
        render::Layout l = smallDial();
        l.dotSize = c.k;
        const FixedTarget target{5};
        const render::Attitude a = render::solveAttitude({0, 0, 0}, 100);
        const auto ballOnly =
            render::placeTargets(l, a, scene({-500, 0, 0}, {500, 0, 0}), target.reader());
        EXPECT_EQ(ballOnly.dotSize, c.afterBall);
        const auto both =
            render::placeTargets(l, a, scene({-500, 0, 0}, {-500, 0, 0}), target.reader());
        EXPECT_EQ(both.dotSize, c.afterBoth);
    }
}

TEST(TargetDirection, BehindBallIsMirroredThroughTheCentre) {
    // Same bearing, off-nose angle theta ahead and pi - theta behind: the dots
    // lie either side of the centre at the same distance.
    const auto ahead = place({0, 0, 0}, {400, 300, 0}, {500, 0, 0});
    const auto behind = place({0, 0, 0}, {-400, 300, 0}, {500, 0, 0});
    ASSERT_FALSE(ahead.ballBehind);
    ASSERT_TRUE(behind.ballBehind);
    const int32_t ax = ahead.ballCorner.X + 3 - 300, ay = ahead.ballCorner.Y + 3 - 900;
    const int32_t bx = behind.ballCorner.X + 2 - 300, by = behind.ballCorner.Y + 2 - 900;
    EXPECT_NEAR(ax, -bx, 1);
    EXPECT_NEAR(ay, -by, 1);
    EXPECT_NEAR(std::hypot(ax, ay), 60.0, 1.5);  // R sin(theta) = 100 * 0.6
}

TEST(TargetDirection, TargetOffNoseAngleByOption) {
    const Rotator pose{8192, 0, 0};
    const Vector d{1000, 300, 200}, v{500, 200, 0};
    const auto ball = place(pose, d, v, 5);
    const auto up = place(pose, d, v, 1);
    EXPECT_NEAR(up.targetOffNose, 0.7853982f, 1e-6f);
    EXPECT_TRUE(up.markerVisible);
    const auto down = place(pose, d, v, 2);
    EXPECT_NEAR(down.targetOffNose, 2.3561945f, 1e-6f);
    const auto vel = place(pose, d, v, 3);
    EXPECT_EQ(vel.targetOffNose, vel.velocityOffNose);
    const auto velOpp = place(pose, d, v, 4);
    EXPECT_NEAR(velOpp.targetOffNose, render::PI_F - vel.velocityOffNose, 1e-6f);
    EXPECT_EQ(ball.targetOffNose, ball.ballOffNose);
    const auto ballOpp = place(pose, d, v, 6);
    EXPECT_NEAR(ballOpp.targetOffNose, render::PI_F - ball.ballOffNose, 1e-6f);

    // "None" (also a missing variable, read as 0) hides the marker but keeps "Up".
    const auto none = place(pose, d, v, 0);
    EXPECT_FALSE(none.markerVisible);
    EXPECT_EQ(none.targetOffNose, up.targetOffNose);

    // Every value outside 0..6 acts as "Ball (opposite)".
    for (int32_t option : {7, -1, 1000}) {
        SCOPED_TRACE(option);
        const auto t = place(pose, d, v, option);
        EXPECT_EQ(t.targetOption, render::TargetOption::BallOpposite);
        EXPECT_EQ(t.targetOffNose, ballOpp.targetOffNose);
        EXPECT_TRUE(t.markerVisible);
    }
}

TEST(TargetOption, ValuesZeroToSixNameTheOptionsAndAnyOtherIsBallOpposite) {
    using render::TargetOption;
    const std::pair<int32_t, TargetOption> cases[] = {
        {0, TargetOption::None},
        {1, TargetOption::Up},
        {2, TargetOption::Down},
        {3, TargetOption::Velocity},
        {4, TargetOption::VelocityOpposite},
        {5, TargetOption::Ball},
        {6, TargetOption::BallOpposite},
        {7, TargetOption::BallOpposite},
        {-1, TargetOption::BallOpposite},
        {INT32_MIN, TargetOption::BallOpposite},
        {INT32_MAX, TargetOption::BallOpposite},
    };
    for (const auto& [value, option] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(render::targetOptionFromInt(value), option);
    }
}

TEST(TargetDirection, LevelUpAndDownAreAQuarterTurnOffTheNose) {
    EXPECT_EQ(place({0, 0, 0}, {1, 0, 0}, {0, 0, 0}, 1).targetOffNose, 1.5707964f);
    EXPECT_EQ(place({0, 0, 0}, {1, 0, 0}, {0, 0, 0}, 2).targetOffNose, 1.5707964f);
}

}  // namespace
