#include "sandbox/Levels.h"

#include <array>

namespace sandbox {
namespace {

// Measured with `fly --drill NAME --seed N --autopilot` for seeds 1 to 3,
// in the full model: nose-on-ball 9.56, 9.62, 9.60 s inside; recovery 0,
// 0.02, 0 deg landings (the wheels' rays find the floor a little before
// the box would); velocity-alignment 77.2, 74.0, 81.5 %; velocity-braking
// 79.7, 75.2, 86.6 %; target-attitude 1.14, 1.19, 1.22 s to hold;
// aerial-touch 2.23, 2.65, 2.30 s to touch (with the double jump); shot-on-goal
// 10.28, 3.73, 8.15 s to the goal; fast-aerial 1.84, 1.69, 1.82 s to touch.
constexpr std::array<DrillLevels, 8> kLevels = {{
    {"nose-on-ball", "time_inside", Better::Higher, 9.5f, 0.0f},
    {"recovery", "landing_angle", Better::Lower, 0.0f, 5.0f},
    {"velocity-alignment", "share_inside", Better::Higher, 73.0f, 0.0f},
    {"velocity-braking", "share_inside", Better::Higher, 75.0f, 0.0f},
    {"target-attitude", "time_to_hold", Better::Lower, 1.25f, 0.0f},
    {"aerial-touch", "time_to_touch", Better::Lower, 2.75f, 0.0f},
    {"shot-on-goal", "time_to_goal", Better::Lower, 10.5f, 0.0f},
    {"fast-aerial", "time_to_touch", Better::Lower, 1.85f, 0.0f},
}};

}  // namespace

float DrillLevels::value(Level level) const {
    const int steps = level == Level::Gold ? 0 : level == Level::Silver ? 1 : 2;
    const float share = steps == 0 ? 1.0f : steps == 1 ? kSilverShare : kBronzeShare;
    if (better == Better::Higher) return gold * share;
    if (gold == 0.0f) return lowerStep * static_cast<float>(steps);
    return gold / share;
}

std::span<const DrillLevels> levelTable() { return kLevels; }

const DrillLevels* findLevels(std::string_view drill) {
    for (const DrillLevels& l : kLevels)
        if (l.drill == drill) return &l;
    return nullptr;
}

Level levelReached(const DrillLevels& levels, bool passed, float value) {
    if (!passed) return Level::None;
    for (Level level : {Level::Gold, Level::Silver, Level::Bronze}) {
        const float wanted = levels.value(level);
        if (levels.better == Better::Higher ? value >= wanted : value <= wanted) return level;
    }
    return Level::None;
}

std::string_view levelName(Level level) {
    switch (level) {
        case Level::Gold:
            return "gold";
        case Level::Silver:
            return "silver";
        case Level::Bronze:
            return "bronze";
        default:
            return "none";
    }
}

}  // namespace sandbox
