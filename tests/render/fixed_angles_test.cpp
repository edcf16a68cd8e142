// The fixed-angle tables hold, bit for bit, what the maths library returns
// for each angle when the frame asks it at run time.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "render/FixedAngles.h"

namespace {

// Through a volatile, so the compiler cannot evaluate the call on a constant
// itself (correctly rounded, which may differ from the library).
float atRunTime(float a) {
    volatile float v = a;
    return v;
}

void expectLibrary(render::SinCos got, float angle) {
    SCOPED_TRACE(angle);
    EXPECT_EQ(std::bit_cast<uint32_t>(got.sin),
              std::bit_cast<uint32_t>(std::sin(atRunTime(angle))));
    EXPECT_EQ(std::bit_cast<uint32_t>(got.cos),
              std::bit_cast<uint32_t>(std::cos(atRunTime(angle))));
}

TEST(FixedAngles, EveryRimPointAndMeridianStepIsTheLibrarysResult) {
    for (int32_t j = 1; j <= render::kFanRimPoints; ++j) {
        expectLibrary(render::fanRim(j), render::fanRimAngle(j));
    }
    for (int32_t j = 0; j < render::kOutlineRimPoints; ++j) {
        expectLibrary(render::outlineRim(j), render::outlineRimAngle(j));
        EXPECT_EQ(render::outlineRimCos(j), std::cos(atRunTime(render::outlineRimAngle(j))));
    }
    for (int32_t k = 1; k <= render::kMeridianSteps; ++k) {
        expectLibrary(render::meridianStep(k), render::meridianAngle(k));
    }
}

TEST(FixedAngles, BothMeridiansShareThePointLengthOfEachStep) {
    for (int32_t k = 1; k <= render::kMeridianSteps; ++k) {
        SCOPED_TRACE(k);
        const float s = std::sin(atRunTime(render::meridianAngle(k)));
        const float c = std::cos(atRunTime(render::meridianAngle(k)));
        // The first meridian's sphere point is (0, sin, cos), the second's (sin, 0, cos).
        for (const auto& [wx, wy] : {std::pair{0.0f, 1.0f}, std::pair{1.0f, 0.0f}}) {
            const float w0 = wx * s;
            const float w1 = wy * s;
            const float length = std::sqrt(atRunTime(w0 * w0 + w1 * w1 + c * c));
            EXPECT_EQ(render::meridianPointLength(k, w0, w1, c), length);
        }
    }
}

TEST(FixedAngles, EveryBandStepCornerIsTheLibrarysResult) {
    for (int32_t k = 1; k <= render::kBandSteps; ++k) {
        SCOPED_TRACE(k);
        const render::BandStep step = render::bandStep(k);
        expectLibrary(step.outerLeft, -render::bandOuterAngle(k));
        expectLibrary(step.innerLeft, -render::bandInnerAngle(k));
        expectLibrary(step.outerRight, render::bandOuterAngle(k));
        expectLibrary(step.innerRight, render::bandInnerAngle(k));
    }
}

// The quarter ellipse's quarter turn q = (asin(1) / b) b, for bulges b from
// a pixel's fraction to far beyond any dial, lands on a tabulated row, and
// the sines read there are the library's; an infinite q (a subnormal b) is
// computed.
TEST(FixedAngles, QuarterEllipseSinesForEveryBulgeAreTheLibrarysResult) {
    int tabulated = 0;
    for (float b = 1e-30f; b < 1e30f; b *= 1.0001f) {
        for (const float bulge : {b, -b}) {
            const float q0 = static_cast<float>(std::asin(1.0) / static_cast<double>(bulge));
            const float q = q0 * bulge;
            const uint32_t row = std::bit_cast<uint32_t>(q) - render::kQuarterTurnFirstBits;
            ASSERT_LT(row, render::kQuarterTurnRows) << bulge;
            for (int32_t i = 0; i < render::kQuarterEllipseSamples; i += 3) {
                const float expected = std::sin(atRunTime(render::quarterEllipseAngle(i, q)));
                ASSERT_EQ(render::quarterEllipseSine(i, q), expected) << bulge << " " << i;
            }
            ++tabulated;
        }
    }
    EXPECT_GT(tabulated, 1000000);
    const float infinite = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(std::isnan(render::quarterEllipseSine(1, infinite)));
}

}  // namespace
