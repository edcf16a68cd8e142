// Forced into the capture copy of the plugin's objects only: square roots
// become calls of the recording functions instead of one inline instruction
// (constant evaluation keeps the builtin).
#pragma once
extern "C" float capture_sqrtf(float);
extern "C" double capture_sqrt(double);
// NOLINTNEXTLINE(bugprone-reserved-identifier): replacing the builtin is the point.
#define __builtin_sqrtf(x) \
    (__builtin_is_constant_evaluated() ? __builtin_sqrtf(x) : capture_sqrtf(x))
// NOLINTNEXTLINE(bugprone-reserved-identifier)
#define __builtin_sqrt(x) (__builtin_is_constant_evaluated() ? __builtin_sqrt(x) : capture_sqrt(x))
