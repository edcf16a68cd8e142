#include "bench/MathCapture.h"

#include <cmath>

namespace bench {

namespace {
std::vector<MathCall>* capture = nullptr;

void record(MathFn fn, double a, double b = 0.0) {
    if (capture) capture->push_back({fn, a, b});
}

constexpr int idx(MathFn fn) { return static_cast<int>(fn); }
}  // namespace

const char* mathFnName(MathFn fn) {
    static const char* const names[] = {"sinf",   "cosf",  "sincosf", "tanf",  "asinf", "acosf",
                                        "atan2f", "sqrtf", "powf",    "sin",   "cos",   "sincos",
                                        "tan",    "asin",  "acos",    "atan2", "sqrt",  "pow"};
    return names[idx(fn)];
}

void startCapture(std::vector<MathCall>* into) { capture = into; }
void stopCapture() { capture = nullptr; }

MathFloor::MathFloor(const std::vector<MathCall>& calls) {
    for (const MathCall& c : calls) {
        const int i = idx(c.fn);
        f1_[i].push_back(static_cast<float>(c.a));
        f2_[i].push_back(static_cast<float>(c.b));
        d1_[i].push_back(c.a);
        d2_[i].push_back(c.b);
    }
    count_ = calls.size();
}

// Each loop hands the library the recorded arguments, read from memory so
// that nothing can be folded, and adds up the results.
double MathFloor::run() const {
    float fs = 0.0f;
    double ds = 0.0;
    for (float x : f1_[idx(MathFn::Sinf)]) fs += ::sinf(x);
    for (float x : f1_[idx(MathFn::Cosf)]) fs += ::cosf(x);
    for (float x : f1_[idx(MathFn::Sincosf)]) {
        float s;
        float c;
        ::sincosf(x, &s, &c);
        fs += s + c;
    }
    for (float x : f1_[idx(MathFn::Tanf)]) fs += ::tanf(x);
    for (float x : f1_[idx(MathFn::Asinf)]) fs += ::asinf(x);
    for (float x : f1_[idx(MathFn::Acosf)]) fs += ::acosf(x);
    {
        const auto& y = f1_[idx(MathFn::Atan2f)];
        const auto& x = f2_[idx(MathFn::Atan2f)];
        for (std::size_t i = 0; i < y.size(); ++i) fs += ::atan2f(y[i], x[i]);
    }
    for (float x : f1_[idx(MathFn::Sqrtf)]) fs += ::sqrtf(x);
    {
        const auto& x = f1_[idx(MathFn::Powf)];
        const auto& y = f2_[idx(MathFn::Powf)];
        for (std::size_t i = 0; i < x.size(); ++i) fs += ::powf(x[i], y[i]);
    }
    for (double x : d1_[idx(MathFn::Sin)]) ds += ::sin(x);
    for (double x : d1_[idx(MathFn::Cos)]) ds += ::cos(x);
    for (double x : d1_[idx(MathFn::Sincos)]) {
        double s;
        double c;
        ::sincos(x, &s, &c);
        ds += s + c;
    }
    for (double x : d1_[idx(MathFn::Tan)]) ds += ::tan(x);
    for (double x : d1_[idx(MathFn::Asin)]) ds += ::asin(x);
    for (double x : d1_[idx(MathFn::Acos)]) ds += ::acos(x);
    {
        const auto& y = d1_[idx(MathFn::Atan2)];
        const auto& x = d2_[idx(MathFn::Atan2)];
        for (std::size_t i = 0; i < y.size(); ++i) ds += ::atan2(y[i], x[i]);
    }
    for (double x : d1_[idx(MathFn::Sqrt)]) ds += ::sqrt(x);
    {
        const auto& x = d1_[idx(MathFn::Pow)];
        const auto& y = d2_[idx(MathFn::Pow)];
        for (std::size_t i = 0; i < x.size(); ++i) ds += ::pow(x[i], y[i]);
    }
    return static_cast<double>(fs) + ds;
}

}  // namespace bench

// What the renamed references in the captured plugin copy call.
using bench::MathFn;
using bench::record;
extern "C" {
float capture_sinf(float x) { return record(MathFn::Sinf, x), ::sinf(x); }
float capture_cosf(float x) { return record(MathFn::Cosf, x), ::cosf(x); }
void capture_sincosf(float x, float* s, float* c) {
    record(MathFn::Sincosf, x);
    ::sincosf(x, s, c);
}
float capture_tanf(float x) { return record(MathFn::Tanf, x), ::tanf(x); }
float capture_asinf(float x) { return record(MathFn::Asinf, x), ::asinf(x); }
float capture_acosf(float x) { return record(MathFn::Acosf, x), ::acosf(x); }
float capture_atan2f(float y, float x) { return record(MathFn::Atan2f, y, x), ::atan2f(y, x); }
float capture_sqrtf(float x) { return record(MathFn::Sqrtf, x), ::sqrtf(x); }
float capture_powf(float x, float y) { return record(MathFn::Powf, x, y), ::powf(x, y); }
double capture_sin(double x) { return record(MathFn::Sin, x), ::sin(x); }
double capture_cos(double x) { return record(MathFn::Cos, x), ::cos(x); }
void capture_sincos(double x, double* s, double* c) {
    record(MathFn::Sincos, x);
    ::sincos(x, s, c);
}
double capture_tan(double x) { return record(MathFn::Tan, x), ::tan(x); }
double capture_asin(double x) { return record(MathFn::Asin, x), ::asin(x); }
double capture_acos(double x) { return record(MathFn::Acos, x), ::acos(x); }
double capture_atan2(double y, double x) { return record(MathFn::Atan2, y, x), ::atan2(y, x); }
double capture_sqrt(double x) { return record(MathFn::Sqrt, x), ::sqrt(x); }
double capture_pow(double x, double y) { return record(MathFn::Pow, x, y), ::pow(x, y); }
}
