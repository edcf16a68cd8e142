#pragma once
// Share codes: a whole text file (a pack, a session, a ring course) as one
// short line a player can paste into a chat, a command line or a page's
// address, and the file back from it.
//
//   std::string code = makeShareCode(formatPack(pack));
//   base::Result<std::string> text = readShareCode(code);   // the file's text
//   base::Result<Pack> back = parsePack(*text, "code");      // "code:3: ..."
//
// The code is base64url (A-Z a-z 0-9 - _, no padding) of these bytes:
//   1 byte    the code's version, kShareCodeVersion
//   4 bytes   the text's length in bytes, little-endian (at most
//             kMaxShareTextBytes)
//   ...       the text compressed (below)
//   4 bytes   CRC-32 (the zlib/PNG one) of the text, little-endian
// Spaces and line breaks inside a code are skipped, so a code broken over
// lines in a message still reads. What the code holds is the file's text
// as it is: its first line says what it is, and its own reader checks the
// rest (a pack's reader refuses a course's code as "not a pack").
//
// The compression is our own, small, and the same in every build: a byte
// stream of tokens, each a control byte c followed by
//   c < 128    c + 1 bytes copied as they are (a literal run, 1 to 128)
//   c >= 128   a match: c - 128 + kMinMatch bytes (3 to 130) copied from
//              the text already written, D bytes back, D in the next two
//              bytes little-endian (1 to 65535)
// Why not zlib: the browser build uses no emscripten ports and downloads
// nothing, so zlib is not there; the page's DecompressionStream is
// asynchronous JavaScript and would split the reading between the page and
// the C++ that checks the text. One codec of ours makes a code on the page
// and the same code on the desktop, byte for byte. Text files of numbers
// and repeated keys compress to about a third with it.
//
// Errors say where in the code (the character's position, from 1) the
// fault was found: a character outside the alphabet, a code cut short, a
// match reaching before the start, a length or checksum that does not
// agree. A changed character almost always ends as a bad checksum, which
// the message names as such.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace sandbox {

inline constexpr uint8_t kShareCodeVersion = 1;
// The largest text a code may hold, and the longest code read (a code of
// the largest text, compressed at the worst, fits well within it).
inline constexpr std::size_t kMaxShareTextBytes = 256u << 10;
inline constexpr std::size_t kMaxShareCodeLength = 1u << 20;

std::string makeShareCode(std::string_view text);
// The text a code holds; failures read "code position N: what is wrong"
// (or "code: ..." for the code as a whole).
base::Result<std::string> readShareCode(std::string_view code);

// The parts, for tests and for other uses of the same bytes.
uint32_t crc32(std::string_view bytes);
std::vector<uint8_t> compressText(std::string_view text);
// The text of `size` bytes that `stream` decompresses to; failures name the
// byte of the stream where it went wrong ("byte N: ...").
base::Result<std::string> decompressText(const std::vector<uint8_t>& stream, std::size_t size);
std::string base64url(const std::vector<uint8_t>& bytes);

}  // namespace sandbox
