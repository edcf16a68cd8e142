#pragma once
// Real time into fixed 120 Hz ticks. The host passes each frame's elapsed
// time in whole nanoseconds; the clock says how many ticks to run. A tick is
// 1/120 s = 8333333 1/3 ns, so time is kept in units of 1/120 ns to lose
// nothing. A frame runs at most 8 ticks: after a stall the backlog is
// dropped rather than run, so a slow frame never makes the next one slower.
#include <cstdint>

namespace sandbox {

class FixedStepClock {
  public:
    static constexpr int kMaxTicksPerFrame = 8;

    // Ticks to run for a frame that took `elapsedNanoseconds` of real time
    // (negative times count as none). While paused: 0, or 1 after
    // `stepOnce`.
    int advance(int64_t elapsedNanoseconds);

    // Pausing stops time; resuming starts from a whole tick, with no
    // backlog from before the pause.
    void setPaused(bool paused);
    bool paused() const { return paused_; }

    // Pauses the clock (if it was running) and lets exactly one tick run at
    // the next `advance`.
    void stepOnce();

    // Simulated time runs 1/divisor as fast as real time: 1 (normal), 2 or 4.
    // Other values are refused (returns false, the speed unchanged).
    bool setSlowMotion(int divisor);
    int slowMotion() const { return divisor_; }

  private:
    // Real time not yet run, in 1/120 ns; a tick costs 1e9 * divisor of
    // these units.
    int64_t owed_ = 0;
    int divisor_ = 1;
    bool paused_ = false;
    bool stepQueued_ = false;
};

}  // namespace sandbox
