#include "sandbox/ShareCode.h"

#include <algorithm>
#include <array>
#include <new>
#include <optional>

namespace sandbox {

namespace {

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 127 + kMinMatch;  // 130
constexpr std::size_t kMaxLiteralRun = 128;
constexpr std::size_t kMaxDistance = 65535;
// The compressor's search: candidates kept per 3-byte prefix, tried newest
// first. More finds longer matches on large files, slower.
constexpr int kMaxCandidates = 32;
constexpr std::size_t kHashBits = 14;

// version, length, checksum
constexpr std::size_t kHeaderBytes = 1 + 4;
constexpr std::size_t kTrailerBytes = 4;

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

int sextetOf(char ch) {
    if (ch >= 'A' && ch <= 'Z') return ch - 'A';
    if (ch >= 'a' && ch <= 'z') return ch - 'a' + 26;
    if (ch >= '0' && ch <= '9') return ch - '0' + 52;
    if (ch == '-') return 62;
    if (ch == '_') return 63;
    return -1;
}

void putLittle32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint32_t getLittle32(const std::vector<uint8_t>& in, std::size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[at + i]) << (8 * i);
    return v;
}

uint32_t hashAt(std::string_view text, std::size_t i) {
    const uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(text[i])) |
                       static_cast<uint32_t>(static_cast<unsigned char>(text[i + 1])) << 8 |
                       static_cast<uint32_t>(static_cast<unsigned char>(text[i + 2])) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

void flushLiterals(std::vector<uint8_t>& out, std::string_view text, std::size_t from,
                   std::size_t to) {
    while (from < to) {
        const std::size_t n = std::min(kMaxLiteralRun, to - from);
        out.push_back(static_cast<uint8_t>(n - 1));
        for (std::size_t k = 0; k < n; ++k) out.push_back(static_cast<uint8_t>(text[from + k]));
        from += n;
    }
}

// A decompression fault at a byte of the stream.
struct StreamFault {
    std::size_t byte = 0;
    std::string message;
};

// Decompresses into `out` (exactly `size` bytes); returns a fault or none.
std::optional<StreamFault> inflate(const std::vector<uint8_t>& stream, std::size_t begin,
                                   std::size_t end, std::size_t size, std::string& out) {
    out.clear();
    out.reserve(size);
    std::size_t i = begin;
    while (i < end) {
        const std::size_t at = i;
        const uint8_t c = stream[i++];
        if (c < 128) {
            const std::size_t n = static_cast<std::size_t>(c) + 1;
            if (end - i < n) return StreamFault{at, "a run of text is cut short"};
            if (out.size() + n > size) return StreamFault{at, "more text than the code says"};
            out.append(reinterpret_cast<const char*>(stream.data() + i), n);
            i += n;
        } else {
            const std::size_t n = static_cast<std::size_t>(c) - 128 + kMinMatch;
            if (end - i < 2) return StreamFault{at, "a repeat is cut short"};
            const std::size_t distance =
                static_cast<std::size_t>(stream[i]) | static_cast<std::size_t>(stream[i + 1]) << 8;
            i += 2;
            if (distance == 0 || distance > out.size())
                return StreamFault{at, "a repeat reaches before the start of the text"};
            if (out.size() + n > size) return StreamFault{at, "more text than the code says"};
            // Byte by byte: a repeat may overlap what it writes.
            for (std::size_t k = 0; k < n; ++k) out += out[out.size() - distance];
        }
    }
    if (out.size() != size) return StreamFault{end, "less text than the code says"};
    return std::nullopt;
}

}  // namespace

