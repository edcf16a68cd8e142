#include "sandbox/Wheels.h"

#include "sandbox/Physics.h"

namespace sandbox::mechanics {

namespace {

// Where each wheel hangs, in car axes (forward, right, up), and its
// suspension: rest length and how far it travels either way.
struct WheelLayout {
    Vec3 connection;
    float radius;
    float restLength;
};
constexpr float kSuspensionTravel = 12.0f;
constexpr WheelLayout kLayout[4] = {
    {{51.25f, 25.90f, 20.755f}, 12.50f, 26.755f},    // front right
    {{51.25f, -25.90f, 20.755f}, 12.50f, 26.755f},   // front left
    {{-33.75f, 29.50f, 20.755f}, 15.00f, 25.055f},   // back right
    {{-33.75f, -29.50f, 20.755f}, 15.00f, 25.055f},  // back left
};

// Handbrake: up in 0.2 s while held, down in 0.5 s after.
constexpr float kHandbrakeRise = 5.0f;
constexpr float kHandbrakeFall = 2.0f;

// A ray that hit nothing: the suspension hangs at full length.
void missed(Wheel& wheel, const WheelLayout& layout, const Orientation& attitude) {
    wheel.inContact = false;
    wheel.onStaticSurface = false;
    wheel.contactNormal = attitude.up;
    wheel.suspensionLength = layout.restLength + kSuspensionTravel;
    wheel.suspensionSpeed = 0.0f;
    wheel.inverseContactDot = 1.0f;
    wheel.pushBack = 0.0f;
}

}  // namespace

WheelsTick wheelsFirstHalf(Car& car, const Ball& /*ball*/, Arena /*arena*/) {
    for (int i = 0; i < 4; ++i) missed(car.wheels[i], kLayout[i], car.attitude);
    return {};
}

void updateWheelControls(Car& car, const CarControls& controls,
                         const WheelControlInputs& /*inputs*/, CarForces& /*forces*/) {
    float h = car.handbrake;
    if (controls.handbrake)
        h += kHandbrakeRise * kTickSeconds;
    else
        h -= kHandbrakeFall * kTickSeconds;
    car.handbrake = h < 0.0f ? 0.0f : (h > 1.0f ? 1.0f : h);
}

void wheelsSecondHalf(Car& /*car*/, const WheelsTick& /*tick*/) {}

}  // namespace sandbox::mechanics
