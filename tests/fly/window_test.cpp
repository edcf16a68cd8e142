// The window end to end, in-process, on SDL's offscreen driver: a virtual
// game controller plugged in while the window runs (the hot-plug path)
// flies the car, and the last frame read back shows the world's sky and
// floor and the plugin's dial where they belong.
#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "fly/platform/Platform.h"
#include "fly/window/FlyApp.h"
#include "fly/window/WorldRenderer.h"
#include "sandbox/Drills.h"
#include "sandbox/Shots.h"
#include "testkit/LoadPlugin.h"
#include "testkit/Pixels.h"

namespace {

using namespace fly;

bool near(Rgb a, Rgb8 b, int tolerance = 6) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// The dial's ground and sky.
constexpr Rgb8 kDialGround{215, 95, 0};
constexpr Rgb8 kDialSky{50, 190, 220};

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, cvars, game);
        WindowOptions window;
        window.width = 1280;
        window.height = 720;
        window.videoDriver = "offscreen";
        base::Result<std::unique_ptr<Platform>> opened = openSdlPlatform(window);
        if (!opened)
            GTEST_SKIP() << "SDL's offscreen driver gives no OpenGL context on this machine: "
                         << opened.error();
        platform = std::move(*opened);
    }

    // Plugs in a virtual game controller: its axes and buttons in SDL's
    // game-controller order, so SDL maps it as a standard pad.
    SDL_Joystick* plugInPad() {
        const int index =
            SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0);
        EXPECT_GE(index, 0) << SDL_GetError();
        SDL_Joystick* pad = SDL_JoystickOpen(index);
        EXPECT_NE(pad, nullptr) << SDL_GetError();
        return pad;
    }

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
    std::unique_ptr<Platform> platform;
};

TEST_F(Window, AVirtualPadFliesTheCarAndTheLastFrameShowsWorldAndDial) {
    FlySession session(cvars, game, SessionOptions{});
    AppOptions options;
    options.captureLastFrame = true;
    options.endNs = 2000000000;  // two seconds of 60 frames
    auto app = FlyApp::create(*platform, session, options);
    ASSERT_TRUE(app) << app.error();

    // One frame without a pad, then the pad comes.
    ASSERT_TRUE((*app)->frame());
    EXPECT_EQ(platform->padName(), "");
    SDL_Joystick* pad = plugInPad();
    // Jump (South) with the stick pulled right back: the car leaves the
    // floor and its nose rises. The events are pumped after the axes are
    // set, or the offscreen driver never hands them on.
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    SDL_PumpEvents();
    for (int i = 0; i < 40; ++i) ASSERT_TRUE((*app)->frame());
    EXPECT_NE(platform->padName(), "");
    const sandbox::CarState& car = session.world().car;
    EXPECT_FALSE(car.onGround);
    const sandbox::AxisRates pulled = sandbox::ratesInCarAxes(car.attitude, car.spin);
    EXPECT_GT(car.attitude.forward.z, 0.3f) << "the nose rose";
    EXPECT_GT(pulled.pitch, 1.0f);
    EXPECT_NEAR(pulled.roll, 0.0f, 1e-3f);
    EXPECT_NEAR(pulled.yaw, 0.0f, 1e-3f);

    // Stick full right: the car turns right (yaw towards its right side).
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 0);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    SDL_PumpEvents();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE((*app)->frame());
    EXPECT_GT(sandbox::ratesInCarAxes(car.attitude, car.spin).yaw, 1.0f);
    // The log recorded what the stick said, tick by tick.
    const sandbox::FlightLog& log = session.log();
    ASSERT_GT(log.ticks.size(), 100u);
    EXPECT_EQ(log.ticks[20].pitch, 1.0f);
    EXPECT_TRUE(log.ticks[20].jump);
    EXPECT_EQ(log.ticks.back().yaw, 1.0f);
    EXPECT_EQ(log.ticks.back().steer, 1.0f);

    // Centre the stick and let the car fall back to level-ish flight for the
    // picture: the dial at its default place, the world around it.
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 0);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 0);
    SDL_PumpEvents();
    while ((*app)->frame()) {
    }
    SDL_JoystickClose(pad);

    const canvas::Image& shot = (*app)->lastPicture();
    ASSERT_EQ(shot.width, 1280);
    ASSERT_EQ(shot.height, 720);
    // The top middle is the world's sky, the bottom right corner its floor.
    EXPECT_TRUE(near(pixel(shot, 900, 4), kSkyColour));
    int floor = 0;
    for (int x = 1180; x < 1280; x += 10) floor += near(pixel(shot, x, 715), kFloorColour);
    EXPECT_GE(floor, 7) << "the floor at the bottom right, grid lines aside";
    // The dial (x 0.3, y 0.9, size 3.3: centre (430, 555), radius 105 at
    // 1280 by 720) shows both of its colours inside its circle and nowhere
    // else on the screen.
    int dialGround = 0, dialSky = 0, outside = 0;
    for (int y = 0; y < 720; y += 2)
        for (int x = 0; x < 1280; x += 2) {
            const Rgb c = pixel(shot, x, y);
            const bool ground = near(c, kDialGround, 2), sky = near(c, kDialSky, 2);
            if (!ground && !sky) continue;
            const bool inDial = std::hypot(x - 430.0, y - 555.0) <= 110.0;
            (inDial ? (ground ? dialGround : dialSky) : outside) += 1;
        }
    EXPECT_GT(dialGround, 200);
    EXPECT_GT(dialSky, 200);
    EXPECT_EQ(outside, 0);
}

