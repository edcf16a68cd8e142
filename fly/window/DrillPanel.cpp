#include "fly/window/DrillPanel.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "canvas/Colour.h"
#include "canvas/Fonts.h"
#include "sandbox/Advice.h"
#include "sandbox/Levels.h"

namespace fly {
namespace {

constexpr ImGuiWindowFlags kPanel = ImGuiWindowFlags_AlwaysAutoResize |
                                    ImGuiWindowFlags_NoSavedSettings |
                                    ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
// In lines of text: the panel's least width (it grows to its widest
// line), the plots' and the strip's heights.
constexpr float kPanelEms = 26.0f;
constexpr float kPlotLines = 4.3f;
constexpr float kStripLines = 0.7f;
// ImGui's built-in font drawn this much larger when no scalable font was
// found.
constexpr float kCountdownFontScale = 6.0f;

float em() { return ImGui::GetFontSize(); }

ImVec4 imGuiColour(canvas::Rgb8 c) {
    return {static_cast<float>(c.r) / 255.0f, static_cast<float>(c.g) / 255.0f,
            static_cast<float>(c.b) / 255.0f, 1.0f};
}

// A passed attempt in the plot's colour of "inside"; a failed one in red.
const ImVec4 kPassed = imGuiColour(canvas::kPlotInsideColour);
const ImVec4 kFailed{1.0f, 0.45f, 0.4f, 1.0f};
const ImVec4 kAdvice{1.0f, 0.85f, 0.35f, 1.0f};  // the advice line after a miss
// The stick's three axes in the plot and its legend.
const ImVec4 kPitchColour = imGuiColour(canvas::kPlotPitchColour);
const ImVec4 kYawColour = imGuiColour(canvas::kPlotYawColour);
const ImVec4 kRollColour = imGuiColour(canvas::kPlotRollColour);

// ImGui's text functions take C strings; a view goes through "%.*s".
void text(std::string_view s) { ImGui::TextUnformatted(s.data(), s.data() + s.size()); }

int length(std::string_view s) { return static_cast<int>(s.size()); }

void drillTitle(const FlySession& session, const DrillAttempt& attempt) {
    const sandbox::DrillInfo& info = attempt.drill().info();
    if (session.course() != nullptr)  // its seed is the course's fingerprint
        ImGui::Text("%.*s", length(info.name), info.name.data());
    else if (const sandbox::Pack* pack = session.pack())
        ImGui::Text("%s: shot %zu of %zu, variance seed %llu", pack->name.c_str(),
                    session.shot() + 1, pack->shots.size(),
                    static_cast<unsigned long long>(session.drillSeed()));
    else
        ImGui::Text("%.*s, seed %llu", length(info.name), info.name.data(),
                    static_cast<unsigned long long>(session.drillSeed()));
    if (attempt.autopilot() || attempt.racesBestFlight())
        ImGui::TextDisabled("%s%s%s", attempt.autopilot() ? "the autopilot flies" : "",
                            attempt.autopilot() && attempt.racesBestFlight() ? "; " : "",
                            attempt.racesBestFlight() ? "racing the best attempt (ghost)" : "");
}

// "77.2 %" or "2.38 s", as the score's rows write a value; a count (a
// whole number with no unit) as "3".
void valueText(char* out, std::size_t size, float value, std::string_view unit) {
    if (unit == "%")
        std::snprintf(out, size, "%.1f %%", static_cast<double>(value));
    else if (unit.empty() && std::fabs(value) < 1e6f && std::trunc(value) == value)
        std::snprintf(out, size, "%.0f", static_cast<double>(value));
    else
        std::snprintf(out, size, "%.2f %.*s", static_cast<double>(value), length(unit),
                      unit.data());
}

// The parts that are a yes or a no (1 or 0).
bool isYesOrNo(std::string_view key) { return key == "scored" || key == "boost_from_jump"; }

// One part of a score as a row: label, value and unit.
// A part's good range (sandbox/Advice.h) in a third column, green inside
// it and red outside.
void rangeCell(const sandbox::PartCheck& check, std::string_view unit) {
    const bool good = check.check == sandbox::RangeCheck::Good;
    const ImVec4 colour = good ? kPassed : kFailed;
    constexpr float kOpen = 1e8f;  // a range this high has no top
    if (check.low == check.high)
        ImGui::TextColored(colour, "good %.2f %.*s", static_cast<double>(check.low), length(unit),
                           unit.data());
    else if (check.high >= kOpen)
        ImGui::TextColored(colour, "good from %.2f %.*s", static_cast<double>(check.low),
                           length(unit), unit.data());
    else
        ImGui::TextColored(colour, "good %.2f to %.2f %.*s", static_cast<double>(check.low),
                           static_cast<double>(check.high), length(unit), unit.data());
}

// `drill` non-empty: with each part's good range.
void scoreRows(const sandbox::DrillScore& score, std::string_view mainPart,
               std::string_view drill = {}) {
    // Fitted to the texts, so that the panel, which sizes itself to its
    // contents, is as wide as its widest row.
    if (!ImGui::BeginTable("score", drill.empty() ? 2 : 3, ImGuiTableFlags_SizingFixedFit)) return;
    for (const sandbox::ScorePart& part : score.parts()) {
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        text(part.label);
        if (part.key == mainPart) {
            ImGui::SameLine();
            ImGui::TextDisabled("(ranks attempts)");
        }
        ImGui::TableNextColumn();
        char value[48];
        if (isYesOrNo(part.key))
            std::snprintf(value, sizeof value, "%s", part.value != 0.0f ? "yes" : "no");
        else
            valueText(value, sizeof value, part.value, part.unit);
        ImGui::TextUnformatted(value);
        if (drill.empty()) continue;
        ImGui::TableNextColumn();
        if (const auto check = sandbox::checkPart(drill, part.key, part.value))
            rangeCell(*check, part.unit);
    }
    ImGui::EndTable();
}

// Series drawn over the previous widget's frame, with no frame of their own.
void overlay(const char* id, const std::vector<float>& values, float lo, float hi, ImVec2 at,
             ImVec2 size, const ImVec4& colour) {
    ImGui::SetCursorScreenPos(at);
    ImGui::PushStyleColor(ImGuiCol_FrameBg, ImVec4(0, 0, 0, 0));
    ImGui::PushStyleColor(ImGuiCol_PlotLines, colour);
    ImGui::PlotLines(id, values.data(), static_cast<int>(values.size()), 0, nullptr, lo, hi, size);
    ImGui::PopStyleColor(2);
}

void drawPlot(const DrillAttempt& attempt) {
    const sandbox::AttemptPlot& plot = attempt.plot();
    const sandbox::DrillInfo& info = attempt.drill().info();
    const int n = static_cast<int>(plot.size());
    const float seconds = static_cast<float>(n) / sandbox::kTicksPerSecond;
    // As wide as the panel's text, and no narrower than its least width.
    const float width = std::max(kPanelEms * em(), ImGui::GetContentRegionAvail().x);
    const float plotHeight = kPlotLines * em();
    // The scale grows with the largest angle so far, a step at a time.
    const float top = sandbox::plotScaleTop(plot.largestError);
    ImGui::Text("%.*s, 0 to %.0f degrees; 0 to %.1f s", length(info.errorLabel),
                info.errorLabel.data(), static_cast<double>(top), static_cast<double>(seconds));
    const float now = n > 0 ? plot[sandbox::AttemptPlot::Error].back() : 0.0f;
    char overlayText[32];
    std::snprintf(overlayText, sizeof overlayText, "%.1f deg", static_cast<double>(now));
    ImGui::PlotLines("##error", plot[sandbox::AttemptPlot::Error].data(), n, 0, overlayText, 0.0f,
                     top, ImVec2(width, plotHeight));
    ImGui::PushStyleColor(ImGuiCol_PlotHistogram, kPassed);
    ImGui::PlotHistogram("##inside", plot[sandbox::AttemptPlot::Inside].data(), n, 0, nullptr, 0.0f,
                         1.0f, ImVec2(width, kStripLines * em()));
    ImGui::PopStyleColor();
    ImGui::TextDisabled("strip: within the drill's cone or limit");

    ImGui::TextColored(kPitchColour, "pitch");
    ImGui::SameLine();
    ImGui::TextColored(kYawColour, "yaw");
    ImGui::SameLine();
    ImGui::TextColored(kRollColour, "roll");
    ImGui::SameLine();
    ImGui::TextUnformatted("(the stick, -1 to 1)");
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const ImVec2 size(width, plotHeight);
    ImGui::PushStyleColor(ImGuiCol_PlotLines, kPitchColour);
    ImGui::PlotLines("##pitch", plot[sandbox::AttemptPlot::Pitch].data(), n, 0, nullptr, -1.0f,
                     1.0f, size);
    ImGui::PopStyleColor();
    const ImVec2 below = ImGui::GetCursorScreenPos();
    overlay("##yaw", plot[sandbox::AttemptPlot::Yaw], -1.0f, 1.0f, at, size, kYawColour);
    overlay("##roll", plot[sandbox::AttemptPlot::Roll], -1.0f, 1.0f, at, size, kRollColour);
    ImGui::SetCursorScreenPos(below);
    ImGui::Dummy(ImVec2(0.0f, 0.0f));
}

void drawCountdown(const DrillAttempt& attempt) {
    const ImGuiIO& io = ImGui::GetIO();
    const int left =
        (attempt.countdownTicks() + sandbox::kTicksPerSecond - 1) / sandbox::kTicksPerSecond;
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.35f),
                            ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin("##countdown", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoInputs |
                     ImGuiWindowFlags_NoBackground);
    // The scalable font's large digit (canvas/Fonts.h), sharp at any size;
    // ImGui's built-in font, upscaled, when there is none.
    ImFont* large = canvas::countdownFont();
    if (large != nullptr)
        ImGui::PushFont(large);
    else
        ImGui::SetWindowFontScale(kCountdownFontScale);
    ImGui::Text("%d", left);
    if (large != nullptr) ImGui::PopFont();
    ImGui::End();
    ImGui::PopStyleVar();
}

// The live panel and the result take the upper right corner, clear of the
// car (the middle) and the dial (lower left by default).
void placePanel(float backgroundAlpha) {
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - 0.7f * em(), 0.7f * em()), ImGuiCond_Always,
                            ImVec2(1.0f, 0.0f));
    // Its size follows its text (kPanel auto-resizes), within the display.
    ImGui::SetNextWindowSizeConstraints(ImVec2(0.0f, 0.0f),
                                        ImVec2(io.DisplaySize.x - 1.4f * em(), FLT_MAX));
    ImGui::SetNextWindowBgAlpha(backgroundAlpha);
}

