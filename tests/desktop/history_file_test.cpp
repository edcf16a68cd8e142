// The record of drill attempts on disk: appended through the library the
// window uses (in this process and in several at once, and through the
// window's archive, whose next run races the best), read back through
// the built trimsight-host's `history`; what a crash, a newer program or a
// wrong file leaves is skipped with warnings and never rewritten.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "desktop/HistoryArchive.h"
#include "desktop/HistoryFile.h"
#include "desktop/InputFile.h"
#include "sandbox/AttemptBook.h"
#include "testkit/ProgramRunner.h"
#include "testkit/ScopedEnv.h"
#include "testkit/TestFlights.h"

namespace {

namespace fs = std::filesystem;
using hosttest::lines;
using hosttest::readFile;
using hosttest::RunResult;
using hosttest::ScopedEnv;
using hosttest::TempDir;
using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr int64_t kMarch14 = 1710408413;  // 2024-03-14T09:26:53Z

sandbox::AttemptRecord attempt(const std::string& drill, uint64_t seed, float score, bool passed,
                               int64_t time = kMarch14) {
    sandbox::AttemptRecord r;
    r.time = time;
    r.drill = drill;
    r.seed = seed;
    r.passed = passed;
    r.mainPart = drill == "recovery" ? "landing_angle" : "time_inside";
    r.better = drill == "recovery" ? sandbox::Better::Lower : sandbox::Better::Higher;
    r.parts = {{r.mainPart, score}};
    return r;
}

class AttemptHistory : public ::testing::Test {
  protected:
    RunResult run(const std::vector<std::string>& args,
                  std::map<std::string, std::optional<std::string>> env = {}) {
        env.emplace("HOME", dir.file("home"));
        RunResult r = hosttest::runHost(args, env);
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_THAT(r.err, Not(HasSubstr("Sanitizer")));
        return r;
    }
    // `history --json` of the test's history file, parsed.
    json historyJson(RunResult* result = nullptr) {
        const RunResult r = run({"--history", history, "history", "--json"});
        if (result != nullptr) *result = r;
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return json::parse(r.out, nullptr, false);
    }
    void append(const sandbox::AttemptRecord& record) {
        const base::Status appended = desktop::appendAttemptLine(history, record);
        ASSERT_TRUE(appended) << appended.error();
    }

