#include "sandbox/TextFormat.h"

#include <charconv>
#include <cmath>

#include "base/Excerpt.h"
#include "sandbox/NumberText.h"
#include "sandbox/Physics.h"

namespace sandbox::text {

void fail(std::string message) { throw FormatError{std::move(message)}; }

// ---------------------------------------------------------------- writing

void appendFloat(std::string& out, float v) {
    out += ' ';
    out += formatFloat(v);
}
void appendVec(std::string& out, Vec3 v) {
    appendFloat(out, v.x);
    appendFloat(out, v.y);
    appendFloat(out, v.z);
}
void appendFlag(std::string& out, bool b) { out += b ? " 1" : " 0"; }
void appendInt(std::string& out, int64_t i) { out += ' ' + std::to_string(i); }
void appendUnsigned(std::string& out, uint64_t u) { out += ' ' + std::to_string(u); }

std::string quotedText(std::string_view value) {
    std::string out = "\"";
    for (char ch : value) {
        if (ch == '"' || ch == '\\') out += '\\';
        out += ch;
    }
    return out + '"';
}

std::string formatVec(Vec3 v) {
    return formatFloat(v.x) + " " + formatFloat(v.y) + " " + formatFloat(v.z);
}

// ---------------------------------------------------------------- reading

bool inside(const Box& box, Vec3 v) {
    return v.x >= box.low.x && v.x <= box.high.x && v.y >= box.low.y && v.y <= box.high.y &&
           v.z >= box.low.z && v.z <= box.high.z;
}

Box arenaInterior() {
    return {{-arena::kHalfWidth, -arena::kHalfLength, 0.0f},
            {arena::kHalfWidth, arena::kHalfLength, arena::kHeight}};
}

namespace {
double lengthOf(Vec3 v) {
    return std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                     static_cast<double>(v.z) * v.z);
}
}  // namespace

void Fields::skipSpaces() {
    while (!rest_.empty() && (rest_[0] == ' ' || rest_[0] == '\t')) rest_.remove_prefix(1);
}

std::string_view Fields::word(const char* what) {
    skipSpaces();
    if (rest_.empty()) fail(std::string("missing ") + what);
    std::size_t n = 0;
    while (n < rest_.size() && rest_[n] != ' ' && rest_[n] != '\t') ++n;
    const std::string_view w = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return w;
}

float Fields::number(const char* what) {
    const std::string_view w = word(what);
    const std::optional<float> v = parseFloat(w);
    if (!v) fail(std::string(what) + ": expected a finite number, got \"" + base::excerpt(w) + '"');
    return *v;
}

float Fields::bounded(const char* what, float lo, float hi) {
    const float v = number(what);
    if (!(v >= lo && v <= hi))
        fail(std::string(what) + ": expected " + formatFloat(lo) + " to " + formatFloat(hi));
    return v;
}

Vec3 Fields::vec(const char* what) {
    const float x = number(what), y = number(what), z = number(what);
    return {x, y, z};
}

Vec3 Fields::within(const char* what, const Box& box, std::string_view boxName) {
    const Vec3 v = vec(what);
    if (!inside(box, v))
        fail(std::string(what) + ": " + formatVec(v) + " is outside " + std::string(boxName) +
             " (x from " + formatFloat(box.low.x) + " to " + formatFloat(box.high.x) + ", y from " +
             formatFloat(box.low.y) + " to " + formatFloat(box.high.y) + ", z from " +
             formatFloat(box.low.z) + " to " + formatFloat(box.high.z) + ")");
    return v;
}

Vec3 Fields::lengthAtMost(const char* what, float most, const char* unit) {
    const Vec3 v = vec(what);
    if (!(lengthOf(v) <= most))
        fail(std::string(what) + ": " + formatVec(v) + " is longer than " + formatFloat(most) +
             " " + unit);
    return v;
}

Vec3 Fields::unitAxis(const char* what, float tolerance) {
    const Vec3 v = vec(what);
    if (!(std::fabs(lengthOf(v) - 1.0) <= tolerance))
        fail(std::string(what) + ": " + formatVec(v) + " is not of unit length");
    return v;
}

