#pragma once
// The target options: what the target marker and the peripheral band point
// at, as the console variable "trimsight_target" chooses it, and the labels
// the settings page lists them under.
#include <array>
#include <cstdint>

namespace render {

// In the order of the variable's values, 0 to 6.
enum class TargetOption : int32_t {
    None,  // no marker (it would turn as for Up) and no band
    Up,
    Down,
    Velocity,  // along the relative velocity
    VelocityOpposite,
    Ball,  // along the ball offset
    BallOpposite,
};

inline constexpr int32_t kTargetOptionCount = 7;

// The console variable that holds the option (for the host program's drills,
// which set it as a cue).
inline constexpr const char* kTargetOptionVariable = "trimsight_target";

// One label for each option, in the order of their values.
inline constexpr std::array<const char*, kTargetOptionCount> kTargetOptionLabels = {
    "None", "Up", "Down", "Velocity", "Velocity (opposite)", "Ball", "Ball (opposite)",
};

// The variable's integer as an option. The host passes on whatever value was
// stored; the renderer treats every value outside 0 to 6 as BallOpposite.
constexpr TargetOption targetOptionFromInt(int32_t value) {
    if (value < 0 || value >= kTargetOptionCount) return TargetOption::BallOpposite;
    return static_cast<TargetOption>(value);
}

// The options that follow the relative velocity, which shows no direction
// below kVelocityCueMinSpeed (render/Frame.h).
constexpr bool followsVelocity(TargetOption option) {
    return option == TargetOption::Velocity || option == TargetOption::VelocityOpposite;
}

}  // namespace render
