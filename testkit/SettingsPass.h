#pragma once
// The host side of the settings window: an ImGui context of the host's own,
// handed to the plugin, and one pass of the page inside a window, with the
// mouse where the caller puts it.
#include <imgui.h>

#include <cstdint>

#include "host/Plugin.h"

namespace testkit {

class SettingsHost {
  public:
    SettingsHost() {
        context_ = ImGui::CreateContext();
        ImGui::SetCurrentContext(context_);
        ImGuiIO& io = ImGui::GetIO();
        io.DisplaySize = ImVec2(1280.0f, 720.0f);
        io.IniFilename = nullptr;
        io.LogFilename = nullptr;
        unsigned char* pixels = nullptr;
        int w = 0;
        int h = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
    }
    ~SettingsHost() { ImGui::DestroyContext(context_); }
    SettingsHost(const SettingsHost&) = delete;
    SettingsHost& operator=(const SettingsHost&) = delete;

    uintptr_t context() const { return reinterpret_cast<uintptr_t>(context_); }

    // One frame of the settings window with the mouse at (x, y), the left
    // button down or up.
    void pass(BakkesMod::Plugin::PluginSettingsWindow& page, float x, float y, bool down) {
        ImGui::SetCurrentContext(context_);
        ImGuiIO& io = ImGui::GetIO();
        io.DeltaTime = 1.0f / 60.0f;
        io.MousePos = ImVec2(x, y);
        io.MouseDown[0] = down;
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImVec2(640.0f, 480.0f));
        ImGui::Begin("Plugins");
        page.renderSettings();
        ImGui::End();
        ImGui::Render();
    }

  private:
    ImGuiContext* context_;
};

}  // namespace testkit
