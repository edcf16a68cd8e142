#pragma once
// One attempt at a drill inside the window's session: the countdown with
// the world held still, the drill watching each tick, the autopilot when it
// flies, the plot's samples, and the ghost cars (the drill's target
// attitude; the best attempt of the drill and seed replayed from its flight
// log). Also the dial's cue, set for the attempt and set back after it.
//
// An attempt, tick by tick (FlySession::runTicks):
//   plan = attempt.plan(world, person's controls)
//   countdown: nothing moves, plan.step is false
//   running:   simulation.step(plan.controls); log the tick;
//              attempt.record(world, plan.controls, report)
//   finished:  the world held still again; the result stays to be read
//
// No SDL, GL or files. Everything is reserved when the attempt starts, so a
// tick allocates nothing (the drill, the autopilot and the replay included).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fly/GhostCar.h"
#include "fly/RingMark.h"
#include "host/pluginsdk/CVarStore.h"
#include "render/TargetOption.h"
#include "sandbox/AttemptPlot.h"
#include "sandbox/Sandbox.h"

namespace fly {

enum class AttemptPhase : uint8_t { Countdown, Running, Finished };

inline constexpr int kCountdownTicks = sandbox::kDrillCountdownSeconds * sandbox::kTicksPerSecond;
// At most a target attitude and a best attempt.
inline constexpr std::size_t kMaxGhosts = 2;

class DrillAttempt {
  public:
    // `bestFlight` is a flight to race as a ghost (copied); it is left out
    // unless it starts where the drill starts (the same drill and seed).
    DrillAttempt(std::unique_ptr<sandbox::Drill> drill, bool autopilot,
                 const sandbox::FlightLog* bestFlight);
    // The replay reads the attempt's own copy of the flight.
    DrillAttempt(const DrillAttempt&) = delete;
    DrillAttempt& operator=(const DrillAttempt&) = delete;

    const sandbox::Drill& drill() const { return *drill_; }
    AttemptPhase phase() const { return phase_; }
    bool finished() const { return phase_ == AttemptPhase::Finished; }
    // Ticks of countdown left (0 once running).
    int countdownTicks() const { return countdownTicks_; }
    bool autopilot() const { return autopilot_.has_value(); }
    bool racesBestFlight() const { return replay_.has_value(); }
    const sandbox::AttemptPlot& plot() const { return plot_; }
    // The ghosts as they are after the last tick.
    std::span<const GhostCar> ghosts() const { return {ghosts_.data(), ghostCount_}; }
    // A ring course's rings as they look after the last tick (none for
    // other drills), and the split of a ring in the best attempt raced
    // (nullopt without one, or where it passed no ring).
    std::span<const RingMark> rings() const { return rings_; }
    std::optional<float> bestSplit(std::size_t ring) const;

    // What the next tick of the session's clock does: whether the world
    // steps, and the controls the car gets (the autopilot's when it flies,
    // else the person's; shown on the dial even while the world is still).
    struct TickPlan {
        bool step = false;
        sandbox::CarControls controls;
    };
    TickPlan plan(const sandbox::World& world, const sandbox::CarControls& person);
    // Carries a new attempt on to where `flight` (this attempt's log so far,
    // from its start) ends, as if it had been flown: no countdown, the drill
    // and the ghosts as they stood at its last tick (a rewind taking over).
    void resume(const sandbox::FlightLog& flight);
    // After the world stepped as planned.
    void record(const sandbox::World& world, const sandbox::CarControls& controls,
                const sandbox::TickReport& report);

  private:
    void placeGhosts(const sandbox::CarState& car);
    void markRings();

    std::unique_ptr<sandbox::Drill> drill_;
    AttemptPhase phase_ = AttemptPhase::Countdown;
    int countdownTicks_ = kCountdownTicks;
    std::optional<sandbox::Autopilot> autopilot_;
    sandbox::FlightLog bestFlight_;
    std::optional<sandbox::FlightReplay> replay_;
    sandbox::AttemptPlot plot_;
    std::array<GhostCar, kMaxGhosts> ghosts_{};
    std::size_t ghostCount_ = 0;
    std::vector<RingMark> rings_;  // sized when the attempt starts
    std::vector<std::optional<float>> bestSplits_;
};

// The dial's target option set to a drill's cue for an attempt and set back
// after it, through the console-variable store. The player's own value is
// what the config file keeps meanwhile (playerValue()).
class DialCue {
  public:
    // Sets the option to `cue`, keeping the player's value; leaves it alone
    // for nullopt (a drill that trains with no cue).
    void set(pluginsdk::CVarStore& cvars, std::optional<render::TargetOption> cue);
    // Sets the player's value back, unless the player chose another value
    // meanwhile (on the settings page): that choice stays.
    void restore(pluginsdk::CVarStore& cvars);
    // The player's value while the cue stands in for it; nullopt when no cue
    // is set or the player has changed the option since.
    std::optional<std::string_view> playerValue(const pluginsdk::CVarStore& cvars) const;
    // The text the option holds while the cue is set ("5" for the ball).
    static std::string cueText(render::TargetOption cue);

  private:
    std::optional<std::string> kept_;
    std::string cueText_;
};

}  // namespace fly
