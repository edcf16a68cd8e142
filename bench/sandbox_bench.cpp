// What one simulation tick costs: the car flying (stick, boost and throttle
// changing) and the ball falling, both in the air, as the sandbox window
// runs them up to eight times a frame. Counter allocs_per_tick: global
// operator new calls per tick (the target is none).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "sandbox/Bindings.h"
#include "sandbox/Physics.h"
#include "sandbox/Starts.h"
#include "testkit/AllocCounter.h"

namespace {

using namespace sandbox;

// Eight sets of controls the flight cycles through, a new one every 15 ticks.
CarControls controlsFor(int64_t tick) {
    static const CarControls kCycle[8] = {
        {1.0f, 0.5f, 1.0f, 0.0f, 1.0f, true, false},
        {-0.3f, -1.0f, -0.3f, 0.2f, 0.0f, false, false},
        {0.0f, 0.0f, 0.0f, 1.0f, 0.5f, true, false},
        {0.7f, 0.7f, 0.7f, -1.0f, -1.0f, false, false},
        {-1.0f, 1.0f, -1.0f, 0.0f, 1.0f, true, false},
        {0.2f, -0.2f, 0.0f, 0.2f, 0.0f, false, false},
        {0.0f, 1.0f, 0.0f, 0.0f, 1.0f, true, false},
        {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false, false},
    };
    return kCycle[(tick / 15) % 8];
}

void BM_Tick(benchmark::State& state) {
    // High up with unlimited boost, started again every two seconds so that
    // every tick is a flying one.
    World start = randomStart(7);
    start.car.location.z = 1200.0f;
    start.ball.location.z = 1800.0f;
    const PhysicsOptions options{true};
    World world = start;
    int64_t tick = 0;
    const std::uint64_t before = testkit::allocations.load();
    for (auto _ : state) {
        const TickReport report = stepWorld(world, controlsFor(tick), options);
        benchmark::DoNotOptimize(report);
        benchmark::DoNotOptimize(world);
        if (++tick % 240 == 0) world = start;
    }
    state.counters["allocs_per_tick"] =
        benchmark::Counter(static_cast<double>(testkit::allocations.load() - before),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Tick);

// The controls from a pad and keys, once a tick.
void BM_MapControls(benchmark::State& state) {
    const Bindings bindings = defaultBindings();
    PadState pad;
    pad.leftX = 0.4f;
    pad.leftY = -0.8f;
    pad.rightTrigger = 1.0f;
    pad.press(PadButton::East);
    pad.press(PadButton::West);
    ActionSet keys;
    keys.set(Action::RollLeft, true);
    const std::uint64_t before = testkit::allocations.load();
    for (auto _ : state) {
        benchmark::DoNotOptimize(pad);
        benchmark::DoNotOptimize(mapControls(bindings, pad, keys));
    }
    state.counters["allocs_per_tick"] =
        benchmark::Counter(static_cast<double>(testkit::allocations.load() - before),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_MapControls);

}  // namespace

BENCHMARK_MAIN();
