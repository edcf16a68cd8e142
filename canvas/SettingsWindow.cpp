#include "canvas/SettingsWindow.h"

#include <imgui.h>

#include <algorithm>

#include "canvas/DialGuide.h"

namespace canvas {

void drawSettingsWindow(BakkesMod::Plugin::PluginSettingsWindow& page, const std::string& title,
                        int canvasWidth, int canvasHeight) {
    // Over the game's upper right, clear of the dial's usual place at the
    // lower left; its height follows the page.
    const float margin = std::max(8.0f, static_cast<float>(canvasHeight) * 0.04f);
    // The page as wide as before, and the target options' meanings beside it.
    float meanings = 0.0f;
    for (std::string_view meaning : targetOptionMeanings())
        meanings = std::max(meanings,
                            ImGui::CalcTextSize(meaning.data(), meaning.data() + meaning.size()).x);
    meanings += ImGui::GetTreeNodeToLabelSpacing() + 2.0f * ImGui::GetStyle().CellPadding.x;
    const float width =
        std::clamp(static_cast<float>(canvasWidth) - 2.0f * margin, 100.0f, 900.0f + meanings);
    ImGui::SetNextWindowPos(ImVec2(static_cast<float>(canvasWidth) - margin - width, margin),
                            ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always);
    ImGui::Begin(title.c_str(), nullptr,
                 ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    // The plugin's page at the left, and beside it what each of its target
    // options points the target marker at, which the page's list does not
    // say.
    if (ImGui::BeginTable("##page", 2, ImGuiTableFlags_BordersInnerV)) {
        ImGui::TableSetupColumn("##plugin", ImGuiTableColumnFlags_WidthStretch);
        ImGui::TableSetupColumn("##targets", ImGuiTableColumnFlags_WidthFixed,
                                std::min(meanings, width * 0.4f));
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        page.renderSettings();
        ImGui::TableNextColumn();
        ImGui::TextDisabled("What each target points at");
        for (std::string_view meaning : targetOptionMeanings()) {
            ImGui::Bullet();
            ImGui::TextWrapped("%.*s", static_cast<int>(meaning.size()), meaning.data());
        }
        ImGui::EndTable();
    } else {
        page.renderSettings();
    }
    ImGui::End();
}

}  // namespace canvas
