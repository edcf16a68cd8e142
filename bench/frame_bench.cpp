// What one frame of the overlay costs, against what its maths alone costs.
//
// BM_Frame/<scene> draws renderOverlay of the built plugin library, loaded
// through the SDK layer as a host loads it, onto a canvas that discards every
// call. Counters:
//   allocs_per_frame  global operator new calls per frame (whole process)
//   frame_ns, floor_ns  median per-frame times of interleaved blocks of
//                     frames and of the floor, so both see the same machine
//   ratio             frame_ns / floor_ns
//   math_calls        maths-library calls in the frame
// The floor is the frame's own maths-library calls with the frame's own
// arguments, recorded from a renamed copy of the plugin's objects
// (MathCapture.h). BM_Floor/<scene> times the floor alone;
// BM_SettingsPass one settings-window frame of the host with the page in it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench/MathCapture.h"
#include "host/CanvasWrapper.h"
#include "host/Plugin.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/NullCanvas.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "testkit/AllocCounter.h"
#include "testkit/LoadPlugin.h"
#include "testkit/SettingsPass.h"

// The renamed copy of the plugin linked into this program.
extern "C" BakkesMod::Plugin::PluginPointer* getPlugin();
extern "C" void deleteMe();

namespace {

using pluginsdk::NullCanvas;

struct Scene {
    const char* name;
    void (*setUp)(pluginsdk::GameState&, pluginsdk::CVarStore&);
};

const Scene kScenes[] = {
    // Level car, ball ahead and up, moving: dial with both dots in front,
    // target "Velocity (opposite)" (the default).
    {"level",
     [](pluginsdk::GameState& g, pluginsdk::CVarStore&) {
         g.car.location = {0.0f, 0.0f, 17.0f};
         g.car.velocity = {500.0f, 200.0f, 0.0f};
         g.ball.location = {1000.0f, 300.0f, 200.0f};
     }},
    // Pitched, yawed and rolled car with the ball and the motion behind it,
    // stick deflected, target "Ball (opposite)".
    {"behind",
     [](pluginsdk::GameState& g, pluginsdk::CVarStore& s) {
         g.car.location = {0.0f, 0.0f, 300.0f};
         g.car.rotation = {-4000, -20000, 3000};
         g.car.velocity = {-300.0f, 900.0f, -100.0f};
         g.car.input.Steer = 0.5f;
         g.car.input.Pitch = -0.75f;
         g.ball.location = {-200.0f, 1500.0f, 150.0f};
         g.ball.velocity = {0.0f, -200.0f, 0.0f};
         s.setRaw("trimsight_target", "6");
     }},
    // Peripheral mode with the ball straight behind: the widest band.
    {"peripheral",
     [](pluginsdk::GameState& g, pluginsdk::CVarStore& s) {
         g.car.location = {0.0f, 0.0f, 17.0f};
         g.car.velocity = {500.0f, 0.0f, 0.0f};
         g.ball.location = {-1500.0f, 10.0f, 93.0f};
         s.setRaw("peripheral_mode_enabled", "1");
         s.setRaw("trimsight_target", "5");
     }},
};

// The real plugin library, loaded and set up for one scene.
struct Loaded {
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;

    explicit Loaded(const Scene& scene)
        : plugin(testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, store, game)) {
        scene.setUp(game.state, store);
    }
};

