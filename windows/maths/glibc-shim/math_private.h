/* math_private.h: bit access to floats and doubles, and the internal
   functions the compiled sources call one another by. */
#ifndef GLIBC_SHIM_MATH_PRIVATE_H
#define GLIBC_SHIM_MATH_PRIVATE_H
#include <errno.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#define GET_FLOAT_WORD(i, f)   \
    do {                       \
        float gf_ = (f);       \
        uint32_t gi_;          \
        memcpy(&gi_, &gf_, 4); \
        (i) = gi_;             \
    } while (0)
#define SET_FLOAT_WORD(f, i)   \
    do {                       \
        uint32_t si_ = (i);    \
        float sf_;             \
        memcpy(&sf_, &si_, 4); \
        (f) = sf_;             \
    } while (0)
#define EXTRACT_WORDS64(i, d)  \
    do {                       \
        double ed_ = (d);      \
        uint64_t ei_;          \
        memcpy(&ei_, &ed_, 8); \
        (i) = ei_;             \
    } while (0)
#define INSERT_WORDS64(d, i)   \
    do {                       \
        uint64_t ii_ = (i);    \
        double id_;            \
        memcpy(&id_, &ii_, 8); \
        (d) = id_;             \
    } while (0)
#define EXTRACT_WORDS(hi, lo, d)     \
    do {                             \
        uint64_t w_;                 \
        EXTRACT_WORDS64(w_, d);      \
        (hi) = (uint32_t)(w_ >> 32); \
        (lo) = (uint32_t)w_;         \
    } while (0)
#define GET_HIGH_WORD(i, d)         \
    do {                            \
        uint64_t w_;                \
        EXTRACT_WORDS64(w_, d);     \
        (i) = (uint32_t)(w_ >> 32); \
    } while (0)
#define GET_LOW_WORD(i, d)      \
    do {                        \
        uint64_t w_;            \
        EXTRACT_WORDS64(w_, d); \
        (i) = (uint32_t)w_;     \
    } while (0)
#define INSERT_WORDS(d, hi, lo) INSERT_WORDS64(d, ((uint64_t)(uint32_t)(hi) << 32) | (uint32_t)(lo))

float __kernel_tanf(float x, float y, int iy);
float __atanf(float x);
float __ieee754_atan2f(float y, float x);
float __ieee754_acosf(float x);
/* glibc takes both from the compiler: the SSE square-root instructions. */
#define __ieee754_sqrtf(x) __builtin_sqrtf(x)
#define __ieee754_sqrt(x) __builtin_sqrt(x)
#endif
