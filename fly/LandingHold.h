#pragma once
// A landing the player can see: when a flight ends on the floor the world is
// held still for a moment at the landing attitude, with the landing angle
// and spin shown, before the flight goes on (FlySession decides how: a drill
// sets the car on its wheels; free flight goes on, or resets to its start or
// to a new random start, as the auto-reset option says).
//
// The hold counts the session clock's ticks, so pause and slow motion hold
// it too. It is display only: held ticks are not stepped and not logged, so
// the flight log replays exactly what was flown.
//
//   landed(touchdown)   the hold starts (kLandingHoldTicks)
//   tick()              one tick held; true in the tick the hold ends
//   clear()             a new start or attempt: no hold
#include <cstdint>
#include <optional>
#include <string_view>

#include "sandbox/Sandbox.h"

namespace fly {

// How long a landing holds the world still: 1.5 s.
inline constexpr int kLandingHoldTicks = sandbox::kTicksPerSecond * 3 / 2;
// In free flight, only a landing after this long in the air holds (an
// aerial, not a hop or a bump while driving).
inline constexpr int kLandingMinAirTicks = sandbox::kTicksPerSecond;

class LandingHold {
  public:
    void landed(const sandbox::Touchdown& touchdown) {
        touchdown_ = touchdown;
        ticksLeft_ = kLandingHoldTicks;
    }
    bool holding() const { return ticksLeft_ > 0; }
    int ticksLeft() const { return ticksLeft_; }
    // The landing being held, or last held.
    const std::optional<sandbox::Touchdown>& touchdown() const { return touchdown_; }
    bool tick() {
        if (ticksLeft_ == 0) return false;
        return --ticksLeft_ == 0;
    }
    void clear() {
        ticksLeft_ = 0;
        touchdown_.reset();
    }

  private:
    std::optional<sandbox::Touchdown> touchdown_;
    int ticksLeft_ = 0;
};

// What free flight does once a landing's hold ends (`fly --auto-reset`, the
// settings): go on from the landing, back to the flight's start (as R), or
// a new random start in the air (as N), as players train recoveries.
enum class AutoReset : uint8_t { Off, Start, Random };

// "off", "start", "random".
std::string_view autoResetName(AutoReset option);
std::optional<AutoReset> autoResetNamed(std::string_view name);

// What the session does when a hold ends.
enum class AfterLanding : uint8_t {
    GoOn,            // the flight goes on from the landing, one log
    SetOnWheels,     // a finished drill: the car stands level where it landed
    ResetToStart,    // the log's start again (a reset event in the log)
    NewRandomStart,  // the next seed's start, a new log
};
AfterLanding afterLanding(AutoReset option, bool inDrill);

}  // namespace fly
