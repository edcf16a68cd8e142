#pragma once
// Trimsight: an artificial-horizon instrument for aerial training.
#include <atomic>
#include <cstdint>
#include <string>

#include "host/CanvasWrapper.h"
#include "host/Plugin.h"

class Trimsight final : public BakkesMod::Plugin::BakkesModPlugin,
                        public BakkesMod::Plugin::PluginSettingsWindow {
  public:
    float sizeMin = 2.0f;
    float sizeMax = 5.0f;
    float sizeFallback = 3.3f;
    float xPositionFallback = 0.3f;
    float yPositionFallback = 0.9f;
    // Written by the replay hooks and read by the renderer, on whatever
    // threads the host calls them from.
    std::atomic<bool> replayActive{false};

    void onLoad() override;

    // Settings page (settings/).
    void renderSettings() override;
    std::string getSettingsName() override;
    void attachImGuiContext(uintptr_t context) override;

    // The per-frame drawable (TrimsightOverlay.cpp, with the phases in render/).
    void renderOverlay(CanvasWrapper canvas);

    // Console variables, looked up afresh on every call.
    bool isEnabled() const;
    bool isPeripheralMode() const;
    int32_t getTarget() const;
    float getSize() const;
    float getXPosition() const;
    float getYPosition() const;
};
