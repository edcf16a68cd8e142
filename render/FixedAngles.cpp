#include "render/FixedAngles.h"

namespace render {
namespace {

// Every index passes through here on its way to a sine or cosine. Fed a
// constant, the compiler may evaluate the call itself, correctly rounded,
// which can differ in the last bit from the library's result that the frame
// always used; a volatile read keeps the call for run time.
int32_t atRunTime(int32_t index) {
    volatile int32_t v = index;
    return v;
}

FixedAngleTables tabulate() {
    FixedAngleTables t;
    for (int32_t j = 1; j <= kFanRimPoints; ++j) t.fanRim[j] = sinCos(fanRimAngle(atRunTime(j)));
    for (int32_t j = 0; j < kOutlineRimPoints; ++j) {
        t.outlineRim[j] = sinCos(outlineRimAngle(atRunTime(j)));
    }
    for (uint32_t row = 0; row < kQuarterTurnRows; ++row) {
        const auto q = portable::bitCast<float>(kQuarterTurnFirstBits + row);
        for (int32_t i = 0; i < kQuarterEllipseSamples; ++i) {
            t.quarterEllipseSine[row][i] = std::sin(quarterEllipseAngle(atRunTime(i), q));
        }
    }
    for (int32_t k = 1; k <= kMeridianSteps; ++k) {
        const SinCos s = sinCos(meridianAngle(atRunTime(k)));
        t.meridianStep[k] = s;
        // The second meridian's sphere point (sin, 0, cos).
        const float w0 = 1.0f * s.sin;
        const float w1 = 0.0f * s.sin;
        const float w2 = s.cos;
        t.meridianPointLength[k] = std::sqrt(w0 * w0 + w1 * w1 + w2 * w2);
    }
    for (int32_t k = 1; k <= kBandSteps; ++k) t.bandStep[k] = computeBandStep(atRunTime(k));
    return t;
}

}  // namespace

const FixedAngleTables fixedAngleTables = tabulate();

}  // namespace render