uint32_t crc32(std::string_view bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (char ch : bytes) c = kCrcTable[(c ^ static_cast<unsigned char>(ch)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> compressText(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 2 + 16);
    // head[h]: the newest position with that prefix hash; previous[i]: the
    // one before position i with the same hash (a chain, newest first).
    std::vector<int32_t> head(std::size_t{1} << kHashBits, -1);
    std::vector<int32_t> previous(text.size(), -1);
    auto insert = [&](std::size_t i) {
        if (i + kMinMatch > text.size()) return;
        const uint32_t h = hashAt(text, i);
        previous[i] = head[h];
        head[h] = static_cast<int32_t>(i);
    };
    std::size_t literalsFrom = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t bestLength = 0, bestDistance = 0;
        if (i + kMinMatch <= text.size()) {
            int32_t candidate = head[hashAt(text, i)];
            for (int tries = 0; candidate >= 0 && tries < kMaxCandidates; ++tries) {
                const std::size_t from = static_cast<std::size_t>(candidate);
                if (i - from > kMaxDistance) break;
                std::size_t n = 0;
                while (n < kMaxMatch && i + n < text.size() && text[from + n] == text[i + n]) ++n;
                if (n > bestLength) {
                    bestLength = n;
                    bestDistance = i - from;
                }
                candidate = previous[from];
            }
        }
        if (bestLength >= kMinMatch) {
            flushLiterals(out, text, literalsFrom, i);
            out.push_back(static_cast<uint8_t>(128 + bestLength - kMinMatch));
            out.push_back(static_cast<uint8_t>(bestDistance & 0xFFu));
            out.push_back(static_cast<uint8_t>(bestDistance >> 8));
            for (std::size_t k = 0; k < bestLength; ++k) insert(i + k);
            i += bestLength;
            literalsFrom = i;
        } else {
            insert(i);
            ++i;
        }
    }
    flushLiterals(out, text, literalsFrom, text.size());
    return out;
}

base::Result<std::string> decompressText(const std::vector<uint8_t>& stream, std::size_t size) {
    std::string out;
    if (const std::optional<StreamFault> fault = inflate(stream, 0, stream.size(), size, out))
        return base::Failure{"byte " + std::to_string(fault->byte + 1) + ": " + fault->message};
    return out;
}

std::string base64url(const std::vector<uint8_t>& bytes) {
    std::string out;
    out.reserve((bytes.size() * 4 + 2) / 3);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = static_cast<uint32_t>(bytes[i]) << 16 |
                           static_cast<uint32_t>(bytes[i + 1]) << 8 | bytes[i + 2];
        for (int k = 3; k >= 0; --k) out += kAlphabet[(v >> (6 * k)) & 63u];
    }
    const std::size_t left = bytes.size() - i;
    if (left == 1) {
        const uint32_t v = static_cast<uint32_t>(bytes[i]) << 16;
        out += kAlphabet[(v >> 18) & 63u];
        out += kAlphabet[(v >> 12) & 63u];
    } else if (left == 2) {
        const uint32_t v =
            static_cast<uint32_t>(bytes[i]) << 16 | static_cast<uint32_t>(bytes[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63u];
        out += kAlphabet[(v >> 12) & 63u];
        out += kAlphabet[(v >> 6) & 63u];
    }
    return out;
}

std::string makeShareCode(std::string_view text) {
    std::vector<uint8_t> bytes;
    bytes.push_back(kShareCodeVersion);
    putLittle32(bytes, static_cast<uint32_t>(text.size()));
    const std::vector<uint8_t> stream = compressText(text);
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    putLittle32(bytes, crc32(text));
    return base64url(bytes);
}

base::Result<std::string> readShareCode(std::string_view code) {
    if (code.size() > kMaxShareCodeLength)
        return base::Failure{"code: longer than " + std::to_string(kMaxShareCodeLength) +
                             " characters"};
    try {
        // The code's characters (spaces and line breaks skipped), each with
        // its position in the code as given, for the messages.
        std::vector<uint8_t> sextets;
        std::vector<std::size_t> positions;
        sextets.reserve(code.size());
        positions.reserve(code.size());
        for (std::size_t i = 0; i < code.size(); ++i) {
            const char ch = code[i];
            if (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r') continue;
            const int s = sextetOf(ch);
            if (s < 0) {
                const bool printable = ch >= 0x21 && ch <= 0x7e;
                return base::Failure{
                    "code position " + std::to_string(i + 1) + ": " +
                    (printable ? "'" + std::string(1, ch) + "'" : std::string("a byte")) +
                    " is not a code character (A-Z, a-z, 0-9, - and _)"};
            }
            sextets.push_back(static_cast<uint8_t>(s));
            positions.push_back(i + 1);
        }
        if (sextets.empty()) return base::Failure{"code: empty"};
        if (sextets.size() % 4 == 1)
            return base::Failure{"code position " + std::to_string(positions.back()) +
                                 ": the code is cut short (or has a character too many)"};
        std::vector<uint8_t> bytes;
        bytes.reserve(sextets.size() * 3 / 4);
        uint32_t acc = 0;
        int bits = 0;
        for (uint8_t s : sextets) {
            acc = (acc << 6) | s;
            bits += 6;
            if (bits >= 8) {
                bits -= 8;
                bytes.push_back(static_cast<uint8_t>((acc >> bits) & 0xFFu));
            }
        }
        // The code position where byte b of the payload begins.
        auto positionOf = [&](std::size_t byte) {
            const std::size_t sextet = std::min(byte * 4 / 3, positions.size() - 1);
            return positions[sextet];
        };
        auto at = [&](std::size_t byte, const std::string& what) {
            return base::Failure{"code position " + std::to_string(positionOf(byte)) + ": " + what};
        };
        if (bytes.size() < kHeaderBytes + kTrailerBytes)
            return base::Failure{"code: too short to be a code (" + std::to_string(sextets.size()) +
                                 " characters)"};
        if (bytes[0] != kShareCodeVersion)
            return at(0, "a code of version " + std::to_string(bytes[0]) +
                             ", which this program does not read (it reads version " +
                             std::to_string(kShareCodeVersion) + ")");
        const uint32_t size = getLittle32(bytes, 1);
        if (size > kMaxShareTextBytes)
            return at(1, "the code says its text is " + std::to_string(size) +
                             " bytes, more than the " + std::to_string(kMaxShareTextBytes) +
                             " a code may hold");
        const std::size_t streamEnd = bytes.size() - kTrailerBytes;
        std::string text;
        if (const std::optional<StreamFault> fault =
                inflate(bytes, kHeaderBytes, streamEnd, size, text))
            return at(fault->byte,
                      fault->message + " (the code was changed or cut short: copy it again)");
        const uint32_t expected = getLittle32(bytes, streamEnd);
        if (crc32(text) != expected)
            return base::Failure{
                "code: the checksum does not match (the code was changed or cut short: copy it "
                "again)"};
        return text;
    } catch (const std::bad_alloc&) {
        return base::Failure{"code: out of memory"};
    }
}

}  // namespace sandbox
