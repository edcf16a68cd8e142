// Target marker shape, marker angle per target option, turning, stick angle.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "render/Attitude.h"
#include "render/Numerics.h"
#include "render/TargetDirection.h"
#include "render/TargetMarker.h"
#include "tests/render/small_dial.h"

namespace {

using Points = std::vector<std::array<int32_t, 2>>;

Points asList(const std::array<Vector2, 8>& p) {
    Points out;
    for (const Vector2& v : p) out.push_back({v.X, v.Y});
    return out;
}

int32_t readOption(const void* option) { return *static_cast<const int32_t*>(option); }

struct Computed {
    render::Attitude attitude;
    render::TargetDirection target;
    render::TargetMarker marker;
};

Computed compute(Rotator rot, Vector d, Vector v, int32_t option,
                 const render::Layout& l = smallDial(), ControllerInput input = {}) {
    render::Scene s;
    s.ballOffset = d;
    s.relativeVelocity = v;
    s.relativeSpeed = std::sqrt((v.X * v.X + v.Y * v.Y) + v.Z * v.Z);
    Computed c;
    c.attitude = render::solveAttitude(rot, l.dialRadius);
    c.target = render::placeTargets(l, c.attitude, s, {&readOption, &option});
    c.marker = render::buildMarker(l, c.attitude, c.target, input);
    return c;
}

TEST(MarkerShape, RadiusOneHundredAndFour) {
    EXPECT_EQ(asList(render::markerShape(104.0f)), (Points{{-20, -100},
                                                           {-27, -115},
                                                           {-5, -104},
                                                           {-12, -119},
                                                           {5, -104},
                                                           {12, -119},
                                                           {20, -100},
                                                           {27, -115}}));
}

TEST(MarkerShape, RadiusEightyFive) {
    // Dial radius 81 and dot size 7.
    EXPECT_EQ(asList(render::markerShape(85.0f)), (Points{{-17, -82},
                                                          {-22, -94},
                                                          {-4, -85},
                                                          {-10, -97},
                                                          {4, -85},
                                                          {10, -97},
                                                          {17, -82},
                                                          {22, -94}}));
}

TEST(MarkerAngle, UpWithTheCarLevel) {
    const Computed c = compute({0, 0, 0}, {1000, 0, 0}, {500, 0, 0}, 1);
    ASSERT_EQ(c.attitude.zenith.Y, 100);
    EXPECT_EQ(c.marker.markerAngle, render::PI_F);
    // Truncation moves P2 and P5..P8 one pixel off the exact mirror image.
    EXPECT_EQ(asList(c.marker.points), (Points{{20, 100},
                                               {27, 114},
                                               {5, 104},
                                               {12, 119},
                                               {-4, 104},
                                               {-11, 119},
                                               {-19, 100},
                                               {-26, 115}}));
    // The indicator keeps the unturned middle of the shape.
    EXPECT_EQ(c.marker.indicator[0].X, -5);
    EXPECT_EQ(c.marker.indicator[0].Y, -104);
    EXPECT_EQ(c.marker.indicator[3].X, 12);
    EXPECT_EQ(c.marker.indicator[3].Y, -119);
}

TEST(MarkerAngle, DownWithTheCarLevelIsJustBelowZero) {
    const Computed c = compute({0, 0, 0}, {1000, 0, 0}, {500, 0, 0}, 2);
    EXPECT_EQ(c.marker.markerAngle, static_cast<float>(-7.549789948768648e-8));
    EXPECT_EQ(c.marker.markerAngle, -7.54979e-8f);
    EXPECT_EQ(asList(c.marker.points), (Points{{-20, -100},
                                               {-27, -115},
                                               {-5, -104},
                                               {-12, -119},
                                               {4, -104},
                                               {11, -119},
                                               {19, -100},
                                               {26, -115}}));
}

// The level car of the target direction tests: ball 1000 ahead, 300 across
// and 200 up, its dot below right of the centre.
TEST(MarkerAngle, BallAheadOfALevelCar) {
    const Computed c = compute({0, 0, 0}, {1000, 300, 200}, {500, 200, 0}, 5);
    EXPECT_EQ(c.marker.markerAngle, 2.1421337f);
    EXPECT_EQ(
        asList(c.marker.points),
        (Points{{94, 37}, {111, 39}, {90, 52}, {106, 54}, {84, 60}, {93, 74}, {73, 70}, {82, 84}}));
}

// Nose up an eighth of a turn, rolled 3000 units, ball 1000 behind: the
// behind dots have left dot size 6.
TEST(MarkerAngle, BallBehindAPitchedRolledCar) {
    const Computed c = compute({8192, 0, 3000}, {-1000, 300, 200}, {-800, 100, 0}, 5);
    ASSERT_EQ(c.target.dotSize, 6);
    EXPECT_EQ(c.marker.markerAngle, 3.1050234f);
}

TEST(MarkerAngle, BehindBallBandSitsOppositeItsDot) {
    // The pitched, rolled car with the ball behind: its dot is mirrored to
    // above the centre.
    const Computed ball = compute({8192, 0, 3000}, {-1000, 300, 200}, {-800, 100, 0}, 5);
    ASSERT_TRUE(ball.target.ballBehind);
    ASSERT_LT(ball.target.ballCorner.Y + 3, 900);
    for (const Vector2& p : ball.marker.points) EXPECT_GT(p.Y, 0);
    const Computed opposite = compute({8192, 0, 3000}, {-1000, 300, 200}, {-800, 100, 0}, 6);
    for (const Vector2& p : opposite.marker.points) EXPECT_LT(p.Y, 0);
}

TEST(MarkerAngle, NoseStraightUpPointsUpAndDownToTheSide) {
    for (int32_t option : {0, 1, 2}) {
        SCOPED_TRACE(option);
        const Computed c = compute({16384, 0, 0}, {1000, 0, 0}, {500, 0, 0}, option);
        ASSERT_EQ(c.attitude.zenith.X, 0);
        ASSERT_EQ(c.attitude.zenith.Y, 0);
        EXPECT_EQ(c.marker.markerAngle, render::HALF_PI_F);
    }
}

TEST(MarkerAngle, BallStraightAheadPointsToTheSide) {
    const Computed c = compute({0, 0, 0}, {1000, 0, 0}, {500, 0, 0}, 5);
    EXPECT_EQ(c.marker.markerAngle, render::HALF_PI_F);
}

TEST(MarkerAngle, FractionalCentreSteersTheBandForADotAtTheCentre) {
    render::Layout l = smallDial();
    l.centreX = 300.75f;  // truncated centre 300: the dot's middle lies 0.75 left
    const Computed c = compute({0, 0, 0}, {1000, 0, 0}, {500, 0, 0}, 5, l);
    EXPECT_EQ(c.marker.markerAngle, std::atan2(0.0f, -0.75f) + render::HALF_PI_F);
    for (const Vector2& p : c.marker.points) EXPECT_LT(p.X, 0);  // band on the left
}

TEST(MarkerAngle, OptionsOutsideTheRangeActAsBallOpposite) {
    const Computed six = compute({8192, 0, 3000}, {-1000, 300, 200}, {-800, 100, 0}, 6);
    for (int32_t option : {7, -1, 1000}) {
        SCOPED_TRACE(option);
        const Computed c = compute({8192, 0, 3000}, {-1000, 300, 200}, {-800, 100, 0}, option);
        EXPECT_EQ(c.marker.markerAngle, six.marker.markerAngle);
        EXPECT_EQ(asList(c.marker.points), asList(six.marker.points));
    }
}

TEST(MarkerAngle, NoneTurnsLikeUp) {
    const Computed up = compute({-4000, -20000, 3000}, {1000, 0, 0}, {500, 0, 0}, 1);
    const Computed none = compute({-4000, -20000, 3000}, {1000, 0, 0}, {500, 0, 0}, 0);
    EXPECT_EQ(none.marker.markerAngle, up.marker.markerAngle);
    EXPECT_EQ(asList(none.marker.points), asList(up.marker.points));
}

TEST(StickAngle, ReadsTheFloatsAtOffsetsFourAndEight) {
    ControllerInput input;
    input.Throttle = 0.5f;
    input.Steer = 1.0f;  // offset 4
    input.Pitch = 0.0f;  // offset 8
    input.Yaw = -1.0f;
    Computed c = compute({0, 0, 0}, {1000, 0, 0}, {500, 0, 0}, 1, smallDial(), input);
    EXPECT_EQ(c.marker.stickX, 1.0f);
    EXPECT_EQ(c.marker.stickY, 0.0f);
    EXPECT_EQ(c.marker.stickAngle, render::HALF_PI_F);

    input.Steer = 0.0f;
    input.Pitch = -1.0f;
    c = compute({0, 0, 0}, {1000, 0, 0}, {500, 0, 0}, 1, smallDial(), input);
    EXPECT_EQ(c.marker.stickY, -1.0f);
    EXPECT_EQ(c.marker.stickAngle, -1.5707964f + render::HALF_PI_F);
}

}  // namespace
