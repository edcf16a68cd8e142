// Real time into fixed ticks.
#include "sandbox/Clock.h"

#include <gtest/gtest.h>

namespace {

using sandbox::FixedStepClock;

constexpr int64_t kSecond = 1000000000;
// A tick, 8333333 1/3 ns, rounded up; and half of one, rounded up.
constexpr int64_t kTickNs = 8333334;
constexpr int64_t kHalfTickNs = 4166667;

int run(FixedStepClock& clock, int64_t frameNs, int frames) {
    int ticks = 0;
    for (int i = 0; i < frames; ++i) ticks += clock.advance(frameNs);
    return ticks;
}

TEST(Clock, RunsExactly120TicksASecondAtAnyFrameRate) {
    struct Case {
        int64_t frameNs;
        int framesPerSecond;
    };
    // 1/120 s is 8333333 1/3 ns: rounding any frame time must not drift.
    const Case cases[] = {{kSecond / 60, 60},   {kSecond / 144, 144}, {kSecond / 30, 30},
                          {kSecond / 120, 120}, {kSecond / 240, 240}, {kSecond / 15, 15}};
    for (const Case& c : cases) {
        FixedStepClock clock;
        const int ticks = run(clock, c.frameNs, c.framesPerSecond * 10);
        EXPECT_NEAR(ticks, 1200, 1) << c.framesPerSecond << " frames a second";
    }
}

TEST(Clock, AStallRunsAtMostEightTicksAndDropsTheBacklog) {
    FixedStepClock clock;
    EXPECT_EQ(clock.advance(kSecond), 8);
    EXPECT_EQ(clock.advance(kTickNs), 1);
    EXPECT_EQ(clock.advance(INT64_MAX), 8);
    EXPECT_EQ(clock.advance(0), 0);  // the backlog dropped: less than a tick owed
    EXPECT_EQ(clock.advance(-5 * kSecond), 0);
}

TEST(Clock, PauseStopsTimeAndSingleTicksStepOneAtATime) {
    FixedStepClock clock;
    clock.advance(kHalfTickNs);  // half a tick owed
    clock.setPaused(true);
    EXPECT_EQ(run(clock, kSecond / 60, 60), 0);
    clock.stepOnce();
    EXPECT_EQ(clock.advance(0), 1);
    EXPECT_EQ(clock.advance(kSecond), 0);
    clock.setPaused(false);
    // No backlog from the pause, not even the half tick from before it.
    EXPECT_EQ(clock.advance(kHalfTickNs), 0);
    EXPECT_EQ(clock.advance(kHalfTickNs), 1);
    // A single tick asked for while running pauses first.
    clock.stepOnce();
    EXPECT_TRUE(clock.paused());
    EXPECT_EQ(clock.advance(kSecond), 1);
    EXPECT_EQ(clock.advance(kSecond), 0);
}

TEST(Clock, SlowMotionRunsAHalfOrAQuarterAsManyTicks) {
    for (int divisor : {1, 2, 4}) {
        FixedStepClock clock;
        ASSERT_TRUE(clock.setSlowMotion(divisor));
        EXPECT_NEAR(run(clock, kSecond / 60, 600), 1200.0 / divisor, 1) << divisor;
    }
    FixedStepClock clock;
    EXPECT_FALSE(clock.setSlowMotion(3));
    EXPECT_FALSE(clock.setSlowMotion(0));
    EXPECT_EQ(clock.slowMotion(), 1);
}

}  // namespace
