// The history of attempts: the line format, the reader's warnings for what a
// crash or a newer program leaves behind, and the summary per drill.
#include "sandbox/History.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "sandbox/Autopilot.h"
#include "sandbox/NumberText.h"

namespace {

using namespace sandbox;

AttemptRecord record(std::string drill, uint64_t seed, bool passed, float score,
                     int64_t time = 1710408413) {
    AttemptRecord r;
    r.time = time;
    r.drill = std::move(drill);
    r.seed = seed;
    r.passed = passed;
    r.mainPart = "time_inside";
    r.better = Better::Higher;
    r.parts = {{"time_inside", score}, {"mean_off_nose", 3.0714f}};
    r.flightLog = "flights/nose-on-ball-42.log";
    return r;
}

// A history's text as read: the good lines and the warnings given.
struct HistoryRead {
    std::vector<AttemptRecord> attempts;
    std::vector<std::string> warnings;
};

HistoryRead readHistory(std::string_view text, std::string_view fileName) {
    base::Warnings warnings;
    std::vector<AttemptRecord> attempts = parseHistory(text, fileName, warnings);
    return {std::move(attempts), warnings.list()};
}

std::string line(const AttemptRecord& r) {
    const base::Result<std::string> text = formatAttemptLine(r);
    EXPECT_TRUE(text.ok()) << text.error();
    return text.ok() ? *text : std::string();
}

// FNV-1a over 32 bits, as the format defines its sum.
std::string sealed(const std::string& body) {
    uint32_t hash = 2166136261u;
    for (char ch : body) hash = (hash ^ static_cast<unsigned char>(ch)) * 16777619u;
    char sum[16];
    std::snprintf(sum, sizeof sum, "%08x", hash);
    return body + " sum=" + sum + "\n";
}

// A line's text without its " sum=..." and newline.
std::string body(const std::string& line) { return line.substr(0, line.rfind(" sum=")); }

// ------------------------------------------------------------ one line

TEST(HistoryLine, ARecordWritesAsTheDocumentedLine) {
    const AttemptRecord r = record("nose-on-ball", 42, true, 8.25f);
    EXPECT_EQ(line(r),
              sealed("trimsight-attempt 1 at=2024-03-14T09:26:53Z drill=nose-on-ball seed=42 "
                     "result=passed main=time_inside better=higher score.time_inside=8.25 "
                     "score.mean_off_nose=3.0714 log=flights/nose-on-ball-42.log"));
}

TEST(HistoryLine, RecordsReadBackEqualWhateverTheirNumbersAndLogNames) {
    std::vector<AttemptRecord> records;
    AttemptRecord r = record("recovery", 0, false, 0.1f, 0);
    r.mainPart = "landing_angle";
    r.better = Better::Lower;
    r.parts = {{"landing_angle", -0.0f}, {"spin", 1e-40f}, {"big", 3.4028235e38f}};
    r.flightLog = "";
    records.push_back(r);
    r.seed = 0xFFFFFFFFFFFFFFFFull;
    r.parts.clear();
    r.flightLog = "-";  // the text that otherwise stands for none
    records.push_back(r);
    r.flightLog = "/home/a b/100%/vol\xc3\xa9=\"x\"\t\n.log";  // space, %, UTF-8, quotes, controls
    records.push_back(r);
    r.time = 253402300799;  // the last second of 9999
    r.flightLog = "sum= x";
    records.push_back(r);

    std::string text;
    for (const AttemptRecord& each : records) text += line(each);
    const HistoryRead read = readHistory(text, "history");
    EXPECT_TRUE(read.warnings.empty()) << read.warnings[0];
    ASSERT_EQ(read.attempts.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_TRUE(read.attempts[i] == records[i]) << i;
        for (std::size_t p = 0; p < records[i].parts.size(); ++p)
            EXPECT_EQ(std::signbit(read.attempts[i].parts[p].value),
                      std::signbit(records[i].parts[p].value));
    }
}

TEST(HistoryLine, TimesAreWrittenInUtcToTheSecondAcrossTheCalendar) {
    struct Case {
        int64_t time;
        const char* text;
    };
    const Case cases[] = {
        {0, "1970-01-01T00:00:00Z"},
        {951782400, "2000-02-29T00:00:00Z"},   // a leap day of a year divisible by 400
        {4107542399, "2100-02-28T23:59:59Z"},  // 2100 is no leap year
        {4107542400, "2100-03-01T00:00:00Z"},
        {1710408413, "2024-03-14T09:26:53Z"},
        {253402300799, "9999-12-31T23:59:59Z"},
    };
    for (const Case& c : cases) {
        AttemptRecord r = record("recovery", 1, true, 1.0f, c.time);
        const std::string text = line(r);
        EXPECT_NE(text.find(std::string(" at=") + c.text + " "), std::string::npos) << text;
        const HistoryRead read = readHistory(text, "h");
        ASSERT_EQ(read.attempts.size(), 1u) << c.text;
        EXPECT_EQ(read.attempts[0].time, c.time);
    }
}

TEST(HistoryLine, RecordsTheLineCannotHoldAreRefused) {
    struct Case {
        const char* what;
        void (*spoil)(AttemptRecord&);
        const char* error;
    };
    const Case cases[] = {
        {"a time before 1970", [](AttemptRecord& r) { r.time = -1; },
         "the time is outside 1970 to 9999"},
        {"a time after 9999", [](AttemptRecord& r) { r.time = 253402300800; },
         "the time is outside 1970 to 9999"},
        {"a drill name with a space", [](AttemptRecord& r) { r.drill = "nose on ball"; },
         "bad drill name \"nose on ball\""},
        {"an upper-case part key", [](AttemptRecord& r) { r.parts[0].key = "Time"; },
         "bad score part name \"Time\""},
        {"a part twice", [](AttemptRecord& r) { r.parts[1].key = r.parts[0].key; },
         "score part time_inside twice"},
        {"a score that is not a number", [](AttemptRecord& r) { r.parts[1].value = NAN; },
         "score part mean_off_nose is not a finite number"},
        {"no main part", [](AttemptRecord& r) { r.mainPart.clear(); }, "bad main part name \"\""},
        {"seventeen parts",
         [](AttemptRecord& r) {
             r.parts.resize(17, {"x", 0.0f});
         },
         "too many score parts"},
        {"a log name past the line's length",
         [](AttemptRecord& r) { r.flightLog = std::string(3000, ' '); },
         "the line would be longer than 8192 characters"},
    };
    for (const Case& c : cases) {
        AttemptRecord r = record("nose-on-ball", 1, true, 5.0f);
        c.spoil(r);
        const base::Result<std::string> text = formatAttemptLine(r);
        EXPECT_FALSE(text.ok()) << c.what;
        EXPECT_EQ(text.error(), c.error) << c.what;
    }
}

// ---------------------------------------------------------- reading a file

TEST(HistoryRead, KeepsTheGoodLinesAndWarnsOfATornLastLine) {
    const std::string first = line(record("nose-on-ball", 1, true, 6.0f));
    const std::string second = line(record("nose-on-ball", 2, false, 3.0f));
    const std::string third = line(record("nose-on-ball", 3, true, 9.0f));
    // Cut anywhere in the last line, even just before its newline.
    for (std::size_t cut : {std::size_t{1}, third.size() / 2, third.size() - 1}) {
        const HistoryRead read =
            readHistory(first + second + third.substr(0, cut), "/data/history");
        ASSERT_EQ(read.attempts.size(), 2u) << cut;
        EXPECT_EQ(read.attempts[1].seed, 2u);
        ASSERT_EQ(read.warnings.size(), 1u);
        EXPECT_EQ(read.warnings[0],
                  "/data/history:3: the last line is cut short (no newline: a write was "
                  "interrupted); skipped");
    }
}

TEST(HistoryRead, AnAppendAfterATornLineStartsOnALineOfItsOwnAndIsKept) {
    const std::string whole = line(record("recovery", 1, true, 4.0f));
    const std::string torn = line(record("recovery", 2, true, 5.0f)).substr(0, 40);
    const AttemptRecord next = record("recovery", 3, true, 6.0f);

    const base::Result<std::string> afterTorn = historyAppendText(next, torn.back());
    ASSERT_TRUE(afterTorn.ok());
    EXPECT_EQ(*afterTorn, "\n" + line(next));
    EXPECT_EQ(*historyAppendText(next, '\n'), line(next));
    EXPECT_EQ(*historyAppendText(next, std::nullopt), line(next));  // an empty file

    const HistoryRead read = readHistory(whole + torn + *afterTorn, "h");
    ASSERT_EQ(read.attempts.size(), 2u);
    EXPECT_EQ(read.attempts[0].seed, 1u);
    EXPECT_EQ(read.attempts[1].seed, 3u);
    ASSERT_EQ(read.warnings.size(), 1u);
    EXPECT_EQ(read.warnings[0], "h:2: corrupt line (no sum=); skipped");
}

TEST(HistoryRead, WarnsOfACorruptLineAndANewerVersionAndKeepsTheRest) {
    const std::string good = line(record("aerial-touch", 1, true, 2.5f));
    std::string flipped = line(record("aerial-touch", 2, true, 2.5f));
    flipped[flipped.find("seed=2") + 5] = '3';  // one character changed
    const std::string newer = sealed(
        "trimsight-attempt 2 at=2030-01-01T00:00:00Z drill=aerial-touch seed=4 "
        "ghosts=1 result=passed");
    const std::string notOurs = "{\"drill\": \"aerial-touch\"}\n";

    const HistoryRead read = readHistory(good + flipped + "\n" + newer + notOurs + good, "h");
    ASSERT_EQ(read.attempts.size(), 2u);
    EXPECT_TRUE(read.attempts[0] == read.attempts[1]);
    const std::vector<std::string> expected = {
        "h:2: corrupt line (sum= does not match: the line was altered or cut); skipped",
        "h:4: written by a newer version of the history format (2); this program reads "
        "version 1; skipped",
        "h:5: corrupt line (it does not start with \"trimsight-attempt\"); skipped",
    };
    EXPECT_EQ(read.warnings, expected);
}

TEST(HistoryRead, EachFaultOfASealedLineIsNamed) {
    const std::string good = body(line(record("nose-on-ball", 5, true, 7.0f)));
    struct Case {
        std::string replace;  // in the good line's text ...
        std::string with;     // ... replaced by this, then sealed again
        std::string problem;
    };
    const Case cases[] = {
        {"at=2024-03-14T09:26:53Z", "at=2023-02-29T09:26:53Z",
         "at= is not a time such as 2025-03-14T09:26:53Z"},
        {"at=2024-03-14T09:26:53Z", "at=2024-03-14 09:26:53", "\"09:26:53\" is not key=value"},
        {"seed=5", "seed=-5", "seed= is not a whole number from 0 to 2^64 - 1"},
        {"seed=5", "seed=18446744073709551616", "seed= is not a whole number from 0 to 2^64 - 1"},
        {"result=passed", "result=won", "result= is neither passed nor failed"},
        {"better=higher", "better=more", "better= is neither higher nor lower"},
        {"score.time_inside=7", "score.time_inside=inf",
         "score.time_inside= is not a finite number"},
        {"score.time_inside=7", "score.time_inside=7 score.time_inside=8",
         "score.time_inside twice"},
        {"score.time_inside=7", "score.Time=7", "bad score part name \"Time\""},
        {"seed=5", "seed=5 seed=6", "seed= twice"},
        {"seed=5", "seed=5 colour=red", "unknown field colour="},
        {"seed=5 ", "", "no seed="},
        {"log=flights/nose-on-ball-42.log", "log=a%2",
         "log= has a % not followed by two hex digits"},
        {"log=flights/nose-on-ball-42.log", "log=a%zz.log",
         "log= has a % not followed by two hex digits"},
        {"drill=nose-on-ball", "drill=Nose", "bad drill name"},
        {"trimsight-attempt 1", "trimsight-attempt one", "no version after \"trimsight-attempt\""},
        {"log=flights/nose-on-ball-42.log", "log=x ", "a space at the end"},
    };
    for (const Case& c : cases) {
        std::string text = good;
        const std::size_t at = text.find(c.replace);
        ASSERT_NE(at, std::string::npos) << c.replace;
        text.replace(at, c.replace.size(), c.with);
        const HistoryRead read = readHistory(sealed(text), "h");
        EXPECT_TRUE(read.attempts.empty()) << c.problem;
        ASSERT_EQ(read.warnings.size(), 1u) << c.problem;
        EXPECT_EQ(read.warnings[0], "h:1: corrupt line (" + c.problem + "); skipped");
    }
}

TEST(HistoryRead, ManyBadLinesGiveFiftyWarningsAndACountOfTheRest) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += "garbage\n";
    text += line(record("recovery", 9, true, 1.0f));
    const HistoryRead read = readHistory(text, "h");
    EXPECT_EQ(read.attempts.size(), 1u);
    ASSERT_EQ(read.warnings.size(), 51u);
    EXPECT_EQ(read.warnings.back(), "h: 10 more lines skipped");
}

