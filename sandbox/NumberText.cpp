#include "sandbox/NumberText.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "portable/FloatChars.h"

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
