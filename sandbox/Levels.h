#pragma once
// Target levels for each drill: bronze, silver and gold values of the part
// of its score that ranks attempts. Gold is what the autopilot reaches
// (its weakest of seeds 1 to 3, rounded a little towards the easier side, so
// that its attempts earn gold); silver and bronze follow from gold by one
// rule (kSilverShare, kBronzeShare). A passed attempt earns the best level
// whose value it reaches; a failed one earns none.
#include <optional>
#include <span>
#include <string_view>

#include "sandbox/Drills.h"

namespace sandbox {

enum class Level : uint8_t { None, Bronze, Silver, Gold };

struct DrillLevels {
    std::string_view drill;
    std::string_view part;  // the drill's main part, checked by a test
    Better better = Better::Higher;
    float gold = 0.0f;
    // For a drill whose best is 0 (an angle), the steps above gold.
    float lowerStep = 0.0f;

    // The value each level asks for.
    float value(Level level) const;
};

// Higher is better: silver is this share of gold, bronze that. Lower is
// better: silver is gold divided by the share (more time allowed), or gold
// plus lowerStep when gold is 0.
inline constexpr float kSilverShare = 0.85f;
inline constexpr float kBronzeShare = 0.7f;

std::span<const DrillLevels> levelTable();
const DrillLevels* findLevels(std::string_view drill);
// The level an attempt's main value earns (None for a failed attempt).
Level levelReached(const DrillLevels& levels, bool passed, float value);
std::string_view levelName(Level level);

}  // namespace sandbox