    TempDir dir;
    std::string history = dir.file("history.txt");
};

TEST_F(AttemptHistory, AttemptsReadBackAsTheBestTheMeanAndTheTrendOfEachDrill) {
    // nose-on-ball: 4 (failed), 6, 8: best 8, mean 6, up 2 an attempt.
    // recovery (lower is better): 3.5 then 2.5 degrees: best 2.5, mean 3, better by 1.
    append(attempt("nose-on-ball", 1, 4.0f, false, kMarch14));
    append(attempt("recovery", 2, 3.5f, true, kMarch14 + 10));
    append(attempt("nose-on-ball", 1, 6.0f, true, kMarch14 + 20));
    append(attempt("recovery", 2, 2.5f, true, kMarch14 + 30));
    append(attempt("nose-on-ball", 5, 8.0f, true, kMarch14 + 40));

    const json doc = historyJson();
    ASSERT_FALSE(doc.is_discarded());
    EXPECT_EQ(doc["history"], history);
    EXPECT_EQ(doc["attempts"], 5);
    EXPECT_EQ(doc["warnings"], json::array());
    ASSERT_EQ(doc["drills"].size(), 2u);
    EXPECT_EQ(doc["drills"][0], json::parse(R"({"drill": "nose-on-ball", "main": "time_inside",
        "better": "higher", "attempts": 3, "passed": 2, "best": 8, "mean": 6,
        "recent": [4, 6, 8], "trend": 2, "last": "2024-03-14T09:27:33Z", "seeds": [
          {"seed": 1, "attempts": 2, "passed": 1, "best": 6, "mean": 5, "recent": [4, 6],
           "trend": 2, "last": "2024-03-14T09:27:13Z", "best_log": null, "latest_log": null},
          {"seed": 5, "attempts": 1, "passed": 1, "best": 8, "mean": 8, "recent": [8],
           "trend": 0, "last": "2024-03-14T09:27:33Z", "best_log": null, "latest_log": null}]})"));
    EXPECT_EQ(doc["drills"][1], json::parse(R"({"drill": "recovery",
        "main": "landing_angle", "better": "lower", "attempts": 2, "passed": 2,
        "best": 2.5, "mean": 3, "recent": [3.5, 2.5], "trend": 1,
        "last": "2024-03-14T09:27:23Z", "seeds": [
          {"seed": 2, "attempts": 2, "passed": 2, "best": 2.5, "mean": 3, "recent": [3.5, 2.5],
           "trend": 1, "last": "2024-03-14T09:27:23Z", "best_log": null, "latest_log": null}]})"));

    const RunResult text = run({"--history", history, "history"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.err, "");
    EXPECT_THAT(text.out, StartsWith("history of attempts: " + history + " (5 attempts)\n"));
    EXPECT_THAT(text.out, HasSubstr("\nnose-on-ball: 3 attempts, 2 passed, the last on "
                                    "2024-03-14 09:27 UTC\n"
                                    "  time_inside, higher is better: best 8, mean 6\n"
                                    "  last 3, seeds mixed: 4 6 8; improving by 2 an attempt\n"
                                    "  seed 1: 2 attempts, 1 passed; best 6, mean 5; last 2: 4 6; "
                                    "improving by 2 an attempt\n"
                                    "  seed 5: 1 attempt, 1 passed; best 8, mean 8; last 1: 8; "
                                    "too few scored attempts for a trend\n"));
    EXPECT_THAT(text.out, HasSubstr("  landing_angle, lower is better: best 2.5, mean 3\n"
                                    "  last 2, seeds mixed: 3.5 2.5; improving by 1 an attempt\n"
                                    "  seed 2: 2 attempts, 2 passed; best 2.5, mean 3; last 2: 3.5 "
                                    "2.5; improving by 1 an attempt\n"));
}

// What the listing and its JSON show, case by case: one rounding for every
// number, no -0 anywhere, a sentence where no attempt passed, and each
// seed's row naming the flight logs its best and latest came from.
TEST_F(AttemptHistory, TheListingRoundsOneWayNeverShowsMinusZeroAndNamesTheLogs) {
    sandbox::AttemptRecord steady = attempt("recovery", 4, 2.0f, true, kMarch14);
    steady.flightLog = "flights/recovery-4-a.log";
    append(steady);
    steady.time += 10;
    steady.flightLog = "flights/recovery-4-b.log";
    append(steady);  // the same 2 degrees: lower is better, a steady 0
    sandbox::AttemptRecord miss = attempt("nose-on-ball", 7, 0.0f, false, kMarch14 + 20);
    miss.parts = {{"mean_off_nose", 31.0f}};  // failed, and no main score at all
    miss.flightLog = "flights/nose-on-ball-7.log";
    append(miss);
    append(attempt("nose-on-ball", 8, 2.3333333f, false, kMarch14 + 30));

    RunResult result;
    const json doc = historyJson(&result);
    // Every number follows a space in either output ("trend": 0, "2 2; steady").
    EXPECT_THAT(result.out, Not(HasSubstr(" -0")));
    const json& recovery = doc["drills"][1];
    EXPECT_EQ(recovery["trend"], 0);
    EXPECT_EQ(recovery["seeds"][0]["best_log"], "flights/recovery-4-a.log");  // the earlier of two
    EXPECT_EQ(recovery["seeds"][0]["latest_log"], "flights/recovery-4-b.log");
    const json& nose = doc["drills"][0];
    EXPECT_EQ(nose["best"], nullptr);
    EXPECT_EQ(nose["mean"], 2.333);  // rounded as the text shows it
    EXPECT_EQ(nose["seeds"][0]["mean"], nullptr);
    EXPECT_EQ(nose["seeds"][0]["latest_log"], "flights/nose-on-ball-7.log");

    const RunResult text = run({"--history", history, "history"});
    EXPECT_THAT(text.out, Not(HasSubstr(" -0")));
    EXPECT_THAT(text.out, HasSubstr("  time_inside, higher is better: no attempt passed yet, "
                                    "mean 2.333\n"));
    EXPECT_THAT(text.out, HasSubstr("  seed 7: 1 attempt, 0 passed; no attempt passed yet, "
                                    "no attempt scored\n"
                                    "    latest from flights/nose-on-ball-7.log\n"));
    EXPECT_THAT(text.out, HasSubstr("  seed 4: 2 attempts, 2 passed; best 2, mean 2; last 2: 2 2; "
                                    "steady\n"
                                    "    best from flights/recovery-4-a.log; latest from "
                                    "flights/recovery-4-b.log\n"));
}

TEST_F(AttemptHistory, AFinishedAttemptKeepsItsFlightLogAndTheArchiveReadsItBack) {
    const hosttest::FlownAttempt flown = hosttest::flyAttempt("recovery", 3);
    ASSERT_EQ(flown.drill->score().outcome, sandbox::DrillOutcome::Passed);
    std::vector<sandbox::AttemptRecord> kept;
    for (int i = 0; i < 2; ++i) {  // the same drill, seed and second: two logs
        const auto record = desktop::appendAttempt(
            history, sandbox::attemptRecord(*flown.drill, kMarch14, ""), flown.log);
        ASSERT_TRUE(record) << record.error();
        kept.push_back(*record);
    }
    EXPECT_EQ(kept[0].flightLog, "flights/recovery-3-20240314T092653Z.log");
    EXPECT_EQ(kept[1].flightLog, "flights/recovery-3-20240314T092653Z-2.log");
    for (const auto& record : kept) {
        const auto log = desktop::loadFlightLog(dir.file(record.flightLog));
        ASSERT_TRUE(log) << log.error();
        EXPECT_TRUE(*log == flown.log);
    }

    base::Warnings warnings;
    const auto read = desktop::loadHistory(history, warnings);
    ASSERT_TRUE(read) << read.error();
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[0], kept[0]);
    EXPECT_THAT(warnings.list(), ::testing::IsEmpty());
    // The window reads an attempt's flight back through the archive (to race
    // it as the ghost); a log that has gone is a message naming it.
    desktop::HistoryArchive archive(history, warnings);
    const auto flight = archive.flight(kept[0]);
    ASSERT_TRUE(flight) << flight.error();
    EXPECT_TRUE(*flight == flown.log);
    fs::remove(dir.file(kept[0].flightLog));
    const auto gone = archive.flight(kept[0]);
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error(), dir.file(kept[0].flightLog) +
                                ": cannot read the flight log: No such file or directory");
}