// Presses and lets go of a key as a keyboard would, by where it sits.
void tapKey(SDL_Scancode key) {
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event event{};
        event.type = type;
        event.key.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = key;
        event.key.keysym.sym = SDL_GetKeyFromScancode(key);
        SDL_PushEvent(&event);
    }
}

TEST_F(Window, F2OpensTheSettingsPageWhoseChangesAreSavedOnceTheyRest) {
    FlySession session(cvars, game, SessionOptions{});
    AppOptions options;
    options.settingsPage = plugin->settingsWindow();
    ASSERT_NE(options.settingsPage, nullptr);
    options.settingsTitle = options.settingsPage->getSettingsName();
    int saves = 0;
    options.saveSettings = [&](std::span<const SettingText>) {
        ++saves;
        return base::Status();
    };
    auto app = FlyApp::create(*platform, session, options);
    ASSERT_TRUE(app) << app.error();

    tapKey(SDL_SCANCODE_F2);
    ASSERT_TRUE((*app)->frame());
    EXPECT_TRUE(session.settingsShown());
    // The page changes the dial's size, as its slider would; a second
    // change follows before the first has rested.
    cvars.setRaw("trimsight_size", "4.5");
    for (int i = 0; i < 10; ++i) ASSERT_TRUE((*app)->frame());
    cvars.setRaw("trimsight_size", "4.75");
    ASSERT_TRUE((*app)->frame());
    EXPECT_EQ(saves, 0);
    // Half a second of rest later (the offscreen window's frames are
    // sixtieths of a second), one save.
    for (int i = 0; i < 40; ++i) ASSERT_TRUE((*app)->frame());
    EXPECT_EQ(saves, 1);
    // F2 again closes it; nothing new to save.
    tapKey(SDL_SCANCODE_F2);
    ASSERT_TRUE((*app)->frame());
    EXPECT_FALSE(session.settingsShown());
    EXPECT_TRUE((*app)->finish().ok());
    EXPECT_EQ(saves, 1);
    // The flight log has the change where the dial first showed it.
    session.flushSettingChanges();
    const sandbox::FlightEvent& change = session.log().events.back();
    EXPECT_EQ(change.name, "trimsight_size");
    EXPECT_EQ(change.value, "4.75");
}

