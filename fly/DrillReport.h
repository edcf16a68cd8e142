#pragma once
// What a drill's run makes of an attempt: its result as one JSON line (on
// standard output for `fly --drill`, an event for the browser's page), and
// the finished attempt into the record of attempts (the book of bests the
// ghost car races, and the archive behind it: the history file on the
// desktop, local storage in a browser).
//
// The line, one JSON object (wrapped here):
//   {"drill":"recovery","seed":3,"outcome":"passed","verdict":"clean landing",
//    "ticks":312,"seconds":2.6,"main":"landing_angle","better":"lower",
//    "autopilot":true,"parts":{"time_to_touchdown":2.6,"landing_angle":4.25,
//    "landing_spin":0.31}}
// outcome is "passed", "failed" or "unfinished" (the run ended first);
// parts are every part the drill's score can have, by key, in the drill's
// order, their numbers in the shortest form that reads back to the same
// float, and null for a part this attempt has no value for (a miss has no
// time to touch).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "base/Warnings.h"
#include "fly/FlySession.h"
#include "sandbox/AttemptBook.h"

namespace fly {

std::string attemptJsonLine(const sandbox::Drill& drill, bool autopilot);

// A session's tally as one JSON line, after its attempts' lines:
//   {"session":"First aerials","attempts":12,"of":12,"passed":9,"streak":3,
//    "best_streak":5,"over":true}
// over is false when the run ended before the last entry's count.
std::string sessionJsonLine(const sandbox::Session& session, const sandbox::SessionTally& tally);

class DrillReporter {
  public:
    using Say = std::function<void(const std::string& text)>;

    // `line` takes each result line, `warnings` each warning (an attempt the
    // archive could not keep; the flight goes on), and must outlive the
    // reporter.
    DrillReporter(Say line, base::Warnings& warnings, sandbox::AttemptArchive* archive)
        : line_(std::move(line)), warnings_(warnings), book_(archive) {}

    // An attempt the session just finished: its line, then the record. The
    // autopilot's attempts are not the player's: they are printed only.
    void finished(const fly::FlySession& session);
    // At the end of the run, the line of an attempt still under way.
    void unfinished(const fly::FlySession& session);
    // The flight of the best passed attempt of a drill and seed, to race as
    // the ghost; null when there is none, or when the archive cannot give
    // its flight (the archive warns).
    const sandbox::FlightLog* bestFlight(std::string_view drill, uint64_t seed);
    sandbox::AttemptBook& book() { return book_; }

  private:
    Say line_;
    base::Warnings& warnings_;
    sandbox::AttemptBook book_;
};

}  // namespace fly
