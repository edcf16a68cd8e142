#include "fly/window/ProgressView.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <string>

#include "sandbox/NumberText.h"

namespace fly {
namespace {

// In lines of text: the view's width and the plot's height.
constexpr float kViewEms = 34.0f;
constexpr float kPlotLines = 5.0f;

float em() { return ImGui::GetFontSize(); }

// Every number as the history's listing shows it (one rounding).
std::string number(const std::optional<float>& value, const char* none) {
    return value ? sandbox::roundedText(*value) : std::string(none);
}

const char* betterWord(sandbox::Better better) {
    return better == sandbox::Better::Higher ? "higher" : "lower";
}

std::string seedLabel(const sandbox::DrillSummary& drill, int seed) {
    if (seed == 0) return "every seed (mixed)";
    const sandbox::SeedSummary& s = drill.seeds[static_cast<std::size_t>(seed - 1)];
    return "seed " + std::to_string(s.seed) + " (" + std::to_string(s.attempts) + " attempt" +
           (s.attempts == 1 ? ")" : "s)");
}

void drillTable(ProgressChoice& choice) {
    if (!ImGui::BeginTable("drills", 4, ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV))
        return;
    ImGui::TableSetupColumn("drill", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableSetupColumn("attempts");
    ImGui::TableSetupColumn("passed");
    ImGui::TableSetupColumn("best");
    ImGui::TableHeadersRow();
    for (std::size_t i = 0; i < choice.rows.size(); ++i) {
        const sandbox::DrillSummary& row = choice.rows[i];
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::PushID(static_cast<int>(i));
        // The arrows choose as they move: the row with the focus is the one
        // shown, as a click or Enter makes it.
        const bool pressed =
            ImGui::Selectable(row.drill.c_str(), choice.drill == static_cast<int>(i),
                              ImGuiSelectableFlags_SpanAllColumns);
        if ((pressed || ImGui::IsItemFocused()) && choice.drill != static_cast<int>(i)) {
            choice.seed = 0;
            choice.drill = static_cast<int>(i);
        }
        ImGui::PopID();
        ImGui::TableNextColumn();
        ImGui::Text("%zu", row.attempts);
        ImGui::TableNextColumn();
        ImGui::Text("%zu", row.passed);
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(number(row.best, "-").c_str());
    }
    ImGui::EndTable();
}

void seedCombo(const sandbox::DrillSummary& drill, ProgressChoice& choice) {
    const int seeds = static_cast<int>(drill.seeds.size());
    choice.seed = std::clamp(choice.seed, 0, seeds);
    if (!ImGui::BeginCombo("seed", seedLabel(drill, choice.seed).c_str())) return;
    for (int i = 0; i <= seeds; ++i) {
        ImGui::PushID(i);
        if (ImGui::Selectable(seedLabel(drill, i).c_str(), choice.seed == i)) choice.seed = i;
        if (choice.seed == i) ImGui::SetItemDefaultFocus();
        ImGui::PopID();
    }
    ImGui::EndCombo();
}

// The chosen drill and seed: its counts and numbers, and the plot.
void chosenDrill(const sandbox::DrillSummary& drill, const ProgressChoice& choice) {
    ImGui::Text("%s ranks attempts, %s is better", drill.mainPart.c_str(),
                betterWord(drill.better));
    const bool mixed = choice.seed == 0;
    const sandbox::SeedSummary* seed =
        mixed ? nullptr : &drill.seeds[static_cast<std::size_t>(choice.seed - 1)];
    const std::size_t attempts = mixed ? drill.attempts : seed->attempts;
    const std::size_t passed = mixed ? drill.passed : seed->passed;
    const std::optional<float>& best = mixed ? drill.best : seed->best;
    const std::optional<float>& mean = mixed ? drill.mean : seed->mean;
    ImGui::Text("%zu attempt%s, %zu passed; best %s, mean %s", attempts, attempts == 1 ? "" : "s",
                passed, number(best, "none yet").c_str(), number(mean, "none").c_str());
    if (!mixed && seed->recent.size() >= 2) {
        const float trend = seed->trend;
        const std::string size = sandbox::roundedText(trend < 0.0f ? -trend : trend);
        if (size == "0")
            ImGui::TextUnformatted("steady over the latest attempts");
        else
            ImGui::Text("%s by %s an attempt over the latest %zu",
                        trend > 0.0f ? "improving" : "getting worse", size.c_str(),
                        seed->recent.size());
    } else if (mixed && drill.seeds.size() > 1) {
        ImGui::TextDisabled("seeds mixed: pick a seed to compare like with like");
    }
    const std::vector<float>& scores = plottedScores(drill, choice.seed);
    if (scores.size() < 2) {
        // A line needs two points.
        if (scores.empty())
            ImGui::TextDisabled("no attempt with a score yet");
        else
            ImGui::TextDisabled("one scored attempt (%s): the plot starts with the second",
                                sandbox::roundedText(scores[0]).c_str());
        return;
    }
    const auto [low, high] = std::minmax_element(scores.begin(), scores.end());
    const std::string overlay = drill.mainPart + " over " + std::to_string(scores.size()) +
                                " attempt" + (scores.size() == 1 ? "" : "s") + ": " +
                                sandbox::roundedText(*low) + " to " + sandbox::roundedText(*high);
    // A flat line in the middle when every score is the same.
    const float pad = *high > *low ? 0.05f * (*high - *low) : 1.0f;
    ImGui::PlotLines("##scores", scores.data(), static_cast<int>(scores.size()), 0, overlay.c_str(),
                     *low - pad, *high + pad,
                     ImVec2(ImGui::GetContentRegionAvail().x, kPlotLines * em()));
}

}  // namespace

std::vector<sandbox::DrillSummary> progressRows(std::span<const sandbox::AttemptRecord> attempts) {
    std::vector<sandbox::DrillSummary> kept = sandbox::summarizeHistory(attempts);
    std::vector<sandbox::DrillSummary> rows;
    for (const sandbox::DrillEntry& entry : sandbox::drillTable()) {
        const auto found = std::find_if(kept.begin(), kept.end(),
                                        [&](const auto& s) { return s.drill == entry.info.name; });
        if (found != kept.end()) {
            rows.push_back(std::move(*found));
            kept.erase(found);
            continue;
        }
        sandbox::DrillSummary none;
        none.drill = std::string(entry.info.name);
        none.mainPart = std::string(entry.info.mainPart);
        none.better = entry.info.better;
        rows.push_back(std::move(none));
    }
    for (sandbox::DrillSummary& other : kept) rows.push_back(std::move(other));
    return rows;
}

const std::vector<float>& plottedScores(const sandbox::DrillSummary& drill, int seed) {
    if (seed <= 0 || seed > static_cast<int>(drill.seeds.size())) return drill.scores;
    return drill.seeds[static_cast<std::size_t>(seed - 1)].scores;
}

void drawProgress(FlySession& session, ProgressChoice& choice) {
    if (!session.progressShown()) {
        choice.wasShown = false;
        return;
    }
    if (!choice.wasShown || choice.attemptsSeen != session.attemptsFinished()) {
        choice.rows = progressRows(session.attempts());
        choice.attemptsSeen = session.attemptsFinished();
        // Opens on the drill being flown, if any.
        if (!choice.wasShown && session.drill() != nullptr)
            for (std::size_t i = 0; i < choice.rows.size(); ++i)
                if (choice.rows[i].drill == session.drill()->info.name)
                    choice.drill = static_cast<int>(i);
    }
    const ImGuiIO& io = ImGui::GetIO();
    // Centred, as wide as its table wants, as tall as what the choice shows.
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f),
                            ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSizeConstraints(ImVec2(kViewEms * em(), 0.0f),
                                        ImVec2(kViewEms * em(), FLT_MAX));
    // Focused as it opens, so that the arrows and Enter move through it.
    if (!choice.wasShown) ImGui::SetNextWindowFocus();
    choice.wasShown = true;
    bool open = true;
    ImGui::Begin("Progress (H closes)", &open,
                 ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoCollapse);
    if (choice.rows.empty()) {
        ImGui::TextUnformatted("no drills");
    } else {
        choice.drill = std::clamp(choice.drill, 0, static_cast<int>(choice.rows.size()) - 1);
        drillTable(choice);
        ImGui::Separator();
        const sandbox::DrillSummary& drill = choice.rows[static_cast<std::size_t>(choice.drill)];
        ImGui::Text("%s", drill.drill.c_str());
        seedCombo(drill, choice);
        chosenDrill(drill, choice);
    }
    ImGui::Separator();
    if (ImGui::Button("Close (H)")) open = false;
    ImGui::End();
    if (!open) session.showProgress(false);
}

}  // namespace fly
