#include "fly/window/Hud.h"

#include <imgui.h>

#include <algorithm>

#include "canvas/DialGuide.h"
#include "fly/window/WorldRenderer.h"

namespace fly {
namespace {

constexpr ImGuiWindowFlags kOverlay =
    ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
    ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;

const char* clockState(const sandbox::FixedStepClock& clock) {
    if (clock.paused()) return "paused (P: go on, T: one tick)";
    switch (clock.slowMotion()) {
        case 2:
            return "slow motion 1/2";
        case 4:
            return "slow motion 1/4";
        default:
            return "";
    }
}

// How long "goal" stays on the HUD after the ball goes in.
constexpr uint32_t kGoalShownTicks = 3 * sandbox::kTicksPerSecond;

// One line per kind of ghost in the world, in its colour.
void ghostLines(std::span<const GhostCar> ghosts) {
    bool shown[2] = {false, false};
    for (const GhostCar& g : ghosts) {
        const int kind = static_cast<int>(g.kind);
        if (shown[kind]) continue;
        shown[kind] = true;
        const Rgb8 c = ghostColour(g.kind);
        ImGui::TextColored(ImVec4(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1.0f), "%s",
                           g.kind == GhostKind::TargetAttitude
                               ? "pink ghost: the attitude to reach"
                               : "blue ghost: the best attempt of this seed");
    }
}

// While a landing holds the world still: how it landed, at the top middle.
void drawLanding(const FlySession& s) {
    const LandingHold& hold = s.landing();
    if (!hold.holding() || !hold.touchdown()) return;
    const sandbox::Touchdown& t = *hold.touchdown();
    const float degrees = t.angleToVertical * (180.0f / 3.14159265f);
    const bool clean = t.wheelsDown && degrees < sandbox::kCleanLandingDegrees &&
                       t.spin < sandbox::kCleanLandingSpin;
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, ImGui::GetFontSize() * 4.0f),
                            ImGuiCond_Always, ImVec2(0.5f, 0.0f));
    ImGui::SetNextWindowBgAlpha(0.7f);
    ImGui::Begin("##landing", nullptr, kOverlay);
    ImGui::TextColored(clean ? ImVec4(0.45f, 0.9f, 0.45f, 1.0f) : ImVec4(1.0f, 0.55f, 0.35f, 1.0f),
                       "landed %s: %.1f deg from wheels-down, spin %.2f rad/s",
                       t.wheelsDown ? "on the wheels" : "off the wheels",
                       static_cast<double>(degrees), static_cast<double>(t.spin));
    ImGui::End();
}

// How long a ring's split stays on the HUD after the ring is passed.
constexpr float kSplitShownSeconds = 3.0f;

// A course's progress: the next ring, and for a while after each ring its
// split against the best attempt's at that ring (green ahead, red behind).
void courseLines(const FlySession& s) {
    const DrillAttempt* attempt = s.attempt();
    const sandbox::CourseRun* run = attempt ? attempt->drill().courseRun() : nullptr;
    if (run == nullptr) return;
    if (!run->done()) ImGui::Text("ring %zu of %zu", run->next() + 1, run->ringCount());
    const std::optional<std::size_t> last = run->lastPassed();
    if (!last) return;
    const float split = *run->split(*last);
    if (attempt->drill().sample().seconds - split > kSplitShownSeconds) return;
    const std::optional<float> best = attempt->bestSplit(*last);
    if (!best) {
        ImGui::Text("ring %zu: %.2f s", *last + 1, static_cast<double>(split));
        return;
    }
    const float delta = split - *best;
    ImGui::TextColored(
        delta <= 0.0f ? ImVec4(0.4f, 1.0f, 0.4f, 1.0f) : ImVec4(1.0f, 0.45f, 0.4f, 1.0f),
        "ring %zu: %.2f s, %+.2f s on the best", *last + 1, static_cast<double>(split),
        static_cast<double>(delta));
}

// A session's name, the attempt and entry under way, the passes and the
// streak; its end's tally once over.
void sessionLines(const FlySession& s) {
    const sandbox::SessionTally* tally = s.tally();
    if (tally == nullptr) return;
    const sandbox::Session& session = *s.playlist();
    const ImVec4 title(0.55f, 0.85f, 1.0f, 1.0f);
    if (tally->finished()) {
        ImGui::TextColored(title, "%s: over, %d of %d passed, best %d in a row",
                           session.name.c_str(), tally->passed(), tally->attempts(),
                           tally->bestStreak());
        return;
    }
    const bool counted = s.attempt() != nullptr && s.attempt()->finished();
    const sandbox::SessionEntry& entry = session.entries[tally->entry()];
    ImGui::TextColored(title, "%s: attempt %d of %d", session.name.c_str(),
                       tally->attempts() + (counted ? 0 : 1), session.attempts());
    ImGui::Text("entry %zu of %zu: %s, %d of %d", tally->entry() + 1, session.entries.size(),
                sandbox::entryLabel(entry).c_str(), tally->attemptOfEntry() + 1, entry.count);
    if (tally->streak() >= 2)
        ImGui::Text("%d passed, %d in a row", tally->passed(), tally->streak());
    else
        ImGui::Text("%d passed", tally->passed());
}

}  // namespace

