// Prints what the maths functions the frame calls give for many inputs, a
// line each: the function, the kind of input, the inputs' and the result's
// bits; so that two builds' maths compare bit for bit (scripts/windows.sh:
// the plugin's maths on Windows against glibc's on Linux). The functions
// are called as the renderer calls them: the sine and cosine of one angle
// together (one sincosf), any other one alone.
//   maths_sample [COUNT] [--variants=fma|avx|sse2]
// Kinds: "special" (zeros, infinities, NaN, extremes, multiples of pi),
// "frame" (COUNT in the ranges a frame meets) and "bits" (COUNT of any bits
// at all). --variants picks the code glibc runs on a processor with FMA and
// AVX2, with AVX only, or with neither (PickVariants*.cpp: on Linux glibc's
// own tunables pick them, and the script sets them).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "PickVariants.h"

namespace {

uint32_t bitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}
uint64_t bitsOf(double d) {
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}
template <typename T, typename Bits>
T fromBits(Bits b) {
    T v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// xorshift64: the same inputs from the same seed on every platform.
class Random {
  public:
    uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    // Uniform in [low, high), computed in double precision alike everywhere.
    double between(double low, double high) {
        return low + (high - low) * (static_cast<double>(next() >> 11) * 0x1p-53);
    }

  private:
    uint64_t state_ = 0x9E3779B97F4A7C15u;
};

template <typename T>
struct Input {
    const char* kind;
    T value;
};

template <typename T>
std::vector<Input<T>> inputs(Random& random, std::size_t count, double low, double high) {
    using L = std::numeric_limits<T>;
    const T pi = static_cast<T>(3.14159265358979323846);
    const T special[] = {T(0),
                         T(1),
                         T(0.5),
                         T(2),
                         pi / 4,
                         pi / 2,
                         pi,
                         3 * pi / 2,
                         2 * pi,
                         T(120),
                         T(1e5),
                         T(1e10),
                         L::max(),
                         L::min(),
                         L::denorm_min(),
                         L::epsilon(),
                         L::infinity(),
                         L::quiet_NaN(),
                         T(0.99999994),
                         T(1.0000001)};
    std::vector<Input<T>> v;
    for (T s : special) {
        v.push_back({"special", s});
        v.push_back({"special", -s});
    }
    for (std::size_t i = 0; i < count; ++i) {
        const double d = random.between(low, high);
        // Whole numbers too, in double precision: the renderer takes atan2
        // of pixel offsets.
        const bool whole = sizeof(T) == sizeof(double) && i % 2 == 1;
        v.push_back({"frame", static_cast<T>(whole ? std::trunc(d) : d)});
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint64_t bits = random.next();
        if constexpr (sizeof(T) == sizeof(float))
            v.push_back({"bits", fromBits<T>(static_cast<uint32_t>(bits >> 32))});
        else
            v.push_back({"bits", fromBits<T>(bits)});
    }
    return v;
}

void print(const char* name, const char* kind, float x, float r) {
    std::printf("%s %s %08x %08x\n", name, kind, static_cast<unsigned>(bitsOf(x)),
                static_cast<unsigned>(bitsOf(r)));
}
void print(const char* name, const char* kind, double x, double r) {
    std::printf("%s %s %016llx %016llx\n", name, kind, static_cast<unsigned long long>(bitsOf(x)),
                static_cast<unsigned long long>(bitsOf(r)));
}
void print(const char* name, const char* kind, float y, float x, float r) {
    std::printf("%s %s %08x %08x %08x\n", name, kind, static_cast<unsigned>(bitsOf(y)),
                static_cast<unsigned>(bitsOf(x)), static_cast<unsigned>(bitsOf(r)));
}
void print(const char* name, const char* kind, double y, double x, double r) {
    std::printf(
        "%s %s %016llx %016llx %016llx\n", name, kind, static_cast<unsigned long long>(bitsOf(y)),
        static_cast<unsigned long long>(bitsOf(x)), static_cast<unsigned long long>(bitsOf(r)));
}

// Out of line, so that each is one call of the library's function and the
// compiler merges no two of them.
[[gnu::noinline]] void sinCos(float a, float& s, float& c) {
    s = std::sin(a);
    c = std::cos(a);
}
[[gnu::noinline]] float sine(float a) { return std::sin(a); }
[[gnu::noinline]] float cosine(float a) { return std::cos(a); }
[[gnu::noinline]] float tangent(float a) { return std::tan(a); }
[[gnu::noinline]] float arcCosine(float q) { return std::acos(q); }
[[gnu::noinline]] float squareRoot(float x) { return std::sqrt(x); }
[[gnu::noinline]] double squareRoot(double x) { return std::sqrt(x); }
[[gnu::noinline]] float arcTangent(float y, float x) { return std::atan2(y, x); }
[[gnu::noinline]] double arcTangent(double y, double x) { return std::atan2(y, x); }

template <typename T, typename F>
void pairs(Random& random, std::size_t count, double range, const char* name, F f) {
    const std::vector<Input<T>> ys = inputs<T>(random, count, -range, range);
    const std::vector<Input<T>> xs = inputs<T>(random, count, -range, range);
    for (std::size_t i = 0; i < ys.size(); ++i)
        print(name, ys[i].kind, ys[i].value, xs[i].value, f(ys[i].value, xs[i].value));
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = 100000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--variants=", 0) == 0) {
            if (!pickVariants(arg.substr(11))) {
                std::fprintf(stderr, "maths_sample: no variants %s\n", arg.c_str());
                return 2;
            }
        } else {
            count = std::strtoul(argv[i], nullptr, 10);
        }
    }
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    Random random;

    for (const Input<float>& a : inputs<float>(random, count, -8.0, 8.0)) {
        float s = 0.0f;
        float c = 0.0f;
        sinCos(a.value, s, c);
        print("sincosf.sin", a.kind, a.value, s);
        print("sincosf.cos", a.kind, a.value, c);
        print("sinf", a.kind, a.value, sine(a.value));
        print("cosf", a.kind, a.value, cosine(a.value));
        print("tanf", a.kind, a.value, tangent(a.value));
    }
    // Angles past 120 take the long argument reduction.
    for (const Input<float>& a : inputs<float>(random, count, -250.0, 250.0))
        print("sinf", a.kind, a.value, sine(a.value));
    for (const Input<float>& q : inputs<float>(random, count, -1.05, 1.05))
        print("acosf", q.kind, q.value, arcCosine(q.value));
    for (const Input<float>& x : inputs<float>(random, count, 0.0, 2.0e7))
        print("sqrtf", x.kind, x.value, squareRoot(x.value));
    for (const Input<double>& x : inputs<double>(random, count, 0.0, 2.0e7))
        print("sqrt", x.kind, x.value, squareRoot(x.value));
    pairs<float>(random, count, 3000.0, "atan2f",
                 [](float y, float x) { return arcTangent(y, x); });
    pairs<double>(random, count, 4000.0, "atan2",
                  [](double y, double x) { return arcTangent(y, x); });
    return std::fflush(stdout) == 0 ? 0 : 1;
}
