// The player's controls: their file read back, its bad lines warned with the
// defaults kept, rebinding's swaps and refusals, and which of the menu and
// the car gets the pad.
#include <gtest/gtest.h>

#include <string>

#include "fly/platform/Controls.h"
#include "fly/platform/PlayerControls.h"

namespace {

using namespace fly;
using sandbox::Action;
using sandbox::PadButton;

PlayerControls changedControls() {
    PlayerControls c;
    c.bindings.deadZone = 0.25f;
    c.bindings.aerialSensitivity = 1.7f;
    c.bindings.steeringSensitivity = 0.35f;
    c.bindings.invertPitch = true;
    c.dodgeDeadZone = 0.65f;
    EXPECT_TRUE(bindKey(c.bindings, Action::Jump, "J").bound);
    EXPECT_TRUE(bindKey(c.bindings, Action::Boost, "Right Shift").bound);
    EXPECT_TRUE(bindButton(c.bindings, Action::Boost, PadButton::West).bound);  // air roll's
    unbindKey(c.bindings, Action::RollLeft);
    return c;
}

TEST(ControlsFile, WhatIsWrittenReadsBackTheSame) {
    for (const PlayerControls& controls : {PlayerControls{}, changedControls()}) {
        const std::string text = formatPlayerControls(controls);
        base::Warnings warnings;
        base::Result<PlayerControls> read = parsePlayerControls(text, "controls.txt", warnings);
        ASSERT_TRUE(read) << read.error();
        EXPECT_TRUE(*read == controls) << text;
        EXPECT_TRUE(warnings.list().empty()) << warnings.list().front();
        EXPECT_EQ(formatPlayerControls(*read), text);
    }
    // The file says each thing once, by name.
    const std::string text = formatPlayerControls(changedControls());
    EXPECT_EQ(text.substr(0, text.find('\n')), "trimsight-controls 1");
    for (const char* line :
         {"\ncontroller_dead_zone 0.25\n", "\ndodge_dead_zone 0.65\n", "\naerial_sensitivity 1.7\n",
          "\nsteering_sensitivity 0.35\n", "\ninvert_pitch 1\n", "\nkey jump J\n",
          "\nkey boost Right Shift\n", "\nkey roll_left none\n", "\npad boost West\n",
          "\npad air_roll East\n", "\npad pitch_up none\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(ControlsFile, ABadLineIsAWarningAndKeepsTheDefault) {
    const std::string text =
        "trimsight-controls 1\n"
        "# a comment, and a blank line\n"
        "\n"
        "controller_dead_zone 0.95\n"  // above 0.9
        "aerial_sensitivity fast\n"
        "steering_sensitivity 2\n"  // fine
        "steering_sensitivity 3\n"  // given twice
        "invert_pitch yes\n"
        "key hover H\n"           // no such action
        "key jump F1\n"           // the help's key
        "pad boost Start\n"       // the settings' button
        "pad jump Trigger\n"      // no such button
        "colour red\n"            // unknown
        "key boost\n"             // no key
        "dodge_dead_zone 0.4\n";  // fine
    base::Warnings warnings;
    base::Result<PlayerControls> read = parsePlayerControls(text, "c.txt", warnings);
    ASSERT_TRUE(read) << read.error();
    const sandbox::Bindings defaults = sandbox::defaultBindings();
    EXPECT_EQ(read->bindings.deadZone, defaults.deadZone);
    EXPECT_EQ(read->bindings.aerialSensitivity, 1.0f);
    EXPECT_EQ(read->bindings.steeringSensitivity, 2.0f);
    EXPECT_FALSE(read->bindings.invertPitch);
    EXPECT_EQ(read->dodgeDeadZone, 0.4f);
    EXPECT_EQ(keyOf(read->bindings, Action::Jump), "Space");
    EXPECT_EQ(keyOf(read->bindings, Action::Boost), "Left Shift");
    EXPECT_EQ(buttonOf(read->bindings, Action::Boost), PadButton::East);
    EXPECT_EQ(buttonOf(read->bindings, Action::Jump), PadButton::South);

    const std::vector<std::string> expected = {
        // Each message is one literal split over two lines.
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
        "c.txt:4: controller_dead_zone: expected a number from 0 to 0.9, got \"0.95\"; keeping "
        "the default",
        "c.txt:5: aerial_sensitivity: expected a number from 0.1 to 10, got \"fast\"; keeping the "
        "default",
        "c.txt:7: \"steering_sensitivity\" given twice; the first one holds; keeping the default",
        "c.txt:8: invert_pitch: expected 0 or 1, got \"yes\"; keeping the default",
        "c.txt:9: \"hover\" is not an action; keeping the default",
        "c.txt:10: key jump: F1 is the help command's key; pick another; keeping the default",
        "c.txt:11: pad boost: Start is the settings command's button; pick another; keeping the "
        "default",
        "c.txt:12: pad jump: \"Trigger\" is not a pad button; keeping the default",
        "c.txt:13: unknown line \"colour\"; keeping the default",
        "c.txt:14: key boost: expected a key or none; keeping the default",
    };
    EXPECT_EQ(warnings.list(), expected);
}

TEST(ControlsFile, ANewerVersionOrAnotherFileIsRefusedWhole) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"trimsight-controls 2\nkey jump J\n",
         "c.txt:1: written by a newer version of the format (2); this program reads version 1"},
        {"trimsight-flight 4\n", "c.txt:1: not a controls file: expected \"trimsight-controls 1\""},
        {"trimsight-controls one\n", "c.txt:1: expected \"trimsight-controls 1\""},
        {"", "c.txt: empty; expected \"trimsight-controls 1\""},
    };
    for (const Case& c : cases) {
        base::Warnings warnings;
        const base::Result<PlayerControls> read = parsePlayerControls(c.text, "c.txt", warnings);
        ASSERT_FALSE(read) << c.text;
        EXPECT_EQ(read.error(), c.error);
    }
    base::Warnings warnings;
    EXPECT_FALSE(parsePlayerControls(std::string(kMaxControlsFileBytes + 1, '#'), "c", warnings));
}

