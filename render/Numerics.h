#pragma once
// Numerics shared by the renderer phases. The dial's pixels depend on exact
// single/double precision, order of operations and truncation toward zero.
#include <cstdint>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

// pi and pi/2 as the renderer stores them: one unit in the last place below
// the floats nearest to pi and pi/2. Never replace them with exact values.
inline constexpr float PI_F = 3.1415925f;       // 0x40490FDA
inline constexpr float HALF_PI_F = 1.5707963f;  // 0x3FC90FDA
inline constexpr double HALF_PI_D = HALF_PI_F;  // widened: 1.570796251296997

// Every float-to-int conversion goes through here. C++ leaves NaN and
// out-of-range conversions undefined; we give INT32_MIN for them, which is
// what the x86 conversion instruction produces.
// On x86 the truncating conversion instruction itself is used: it gives the
// same results without the range test, which the frame pays for at every
// one of its many conversions.
constexpr int32_t toInt(double v) {
#if defined(__SSE2__)
    if (!std::is_constant_evaluated()) return _mm_cvttsd_si32(_mm_set_sd(v));
#endif
    if (!(v > -2147483649.0 && v < 2147483648.0)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}
constexpr int32_t toInt(float v) {
#if defined(__SSE2__)
    if (!std::is_constant_evaluated()) return _mm_cvttss_si32(_mm_set_ss(v));
#endif
    return toInt(static_cast<double>(v));
}

// Integer arithmetic on converted values wraps like the hardware instead of
// overflowing (signed overflow is undefined); in-range results are unchanged.
constexpr int32_t addWrap(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t subWrap(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t mulWrap(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace render
