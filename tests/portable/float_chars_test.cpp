// portable/FloatChars.h: the printf-based fallbacks the browser build uses
// must write and read numbers exactly as libstdc++'s <charconv> does here.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "portable/FloatChars.h"

namespace {

template <typename Float>
std::string libraryText(Float value) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

template <typename Float>
std::string fallbackText(Float value) {
    char buf[400];
    const auto r = portable::fallback::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

// Counts the values whose texts differ and keeps the first few for the
// failure message.
struct Differences {
    int count = 0;
    std::string first;
    template <typename Float>
    void check(Float value) {
        const std::string expected = libraryText(value), got = fallbackText(value);
        if (expected == got) return;
        if (++count <= 5) first += " [" + expected + " written as " + got + "]";
    }
};

// The floats around every power of two (where the texts that read back lie
// lopsided about the value), the ends of the range, whole numbers past 2^24
// (written exactly) and the powers of ten where the notation changes.
std::vector<float> edgeFloats() {
    std::vector<float> values = {0.0f,
                                 -0.0f,
                                 std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN(),
                                 123456792.0f,
                                 16777216.0f,
                                 3.0e10f};
    for (uint32_t exponent = 1; exponent < 255; ++exponent)
        for (uint32_t offset : {0u, 1u, 2u, 0x7FFFFFu}) {
            values.push_back(std::bit_cast<float>((exponent << 23) + offset));
            values.push_back(std::bit_cast<float>((exponent << 23) - 1));
        }
    float ten = 1e-12f;
    for (int i = 0; i < 24; ++i, ten *= 10.0f) {
        values.push_back(ten);
        values.push_back(std::nextafter(ten, 0.0f));
        values.push_back(ten * 1.5f);
    }
    return values;
}

TEST(FloatChars, FallbackWritesEveryFloatAsTheLibraryDoes) {
    Differences floats, widened;
    for (float value : edgeFloats()) {
        floats.check(value);
        floats.check(-value);
        widened.check(static_cast<double>(value));
    }
    // Every 65521st bit pattern: every exponent, signs, subnormals, NaNs.
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65521) {
        const float value = std::bit_cast<float>(static_cast<uint32_t>(bits));
        floats.check(value);
        widened.check(static_cast<double>(value));
    }
    EXPECT_EQ(floats.count, 0) << floats.first;
    EXPECT_EQ(widened.count, 0) << "as doubles:" << widened.first;
}

TEST(FloatChars, FallbackWritesDoublesAsTheLibraryDoes) {
    Differences doubles;
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 20000; ++i) doubles.check(std::bit_cast<double>(random()));
    for (uint64_t exponent = 1; exponent < 2047; ++exponent)
        for (uint64_t offset : {0u, 1u})
            doubles.check(std::bit_cast<double>((exponent << 52) + offset));
    for (double value : {5e-324, 1e22, 1e23, 9007199254740993.0, 123456789012345680.0, 0.3})
        doubles.check(value);
    EXPECT_EQ(doubles.count, 0) << doubles.first;
}

TEST(FloatChars, FallbackReportsATooSmallBufferAsTheLibraryDoes) {
    char buf[4];
    const auto r = portable::fallback::to_chars(buf, buf + sizeof buf, 0.125f);
    EXPECT_EQ(r.ec, std::errc::value_too_large);
    EXPECT_EQ(r.ptr, buf + sizeof buf);
}

// What from_chars made of a text: the error, how much it read, the bits of
// the value (left at a marker when nothing is stored).
struct Reading {
    std::errc ec;
    std::ptrdiff_t used;
    uint64_t bits;
    bool operator==(const Reading&) const = default;
};

template <typename Float, typename Reader>
Reading readWith(const std::string& text, Reader read) {
    Float value = static_cast<Float>(-7.0);
    const auto r = read(text.data(), text.data() + text.size(), value);
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return {r.ec, r.ptr - text.data(), bits};
}

template <typename Float>
void expectSameReading(const std::string& text) {
    const auto library = [](const char* f, const char* l, Float& v) {
        return std::from_chars(f, l, v);
    };
    const auto fallback = [](const char* f, const char* l, Float& v) {
        return portable::fallback::from_chars(f, l, v);
    };
    EXPECT_EQ((readWith<Float>(text, library)), (readWith<Float>(text, fallback)))
        << '"' << text << "\" as a " << (sizeof(Float) == 4 ? "float" : "double");
}

TEST(FloatChars, FallbackReadsTextsAsTheLibraryDoes) {
    // Whole texts, prefixes that stop early ("1e", "0x10"), texts refused
    // outright ("+1", " 1"), values out of range either way and subnormals.
    const char* texts[] = {"0",
                           "-0",
                           "3.3",
                           ".5",
                           "5.",
                           "1.e5",
                           "1E5",
                           "00012",
                           "1e",
                           "1e+",
                           "1e-",
                           "0x10",
                           "+1",
                           " 1",
                           "",
                           "-",
                           ".",
                           "-.e1",
                           "e5",
                           "1e-50",
                           "1e-40",
                           "1e-46",
                           "8e-46",
                           "1e39",
                           "-1e39",
                           "1e400",
                           "1e-400",
                           "0e99999",
                           "inf",
                           "-inf",
                           "INF",
                           "infinity",
                           "infinit",
                           "nan",
                           "-nan",
                           "nan(12)",
                           "nan(",
                           "NaN",
                           "3.4028235e38",
                           "3.4028236e38",
                           "1.17549435e-38",
                           "7xyz",
                           "4.0",
                           "2.7 ",
                           "1,5",
                           "99999999999999999999999"};
    for (const char* text : texts) {
        expectSameReading<float>(text);
        expectSameReading<double>(text);
    }
    // Every text the writer makes reads back the same, and exactly.
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const float value = std::bit_cast<float>(static_cast<uint32_t>(random()));
        if (std::isnan(value)) continue;
        expectSameReading<float>(libraryText(value));
        expectSameReading<double>(libraryText(static_cast<double>(value)));
    }
}

}  // namespace