TEST(HistoryRead, NoCutOrMangledFileCrashesTheReader) {
    std::string text;
    for (uint64_t seed = 0; seed < 3; ++seed) text += line(record("recovery", seed, true, 1.0f));
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const HistoryRead read = readHistory(std::string_view(text).substr(0, cut), "h");
        EXPECT_LE(read.attempts.size(), 3u);
    }
    for (std::size_t i = 0; i < text.size(); i += 7) {
        std::string mangled = text;
        mangled[i] = static_cast<char>(mangled[i] ^ 0x5a);
        const HistoryRead read = readHistory(mangled, "h");
        // Only the changed line is lost, or two lines run together.
        EXPECT_GE(read.attempts.size(), text[i] == '\n' ? 1u : 2u) << i;
    }
    EXPECT_TRUE(readHistory("", "h").attempts.empty());
    EXPECT_TRUE(readHistory(std::string(3, '\0') + "\n\n", "h").attempts.empty());
}

// ---------------------------------------------------------------- numbers

// Every number the history's listing, its JSON and the progress view show
// goes through one rounding: three decimals at most, no -0, no exponent.
TEST(HistoryNumbers, ScoresRoundToThreeDecimalsAndNeverReadMinusZero) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.0f, "0"},
        {-0.0f, "0"},             // a steady lower-is-better trend, negated
        {-0.0004f, "0"},          // rounds to zero: no sign left
        {8.0f, "8"},              // no trailing zeros
        {2.5f, "2.5"},            //
        {9.5625f, "9.563"},       // exactly half a thousandth: away from zero
        {2.3333333f, "2.333"},    // a time of 280 ticks
        {-1.25f, "-1.25"},        //
        {0.0005f, "0.001"},       // the float lies just above half
        {2072.972f, "2072.972"},  // a ball speed
        {-6.0f, "-6"},            //
        {1e20f, "1e+20"},         // beyond what thousandths hold: the shortest form
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(roundedText(c.value), c.text);
        const double number = roundedNumber(c.value);
        EXPECT_FALSE(number == 0.0 && std::signbit(number));
        EXPECT_EQ(formatFloat(static_cast<float>(number)), c.text);
    }
}

