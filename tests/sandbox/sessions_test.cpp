// Sessions: the file and its code, its faults by line, the built-in ones,
// and the tally's count and streak.
#include "sandbox/Sessions.h"

#include <gtest/gtest.h>

#include <string>

#include "sandbox/ShareCode.h"

namespace {

using namespace sandbox;
using K = SessionEntry::Kind;

Session sample() {
    Session s;
    s.name = "Warm-up";
    s.author = "me";
    s.entries = {{K::Drill, "aerial-touch", 7, 1, 2},
                 {K::Shot, "first-aerials", 0, 3, 1},
                 {K::Course, "gentle-loop", 0, 1, 3}};
    return s;
}

TEST(SessionFile, RoundTripsAsTextAndCodeAndKeepsCourseEntries) {
    const std::string text = formatSession(sample());
    EXPECT_NE(text.find("course gentle-loop x3\n"), std::string::npos);
    const base::Result<Session> back = parseSession(text, "s");
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, sample());
    const base::Result<std::string> decoded = readShareCode(makeShareCode(text));
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(*parseSession(*decoded, "code"), sample());
    EXPECT_EQ(back->attempts(), 6);
}

TEST(SessionFile, RefusesEachFaultAtItsLine) {
    const struct {
        std::string body, error;
    } cases[] = {
        {"drill aerial-touch 1 x0\n",
         "s:3: the count: expected a whole number from 1 to 100, got \"0\""},
        {"drill aerial-touch 1 5\n", "s:3: the count: expected x1 to x100, got \"5\""},
        {"drill Aerial 1 x2\n",
         "s:3: the drill: \"Aerial\" is not a name (lower case letters, digits and -, at most 64 "
         "characters)"},
        {"shot first-aerials 51 0 x1\n",
         "s:3: the shot's number: expected a whole number from 1 to 50, got \"51\""},
        {"course\n", "s:3: missing the course"},
        {"ring loop x1\n",
         "s:3: unknown line \"ring\" (a session's lines are name, author, drill, shot and course)"},
        {"", "s:2: the session has no entries"},
    };
    for (const auto& c : cases) {
        const base::Result<Session> r =
            parseSession("trimsight-session 1\nname \"x\"\n" + c.body, "s");
        ASSERT_FALSE(r.ok()) << c.body;
        EXPECT_EQ(r.error(), c.error);
    }
    EXPECT_EQ(parseSession("trimsight-pack 1\n", "s").error(),
              "s:1: not a session: expected \"trimsight-session 1\"");
}

TEST(BuiltInSessions, OnePerLevelEveryEntryThere) {
    ASSERT_EQ(builtInSessions().size(), 3u);
    for (const Session& s : builtInSessions()) {
        const base::Status ok = checkBuiltInEntries(s);
        EXPECT_TRUE(ok.ok()) << s.name << ": " << ok.error();
        EXPECT_EQ(*parseSession(formatSession(s), "b"), s);
    }
    EXPECT_NE(findBuiltInSession("air-control"), nullptr);
    Session wrong = sample();
    wrong.entries[1].shot = 9;
    EXPECT_EQ(checkBuiltInEntries(wrong).error(),
              "entry 2: the pack \"first-aerials\" has 8 shots");
    wrong.entries[0].name = "no-such-drill";
    EXPECT_EQ(checkBuiltInEntries(wrong).error(), "entry 1: no drill named \"no-such-drill\"");
}

TEST(SessionTally, CountsEachEntryMovesOnAndKeepsTheStreak) {
    const Session s = sample();  // 2, 1 and 3 attempts
    SessionTally t(s);
    // pass, pass | pass | miss, pass, pass
    const bool results[] = {true, true, true, false, true, true};
    const std::size_t entryAfter[] = {0, 1, 2, 2, 2, 3};
    const int streakAfter[] = {1, 2, 3, 0, 1, 2};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(t.finished());
        t.record(results[i]);
        EXPECT_EQ(t.entry(), entryAfter[i]) << i;
        EXPECT_EQ(t.streak(), streakAfter[i]) << i;
    }
    EXPECT_TRUE(t.finished());
    EXPECT_EQ(t.passed(), 5);
    EXPECT_EQ(t.bestStreak(), 3);
    EXPECT_EQ(t.text(), "6 of 6 · 5 passed · 2 in a row");
    t.record(true);  // after the end: nothing
    EXPECT_EQ(t.attempts(), 6);
}

}  // namespace