TEST_F(AttemptHistory, TheWindowsArchiveKeepsEachAttemptAndALaterRunRacesTheBestOfTheHistory) {
    const hosttest::FlownAttempt flown = hosttest::flyAttempt("recovery", 3);
    ASSERT_EQ(flown.drill->score().outcome, sandbox::DrillOutcome::Passed);
    base::Warnings warnings;
    {  // the first run: nothing to race yet, its attempt kept
        desktop::HistoryArchive archive(history, warnings);
        sandbox::AttemptBook book(&archive);
        EXPECT_EQ(*book.bestFlight("recovery", 3), nullptr);
        const base::Status kept = book.add(*flown.drill, flown.log, kMarch14);
        ASSERT_TRUE(kept) << kept.error();
    }
    EXPECT_EQ(historyJson()["attempts"], 1);
    EXPECT_TRUE(fs::is_regular_file(dir.file("flights/recovery-3-20240314T092653Z.log")));

    // A corrupt line in between: warned of, and the good one still raced.
    std::ofstream(history, std::ios::app) << "not an attempt at all\n";
    const auto before = readFile(history);
    desktop::HistoryArchive archive(history, warnings);
    sandbox::AttemptBook book(&archive);
    const sandbox::FlightLog* ghost = *book.bestFlight("recovery", 3);
    ASSERT_NE(ghost, nullptr);
    EXPECT_TRUE(*ghost == flown.log);
    ASSERT_EQ(warnings.list().size(), 1u);
    EXPECT_THAT(warnings.list()[0], StartsWith(history + ":2: corrupt line"));
    EXPECT_TRUE(readFile(history) == before) << "reading changed the file";

    // No history to keep attempts in: each append says why; the run still
    // races its own.
    desktop::HistoryArchive none(base::Failure{"no history of attempts"}, warnings);
    sandbox::AttemptBook unkept(&none);
    EXPECT_EQ(unkept.add(*flown.drill, flown.log, kMarch14).error(), "no history of attempts");
    EXPECT_NE(*unkept.bestFlight("recovery", 3), nullptr);
}