// ---------------------------------------------------------------- summary

TEST(HistorySummary, BestOfThePassedMeanOfAllAndTheTrendPerDrill) {
    std::vector<AttemptRecord> attempts;
    // Nose on ball (higher is better): 4 (failed), 6, 8, 7.
    for (auto [score, passed] : {std::pair{4.0f, false}, {6.0f, true}, {8.0f, true}, {7.0f, true}})
        attempts.push_back(record("nose-on-ball", 1, passed, score));
    // Aerial touch (lower is better): a miss with no time, then 3.0, 2.5,
    // 2.0 s, and a failed touch at 1.0 s that does not count as the best.
    for (auto [score, passed] :
         {std::pair{3.0f, true}, {2.5f, true}, {2.0f, true}, {1.0f, false}}) {
        AttemptRecord r = record("aerial-touch", 2, passed, score, 1710408413 + 60);
        r.mainPart = "time_to_touch";
        r.better = Better::Lower;
        r.parts = {{"time_to_touch", score}, {"boost_used", 40.0f}};
        attempts.push_back(r);
    }
    AttemptRecord miss = attempts.back();
    miss.parts = {{"boost_used", 60.0f}};
    attempts.insert(attempts.begin() + 4, miss);

    const std::vector<DrillSummary> summary = summarizeHistory(attempts);
    ASSERT_EQ(summary.size(), 2u);
    const DrillSummary& touch = summary[0];  // by name: aerial-touch first
    EXPECT_EQ(touch.drill, "aerial-touch");
    EXPECT_EQ(touch.attempts, 5u);
    EXPECT_EQ(touch.passed, 3u);
    EXPECT_EQ(touch.best, 2.0f);
    EXPECT_EQ(touch.mean, 2.125f);
    EXPECT_EQ(touch.recent, (std::vector<float>{3.0f, 2.5f, 2.0f, 1.0f}));
    EXPECT_NEAR(touch.trend, 0.65f, 1e-6f);  // times falling by 0.65 s an attempt
    EXPECT_EQ(touch.lastTime, 1710408413 + 60);

    const DrillSummary& nose = summary[1];
    EXPECT_EQ(nose.drill, "nose-on-ball");
    EXPECT_EQ(nose.best, 8.0f);
    EXPECT_EQ(nose.mean, 6.25f);
    EXPECT_NEAR(nose.trend, 1.1f, 1e-6f);  // least squares of 4, 6, 8, 7
}

