#pragma once
// What the flying page is asked to do, as its address says it (index.html
// reads the address and hands the module one JSON object):
//   script=TEXT     a flight script (hostapp/fly/ControlScript.h), its lines
//                   separated by ';' or newlines
//   seconds=N       the flight ends after N seconds of the session's time
//   seed=N          start in the air from this seed's random start
//   fixed=1         the session's time by fixed steps of 1/60 s (a
//                   scripted test flies the same on any machine)
//   boost=unlimited boost never runs out
//   drill=NAME      fly this drill from the start (seed=N its seed, 1
//                   without one); with an end (seconds=N, a script's end
//                   line) the flight ends with its first attempt
//   pack=NAME|CODE  play a pack of shots: a built-in pack's name
//                   (first-aerials) or a pack's share code (trimsight-host
//                   pack code FILE); shot=N its shot to start with (from 1)
//   course=NAME|CODE fly a ring course: a built-in course's name (loop) or
//                   a course's share code
//   session=NAME|CODE  play a session from the start: a built-in one by its
//                   name (first-aerials) or a share code (its packs are
//                   the built-in ones, its courses too)
//   autopilot=1     the autopilot flies the attempts of the drill, pack,
//                   course or session
// One of drill, pack, course and session at most; with an end, the flight
// ends with the first attempt of a drill, pack or course.
// Plain logic, compiled natively for the tests.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "fly/ControlScript.h"
#include "sandbox/Courses.h"
#include "sandbox/Drills.h"
#include "sandbox/Sessions.h"
#include "sandbox/Shots.h"

namespace web {

struct PageOptions {
    std::string canvas = "#canvas";  // the canvas's CSS selector
    std::optional<fly::ControlScript> script;
    double seconds = 0.0;  // 0: until the page is closed (or the script's end)
    std::optional<uint64_t> seed;
    bool fixedSteps = false;
    bool unlimitedBoost = false;
    const sandbox::DrillEntry* drill = nullptr;  // null: free flight
    std::optional<sandbox::Pack> pack;
    std::size_t shot = 0;  // the pack's shot to start with, from 1; 0: not given (the first)
    std::optional<sandbox::Course> course;
    std::optional<sandbox::Session> session;  // every entry playable
    bool autopilot = false;

    // Whether the flight is attempts (a drill's, a pack's shots, a course's).
    bool fliesAttempts() const { return drill != nullptr || pack || course || session; }

    // When the session ends, in its time: the seconds asked for, else the
    // script's end line; nullopt: never.
    std::optional<int64_t> endNs() const;
};

// The options from the page's JSON object: {"canvas": "#canvas", "script":
// "0 stick 0 1; 2 end", "seconds": 2, "seed": 7, "fixedSteps": true,
// "unlimitedBoost": false, "drill": "recovery", "pack": "first-aerials",
// "shot": 2, "course": "loop", "session": "air-control", "autopilot": false},
// every key optional, no others; autopilot only with a drill, a pack, a
// course or a session, shot only with a pack. A seed is a whole number from
// 0 to 2^53 or its decimal text. A failure is one line naming the option, or
// the script's line ("the page's script:LINE: ..."), or where a pack's or a
// course's code is wrong.
base::Result<PageOptions> parsePageOptions(std::string_view text);

}  // namespace web
