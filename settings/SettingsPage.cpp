// The plugin's settings page: every console variable as a Dear ImGui widget,
// written back to the host in the same pass.
//
// The library links its own private copy of Dear ImGui, so it draws into the
// host's context only after the host hands it over with attachImGuiContext.
#include <imgui.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "Trimsight.h"
#include "render/TargetOption.h"

namespace {

// A changed checkbox is stored as the integer 1 or 0.
void writeBool(CVarWrapper& cvar, bool value) { cvar.setValue(value ? 1 : 0); }

}  // namespace

void Trimsight::renderSettings() {
    // Nothing to draw into until the host has attached its context; this
    // copy of ImGui would otherwise dereference a null context.
    if (ImGui::GetCurrentContext() == nullptr) return;

    ImGui::TextUnformatted("Use the Trimsight to practice advanced aerial mechanics and stuff");

    // The handles are locals in the order they are looked up, so every
    // return drops them last first.
    CVarWrapper enabledCvar = cvarRegistry->getCvar("trimsight_enabled");
    if (!enabledCvar) return;
    bool enabled = enabledCvar.getBoolValue();
    if (ImGui::Checkbox("Enable plugin", &enabled)) writeBool(enabledCvar, enabled);
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Toggle Trimsight Plugin");

    CVarWrapper sizeCvar = cvarRegistry->getCvar("trimsight_size");
    if (!sizeCvar) return;
    float size = sizeCvar.getFloatValue();
    if (ImGui::SliderFloat("Size", &size, sizeMin, sizeMax, "%.1f", ImGuiSliderFlags_None)) {
        sizeCvar.setValue(size);
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Scale is x%f", size);

    CVarWrapper xCvar = cvarRegistry->getCvar("x_position");
    if (!xCvar) return;
    float x = xCvar.getFloatValue();
    if (ImGui::SliderFloat("X Location", &x, 0.0f, 1.0f, "%.2f", ImGuiSliderFlags_None)) {
        xCvar.setValue(x);
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Location is x = %f", x);

    CVarWrapper yCvar = cvarRegistry->getCvar("y_position");
    if (!yCvar) return;
    float y = yCvar.getFloatValue();
    if (ImGui::SliderFloat("Y Location", &y, 0.0f, 1.0f, "%.2f", ImGuiSliderFlags_None)) {
        yCvar.setValue(y);
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Location is y = %f", y);

    ImGui::Separator();
    ImGui::TextUnformatted(
        "Peripheral mode draws the target around the center of the screen to make it easier to "
        "see the target while looking at the car.");

    CVarWrapper peripheralCvar = cvarRegistry->getCvar("peripheral_mode_enabled");
    if (!peripheralCvar) return;
    bool peripheral = peripheralCvar.getBoolValue();
    if (ImGui::Checkbox("Enable peripheral mode", &peripheral)) {
        writeBool(peripheralCvar, peripheral);
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Toggle Peripheral Mode");

    ImGui::TextUnformatted("Choose the target that will be highlighted at the border");

    CVarWrapper targetCvar = cvarRegistry->getCvar("trimsight_target");
    if (!targetCvar) return;
    // Lives as long as the library, not the plugin object: taken from the
    // variable the first time the list is reached (the initialisation of a
    // local static runs once even when two threads get here together), and
    // after that changed only by the user's picks. Atomic, so two settings
    // passes on different threads never race on it.
    static std::atomic<int> selectedTarget{targetCvar.getIntValue()};
    int selected = selectedTarget.load(std::memory_order_relaxed);
    // The list shows the variable's own integer, not the renderer's mapping:
    // a value outside 0..6 highlights no entry.
    if (ImGui::ListBox("Target options", &selected, render::kTargetOptionLabels.data(),
                       render::kTargetOptionCount)) {
        selectedTarget.store(selected, std::memory_order_relaxed);
        targetCvar.setValue(selected);
    }
}

std::string Trimsight::getSettingsName() { return "Trimsight"; }

void Trimsight::attachImGuiContext(uintptr_t context) {
    // The host hands its context over as an address in an integer.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
}