void drawHud(const HudFacts& facts) {
    const FlySession& s = *facts.session;
    const sandbox::CarState& car = s.world().car;
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_Always);
    ImGui::SetNextWindowBgAlpha(0.55f);
    ImGui::Begin("##hud", nullptr, kOverlay);
    ImGui::Text("speed %6.0f uu/s   boost %3.0f",
                static_cast<double>(sandbox::length(car.velocity)), static_cast<double>(car.boost));
    ImGui::Text("spin  %6.2f rad/s  height %5.0f", static_cast<double>(sandbox::length(car.spin)),
                static_cast<double>(car.location.z));
    ImGui::Text("%5.1f frames/s, frame %4.1f ms  %s", static_cast<double>(facts.framesPerSecond),
                static_cast<double>(facts.frameMilliseconds),
                s.ballCamera() ? "ball camera" : "car camera");
    if (s.seed())
        ImGui::Text("random start, seed %llu", static_cast<unsigned long long>(*s.seed()));
    if (const char* state = clockState(s.clock()); state[0] != '\0') ImGui::TextUnformatted(state);
    if (s.lastGoal() != 0 && s.ticksSinceGoal() < kGoalShownTicks)
        ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.2f, 1.0f), "GOAL! in the %s goal (%s end)",
                           s.lastGoal() > 0 ? "orange" : "blue", s.lastGoal() > 0 ? "+y" : "-y");
    if (s.rewinding())
        ImGui::TextColored(ImVec4(0.6f, 0.8f, 1.0f, 1.0f),
                           "rewinding: %.2f s back (let go to fly on)",
                           static_cast<double>(s.rewoundSteps()) / sandbox::kTicksPerSecond);
    if (!s.recording()) ImGui::TextUnformatted("the flight log is full: no longer recording");
    ghostLines(s.ghosts());
    courseLines(s);
    sessionLines(s);
    if (const std::string_view note = s.shotNote(); !note.empty())
        ImGui::TextColored(
            s.shotNoteFailed() ? ImVec4(1.0f, 0.45f, 0.4f, 1.0f) : ImVec4(0.45f, 0.9f, 0.45f, 1.0f),
            "%.*s", static_cast<int>(note.size()), note.data());
    ImGui::TextDisabled("%s; %s help, %s settings, %s drills, %s controls, %s progress",
                        facts.padName.empty() ? "keyboard" : facts.padName.c_str(),
                        commandKeys(Command::Help).c_str(), commandKeys(Command::Settings).c_str(),
                        commandKeys(Command::DrillMenu).c_str(),
                        commandKeys(Command::Controls).c_str(),
                        commandKeys(Command::Progress).c_str());
    ImGui::End();
    drawLanding(s);
}

void drawControls(std::span<const HelpRow> rows) {
    if (!ImGui::BeginTable("controls", 3, ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV))
        return;
    ImGui::TableSetupColumn("control");
    ImGui::TableSetupColumn("keyboard");
    ImGui::TableSetupColumn("pad");
    ImGui::TableHeadersRow();
    for (const HelpRow& row : rows) {
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(row.what.c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(row.keys.c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(row.pad.c_str());
    }
    ImGui::EndTable();
}

void drawHelp(std::span<const HelpRow> rows, FlySession::HelpPage page,
              const canvas::DialElements& dial) {
    const ImGuiIO& io = ImGui::GetIO();
    const float fontSize = ImGui::GetFontSize();
    const bool dialPage = page == FlySession::HelpPage::ReadingTheDial;
    // The controls in the middle; the dial's page at the upper right, clear
    // of the dial it labels.
    if (dialPage)
        ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - fontSize, fontSize), ImGuiCond_Always,
                                ImVec2(1.0f, 0.0f));
    else
        ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f),
                                ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowBgAlpha(0.85f);
    ImGui::Begin(
        dialPage ? "Reading the dial (F1 closes)###help" : "Controls (F1: reading the dial)###help",
        nullptr,
        // The car flies on under the help: it takes neither the focus nor
        // the pad's navigation.
        ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
            ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoFocusOnAppearing |
            ImGuiWindowFlags_NoNav);
    if (dialPage)
        canvas::drawDialGuideText(
            std::min(fontSize * 44.0f, io.DisplaySize.x * 0.55f - 2.0f * fontSize));
    else
        drawControls(rows);
    const ImVec2 helpMin = ImGui::GetWindowPos();
    ImGui::End();
    // The labels keep left of the page.
    if (dialPage)
        canvas::drawDialLabels(ImGui::GetForegroundDrawList(), dial, ImVec2(0.0f, 0.0f),
                               ImVec2(helpMin.x, io.DisplaySize.y), fontSize);
}

}  // namespace fly
