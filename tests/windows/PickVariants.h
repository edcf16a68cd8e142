#pragma once
// Which of the maths library's variants for different processors the maths
// sample runs: "detected" (those the library picks on this processor),
// "avx" (AVX, but neither FMA nor AVX2) or "sse2" (none of them). False when
// this build cannot run those.
#include <string>

bool pickVariants(const std::string& name);
