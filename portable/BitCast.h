#pragma once
// portable::bitCast: std::bit_cast where the standard library lacks it (the
// libc++ that emscripten ships). Both compilers have the builtin it is made
// of, so it works in constant expressions everywhere.
#include <type_traits>

namespace portable {

template <typename To, typename From>
requires(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
         std::is_trivially_copyable_v<From>) constexpr To bitCast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}

}  // namespace portable
