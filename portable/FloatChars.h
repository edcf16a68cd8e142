#pragma once
// portable/: what one standard library has and another lacks, behind one
// name, so that the code using it reads the same on every platform.
//
// FloatChars: floating-point std::to_chars and std::from_chars (shortest
// text that reads back exactly; the general format). libstdc++ has them;
// the libc++ that emscripten ships (the browser build) has them for integers
// only. portable::toChars and portable::fromChars (and toText, toChars into
// a string) are the library's own where it has them, else the fallbacks
// below, which give the same text, character for character, and read it the
// same way (the tests compare the two).
//
// The fallbacks build on printf ("%.*e" is correctly rounded) and strtod /
// strtof (correctly rounded, round-trip exact); they allocate only to read a
// number written in more than 127 characters.
//   text:  for 1, 2, ... digits, the correctly rounded decimal, and failing
//          that its neighbour on the other side of the value (the interval of
//          texts that read back is lopsided at a power of two), until one
//          reads back: the shortest, and of those the nearest. Then fixed or
//          scientific notation, whichever is shorter (fixed on a tie), as
//          std::to_chars does; an integer in fixed notation is written
//          exactly ("123456792", not "123456790").
//   read:  the longest prefix that is a number of the general format (an
//          optional '-', digits with an optional point, an optional
//          exponent; inf, infinity, nan, nan(chars)), converted by strtod;
//          a finite text whose value overflows, or underflows to zero, is out
//          of range and leaves `value` alone; a NaN drops its payload.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <type_traits>

namespace portable {

namespace fallback {

namespace detail {

// A decimal: digits (no leading zero) times ten to the power of `exponent`,
// the power of its first digit, as in d.ddd e exponent.
struct Decimal {
    uint64_t digits = 0;
    int count = 0;  // how many digits
    int exponent = 0;
};

inline uint64_t powerOfTen(int n) {
    uint64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// "d.ddde±x", what strtod reads back.
inline void writeScientific(const Decimal& d, char* out, std::size_t size) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(d.digits));
    std::snprintf(out, size, "%c.%se%d", digits[0], digits + 1, d.exponent);
}

template <typename Float>
Float readBack(const char* text) {
    if constexpr (sizeof(Float) == sizeof(float)) {
        return std::strtof(text, nullptr);
    } else {
        return std::strtod(text, nullptr);
    }
}

// `value` (finite, above zero) correctly rounded to `count` digits.
inline Decimal rounded(double value, int count, char* text, std::size_t size) {
    std::snprintf(text, size, "%.*e", count - 1, value);
    Decimal d;
    d.count = count;
    const char* p = text;
    for (; *p != 'e'; ++p)
        if (*p != '.') d.digits = d.digits * 10 + static_cast<uint64_t>(*p - '0');
    d.exponent = std::atoi(p + 1);
    return d;
}

// The decimal of as many digits next to `d`, above it or below it.
inline Decimal neighbour(Decimal d, bool above) {
    if (above) {
        if (++d.digits == powerOfTen(d.count)) {
            d.digits = powerOfTen(d.count - 1);
            ++d.exponent;
        }
    } else if (--d.digits < powerOfTen(d.count - 1)) {
        d.digits = powerOfTen(d.count) - 1;
        --d.exponent;
    }
    return d;
}

// The shortest decimal that reads back as `value` (finite, above zero), the
// nearest one when there are two.
template <typename Float>
Decimal shortestDecimal(Float value) {
    constexpr int kMaxDigits = sizeof(Float) == sizeof(float) ? 9 : 17;
    char text[48];
    Decimal found;
    for (int count = 1; count <= kMaxDigits; ++count) {
        found = rounded(static_cast<double>(value), count, text, sizeof text);
        const Float back = readBack<Float>(text);
        if (back == value) break;
        const Decimal other = neighbour(found, back < value);
        writeScientific(other, text, sizeof text);
        if (readBack<Float>(text) == value) {
            found = other;
            break;
        }
    }
    while (found.count > 1 && found.digits % 10 == 0) {
        found.digits /= 10;
        --found.count;
    }
    return found;
}

inline int fixedLength(const Decimal& d) {
    if (d.exponent < 0) return d.count + 1 - d.exponent;  // "0.00ddd"
    return d.count <= d.exponent + 1 ? d.exponent + 1 : d.count + 1;
}

inline int scientificLength(const Decimal& d) {
    const int magnitude = d.exponent < 0 ? -d.exponent : d.exponent;
    const int exponentDigits = magnitude >= 100 ? 3 : 2;
    return d.count + (d.count > 1 ? 1 : 0) + 2 + exponentDigits;  // "d.ddde+xx"
}

// `value` (finite, above zero) as its shortest decimal, without a sign.
template <typename Float>
void writeShortest(Float value, char* out, std::size_t size) {
    const Decimal d = shortestDecimal(value);
    char digits[24];
    std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(d.digits));
    if (fixedLength(d) > scientificLength(d)) {
        std::snprintf(out, size, "%c%s%se%c%02d", digits[0], d.count > 1 ? "." : "", digits + 1,
                      d.exponent < 0 ? '-' : '+', d.exponent < 0 ? -d.exponent : d.exponent);
    } else if (d.count <= d.exponent + 1) {
        // A whole number: its exact value, which may differ from the
        // shortest digits followed by zeros.
        std::snprintf(out, size, "%.0f", static_cast<double>(value));
    } else if (d.exponent >= 0) {
        std::snprintf(out, size, "%.*s.%s", d.exponent + 1, digits, digits + d.exponent + 1);
    } else {
        // Fixed notation is the shorter only down to 0.000ddd.
        std::snprintf(out, size, "0.%.*s%s", -d.exponent - 1, "00000000000000000000", digits);
    }
}

// The length of the number of the general format at the start of [first,
// last), or 0.
inline std::size_t numberLength(const char* first, const char* last) {
    const char* p = first;
    if (p != last && *p == '-') ++p;
    const auto startsWith = [&](const char* word) {
        const std::size_t n = std::strlen(word);
        if (static_cast<std::size_t>(last - p) < n) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(p[i])) != word[i]) return false;
        return true;
    };
    if (startsWith("infinity")) return static_cast<std::size_t>(p + 8 - first);
    if (startsWith("inf")) return static_cast<std::size_t>(p + 3 - first);
    if (startsWith("nan")) {
        p += 3;
        const char* q = p;
        if (q != last && *q == '(') {
            ++q;
            while (q != last && (std::isalnum(static_cast<unsigned char>(*q)) || *q == '_')) ++q;
            if (q != last && *q == ')') p = q + 1;
        }
        return static_cast<std::size_t>(p - first);
    }
    const auto skipDigits = [&](const char* q) {
        while (q != last && *q >= '0' && *q <= '9') ++q;
        return q;
    };
    const char* afterWhole = skipDigits(p);
    bool anyDigit = afterWhole != p;
    p = afterWhole;
    if (p != last && *p == '.') {
        const char* afterFraction = skipDigits(p + 1);
        anyDigit = anyDigit || afterFraction != p + 1;
        p = afterFraction;
    }
    if (!anyDigit) return 0;
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != last && (*q == '+' || *q == '-')) ++q;
        const char* afterExponent = skipDigits(q);
        if (afterExponent != q) p = afterExponent;
    }
    return static_cast<std::size_t>(p - first);
}

