// The window's plain parts: where the cameras put things on the screen (the
// mirror the left-handed world needs) and the one table of keys and buttons.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fly/Camera.h"
#include "fly/platform/Controls.h"
#include "sandbox/Starts.h"
#include "testkit/ClipSpace.h"

namespace {

using namespace fly;
using hosttest::ClipPoint;
using hosttest::project;
using sandbox::Vec3;

constexpr float kAspect = 16.0f / 9.0f;

TEST(ChaseCamera, ShowsTheCarsRightSideOnTheRightAndItsRoofUp) {
    // A level car at the origin, 500 up, facing +x; its right is +y.
    sandbox::CarState car = sandbox::restingCar(0.0f, 0.0f, 0.0f);
    car.location = {0.0f, 0.0f, 500.0f};
    const Mat4 m = viewProjection(chaseCamera(car), kAspect);

    const ClipPoint centre = project(m, car.location);
    ASSERT_TRUE(centre.inFront());
    EXPECT_NEAR(centre.screenX(), 0.0f, 1e-4f);
    // Seen from 110 above and 270 behind, the car sits below the middle.
    EXPECT_LT(centre.screenY(), -0.1f);
    EXPECT_GT(centre.screenY(), -0.6f);

    const ClipPoint right = project(m, car.location + Vec3{0.0f, 100.0f, 0.0f});
    const ClipPoint roof = project(m, car.location + Vec3{0.0f, 0.0f, 100.0f});
    EXPECT_GT(right.screenX(), centre.screenX() + 0.05f) << "the world is mirrored";
    EXPECT_GT(roof.screenY(), centre.screenY() + 0.05f);
    // 2000 ahead is nearer the horizon, straight ahead.
    const ClipPoint ahead = project(m, car.location + Vec3{2000.0f, 0.0f, 0.0f});
    EXPECT_NEAR(ahead.screenX(), 0.0f, 1e-4f);
    EXPECT_GT(ahead.screenY(), centre.screenY());
}

TEST(ChaseCamera, FollowsTheHeadingAndStaysAboveTheFloor) {
    // Facing +y (a quarter turn right), resting on the floor.
    const sandbox::CarState car = sandbox::restingCar(100.0f, 200.0f, 1.5707964f);
    const CameraPose pose = chaseCamera(car);
    EXPECT_NEAR(pose.eye.x, 100.0f, 1e-3f);
    EXPECT_NEAR(pose.eye.y, 200.0f - kCameraDistance, 1e-3f);
    EXPECT_NEAR(pose.eye.z, car.location.z + kCameraHeight, 1e-3f);
    // The car's right, now -x, still shows on the screen's right.
    const Mat4 m = viewProjection(pose, kAspect);
    EXPECT_GT(project(m, car.location + Vec3{-100.0f, 0.0f, 0.0f}).screenX(),
              project(m, car.location).screenX());
}

TEST(BallCamera, KeepsTheBallOnScreenWhereverItIs) {
    sandbox::CarState car = sandbox::restingCar(0.0f, 0.0f, 0.0f);
    car.location = {0.0f, 0.0f, 300.0f};
    struct Case {
        const char* what;
        Vec3 ball;
    };
    const Case cases[] = {
        {"ahead on the floor", {2000.0f, 0.0f, 91.25f}},
        {"behind the car", {-1500.0f, 0.0f, 91.25f}},
        {"far to the left, high", {0.0f, -3000.0f, 1800.0f}},
        {"right above the car", {0.0f, 0.0f, 1900.0f}},
        {"close to the right, below", {300.0f, 300.0f, 91.25f}},
    };
    for (const Case& c : cases) {
        sandbox::BallState ball;
        ball.location = c.ball;
        const Mat4 m = viewProjection(ballCamera(car, ball), kAspect);
        const ClipPoint p = project(m, c.ball);
        ASSERT_TRUE(p.inFront()) << c.what;
        EXPECT_LE(std::abs(p.screenX()), 1.0f) << c.what;
        EXPECT_LE(std::abs(p.screenY()), 1.0f) << c.what;
    }
}

TEST(Controls, EveryKeyAndButtonDoesOneThing) {
    const sandbox::Bindings bindings = sandbox::defaultBindings();
    std::set<std::string> keys;
    for (const auto& k : bindings.keys) EXPECT_TRUE(keys.insert(k.name).second) << k.name;
    std::set<int> buttons;
    for (const auto& b : bindings.padButtons)
        EXPECT_TRUE(buttons.insert(static_cast<int>(b.button)).second);
    int index = 0;
    for (const CommandBinding& c : commandBindings()) {
        EXPECT_TRUE(keys.insert(std::string(c.key)).second) << c.key << " is bound twice";
        if (c.button) {
            EXPECT_TRUE(buttons.insert(static_cast<int>(*c.button)).second) << c.name;
        }
        EXPECT_EQ(static_cast<int>(c.command), index++) << c.name << " is out of order";
    }
    // The keys the help overlay promises.
    EXPECT_EQ(lookUpKey(bindings, "S").action, sandbox::Action::PitchUp);
    EXPECT_EQ(lookUpKey(bindings, "Left Shift").action, sandbox::Action::Boost);
    EXPECT_EQ(lookUpKey(bindings, "F2").command, Command::Settings);
    EXPECT_EQ(lookUpKey(bindings, "R").command, Command::Reset);
    const KeyUse none = lookUpKey(bindings, "F12");
    EXPECT_FALSE(none.action || none.command);
}

TEST(Controls, PadCommandsActWhenTheirButtonGoesDown) {
    sandbox::PadState before, now;
    now.press(sandbox::PadButton::Start);
    now.press(sandbox::PadButton::East);  // boost: a car action, no command
    CommandSet pressed = commandsFromButtons(before.buttons, now.buttons);
    EXPECT_TRUE(pressed.has(Command::Settings));
    pressed.clear();
    pressed.add(Command::Settings);
    EXPECT_FALSE(pressed.has(Command::Reset));
    // Held on: nothing new.
    EXPECT_TRUE(commandsFromButtons(now.buttons, now.buttons).empty());
    before = now;
    now.press(sandbox::PadButton::Back);
    const CommandSet reset = commandsFromButtons(before.buttons, now.buttons);
    EXPECT_TRUE(reset.has(Command::Reset));
    EXPECT_FALSE(reset.has(Command::Settings));
}

TEST(Controls, TheHelpListsEveryActionAndCommandWithItsKeys) {
    const auto rows = helpRows(sandbox::defaultBindings());
    const auto find = [&](const std::string& what) {
        for (const HelpRow& r : rows)
            if (r.what == what) return r;
        ADD_FAILURE() << "no help row " << what;
        return HelpRow{};
    };
    EXPECT_EQ(find("pitch up").keys, "S");
    EXPECT_EQ(find("boost").keys, "Left Shift");
    EXPECT_EQ(find("boost").pad, "East");
    EXPECT_EQ(find("throttle").pad, "right trigger");
    EXPECT_EQ(find("settings window").keys, "F2");
    EXPECT_EQ(find("settings window").pad, "Start");
    EXPECT_EQ(find("reset to the start; in a drill, again with the same seed").pad, "Back");
    EXPECT_EQ(find("drill menu").keys, "F3");
    EXPECT_EQ(rows.size(), 1u + sandbox::kActionCount + kCommandCount);
}

TEST(PadButtons, NamesReadBack) {
    for (int i = 0; i < sandbox::kPadButtonCount; ++i) {
        const auto button = static_cast<sandbox::PadButton>(i);
        EXPECT_EQ(sandbox::padButtonNamed(sandbox::padButtonName(button)), button);
    }
    EXPECT_FALSE(sandbox::padButtonNamed("Select"));
}

}  // namespace
