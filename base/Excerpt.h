#pragma once
// The part of a user's text an error message quotes: at most kExcerptBytes
// bytes of it, cut before a UTF-8 sequence that does not fit and marked
// "..." when cut, so a message stays one readable line however long the
// offending text (a 100 kB token, a value, a path) is.
#include <cstddef>
#include <string>
#include <string_view>

namespace base {

inline constexpr std::size_t kExcerptBytes = 80;

inline std::string excerpt(std::string_view text, std::size_t maxBytes = kExcerptBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t end = maxBytes;
    // Back to the start of a character: continuation bytes are 10xxxxxx.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "...";
}

}  // namespace base