void drawLivePanel(const FlySession& session, const DrillAttempt& attempt) {
    placePanel(0.6f);
    ImGui::Begin("##attempt", nullptr, ImGuiWindowFlags_NoDecoration | kPanel);
    drillTitle(session, attempt);
    if (attempt.phase() == AttemptPhase::Countdown)
        ImGui::TextUnformatted("get ready: the world is held still");
    else
        ImGui::Text("%.2f s", static_cast<double>(attempt.drill().sample().seconds));
    // No score before the attempt starts: a part such as the smallest error
    // so far has no value yet.
    if (attempt.phase() != AttemptPhase::Countdown)
        scoreRows(attempt.drill().score(), attempt.drill().info().mainPart);
    drawPlot(attempt);
    if (session.pack() != nullptr)
        ImGui::TextDisabled("R: again   N: next variance   L/K: next/previous shot   F3: drills");
    else if (session.course() != nullptr)
        ImGui::TextDisabled("R: again   F3: drills");
    else
        ImGui::TextDisabled("R: again   N: next seed   F3: drills");
    ImGui::End();
}

// The level this attempt earned and what the next asks for; this attempt
// against the one before on this seed, and the seed's best.
void progressRows(const FlySession& session, const DrillAttempt& attempt,
                  const sandbox::DrillScore& score) {
    const sandbox::DrillInfo& info = attempt.drill().info();
    const std::optional<float> value = score.value(info.mainPart);
    if (!value) return;
    std::string_view unit;
    for (const sandbox::ScorePart& part : score.parts())
        if (part.key == info.mainPart) unit = part.unit;
    char text[48];
    if (const sandbox::DrillLevels* levels = sandbox::findLevels(info.name)) {
        const sandbox::Level level =
            sandbox::levelReached(*levels, score.outcome == sandbox::DrillOutcome::Passed, *value);
        const char* names[] = {"no level", "bronze", "silver", "gold"};
        const ImVec4 colours[] = {ImVec4(0.7f, 0.7f, 0.7f, 1.0f), ImVec4(0.8f, 0.5f, 0.2f, 1.0f),
                                  ImVec4(0.78f, 0.8f, 0.85f, 1.0f),
                                  ImVec4(1.0f, 0.82f, 0.2f, 1.0f)};
        const int index = static_cast<int>(level);
        ImGui::TextColored(colours[index], "level: %s", names[index]);
        if (level != sandbox::Level::Gold) {
            const auto next = static_cast<sandbox::Level>(index + 1);
            valueText(text, sizeof text, levels->value(next), unit);
            ImGui::SameLine();
            ImGui::TextDisabled("(%s: %s %s)", names[index + 1], text,
                                info.better == sandbox::Better::Higher ? "or more" : "or less");
        }
    }
    const std::optional<sandbox::AttemptBook::SeedRecord> record = session.seedRecord();
    if (!record) return;
    // The autopilot's attempts are not kept: then the book's latest is the
    // one before this.
    const std::optional<float> before = attempt.autopilot() ? record->latest : record->before;
    valueText(text, sizeof text, *value, unit);
    if (before) {
        const float change = *value - *before;
        const bool better = info.better == sandbox::Better::Higher ? change > 0.0f : change < 0.0f;
        char was[48];
        valueText(was, sizeof was, *before, unit);
        ImGui::Text("this attempt %s, the one before %s:", text, was);
        ImGui::SameLine();
        ImGui::TextColored(change == 0.0f ? ImVec4(0.8f, 0.8f, 0.8f, 1.0f)
                           : better       ? kPassed
                                          : kFailed,
                           "%+.2f", static_cast<double>(change));
    } else if ((attempt.autopilot() ? record->attempts : record->attempts - 1) > 0) {
        ImGui::Text("this attempt %s; the one before has none (failed)", text);
    } else {
        ImGui::Text("this attempt %s, the first on this seed", text);
    }
    if (record->best) {
        valueText(text, sizeof text, *record->best, unit);
        ImGui::Text("best of this seed %s, %zu attempt%s", text, record->attempts,
                    record->attempts == 1 ? "" : "s");
    }
}

