#pragma once
// The record of finished drill attempts, as text: one line an attempt. The
// library formats and reads the lines and sums them up per drill; the host
// program owns the file (under $XDG_DATA_HOME/trimsight/) and its I/O.
//
// A line holds everything about its attempt, so that lines never depend on
// each other (fields are separated by one space; wrapped here):
//
//   trimsight-attempt 1 at=2024-03-14T09:26:53Z drill=nose-on-ball seed=42
//     result=passed main=time_inside better=higher score.time_inside=8.25
//     score.mean_off_nose=3.0714 log=flights/nose-on-ball-42.log sum=85fbd493
//
//   trimsight-attempt 1   the format and its version, on every line
//   at=                   when the attempt ended, UTC, to the second
//   drill=, seed=         which drill and start
//   result=               passed or failed, by the drill's own definition
//   main=, better=        the score part that ranks attempts of this drill,
//                         and whether higher or lower is better
//   score.KEY=            each part of the score (floats in their shortest
//                         exact form; a miss has no time to touch)
//   log=                  the flight log's file name, bytes outside
//                         printable ASCII and space, '%' written %XX; "-"
//                         for none
//   sum=                  FNV-1a (32 bits, 8 hex digits) of the line's text
//                         before " sum=": a line altered or cut short is
//                         caught even when it still reads
//
// Appending. The host opens the file with O_APPEND and writes one attempt
// with a single write of `historyAppendText` (the whole line, newline
// included), then fsyncs. A crash can then tear at most the line being
// written; earlier lines are never touched. If the file does not end in a
// newline (an earlier write was torn), historyAppendText starts with one,
// so the torn piece stays a line of its own and the new line stays whole.
//
// Reading keeps every good line and gives a warning for each line it
// skips: corrupt, torn (the last line without its newline) or written by a
// newer version of the format. The file is never rewritten.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "base/Warnings.h"
#include "sandbox/Drills.h"

namespace sandbox {

inline constexpr int kHistoryVersion = 1;
inline constexpr std::size_t kMaxAttemptLineLength = 8192;
inline constexpr std::size_t kMaxAttemptParts = 16;
// Warnings past this many are counted in one last warning.
inline constexpr std::size_t kMaxHistoryWarnings = 50;
// The trend looks at this many of a drill's latest scored attempts.
inline constexpr std::size_t kTrendAttempts = 10;

struct AttemptPart {
    std::string key;
    float value = 0.0f;
};

struct AttemptRecord {
    int64_t time = 0;  // Unix seconds, UTC, 1970 to 9999
    std::string drill;
    uint64_t seed = 0;
    bool passed = false;
    std::string mainPart;
    Better better = Better::Higher;
    std::vector<AttemptPart> parts;
    std::string flightLog;  // empty: none

    // The value of the main part, if the attempt has it.
    std::optional<float> mainScore() const;
};

bool operator==(const AttemptPart& a, const AttemptPart& b);
bool operator==(const AttemptRecord& a, const AttemptRecord& b);

// The record of a finished attempt, ended at `time` (Unix seconds).
AttemptRecord attemptRecord(const Drill& drill, int64_t time, std::string_view flightLog);

// The attempt's line, newline included. Fails for what the line cannot hold
// (a drill name other than lower case letters, digits and '-', a part key
// other than lower case letters, digits and '_', a time outside 1970 to
// 9999, more than kMaxAttemptParts parts, a line over the maximum length).
base::Result<std::string> formatAttemptLine(const AttemptRecord& record);

// What to append to a history file whose last byte is `lastByte` (nullopt
// for an empty file): a newline first if that byte is not one, then the
// line.
base::Result<std::string> historyAppendText(const AttemptRecord& record,
                                            std::optional<char> lastByte);

// Every good line of a history file's text, in file order, with a warning
// ("FILE:LINE: what is wrong; skipped") for each line skipped, the first
// kMaxHistoryWarnings of them and then a count of the rest. Never fails and
// never throws, whatever the bytes.
std::vector<AttemptRecord> parseHistory(std::string_view text, std::string_view fileName,
                                        base::Warnings& warnings);

// What `trimsight-host history` lists for one seed of a drill: attempts of
// one start, which compare with each other.
struct SeedSummary {
    uint64_t seed = 0;
    std::size_t attempts = 0;
    std::size_t passed = 0;
    // As in DrillSummary, over this seed's attempts only.
    std::optional<float> best;
    std::optional<float> mean;
    std::vector<float> scores;  // every main score, oldest first
    std::vector<float> recent;  // the latest kTrendAttempts of them
    float trend = 0.0f;
    int64_t lastTime = 0;
    std::string bestLog;    // the flight log of the best, empty: none
    std::string latestLog;  // of the latest attempt, empty: none
};

// What `trimsight-host history` lists for one drill.
struct DrillSummary {
    std::string drill;
    std::string mainPart;  // as the drill's latest attempt ranks them
    Better better = Better::Higher;
    std::size_t attempts = 0;
    std::size_t passed = 0;
    // Over the attempts with that main part: the best of those that passed,
    // and the mean of all of them (a failed attempt may still score).
    std::optional<float> best;
    std::optional<float> mean;
    // The main scores of every attempt, oldest first, whatever its seed.
    std::vector<float> scores;
    // The main scores of the latest attempts, oldest first (at most
    // kTrendAttempts), and the least-squares change per attempt over them,
    // signed so that positive is an improvement whichever way the drill
    // ranks; 0 with fewer than two. Seeds mixed: each seed's own trend is in
    // `seeds`, and only that one compares like with like.
    std::vector<float> recent;
    float trend = 0.0f;
    int64_t lastTime = 0;
    // Per seed, by seed number, ranked by the drill's main part as above.
    std::vector<SeedSummary> seeds;
};

// One summary per drill in the history, ordered by drill name.
std::vector<DrillSummary> summarizeHistory(std::span<const AttemptRecord> attempts);

// The best passed attempt of a drill and seed (the ghost to fly against);
// the earliest one on a tie; null if none passed.
const AttemptRecord* bestAttempt(std::span<const AttemptRecord> attempts, std::string_view drill,
                                 uint64_t seed);

}  // namespace sandbox