TEST_F(Window, DuringADrillASaveKeepsThePlayersTargetAndF3OpensTheDrillMenu) {
    cvars.setRaw("trimsight_target", "1");  // the player's own
    SessionOptions drill;
    drill.drill = sandbox::findDrill("recovery");
    drill.seed = 2;
    drill.autopilot = true;
    FlySession session(cvars, game, drill);
    AppOptions options;
    options.settingsPage = plugin->settingsWindow();
    options.settingsTitle = "Trimsight";
    std::vector<std::pair<std::string, std::string>> inPlace;
    int saves = 0;
    options.saveSettings = [&](std::span<const SettingText> texts) {
        ++saves;
        for (const SettingText& t : texts) inPlace.emplace_back(t.name, t.text);
        return base::Status();
    };
    int reported = 0;
    options.onAttemptFinished = [&](const FlySession& s) {
        ++reported;
        EXPECT_TRUE(s.attempt()->finished());
        EXPECT_EQ(s.log().ticks.size(), s.attempt()->drill().ticks());
    };
    options.endWithAttempt = true;
    auto app = FlyApp::create(*platform, session, options);
    ASSERT_TRUE(app) << app.error();

    // The page changes the dial's size while the cue (down) stands in for
    // the player's target: the save writes the player's.
    tapKey(SDL_SCANCODE_F2);
    ASSERT_TRUE((*app)->frame());
    cvars.setRaw("trimsight_size", "4.5");
    for (int i = 0; i < 40; ++i) ASSERT_TRUE((*app)->frame());
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(inPlace,
              (std::vector<std::pair<std::string, std::string>>{{"trimsight_target", "1"}}));
    EXPECT_EQ(cvars.find("trimsight_target")->text(), "2");

    tapKey(SDL_SCANCODE_F3);
    ASSERT_TRUE((*app)->frame());
    EXPECT_TRUE(session.drillMenuShown());
    // The run ends once the attempt is over and its result drawn: the rest
    // of the countdown (360 ticks, 42 frames of two gone), the attempt, and
    // one frame more, in which Dear ImGui shows the new result window.
    int frames = 0;
    while ((*app)->frame()) ++frames;
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(frames, 180 - 42 + (static_cast<int>(session.attempt()->drill().ticks()) + 1) / 2);
    EXPECT_EQ(cvars.find("trimsight_target")->text(), "1");
    EXPECT_TRUE((*app)->finish().ok());
}

// The result panel sizes itself to its text: at the smallest and the
// largest window, its widest row (a part's label, the "ranks attempts" note
// and the value) fits inside it, and the panel inside the window.
TEST_F(Window, TheResultPanelFitsItsWidestRowFrom800x450To3840x2160) {
    for (const Vector2 size : {Vector2{800, 450}, Vector2{3840, 2160}}) {
        SCOPED_TRACE(std::to_string(size.X) + "x" + std::to_string(size.Y));
        platform.reset();
        WindowOptions window;
        window.width = size.X;
        window.height = size.Y;
        window.videoDriver = "offscreen";
        base::Result<std::unique_ptr<Platform>> opened = openSdlPlatform(window);
        ASSERT_TRUE(opened) << opened.error();
        platform = std::move(*opened);
        SessionOptions drill;
        drill.drill = sandbox::findDrill("velocity-alignment");
        drill.seed = 1;
        drill.autopilot = true;
        FlySession session(cvars, game, drill);
        AppOptions options;
        options.endWithAttempt = true;
        auto app = FlyApp::create(*platform, session, options);
        ASSERT_TRUE(app) << app.error();
        while ((*app)->frame()) {
        }
        const ImGuiWindow* panel = ImGui::FindWindowByName("Result");
        ASSERT_NE(panel, nullptr);
        const ImGuiStyle& style = ImGui::GetStyle();
        const float inner = panel->Size.x - 2.0f * style.WindowPadding.x;
        float widest = 0.0f;
        const sandbox::DrillScore score = session.attempt()->drill().score();
        for (const sandbox::ScorePart& part : score.parts()) {
            const std::string label(part.label);
            // As the panel writes the value.
            char value[64];
            if (part.unit == "%")
                std::snprintf(value, sizeof value, "%.1f %%", static_cast<double>(part.value));
            else
                std::snprintf(value, sizeof value, "%.2f %.*s", static_cast<double>(part.value),
                              static_cast<int>(part.unit.size()), part.unit.data());
            const bool ranks = part.key == session.attempt()->drill().info().mainPart;
            widest = std::max(
                widest, ImGui::CalcTextSize(label.c_str()).x +
                            (ranks ? ImGui::CalcTextSize("(ranks attempts)").x + style.ItemSpacing.x
                                   : 0.0f) +
                            ImGui::CalcTextSize(value).x + 2.0f * style.CellPadding.x);
        }
        EXPECT_GT(widest, 0.0f);
        EXPECT_LE(widest, inner);
        EXPECT_GE(panel->Pos.x, 0.0f);
        EXPECT_LE(panel->Pos.x + panel->Size.x, static_cast<float>(size.X));
        // The text grows with the window.
        EXPECT_NEAR(ImGui::GetFontSize(), 15.0f * static_cast<float>(size.Y) / 720.0f,
                    static_cast<float>(size.Y) / 720.0f);
    }
}

