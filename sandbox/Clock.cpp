#include "sandbox/Clock.h"

namespace sandbox {

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;
constexpr int64_t kTicksPerSecond = 120;
// A frame longer than this counts as this long; it keeps the products below
// far from overflowing and is well past the 8 ticks a frame may run.
constexpr int64_t kLongestFrame = 10 * kNanosecondsPerSecond;

}  // namespace

int FixedStepClock::advance(int64_t elapsedNanoseconds) {
    if (paused_) {
        const bool step = stepQueued_;
        stepQueued_ = false;
        return step ? 1 : 0;
    }
    int64_t elapsed = elapsedNanoseconds > 0 ? elapsedNanoseconds : 0;
    if (elapsed > kLongestFrame) elapsed = kLongestFrame;
    owed_ += elapsed * kTicksPerSecond;
    const int64_t tickCost = kNanosecondsPerSecond * divisor_;
    int64_t ticks = owed_ / tickCost;
    owed_ -= ticks * tickCost;
    if (ticks > kMaxTicksPerFrame) ticks = kMaxTicksPerFrame;
    return static_cast<int>(ticks);
}

void FixedStepClock::setPaused(bool paused) {
    if (paused_ && !paused) owed_ = 0;
    paused_ = paused;
    stepQueued_ = false;
}

void FixedStepClock::stepOnce() {
    paused_ = true;
    stepQueued_ = true;
}

bool FixedStepClock::setSlowMotion(int divisor) {
    if (divisor != 1 && divisor != 2 && divisor != 4) return false;
    // Keep the share of a tick already owed.
    owed_ = owed_ / divisor_ * divisor;
    divisor_ = divisor;
    return true;
}

}  // namespace sandbox
