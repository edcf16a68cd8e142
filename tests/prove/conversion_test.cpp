// render::toInt at run time (the truncating instruction on x86) gives what
// its portable definition gives at compile time, at every edge: truncation
// toward zero in range, INT32_MIN for NaN and everything out of range.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "render/Numerics.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Evaluated by the compiler: the portable path.
constexpr double kDoubles[] = {0.0,          -0.0,          0.999999,        -0.999999,
                               1.5,          -1.5,          2147483647.0,    2147483647.999,
                               2147483648.0, -2147483648.0, -2147483648.999, -2147483649.0,
                               1e300,        -1e300,        4.9e-324,        kInf,
                               -kInf,        kNaN};
constexpr int32_t kDoubleExpected[] = {
    render::toInt(kDoubles[0]),  render::toInt(kDoubles[1]),  render::toInt(kDoubles[2]),
    render::toInt(kDoubles[3]),  render::toInt(kDoubles[4]),  render::toInt(kDoubles[5]),
    render::toInt(kDoubles[6]),  render::toInt(kDoubles[7]),  render::toInt(kDoubles[8]),
    render::toInt(kDoubles[9]),  render::toInt(kDoubles[10]), render::toInt(kDoubles[11]),
    render::toInt(kDoubles[12]), render::toInt(kDoubles[13]), render::toInt(kDoubles[14]),
    render::toInt(kDoubles[15]), render::toInt(kDoubles[16]), render::toInt(kDoubles[17])};

constexpr float kFloats[] = {0.5f,
                             -0.5f,
                             16777216.0f,
                             2147483520.0f,  // largest float below 2^31
                             2147483648.0f,
                             -2147483648.0f,
                             -2147483904.0f,  // next float below -2^31
                             3.4e38f,
                             -3.4e38f,
                             1e-45f,
                             static_cast<float>(kInf),
                             static_cast<float>(kNaN)};
constexpr int32_t kFloatExpected[] = {
    render::toInt(kFloats[0]), render::toInt(kFloats[1]),  render::toInt(kFloats[2]),
    render::toInt(kFloats[3]), render::toInt(kFloats[4]),  render::toInt(kFloats[5]),
    render::toInt(kFloats[6]), render::toInt(kFloats[7]),  render::toInt(kFloats[8]),
    render::toInt(kFloats[9]), render::toInt(kFloats[10]), render::toInt(kFloats[11])};

static_assert(kDoubleExpected[7] == 2147483647 && kDoubleExpected[8] == INT32_MIN);
static_assert(kDoubleExpected[10] == INT32_MIN && kDoubleExpected[11] == INT32_MIN);
static_assert(kFloatExpected[3] == 2147483520 && kFloatExpected[4] == INT32_MIN);

TEST(ToInt, RunTimeMatchesTheDefinitionAtEveryEdge) {
    for (std::size_t i = 0; i < std::size(kDoubles); ++i) {
        volatile double v = kDoubles[i];  // keep it a run-time conversion
        EXPECT_EQ(render::toInt(static_cast<double>(v)), kDoubleExpected[i]) << kDoubles[i];
    }
    for (std::size_t i = 0; i < std::size(kFloats); ++i) {
        volatile float v = kFloats[i];
        EXPECT_EQ(render::toInt(static_cast<float>(v)), kFloatExpected[i]) << kFloats[i];
    }
}

}  // namespace
