#include "fly/window/ControlsWindow.h"

#include <imgui.h>

#include <string>

namespace fly {
namespace {

using sandbox::Action;

struct Slider {
    const char* label;  // as the car game's settings name it
    SettingRange range;
    float& (*value)(PlayerControls& c);
    const char* what;
};
const Slider kSliders[] = {
    {"Controller Deadzone", kDeadZoneRange,
     [](PlayerControls& c) -> float& { return c.bindings.deadZone; },
     "the stick reads as centred nearer than this"},
    {"Dodge Deadzone", kDodgeDeadZoneRange,
     [](PlayerControls& c) -> float& { return c.dodgeDeadZone; },
     "|pitch| + |yaw| + |roll| from which an air jump dodges"},
    {"Aerial Sensitivity", kSensitivityRange,
     [](PlayerControls& c) -> float& { return c.bindings.aerialSensitivity; },
     "the stick's pitch, yaw and roll, times this"},
    {"Steering Sensitivity", kSensitivityRange,
     [](PlayerControls& c) -> float& { return c.bindings.steeringSensitivity; },
     "the stick's steer, times this"},
};

void sliders(const FlySession& session, PlayerControls& next) {
    const float width = 14.0f * ImGui::GetFontSize();
    for (const Slider& s : kSliders) {
        ImGui::SetNextItemWidth(width);
        ImGui::SliderFloat(s.label, &s.value(next), s.range.lo, s.range.hi, "%.2f",
                           ImGuiSliderFlags_AlwaysClamp);
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", s.what);
    }
    ImGui::Checkbox("Invert pitch (stick forward raises the nose)", &next.bindings.invertPitch);
    if (next.dodgeDeadZone != session.controls().dodgeDeadZone && session.attempt() != nullptr)
        ImGui::TextDisabled("the dodge dead zone applies from the next attempt");
}

// One action's key and pad button, each a button that waits for a press.
void bindingRow(FlySession& session, Action action, bool pressable) {
    const sandbox::Bindings& b = session.bindings();
    const bool waiting =
        session.capturing() != FlySession::Capture::None && session.captureAction() == action;
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::AlignTextToFramePadding();  // level with the buttons beside it
    ImGui::TextUnformatted(std::string(sandbox::actionName(action)).c_str());
    ImGui::TableNextColumn();
    const std::optional<std::string_view> key = keyOf(b, action);
    std::string label = waiting && session.capturing() == FlySession::Capture::Key
                            ? std::string("press a key...")
                            : std::string(key ? *key : "-");
    label += "##key";
    if (ImGui::Button(label.c_str(), ImVec2(-1.0f, 0.0f)) && pressable)
        session.startCapture(action, FlySession::Capture::Key);
    ImGui::TableNextColumn();
    const std::optional<sandbox::PadButton> button = buttonOf(b, action);
    label = waiting && session.capturing() == FlySession::Capture::Button
                ? std::string("press a button...")
                : std::string(button ? sandbox::padButtonName(*button) : "-");
    label += "##pad";
    if (ImGui::Button(label.c_str(), ImVec2(-1.0f, 0.0f)) && pressable)
        session.startCapture(action, FlySession::Capture::Button);
}

}  // namespace

void drawControlsWindow(FlySession& session) {
    if (!session.controlsShown()) return;
    const ImGuiIO& io = ImGui::GetIO();
    const float em = ImGui::GetFontSize();
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f),
                            ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSizeConstraints(ImVec2(0.0f, 0.0f),
                                        ImVec2(io.DisplaySize.x, io.DisplaySize.y - 2.0f * em));
    bool open = true;
    ImGui::Begin("Controls (F4 closes)", &open,
                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_AlwaysAutoResize);
    PlayerControls next = session.controls();
    sliders(session, next);
    ImGui::Separator();
    // The press that ended a wait is the binding's: it must not start the
    // next one on the button it lands on.
    const bool pressable = !session.captureEndedThisFrame();
    const std::string& note = session.controlsNote();
    ImGui::TextUnformatted(note.empty() ? "Pick a key or a button, then press the one to bind."
                                        : note.c_str());
    if (ImGui::BeginTable("bindings", 3,
                          ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV |
                              ImGuiTableFlags_SizingFixedFit)) {
        ImGui::TableSetupColumn("action", ImGuiTableColumnFlags_WidthFixed, 12.0f * em);
        ImGui::TableSetupColumn("key", ImGuiTableColumnFlags_WidthFixed, 9.0f * em);
        ImGui::TableSetupColumn("pad", ImGuiTableColumnFlags_WidthFixed, 9.0f * em);
        ImGui::TableHeadersRow();
        for (int i = 0; i < sandbox::kActionCount; ++i) {
            ImGui::PushID(i);
            bindingRow(session, static_cast<Action>(i), pressable);
            ImGui::PopID();
        }
        ImGui::EndTable();
    }
    ImGui::TextDisabled("The stick steers and pitches; the triggers are throttle and reverse.");
    const bool reset = ImGui::Button("Reset to defaults") && pressable;
    ImGui::SameLine();
    if (ImGui::Button("Close")) open = false;
    ImGui::End();
    // Bindings change only in the session's advance, when a wait ends:
    // `next` holds them as they are, with this frame's slider values.
    session.setControls(reset ? PlayerControls{} : next);
    if (!open) session.showControls(false);
}

}  // namespace fly
