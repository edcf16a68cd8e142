// The session core without a window: what a frame costs in allocations
// (free flight, and a drill attempt flown by the autopilot against a ghost),
// the dial it draws live against the trace of its exported flight, the
// window's commands and the settings page's changes in the flight log; a
// free flight in the full model (driving, a jump, the landing) and its log.
#include <gtest/gtest.h>
#include <imgui.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "canvas/DrawListCanvas.h"
#include "fly/FlySession.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "scene/Scene.h"
#include "scene/ScenePlayer.h"
#include "testkit/AllocCounter.h"
#include "testkit/LoadPlugin.h"

namespace {

using namespace fly;

constexpr int64_t kSixtieth = 16666667;    // ns: a 60 Hz frame
constexpr int64_t kThreeTicks = 25000000;  // ns: exactly three 120 Hz ticks

const sandbox::Bindings kBindings = sandbox::defaultBindings();

ControlScript script(const std::string& text) {
    base::Result<ControlScript> s = parseControlScript(text, "test.fly", kBindings);
    EXPECT_TRUE(s) << s.error();
    return s ? *s : ControlScript{};
}

// Stick, boost, a reset, a pause and slow motion: every path of a frame.
const char* kBusyFlight =
    "0    stick 0.3 1\n"
    "0    key down Left Shift\n"
    "0.4  stick -1 -0.5\n"
    "0.8  button down West\n"
    "1.2  key down R\n"
    "1.3  key up R\n"
    "1.5  key down M\n"
    "1.6  key up M\n"
    "2.0  key down P\n"
    "2.1  key up P\n"
    "2.4  key down P\n"
    "2.5  stick 0 0\n"
    "3    end\n";

class Session : public ::testing::Test {
  protected:
    void SetUp() override { plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, cvars, game); }

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

// ImGui's own allocations, which go around operator new.
std::size_t imguiAllocations = 0;
void* countedAlloc(std::size_t size, void*) {
    ++imguiAllocations;
    return std::malloc(size);
}
void countedFree(void* p, void*) { std::free(p); }

// Allocations in frames after the first: operator new's and Dear ImGui's.
struct FrameAllocations {
    int frames = 0;
    std::uint64_t newCalls = 0;
    std::size_t imguiCalls = 0;
};

// Frames of the session and its dial on an ImGui draw list, 60 a second,
// until `done`.
FrameAllocations countFrameAllocations(FlySession& session, const std::function<bool()>& done) {
    ImGui::SetAllocatorFunctions(countedAlloc, countedFree);
    ImGuiContext* context = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1280.0f, 720.0f);
    io.DeltaTime = 1.0f / 60.0f;
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);

    FrameAllocations counted;
    FrameInput input;
    for (; !done(); ++counted.frames) {
        ImGui::NewFrame();
        const std::uint64_t before = testkit::allocations.load();
        const std::size_t imguiBefore = imguiAllocations;
        session.advance(kSixtieth, input);
        canvas::DrawListCanvas canvas(ImGui::GetBackgroundDrawList(), {1280, 720});
        session.drawDial(canvas);
        if (counted.frames > 0) {
            counted.newCalls += testkit::allocations.load() - before;
            counted.imguiCalls += imguiAllocations - imguiBefore;
        }
        ImGui::Render();
    }
    ImGui::DestroyContext(context);
    ImGui::SetAllocatorFunctions([](std::size_t size, void*) { return std::malloc(size); },
                                 [](void* p, void*) { std::free(p); });
    return counted;
}

TEST_F(Session, AFrameOfTheSimulationAndTheDialAllocatesNothingAfterTheFirst) {
    const ControlScript flight = script(kBusyFlight);
    SessionOptions options;
    options.seed = 5;
    options.script = &flight;
    FlySession session(cvars, game, options);
    const FrameAllocations counted =
        countFrameAllocations(session, [&] { return session.scriptEnded(); });

    EXPECT_EQ(counted.frames, 180);               // 3 s of sixtieths
    EXPECT_GT(session.log().ticks.size(), 200u);  // it flew, slowed and paused
    EXPECT_EQ(counted.newCalls, 0u);
    // The dial's draw list keeps its buffers from frame to frame.
    EXPECT_EQ(counted.imguiCalls, 0u);
}

