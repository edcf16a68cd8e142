#pragma once
// A flight's world in the model it flies, behind one step call: the legacy
// model (Physics.h; flight logs of versions 1 to 3 replay it bit for bit) or
// the full model (Mechanics.h; every flight recorded since version 4).
//
// Drills, the autopilot, the host view and the window read the world as the
// legacy model's state (world()). For the full model that is a view written
// after every tick: location, velocity, attitude, spin, boost, "on ground"
// (three wheels or more touch), the jump and boost flags. What only the full
// model has (the ball's spin, the wheels, the flip, the goals) is full().
//
// In the full model a landing does not end anything: the suspension takes
// it and the car drives on. The report still says when it happened (the
// first tick three wheels touch, or the box touches the floor from the roof
// or side, after at least kMinAirTicks off the floor, so a car bouncing on
// its roof lands once), so a drill that ends at touchdown ends there; what
// else ends a flight is the drill's to say.
//
// Stepping allocates nothing.
#include <cstdint>

#include "sandbox/Mechanics.h"
#include "sandbox/Physics.h"

namespace sandbox {

enum class FlightModel : uint8_t { Legacy, Full };

inline constexpr int32_t kMinAirTicks = 12;

// A start made for the legacy model, in the full model: the same bodies,
// the jump and boost flags carried over, the ball not spinning. A car
// resting on its wheels stands on them (and settles in a tick or two).
mechanics::World fullWorldFrom(const World& start);
// The full model's state as the legacy model's.
World legacyView(const mechanics::World& full);
mechanics::Options fullOptions(const PhysicsOptions& options);

// How many of the car's wheels touch something (their rays of the last
// tick).
int wheelsTouching(const mechanics::Car& car);

class Simulation {
  public:
    Simulation() = default;  // the legacy model's default world
    static Simulation legacy(const World& start, const PhysicsOptions& options);
    static Simulation full(const mechanics::World& start, const PhysicsOptions& options);

    FlightModel model() const { return model_; }
    const PhysicsOptions& options() const { return options_; }
    // The world as the legacy model's state (a view, for the full model).
    const World& world() const { return view_; }
    // The full model's state (only meaningful when model() is Full).
    const mechanics::World& full() const { return full_; }

    // One tick.
    TickReport step(const CarControls& controls);

  private:
    TickReport stepFull(const CarControls& controls);

    FlightModel model_ = FlightModel::Legacy;
    PhysicsOptions options_;
    World view_;
    mechanics::World full_;
    // Ticks in a row the car has been off the floor (a car that starts down
    // has not landed), and the goal the ball was in.
    int32_t ticksUp_ = 0;
    mechanics::Goal goal_ = mechanics::Goal::None;
};

}  // namespace sandbox
