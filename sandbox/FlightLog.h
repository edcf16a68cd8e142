#pragma once
// A flight as a file: its start state and the controls of every tick, with
// the console-variable changes and resets between ticks. Replaying a log
// gives the same states, bit for bit, as the flight it was recorded from.
//
// The file is text, one fact a line, so that two flights diff well:
//
//   trimsight-flight 3                version 3 (legacy model); 4 below
//   option unlimited_boost 0
//   option ball_floats 0              the ball feels no gravity (drills)
//   drill nose-on-ball 7              a drill attempt: the drill and its seed
//                                     (only in an attempt's log)
//   car location -2000 0 17.03        start state: floats in their shortest
//   car velocity 0 0 0                exact form, read back to the same bits
//   car forward 1 0 0
//   car right 0 1 0
//   car up 0 0 1
//   car spin 0 0 0                    rad/s, world axes
//   car boost 100
//   car on_ground 1
//   car boost_state 0 0               boosting last tick, tap ticks owed
//   car jump_state 0 0 0              jump held, jumping, jump ticks so far
//   ball location 0 0 91.25
//   ball velocity 0 0 0
//   ticks
//   0 0 0 0 0 0 -                     tick steer pitch yaw roll throttle buttons
//   1 0 1 0 0 0 J                     buttons: B boost, J jump, - none
//   cvar 2 trimsight_target "5"       before tick 2: set a console variable
//   cvar 2 x_position null            before tick 2: remove it
//   reset 2                           before tick 2: back to the start state
//   2 0.5 1 0 0 1 BJ
//   end 3                             the number of ticks; a file cut short
//                                     has no end line
//
// That is version 3, a flight of the legacy model (Physics.h). Version 4 is
// a flight of the full model (Mechanics.h): the same lines but for the car's
// and ball's start, which holds all the full model carries from one tick to
// the next (timers in seconds, as float32 sums of ticks), and a handbrake
// button:
//
//   trimsight-flight 4
//   option unlimited_boost 0
//   option ball_floats 0
//   option dodge_dead_zone 0.6        the player's dodge dead zone (0 to 1),
//                                     only when it is not the default 0.5
//   car location -2000 0 17.032       location, velocity, forward, right,
//   ...                               up, spin and boost as in version 3
//   car jump_state 0 0 0 0 0          jump held, has jumped, is jumping,
//                                     jump time, time since the held jump
//   car dodge_state 0 0 0 0 0 0       has double jumped, has flipped, is
//                                     flipping, flip time, flip torque
//                                     forward and right (-1 to 1)
//   car auto_flip 0 0 0               auto-flipping, time left, roll sign
//   car boost_state 0 0               boosting, how long it has fired
//   car supersonic 0 0                supersonic, for how long
//   car handbrake 0                   0 to 1
//   car wheel_0 0 0 0 0 0 0           per wheel (0, 1 front right, left; 2,
//   ...                               3 back): engine force, brake, lateral
//                                     and longitudinal friction, steer
//                                     angle, push-back, as set for the tick
//   car touched_world 0 0 0 0         the box touched the arena last tick,
//                                     and the contact's normal
//   ball location 0 0 91.25
//   ball velocity 0 0 0
//   ball spin 0 0 0                   rad/s, world axes
//   ball hit_last_tick 0              the extra push on a hit ball was given
//                                     on the tick before the start
//   ticks
//   0 0 0 0 0 1 BJH                   buttons: B boost, J jump, H handbrake
//                                     (powerslide), in that order, or -
//   end 1
//
// So a car that starts on its wheels while moving, a ball that starts
// spinning, or a car between its jump and its dodge replay as they flew.
// Every number is finite and bounded (timers at most 100000 s).
//
// Lines starting with '#' and blank lines are ignored. Every start line
// appears exactly once, in any order, before `ticks`; the drill line and
// the dodge dead zone at most once. Version 1 files, from before `option ball_floats`, still read:
// their ball falls as it always did; version 2 files, from before the drill line, read as flights
// that say of no drill.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "sandbox/Flight.h"
#include "sandbox/Mechanics.h"
#include "sandbox/Physics.h"

