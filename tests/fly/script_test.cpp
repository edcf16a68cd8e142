// Scripts for `fly --script`: what a script holds at each moment, and every
// fault named with its file and line.
#include <gtest/gtest.h>

#include <string>

#include "fly/ControlScript.h"

namespace {

using namespace fly;

const sandbox::Bindings kBindings = sandbox::defaultBindings();

constexpr int64_t kMs = 1000000;

ControlScript parsed(const std::string& text) {
    base::Result<ControlScript> script = parseControlScript(text, "s.fly", kBindings);
    EXPECT_TRUE(script) << script.error();
    return script ? *script : ControlScript{};
}

TEST(ControlScript, HoldsEachLinesInputFromItsTimeOn) {
    const ControlScript script = parsed(
        "# jump, pull back, boost, reset\n"
        "0      key down Space\n"
        "0.05   key up Space     # a tap\n"
        "0.1    stick 0.25 1\n"
        "0.5    button down East\n"
        "0.75   key down Left Shift\n"
        "1      triggers 0 0.5\n"
        "1.25   key down R\n"
        "2      end\n");
    ASSERT_EQ(script.steps.size(), 7u);
    EXPECT_EQ(script.endNs, 2000 * kMs);

    ScriptPlayer player(script);
    CommandSet pressed;
    player.advanceTo(0, pressed);
    EXPECT_TRUE(player.input().keysHeld.has(sandbox::Action::Jump));
    player.advanceTo(99 * kMs, pressed);
    EXPECT_FALSE(player.input().keysHeld.has(sandbox::Action::Jump));
    EXPECT_EQ(player.input().pad.leftY, 0.0f);
    player.advanceTo(100 * kMs, pressed);
    EXPECT_EQ(player.input().pad.leftX, 0.25f);
    EXPECT_EQ(player.input().pad.leftY, 1.0f);
    player.advanceTo(1000 * kMs, pressed);
    EXPECT_TRUE(player.input().keysHeld.has(sandbox::Action::Boost));
    EXPECT_TRUE((player.input().pad.buttons >> static_cast<int>(sandbox::PadButton::East)) & 1u);
    EXPECT_EQ(player.input().pad.rightTrigger, 0.5f);
    EXPECT_TRUE(pressed.empty());
    EXPECT_FALSE(player.ended(1999 * kMs));
    player.advanceTo(1250 * kMs, pressed);
    EXPECT_TRUE(pressed.has(Command::Reset));
    EXPECT_FALSE(player.input().keysHeld.has(sandbox::Action::Jump));
    EXPECT_TRUE(player.ended(2000 * kMs));
}

TEST(ControlScript, AnEmptyScriptHasNoEndAndHoldsNothing) {
    const ControlScript script = parsed("# nothing\n\n   \n");
    EXPECT_TRUE(script.steps.empty());
    EXPECT_FALSE(script.endNs);
}

TEST(ControlScript, EachFaultIsNamedWithItsFileAndLine) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"0 stick 0 0\nsoon stick 0 0\n", "s.fly:2: the time: \"soon\" is not a number"},
        {"-1 stick 0 0\n", "s.fly:1: the time: -1 is outside 0 to 86400"},
        {"nan stick 0 0\n", "s.fly:1: the time: \"nan\" is not a number"},
        {"1 stick 0 0\n0.5 stick 0 0\n", "s.fly:2: the time goes backwards (0.5 s)"},
        {"1\n", "s.fly:1: a time with nothing to do"},
        {"1 stick 2 0\n", "s.fly:1: 2 is outside -1 to 1"},
        {"1 stick 0\n", "s.fly:1: stick takes two numbers"},
        {"1 triggers -0.5 0\n", "s.fly:1: -0.5 is outside 0 to 1"},
        {"\n\n1 key down Z\n", "s.fly:3: no key \"Z\" is bound (see the help overlay, F1)"},
        {"1 button down Select\n",
         "s.fly:1: no pad button \"Select\" (South, East, West, North, LeftShoulder, "
         "RightShoulder, Back, Start, DPadUp, DPadDown, DPadLeft, DPadRight)"},
        {"1 jump\n",
         "s.fly:1: expected stick X Y, triggers L R, key down|up NAME, button down|up NAME or "
         "end"},
        {"1 key pressed W\n",
         "s.fly:1: expected stick X Y, triggers L R, key down|up NAME, button down|up NAME or "
         "end"},
        {"1 end\n2 stick 0 0\n", "s.fly:2: a step after the end line"},
        {"1 end now\n",
         "s.fly:1: expected stick X Y, triggers L R, key down|up NAME, button down|up NAME or "
         "end"},
        {std::string("1 stick 0 0\n2 st\0ck\n", 20), "s.fly:2: a NUL byte in the line"},
    };
    for (const Case& c : cases) {
        const base::Result<ControlScript> script = parseControlScript(c.text, "s.fly", kBindings);
        EXPECT_FALSE(script) << c.text;
        EXPECT_EQ(script.error(), c.error);
    }
}

}  // namespace
