// Dial layout from canvas size and console variables; scene vectors.
#include "render/Layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

struct LayoutCase {
    int32_t w, h;
    float size, x, y;
    int32_t radius;
    float centreX, centreY;  // NaN when the example does not state them
    Vector2 centrePixel;
    int32_t dotSize;
    float markerRadius;
};

class DialLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DialLayout, RadiusCentreDotSizeAndMarkerRadius) {
    const LayoutCase& c = GetParam();
    const render::Layout l = render::layoutDial(c.w, c.h, c.size, c.x, c.y, c.size);
    EXPECT_EQ(l.canvasWidth, c.w);
    EXPECT_EQ(l.canvasHeight, c.h);
    EXPECT_EQ(l.dialRadius, c.radius);
    if (!std::isnan(c.centreX)) {
        EXPECT_NEAR(l.centreX, c.centreX, 0.005f);
    }
    if (!std::isnan(c.centreY)) {
        EXPECT_NEAR(l.centreY, c.centreY, 0.005f);
    }
    EXPECT_EQ(l.centrePixel.X, c.centrePixel.X);
    EXPECT_EQ(l.centrePixel.Y, c.centrePixel.Y);
    EXPECT_EQ(l.dotSize, c.dotSize);
    EXPECT_EQ(l.markerRadius, c.markerRadius);
}

constexpr float kUnstated = __builtin_nanf("");

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, DialLayout,
    ::testing::Values(
        // Fallback values; 3.3f lies below 3.3, so 158.4 truncates to 158.
        LayoutCase{1920, 1080, 3.3f, 0.3f, 0.9f, 158, 645.52f, 832.96f, {645, 832}, 23, 173.0f},
        LayoutCase{1280, 720, 3.3f, 0.5f, 0.5f, 105, kUnstated, kUnstated, {640, 360}, 23, 120.0f},
        LayoutCase{1920, 1080, 2.0f, 0.0f, 1.0f, 96, 105.6f, 974.4f, {105, 974}, 14, 105.0f},
        LayoutCase{
            1920, 1080, 5.0f, 1.0f, 0.0f, 240, kUnstated, kUnstated, {1656, 264}, 35, 263.0f}));

TEST(DialLayoutReads, SecondSizeReadSetsTheDotSize) {
    const render::Layout l = render::layoutDial(1920, 1080, 3.3f, 0.3f, 0.9f, 2.0f);
    EXPECT_EQ(l.dialRadius, 158);
    EXPECT_EQ(l.dotSize, 14);
    EXPECT_EQ(l.markerRadius, 167.0f);  // 158 + 28/3
}

TEST(DialLayoutReads, PositionsOutsideTheUnitRangeAreNotClamped) {
    const render::Layout l = render::layoutDial(1920, 1080, 2.0f, -1.0f, 2.0f, 2.0f);
    EXPECT_LT(l.centrePixel.X, 0);
    EXPECT_GT(l.centrePixel.Y, 1080);
}

TEST(SceneVectors, OffsetIsBallMinusCarAndVelocityCarMinusBall) {
    render::Scene s;
    s.carLocation = {10.0f, 20.0f, 30.0f};
    s.ballLocation = {13.0f, 16.0f, 30.0f};
    s.carVelocity = {100.0f, 0.0f, 50.0f};
    s.ballVelocity = {97.0f, 4.0f, 50.0f};
    render::formRelative(s);
    EXPECT_EQ(s.ballOffset.X, 3.0f);
    EXPECT_EQ(s.ballOffset.Y, -4.0f);
    EXPECT_EQ(s.ballOffset.Z, 0.0f);
    EXPECT_EQ(s.relativeVelocity.X, 3.0f);
    EXPECT_EQ(s.relativeVelocity.Y, -4.0f);
    EXPECT_EQ(s.relativeVelocity.Z, 0.0f);
    EXPECT_EQ(s.relativeSpeed, 5.0f);
}

}  // namespace
