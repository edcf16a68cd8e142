// Dial layout from canvas size and console variables; scene vectors.
#include "render/Layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct LayoutCase {
    const char* name;
    int32_t w, h;
    float size, x, y;
    int32_t radius;
    float centreX, centreY;
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
    EXPECT_NEAR(l.centreX, c.centreX, 0.005f);
    EXPECT_NEAR(l.centreY, c.centreY, 0.005f);
    EXPECT_EQ(l.centrePixel.X, c.centrePixel.X);
    EXPECT_EQ(l.centrePixel.Y, c.centrePixel.Y);
    EXPECT_EQ(l.dotSize, c.dotSize);
    EXPECT_EQ(l.markerRadius, c.markerRadius);
}

// The radius is size * width / 40, truncated; the dot size 7 * size,
// truncated; the marker radius the dial radius plus two thirds of the dot
// size. Position 0 puts the centre 1.1 radii from the near edge, position 1
// 1.1 radii from the far edge.
INSTANTIATE_TEST_SUITE_P(
    CanvasesAndSettings, DialLayout,
    ::testing::Values(
        // The settings' fallback values on a 1080p canvas. 3.3f lies below
        // 3.3, so the radius 158.4 truncates to 158; the dot size 23.1 to 23.
        LayoutCase{"FallbackSettings",
                   1920,
                   1080,
                   3.3f,
                   0.3f,
                   0.9f,
                   158,
                   645.52f,
                   832.96f,
                   {645, 832},
                   23,
                   173.0f},
        // Both positions 0.5 centre the dial on the canvas.
        LayoutCase{
            "Centred", 1280, 720, 3.3f, 0.5f, 0.5f, 105, 640.0f, 360.0f, {640, 360}, 23, 120.0f},
        // The smallest dial in the bottom-left corner: 1.1 * 96 = 105.6 from
        // the left and from the bottom edge.
        LayoutCase{"SmallestBottomLeft",
                   1920,
                   1080,
                   2.0f,
                   0.0f,
                   1.0f,
                   96,
                   105.6f,
                   974.4f,
                   {105, 974},
                   14,
                   105.0f},
        // The largest dial in the top-right corner: 1.1 * 240 = 264 from the
        // right and from the top edge.
        LayoutCase{"LargestTopRight",
                   1920,
                   1080,
                   5.0f,
                   1.0f,
                   0.0f,
                   240,
                   1656.0f,
                   264.0f,
                   {1656, 264},
                   35,
                   263.0f}),
    [](const auto& info) { return std::string(info.param.name); });

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
