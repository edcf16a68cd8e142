#pragma once
// Plain value types shared between the host and its plugins.
#include <cstddef>
#include <cstdint>

// Canvas point or size in pixels; origin top left, y grows downwards.
struct Vector2 {
    int32_t X = 0;
    int32_t Y = 0;
};

// World vector in game units (per second for velocities); z points up.
struct Vector {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
};

// 65536 units make one full turn.
struct Rotator {
    int32_t Pitch = 0;
    int32_t Yaw = 0;
    int32_t Roll = 0;
};

// The car's input record as the host hands it over. Plugins rely on the two
// stick floats at byte offsets 4 and 8; the rest is the host's.
struct ControllerInput {
    float Throttle = 0.0f;
    float Steer = 0.0f;  // offset 4: stick x
    float Pitch = 0.0f;  // offset 8: stick y
    float Yaw = 0.0f;
    float Roll = 0.0f;
    float DodgeForward = 0.0f;
    float DodgeStrafe = 0.0f;
    uint32_t Flags = 0;  // jump, boost, handbrake and the like
};

static_assert(offsetof(ControllerInput, Steer) == 4, "stick x lives at byte offset 4");
static_assert(offsetof(ControllerInput, Pitch) == 8, "stick y lives at byte offset 8");
static_assert(sizeof(float) == 4 && sizeof(Vector) == 12 && sizeof(Rotator) == 12);