// A session's progress under its result: done so far, passes, the streak,
// and what comes next.
void sessionProgress(const FlySession& session, const sandbox::SessionTally& tally) {
    const sandbox::Session& played = *session.playlist();
    if (tally.finished()) {
        ImGui::TextColored(kPassed, "%s is over: %d of %d passed, best %d in a row",
                           played.name.c_str(), tally.passed(), tally.attempts(),
                           tally.bestStreak());
        return;
    }
    ImGui::Text(
        "%s: %d of %d done, %d passed%s", played.name.c_str(), tally.attempts(), played.attempts(),
        tally.passed(),
        tally.streak() >= 2 ? (", " + std::to_string(tally.streak()) + " in a row").c_str() : "");
    ImGui::TextDisabled("next: %s (entry %zu of %zu); it starts in a moment",
                        sandbox::entryLabel(played.entries[tally.entry()]).c_str(),
                        tally.entry() + 1, played.entries.size());
}

void drawResult(FlySession& session, const DrillAttempt& attempt) {
    placePanel(0.85f);
    // The result takes the focus, so that a pad or the keyboard alone
    // presses its buttons (South or Space on the first, Again).
    ImGui::Begin("Result", nullptr,
                 ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoCollapse);
    drillTitle(session, attempt);
    const sandbox::DrillScore score = attempt.drill().score();
    const bool passed = score.outcome == sandbox::DrillOutcome::Passed;
    ImGui::TextColored(passed ? kPassed : kFailed, "%s: %.*s", passed ? "passed" : "failed",
                       length(score.verdict), score.verdict.data());
    ImGui::Separator();
    scoreRows(score, attempt.drill().info().mainPart, attempt.drill().info().name);
    if (!passed) {
        const std::string advice = sandbox::adviceFor(attempt.drill().info().name, score);
        ImGui::TextColored(kAdvice, "%s", advice.c_str());
    }
    progressRows(session, attempt, score);
    ImGui::Separator();
    drawPlot(attempt);
    ImGui::Separator();
    // A button may start another attempt, or none: `attempt` is not to be
    // read after them.
    if (const sandbox::SessionTally* tally = session.tally()) {
        sessionProgress(session, *tally);
        if (!tally->finished() && ImGui::Button("Go on (R)")) session.playNext();
    } else if (const sandbox::Course* course = session.course()) {
        if (ImGui::Button("Again (R)")) session.startCourse(*course);
    } else if (const sandbox::Pack* pack = session.pack()) {
        const std::size_t shot = session.shot();
        const std::size_t count = pack->shots.size();
        const uint64_t seed = session.drillSeed();
        if (ImGui::Button("Again (R)")) session.startShot(*pack, shot, seed);
        ImGui::SameLine();
        if (ImGui::Button("Next variance (N)")) session.startShot(*pack, shot, seed + 1);
        if (ImGui::Button("Previous shot (K)"))
            session.startShot(*pack, (shot + count - 1) % count, seed);
        ImGui::SameLine();
        if (ImGui::Button("Next shot (L)")) session.startShot(*pack, (shot + 1) % count, seed);
    } else if (session.drill() != nullptr) {
        const sandbox::DrillEntry& drill = *session.drill();
        const uint64_t seed = session.drillSeed();
        if (ImGui::Button("Again, same seed (R)")) session.startAttempt(drill, seed);
        ImGui::SameLine();
        if (ImGui::Button("Next seed (N)")) session.startAttempt(drill, seed + 1);
    }
    if (ImGui::Button("Drills (F3)")) session.showDrillMenu(true);
    ImGui::SameLine();
    if (ImGui::Button("Fly freely")) session.flyFreely();
    ImGui::End();
}

