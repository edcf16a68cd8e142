#pragma once
// Flying the full model through segments of held controls, keeping every
// tick: history[n] is the world after n ticks, events[n] what tick n did
// (tick 0 is the start and did nothing).
#include <vector>

#include "sandbox/Mechanics.h"

namespace sandbox::flights {

struct Segment {
    int ticks;
    CarControls controls;
};

struct Flight {
    std::vector<mechanics::World> history;
    std::vector<mechanics::TickEvents> events;
    const mechanics::Car& car(int tick) const { return history.at(tick).car; }
    AxisRates rates(int tick) const { return ratesInCarAxes(car(tick).attitude, car(tick).spin); }
};

inline Flight fly(const mechanics::World& start, const std::vector<Segment>& segments,
                  const mechanics::Options& options) {
    Flight f;
    f.history.push_back(start);
    f.events.emplace_back();
    mechanics::World world = start;
    for (const Segment& s : segments) {
        for (int i = 0; i < s.ticks; ++i) {
            f.events.push_back(mechanics::step(world, s.controls, options));
            f.history.push_back(world);
        }
    }
    return f;
}

}  // namespace sandbox::flights
