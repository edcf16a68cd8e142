#pragma once
// What the host layer shows a plugin of the simulated world: the values a
// frame's game state is set from. The live window and the scene export both
// go through here, so a flight and its exported scene draw the same.
#include <cstdint>

#include "host/Types.h"
#include "sandbox/Physics.h"

namespace sandbox {

// ControllerInput::Flags bits the sandbox sets.
inline constexpr uint32_t kInputFlagJump = 1u << 0;
inline constexpr uint32_t kInputFlagBoost = 1u << 1;

// The car's input record as the car game reports it: Steer (byte offset 4)
// is the stick's x, right positive; Pitch (offset 8) is the pitch control,
// +1 raising the nose, which with the default bindings is the stick pulled
// back. The plugin's stick indicator turns atan2(Pitch, Steer) + a quarter
// turn clockwise from the top of the dial, so a stick pulled back shows at
// the bottom and a stick to the right at the right, as the player holds it.
ControllerInput controllerInput(const CarControls& controls);

struct HostView {
    Vector carLocation{};
    Vector carVelocity{};
    Rotator carRotation{};
    ControllerInput input{};
    Vector ballLocation{};
    Vector ballVelocity{};
};

// The world after a tick, with the controls that tick ran on (zeros before
// the first tick).
HostView hostView(const World& world, const CarControls& lastControls);

}  // namespace sandbox
