// The browser's input in the sandbox's terms (hostapp/fly/BrowserInput.h)
// and the page's options from its address (web/PageOptions.h), a pack and a
// course among them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fly/platform/BrowserInput.h"
#include "fly/platform/Controls.h"
#include "sandbox/ShareCode.h"
#include "web/PageOptions.h"

namespace {

using sandbox::PadButton;
using ::testing::HasSubstr;

TEST(BrowserKeys, CodesNameTheKeysAsTheBindingsDo) {
    const struct {
        const char* code;
        const char* name;
    } cases[] = {
        {"KeyW", "W"},
        {"KeyQ", "Q"},
        {"Digit1", "1"},
        {"F1", "F1"},
        {"F12", "F12"},
        {"Space", "Space"},
        {"ShiftLeft", "Left Shift"},
        {"ArrowUp", "Up"},
        {"ArrowDown", "Down"},
        {"Escape", "Escape"},
        {"Enter", "Return"},
        // Keys the sandbox has no name for, and codes that only look alike.
        {"IntlBackslash", ""},
        {"Keyw", ""},
        {"KeyAB", ""},
        {"Key", ""},
        {"F", ""},
        {"F1A", ""},
        {"Numpad1", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(fly::keyNameForCode(c.code), c.name) << c.code;
    // A key event waits in the page's queue after the browser's event (and
    // its code's text) is gone: the name never points into the code.
    for (const char* code : {"KeyW", "Digit7", "F4", "Space"}) {
        const std::string held = code;
        const std::string_view name = fly::keyNameForCode(held);
        ASSERT_FALSE(name.empty()) << code;
        EXPECT_FALSE(name.data() >= held.data() && name.data() < held.data() + held.size()) << code;
    }
}

TEST(BrowserKeys, EveryKeyTheBindingsAndCommandsUseHasABrowserCode) {
    // The codes a browser can send for the keys of the desktop's table.
    std::vector<std::string> codes = {"Space",     "Enter",     "Escape",     "Tab",
                                      "Backspace", "ShiftLeft", "ShiftRight", "ArrowUp",
                                      "ArrowDown", "ArrowLeft", "ArrowRight"};
    for (char c = 'A'; c <= 'Z'; ++c) codes.push_back(std::string("Key") + c);
    for (int f = 1; f <= 12; ++f) codes.push_back("F" + std::to_string(f));
    const auto reachable = [&](std::string_view name) {
        for (const std::string& code : codes)
            if (fly::keyNameForCode(code) == name) return true;
        return false;
    };
    for (const auto& key : sandbox::defaultBindings().keys)
        EXPECT_TRUE(reachable(key.name)) << key.name;
    for (const fly::CommandBinding& command : fly::commandBindings())
        EXPECT_TRUE(reachable(command.key)) << command.key;
}

TEST(BrowserPad, TheStandardMappingGivesStickTriggersAndButtonsByPlace) {
    // Stick pushed right and pulled back, the left trigger half in, South,
    // Start, the d-pad's left and the right stick's click held (the standard
    // places 0, 9, 14, 11).
    const double axes[] = {1.0, 1.0, -0.5, 0.25};
    std::vector<double> values(17, 0.0);
    std::vector<int> pressed(17, 0);
    values[6] = 0.5;
    for (int b : {0, 9, 14, 11}) pressed[b] = values[b] = 1;
    sandbox::PadState pad;
    fly::readBrowserPad({axes, values, pressed}, pad);
    EXPECT_EQ(pad.leftX, 1.0f);
    EXPECT_EQ(pad.leftY, 1.0f);
    EXPECT_EQ(pad.leftTrigger, 0.5f);
    EXPECT_EQ(pad.rightTrigger, 0.0f);
    sandbox::PadState expected;
    for (PadButton b :
         {PadButton::South, PadButton::Start, PadButton::DPadLeft, PadButton::RightStick})
        expected.press(b);
    EXPECT_EQ(pad.buttons, expected.buttons);
}

TEST(BrowserPad, APadWithFewerPartsReadsTheRestAsCentredAndReleasedAndValuesStayInRange) {
    // Two axes a little past full travel and four buttons: no triggers, no
    // Start, no d-pad.
    const double axes[] = {-1.5, 0.25};
    const double values[] = {0.0, 0.0, 0.0, 1.0};
    const int pressed[] = {0, 0, 0, 1};
    sandbox::PadState pad;
    pad.press(PadButton::Start);  // from an earlier frame
    fly::readBrowserPad({axes, values, pressed}, pad);
    EXPECT_EQ(pad.leftX, -1.0f);
    EXPECT_EQ(pad.leftY, 0.25f);
    EXPECT_EQ(pad.leftTrigger, 0.0f);
    sandbox::PadState north;
    north.press(PadButton::North);
    EXPECT_EQ(pad.buttons, north.buttons);
    fly::readBrowserPad({}, pad);
    EXPECT_EQ(pad.buttons, 0u);
    EXPECT_EQ(pad.leftX, 0.0f);
}

TEST(PageOptions, TheAddressOptionsReadWithTheScriptsLinesSeparatedBySemicolons) {
    const auto options = web::parsePageOptions(
        R"({"canvas": "#fly", "script": "0 stick 0 1;0.5 key down Space; 2 end", "seed": "42",
            "fixedSteps": true, "unlimitedBoost": true})");
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->canvas, "#fly");
    ASSERT_TRUE(options->script);
    EXPECT_EQ(options->script->steps.size(), 2u);
    EXPECT_EQ(options->endNs(), 2000000000);  // the script's end line
    EXPECT_EQ(options->seed, 42u);
    EXPECT_TRUE(options->fixedSteps);
    EXPECT_TRUE(options->unlimitedBoost);

    const auto timed = web::parsePageOptions(R"({"seconds": 1.5, "seed": 7, "script": "9 end"})");
    ASSERT_TRUE(timed) << timed.error();
    EXPECT_EQ(timed->endNs(), 1500000000) << "seconds before the script's end";
    EXPECT_EQ(timed->seed, 7u);
    const auto plain = web::parsePageOptions("{}");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->endNs(), std::nullopt);
    EXPECT_EQ(plain->canvas, "#canvas");
    EXPECT_FALSE(plain->seed);
    EXPECT_EQ(plain->drill, nullptr);
    const auto drill = web::parsePageOptions(R"({"drill": "recovery", "autopilot": true})");
    ASSERT_TRUE(drill) << drill.error();
    ASSERT_NE(drill->drill, nullptr);
    EXPECT_EQ(drill->drill->info.name, "recovery");
    EXPECT_TRUE(drill->autopilot);
    // A session by its built-in name, or by a code.
    const auto named = web::parsePageOptions(R"({"session": "air-control", "autopilot": true})");
    ASSERT_TRUE(named) << named.error();
    ASSERT_TRUE(named->session);
    EXPECT_EQ(named->session->name, "Air control");
    const std::string code =
        sandbox::makeShareCode("trimsight-session 1\nname \"Mine\"\ncourse loop x2\n");
    const auto coded = web::parsePageOptions(R"({"session": ")" + code + R"("})");
    ASSERT_TRUE(coded) << coded.error();
    EXPECT_EQ(coded->session->entries.at(0).count, 2);
}

