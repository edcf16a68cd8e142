// What one simulation tick costs: the car flying (stick, boost and throttle
// changing) and the ball falling, both in the air, as the sandbox window
// runs them up to eight times a frame; in the legacy model and in the full
// one (with jumps, dodges and the hit check; the ball bouncing and rolling
// on the floor, with the car flying or on its roof; around a hit), and the
// full one driving on its four wheels; and a flight's tick, the full model
// behind the session's step. Counter allocs_per_tick: global
// operator new calls per tick (the target is none).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "sandbox/Bindings.h"
#include "sandbox/Flight.h"
#include "sandbox/Mechanics.h"
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

// The heap allocations since `before`, per iteration, as allocs_per_tick.
void countAllocations(benchmark::State& state, std::uint64_t before) {
    state.counters["allocs_per_tick"] =
        benchmark::Counter(static_cast<double>(testkit::allocations.load() - before),
                           benchmark::Counter::kAvgIterations);
}

// One tick an iteration, `step(world, tick)` (what it returns kept from the
// optimiser), the world started again from `start` every `every` ticks; and
// the allocations per tick.
template <typename WorldType, typename Step>
void runTicks(benchmark::State& state, const WorldType& start, int every, Step step) {
    WorldType world = start;
    int64_t tick = 0;
    const std::uint64_t before = testkit::allocations.load();
    for (auto _ : state) {
        const auto result = step(world, tick);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(world);
        if (++tick % every == 0) world = start;
    }
    countAllocations(state, before);
}

void BM_Tick(benchmark::State& state) {
    // High up with unlimited boost, started again every two seconds so that
    // every tick is a flying one.
    World start = randomStart(7);
    start.car.location.z = 1200.0f;
    start.ball.location.z = 1800.0f;
    const PhysicsOptions options{true};
    runTicks(state, start, 240, [&options](World& world, int64_t tick) {
        return stepWorld(world, controlsFor(tick), options);
    });
}
BENCHMARK(BM_Tick);

// A tick of the full model in the air, in the box arena: the same stick
// cycle with a jump press at the start of every other set (so the car
// double-jumps, dodges and flips), the ball moving near the car, the hit
// check and every surface checked each tick. Started again every two
// seconds, its jump and flip state fresh.
void BM_FullModelTickInTheAir(benchmark::State& state) {
    mechanics::World start;
    const World legacy = randomStart(7);
    start.car.location = {legacy.car.location.x, legacy.car.location.y, 1200.0f};
    start.car.velocity = legacy.car.velocity;
    start.car.attitude = legacy.car.attitude;
    start.car.spin = legacy.car.spin;
    start.ball.location = start.car.location + Vec3{400.0f, 0.0f, 300.0f};
    start.ball.velocity = {-200.0f, 50.0f, 100.0f};
    start.ball.spin = {0.0f, 1.0f, 0.0f};
    mechanics::Options options;
    options.unlimitedBoost = true;
    runTicks(state, start, 240, [&options](mechanics::World& world, int64_t tick) {
        CarControls controls = controlsFor(tick);
        controls.jump = tick % 30 < 2;
        return mechanics::step(world, controls, options);
    });
}
BENCHMARK(BM_FullModelTickInTheAir);

