#pragma once
// Flights for the host program's tests, made with the sandbox: a flight log
// with stick, boost, console-variable changes and a reset, and drill
// attempts flown to their end by the autopilot.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sandbox/Autopilot.h"
#include "sandbox/Drills.h"
#include "sandbox/FlightLog.h"
#include "sandbox/Starts.h"

namespace hosttest {

// `ticks` ticks from a random start: the stick and boost change every 15
// ticks; trimsight_target goes to 5 at tick 30 and to 3 at tick 31 (the same
// frame at 2 ticks a frame or more), x_position is removed at tick 90 and
// comes back at 150, and the flight restarts at tick 200.
inline sandbox::FlightLog testFlight(uint64_t seed, uint32_t ticks) {
    sandbox::FlightLog log;
    log.start = sandbox::randomStart(seed);
    sandbox::SeededRandom random(seed + 1000);
    sandbox::CarControls c;
    for (uint32_t t = 0; t < ticks; ++t) {
        if (t % 15 == 0) {
            c.steer = c.yaw = random.uniform(-1.0f, 1.0f);
            c.pitch = random.uniform(-1.0f, 1.0f);
            c.roll = random.uniform(-1.0f, 1.0f);
            c.boost = !c.boost;
        }
        if (t == 30) log.recordCVar("trimsight_target", "5");
        if (t == 31) log.recordCVar("trimsight_target", "3");
        if (t == 90) log.recordCVar("x_position", std::nullopt);
        if (t == 150) log.recordCVar("x_position", "0.5");
        if (t == 200) log.recordReset();
        log.recordTick(c);
    }
    return log;
}

// A drill attempt flown by the autopilot to its end, and its flight log.
struct FlownAttempt {
    std::unique_ptr<sandbox::Drill> drill;
    sandbox::FlightLog log;
};

inline FlownAttempt flyAttempt(std::string_view drillName, uint64_t seed) {
    FlownAttempt a{sandbox::makeDrill(drillName, seed), {}};
    a.log.setStart(a.drill->start().fullWorld());
    a.log.options = a.drill->start().options;
    sandbox::Autopilot pilot(*a.drill);
    sandbox::Simulation sim = sandbox::startOf(a.log);
    for (int t = 0; t < 30 * sandbox::kTicksPerSecond && !a.drill->finished(); ++t) {
        const sandbox::CarControls controls = pilot.controls(sim.world());
        const sandbox::TickReport report = sim.step(controls);
        a.drill->update(sim.world(), controls, report);
        a.log.recordTick(controls);
    }
    return a;
}

}  // namespace hosttest