TEST_F(Session, ADrillAttemptFlownByTheAutopilotAgainstAGhostAllocatesNothingAfterTheFirstFrame) {
    // The best flight to race: an earlier attempt at the same drill and seed.
    sandbox::FlightLog best;
    {
        SessionOptions first;
        first.drill = sandbox::findDrill("aerial-touch");
        first.seed = 3;
        first.autopilot = true;
        FlySession earlier(cvars, game, first);
        while (!earlier.attempt()->finished()) earlier.advance(kSixtieth, FrameInput{});
        best = earlier.log();
    }
    SessionOptions options;
    options.drill = sandbox::findDrill("aerial-touch");
    options.seed = 3;
    options.autopilot = true;
    options.bestFlight = [&best](std::string_view, uint64_t) { return &best; };
    FlySession session(cvars, game, options);
    ASSERT_TRUE(session.attempt()->racesBestFlight());
    // The countdown, the attempt to its end (the cue set back), a second after.
    int framesAfterEnd = 0;
    const FrameAllocations counted = countFrameAllocations(
        session, [&] { return session.attempt()->finished() && ++framesAfterEnd > 60; });

    EXPECT_EQ(session.attemptsFinished(), 1u);
    EXPECT_GT(counted.frames, 300);
    EXPECT_EQ(counted.newCalls, 0u);
    EXPECT_EQ(counted.imguiCalls, 0u);
}

// Each frame's canvas calls as trace prints them.
struct RecordedFrames final : scene::FrameSink {
    pluginsdk::CanvasBackend& beginFrame(std::size_t, const scene::FrameState& state) override {
        canvas.clear();
        canvas.setSize(state.canvas);
        return canvas;
    }
    void endFrame(std::size_t) override { frames.push_back(lines(canvas)); }
    static std::vector<std::string> lines(const pluginsdk::RecordingCanvas& c) {
        std::vector<std::string> out;
        for (const auto& call : c.calls()) out.push_back(pluginsdk::formatCall(call));
        return out;
    }
    pluginsdk::RecordingCanvas canvas;
    std::vector<std::vector<std::string>> frames;
};

TEST_F(Session, TheDialDrawnLiveIsTheTraceOfTheExportedFlight) {
    // Three ticks a frame, so that the export's frames (one every three
    // ticks) fall where the live ones did; the target option changes midway,
    // between two frames, as the settings page would change it.
    const ControlScript flight = script(
        "0    stick 0.6 0.8\n0    key down Left Shift\n0.5  stick -0.4 -1\n"
        "0.9  button down West\n1.2  key up Left Shift\n1.5  end\n");
    SessionOptions options;
    options.seed = 9;
    options.script = &flight;
    FlySession session(cvars, game, options);
    pluginsdk::RecordingCanvas live({1920, 1080});
    std::vector<std::vector<std::string>> liveFrames;
    for (int frame = 0; !session.scriptEnded(); ++frame) {
        if (frame == 30) {
            cvars.setRaw("trimsight_target", "5");
            ASSERT_TRUE(session.recordSettingChanges());
        }
        session.advance(kThreeTicks, FrameInput{});
        live.clear();
        session.drawDial(live);
        liveFrames.push_back(RecordedFrames::lines(live));
    }

    const base::Result<std::string> text = sandbox::exportScene(session.log(), {3, {1920, 1080}});
    ASSERT_TRUE(text.ok()) << text.error();
    const base::Result<scene::SceneFrames> scene = scene::parseScene(*text);
    ASSERT_TRUE(scene) << scene.error();
    pluginsdk::CVarStore traceCvars;
    pluginsdk::GameHost traceGame;
    const auto tracePlugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, traceCvars, traceGame);
    RecordedFrames traced;
    ASSERT_TRUE(scene::playScene(*scene, traceCvars, traceGame, traced));

    // The export's frame 0 is the start, before the first live frame.
    ASSERT_EQ(traced.frames.size(), liveFrames.size() + 1);
    for (std::size_t i = 0; i < liveFrames.size(); ++i) {
        ASSERT_FALSE(liveFrames[i].empty()) << "frame " << i << " drew nothing";
        ASSERT_EQ(liveFrames[i], traced.frames[i + 1]) << "frame " << i;
    }
}

