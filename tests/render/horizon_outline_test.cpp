// The horizon outline: half ellipse and rim half circle, turned and placed.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>

#include "render/Attitude.h"
#include "render/HorizonOutline.h"
#include "render/Layout.h"

namespace {

// The fallback dial: R 158, centre (645.52, 832.96).
const render::Layout kDial = render::layoutDial(1920, 1080, 3.3f, 0.3f, 0.9f, 3.3f);

render::HorizonOutline outline(const render::Layout& l, Rotator rot) {
    const render::Attitude a = render::solveAttitude(rot, l.dialRadius);
    return render::buildOutline(l.dialRadius, l.centreX, l.centreY, a.sinPitch, rot.Pitch, a.roll);
}

void expectPoints(const render::HorizonOutline& o,
                  const std::map<int, std::array<int32_t, 2>>& expected) {
    for (const auto& [i, xy] : expected) {
        SCOPED_TRACE(i);
        EXPECT_EQ(o.points[i].X, xy[0]);
        EXPECT_EQ(o.points[i].Y, xy[1]);
    }
}

const std::map<int, std::array<int32_t, 2>> kRim = {
    {20, {804, 832}}, {25, {757, 945}}, {30, {645, 991}}, {35, {533, 945}}, {39, {488, 857}}};

TEST(HorizonOutline, NoseUpAnEighthTurn) {
    ASSERT_EQ(kDial.dialRadius, 158);
    const auto o = outline(kDial, {8192, 0, 0});
    expectPoints(
        o,
        {{0, {486, 832}}, {5, {533, 753}}, {10, {645, 720}}, {15, {757, 753}}, {19, {802, 815}}});
    expectPoints(o, kRim);
}

TEST(HorizonOutline, LevelFlightLiesOnTheDiameter) {
    const auto o = outline(kDial, {0, 0, 0});
    expectPoints(o, kRim);
    EXPECT_EQ(o.points[0].X, 486);  // trunc(cx - Rh)
    for (int k = 0; k < 20; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(o.points[k].Y, 832);
        if (k > 0) {
            EXPECT_GT(o.points[k].X, o.points[k - 1].X);
            // Straight above the rim point it pairs with in the fill.
            EXPECT_NEAR(o.points[k].X, o.points[40 - k].X, 1);
        }
    }
    EXPECT_EQ(o.points[10].X, 645);
    EXPECT_EQ(o.points[19].X, 802);  // spans the dial like any other pitch
}

TEST(HorizonOutline, NoseDownRolled) {
    // b = -59.41351: the ellipse bulges towards the rim half circle.
    const auto o = outline(kDial, {-4000, 0, 3000});
    expectPoints(o, {{0, {493, 787}}, {10, {628, 889}}, {19, {793, 886}}, {20, {797, 878}}});
    // Point 30 is the rim point a quarter turn on from point 20. The roll
    // (3000 units, about 16.5 degrees) that moves point 20 from the right of
    // the centre to (797, 878) moves point 30 the same way, from straight
    // below the centre to below left of it.
    expectPoints(o, {{30, {600, 985}}});
}

TEST(HorizonOutline, NoseStraightUpFillsTheDisc) {
    render::Layout l;
    l.dialRadius = 100;
    l.centreX = 500.0f;
    l.centreY = 500.0f;
    const auto o = outline(l, {16384, 0, 0});
    expectPoints(o, {{0, {399, 500}}, {10, {500, 399}}, {20, {600, 500}}, {30, {500, 600}}});
}

TEST(HorizonOutline, SmallestPitchIsFlatToThePixel) {
    for (int32_t pitch : {1, -1}) {
        SCOPED_TRACE(pitch);
        const auto o = outline(kDial, {pitch, 0, 0});
        for (int k = 0; k < 20; ++k) EXPECT_EQ(o.points[k].Y, 832);
        EXPECT_EQ(o.points[0].X, 486);
        EXPECT_EQ(o.points[19].X, 802);  // Rh cos(pi/20) right of the centre
    }
}

TEST(HorizonOutline, ZeroDialRadiusCollapsesOntoTheCentre) {
    render::Layout l;
    l.dialRadius = 0;
    l.centreX = 120.7f;
    l.centreY = 80.2f;
    for (Rotator rot : {Rotator{3000, 0, 2000}, Rotator{0, 0, 2000}, Rotator{-16384, 0, 0}}) {
        SCOPED_TRACE(rot.Pitch);
        const auto o = outline(l, rot);
        for (const Vector2& p : o.points) {
            EXPECT_EQ(p.X, 120);
            EXPECT_EQ(p.Y, 80);
        }
    }
}

}  // namespace