TEST(HistorySummary, TheTrendLooksAtTheLastTenAndScoresRankedOtherwiseAreLeftOut) {
    std::vector<AttemptRecord> attempts;
    AttemptRecord older = record("recovery", 1, true, 99.0f);
    older.mainPart = "time_to_touchdown";  // ranked by another part then
    older.parts = {{"time_to_touchdown", 99.0f}};
    attempts.push_back(older);
    for (int i = 0; i < 15; ++i) {
        AttemptRecord r = record("recovery", 1, true, i < 5 ? 50.0f : 20.0f - i);
        r.mainPart = "time_inside";
        attempts.push_back(r);
    }
    const DrillSummary s = summarizeHistory(attempts)[0];
    EXPECT_EQ(s.attempts, 16u);
    ASSERT_EQ(s.recent.size(), 10u);
    EXPECT_EQ(s.recent.front(), 15.0f);
    EXPECT_EQ(s.recent.back(), 6.0f);
    EXPECT_NEAR(s.trend, -1.0f, 1e-6f);  // a point lost each attempt
    EXPECT_EQ(s.best, 50.0f);
    EXPECT_NEAR(*s.mean, (5 * 50.0f + 105.0f) / 15.0f, 1e-4f);

    EXPECT_EQ(
        summarizeHistory(std::vector<AttemptRecord>{record("recovery", 1, false, 3.0f)})[0].trend,
        0.0f);
    EXPECT_TRUE(summarizeHistory({}).empty());
}