// A pad alone: the right stick's click opens the drill menu; the d-pad
// walks down its list (the drills, the seed, the two check boxes) to the
// autopilot's box, South ticks it, one more down reaches Start, South
// starts the attempt; at its end the result has the focus and South
// presses its first button, Again. The car never jumped from those Souths.
TEST_F(Window, APadAloneOpensTheDrillMenuStartsADrillAndPressesAgain) {
    FlySession session(cvars, game, SessionOptions{});
    AppOptions options;
    auto app = FlyApp::create(*platform, session, options);
    ASSERT_TRUE(app) << app.error();
    ASSERT_TRUE((*app)->frame());
    SDL_Joystick* pad = plugInPad();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE((*app)->frame());
    ASSERT_NE(platform->padName(), "");
    const auto press = [&](SDL_GameControllerButton button) {
        SDL_JoystickSetVirtualButton(pad, button, 1);
        SDL_PumpEvents();
        for (int i = 0; i < 2; ++i) ASSERT_TRUE((*app)->frame());
        SDL_JoystickSetVirtualButton(pad, button, 0);
        SDL_PumpEvents();
        for (int i = 0; i < 2; ++i) ASSERT_TRUE((*app)->frame());
    };

    press(SDL_CONTROLLER_BUTTON_RIGHTSTICK);
    ASSERT_TRUE(session.drillMenuShown());
    const std::size_t drills = sandbox::drillTable().size();
    for (std::size_t i = 0; i < drills + 2; ++i) press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    press(SDL_CONTROLLER_BUTTON_A);
    EXPECT_TRUE(session.autopilot()) << "South ticked the autopilot's box";
    EXPECT_EQ(session.attempt(), nullptr);
    press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    press(SDL_CONTROLLER_BUTTON_A);
    ASSERT_NE(session.attempt(), nullptr) << "South pressed Start";
    EXPECT_FALSE(session.drillMenuShown());
    EXPECT_EQ(session.drill(), &sandbox::drillTable()[0]);

    int frames = 0;
    while (!session.attempt()->finished() && frames++ < 5000) ASSERT_TRUE((*app)->frame());
    ASSERT_TRUE(session.attempt()->finished());
    EXPECT_EQ(session.attemptsFinished(), 1u);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE((*app)->frame());
    press(SDL_CONTROLLER_BUTTON_A);
    EXPECT_FALSE(session.attempt()->finished()) << "Again started the next attempt";
    EXPECT_EQ(session.drillSeed(), 1u);
    for (const sandbox::CarControls& tick : session.log().ticks) EXPECT_FALSE(tick.jump);
    SDL_JoystickClose(pad);
}