// A pack or a course by a built-in name or by its share code, as `fly
// --pack` and `fly --course` take them; what cannot be read says which
// option and where its code or its file went wrong.
TEST(PageOptions, APackOrACourseComesByItsNameOrItsShareCode) {
    const auto pack = web::parsePageOptions(R"({"pack": "first-aerials", "shot": 2, "seed": 3})");
    ASSERT_TRUE(pack) << pack.error();
    ASSERT_TRUE(pack->pack);
    EXPECT_EQ(*pack->pack, *sandbox::findBuiltInPack("first-aerials"));
    EXPECT_EQ(pack->shot, 2u);
    EXPECT_TRUE(pack->fliesAttempts());
    const auto course = web::parsePageOptions(R"({"course": "loop", "autopilot": true})");
    ASSERT_TRUE(course) << course.error();
    ASSERT_TRUE(course->course);
    EXPECT_EQ(course->course->name, "loop");
    EXPECT_FALSE(web::parsePageOptions("{}")->fliesAttempts());

    sandbox::Course mine = *sandbox::findCourse("slalom");
    mine.name = "my-slalom";
    mine.rings.pop_back();
    const std::string courseCode = sandbox::makeShareCode(sandbox::formatCourse(mine));
    const auto byCode = web::parsePageOptions(R"({"course": ")" + courseCode + R"("})");
    ASSERT_TRUE(byCode) << byCode.error();
    EXPECT_EQ(*byCode->course, mine);
    const sandbox::Pack& reads = sandbox::builtInPacks()[2];
    const std::string packCode = sandbox::makeShareCode(sandbox::formatPack(reads));
    const auto packByCode = web::parsePageOptions(R"({"pack": ")" + packCode + R"("})");
    ASSERT_TRUE(packByCode) << packByCode.error();
    EXPECT_EQ(*packByCode->pack, reads);

    std::string damaged = courseCode;
    damaged[5] = '!';
    const std::string cases[][2] = {
        {R"({"pack": "first-aerial"})",
         "pack: expected a built-in pack (first-aerials, fast-aerials, "
         "backboard-and-ceiling-reads) or a pack's share code; code"},
        {R"({"pack": 7})", "pack: expected a built-in pack ("},
        {R"({"course": ")" + damaged + R"("})",
         "course: expected a built-in course (loop, climb, slalom) or a course's share code; "
         "code position 6: '!' is not a code character"},
        {R"({"course": ")" + packCode + R"("})",
         "; code:1: not a course: expected \"trimsight-course 1\""},
        {R"({"pack": "first-aerials", "course": "loop"})",
         "drill, pack, course and session each start attempts: give one of them"},
        {R"({"drill": "recovery", "course": "loop"})",
         "drill, pack, course and session each start"},
        {R"({"shot": 2})", "shot: it is a pack's shot; give a pack"},
        {R"({"pack": "first-aerials", "shot": 51})", "shot: expected a shot's number from 1 to 50"},
        {R"({"pack": "first-aerials", "shot": 1.5})", "shot: expected a shot's number"},
        {R"({"pack": "first-aerials", "shot": 40})", "shot: the pack \"First aerials\" has "},
    };
    for (const auto& c : cases) {
        const auto options = web::parsePageOptions(c[0]);
        EXPECT_FALSE(options) << c[0];
        EXPECT_THAT(options.error(), HasSubstr(c[1])) << c[0];
    }
}