TEST_F(AttemptHistory, ATornLastLineIsSkippedWithAWarningAndTheNextAttemptStaysWhole) {
    append(attempt("nose-on-ball", 1, 4.0f, true));
    append(attempt("nose-on-ball", 1, 5.0f, true));
    // A crash part way through the third line's write.
    const std::string third = *sandbox::formatAttemptLine(attempt("nose-on-ball", 1, 6.0f, true));
    std::ofstream(history, std::ios::app) << third.substr(0, third.size() / 2);
    const auto before = readFile(history);

    RunResult r;
    json doc = historyJson(&r);
    EXPECT_EQ(doc["attempts"], 2);
    const std::string torn =
        history + ":3: the last line is cut short (no newline: a write was interrupted); skipped";
    EXPECT_EQ(doc["warnings"], json::array({torn}));
    EXPECT_EQ(r.err, "trimsight-host: warning: " + torn + "\n");
    EXPECT_TRUE(readFile(history) == before) << "reading changed the file";

    // The next attempt goes on a line of its own; the torn piece stays a
    // (corrupt) line by itself.
    append(attempt("nose-on-ball", 1, 7.0f, true));
    doc = historyJson();
    EXPECT_EQ(doc["attempts"], 3);
    EXPECT_EQ(doc["drills"][0]["recent"], json::array({4, 5, 7}));
    ASSERT_EQ(doc["warnings"].size(), 1u);
    EXPECT_THAT(doc["warnings"][0].get<std::string>(), StartsWith(history + ":3: corrupt line"));
    EXPECT_EQ(lines(*readFile(history)).size(), 4u);
}

