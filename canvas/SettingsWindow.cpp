#include "canvas/SettingsWindow.h"

#include <imgui.h>

#include <algorithm>

namespace canvas {

void drawSettingsWindow(BakkesMod::Plugin::PluginSettingsWindow& page, const std::string& title,
                        int canvasWidth, int canvasHeight) {
    // Over the game's upper right, clear of the dial's usual place at the
    // lower left; its height follows the page.
    const float margin = std::max(8.0f, static_cast<float>(canvasHeight) * 0.04f);
    const float width = std::clamp(static_cast<float>(canvasWidth) - 2.0f * margin, 100.0f, 900.0f);
    ImGui::SetNextWindowPos(ImVec2(static_cast<float>(canvasWidth) - margin - width, margin),
                            ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always);
    ImGui::Begin(title.c_str(), nullptr,
                 ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    page.renderSettings();
    ImGui::End();
}

}  // namespace canvas
