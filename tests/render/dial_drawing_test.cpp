// The dial stage on hand-built frames: call order, counts, colours and the
// points handed to the canvas.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/pluginsdk/RecordingCanvas.h"
#include "render/DialDrawing.h"
#include "render/Frame.h"
#include "render/Numerics.h"
#include "tests/render/call_summary.h"

namespace {

using drawtest::box;
using drawtest::colour;
using drawtest::line;
using drawtest::position;
using drawtest::tri;
using pluginsdk::CanvasCall;
using pluginsdk::RecordingCanvas;
using render::Frame;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A level car, yaw 0, dial radius 100 about (300, 900), dot size 7, the ball
// and the velocity ahead. The outline is synthetic: a horizontal row for the
// half ellipse (10 px apart) and a lower row for the rim, so that each
// point is recognisable.
Frame levelFrame() {
    Frame f;
    f.layout.canvasWidth = 1920;
    f.layout.canvasHeight = 1080;
    f.layout.dialRadius = 100;
    f.layout.centreX = 300.0f;
    f.layout.centreY = 900.0f;
    f.layout.centrePixel = {300, 900};
    f.layout.dotSize = 7;
    f.layout.markerRadius = 104.0f;
    f.attitude.cosPitch = 1.0f;
    f.attitude.cosYaw = 1.0f;
    f.attitude.cosRoll = 1.0f;
    f.attitude.forwardX = 1.0f;
    f.attitude.zenith = {0, 100};
    f.attitude.nadir = {0, -100};
    f.target.ballOffNose = 0.3460468f;
    f.target.ballCorner = {325, 915};
    f.target.velocityOffNose = 0.3805064f;
    f.target.velocityCorner = {334, 897};
    f.target.dotSize = 7;
    f.target.markerVisible = true;
    f.target.targetOption = render::TargetOption::Ball;
    f.scene.relativeSpeed = 538.5f;
    f.marker.points = {
        {{94, 37}, {111, 39}, {90, 52}, {106, 54}, {84, 60}, {93, 74}, {73, 70}, {82, 84}}};
    f.marker.indicator = {{{-5, -104}, {-12, -119}, {5, -104}, {12, -119}}};
    for (int i = 0; i < 20; ++i) f.outline.points[i] = {200 + 10 * i, 900};
    for (int j = 0; j < 20; ++j) f.outline.points[20 + j] = {400 - 10 * j, 950};
    return f;
}

std::vector<CanvasCall> draw(const Frame& f) {
    RecordingCanvas canvas;
    render::drawDial(f, CanvasWrapper(&canvas));
    return canvas.calls();
}

std::vector<CanvasCall> slice(const std::vector<CanvasCall>& c, std::size_t from, std::size_t n) {
    return {c.begin() + static_cast<std::ptrdiff_t>(from),
            c.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

// Index of the first call at or after `from` equal to `call`.
std::size_t find(const std::vector<CanvasCall>& c, const CanvasCall& call, std::size_t from = 0) {
    for (std::size_t i = from; i < c.size(); ++i)
        if (c[i] == call) return i;
    return c.size();
}

// --- drawSegment ---------------------------------------------------------

struct SegmentCase {
    Vector2 from, to, origin;
    Vector2 lineFrom, lineTo;
};

void PrintTo(const SegmentCase& c, std::ostream* os) {
    *os << "(" << c.from.X << ", " << c.from.Y << ") to (" << c.to.X << ", " << c.to.Y << ") at ("
        << c.origin.X << ", " << c.origin.Y << ")";
}

class DrawSegment : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(DrawSegment, DrawsOneLineFromTheStartRunningThreePixelsPastTheEnd) {
    const SegmentCase& c = GetParam();
    RecordingCanvas canvas;
    render::drawSegment(CanvasWrapper(&canvas), c.from, c.to, c.origin);
    EXPECT_THAT(canvas.calls(), ElementsAre(line(c.lineFrom, c.lineTo, 2.0f)));
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawSegment,
                         ::testing::Values(
                             // from == to: heading 0, a 3-pixel line to the right.
                             SegmentCase{{5, 5}, {5, 5}, {100, 200}, {105, 205}, {108, 205}},
                             SegmentCase{{0, 0}, {10, 0}, {0, 0}, {0, 0}, {13, 0}},
                             // Straight down: cosf of the narrowed quarter turn is a hair below 0.
                             SegmentCase{{0, 0}, {0, 10}, {0, 0}, {0, 0}, {0, 13}},
                             // 3-4-5: length 8, the end truncated toward zero on both axes.
                             SegmentCase{{0, 0}, {3, 4}, {10, 10}, {10, 10}, {14, 16}},
                             SegmentCase{{0, 0}, {-3, -4}, {10, 10}, {10, 10}, {6, 4}},
                             // The end is relative to `from`, not to the origin.
                             SegmentCase{{20, -7}, {20, -17}, {300, 900}, {320, 893}, {320, 880}}));

// --- the whole stage ---------------------------------------------------

// Level car, yaw 0: the first meridian faces the viewer for k = 40 ... 80
// (41 segments; k = 40 lies a hair past a quarter turn), the second lies
// exactly a quarter turn off the view vector all round and is still drawn
// (80 segments).
const std::vector<std::string> kLevelOutline = {
    "colour 20 20 20 255",
    "tri x40",  // background disc
    "colour 215 95 0 255",
    "tri x40",  // ground disc
    "colour 50 190 220 255",
    "tri x38",  // sky strip
    "colour 255 255 255 255",
    "line 2 x19",                             // horizon line
    "(colour 255 255 255 255; line 2) x121",  // meridians
    "tri x6",                                 // marker, in the white left by the lines
    "colour 0 0 255 255",
    "pos",
    "box 7x7",  // ball dot
    "colour 50 255 0 255",
    "pos",
    "box 7x7",  // velocity dot
    "colour 0 0 0 255",
    "line 6 x4",  // centre symbol
};

TEST(DialStage, LevelFrameDrawsTheTenStepsInOrder) {
    const auto calls = draw(levelFrame());
    EXPECT_THAT(drawtest::outline(calls), ElementsAreArray(kLevelOutline));
}

TEST(DialStage, DiscFansRunAFullTurnFromTheLeft) {
    const auto calls = draw(levelFrame());
    const Vector2 c{300, 900};
    // Background: radius 1.1 * 104 = 114.4 in double precision. A quarter
    // turn (cosf = 7.5e-8) still pulls x below 300 in double precision.
    EXPECT_EQ(calls[1].v[2], 185);
    EXPECT_EQ(calls[1].v[3], 900);
    EXPECT_EQ(calls[10], tri(c, {calls[10].v[2], calls[10].v[3]}, {299, 785}));
    EXPECT_EQ(calls[20], tri(c, {calls[20].v[2], calls[20].v[3]}, {414, 899}));
    EXPECT_EQ(calls[40], tri(c, {calls[40].v[2], calls[40].v[3]}, {185, 900}));
    // Ground: radius 100 in single precision; 300 - 7.5e-6 and 900 - 1.5e-5
    // round back to 300 and 900 in a float.
    EXPECT_EQ(calls[42].v[2], 200);
    EXPECT_EQ(calls[42].v[3], 900);
    EXPECT_EQ(calls[51], tri(c, {calls[51].v[2], calls[51].v[3]}, {300, 800}));
    EXPECT_EQ(calls[61], tri(c, {calls[61].v[2], calls[61].v[3]}, {400, 900}));
    EXPECT_EQ(calls[81], tri(c, {calls[81].v[2], calls[81].v[3]}, {200, 900}));
    // Every fan triangle starts at the centre and continues from the last.
    for (std::size_t i : {std::size_t{1}, std::size_t{42}}) {
        for (std::size_t j = i; j < i + 40; ++j) {
            EXPECT_EQ(calls[j].v[0], 300);
            EXPECT_EQ(calls[j].v[1], 900);
            if (j > i) {
                EXPECT_EQ(calls[j].v[2], calls[j - 1].v[4]);
                EXPECT_EQ(calls[j].v[3], calls[j - 1].v[5]);
            }
        }
    }
}

TEST(DialStage, SkyStripPairsTheHalfEllipseWithTheRimAndTheLineFollowsTheEllipse) {
    const Frame f = levelFrame();
    const auto calls = draw(f);
    const auto& O = f.outline.points;
    std::vector<CanvasCall> sky, horizon;
    for (int i = 0; i <= 18; ++i) {
        sky.push_back(tri(O[i], O[i + 1], O[39 - i]));
        sky.push_back(tri(O[i + 1], O[39 - i], O[38 - i]));
    }
    for (int i = 1; i <= 19; ++i)
        horizon.push_back(line(O[i - 1], {O[i - 1].X + 13, O[i - 1].Y}, 2.0f));
    EXPECT_THAT(slice(calls, 83, 38), ElementsAreArray(sky));
    EXPECT_THAT(slice(calls, 122, 19), ElementsAreArray(horizon));
}

TEST(DialStage, MeridiansStartAtTheZenithPoint) {
    Frame f = levelFrame();
    const auto calls = draw(f);
    // The first meridian's first drawn step is k = 40 (bottom of the dial,
    // after the hidden half); the second meridian starts at the zenith
    // (0, 100): step 1 reaches (7, 99).
    const std::size_t second = 141 + 2 * 41;
    EXPECT_EQ(calls[second + 1], line({300, 1000}, {309, 998}, 2.0f));
}

TEST(DialStage, MarkerStripAddsTheCentreWithoutANewColour) {
    const auto calls = draw(levelFrame());
    const std::size_t at = find(calls, tri({394, 937}, {411, 939}, {390, 952}));
    ASSERT_LT(at, calls.size());
    EXPECT_EQ(calls[at - 1].kind, CanvasCall::Kind::DrawLine);
    EXPECT_THAT(slice(calls, at, 6), ElementsAre(tri({394, 937}, {411, 939}, {390, 952}),
                                                 tri({406, 954}, {411, 939}, {390, 952}),
                                                 tri({384, 960}, {390, 952}, {406, 954}),
                                                 tri({393, 974}, {406, 954}, {384, 960}),
                                                 tri({373, 970}, {384, 960}, {393, 974}),
                                                 tri({382, 984}, {393, 974}, {373, 970})));
}

struct StickCase {
    float stickX, stickY;
    bool drawn;
};

// Printed by value: gtest would otherwise dump the struct's bytes, padding
// included, into the test list that ctest reads.
void PrintTo(const StickCase& c, std::ostream* os) {
    *os << "stick (" << c.stickX << ", " << c.stickY << ")" << (c.drawn ? " drawn" : " hidden");
}

class StickIndicator : public ::testing::TestWithParam<StickCase> {};

TEST_P(StickIndicator, DrawsAboveATenthOnEitherAxis) {
    Frame f = levelFrame();
    f.marker.stickX = GetParam().stickX;
    f.marker.stickY = GetParam().stickY;
    f.marker.stickAngle = 0.0f;
    const auto calls = draw(f);
    const std::size_t at = find(calls, colour(50, 200, 50, 255));
    if (!GetParam().drawn) {
        EXPECT_EQ(at, calls.size());
        EXPECT_EQ(calls.size(), draw(levelFrame()).size());
        return;
    }
    ASSERT_LT(at, calls.size());
    // Angle 0: the unturned middle of the marker, just above the dial.
    EXPECT_THAT(slice(calls, at, 4),
                ElementsAre(colour(50, 200, 50, 255), tri({295, 796}, {288, 781}, {305, 796}),
                            tri({312, 781}, {288, 781}, {305, 796}), colour(0, 0, 255, 255)));
    EXPECT_EQ(calls[at - 1], tri({382, 984}, {393, 974}, {373, 970}));  // after the marker
}

INSTANTIATE_TEST_SUITE_P(Threshold, StickIndicator,
                         ::testing::Values(StickCase{0.1f, 0.0f, true}, StickCase{0.0f, 0.1f, true},
                                           StickCase{-0.1f, 0.0f, true},
                                           StickCase{0.0f, -1.0f, true},
                                           StickCase{0.099999994f, 0.099999994f, false},
                                           StickCase{-0.099999994f, -0.099999994f, false},
                                           StickCase{0.0f, 0.0f, false}));

TEST(StickIndicator, TurnsTheMiddleOfTheMarkerToTheStick) {
    Frame f = levelFrame();
    f.marker.stickY = 1.0f;
    f.marker.stickAngle = render::HALF_PI_F;  // a quarter turn clockwise: to the right
    const auto calls = draw(f);
    const std::size_t at = find(calls, colour(50, 200, 50, 255));
    ASSERT_LT(at, calls.size());
    // (x, y) -> (trunc(c x - s y), trunc(c y + s x)) with c = 7.5e-8, s = 1.
    EXPECT_EQ(calls[at + 1], tri({404, 895}, {419, 888}, {404, 904}));
    EXPECT_EQ(calls[at + 2], tri({419, 911}, {419, 888}, {404, 904}));
}

// --- dots ------------------------------------------------------------------

const float kAbove = std::nextafter(render::HALF_PI_F, 4.0f);  // 1.5707964, acosf(0)
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Calls from the ball dot up to the centre symbol.
std::vector<CanvasCall> dots(const Frame& f) {
    const auto calls = draw(f);
    const std::size_t from = find(calls, colour(0, 0, 255, 255));
    const std::size_t to = calls.size() - 5;
    return slice(calls, from, to - from);
}

struct DotCase {
    const char* name;
    float ball, velocity;
    int32_t dotSize;
    std::vector<CanvasCall> expected;
};

class Dots : public ::testing::TestWithParam<DotCase> {};

TEST_P(Dots, SizeAndCrossFollowTheOffNoseAngles) {
    Frame f = levelFrame();
    f.target.ballOffNose = GetParam().ball;
    f.target.velocityOffNose = GetParam().velocity;
    f.target.dotSize = GetParam().dotSize;
    EXPECT_THAT(dots(f), ElementsAreArray(GetParam().expected));
}

const Vector2 kB{325, 915};
const Vector2 kV{334, 897};

INSTANTIATE_TEST_SUITE_P(
    Cases, Dots,
    ::testing::Values(
        DotCase{"BothAhead",
                0.3f,
                0.3f,
                7,
                {colour(0, 0, 255, 255), position(kB), box(7, 7), colour(50, 255, 0, 255),
                 position(kV), box(7, 7)}},
        // Exactly HALF_PI_F: the ball is still ahead, the velocity behind.
        DotCase{"ExactlyAQuarterTurn",
                render::HALF_PI_F,
                render::HALF_PI_F,
                7,
                {colour(0, 0, 255, 255), position(kB), box(7, 7), colour(50, 255, 0, 255),
                 position(kV), box(4, 4), colour(0, 0, 0, 255), line(kV, {338, 901}, 1.0f),
                 line({338, 897}, {334, 901}, 1.0f)}},
        // Size 3.3 with the ball behind: the frame's dot size is 22, the box
        // 14 with a cross, the working size 21.
        DotCase{"BallBehindVelocityAhead",
                kAbove,
                0.3f,
                22,
                {colour(0, 0, 255, 255), position(kB), box(14, 14), colour(0, 0, 0, 255),
                 line(kB, {339, 929}, 1.0f), line({339, 915}, {325, 929}, 1.0f),
                 colour(50, 255, 0, 255), position(kV), box(21, 21)}},
        DotCase{"BothBehind",
                kAbove,
                kAbove,
                22,
                {colour(0, 0, 255, 255), position(kB), box(14, 14), colour(0, 0, 0, 255),
                 line(kB, {339, 929}, 1.0f), line({339, 915}, {325, 929}, 1.0f),
                 colour(50, 255, 0, 255), position(kV), box(14, 14), colour(0, 0, 0, 255),
                 line(kV, {348, 911}, 1.0f), line({348, 897}, {334, 911}, 1.0f)}},
        // An angle that is not a number counts as behind.
        DotCase{"NotANumber",
                kNaN,
                kNaN,
                7,
                {colour(0, 0, 255, 255), position(kB), box(4, 4), colour(0, 0, 0, 255),
                 line(kB, {329, 919}, 1.0f), line({329, 915}, {325, 919}, 1.0f),
                 colour(50, 255, 0, 255), position(kV), box(4, 4), colour(0, 0, 0, 255),
                 line(kV, {338, 901}, 1.0f), line({338, 897}, {334, 901}, 1.0f)}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- centre symbol ------------------------------------------------------

TEST(CentreSymbol, WingsAndAVHangingBelowTheCentre) {
    Frame f = levelFrame();
    auto calls = draw(f);
    EXPECT_THAT(slice(calls, calls.size() - 5, 5),
                ElementsAre(colour(0, 0, 0, 255), line({265, 900}, {291, 900}, 6.0f),
                            line({290, 900}, {301, 910}, 6.0f), line({299, 910}, {310, 900}, 6.0f),
                            line({309, 900}, {335, 900}, 6.0f)));
    // A fractional centre is used unrounded, in double precision.
    f.layout.dialRadius = 158;
    f.layout.centreX = 645.52f;
    f.layout.centreY = 832.96f;
    f.layout.centrePixel = {645, 832};
    calls = draw(f);
    EXPECT_THAT(
        slice(calls, calls.size() - 4, 4),
        ElementsAre(line({590, 832}, {631, 832}, 6.0f), line({629, 832}, {647, 848}, 6.0f),
                    line({643, 848}, {661, 832}, 6.0f), line({659, 832}, {700, 832}, 6.0f)));
}

}  // namespace
