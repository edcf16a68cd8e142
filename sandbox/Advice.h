#pragma once
// Advice after an attempt: each drill's score parts against their good
// ranges, and after a miss one line on what to change, chosen from the
// measured parts by a table of rules per drill.
//
// A drill's rules are in order of what to fix first. A rule names a part,
// its good range (inclusive) and a line for a value below it, above it, or
// for the part missing from the score (a fast aerial with no second jump).
// The advice is the first rule whose part is out of range (or missing, when
// the rule has a line for that); when none is, the drill's fallback line.
// A line may hold "{}", replaced by the part's value.
//
//   for (const PartCheck& check : checkParts(drill.info().name, score)) ...
//   if (failed) panel line = adviceFor(drill.info().name, score);
// Pure functions over the tables; nothing in a tick.
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sandbox/Drills.h"

namespace sandbox {

struct AdviceRule {
    std::string_view part;
    float low = 0.0f;            // the good range
    float high = 0.0f;           //
    std::string_view belowLine;  // empty: no advice for a value below low
    std::string_view aboveLine;
    std::string_view missingLine;  // empty: a missing part is not advised on
};

struct DrillAdvice {
    std::string_view drill;
    std::span<const AdviceRule> rules;
    std::string_view fallback;
};

std::span<const DrillAdvice> adviceTable();
const DrillAdvice* findAdvice(std::string_view drill);

// A part of a score against its good range, for the result panel.
enum class RangeCheck : uint8_t { Good, Below, Above };
struct PartCheck {
    std::string_view key;
    float low = 0.0f;
    float high = 0.0f;
    RangeCheck check = RangeCheck::Good;
};

// The good range of the part `key` of `drill`, if its table has one.
std::optional<PartCheck> checkPart(std::string_view drill, std::string_view key, float value);

// The advice line for a score of `drill` (empty for an unknown drill).
std::string adviceFor(std::string_view drill, const DrillScore& score);

}  // namespace sandbox