TEST(HistorySummary, TheBestAttemptOfADrillAndSeedIsTheGhostToFlyAgainst) {
    std::vector<AttemptRecord> attempts = {
        record("nose-on-ball", 1, true, 6.0f),  record("nose-on-ball", 1, true, 8.0f),
        record("nose-on-ball", 1, false, 9.5f), record("nose-on-ball", 2, true, 9.9f),
        record("recovery", 1, true, 9.9f),      record("nose-on-ball", 1, true, 8.0f),
    };
    attempts[1].flightLog = "best.log";
    const AttemptRecord* best = bestAttempt(attempts, "nose-on-ball", 1);
    ASSERT_NE(best, nullptr);
    EXPECT_EQ(best, &attempts[1]);  // the earlier of two 8s; the failed 9.5 does not count
    EXPECT_EQ(best->flightLog, "best.log");
    EXPECT_EQ(bestAttempt(attempts, "nose-on-ball", 3), nullptr);
}

TEST(HistorySummary, EachSeedHasItsOwnBestMeanTrendAndTheLogsTheyCameFrom) {
    // Nose on ball, two seeds flown in turn: seed 1 scores 4 (failed), 6, 8
    // and gets better by 2 an attempt; seed 2 scores 9 then 3 and gets worse
    // by 6. Mixed in time order (4 9 6 3 8) the drill's own trend says
    // little: each seed's is the one to read.
    const std::pair<uint64_t, float> flown[] = {
        {1, 4.0f}, {2, 9.0f}, {1, 6.0f}, {2, 3.0f}, {1, 8.0f}};
    std::vector<AttemptRecord> attempts;
    int64_t time = 1710408413;
    for (const auto& [seed, score] : flown) {
        AttemptRecord r = record("nose-on-ball", seed, score != 4.0f, score, time);
        r.flightLog =
            "flights/nose-on-ball-" + std::to_string(seed) + "-" + std::to_string(time) + ".log";
        attempts.push_back(r);
        time += 10;
    }
    const DrillSummary s = summarizeHistory(attempts)[0];
    EXPECT_EQ(s.scores, (std::vector<float>{4.0f, 9.0f, 6.0f, 3.0f, 8.0f}));
    EXPECT_EQ(s.best, 9.0f);
    ASSERT_EQ(s.seeds.size(), 2u);
    const struct {
        uint64_t seed;
        std::size_t attempts, passed;
        float best, mean, trend;
        std::vector<float> recent;
        std::string bestLog, latestLog;
    } expected[] = {
        {1,
         3,
         2,
         8.0f,
         6.0f,
         2.0f,
         {4.0f, 6.0f, 8.0f},
         "flights/nose-on-ball-1-1710408453.log",
         "flights/nose-on-ball-1-1710408453.log"},
        {2,
         2,
         2,
         9.0f,
         6.0f,
         -6.0f,
         {9.0f, 3.0f},
         "flights/nose-on-ball-2-1710408423.log",
         "flights/nose-on-ball-2-1710408443.log"},
    };
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE("seed " + std::to_string(expected[i].seed));
        const SeedSummary& row = s.seeds[i];
        EXPECT_EQ(row.seed, expected[i].seed);
        EXPECT_EQ(row.attempts, expected[i].attempts);
        EXPECT_EQ(row.passed, expected[i].passed);
        EXPECT_EQ(row.best, expected[i].best);
        EXPECT_EQ(row.mean, expected[i].mean);
        EXPECT_NEAR(row.trend, expected[i].trend, 1e-6f);
        EXPECT_EQ(row.recent, expected[i].recent);
        EXPECT_EQ(row.scores, expected[i].recent);
        EXPECT_EQ(row.bestLog, expected[i].bestLog);
        EXPECT_EQ(row.latestLog, expected[i].latestLog);
    }
}

