#include "sandbox/Advice.h"

#include <cstdio>

namespace sandbox {

namespace {

constexpr float kNoLimit = 1e9f;

// Each drill's parts in the order to fix them. Ranges without lines only
// show on the result panel.
constexpr AdviceRule kNoseOnBall[] = {
    {"mean_off_nose", 0.0f, 5.0f, "",
     "nose {} degrees off the ball on average: bring the stick indicator onto the ball dot", ""},
    {"time_inside", 5.0f, 10.0f,
     "only {} s inside the cone: small taps towards the ball dot, and boost to stay below it", "",
     ""},
};

constexpr AdviceRule kRecovery[] = {
    {"landing_angle", 0.0f, 20.0f, "",
     "landed {} degrees off wheels-down: roll the wheels towards the floor marker sooner", ""},
    {"landing_spin", 0.0f, 1.0f, "",
     "{} rad/s of spin at touchdown: stop the turn before the wheels meet the floor", ""},
};

constexpr AdviceRule kVelocityAlignment[] = {
    {"mean_off_velocity", 0.0f, 10.0f, "",
     "{} degrees off the velocity on average: bring the stick indicator onto the velocity dot", ""},
    {"share_inside", 50.0f, 100.0f,
     "inside the cone {} % of the flight: turn onto the velocity first, then hold it", "", ""},
};

constexpr AdviceRule kVelocityBraking[] = {
    {"mean_off_velocity", 0.0f, 10.0f, "",
     "{} degrees off the reverse velocity on average: turn the nose against the flight", ""},
    {"share_inside", 50.0f, 100.0f,
     "inside the cone {} % of the flight: turn round first, then hold the nose there", "", ""},
};

constexpr AdviceRule kTargetAttitude[] = {
    {"smallest_error", 0.0f, 10.0f, "",
     "{} degrees from the ghost at best: turn about one axis at a time, roll last", ""},
    {"time_to_hold", 0.0f, 2.0f, "", "", ""},
};

constexpr AdviceRule kAerialTouch[] = {
    {"time_to_touch", 0.0f, 3.5f, "", "", ""},
    {"boost_used", 15.0f, 100.0f, "only {} boost used: boost from the jump, nose on the ball", "",
     ""},
};

constexpr AdviceRule kShotOnGoal[] = {
    {"touches", 1.0f, kNoLimit, "no touch: drive at the ball and meet it square to the goal", "",
     ""},
    {"shot_speed", 1200.0f, kNoLimit,
     "the ball left at only {} uu/s: hit it at speed, boosting into it", "", ""},
};

constexpr AdviceRule kFastAerial[] = {
    {"first_jump_held", 0.18f, 0.25f, "first jump held only {} s: hold it the full 0.2 s",
     "first jump held {} s: let go at 0.2 s, it pushes no longer",
     "no jump: jump and boost together"},
    {"second_jump_delay", 0.0f, 0.1f, "", "second jump {} s late: press it as the first jump ends",
     "no second jump: press jump again as the first jump ends"},
    {"boost_from_jump", 1.0f, 1.0f, "boost came late: hold boost from the jump's first tick", "",
     ""},
    {"jump_pitch", 5.0f, 30.0f,
     "nose only {} degrees up as the first jump ends: pull back as you jump",
     "nose {} degrees up as the first jump ends: too steep, ease the pull", ""},
    {"time_to_touch", 0.0f, 1.85f, "", "", ""},
    {"touch_height", 900.0f, kNoLimit, "", "", ""},
};

constexpr DrillAdvice kAdvice[] = {
    {"nose-on-ball", kNoseOnBall, "keep the ball dot in the dial's centre"},
    {"recovery", kRecovery, "find the floor marker first, then roll the wheels onto it"},
    {"velocity-alignment", kVelocityAlignment, "bring the stick indicator onto the velocity dot"},
    {"velocity-braking", kVelocityBraking, "turn the nose against the flight and hold it there"},
    {"target-attitude", kTargetAttitude, "match the ghost's nose first, then its roll"},
    {"aerial-touch", kAerialTouch, "jump, jump again and boost with the nose on the ball dot"},
    {"shot-on-goal", kShotOnGoal, "line up behind the ball with the goal beyond it"},
    {"fast-aerial", kFastAerial, "nose on the ball dot between the jumps, and boost all the way"},
};

RangeCheck against(const AdviceRule& rule, float value) {
    return value < rule.low ? RangeCheck::Below
                            : (value > rule.high ? RangeCheck::Above : RangeCheck::Good);
}

// The part's value as the panel shows it: seconds to the hundredth, rad/s
// to the tenth, the rest whole.
std::string valueText(float value, std::string_view unit) {
    const int decimals = unit == "s" ? 2 : (unit == "rad/s" ? 1 : 0);
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.*f", decimals, static_cast<double>(value));
    return text.data();
}

std::string filledIn(std::string_view line, float value, std::string_view unit) {
    std::string out(line);
    const std::size_t at = out.find("{}");
    if (at != std::string::npos) out.replace(at, 2, valueText(value, unit));
    return out;
}

const ScorePart* partOf(const DrillScore& score, std::string_view key) {
    for (const ScorePart& p : score.parts())
        if (p.key == key) return &p;
    return nullptr;
}

}  // namespace

std::span<const DrillAdvice> adviceTable() { return kAdvice; }

const DrillAdvice* findAdvice(std::string_view drill) {
    for (const DrillAdvice& a : kAdvice)
        if (a.drill == drill) return &a;
    return nullptr;
}

std::optional<PartCheck> checkPart(std::string_view drill, std::string_view key, float value) {
    const DrillAdvice* advice = findAdvice(drill);
    if (advice == nullptr) return std::nullopt;
    for (const AdviceRule& rule : advice->rules)
        if (rule.part == key) return PartCheck{key, rule.low, rule.high, against(rule, value)};
    return std::nullopt;
}

std::string adviceFor(std::string_view drill, const DrillScore& score) {
    const DrillAdvice* advice = findAdvice(drill);
    if (advice == nullptr) return {};
    for (const AdviceRule& rule : advice->rules) {
        const ScorePart* part = partOf(score, rule.part);
        if (part == nullptr) {
            if (!rule.missingLine.empty()) return std::string(rule.missingLine);
            continue;
        }
        const RangeCheck check = against(rule, part->value);
        if (check == RangeCheck::Below && !rule.belowLine.empty())
            return filledIn(rule.belowLine, part->value, part->unit);
        if (check == RangeCheck::Above && !rule.aboveLine.empty())
            return filledIn(rule.aboveLine, part->value, part->unit);
    }
    return std::string(advice->fallback);
}

}  // namespace sandbox
