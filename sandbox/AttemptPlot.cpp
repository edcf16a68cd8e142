#include "sandbox/AttemptPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace sandbox {
namespace {

constexpr float kDegreesPerRadian = 180.0f / 3.14159265f;

}  // namespace

AttemptPlot::AttemptPlot() {
    for (std::vector<float>& values : series) values.reserve(kPlotTicks);
}

void AttemptPlot::add(const DrillSample& sample) {
    if (size() >= kPlotTicks) return;
    const float error = sample.error * kDegreesPerRadian;
    largestError = std::max(largestError, error);
    series[Error].push_back(error);
    series[Inside].push_back(sample.inside ? 1.0f : 0.0f);
    series[Pitch].push_back(sample.pitch);
    series[Yaw].push_back(sample.yaw);
    series[Roll].push_back(sample.roll);
}

float plotScaleTop(float largestErrorDegrees) {
    return std::max(kPlotScaleStepDegrees,
                    std::ceil(largestErrorDegrees / kPlotScaleStepDegrees) * kPlotScaleStepDegrees);
}

base::Result<AttemptPlot> replayAttemptPlot(const FlightLog& log, const std::string& name) {
    if (!log.drill)
        return base::Failure{
            name +
            ": the flight log names no drill (a free flight, or recorded before logs "
            "named their drill); only a drill attempt has a plot"};
    std::unique_ptr<Drill> drill = makeDrill(log.drill->name, log.drill->seed);
    if (!drill)
        return base::Failure{name + ": this program has no drill named \"" + log.drill->name + '"'};
    if (!(log.start == drill->start().world))
        return base::Failure{name + ": the flight does not start where " + log.drill->name +
                             " seed " + std::to_string(log.drill->seed) + " starts"};
    // The drill watches the replay as it watched the attempt; the ticks after
    // its end (none in an attempt's own log) are left out.
    AttemptPlot plot;
    FlightReplay replay(log);
    while (!replay.finished() && !drill->finished()) {
        const TickReport report = replay.step();
        drill->update(replay.world(), replay.lastControls(), report);
        plot.add(drill->sample());
    }
    const DrillInfo& info = drill->info();
    const DrillScore score = drill->score();
    plot.title = log.drill->name + ", seed " + std::to_string(log.drill->seed) + ": " +
                 (score.outcome == DrillOutcome::Passed   ? "passed"
                  : score.outcome == DrillOutcome::Failed ? "failed"
                                                          : "unfinished");
    plot.outcome = std::string(score.verdict);
    for (const ScorePart& part : score.parts()) {
        if (part.key != info.mainPart) continue;
        // Rounded as the result panel rounds it.
        char value[48];
        if (part.unit == "%")
            std::snprintf(value, sizeof value, "%.1f %%", static_cast<double>(part.value));
        else
            std::snprintf(value, sizeof value, "%.2f %.*s", static_cast<double>(part.value),
                          static_cast<int>(part.unit.size()), part.unit.data());
        plot.outcome += (plot.outcome.empty() ? "" : "; ") +
                        std::string(
                            "the part that ranks "
                            "attempts, ") +
                        std::string(part.label) + ": " + value;
    }
    plot.errorLabel = std::string(info.errorLabel);
    return plot;
}

}  // namespace sandbox
