// Pad and keys to the car's controls, and the input record the plugin reads.
#include "sandbox/Bindings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "sandbox/HostView.h"
#include "testkit/LoadPlugin.h"

namespace {

using namespace sandbox;

TEST(DeadZone, CentresSmallDeflectionsAndStretchesTheRest) {
    struct Case {
        float x, y;
        float outX, outY;
    };
    const Case cases[] = {
        {0.05f, 0.0f, 0.0f, 0.0f},    // inside the 0.1 dead zone
        {0.06f, -0.08f, 0.0f, 0.0f},  // 0.1 exactly, radially
        {0.55f, 0.0f, 0.5f, 0.0f},    // half way along the live travel
        {1.0f, 0.0f, 1.0f, 0.0f},     // full tilt stays full
        {0.0f, -1.0f, 0.0f, -1.0f},
        {0.6f, 0.8f, 0.6f, 0.8f},          // full tilt on a diagonal keeps its direction
        {1.0f, 1.0f, 0.7071f, 0.7071f},    // a square pad's corner: length 1
        {0.1f, 0.3f, 0.07597f, 0.22792f},  // length 0.3162, stretched to (0.3162-0.1)/0.9
    };
    for (const Case& c : cases) {
        const Stick s = applyDeadZone(c.x, c.y, 0.1f);
        EXPECT_NEAR(s.x, c.outX, 1e-4f) << c.x << "," << c.y;
        EXPECT_NEAR(s.y, c.outY, 1e-4f) << c.x << "," << c.y;
    }
}

struct MappingCase {
    const char* what;
    PadState pad;
    std::initializer_list<const char*> keys;
    bool invertPitch;
    CarControls expected;
};

PadState stick(float x, float y) {
    PadState p;
    p.leftX = x;
    p.leftY = y;
    return p;
}
PadState buttons(std::initializer_list<PadButton> held, PadState p = {}) {
    for (PadButton b : held) p.press(b);
    return p;
}
CarControls controls(float steer, float pitch, float yaw, float roll, float throttle = 0.0f,
                     bool boost = false, bool jump = false, bool handbrake = false) {
    return {steer, pitch, yaw, roll, throttle, boost, jump, handbrake};
}
// Air roll's button is also the powerslide's (the handbrake), as in the car
// game: on the wheels it slides, in the air it rolls.
CarControls airRolling(float steer, float roll) {
    return controls(steer, 0, 0, roll, 0, false, false, true);
}

TEST(Bindings, MapPadsAndKeysToTheCarsControls) {
    PadState triggers;
    triggers.rightTrigger = 1.0f;
    triggers.leftTrigger = 0.25f;
    const MappingCase cases[] = {
        {"stick pulled back raises the nose", stick(0, 1), {}, false, controls(0, 1, 0, 0)},
        {"stick pushed forward lowers it", stick(0, -1), {}, false, controls(0, -1, 0, 0)},
        {"inverted: pulled back lowers it", stick(0, 1), {}, true, controls(0, -1, 0, 0)},
        {"stick right yaws right and steers right", stick(1, 0), {}, false, controls(1, 0, 1, 0)},
        {"air roll turns the stick's x into roll and powerslides",
         buttons({PadButton::West}, stick(1, 0)),
         {},
         false,
         airRolling(1, 1)},
        {"air roll left and right buttons",
         buttons({PadButton::LeftShoulder}),
         {},
         false,
         controls(0, 0, 0, -1)},
        {"air roll right with the stick rolling right stays at 1",
         buttons({PadButton::RightShoulder, PadButton::West}, stick(1, 0)),
         {},
         false,
         airRolling(1, 1)},
        {"W lowers the nose, S raises it", {}, {"W"}, false, controls(0, -1, 0, 0)},
        {"S with the stick pushed forward cancel",
         stick(0, -1),
         {"S"},
         false,
         controls(0, 0, 0, 0)},
        {"A yaws left, E rolls right", {}, {"A", "E"}, false, controls(-1, 0, -1, 1)},
        {"X with D rolls right (and powerslides)", {}, {"X", "D"}, false, airRolling(1, 1)},
        {"right trigger throttle with the stick steering left",
         [] {
             PadState p = stick(-1, 0);
             p.rightTrigger = 1.0f;
             return p;
         }(),
         {},
         false,
         controls(-1, 0, -1, 0, 1)},
        {"triggers are throttle and reverse", triggers, {}, false, controls(0, 0, 0, 0, 0.75f)},
        {"Up key is throttle", {}, {"Up"}, false, controls(0, 0, 0, 0, 1)},
        {"buttons boost and jump",
         buttons({PadButton::East, PadButton::South}),
         {},
         false,
         controls(0, 0, 0, 0, 0, true, true)},
        {"Shift and Space boost and jump",
         {},
         {"Left Shift", "Space"},
         false,
         controls(0, 0, 0, 0, 0, true, true)},
        {"a stick inside the dead zone is centred",
         stick(0.05f, -0.05f),
         {},
         false,
         controls(0, 0, 0, 0)},
    };
    for (const MappingCase& c : cases) {
        Bindings b = defaultBindings();
        b.invertPitch = c.invertPitch;
        ActionSet held;
        for (const char* key : c.keys) {
            const std::optional<Action> a = actionForKey(b, key);
            ASSERT_TRUE(a) << key;
            held.set(*a, true);
        }
        const CarControls got = mapControls(b, c.pad, held);
        EXPECT_EQ(got, c.expected) << c.what << ": steer " << got.steer << " pitch " << got.pitch
                                   << " yaw " << got.yaw << " roll " << got.roll << " throttle "
                                   << got.throttle << " handbrake " << got.handbrake;
    }
}

TEST(Bindings, UnknownKeysAndGarbageAxesDoNothing) {
    const Bindings b = defaultBindings();
    EXPECT_FALSE(actionForKey(b, "F1"));
    EXPECT_FALSE(actionForKey(b, ""));
    PadState broken;
    broken.leftX = std::nanf("");
    broken.rightTrigger = std::nanf("");
    EXPECT_EQ(mapControls(b, broken, {}), CarControls{});
}

// The plugin's stick indicator drawn from the sandbox's hand-over shows the
// stick where the player's thumb holds it: pulled back below the dial's
// centre, pushed right to its right. Level car, ball ahead, nothing moving
// (so no velocity dot shares the indicator's green).
class StickIndicator : public ::testing::Test {
  protected:
    void SetUp() override { plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, store, game); }