TEST(PageOptions, BadOptionsSayWhichAndWhy) {
    const struct {
        const char* json;
        const char* message;
    } cases[] = {
        {"", "the page's options: line 1, column 1"},
        {"[]", "the page's options: expected an object"},
        {R"({"speed": 2})", "no option \"speed\""},
        {R"({"seconds": -1})", "seconds: expected a number of seconds from 0 to 86400"},
        {R"({"seconds": "2"})", "seconds: expected"},
        {R"({"seconds": 100000})", "seconds: expected"},
        {R"({"seed": -3})", "seed: expected a whole number"},
        {R"({"seed": 1.5})", "seed: expected a whole number"},
        {R"({"seed": "12a"})", "seed: expected a whole number"},
        {R"({"seed": "99999999999999999999"})", "seed: expected a whole number"},
        {R"({"fixedSteps": 1})", "fixedSteps: expected true or false"},
        {R"({"canvas": ""})", "canvas: expected"},
        {R"({"script": 5})", "script: expected the script's text"},
        {R"({"script": "0 stick 0 1;1 stick 2 0"})", "the page's script:2: 2 is outside -1 to 1"},
        {R"({"script": "1 key down Hyper"})", "the page's script:1:"},
        {R"({"drill": "loop"})", "drill: expected one of nose-on-ball, recovery, "},
        {R"({"drill": 3})", "drill: expected one of"},
        {R"({"autopilot": true})",
         "autopilot: it flies drills, packs, courses and sessions; give one of them"},
        {R"({"session": "warm-up"})", "session: \"warm-up\" is no built-in session and no code"},
        {R"({"session": "air-control", "drill": "recovery"})",
         "drill, pack, course and session each start attempts"},
        {R"({"drill": "recovery", "autopilot": true, "script": "1 end"})",
         "autopilot: the script flies the car already"},
    };
    for (const auto& c : cases) {
        const auto options = web::parsePageOptions(c.json);
        EXPECT_FALSE(options) << c.json;
        EXPECT_THAT(options.error(), HasSubstr(c.message)) << c.json;
    }
    const std::string code =
        sandbox::makeShareCode("trimsight-session 1\nname \"x\"\nshot my-reads 1 0 x1\n");
    const auto unknown = web::parsePageOptions(R"({"session": ")" + code + R"("})");
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error(), "session: entry 1: no pack named \"my-reads\"");
}

}  // namespace