// Whether the number's digits (before any exponent) are all zeros.
inline bool allZeros(const char* text) {
    for (const char* p = text; *p != '\0' && *p != 'e' && *p != 'E'; ++p)
        if (*p >= '1' && *p <= '9') return false;
    return true;
}

}  // namespace detail

template <typename Float>
std::to_chars_result to_chars(char* first, char* last, Float value) {
    char text[400];  // the longest is a whole double near the top of its range
    char* out = text;
    if (std::signbit(value)) *out++ = '-';
    const std::size_t room = sizeof text - static_cast<std::size_t>(out - text);
    if (std::isnan(value))
        std::snprintf(out, room, "nan");
    else if (std::isinf(value))
        std::snprintf(out, room, "inf");
    else if (value == 0)
        std::snprintf(out, room, "0");
    else
        detail::writeShortest(std::fabs(value), out, room);
    const std::size_t length = std::strlen(text);
    if (static_cast<std::size_t>(last - first) < length) return {last, std::errc::value_too_large};
    std::copy(text, text + length, first);  // unterminated, as std::to_chars writes
    return {first + length, std::errc()};
}

template <typename Float>
std::from_chars_result from_chars(const char* first, const char* last, Float& value) {
    const std::size_t length = detail::numberLength(first, last);
    if (length == 0) return {first, std::errc::invalid_argument};
    // strtod needs a terminated string: a copy, on the stack unless the
    // number is written very long.
    char shortText[128];
    std::string longText;
    char* text = shortText;
    if (length >= sizeof shortText) {
        longText.assign(first, length);
        text = longText.data();
    } else {
        std::memcpy(shortText, first, length);
        shortText[length] = '\0';
    }
    const char* body = text[0] == '-' ? text + 1 : text;
    // A NaN's payload, "nan(chars)", is not kept: the plain quiet NaN.
    const Float parsed =
        (*body == 'n' || *body == 'N')
            ? std::copysign(std::numeric_limits<Float>::quiet_NaN(), body == text ? 1.0f : -1.0f)
            : detail::readBack<Float>(text);
    const bool finiteText = *body == '.' || std::isdigit(static_cast<unsigned char>(*body));
    if (finiteText && (std::isinf(parsed) || (parsed == 0 && !detail::allZeros(text))))
        return {first + length, std::errc::result_out_of_range};
    value = parsed;
    return {first + length, std::errc()};
}

}  // namespace fallback

// The functions this platform uses: the library's where it has them.
#if defined(__cpp_lib_to_chars)
namespace charconv = ::std;
#else
namespace charconv = fallback;
#endif

template <typename Float>
std::to_chars_result toChars(char* first, char* last, Float value) {
    static_assert(std::is_same_v<Float, float> || std::is_same_v<Float, double>);
    return charconv::to_chars(first, last, value);
}

template <typename Float>
std::from_chars_result fromChars(const char* first, const char* last, Float& value) {
    static_assert(std::is_same_v<Float, float> || std::is_same_v<Float, double>);
    return charconv::from_chars(first, last, value);
}

// toChars into a string: the shortest text that reads back as `value`.
template <typename Float>
std::string toText(Float value) {
    char text[400];
    const std::to_chars_result written = toChars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

}  // namespace portable
