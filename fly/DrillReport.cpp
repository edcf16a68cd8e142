#include "fly/DrillReport.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <span>

#include "sandbox/NumberText.h"

namespace fly {
namespace {

const char* outcomeName(sandbox::DrillOutcome outcome) {
    switch (outcome) {
        case sandbox::DrillOutcome::Passed:
            return "passed";
        case sandbox::DrillOutcome::Failed:
            return "failed";
        case sandbox::DrillOutcome::Running:
            break;
    }
    return "unfinished";
}

}  // namespace

std::string sessionJsonLine(const sandbox::Session& session, const sandbox::SessionTally& tally) {
    return "{\"session\":" + sandbox::jsonString(session.name) +
           ",\"attempts\":" + std::to_string(tally.attempts()) +
           ",\"of\":" + std::to_string(session.attempts()) +
           ",\"passed\":" + std::to_string(tally.passed()) +
           ",\"streak\":" + std::to_string(tally.streak()) +
           ",\"best_streak\":" + std::to_string(tally.bestStreak()) +
           ",\"over\":" + (tally.finished() ? "true" : "false") + "}";
}

std::string attemptJsonLine(const sandbox::Drill& drill, bool autopilot) {
    const sandbox::DrillInfo& info = drill.info();
    const sandbox::DrillScore score = drill.score();
    std::string line = "{\"drill\":" + sandbox::jsonString(info.name);
    line += ",\"seed\":" + std::to_string(drill.seed());
    line += ",\"outcome\":\"" + std::string(outcomeName(score.outcome)) + "\"";
    line += ",\"verdict\":" + sandbox::jsonString(score.verdict);
    line += ",\"ticks\":" + std::to_string(drill.ticks());
    line += ",\"seconds\":" + sandbox::jsonFloat(drill.sample().seconds);
    line += ",\"main\":" + sandbox::jsonString(info.mainPart);
    line +=
        info.better == sandbox::Better::Higher ? ",\"better\":\"higher\"" : ",\"better\":\"lower\"";
    line += autopilot ? ",\"autopilot\":true" : ",\"autopilot\":false";
    line += ",\"parts\":{";
    // Every part the drill can score, null where this attempt has none (a
    // miss has no time to touch), so that a script finds each key on every
    // line; a part the drill's list lacks follows in the score's order.
    const char* separator = "";
    const auto add = [&](std::string_view key, const std::string& value) {
        line += separator + sandbox::jsonString(key) + ":" + value;
        separator = ",";
    };
    const std::span<const std::string_view> keys = sandbox::scorePartKeys(info);
    for (std::string_view key : keys) {
        const std::optional<float> value = score.value(key);
        add(key, value ? sandbox::jsonFloat(*value) : std::string("null"));
    }
    for (const sandbox::ScorePart& part : score.parts())
        if (std::find(keys.begin(), keys.end(), part.key) == keys.end())
            add(part.key, sandbox::jsonFloat(part.value));
    return line + "}}";
}

void DrillReporter::finished(const fly::FlySession& session) {
    line_(attemptJsonLine(session.attempt()->drill(), session.attempt()->autopilot()));
    const fly::DrillAttempt& attempt = *session.attempt();
    if (attempt.autopilot()) return;
    const auto now = static_cast<int64_t>(std::time(nullptr));
    if (base::Status kept = book_.add(attempt.drill(), session.log(), now); !kept)
        warnings_.add("the attempt is not in the history: " + kept.error());
}

void DrillReporter::unfinished(const fly::FlySession& session) {
    if (session.attempt() != nullptr && !session.attempt()->finished())
        line_(attemptJsonLine(session.attempt()->drill(), session.attempt()->autopilot()));
}

const sandbox::FlightLog* DrillReporter::bestFlight(std::string_view drill, uint64_t seed) {
    base::Result<const sandbox::FlightLog*> best = book_.bestFlight(drill, seed);
    // A flight the archive cannot give is not raced; the archive has said
    // why (desktop/HistoryArchive.cpp warns).
    return best ? *best : nullptr;
}

}  // namespace fly