// The keyboard alone: F3 opens the drill menu, the arrow keys walk it and
// Space presses; Escape closes the menu instead of the window.
TEST_F(Window, TheKeyboardAloneDrivesTheDrillMenuAndEscapeClosesIt) {
    FlySession session(cvars, game, SessionOptions{});
    AppOptions options;
    auto app = FlyApp::create(*platform, session, options);
    ASSERT_TRUE(app) << app.error();
    // Down in one frame, up in the next: Dear ImGui 1.86 sees a key by
    // its state at each frame's start.
    const auto tap = [&](SDL_Scancode key) {
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event event{};
            event.type = type;
            event.key.type = type;
            event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
            event.key.keysym.scancode = key;
            event.key.keysym.sym = SDL_GetKeyFromScancode(key);
            SDL_PushEvent(&event);
            for (int i = 0; i < 2; ++i) ASSERT_TRUE((*app)->frame());
        }
    };
    tap(SDL_SCANCODE_F3);
    ASSERT_TRUE(session.drillMenuShown());
    tap(SDL_SCANCODE_DOWN);  // the second drill
    tap(SDL_SCANCODE_SPACE);
    // Below it: the other drills, the seed, two boxes, then Start.
    const std::size_t drills = sandbox::drillTable().size();
    for (std::size_t i = 0; i < drills + 2; ++i) tap(SDL_SCANCODE_DOWN);
    // Space and the arrows were the menu's: the car neither jumped nor
    // reversed (Down) in the flight so far.
    ASSERT_GT(session.log().ticks.size(), 10u);
    for (const sandbox::CarControls& tick : session.log().ticks) {
        EXPECT_FALSE(tick.jump);
        EXPECT_EQ(tick.throttle, 0.0f);
    }
    tap(SDL_SCANCODE_SPACE);
    ASSERT_NE(session.attempt(), nullptr) << "Space pressed Start";
    EXPECT_EQ(session.drill(), &sandbox::drillTable()[1]) << "the drill Space chose";
    EXPECT_FALSE(session.drillMenuShown());

    tap(SDL_SCANCODE_F3);
    ASSERT_TRUE(session.drillMenuShown());
    tap(SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(session.drillMenuShown());
    EXPECT_FALSE(session.quitRequested());
}

}  // namespace

namespace {

sandbox::AttemptRecord kept(std::string drill, uint64_t seed, bool passed, float score) {
    sandbox::AttemptRecord r;
    r.time = 1710408413;
    r.drill = std::move(drill);
    r.seed = seed;
    r.passed = passed;
    const sandbox::DrillInfo& info = sandbox::findDrill(r.drill)->info;
    r.mainPart = std::string(info.mainPart);
    r.better = info.better;
    r.parts = {{r.mainPart, score}};
    return r;
}

// A key held for a frame and let go for the next, as a player presses it
// (Dear ImGui reads which keys are down at each frame's start: a press and
// release within one frame would not reach its navigation).
void keyEvent(SDL_Scancode key, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.type = event.type;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = key;
    event.key.keysym.sym = SDL_GetKeyFromScancode(key);
    SDL_PushEvent(&event);
}

void press(FlyApp& app, SDL_Scancode key, int times = 1) {
    for (int i = 0; i < times; ++i) {
        for (bool down : {true, false}) {
            keyEvent(key, down);
            ASSERT_TRUE(app.frame());
        }
    }
}

}  // namespace

