#include "sandbox/NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "portable/FloatChars.h"
#include "render/Numerics.h"

namespace sandbox {

namespace {

// What a JSON reader that parses numbers as doubles makes of `text`.
float throughDouble(const std::string& text) {
    double d = 0.0;
    portable::fromChars(text.data(), text.data() + text.size(), d);
    return static_cast<float>(d);
}

}  // namespace

std::string formatFloat(float value) { return portable::toText(value); }

std::string jsonFloat(float value) {
    if (value == 0.0f) return std::signbit(value) ? "-0.0" : "0";
    std::string text = portable::toText(value);
    if (throughDouble(text) != value) text = portable::toText(static_cast<double>(value));
    return text;
}

std::string roundedText(float value) {
    // In thousandths, as a whole number, so that the decimal point is ours
    // and not the locale's; beyond what an int holds (2 million and more,
    // no score's size) the shortest form stands.
    const double thousandths = std::round(static_cast<double>(value) * 1000.0);
    if (!(std::fabs(thousandths) < 2147483647.0)) return formatFloat(value);
    const int32_t whole = render::toInt(thousandths);  // integral already: exact
    if (whole == 0) return "0";
    const int64_t magnitude = whole < 0 ? -static_cast<int64_t>(whole) : whole;
    std::string out = whole < 0 ? "-" : "";
    out += std::to_string(magnitude / 1000);
    std::string decimals = std::to_string(magnitude % 1000);
    decimals.insert(0, 3 - decimals.size(), '0');
    while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
    if (!decimals.empty()) out += "." + decimals;
    return out;
}

double roundedNumber(float value) {
    const std::string text = roundedText(value);
    double number = 0.0;
    portable::fromChars(text.data(), text.data() + text.size(), number);
    return number == 0.0 ? 0.0 : number;
}

std::optional<float> parseFloat(std::string_view text) {
    float value = 0.0f;
    const char* end = text.data() + text.size();
    const auto result = portable::fromChars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace sandbox
