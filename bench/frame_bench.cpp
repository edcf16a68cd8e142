// What one frame of the overlay costs, against what its maths alone costs.
//
// BM_Frame/<scene> draws renderOverlay of the built plugin library, loaded
// through the SDK layer as a host loads it, onto a canvas that discards every
// call. Counters:
//   allocs_per_frame  global operator new calls per frame (whole process)
//   frame_ns, floor_ns  median per-frame times of interleaved blocks of
//                     frames and of the floor, so both see the same machine
//   ratio             frame_ns / floor_ns
//   floor_calls       maths-library calls of the frame with nothing
//                     precomputed: the calls the floor makes
//   frame_calls       maths-library calls the frame makes now, the fixed
//                     angles read from their tables
// The floor is the frame's own maths-library calls with the frame's own
// arguments, recorded from a renamed copy of the plugin's objects
// (MathCapture.h) while that copy computes every fixed angle in the frame
// (render/FixedAngles.h): the floor stays what the frame's maths costs when
// nothing is precomputed, so the tables make the frame cheaper, not the
// floor. BM_Floor/<scene> times the floor alone; BM_CVarLookup one
// console-variable read; BM_SettingsPass one settings-window frame of the
// host with the page in it.
//
// `trimsight_bench --instructions SCENE` draws a block of frames and runs a
// block of floors of one scene for scripts/bench-instructions.sh, which
// counts their instructions with callgrind; `--calls SCENE` lists the
// scene's maths calls by function, in the floor and in the frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
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

// A game state and settings one frame is drawn for.
struct FrameCase {
    const char* name;
    void (*setUp)(pluginsdk::GameState&, pluginsdk::CVarStore&);
};