TEST(Rebinding, AKeyOrButtonAnotherActionHoldsIsSwappedAndACommandsIsRefused) {
    sandbox::Bindings b = sandbox::defaultBindings();
    // Space is jump's: boost takes it and jump gets boost's Left Shift.
    Rebound r = bindKey(b, Action::Boost, "Space");
    EXPECT_TRUE(r.bound);
    EXPECT_EQ(r.note, "Space was jump's: jump now has Left Shift");
    EXPECT_EQ(keyOf(b, Action::Boost), "Space");
    EXPECT_EQ(keyOf(b, Action::Jump), "Left Shift");
    // A key no one holds: no swap.
    r = bindKey(b, Action::RollLeft, "Z");
    EXPECT_TRUE(r.bound);
    EXPECT_EQ(r.note, "");
    EXPECT_EQ(lookUpKey(b, "Q").action, std::nullopt);
    // An action without a key takes one from another: that one has none.
    unbindKey(b, Action::ThrottleForward);
    r = bindKey(b, Action::ThrottleForward, "Down");
    EXPECT_EQ(r.note, "Down was reverse's: reverse now has no key");
    EXPECT_EQ(keyOf(b, Action::ThrottleReverse), std::nullopt);
    // The window's commands keep their keys and buttons.
    const sandbox::Bindings before = b;
    for (const char* key : {"R", "F1", "F4", "Escape", "C"}) {
        r = bindKey(b, Action::Jump, key);
        EXPECT_FALSE(r.bound) << key;
    }
    EXPECT_EQ(r.note, "C is the ballcam command's key; pick another");
    for (PadButton button : {PadButton::Start, PadButton::Back, PadButton::North, PadButton::DPadUp,
                             PadButton::LeftStick, PadButton::RightStick})
        EXPECT_FALSE(bindButton(b, Action::Jump, button).bound) << padButtonName(button);
    EXPECT_TRUE((PlayerControls{b, 0.5f} == PlayerControls{before, 0.5f}));
    // Buttons swap as keys do.
    r = bindButton(b, Action::Jump, PadButton::East);
    EXPECT_EQ(r.note, "East was boost's: boost now has South");
    EXPECT_EQ(buttonOf(b, Action::Boost), PadButton::South);
    // Still one action per key and button.
    const PlayerControls after{b, 0.5f};
    base::Warnings warnings;
    const base::Result<PlayerControls> read =
        parsePlayerControls(formatPlayerControls(after), "c", warnings);
    ASSERT_TRUE(read);
    EXPECT_TRUE(*read == after);
}

// The file gives a key to an action that another holds by default: the
// other gets the first one's, as the controls window would do it.
TEST(Rebinding, AFileLineSwapsAsTheWindowDoes) {
    base::Warnings warnings;
    const base::Result<PlayerControls> read =
        parsePlayerControls("trimsight-controls 1\nkey jump W\n", "c", warnings);
    ASSERT_TRUE(read);
    EXPECT_EQ(keyOf(read->bindings, Action::Jump), "W");
    EXPECT_EQ(keyOf(read->bindings, Action::PitchDown), "Space");
    EXPECT_TRUE(warnings.list().empty());
}