TEST(HistorySummary, ASteadyTrendIsAPositiveZeroWhicheverWayTheDrillRanks) {
    for (Better better : {Better::Higher, Better::Lower}) {
        std::vector<AttemptRecord> attempts;
        for (int i = 0; i < 3; ++i) {
            AttemptRecord r = record("recovery", 1, true, 2.0f);
            r.better = better;
            attempts.push_back(r);
        }
        const DrillSummary s = summarizeHistory(attempts)[0];
        EXPECT_EQ(s.trend, 0.0f);
        EXPECT_FALSE(std::signbit(s.trend));
        ASSERT_EQ(s.seeds.size(), 1u);
        EXPECT_FALSE(std::signbit(s.seeds[0].trend));
    }
}

TEST(HistorySummary, ASeedWithNoPassedAttemptHasNoBestAndNamesItsLatestLog) {
    AttemptRecord miss = record("aerial-touch", 3, false, 0.0f);
    miss.mainPart = "time_to_touch";
    miss.better = Better::Lower;
    miss.parts = {{"boost_used", 61.5f}};  // a miss has no time to touch
    miss.flightLog = "flights/miss.log";
    const DrillSummary s = summarizeHistory(std::vector<AttemptRecord>{miss})[0];
    ASSERT_EQ(s.seeds.size(), 1u);
    EXPECT_EQ(s.seeds[0].best, std::nullopt);
    EXPECT_EQ(s.seeds[0].mean, std::nullopt);
    EXPECT_TRUE(s.seeds[0].scores.empty());
    EXPECT_EQ(s.seeds[0].bestLog, "");
    EXPECT_EQ(s.seeds[0].latestLog, "flights/miss.log");
}