const FrameCase kScenes[] = {
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

// A plugin library, the real one unless said otherwise, loaded and set up
// for one scene.
struct Loaded {
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;

    explicit Loaded(const FrameCase& scene, const char* path = TRIMSIGHT_PLUGIN_PATH)
        : plugin(testkit::loadPlugin(path, store, game)) {
        scene.setUp(game.state, store);
    }
};

// The scene's frame drawn by a renamed copy of the plugin's objects,
// recording its maths calls: the floor copy linked into this program, which
// computes every fixed angle in the frame, or the frame copy, a plugin
// library of its own that reads them from their tables as the real library
// does. Also checks that the copy draws exactly what the library draws.
enum class Copy { Floor, Frame };

void drawFloorCopy(const FrameCase& scene, pluginsdk::RecordingCanvas& canvas,
                   std::vector<bench::MathCall>& calls) {
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    {
        BakkesMod::Plugin::PluginPointer copy = *getPlugin();
        pluginsdk::attachPlugin(*copy, store, game, &store);
        scene.setUp(game.state, store);
        bench::startCapture(&calls);
        game.drawFrame(canvas);
        bench::stopCapture();
        game.release(&store);
    }
    deleteMe();
}

void drawFrameCopy(const FrameCase& scene, pluginsdk::RecordingCanvas& canvas,
                   std::vector<bench::MathCall>& calls) {
    Loaded copy(scene, TRIMSIGHT_FRAME_CAPTURE_PATH);
    bench::startCapture(&calls);
    copy.game.drawFrame(canvas);
    bench::stopCapture();
}

std::vector<bench::MathCall> captureFrame(const FrameCase& scene, Loaded& real, Copy copy) {
    std::vector<bench::MathCall> calls;
    pluginsdk::RecordingCanvas mine;
    if (copy == Copy::Floor) {
        drawFloorCopy(scene, mine, calls);
    } else {
        drawFrameCopy(scene, mine, calls);
    }
    pluginsdk::RecordingCanvas theirs;
    real.game.drawFrame(theirs);
    if (mine.calls() != theirs.calls() || mine.calls().empty()) {
        std::fprintf(stderr, "%s: the captured copy draws differently\n", scene.name);
        std::exit(1);
    }
    return calls;
}

// The floor: every maths call of the frame with nothing precomputed.
bench::MathFloor captureFloor(const FrameCase& scene, Loaded& real) {
    return bench::MathFloor(captureFrame(scene, real, Copy::Floor));
}

// Blocks of frames and of floors in functions of their own, so that
// callgrind can count the instructions of just these.
[[gnu::noinline]] void frameBlock(pluginsdk::GameHost& game, NullCanvas& canvas, int frames) {
    for (int i = 0; i < frames; ++i) game.drawFrame(canvas);
}

[[gnu::noinline]] void floorBlock(const bench::MathFloor& floor, int floors) {
    for (int i = 0; i < floors; ++i) benchmark::DoNotOptimize(floor.run());
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
    const FrameCase& scene = kScenes[state.range(0)];
    state.SetLabel(scene.name);
    Loaded loaded(scene);
    const bench::MathFloor floor = captureFloor(scene, loaded);
    const std::size_t frameCalls = captureFrame(scene, loaded, Copy::Frame).size();
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
        frameBlock(loaded.game, canvas, kBlock);
        const double t1 = threadCpuNs();
        floorBlock(floor, kBlock);
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
    state.counters["floor_calls"] = static_cast<double>(floor.callCount());
    state.counters["frame_calls"] = static_cast<double>(frameCalls);
}
BENCHMARK(BM_Frame)->DenseRange(0, 2)->Unit(benchmark::kNanosecond);

void BM_Floor(benchmark::State& state) {
    const FrameCase& scene = kScenes[state.range(0)];
    state.SetLabel(scene.name);
    Loaded loaded(scene);
    const bench::MathFloor floor = captureFloor(scene, loaded);
    for (auto _ : state) benchmark::DoNotOptimize(floor.run());
    state.counters["floor_calls"] = static_cast<double>(floor.callCount());
}
BENCHMARK(BM_Floor)->DenseRange(0, 2)->Unit(benchmark::kNanosecond);

// One console-variable read as the plugin's accessors make it: a lookup by
// name and a value read. A frame makes about fourteen; the target is at
// most 10 ns each.
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

const FrameCase* findScene(std::string_view name) {
    for (const FrameCase& scene : kScenes) {
        if (name == scene.name) return &scene;
    }
    std::fprintf(stderr, "no scene %.*s\n", static_cast<int>(name.size()), name.data());
    return nullptr;
}

// For scripts/bench-instructions.sh: a block of frames, then a block of
// floors, of one scene, each in its own function. A few of each first, so
// that the counted ones find every symbol bound.
constexpr int kCountedFrames = 1000;

int countInstructions(const FrameCase& scene) {
    Loaded loaded(scene);
    const bench::MathFloor floor = captureFloor(scene, loaded);
    NullCanvas canvas;
    frameBlock(loaded.game, canvas, 10);
    floorBlock(floor, 10);
    frameBlock(loaded.game, canvas, kCountedFrames);
    floorBlock(floor, kCountedFrames);
    std::printf("%d frames and floors\n", kCountedFrames);
    return 0;
}

// For the docs: the scene's maths calls by function, in the floor and in the
// frame as it is now.
int listCalls(const FrameCase& scene) {
    Loaded loaded(scene);
    std::size_t floorCalls[static_cast<int>(bench::MathFn::Count)] = {};
    std::size_t frameCalls[static_cast<int>(bench::MathFn::Count)] = {};
    for (const auto& c : captureFrame(scene, loaded, Copy::Floor)) {
        ++floorCalls[static_cast<int>(c.fn)];
    }
    for (const auto& c : captureFrame(scene, loaded, Copy::Frame)) {
        ++frameCalls[static_cast<int>(c.fn)];
    }
    std::printf("%-8s %6s %6s\n", "function", "floor", "frame");
    for (int f = 0; f < static_cast<int>(bench::MathFn::Count); ++f) {
        if (floorCalls[f] == 0 && frameCalls[f] == 0) continue;
        std::printf("%-8s %6zu %6zu\n", bench::mathFnName(static_cast<bench::MathFn>(f)),
                    floorCalls[f], frameCalls[f]);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A plugin that cannot be loaded ends the run with the loader's message.
    try {
        if (argc == 3 && std::string_view(argv[1]) == "--instructions") {
            const FrameCase* scene = findScene(argv[2]);
            return scene ? countInstructions(*scene) : 2;
        }
        if (argc == 3 && std::string_view(argv[1]) == "--calls") {
            const FrameCase* scene = findScene(argv[2]);
            return scene ? listCalls(*scene) : 2;
        }
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "trimsight_bench: %s\n", e.what());
        return 1;
    }
}