sandbox::PadState held(std::initializer_list<PadButton> buttons, float x = 0.0f) {
    sandbox::PadState p;
    p.leftX = x;
    for (PadButton b : buttons) p.press(b);
    return p;
}

bool has(const sandbox::PadState& p, PadButton b) {
    return (p.buttons >> static_cast<int>(b)) & 1u;
}

TEST(InputRouting, TheFocusedMenuTakesThePadAndTheCarGetsItBackOnceLetGo) {
    InputRouter router;
    sandbox::ActionSet keys;
    keys.set(Action::PitchUp, true);
    CommandSet none;

    // Flying: the car gets everything; Start opens the settings.
    RoutedInput r = router.route(held({PadButton::Start}, 0.5f), keys, none, false);
    EXPECT_EQ(r.car.leftX, 0.5f);
    EXPECT_TRUE(r.carKeys.has(Action::PitchUp));
    EXPECT_TRUE(r.commands.has(Command::Settings));
    EXPECT_EQ(r.menu.buttons, 0u);

    // The menu has the focus with Start still held: Start is no one's, the
    // car gets nothing, and the stick moves the menu.
    r = router.route(held({PadButton::Start}, 0.5f), keys, none, true);
    EXPECT_EQ(r.car.leftX, 0.0f);
    EXPECT_EQ(r.car.buttons, 0u);
    EXPECT_FALSE(r.carKeys.has(Action::PitchUp));
    EXPECT_EQ(r.menu.leftX, 0.5f);
    EXPECT_EQ(r.menu.buttons, 0u);
    EXPECT_TRUE(r.commands.empty());

    // South and the d-pad navigate: no jump, no new random start.
    r = router.route(held({PadButton::South, PadButton::DPadUp}), {}, none, true);
    EXPECT_TRUE(has(r.menu, PadButton::South));
    EXPECT_TRUE(r.commands.empty());
    EXPECT_EQ(r.car.buttons, 0u);

    // South pressed a menu's Start: the car has the focus again, but South
    // still held is not a jump until let go and pressed again.
    r = router.route(held({PadButton::South}), {}, none, false);
    EXPECT_EQ(r.car.buttons, 0u);
    r = router.route(held({}), {}, none, false);
    r = router.route(held({PadButton::South}), {}, none, false);
    EXPECT_TRUE(has(r.car, PadButton::South));
}

TEST(InputRouting, AFocusedMenuPassesItsOwnCommandsAndEscapeClosesIt) {
    struct Case {
        const char* what;
        sandbox::PadState pad;
        CommandSet keyCommands;
        CommandSet expected;
        bool closeMenus;
    };
    const auto set = [](std::initializer_list<Command> commands) {
        CommandSet s;
        for (Command c : commands) s.add(c);
        return s;
    };
    const Case cases[] = {
        {"Start closes the settings",
         held({PadButton::Start}),
         {},
         set({Command::Settings}),
         false},
        {"the right stick's click, the drills",
         held({PadButton::RightStick}),
         {},
         set({Command::DrillMenu}),
         false},
        {"Back is Again at a result", held({PadButton::Back}), {}, set({Command::Reset}), false},
        {"the d-pad navigates", held({PadButton::DPadDown, PadButton::DPadLeft}), {}, {}, false},
        {"North edits, no ball camera", held({PadButton::North}), {}, {}, false},
        {"East cancels: the menus close", held({PadButton::East}), {}, {}, true},
        {"Escape closes the menus, not the window", {}, set({Command::Quit}), {}, true},
        {"keys act as ever",
         {},
         set({Command::Reset, Command::Help}),
         set({Command::Reset, Command::Help}),
         false},
    };
    for (const Case& c : cases) {
        InputRouter router;
        router.route({}, {}, {}, true);  // the menu had the focus with nothing held
        const RoutedInput r = router.route(c.pad, {}, c.keyCommands, true);
        for (int i = 0; i < kCommandCount; ++i) {
            const auto command = static_cast<Command>(i);
            EXPECT_EQ(r.commands.has(command), c.expected.has(command)) << c.what << " " << i;
        }
        EXPECT_EQ(r.closeMenus, c.closeMenus) << c.what;
    }
}

TEST(InputRouting, TheHudNamesThePadButtonsOfTheHelpAndTheDrills) {
    EXPECT_EQ(commandKeys(Command::Help), "F1/LeftStick");
    EXPECT_EQ(commandKeys(Command::DrillMenu), "F3/RightStick");
    EXPECT_EQ(commandKeys(Command::Settings), "F2/Start");
    EXPECT_EQ(commandKeys(Command::Controls), "F4");
}

}  // namespace
