#include "sandbox/HostView.h"

namespace sandbox {

ControllerInput controllerInput(const CarControls& c) {
    ControllerInput input;
    input.Throttle = c.throttle;
    input.Steer = c.steer;
    input.Pitch = c.pitch;
    input.Yaw = c.yaw;
    input.Roll = c.roll;
    input.Flags = (c.jump ? kInputFlagJump : 0u) | (c.boost ? kInputFlagBoost : 0u);
    return input;
}

HostView hostView(const World& world, const CarControls& lastControls) {
    HostView view;
    view.carLocation = toHost(world.car.location);
    view.carVelocity = toHost(world.car.velocity);
    view.carRotation = toRotator(world.car.attitude);
    view.input = controllerInput(lastControls);
    view.ballLocation = toHost(world.ball.location);
    view.ballVelocity = toHost(world.ball.velocity);
    return view;
}

}  // namespace sandbox