int64_t Fields::integer(const char* what, int64_t lo, int64_t hi) {
    const std::string_view w = word(what);
    int64_t v = 0;
    const auto r = std::from_chars(w.data(), w.data() + w.size(), v);
    if (r.ec != std::errc() || r.ptr != w.data() + w.size() || v < lo || v > hi)
        fail(std::string(what) + ": expected a whole number from " + std::to_string(lo) + " to " +
             std::to_string(hi) + ", got \"" + base::excerpt(w) + '"');
    return v;
}

uint64_t Fields::unsignedInteger(const char* what) {
    const std::string_view w = word(what);
    uint64_t v = 0;
    const auto r = std::from_chars(w.data(), w.data() + w.size(), v);
    if (r.ec != std::errc() || r.ptr != w.data() + w.size())
        fail(std::string(what) + ": expected a whole number from 0 to " +
             std::to_string(UINT64_MAX) + ", got \"" + base::excerpt(w) + '"');
    return v;
}

std::optional<std::string> Fields::quotedOrNull(const char* what, std::size_t maxBytes) {
    skipSpaces();
    if (rest_.substr(0, 4) == "null") {
        rest_.remove_prefix(4);
        return std::nullopt;
    }
    if (rest_.empty() || rest_[0] != '"') fail(std::string(what) + ": expected \"text\" or null");
    return quoted(what, maxBytes);
}

std::string Fields::quoted(const char* what, std::size_t maxBytes) {
    skipSpaces();
    if (rest_.empty() || rest_[0] != '"') fail(std::string(what) + ": expected \"text\"");
    std::string value;
    std::size_t i = 1;
    for (; i < rest_.size() && rest_[i] != '"'; ++i) {
        char ch = rest_[i];
        if (ch == '\\') {
            if (i + 1 >= rest_.size() || (rest_[i + 1] != '"' && rest_[i + 1] != '\\'))
                fail(std::string(what) + ": only \\\" and \\\\ may follow a backslash");
            ch = rest_[++i];
        }
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f)
            fail(std::string(what) + ": a control character in the text");
        if (value.size() >= maxBytes)
            fail(std::string(what) + ": longer than " + std::to_string(maxBytes) + " bytes");
        value += ch;
    }
    if (i >= rest_.size()) fail(std::string(what) + ": the closing quote is missing");
    rest_.remove_prefix(i + 1);
    return value;
}

bool Fields::atEnd() {
    skipSpaces();
    return rest_.empty();
}

void Fields::end() {
    if (!atEnd()) fail("unexpected \"" + base::excerpt(rest_) + "\" at the end of the line");
}

std::optional<std::string_view> LineReader::next() {
    while (pos_ < text_.size()) {
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++line_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kMaxTextLineLength)
            fail("line too long (more than " + std::to_string(kMaxTextLineLength) + " characters)");
        if (line.find('\0') != std::string_view::npos) fail("a NUL byte in the line");
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        return line.substr(first, line.find_last_not_of(" \t") + 1 - first);
    }
    return std::nullopt;
}

std::string LineReader::where() const {
    return std::string(fileName_) + ":" + std::to_string(line_ > 0 ? line_ : 1) + ": ";
}

int64_t readHeader(LineReader& reader, std::string_view magic, int64_t newestVersion,
                   std::string_view fileKind) {
    const std::string expected =
        "expected \"" + std::string(magic) + " " + std::to_string(newestVersion) + '"';
    const std::optional<std::string_view> line = reader.next();
    if (!line) fail("empty file: " + expected);
    Fields f(*line);
    if (f.word("the file type") != magic) fail("not " + std::string(fileKind) + ": " + expected);
    const int64_t version = f.integer("the version", 1, 1000000);
    if (version > newestVersion)
        fail("written by a newer version of the format (" + std::to_string(version) +
             "); this program reads versions up to " + std::to_string(newestVersion));
    f.end();
    return version;
}

}  // namespace sandbox::text
