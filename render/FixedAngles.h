#pragma once
// The sines and cosines of the angles every frame uses unchanged, computed
// once when the library loads: the rim points of the dial's two disc fans,
// the outline's rim half circle (whose cosines also lay out the level
// horizon), the quarter ellipse's sample angles, the meridians' steps and the
// peripheral band's steps. Each entry comes from the very call and the very
// single-precision argument the phase itself would compute, so a frame that
// reads the table gets the bits it would have computed.
//
// The phases read the tables through the accessors below. The benchmark's
// floor copy of the plugin is built with TRIMSIGHT_FIXED_ANGLES_COMPUTED:
// there every accessor computes its value in the frame, as the renderer did
// before the tables, so that the maths floor recorded from it stays every
// maths call a frame needs when nothing is precomputed.
#include <array>
#include <cmath>
#include <cstdint>

#include "portable/BitCast.h"
#include "render/Numerics.h"

namespace render {

struct SinCos {
    float sin = 0.0f;
    float cos = 0.0f;
};

// The four corners of one step of the peripheral band, as the sines and
// cosines of their angles: outer and inner edge, left (negative) and right.
struct BandStep {
    SinCos outerLeft;
    SinCos innerLeft;
    SinCos outerRight;
    SinCos innerRight;
};

// The angles, each computed the one way its phase computes it.

// Rim point j (1..40) of a disc fan: 2j pi/40.
inline float fanRimAngle(int32_t j) { return static_cast<float>(2 * j) * PI_F / 40.0f; }
// Rim point j (0..19) of the outline's half circle: j pi/20, as the product
// j pi doubled (exactly) over 40.
inline float outlineRimAngle(int32_t j) {
    const float a = static_cast<float>(j) * PI_F;
    return (a + a) / 40.0f;
}
// Sample i (0..9) of the outline's quarter ellipse, for its quarter turn q.
inline float quarterEllipseAngle(int32_t i, float q) {
    return ((static_cast<float>(i) * q) * 4.0f) / 40.0f;
}
// Step k (1..80) of a meridian: k pi/40.
inline float meridianAngle(int32_t k) { return static_cast<float>(k) * PI_F / 40.0f; }
// Step k (1..39) of the peripheral band, on its outer and inner edge.
inline float bandOuterAngle(int32_t k) { return static_cast<float>(k) * 1.02f / 40.0f; }
inline float bandInnerAngle(int32_t k) { return static_cast<float>(k) * 0.89f / 40.0f; }

inline SinCos sinCos(float a) { return {std::sin(a), std::cos(a)}; }
inline BandStep computeBandStep(int32_t k) {
    const float ok = bandOuterAngle(k);
    const float ik = bandInnerAngle(k);
    return {sinCos(-ok), sinCos(-ik), sinCos(ok), sinCos(ik)};
}

// q, the quarter turn the outline computes as (asin(1) / b) b in single
// precision, is for every normal b one of these five floats, from one below
// HALF_PI_F to three above; row r of the table holds the one r - 1 above.
inline constexpr uint32_t kQuarterTurnRows = 5;
inline constexpr uint32_t kQuarterTurnFirstBits = portable::bitCast<uint32_t>(HALF_PI_F) - 1u;

inline constexpr int32_t kFanRimPoints = 40;
inline constexpr int32_t kOutlineRimPoints = 20;
inline constexpr int32_t kQuarterEllipseSamples = 10;
inline constexpr int32_t kMeridianSteps = 80;
inline constexpr int32_t kBandSteps = 39;  // at most 40 steps, the last one drawn is 39

struct FixedAngleTables {
    std::array<SinCos, kFanRimPoints + 1> fanRim;  // [j], j = 1..40
    std::array<SinCos, kOutlineRimPoints> outlineRim;
    std::array<std::array<float, kQuarterEllipseSamples>, kQuarterTurnRows> quarterEllipseSine;
    std::array<SinCos, kMeridianSteps + 1> meridianStep;  // [k], k = 1..80
    // |w(theta)| = sqrt(sin^2 + cos^2) at each step, as the meridian sums it:
    // the same for both meridians, since one of the two slots that carry
    // sin theta holds zero.
    std::array<float, kMeridianSteps + 1> meridianPointLength;
    std::array<BandStep, kBandSteps + 1> bandStep;  // [k], k = 1..39
};

// Filled when the library loads.
extern const FixedAngleTables fixedAngleTables;

#if defined(TRIMSIGHT_FIXED_ANGLES_COMPUTED)
// Only in the benchmark's floor copy: every accessor computes.
constexpr bool computeFixedAngles() { return true; }
#else
constexpr bool computeFixedAngles() { return false; }
#endif

// The accessors the phases use.

inline SinCos fanRim(int32_t j) {
    if (computeFixedAngles()) return sinCos(fanRimAngle(j));
    return fixedAngleTables.fanRim[j];
}

inline SinCos outlineRim(int32_t j) {
    if (computeFixedAngles()) return sinCos(outlineRimAngle(j));
    return fixedAngleTables.outlineRim[j];
}

// The level horizon needs the cosine alone.
inline float outlineRimCos(int32_t j) {
    if (computeFixedAngles()) return std::cos(outlineRimAngle(j));
    return fixedAngleTables.outlineRim[j].cos;
}

// Any other q (a subnormal b makes it infinite) is computed.
inline float quarterEllipseSine(int32_t i, float q) {
    const uint32_t row = portable::bitCast<uint32_t>(q) - kQuarterTurnFirstBits;
    if (computeFixedAngles() || row >= kQuarterTurnRows) {
        return std::sin(quarterEllipseAngle(i, q));
    }
    return fixedAngleTables.quarterEllipseSine[row][i];
}

inline SinCos meridianStep(int32_t k) {
    if (computeFixedAngles()) return sinCos(meridianAngle(k));
    return fixedAngleTables.meridianStep[k];
}

// w0, w1, w2: the sphere point of step k, (sin, 0, cos) or (0, sin, cos).
inline float meridianPointLength(int32_t k, float w0, float w1, float w2) {
    if (computeFixedAngles()) return std::sqrt(w0 * w0 + w1 * w1 + w2 * w2);
    return fixedAngleTables.meridianPointLength[k];
}

inline BandStep bandStep(int32_t k) {
    if (computeFixedAngles()) return computeBandStep(k);
    return fixedAngleTables.bandStep[k];
}

}  // namespace render