    // The middle of the indicator, relative to the dial centre (645, 832)
    // of a 1920 by 1080 canvas.
    Vector2 indicatorFor(const PadState& pad) {
        World world;
        world.car = restingCar(0.0f, 0.0f, 0.0f);
        world.ball.location = {2000.0f, 0.0f, 17.03f};
        const HostView view = hostView(world, mapControls(defaultBindings(), pad, {}));
        game.state.car = {view.carLocation, view.carVelocity, view.carRotation, view.input};
        game.state.ball.location = view.ballLocation;
        canvas.clear();
        game.drawFrame(canvas);
        const auto& calls = canvas.calls();
        for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
            const pluginsdk::CanvasCall& c = calls[i];
            if (c.kind == pluginsdk::CanvasCall::Kind::SetColor && c.v[0] == 50 && c.v[1] == 200 &&
                calls[i + 1].kind == pluginsdk::CanvasCall::Kind::FillTriangle) {
                const int32_t* t = calls[i + 1].v;
                return {(t[0] + t[2] + t[4]) / 3 - 645, (t[1] + t[3] + t[5]) / 3 - 832};
            }
        }
        ADD_FAILURE() << "no stick indicator drawn";
        return {};
    }

    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    pluginsdk::RecordingCanvas canvas{{1920, 1080}};
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