// The menu opens on the drill being flown, if any.
void syncChoice(const FlySession& session, DrillMenuChoice& choice) {
    const std::span<const sandbox::DrillEntry> table = sandbox::drillTable();
    if (session.drill() == nullptr) return;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (&table[i] == session.drill()) choice.drill = static_cast<int>(i);
    choice.seed = session.drillSeed();
}

}  // namespace

void drawDrillMenu(FlySession& session, DrillMenuChoice& choice) {
    if (!session.drillMenuShown()) {
        choice.wasShown = false;
        return;
    }
    if (!choice.wasShown) syncChoice(session, choice);
    choice.wasShown = true;
    const std::span<const sandbox::DrillEntry> table = sandbox::drillTable();
    choice.drill = std::clamp(choice.drill, 0, static_cast<int>(table.size()) - 1);
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f),
                            ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(29.0f * em(), 0.0f), ImGuiCond_Always);
    bool open = true;
    ImGui::Begin("Drills (F3 closes)", &open,
                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoCollapse);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string_view name = table[i].info.name;
        ImGui::PushID(static_cast<int>(i));
        if (ImGui::Selectable(name.data(), choice.drill == static_cast<int>(i)))
            choice.drill = static_cast<int>(i);
        ImGui::PopID();
    }
    ImGui::Separator();
    ImGui::PushTextWrapPos(0.0f);
    text(table[static_cast<std::size_t>(choice.drill)].info.description);
    ImGui::PopTextWrapPos();
    ImGui::InputScalar("seed", ImGuiDataType_U64, &choice.seed);
    bool race = session.raceBest();
    if (ImGui::Checkbox("race the best attempt of this seed (a ghost car)", &race))
        session.setRaceBest(race);
    bool autopilot = session.autopilot();
    if (ImGui::Checkbox("the autopilot flies", &autopilot)) session.setAutopilot(autopilot);
    if (ImGui::Button("Start")) {
        session.startAttempt(table[static_cast<std::size_t>(choice.drill)], choice.seed);
        open = false;
    }
    ImGui::SameLine();
    if (ImGui::Button("Progress (H)")) {
        session.showProgress(true);
        open = false;
    }
    if (session.drill() != nullptr) {
        ImGui::SameLine();
        if (ImGui::Button("Fly freely")) {
            session.flyFreely();
            open = false;
        }
    }
    ImGui::SameLine();
    if (ImGui::Button("Controls (F4)")) {
        session.showControls(true);
        open = false;
    }
    ImGui::Separator();
    ImGui::Checkbox("show the ball's path ahead (3 s)", &choice.ballPath);
    ImGui::Checkbox("show the car's path ahead (2 s, controls held)", &choice.carPath);
    ImGui::End();
    if (!open) session.showDrillMenu(false);
}

void drawAttempt(FlySession& session) {
    const DrillAttempt* attempt = session.attempt();
    if (attempt == nullptr) return;
    if (attempt->phase() == AttemptPhase::Countdown) drawCountdown(*attempt);
    if (attempt->finished())
        drawResult(session, *attempt);
    else
        drawLivePanel(session, *attempt);
}

}  // namespace fly
