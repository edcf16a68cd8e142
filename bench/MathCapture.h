#pragma once
// The maths-library calls of one frame, as the compiled plugin makes them.
//
// The benchmark links a second copy of the plugin's very objects in which
// every maths-library symbol is renamed to a capture_ function (objcopy
// --redefine-syms, see CMakeLists.txt). Those record the function and its
// arguments and then call the real one, so the copy draws exactly what the
// plugin draws. Calls the compiler inlined (a square root that becomes one
// instruction) or folded (pow(x, 2.0) into x * x) are not library calls and
// are not recorded: the floor holds only what the frame cannot avoid calling.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

enum class MathFn : uint8_t {
    Sinf,
    Cosf,
    Sincosf,
    Tanf,
    Asinf,
    Acosf,
    Atan2f,
    Sqrtf,
    Powf,
    Sin,
    Cos,
    Sincos,
    Tan,
    Asin,
    Acos,
    Atan2,
    Sqrt,
    Pow,
    Count
};

const char* mathFnName(MathFn fn);

struct MathCall {
    MathFn fn;
    double a;  // float arguments widened exactly
    double b;
};

// Recording is off until started; then every call is appended.
void startCapture(std::vector<MathCall>* into);
void stopCapture();

// The floor: the recorded calls alone, grouped by function, each with its
// recorded arguments, results consumed so none can be dropped.
class MathFloor {
  public:
    explicit MathFloor(const std::vector<MathCall>& calls);
    // Runs all of the frame's calls once; returns a sum of the results.
    double run() const;
    std::size_t callCount() const { return count_; }

  private:
    std::vector<float> f1_[static_cast<int>(MathFn::Count)];
    std::vector<float> f2_[static_cast<int>(MathFn::Count)];
    std::vector<double> d1_[static_cast<int>(MathFn::Count)];
    std::vector<double> d2_[static_cast<int>(MathFn::Count)];
    std::size_t count_ = 0;
};

}  // namespace bench