TEST_F(Session, CommandsResetPauseStepSlowDownAndStartAgain) {
    SessionOptions options;
    options.seed = 40;
    FlySession session(cvars, game, options);
    const sandbox::World start = sandbox::randomStart(40);
    const auto frameWith = [&](std::initializer_list<Command> commands) {
        FrameInput input;
        for (Command c : commands) input.commands.add(c);
        session.advance(kThreeTicks, input);
        return session.log().ticks.size();
    };
    EXPECT_EQ(frameWith({}), 3u);
    EXPECT_FALSE(session.world() == start);

    // Reset: the start again, noted in the log before the next tick.
    frameWith({Command::Reset});
    const sandbox::FlightEvent& reset = session.log().events.back();
    EXPECT_EQ(reset.kind, sandbox::FlightEvent::Kind::Reset);
    EXPECT_EQ(reset.tick, 3u);

    // Pause: no ticks; a single tick: one; pause again to go on.
    EXPECT_EQ(frameWith({Command::Pause}), 6u);
    EXPECT_EQ(frameWith({}), 6u);
    EXPECT_EQ(frameWith({Command::SingleTick}), 7u);
    EXPECT_EQ(frameWith({}), 7u);
    frameWith({Command::Pause});
    EXPECT_FALSE(session.clock().paused());

    // Slow motion: half, a quarter, then normal again.
    const std::size_t before = session.log().ticks.size();
    frameWith({Command::SlowMotion});
    for (int i = 0; i < 19; ++i) frameWith({});
    EXPECT_EQ(session.clock().slowMotion(), 2);
    EXPECT_EQ(session.log().ticks.size() - before, 30u);  // 20 frames of 3 ticks, halved
    frameWith({Command::SlowMotion});
    EXPECT_EQ(session.clock().slowMotion(), 4);
    frameWith({Command::SlowMotion});
    EXPECT_EQ(session.clock().slowMotion(), 1);

    // A new random start takes the next seed and a new log, which opens with
    // the saved settings so that it replays with them.
    frameWith({Command::RandomStart});
    EXPECT_EQ(session.seed(), 41u);
    EXPECT_TRUE(session.log().start == sandbox::randomStart(41));
    EXPECT_EQ(session.log().ticks.size(), 3u);
    ASSERT_FALSE(session.log().events.empty());
    EXPECT_EQ(session.log().events.front().name, "trimsight_enabled");
    EXPECT_EQ(session.log().events.front().tick, 0u);

    EXPECT_FALSE(session.ballCamera());
    frameWith({Command::BallCamera, Command::Help, Command::Settings});
    EXPECT_TRUE(session.ballCamera() && session.helpShown() && session.settingsShown());
    // F1 steps through the help's two pages, then closes it.
    EXPECT_EQ(session.helpPage(), FlySession::HelpPage::Controls);
    frameWith({Command::Help});
    EXPECT_EQ(session.helpPage(), FlySession::HelpPage::ReadingTheDial);
    frameWith({Command::Help});
    EXPECT_FALSE(session.helpShown());
    EXPECT_FALSE(session.quitRequested());
    frameWith({Command::Quit});
    EXPECT_TRUE(session.quitRequested());
}

TEST_F(Session, TheHostsGameShowsTheFlightWithFreePlayOn) {
    FlySession session(cvars, game, SessionOptions{});
    FrameInput input;
    input.keysHeld.set(sandbox::Action::Jump, true);
    input.pad.leftX = 1.0f;  // stick right
    for (int i = 0; i < 10; ++i) session.advance(kThreeTicks, input);
    const sandbox::HostView view = sandbox::hostView(session.world(), session.lastControls());
    EXPECT_TRUE(game.state.freeplay);
    EXPECT_FALSE(game.state.paused);
    EXPECT_GT(game.state.car.location.Z, sandbox::model::kCarRestHeight);  // jumped
    EXPECT_EQ(game.state.car.location.Z, view.carLocation.Z);
    EXPECT_EQ(game.state.car.rotation.Yaw, view.carRotation.Yaw);
    EXPECT_EQ(game.state.car.input.Steer, 1.0f);
    EXPECT_EQ(game.state.ball.location.X, view.ballLocation.X);
}

}  // namespace