namespace sandbox {

inline constexpr int kFlightLogVersion = 4;
// Versions 1 to 3 are flights of the legacy model (and a legacy flight is
// still written as version 3); version 4 brought the full model.
inline constexpr int kLastLegacyFlightLogVersion = 3;
inline constexpr int kFullModelSinceVersion = 4;
// The first word of every log, which tells it from other files.
inline constexpr std::string_view kFlightLogMagic = "trimsight-flight";
// Bounds on what a log may hold (and a file the reader accepts): four hours
// of ticks, far more events than a person makes.
inline constexpr std::size_t kMaxFlightTicks = 4u * 3600u * kTicksPerSecond;
inline constexpr std::size_t kMaxFlightEvents = 100000;
inline constexpr std::size_t kMaxFlightLogBytes = 256u << 20;
inline constexpr std::size_t kMaxCVarNameLength = 128;
inline constexpr std::size_t kMaxCVarValueLength = 1024;
inline constexpr std::size_t kMaxDrillNameLength = 64;

// Something that happened between ticks: before tick `tick` ran (after all
// the ticks before it).
struct FlightEvent {
    enum class Kind : uint8_t { CVar, Reset };
    Kind kind = Kind::CVar;
    uint32_t tick = 0;
    std::string name;                  // CVar: the console variable
    std::optional<std::string> value;  // CVar: its new text; nullopt removes it
};

bool operator==(const FlightEvent& a, const FlightEvent& b);

// The drill attempt a flight is, so that what the drill watched (its plot)
// can be worked out again from the log.
struct FlightDrill {
    std::string name;  // as on the command line: lower case letters, digits and '-'
    uint64_t seed = 0;
    bool operator==(const FlightDrill&) const = default;
};

struct FlightLog {
    // The model the flight flies (from the version: 1 to 3 legacy, 4 full),
    // and its start: `start` for the legacy model; `fullStart` for the full
    // model, with `start` its view as the legacy model's state (Flight.h),
    // for those who read the world that way. setStart sets all three.
    FlightModel model = FlightModel::Legacy;
    World start;
    mechanics::World fullStart;
    PhysicsOptions options;
    std::optional<FlightDrill> drill;  // nullopt: a free flight, or a log older than the line
    std::vector<CarControls> ticks;
    std::vector<FlightEvent> events;  // in tick order

    // Recording: each call adds at the flight's current end. They refuse
    // (return false, nothing added) what the file could not hold: more than
    // kMaxFlightTicks ticks or kMaxFlightEvents events, a name that is not
    // letters, digits and '_', or a value that is not printable ASCII.
    bool recordTick(const CarControls& controls);

    void setStart(const World& legacyStart);
    // The full model's state as the file holds it (storedStart).
    void setStart(const mechanics::World& full);
    bool recordCVar(std::string_view name, std::optional<std::string_view> value);
    bool recordReset();
};

bool operator==(const FlightLog& a, const FlightLog& b);

// The file's text.
std::string formatFlightLog(const FlightLog& log);

// A log from text; errors read "FILE:LINE: what is wrong". Never throws,
// whatever the bytes.
base::Result<FlightLog> parseFlightLog(std::string_view text, std::string_view fileName);

// The full model's state as a log's start holds it: all the car and the
// ball carry from tick to tick, but the contact points the car's box keeps
// (they only warm-start the box's next solve), at tick 0. A flight that
// starts from the middle of another (flying on freely after a drill) starts
// from this, so that its log replays it exactly.
mechanics::World storedStart(const mechanics::World& world);

// The simulation a log starts with: its model, its start, its options.
Simulation startOf(const FlightLog& log);

// Plays a log tick by tick. Time T is when T ticks have run and the events
// of tick T have been applied; the replay starts at time 0. The log must
// outlive the replay.
class FlightReplay {
  public:
    explicit FlightReplay(const FlightLog& log);
    explicit FlightReplay(FlightLog&&) = delete;  // it would not outlive the replay

    uint32_t time() const { return time_; }
    bool finished() const { return time_ == log_.ticks.size(); }
    const World& world() const { return sim_.world(); }
    const Simulation& simulation() const { return sim_; }
    // The controls of the last tick run (zeros at time 0).
    const CarControls& lastControls() const { return lastControls_; }
    // The events applied on arriving at the current time; the caller applies
    // the console-variable changes to its own store.
    std::span<const FlightEvent> eventsNow() const;

    // Runs the next tick and applies the events of the time it arrives at.
    // Does nothing once finished.
    TickReport step();

  private:
    void applyEvents();

    const FlightLog& log_;
    Simulation sim_;
    CarControls lastControls_{};
    uint32_t time_ = 0;
    std::size_t nextEvent_ = 0;
    std::size_t firstEventNow_ = 0;
};

}  // namespace sandbox
