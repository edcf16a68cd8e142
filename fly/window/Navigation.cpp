#include "fly/window/Navigation.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <utility>

namespace fly {
namespace {

using sandbox::PadButton;

constexpr std::pair<ImGuiNavInput_, PadButton> kNavButtons[] = {
    {ImGuiNavInput_Activate, PadButton::South},
    {ImGuiNavInput_Cancel, PadButton::East},
    {ImGuiNavInput_Menu, PadButton::West},
    {ImGuiNavInput_Input, PadButton::North},
    {ImGuiNavInput_DpadLeft, PadButton::DPadLeft},
    {ImGuiNavInput_DpadRight, PadButton::DPadRight},
    {ImGuiNavInput_DpadUp, PadButton::DPadUp},
    {ImGuiNavInput_DpadDown, PadButton::DPadDown},
    {ImGuiNavInput_FocusPrev, PadButton::LeftShoulder},
    {ImGuiNavInput_FocusNext, PadButton::RightShoulder},
    {ImGuiNavInput_TweakSlow, PadButton::LeftShoulder},
    {ImGuiNavInput_TweakFast, PadButton::RightShoulder},
};

// The stick's travel past the dead zone, 0 to 1, in one direction.
float past(float travel) {
    if (!(travel > kNavStickDeadZone)) return 0.0f;
    const float v = (travel - kNavStickDeadZone) / (1.0f - kNavStickDeadZone);
    return v > 1.0f ? 1.0f : v;
}

}  // namespace

void feedNavigation(ImGuiIO& io, const sandbox::PadState& pad) {
    for (float& v : io.NavInputs) v = 0.0f;
    for (const auto& [input, button] : kNavButtons)
        if ((pad.buttons >> static_cast<int>(button)) & 1u) io.NavInputs[input] = 1.0f;
    io.NavInputs[ImGuiNavInput_LStickLeft] = past(-pad.leftX);
    io.NavInputs[ImGuiNavInput_LStickRight] = past(pad.leftX);
    io.NavInputs[ImGuiNavInput_LStickUp] = past(-pad.leftY);
    io.NavInputs[ImGuiNavInput_LStickDown] = past(pad.leftY);
    io.BackendFlags |= ImGuiBackendFlags_HasGamepad;

    // A window that took the focus as it appeared (the result) hides the
    // navigation's cursor, and Dear ImGui presses nothing while it is hidden:
    // a pad's press or a key that navigates shows it first, so that South
    // or Space at once presses the focused button.
    bool navigating = false;
    for (float v : io.NavInputs) navigating = navigating || v > 0.0f;
    for (ImGuiKey key : {ImGuiKey_Space, ImGuiKey_Enter, ImGuiKey_UpArrow, ImGuiKey_DownArrow,
                         ImGuiKey_LeftArrow, ImGuiKey_RightArrow}) {
        const int index = io.KeyMap[key];
        navigating =
            navigating || (index >= 0 && index < IM_ARRAYSIZE(io.KeysDown) && io.KeysDown[index]);
    }
    ImGuiContext* g = ImGui::GetCurrentContext();
    if (navigating && g != nullptr && menuHasFocus()) g->NavDisableHighlight = false;
}

bool menuHasFocus() {
    const ImGuiContext* g = ImGui::GetCurrentContext();
    if (g == nullptr || g->NavWindow == nullptr) return false;
    const ImGuiWindow* w = g->NavWindow;
    // When a focused window closes, Dear ImGui may hand the focus to its
    // implicit fallback window, which is no menu.
    return w->Active && !w->IsFallbackWindow && (w->Flags & ImGuiWindowFlags_NoNavInputs) == 0;
}

}  // namespace fly
