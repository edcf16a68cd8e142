#pragma once
// What `fly --drill` makes of an attempt: its result as one JSON line on
// standard output, and the finished attempt into the record of attempts
// (the book of bests the ghost car races, and the archive behind it).
//
// The line, one JSON object (wrapped here):
//   {"drill":"recovery","seed":3,"outcome":"passed","verdict":"clean landing",
//    "ticks":312,"seconds":2.6,"main":"landing_angle","better":"lower",
//    "autopilot":true,"parts":{"time_to_touchdown":2.6,"landing_angle":4.25,
//    "landing_spin":0.31}}
// outcome is "passed", "failed" or "unfinished" (the run ended first);
// parts are the score's parts by key, in the drill's order, their numbers in
// the shortest form that reads back to the same float.
#include <cstdio>
#include <string>

#include "hostapp/fly/AttemptBook.h"
#include "hostapp/fly/FlySession.h"

namespace hostapp {

std::string attemptJsonLine(const sandbox::Drill& drill, bool autopilot);

class DrillReporter {
  public:
    DrillReporter(std::FILE* out, std::FILE* err, fly::AttemptArchive* archive)
        : out_(out), err_(err), book_(archive) {}

    // An attempt the session just finished: its line, then the record. The
    // autopilot's attempts are not the player's: they are printed only.
    void finished(const fly::FlySession& session);
    // At the end of the run, the line of an attempt still under way.
    void unfinished(const fly::FlySession& session);
    fly::AttemptBook& book() { return book_; }

  private:
    std::FILE* out_;
    std::FILE* err_;
    fly::AttemptBook book_;
};

}  // namespace hostapp
