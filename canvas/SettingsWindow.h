#pragma once
// The host's plugin settings window: an ImGui window titled with the plugin's
// settings name, with the plugin's own page drawn inside it.
#include <string>

#include "host/Plugin.h"

namespace canvas {

// Call inside an ImGui frame of the host's context, after the plugin has been
// handed that context with attachImGuiContext.
void drawSettingsWindow(BakkesMod::Plugin::PluginSettingsWindow& page, const std::string& title,
                        int canvasWidth, int canvasHeight);

}  // namespace canvas