// Lines as an earlier program wrote them (these bytes, checksums and all)
// still read, and sum up as today's do.
TEST(HistoryRead, LinesWrittenBeforeStillReadAndSumUp) {
    const std::string text =
        "trimsight-attempt 1 at=2024-03-14T09:26:53Z drill=nose-on-ball seed=42 result=passed "
        "main=time_inside better=higher score.time_inside=8.25 score.mean_off_nose=3.0714 "
        "log=flights/nose-on-ball-42.log sum=85fbd493\n"
        "trimsight-attempt 1 at=2024-03-14T09:30:00Z drill=aerial-touch seed=3 result=failed "
        "main=time_to_touch better=lower score.boost_used=61.5 "
        "log=flights/aerial-touch-3-20240314T093000Z.log sum=ffc64a20\n"
        "trimsight-attempt 1 at=2024-03-14T09:31:00Z drill=aerial-touch seed=3 result=passed "
        "main=time_to_touch better=lower score.time_to_touch=2.525 score.ball_speed=2072.972 "
        "score.off_goal=93.052826 score.boost_used=79.44469 log=- sum=b3026021\n";
    const HistoryRead read = readHistory(text, "old.txt");
    EXPECT_TRUE(read.warnings.empty()) << read.warnings[0];
    ASSERT_EQ(read.attempts.size(), 3u);
    EXPECT_EQ(read.attempts[0].mainScore(), 8.25f);
    EXPECT_EQ(read.attempts[1].mainScore(), std::nullopt);
    EXPECT_EQ(read.attempts[2].flightLog, "");
    const std::vector<DrillSummary> summary = summarizeHistory(read.attempts);
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0].drill, "aerial-touch");
    EXPECT_EQ(summary[0].attempts, 2u);
    EXPECT_EQ(summary[0].best, 2.525f);
    ASSERT_EQ(summary[0].seeds.size(), 1u);
    EXPECT_EQ(summary[0].seeds[0].latestLog, "");
    EXPECT_EQ(summary[0].seeds[0].bestLog, "");  // the best has no log (log=-)
    EXPECT_EQ(summary[1].seeds[0].bestLog, "flights/nose-on-ball-42.log");
    // Each line reads back to the same bytes when written again.
    for (const AttemptRecord& r : read.attempts) EXPECT_NE(text.find(line(r)), std::string::npos);
}

TEST(HistoryRecord, AFlownAttemptRecordsItsDrillSeedResultAndEveryScorePart) {
    const auto drill = makeDrill("aerial-touch", 3);
    Autopilot autopilot(*drill);
    World world = drill->start().world;
    while (!drill->finished()) {
        const CarControls c = autopilot.controls(world);
        const TickReport report = stepWorld(world, c, drill->start().options);
        drill->update(world, c, report);
    }
    const AttemptRecord r = attemptRecord(*drill, 1710408413, "aerial-touch-3.log");
    EXPECT_EQ(r.drill, "aerial-touch");
    EXPECT_EQ(r.seed, 3u);
    EXPECT_TRUE(r.passed);
    EXPECT_EQ(r.mainPart, "time_to_touch");
    EXPECT_EQ(r.better, Better::Lower);
    const DrillScore score = drill->score();
    ASSERT_EQ(r.parts.size(), score.parts().size());
    EXPECT_EQ(r.mainScore(), score.value("time_to_touch"));
    const HistoryRead read = readHistory(line(r), "h");
    ASSERT_EQ(read.attempts.size(), 1u);
    EXPECT_TRUE(read.attempts[0] == r);
}

}  // namespace