// H opens the progress view over the attempts the session knows; the arrows
// move through its drills (not the car) while it is open, and drive the car
// again once H has closed it.
TEST_F(Window, HOpensTheProgressViewWhoseDrillsTheArrowsMoveThroughInsteadOfTheCar) {
    const std::vector<sandbox::AttemptRecord> attempts = {
        kept("recovery", 1, true, 12.0f), kept("recovery", 1, true, 6.5f),
        kept("recovery", 2, false, 31.0f), kept("recovery", 1, true, 3.25f),
        kept("nose-on-ball", 4, true, 7.5f)};
    SessionOptions options;
    options.attempts = [&attempts] { return std::span<const sandbox::AttemptRecord>(attempts); };
    FlySession session(cvars, game, options);
    AppOptions appOptions;
    appOptions.captureLastFrame = true;
    appOptions.endNs = int64_t{4} * 1000000000;
    auto app = FlyApp::create(*platform, session, appOptions);
    ASSERT_TRUE(app) << app.error();

    press(**app, SDL_SCANCODE_H);
    ASSERT_TRUE(session.progressShown());
    const ProgressChoice& choice = (*app)->progressChoice();
    ASSERT_GE(choice.rows.size(), 2u);
    EXPECT_EQ(choice.rows[0].drill, "nose-on-ball");  // the drill menu's order
    EXPECT_EQ(choice.rows[1].drill, "recovery");
    EXPECT_EQ(choice.rows[1].attempts, 4u);
    EXPECT_EQ(choice.rows[1].passed, 3u);
    EXPECT_EQ(choice.rows[1].best, 3.25f);
    EXPECT_EQ(plottedScores(choice.rows[1], 0), (std::vector<float>{12.0f, 6.5f, 31.0f, 3.25f}));
    EXPECT_EQ(plottedScores(choice.rows[1], 1), (std::vector<float>{12.0f, 6.5f, 3.25f}));
    EXPECT_EQ(choice.rows[2].attempts, 0u);  // a drill never flown has its row

    // The first arrow lands on the first row; each after moves one down.
    press(**app, SDL_SCANCODE_DOWN, 2);
    EXPECT_EQ(choice.drill, 1);
    press(**app, SDL_SCANCODE_DOWN, 2);
    EXPECT_EQ(choice.drill, 3);
    press(**app, SDL_SCANCODE_UP);
    EXPECT_EQ(choice.drill, 2);
    EXPECT_EQ(session.lastControls().throttle, 0.0f);  // the car was not driven
    press(**app, SDL_SCANCODE_UP);
    EXPECT_EQ(choice.drill, 1);

    press(**app, SDL_SCANCODE_H);
    EXPECT_FALSE(session.progressShown());
    // The car's keys are the car's again.
    keyEvent(SDL_SCANCODE_DOWN, true);
    ASSERT_TRUE((*app)->frame());
    EXPECT_LT(session.lastControls().throttle, 0.0f);  // reversing
    EXPECT_TRUE((*app)->finish().ok());
}

// A pack's shot ends with its own result buttons (a shot is no drill of the
// table): Space presses the first, Again, on the same shot; L moves on to
// the next shot, K back.
TEST_F(Window, AShotsResultStartsItAgainAndLMovesToTheNextShot) {
    const sandbox::Pack* pack = sandbox::findBuiltInPack("first-aerials");
    ASSERT_NE(pack, nullptr);
    // Small: the whole shot is drawn frame by frame.
    platform.reset();
    WindowOptions window;
    window.width = 320;
    window.height = 180;
    window.videoDriver = "offscreen";
    base::Result<std::unique_ptr<Platform>> opened = openSdlPlatform(window);
    ASSERT_TRUE(opened) << opened.error();
    platform = std::move(*opened);
    SessionOptions options;
    options.pack = pack;
    options.autopilot = true;
    FlySession session(cvars, game, options);
    auto app = FlyApp::create(*platform, session, AppOptions{});
    ASSERT_TRUE(app) << app.error();
    ASSERT_NE(session.attempt(), nullptr);
    int frames = 0;
    while (!session.attempt()->finished() && frames++ < 20000) ASSERT_TRUE((*app)->frame());
    ASSERT_TRUE(session.attempt()->finished());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE((*app)->frame());
    ASSERT_NE(ImGui::FindWindowByName("Result"), nullptr);
    press(**app, SDL_SCANCODE_SPACE);
    EXPECT_FALSE(session.attempt()->finished()) << "Again started the shot once more";
    EXPECT_EQ(session.pack(), pack);
    EXPECT_EQ(session.shot(), 0u);
    press(**app, SDL_SCANCODE_L);
    EXPECT_EQ(session.shot(), 1u);
    press(**app, SDL_SCANCODE_K, 2);
    EXPECT_EQ(session.shot(), pack->shots.size() - 1) << "from the first back to the last";
}