// A tick of the full model driving on the box arena's floor, all four
// wheels down: throttle, steer, boost and powerslide changing every 15
// ticks (no jump), the ball rolling ahead of the car, its sphere in reach of
// every wheel ray and the hit check. Started again every four seconds.
void BM_FullModelTickOnTheFloor(benchmark::State& state) {
    static const CarControls kDriving[4] = {
        {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, false, false, false},
        {-0.6f, 0.0f, 0.0f, 0.0f, 1.0f, true, false, false},
        {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, false, false, true},
        {0.3f, 0.0f, 0.0f, 0.0f, 0.0f, false, false, false},
    };
    mechanics::World start;
    start.car.location = {0.0f, 0.0f, mechanics::kCarRestHeight};
    start.ball.location = {600.0f, 0.0f, mechanics::kBallRadius};
    start.ball.velocity = {300.0f, 40.0f, 0.0f};
    mechanics::Options options;
    options.unlimitedBoost = true;
    mechanics::World world = start;
    for (int i = 0; i < 120; ++i) mechanics::step(world, {}, options);  // settled on its springs
    int64_t onFloor = 0;
    runTicks(state, world, 480, [&](mechanics::World& w, int64_t tick) {
        const mechanics::TickEvents events = mechanics::step(w, kDriving[(tick / 15) % 4], options);
        onFloor += events.wheelsInContact == 4 ? 1 : 0;
        return events;
    });
    state.counters["four_wheels_share"] =
        benchmark::Counter(static_cast<double>(onFloor), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FullModelTickOnTheFloor);

// A full-model tick with the ball on the floor: it bounces, slides and
// rolls (the merged arena contact with friction) along the floor into the
// goal and off its back wall, past a car sitting on its roof (the box's
// kept contact points, each tick's ten sweeps over them; on its wheels the
// box would not touch). In the box arena; started again every two seconds.
void BM_FullModelTickBallAndCarOnTheFloor(benchmark::State& state) {
    mechanics::World start;
    start.car.location = {-400.0f, 4300.0f, 41.0f};
    start.car.attitude = orientationFromRotator({0, 16384, 32767});  // on its roof
    start.ball.location = {30.0f, 3600.0f, 300.0f};
    start.ball.velocity = {0.0f, 1500.0f, 0.0f};
    start.ball.spin = {-4.0f, 0.0f, 1.0f};
    const mechanics::Options options;
    mechanics::World world = start;
    for (int i = 0; i < 60; ++i) mechanics::step(world, {}, options);  // let the car settle
    runTicks(state, world, 240,
             [&options](mechanics::World& w, int64_t) { return mechanics::step(w, {}, options); });
}
BENCHMARK(BM_FullModelTickBallAndCarOnTheFloor);

// The same with the car up in the air instead: the ball's contacts alone.
void BM_FullModelTickBallOnTheFloor(benchmark::State& state) {
    mechanics::World start;
    start.car.location = {-400.0f, 4300.0f, 1500.0f};
    start.ball.location = {30.0f, 3600.0f, 300.0f};
    start.ball.velocity = {0.0f, 1500.0f, 0.0f};
    start.ball.spin = {-4.0f, 0.0f, 1.0f};
    mechanics::Options options;
    options.unlimitedBoost = true;
    runTicks(state, start, 240, [&options](mechanics::World& world, int64_t tick) {
        return mechanics::step(world, controlsFor(tick), options);
    });
}
BENCHMARK(BM_FullModelTickBallOnTheFloor);

// A full-model tick around a hit: the car flying into the ball head on
// (the solve of the car-ball contact and the extra push), started again
// every 12 ticks, so one tick in twelve is a hit and the next still in
// contact.
void BM_FullModelTickHittingTheBall(benchmark::State& state) {
    mechanics::World start;
    start.car.location = {-1500.0f, 0.0f, 1000.0f};
    start.car.velocity = {1000.0f, 0.0f, 700.0f};
    start.ball.location = {-1270.0f, 0.0f, 1020.755f};
    start.ball.velocity = {0.0f, 0.0f, 700.0f};
    const mechanics::Options options;
    runTicks(state, start, 12, [&options](mechanics::World& world, int64_t) {
        return mechanics::step(world, {}, options);
    });
}
BENCHMARK(BM_FullModelTickHittingTheBall);

// The controls from a pad and keys, once a tick.
// A tick as a flight steps it (Flight.h): the full model with the session's
// bookkeeping on top (landing, goal, the legacy view the window and drills
// read). The car drives at the ball from a shot-on-goal start, jumps now and
// then, lands on its wheels; the hit check every tick. Started again every
// four seconds.
void BM_FlightTick(benchmark::State& state) {
    static const CarControls kDriving[4] = {
        {0.2f, 0.0f, 0.0f, 0.0f, 1.0f, true, false, false},
        {-0.4f, 0.0f, 0.0f, 0.0f, 1.0f, false, true, false},
        {0.0f, -0.3f, 0.0f, 0.0f, 1.0f, true, false, false},
        {0.6f, 0.0f, 0.6f, 0.0f, 1.0f, false, false, true},
    };
    World legacy = defaultStart();
    legacy.ball.location = {-800.0f, 100.0f, 200.0f};
    legacy.ball.velocity = {-300.0f, 0.0f, 0.0f};
    const Simulation start = Simulation::full(fullWorldFrom(legacy), {true});
    Simulation sim = start;
    int64_t tick = 0;
    const std::uint64_t before = testkit::allocations.load();
    for (auto _ : state) {
        const TickReport report = sim.step(kDriving[(tick / 15) % 4]);
        benchmark::DoNotOptimize(report);
        benchmark::DoNotOptimize(sim);
        if (++tick % 480 == 0) sim = start;
    }
    state.counters["allocs_per_tick"] =
        benchmark::Counter(static_cast<double>(testkit::allocations.load() - before),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FlightTick);

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
    countAllocations(state, before);
}
BENCHMARK(BM_MapControls);

}  // namespace

BENCHMARK_MAIN();