TEST_F(StickIndicator, ShowsTheStickAsThePlayerHoldsIt) {
    const Vector2 back = indicatorFor(stick(0.0f, 1.0f));
    EXPECT_GT(back.Y, 100);  // canvas y grows downwards
    EXPECT_LT(std::abs(back.X), 10);
    const Vector2 right = indicatorFor(stick(1.0f, 0.0f));
    EXPECT_GT(right.X, 100);
    EXPECT_LT(std::abs(right.Y), 10);
    const Vector2 forwardLeft = indicatorFor(stick(-0.7f, -0.7f));
    EXPECT_LT(forwardLeft.X, -50);
    EXPECT_LT(forwardLeft.Y, -50);
}

}  // namespace

namespace {

// The player's dead zone and sensitivities, from the stick to the tick's
// controls: the dead zone first (the rest of the travel stretched to
// 0..1), then the stick's share times the sensitivity, kept within [-1, 1];
// keys give full input whatever the sensitivity.
TEST(Bindings, DeadZoneAndSensitivityShapeTheStickBeforeItIsRecorded) {
    struct Case {
        const char* what;
        float deadZone, aerial, steering;
        float x, y;
        const char* key;  // held, or null
        float steer, pitch, yaw;
    };
    const Case cases[] = {
        {"defaults: 0.55 right is half the live travel", 0.1f, 1.0f, 1.0f, 0.55f, 0.0f, nullptr,
         0.5f, 0.0f, 0.5f},
        {"a wider dead zone swallows it", 0.6f, 1.0f, 1.0f, 0.55f, 0.0f, nullptr, 0.0f, 0.0f, 0.0f},
        {"no dead zone passes it through", 0.0f, 1.0f, 1.0f, 0.55f, 0.0f, nullptr, 0.55f, 0.0f,
         0.55f},
        {"aerial 1.5 scales yaw and pitch (0.5325 each after the dead zone), not the steer", 0.1f,
         1.5f, 1.0f, 0.55f, 0.55f, nullptr, 0.5325f, 0.7988f, 0.7988f},
        {"steering 2 scales the steer alone", 0.1f, 1.0f, 2.0f, 0.55f, 0.0f, nullptr, 1.0f, 0.0f,
         0.5f},
        {"a scaled full tilt stays at 1", 0.1f, 3.0f, 3.0f, 1.0f, 1.0f, nullptr, 1.0f, 1.0f, 1.0f},
        {"aerial 0.5 halves a full pull back", 0.1f, 0.5f, 1.0f, 0.0f, 1.0f, nullptr, 0.0f, 0.5f,
         0.0f},
        {"keys are not scaled", 0.1f, 0.5f, 0.5f, 0.0f, 0.0f, "D", 1.0f, 0.0f, 1.0f},
        {"a key and a scaled stick add", 0.1f, 0.25f, 1.0f, 0.0f, -1.0f, "S", 0.0f, 0.75f, 0.0f},
    };
    for (const Case& c : cases) {
        Bindings b = defaultBindings();
        b.deadZone = c.deadZone;
        b.aerialSensitivity = c.aerial;
        b.steeringSensitivity = c.steering;
        PadState pad;
        pad.leftX = c.x;
        pad.leftY = c.y;
        ActionSet held;
        if (c.key != nullptr) held.set(*actionForKey(b, c.key), true);
        const CarControls got = mapControls(b, pad, held);
        EXPECT_NEAR(got.steer, c.steer, 1e-4f) << c.what;
        EXPECT_NEAR(got.pitch, c.pitch, 1e-4f) << c.what;
        EXPECT_NEAR(got.yaw, c.yaw, 1e-4f) << c.what;
    }
    // The defaults give the same bits as the stick after the dead zone
    // alone: flights flown before the settings replay as they were.
    for (float x : {0.13f, 0.377f, -0.8123f, 1.0f}) {
        PadState pad;
        pad.leftX = x;
        pad.leftY = -x * 0.5f;
        const Stick s = applyDeadZone(pad.leftX, pad.leftY, kDefaultDeadZone);
        const CarControls got = mapControls(defaultBindings(), pad, {});
        EXPECT_EQ(got.steer, s.x);
        EXPECT_EQ(got.yaw, s.x);
        EXPECT_EQ(got.pitch, s.y);
    }
}

}  // namespace