namespace {

using namespace fly;

// From the default start on the floor: the right trigger drives the car
// towards the ball, Space jumps, the landing is taken by the wheels and the
// car drives on (nothing ends a free flight); the log, version 4, replays
// to the session's world.
TEST_F(Session, AFreeFlightDrivesJumpsLandsAndDrivesOnAndItsLogReplays) {
    const ControlScript drive = script(
        "0    key down Up\n"
        "1.5  key down Space\n"
        "1.7  key up Space\n"
        "3.5  end\n");
    SessionOptions options;
    options.script = &drive;
    FlySession session(cvars, game, options);
    const sandbox::World start = session.world();
    bool jumped = false, landed = false, leftTheFloor = false;
    while (!session.scriptEnded()) {
        session.advance(kSixtieth, FrameInput{});
        // Two ticks a frame: the flags the view keeps, not one tick's report.
        jumped = jumped || session.world().car.jumping;
        landed = landed || (leftTheFloor && session.world().car.onGround);
        leftTheFloor = leftTheFloor || session.world().car.location.z > 100.0f;
    }
    EXPECT_TRUE(jumped);
    EXPECT_TRUE(leftTheFloor);
    EXPECT_TRUE(landed);
    const sandbox::CarState& car = session.world().car;
    EXPECT_TRUE(car.onGround);
    EXPECT_GT(car.location.x - start.car.location.x, 1500.0f);  // it drove on
    EXPECT_GT(car.velocity.x, 1000.0f);

    const std::string text = sandbox::formatFlightLog(session.log());
    EXPECT_EQ(text.rfind("trimsight-flight 4\n", 0), 0u);
    const base::Result<sandbox::FlightLog> read = sandbox::parseFlightLog(text, "free.log");
    ASSERT_TRUE(read) << read.error();
    sandbox::FlightReplay replay(*read);
    while (!replay.finished()) replay.step();
    EXPECT_TRUE(replay.simulation().full() == session.simulation().full());
}

// The controls window's wait for a press: the next key or pad button is
// bound (swapping with the action that had it), a command's is refused,
// Escape and Back cancel; the press acts on nothing else, and the stick's
// settings shape what the log records from then on.
TEST_F(Session, APressWhileTheControlsWindowWaitsIsBoundAndNothingElse) {
    FlySession session(cvars, game, SessionOptions{});
    FrameInput input;
    const auto frame = [&](std::string_view key, sandbox::PadState pad = {}) {
        input.keyPressed = key;
        input.pad = pad;
        session.advance(kSixtieth, input);
    };
    session.showControls(true);
    EXPECT_TRUE(session.menuShown());
    session.startCapture(sandbox::Action::Boost, FlySession::Capture::Key);
    frame("");  // nothing pressed: still waiting
    EXPECT_EQ(session.capturing(), FlySession::Capture::Key);
    input.commands.add(Command::Reset);  // R's command, as the platform hands it
    frame("R");
    input.commands.clear();
    EXPECT_EQ(session.capturing(), FlySession::Capture::None);
    EXPECT_TRUE(session.captureEndedThisFrame());
    EXPECT_EQ(session.controlsNote(), "R is the reset command's key; pick another");
    EXPECT_EQ(session.controlsChanges(), 0u);

    session.startCapture(sandbox::Action::Boost, FlySession::Capture::Key);
    frame("Space");
    EXPECT_EQ(keyOf(session.bindings(), sandbox::Action::Boost), "Space");
    EXPECT_EQ(keyOf(session.bindings(), sandbox::Action::Jump), "Left Shift");
    EXPECT_EQ(session.controlsNote(), "boost: Space; Space was jump's: jump now has Left Shift");
    EXPECT_EQ(session.controlsChanges(), 1u);
    frame("");
    EXPECT_FALSE(session.captureEndedThisFrame());

    // A pad button: West (air roll's) to jump, then held on: it neither
    // rolls the car nor binds again.
    sandbox::PadState west;
    west.press(sandbox::PadButton::West);
    session.startCapture(sandbox::Action::Jump, FlySession::Capture::Button);
    frame("", west);
    EXPECT_EQ(buttonOf(session.bindings(), sandbox::Action::Jump), sandbox::PadButton::West);
    EXPECT_EQ(buttonOf(session.bindings(), sandbox::Action::AirRoll), sandbox::PadButton::South);
    frame("", west);
    EXPECT_FALSE(session.lastControls().jump) << "the binding's press is not a jump";

    // Escape cancels a wait for a key, Back one for a button; neither quits
    // nor resets.
    session.startCapture(sandbox::Action::RollLeft, FlySession::Capture::Key);
    input.commands.add(Command::Quit);
    frame("Escape");
    input.commands.clear();
    EXPECT_EQ(session.controlsNote(), "not changed");
    EXPECT_FALSE(session.quitRequested());
    sandbox::PadState back;
    back.press(sandbox::PadButton::Back);
    session.startCapture(sandbox::Action::Boost, FlySession::Capture::Button);
    const std::size_t ticks = session.log().ticks.size();
    frame("", back);
    EXPECT_EQ(session.controlsNote(), "not changed");
    for (const sandbox::FlightEvent& e : session.log().events)
        EXPECT_NE(e.kind, sandbox::FlightEvent::Kind::Reset) << "no reset";
    EXPECT_GT(session.log().ticks.size(), ticks);
    EXPECT_EQ(session.controlsChanges(), 2u);

    // The stick's sensitivity reaches the log; a new dodge dead zone starts
    // a new log that keeps it.
    PlayerControls controls = session.controls();
    controls.bindings.aerialSensitivity = 0.5f;
    controls.dodgeDeadZone = 0.7f;
    session.setControls(controls);
    EXPECT_EQ(session.log().ticks.size(), 0u);
    EXPECT_EQ(session.log().options.dodgeDeadZone, 0.7f);
    session.showControls(false);
    sandbox::PadState pulled;
    pulled.leftY = 1.0f;
    frame("", pulled);
    ASSERT_FALSE(session.log().ticks.empty());
    EXPECT_EQ(session.log().ticks.back().pitch, 0.5f);
}

}  // namespace
