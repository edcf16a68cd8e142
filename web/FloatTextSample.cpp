// Prints floats as text, and that text read back, through portable/
// FloatChars.h, for a fixed sample: the desktop build (libstdc++'s
// <charconv>) and the browser build (the fallbacks over emscripten's printf
// and strtod) must print the same lines. scripts/web-check.sh compares them.
// Each line: the float's bits, its text, its text as a double, and the bits
// of that text read back as a float and, widened, as a double.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "portable/BitCast.h"
#include "portable/FloatChars.h"

namespace {

template <typename Float>
uint64_t readBits(const std::string& text) {
    Float value = 0;
    portable::fromChars(text.data(), text.data() + text.size(), value);
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return bits;
}

void printLine(uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);  // this libc++ has no std::bit_cast
    const std::string single = portable::toText(value);
    const std::string widened = portable::toText(static_cast<double>(value));
    std::printf("%08lx %s %s %08llx %016llx\n", static_cast<unsigned long>(bits), single.c_str(),
                widened.c_str(), static_cast<unsigned long long>(readBits<float>(single)),
                static_cast<unsigned long long>(readBits<double>(widened)));
}

}  // namespace

int main() {
    // Every 65521st bit pattern: all exponents, both signs, subnormals, NaNs.
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65521)
        printLine(static_cast<uint32_t>(bits));
    // Each power of two and the floats on either side of it, where the texts
    // that read back lie lopsided about the value.
    for (uint32_t exponent = 1; exponent < 255; ++exponent)
        for (uint32_t bits = (exponent << 23) - 1; bits <= (exponent << 23) + 1; ++bits)
            printLine(bits);
    return 0;
}
