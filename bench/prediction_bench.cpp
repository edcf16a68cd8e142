// What the path ahead costs a frame (sandbox/Prediction.h): the ball's 3 s
// and the car's 2 s with its controls held, and the nearest point, all in
// one predictPath call, as the window makes it once a frame when either path
// is shown. Cases: the car driving on its four wheels (its wheels' rays
// every tick, the dearest) with a ball bouncing ahead; a fast aerial's
// first jump (jump, boost, nose up) under a high floating ball; the car
// flying with a ball falling onto the floor. Counter allocs_per_frame:
// global operator new calls per prediction (the target is none).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "sandbox/Drills.h"
#include "sandbox/Flight.h"
#include "sandbox/Prediction.h"
#include "testkit/AllocCounter.h"

namespace {

using namespace sandbox;

struct Case {
    mechanics::World world;
    CarControls held;
    mechanics::Options options;
};

// A drill's start after `ticks` of `controls`, so the car has settled on
// its wheels (or left them).
Case fromDrill(const char* drill, int ticks, const CarControls& controls) {
    const auto d = makeDrill(drill, 1);
    Case c{d->start().fullWorld(), controls, fullOptions(d->start().options)};
    for (int t = 0; t < ticks; ++t) mechanics::step(c.world, controls, c.options);
    return c;
}

void runPrediction(benchmark::State& state, const Case& c) {
    auto path = std::make_unique<PathAhead>();
    const std::uint64_t before = testkit::allocations.load();
    for (auto _ : state) {
        predictPath(c.world, c.held, c.options, *path);
        benchmark::DoNotOptimize(path->nearestTick);
        benchmark::ClobberMemory();
    }
    state.counters["allocs_per_frame"] =
        benchmark::Counter(static_cast<double>(testkit::allocations.load() - before),
                           benchmark::Counter::kAvgIterations);
}

CarControls driving() {
    CarControls c;
    c.throttle = 1.0f;
    c.steer = 0.3f;
    return c;
}

CarControls firstJump() {
    CarControls c;
    c.throttle = 1.0f;
    c.boost = true;
    c.jump = true;
    c.pitch = 1.0f;
    return c;
}

CarControls flying() {
    CarControls c;
    c.boost = true;
    c.roll = 0.5f;
    c.yaw = 0.2f;
    return c;
}

void BM_PredictDrivingOnTheWheels(benchmark::State& state) {
    static const Case c = fromDrill("shot-on-goal", 60, driving());
    runPrediction(state, c);
}
BENCHMARK(BM_PredictDrivingOnTheWheels);

void BM_PredictFastAerialJump(benchmark::State& state) {
    static const Case c = fromDrill("fast-aerial", 3, firstJump());
    runPrediction(state, c);
}
BENCHMARK(BM_PredictFastAerialJump);

void BM_PredictFlyingBallFalling(benchmark::State& state) {
    static const Case c = fromDrill("aerial-touch", 90, flying());
    runPrediction(state, c);
}
BENCHMARK(BM_PredictFlyingBallFalling);

}  // namespace

BENCHMARK_MAIN();
