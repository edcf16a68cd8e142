#pragma once
// Shared by the full model's ball, hit and arena tests: a run of the model
// with one set of controls, every tick's world and events kept.
#include <vector>

#include "sandbox/Mechanics.h"

namespace fullmodel {

using sandbox::CarControls;
using sandbox::cross;
using sandbox::dot;
using sandbox::length;
using sandbox::Vec3;
using sandbox::mechanics::Arena;
using sandbox::mechanics::Ball;
using sandbox::mechanics::Car;
using sandbox::mechanics::Options;
using sandbox::mechanics::TickEvents;
using sandbox::mechanics::World;

constexpr float kGravityTick = 650.0f / 120.0f;  // 5.4167 uu/s a tick
constexpr float kDragTick = 0.9997462f;          // 0.97 a second

inline Options in(Arena arena, bool ballFloats = false) {
    Options o;
    o.arena = arena;
    o.ballFloats = ballFloats;
    return o;
}

// history[n] is the world after n ticks, events[n] what tick n did.
struct Flight {
    std::vector<World> history;
    std::vector<TickEvents> events;
    const Ball& ball(int tick) const { return history.at(static_cast<size_t>(tick)).ball; }
    const Car& car(int tick) const { return history.at(static_cast<size_t>(tick)).car; }
};

inline Flight simulate(const World& start, int ticks, const Options& options,
                       const std::vector<CarControls>& controls = {}) {
    Flight r;
    r.history.reserve(static_cast<size_t>(ticks) + 1);
    r.history.push_back(start);
    r.events.push_back({});
    World world = start;
    for (int t = 1; t <= ticks; ++t) {
        const CarControls c = controls.empty()
                                  ? CarControls{}
                                  : controls[static_cast<size_t>(t - 1) % controls.size()];
        r.events.push_back(sandbox::mechanics::step(world, c, options));
        r.history.push_back(world);
    }
    return r;
}

// A ball on its own: the car parked far from it.
inline World ballAt(Vec3 location, Vec3 velocity = {}, Vec3 spin = {}) {
    World w;
    w.car.location = {0.0f, -3000.0f, 17.0f};
    w.ball.location = location;
    w.ball.velocity = velocity;
    w.ball.spin = spin;
    return w;
}

}  // namespace fullmodel