TEST_F(AttemptHistory, CorruptLinesAndANewerVersionsLinesAreSkippedAndTheFileNeverRewritten) {
    append(attempt("nose-on-ball", 1, 4.0f, true));
    std::ofstream(history, std::ios::app)
        << "trimsight-attempt 2 at=2030-01-01T00:00:00Z drill=new-drill stars=5 sum=00000000\n"
        << "not an attempt at all\n"
        << std::string("\0\xff\xfe", 3) << "\n";
    append(attempt("nose-on-ball", 1, 6.0f, true));
    struct stat before {};
    ASSERT_EQ(::stat(history.c_str(), &before), 0);
    const auto bytes = readFile(history);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--history", history, "history"},
          {"--history", history, "history", "--json"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const auto warnings = lines(r.err);
        ASSERT_EQ(warnings.size(), 3u) << r.err;
        EXPECT_EQ(warnings[0], "trimsight-host: warning: " + history +
                                   ":2: written by a newer version of the history format (2); "
                                   "this program reads version 1; skipped");
        EXPECT_THAT(warnings[1], HasSubstr(history + ":3: corrupt line (it does not start with"));
        EXPECT_THAT(warnings[2], HasSubstr(history + ":4: corrupt line"));
        EXPECT_THAT(r.out, HasSubstr("2"));
    }
    EXPECT_EQ(historyJson()["drills"][0]["recent"], json::array({4, 6}));
    struct stat after {};
    ASSERT_EQ(::stat(history.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_TRUE(readFile(history) == bytes);
}

TEST_F(AttemptHistory, AttemptsAppendedByManyProcessesAtOnceAllArriveWhole) {
    constexpr int kProcesses = 8;
    constexpr int kEach = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kEach; ++i)
                ok = desktop::appendAttemptLine(
                         history, attempt("nose-on-ball",
                                          static_cast<uint64_t>(p) * 100 + static_cast<uint64_t>(i),
                                          static_cast<float>(i), true)) &&
                     ok;
            std::_Exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const json doc = historyJson();
    EXPECT_EQ(doc["attempts"], kProcesses * kEach);
    EXPECT_EQ(doc["warnings"], json::array());
    std::set<uint64_t> seeds;
    base::Warnings warnings;
    const auto read = desktop::loadHistory(history, warnings);
    ASSERT_TRUE(read) << read.error();
    for (const auto& a : *read) seeds.insert(a.seed);
    EXPECT_EQ(seeds.size(), static_cast<std::size_t>(kProcesses * kEach));
}

TEST_F(AttemptHistory, TheDefaultFolderIsMadeOnlyUnderAnExistingDataHome) {
    const hosttest::FlownAttempt flown = hosttest::flyAttempt("recovery", 1);
    auto keep = [&flown] {
        return desktop::appendAttempt(desktop::defaultHistoryPath(),
                                      sandbox::attemptRecord(*flown.drill, kMarch14, ""),
                                      flown.log);
    };
    {
        ScopedEnv xdg("XDG_DATA_HOME", dir.file("data"));
        EXPECT_EQ(desktop::defaultHistoryPath(), dir.file("data/trimsight/history.txt"));
        EXPECT_THAT(keep().error(), HasSubstr("the data folder " + dir.file("data") +
                                              " (XDG_DATA_HOME) does not exist; use --history "
                                              "PATH"));
        EXPECT_FALSE(fs::exists(dir.file("data")));
        fs::create_directory(dir.file("data"));
        ASSERT_TRUE(keep());
        EXPECT_TRUE(fs::is_regular_file(dir.file("data/trimsight/history.txt")));
        EXPECT_TRUE(fs::is_regular_file(
            dir.file("data/trimsight/flights/recovery-1-20240314T092653Z.log")));
        EXPECT_EQ(fs::status(dir.file("data/trimsight")).permissions() & fs::perms::all,
                  fs::perms::owner_all);
    }
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    {
        ScopedEnv home("HOME", dir.file("no-home"));
        EXPECT_THAT(keep().error(), HasSubstr(dir.file("no-home") + " (HOME) does not exist"));
        EXPECT_FALSE(fs::exists(dir.file("no-home")));
    }
    fs::create_directory(dir.file("home"));
    ScopedEnv home("HOME", dir.file("home"));
    ASSERT_TRUE(keep());
    EXPECT_TRUE(fs::is_regular_file(dir.file("home/.local/share/trimsight/history.txt")));

    // Listing the default history makes nothing.
    fs::create_directory(dir.file("empty-data"));
    const RunResult r = run({"history"}, {{"XDG_DATA_HOME", dir.file("empty-data")}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "no attempts in " + dir.file("empty-data/trimsight/history.txt") + " yet\n");
    EXPECT_TRUE(fs::is_empty(dir.file("empty-data")));
}

TEST_F(AttemptHistory, AHistoryThatIsNoRegularFileIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo(history.c_str(), 0600), 0);
    RunResult r = run({"--history", history, "history"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "trimsight-host: " + history +
                         ": cannot read the history: not a regular file (a FIFO, a device or a "
                         "socket)\n");
    EXPECT_EQ(desktop::appendAttemptLine(history, attempt("recovery", 1, 2.0f, true)).error(),
              history +
                  ": cannot append to the history: not a regular file (a FIFO, a device or "
                  "a socket)");
    r = run({"--history", dir.path(), "history"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_THAT(r.err, HasSubstr("cannot read the history: Is a directory"));
    r = run({"--history", "", "history"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.err, HasSubstr("--history needs a non-empty value"));
}

}  // namespace
