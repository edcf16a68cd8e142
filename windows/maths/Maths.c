/* The maths functions the frame calls, under their standard names, from
   glibc's own code (compiled beside this file from Debian's glibc-source):
   the DLL draws with the numbers the Linux build gets from libm, whatever the
   C runtime of the Windows it runs on would give.

   glibc builds sinf, cosf, sincosf and atan2 more than once, for the
   instruction sets of x86-64 processors, and picks one when libm loads. The
   picks here are glibc's (its ifunc-fma.h and ifunc-avx-fma4.h), made from the
   same processor features, so on any machine the DLL computes what the Linux
   build computes on that machine. The variants give different last bits: on
   a processor with FMA and AVX2 glibc computes with fused multiply-adds.

   What differs from libm is only what no number shows: errno is not set and,
   but for acosf, no floating-point exception is raised on purpose. */
#include <cpuid.h>
#include <math.h>
#include <stdatomic.h>
#include <string.h>

float __sinf_sse2(float);
float __sinf_fma(float);
float __cosf_sse2(float);
float __cosf_fma(float);
void __sincosf_sse2(float, float*, float*);
void __sincosf_fma(float, float*, float*);
float __tanf(float);
float __ieee754_acosf(float);
float __ieee754_atan2f(float, float);
double __ieee754_atan2_sse2(double, double);
double __ieee754_atan2_avx(double, double);
double __ieee754_atan2_fma(double, double);
double __ieee754_atan2_fma4(double, double);

enum {
    kFeatureAvx = 1,
    kFeatureAvx2 = 2,
    kFeatureFma = 4,
    kFeatureFma4 = 8,
    kFeaturesKnown = 16,
};

/* The features glibc counts as usable: the processor has them and the
   system saves the AVX registers (XCR0's SSE and AVX state bits). */
static int detectFeatures(void) {
    unsigned int eax, ebx, ecx, edx;
    int features = kFeaturesKnown;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return features;
    const int osxsave = (ecx & bit_OSXSAVE) != 0;
    const int avx = (ecx & bit_AVX) != 0;
    const int fma = (ecx & bit_FMA) != 0;
    if (!osxsave || !avx) return features;
    unsigned int xcr0, xcr0High;
    __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
    if ((xcr0 & 6u) != 6u) return features;
    features |= kFeatureAvx;
    if (fma) features |= kFeatureFma;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & bit_AVX2))
        features |= kFeatureAvx2;
    if (__get_cpuid(0x80000001u, &eax, &ebx, &ecx, &edx) && (ecx & bit_FMA4))
        features |= kFeatureFma4;
    return features;
}

/* Found once; every thread that looks first finds the same. */
static atomic_int knownFeatures;

static int features(void) {
    int f = atomic_load_explicit(&knownFeatures, memory_order_relaxed);
    if (f == 0) {
        f = detectFeatures();
        atomic_store_explicit(&knownFeatures, f, memory_order_relaxed);
    }
    return f;
}

/* For the maths sample (tests/windows/), linked with this library itself:
   the variants of a processor with AVX but neither FMA nor AVX2 ("avx"), or
   with none of them ("sse2"), as glibc takes them when its tunables mask
   those features. The DLL does not export it. */
int trimsight_maths_pick_variants(const char* name) {
    const int detected = detectFeatures();
    if (strcmp(name, "detected") == 0) {
        atomic_store_explicit(&knownFeatures, detected, memory_order_relaxed);
        return 1;
    }
    if (strcmp(name, "avx") == 0 && (detected & kFeatureAvx)) {
        atomic_store_explicit(&knownFeatures, kFeaturesKnown | kFeatureAvx, memory_order_relaxed);
        return 1;
    }
    if (strcmp(name, "sse2") == 0) {
        atomic_store_explicit(&knownFeatures, kFeaturesKnown, memory_order_relaxed);
        return 1;
    }
    return 0;
}

/* ifunc-fma.h: the FMA variant with FMA and AVX2, else SSE2. */
static int useFma(void) {
    const int f = features();
    return (f & kFeatureFma) && (f & kFeatureAvx2);
}

float sinf(float x) { return useFma() ? __sinf_fma(x) : __sinf_sse2(x); }

float cosf(float x) { return useFma() ? __cosf_fma(x) : __cosf_sse2(x); }

void sincosf(float x, float* s, float* c) {
    if (useFma())
        __sincosf_fma(x, s, c);
    else
        __sincosf_sse2(x, s, c);
}

/* ifunc-avx-fma4.h: FMA with AVX2, else FMA4, else AVX, else SSE2. */
double atan2(double y, double x) {
    const int f = features();
    if ((f & kFeatureFma) && (f & kFeatureAvx2)) return __ieee754_atan2_fma(y, x);
    if (f & kFeatureFma4) return __ieee754_atan2_fma4(y, x);
    if (f & kFeatureAvx) return __ieee754_atan2_avx(y, x);
    return __ieee754_atan2_sse2(y, x);
}

/* One variant only, in glibc too. */
float tanf(float x) { return __tanf(x); }

float atan2f(float y, float x) { return __ieee754_atan2f(y, x); }

/* libm's acosf answers outside [-1, 1] itself, with a positive NaN (the
   computation's own NaN would be negative). */
float acosf(float x) {
    if (isgreater(fabsf(x), 1.0f)) {
        volatile float invalid = 0.0f;
        invalid = invalid / invalid;
        return NAN;
    }
    return __ieee754_acosf(x);
}

/* The SSE instructions, as glibc's: correctly rounded, the negative NaN for
   a negative number. Built without errno handling, so no call of its own. */
float sqrtf(float x) { return __builtin_sqrtf(x); }

double sqrt(double x) { return __builtin_sqrt(x); }
