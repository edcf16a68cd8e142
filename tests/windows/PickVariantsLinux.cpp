// On Linux glibc picks its variants itself when libm loads, from the
// processor's features less those GLIBC_TUNABLES masks: the variants are
// the ones asked for when the tunables the caller set say so.
#include <cstdlib>
#include <string>

#include "PickVariants.h"

bool pickVariants(const std::string& name) {
    const char* set = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = set ? set : "";
    if (name == "detected") return tunables.empty();
    if (name == "avx") return tunables == "glibc.cpu.hwcaps=-AVX2,-FMA";
    if (name == "sse2") return tunables == "glibc.cpu.hwcaps=-AVX,-AVX2,-FMA";
    return false;
}