// The scene's frame drawn by the renamed copy, recording its maths calls.
// Also checks that the copy draws exactly what the library draws.
std::vector<bench::MathCall> captureFrame(const Scene& scene, Loaded& real) {
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    std::vector<bench::MathCall> calls;
    {
        BakkesMod::Plugin::PluginPointer copy = *getPlugin();
        pluginsdk::attachPlugin(*copy, store, game, &store);
        scene.setUp(game.state, store);
        pluginsdk::RecordingCanvas mine;
        bench::startCapture(&calls);
        game.drawFrame(mine);
        bench::stopCapture();
        game.release(&store);

        pluginsdk::RecordingCanvas theirs;
        real.game.drawFrame(theirs);
        if (mine.calls() != theirs.calls() || mine.calls().empty()) {
            std::fprintf(stderr, "%s: the captured copy draws differently\n", scene.name);
            std::exit(1);
        }
    }
    deleteMe();
    return calls;
}

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_Frame(benchmark::State& state) {
    const Scene& scene = kScenes[state.range(0)];
    state.SetLabel(scene.name);
    Loaded loaded(scene);
    const bench::MathFloor floor(captureFrame(scene, loaded));
    NullCanvas canvas;

    const std::uint64_t before = testkit::allocations.load();
    for (auto _ : state) loaded.game.drawFrame(canvas);
    const std::uint64_t allocs = testkit::allocations.load() - before;

    // Frames and floors in alternating blocks, timed in this thread's CPU
    // time: whatever else the machine does falls on both alike, and the
    // medians drop the disturbed blocks.
    constexpr int kBlock = 200;
    constexpr int kBlocks = 41;
    std::vector<double> frameNs;
    std::vector<double> floorNs;
    for (int b = 0; b < kBlocks; ++b) {
        const double t0 = threadCpuNs();
        for (int i = 0; i < kBlock; ++i) loaded.game.drawFrame(canvas);
        const double t1 = threadCpuNs();
        for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(floor.run());
        const double t2 = threadCpuNs();
        frameNs.push_back((t1 - t0) / kBlock);
        floorNs.push_back((t2 - t1) / kBlock);
    }

    const double frame = median(frameNs);
    const double floorTime = median(floorNs);
    state.counters["allocs_per_frame"] =
        static_cast<double>(allocs) / static_cast<double>(state.iterations());
    state.counters["frame_ns"] = frame;
    state.counters["floor_ns"] = floorTime;
    state.counters["ratio"] = frame / floorTime;
    state.counters["math_calls"] = static_cast<double>(floor.callCount());
}
BENCHMARK(BM_Frame)->DenseRange(0, 2)->Unit(benchmark::kNanosecond);

void BM_Floor(benchmark::State& state) {
    const Scene& scene = kScenes[state.range(0)];
    state.SetLabel(scene.name);
    Loaded loaded(scene);
    const bench::MathFloor floor(captureFrame(scene, loaded));
    for (auto _ : state) benchmark::DoNotOptimize(floor.run());
    state.counters["math_calls"] = static_cast<double>(floor.callCount());
}
BENCHMARK(BM_Floor)->DenseRange(0, 2)->Unit(benchmark::kNanosecond);

// One console-variable read as the plugin's accessors make it: a lookup by
// name and a value read. A frame makes about fourteen.
void BM_CVarLookup(benchmark::State& state) {
    Loaded loaded(kScenes[0]);
    CVarManagerWrapper cvars(loaded.store);
    for (auto _ : state) {
        CVarWrapper cvar = cvars.getCvar("trimsight_size");
        benchmark::DoNotOptimize(cvar ? cvar.getFloatValue() : 0.0f);
    }
}
BENCHMARK(BM_CVarLookup)->Unit(benchmark::kNanosecond);

// One frame of the host's settings window with the page in it, the mouse
// resting on the Size slider so that its tooltip shows. Most of the time is
// Dear ImGui's own frame; the plugin's share is the six lookups and widgets.
void BM_SettingsPass(benchmark::State& state) {
    Loaded loaded(kScenes[0]);
    testkit::SettingsHost host;
    BakkesMod::Plugin::PluginSettingsWindow* page = loaded.plugin->settingsWindow();
    page->attachImGuiContext(host.context());
    for (int i = 0; i < 3; ++i) host.pass(*page, 120.0f, 62.0f, false);
    const std::uint64_t before = testkit::allocations.load();
    for (auto _ : state) host.pass(*page, 120.0f, 62.0f, false);
    state.counters["allocs_per_pass"] = static_cast<double>(testkit::allocations.load() - before) /
                                        static_cast<double>(state.iterations());
}
BENCHMARK(BM_SettingsPass)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
