// The peripheral stage on hand-built frames.
#include "render/Peripheral.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/pluginsdk/RecordingCanvas.h"
#include "render/Frame.h"
#include "render/Numerics.h"
#include "tests/render/call_summary.h"

namespace {

using drawtest::colour;
using drawtest::tri;
using pluginsdk::CanvasCall;
using pluginsdk::RecordingCanvas;
using render::Frame;
using render::TargetOption;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

Frame bandFrame(float offNose, float markerAngle = 0.0f) {
    Frame f;
    f.layout.canvasWidth = 1920;
    f.layout.canvasHeight = 1080;
    f.scene.relativeSpeed = 500.0f;
    f.target.targetOffNose = offNose;
    f.marker.markerAngle = markerAngle;
    return f;
}

std::vector<CanvasCall> draw(const Frame& f, TargetOption target = TargetOption::Ball) {
    RecordingCanvas canvas;
    render::drawPeripheral(f, CanvasWrapper(&canvas), target);
    return canvas.calls();
}

TEST(PeripheralBand, NothingForTargetNone) {
    EXPECT_THAT(draw(bandFrame(3.0f), TargetOption::None), IsEmpty());
}

struct StepCase {
    const char* name;
    float offNose;
    std::vector<std::string> outline;
};

class PeripheralSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(PeripheralSteps, StepCountFollowsTheOffNoseAngle) {
    EXPECT_THAT(drawtest::outline(draw(bandFrame(GetParam().offNose))),
                ElementsAreArray(GetParam().outline));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PeripheralSteps,
    ::testing::Values(
        StepCase{"N0", 0.07f, {}}, StepCase{"N1", 0.1f, {"colour 255 0 0 50", "tri x2"}},
        StepCase{"N2", 0.2f, {"colour 255 0 0 50", "tri x2"}},
        StepCase{"N3", 0.25f, {"colour 255 0 0 50", "tri x2", "colour 255 53 53 50", "tri x4"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PeripheralBand, StraightBehindDrawsThirtyEightLighteningSteps) {
    const auto calls = draw(bandFrame(std::acos(-1.0f)));  // N = 40
    ASSERT_EQ(calls.size(), 3u + 38u * 5u);
    EXPECT_EQ(calls[0], colour(255, 0, 0, 50));
    for (int k = 2; k <= 39; ++k) {
        const std::size_t at = 3 + 5 * static_cast<std::size_t>(k - 2);
        EXPECT_EQ(calls[at], colour(255, 2 * k, 2 * k, 50)) << "k=" << k;
        for (std::size_t i = at + 1; i < at + 5; ++i)
            EXPECT_EQ(calls[i].kind, CanvasCall::Kind::FillTriangle);
    }
    EXPECT_EQ(calls[3 + 5 * 37], colour(255, 78, 78, 50));
}

TEST(PeripheralBand, MarkerAngleZeroPutsTheBandStraightAboveTheCentre) {
    // 1920 x 1080: centre (960, 617), outer radius 393, inner 362. With the
    // turn by PI_F, the middle piece's outer corners lie 392 px above the
    // centre (cos 0.0255 * 393 truncated) and the inner ones 361 px above.
    const auto calls = draw(bandFrame(0.1f));
    EXPECT_THAT(calls, ElementsAre(colour(255, 0, 0, 50), tri({969, 225}, {950, 225}, {967, 256}),
                                   tri({967, 256}, {952, 256}, {950, 225})));
}

TEST(PeripheralBand, StepsJoinAndMirrorAboutTheBandDirection) {
    const auto calls = draw(bandFrame(0.25f));  // N = 3: one step each side
    ASSERT_EQ(calls.size(), 8u);
    const CanvasCall& mid1 = calls[1];
    const CanvasCall& mid2 = calls[2];
    const CanvasCall& left1 = calls[4];
    const CanvasCall& left2 = calls[5];
    const CanvasCall& right1 = calls[6];
    const CanvasCall& right2 = calls[7];
    const auto at = [](const CanvasCall& c, int i) { return Vector2{c.v[2 * i], c.v[2 * i + 1]}; };
    const auto same = [](Vector2 a, Vector2 b) { return a.X == b.X && a.Y == b.Y; };
    // Each side starts from the middle piece's corners on that side:
    // LO1 and LI1 on the left, RO1 and RI1 on the right.
    EXPECT_TRUE(same(at(left1, 0), at(mid1, 0)));
    EXPECT_TRUE(same(at(left1, 2), at(mid1, 2)));
    EXPECT_TRUE(same(at(left2, 0), at(mid1, 2)));
    EXPECT_TRUE(same(at(left2, 2), at(left1, 1)));
    EXPECT_TRUE(same(at(right1, 0), at(mid1, 1)));
    EXPECT_TRUE(same(at(right1, 2), at(mid2, 1)));
    EXPECT_TRUE(same(at(right2, 0), at(mid2, 1)));
    EXPECT_TRUE(same(at(right2, 2), at(right1, 1)));
    // The outer corners of step 2 lie about 2 * 1.02 / 40 rad (about 20 px at
    // radius 393) either side of x = 960, above the centre.
    EXPECT_NEAR(at(left1, 1).X - 960, 20, 1);
    EXPECT_NEAR(at(right1, 1).X - 960, -20, 1);
    EXPECT_LT(at(left1, 1).Y, 617 - 380);
}

TEST(PeripheralBand, FollowsTheMarkerAngleClockwise) {
    // A quarter turn: the band's middle lies right of the centre.
    const auto calls = draw(bandFrame(0.1f, render::HALF_PI_F));
    ASSERT_EQ(calls.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(calls[1].v[2 * i], 960 + 360);
        EXPECT_NEAR(calls[1].v[2 * i + 1], 617, 12);
    }
}

// The velocity options below relative speed 10 hide the marker; the band
// goes with it. Other options keep drawing.
struct SpeedCase {
    TargetOption target;
    float speed;
    bool drawn;
};

// Printed by value: gtest would otherwise dump the struct's bytes, padding
// included, into the test list that ctest reads.
void PrintTo(const SpeedCase& c, std::ostream* os) {
    *os << "target " << static_cast<int>(c.target) << " at speed " << c.speed
        << (c.drawn ? " drawn" : " hidden");
}

class PeripheralSpeed : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(PeripheralSpeed, VelocityTargetsNeedARelativeSpeedOfTen) {
    Frame f = bandFrame(1.0f);
    f.scene.relativeSpeed = GetParam().speed;
    EXPECT_EQ(draw(f, GetParam().target).empty(), !GetParam().drawn);
}

INSTANTIATE_TEST_SUITE_P(Cases, PeripheralSpeed,
                         ::testing::Values(SpeedCase{TargetOption::Velocity, 9.99f, false},
                                           SpeedCase{TargetOption::VelocityOpposite, 9.99f, false},
                                           SpeedCase{TargetOption::Velocity, 0.0f, false},
                                           SpeedCase{TargetOption::Velocity, 10.0f, true},
                                           SpeedCase{TargetOption::VelocityOpposite, 10.0f, true},
                                           SpeedCase{TargetOption::Ball, 9.99f, true},
                                           SpeedCase{TargetOption::BallOpposite, 0.0f, true},
                                           SpeedCase{TargetOption::Up, 0.0f, true}));

TEST(PeripheralBand, NoBandForAnOffNoseAngleThatIsNotANumber) {
    const Frame f = bandFrame(std::numeric_limits<float>::quiet_NaN());
    EXPECT_THAT(draw(f, TargetOption::BallOpposite), IsEmpty());
    EXPECT_THAT(draw(f, TargetOption::Up), IsEmpty());
}

}  // namespace
