#pragma once
// The reading and writing every text file of the sandbox shares: flight
// logs, packs of shots, sessions and ring courses. Each format keeps its
// own lines; this file holds the machinery under them, once.
//
// The style of them all
//   MAGIC VERSION                 the first line names the file and its
//                                 version of the format ("trimsight-pack 1")
//   key value value ...           then one fact a line, fields separated by
//                                 spaces, so that two files diff well
//   # a comment                   lines starting with '#' and blank lines
//                                 are ignored; a line ends in \n or \r\n
// Every number is finite and read back to the same bits (NumberText.h);
// every count and size is bounded; a line is at most kMaxTextLineLength
// characters and holds no NUL byte. Errors read "FILE:LINE: what is wrong"
// (or "code:LINE: ..." for a file that came out of a share code).
//
// Reading, step by step
//   base::Result<Pack> parsePack(std::string_view text, std::string_view file) {
//       return text::readText<Pack>(text, file, kMaxPackBytes, [](text::LineReader& in) {
//           text::readHeader(in, kPackMagic, kPackVersion, "a pack");
//           Pack pack;
//           while (std::optional<std::string_view> line = in.next()) {
//               text::Fields f(*line);
//               const std::string_view key = f.word("a line");
//               if (key == "name") pack.name = f.quoted("the name", kMaxNameLength);
//               else text::fail("unknown line \"" + std::string(key) + '"');
//               f.end();
//           }
//           return pack;
//       });
//   }
// A reading function raises text::fail(message) where the input is wrong;
// readText catches it (and std::bad_alloc) and returns the failure with the
// file and line in front. Nothing is thrown out of readText: these
// exceptions stay inside the sandbox library's readers.
//
// Writing: append* add " value" to a line under construction, so a line is
// built as `out += "ball location"; appendVec(out, v); out += '\n';`.
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/Result.h"
#include "sandbox/Vec3.h"

namespace sandbox::text {

inline constexpr std::size_t kMaxTextLineLength = 4096;

// Raised by fail() inside a reading function; readText turns it into its
// message.
struct FormatError {
    std::string message;
};

[[noreturn]] void fail(std::string message);

// ---------------------------------------------------------------- writing

void appendFloat(std::string& out, float v);  // " 17.03"
void appendVec(std::string& out, Vec3 v);     // " x y z"
void appendFlag(std::string& out, bool b);    // " 1" or " 0"
void appendInt(std::string& out, int64_t i);  // " 42"
void appendUnsigned(std::string& out, uint64_t u);
// The text in double quotes, with '"' and '\' escaped by a backslash; the
// text must hold no control characters (quoted() refuses them when read).
std::string quotedText(std::string_view value);
std::string formatVec(Vec3 v);  // "x y z", for messages

// ---------------------------------------------------------------- reading

// An axis-aligned box a location must lie in (both ends included).
struct Box {
    Vec3 low;
    Vec3 high;
};
bool inside(const Box& box, Vec3 v);

// Inside the arena's box (Physics.h: between the floor and the ceiling, the
// side walls and the end walls; the goals' rooms behind the end walls are
// left out): where a ball or a car of a shot or a course may start.
Box arenaInterior();

// The space-separated fields of one line, read left to right; each reading
// names what it reads, for the message when it fails.
class Fields {
  public:
    explicit Fields(std::string_view rest) : rest_(rest) {}

    std::string_view word(const char* what);
    float number(const char* what);  // finite
    float bounded(const char* what, float lo, float hi);
    Vec3 vec(const char* what);
    // A location in the box; `boxName` says which ("the arena").
    Vec3 within(const char* what, const Box& box, std::string_view boxName);
    // A vector of length at most `most` (a velocity, a spin).
    Vec3 lengthAtMost(const char* what, float most, const char* unit);
    // A unit vector, within `tolerance` of length 1.
    Vec3 unitAxis(const char* what, float tolerance);
    int64_t integer(const char* what, int64_t lo, int64_t hi);
    bool flag(const char* what) { return integer(what, 0, 1) == 1; }
    uint64_t unsignedInteger(const char* what);
    // A double-quoted text (escapes \" and \\) of at most `maxBytes`, with
    // no control characters (UTF-8 passes through as it is).
    std::string quoted(const char* what, std::size_t maxBytes);
    // The same, or the word null.
    std::optional<std::string> quotedOrNull(const char* what, std::size_t maxBytes);
    bool atEnd();
    // Fails on anything left on the line.
    void end();

  private:
    void skipSpaces();
    std::string_view rest_;
};

// The lines of a text, skipping blank lines and comments, counting lines
// for the messages.
class LineReader {
  public:
    LineReader(std::string_view text, std::string_view fileName)
        : text_(text), fileName_(fileName) {}

    // The next line that is neither blank nor a comment, trimmed of spaces
    // at both ends; nullopt at the end of the text.
    std::optional<std::string_view> next();
    // "FILE:LINE: " for the line read last (line 1 before any).
    std::string where() const;
    std::size_t lineNumber() const { return line_; }

  private:
    std::string_view text_;
    std::string_view fileName_;
    std::size_t pos_ = 0;
    std::size_t line_ = 0;
};

// Reads the first line, "MAGIC VERSION", and returns the version (1 to
// newestVersion). `fileKind` names the format in the message for another
// file ("not a pack: expected \"trimsight-pack 1\"").
int64_t readHeader(LineReader& reader, std::string_view magic, int64_t newestVersion,
                   std::string_view fileKind);

// Runs `read` on the text's lines; a text longer than maxBytes, a fail()
// inside and running out of memory become a failure that names the file and
// the line.
template <typename T, typename Read>
base::Result<T> readText(std::string_view text, std::string_view fileName, std::size_t maxBytes,
                         Read&& read) {
    if (text.size() > maxBytes)
        return base::Failure{std::string(fileName) + ": larger than " + std::to_string(maxBytes) +
                             " bytes"};
    LineReader reader(text, fileName);
    try {
        return T(std::forward<Read>(read)(reader));
    } catch (const FormatError& e) {
        return base::Failure{reader.where() + e.message};
    } catch (const std::bad_alloc&) {
        return base::Failure{reader.where() + "out of memory"};
    }
}

}  // namespace sandbox::text
