// The plugin library's entry points, the plugin object's lifecycle and its
// console variables.
#include "Trimsight.h"

#include <memory>
#include <string>

#include "host/GameEvents.h"
#include "host/Plugin.h"

#ifndef TRIMSIGHT_SOURCE_PATH
#define TRIMSIGHT_SOURCE_PATH __FILE__
#endif

using BakkesMod::Plugin::PluginPointer;

namespace {
// The library's own share of the one plugin object.
PluginPointer thePlugin;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) PluginPointer* getPlugin() {
    if (!thePlugin) {
        // Owned from the concrete class, so the last owner destroys it as a
        // Trimsight although the first base has no virtual destructor.
        thePlugin = PluginPointer(new Trimsight());
    }
    return &thePlugin;
}

__attribute__((visibility("default"))) void deleteMe() {
    if (!thePlugin) return;
    // Empty the library's pointer before the object can go away.
    PluginPointer dropped = std::move(thePlugin);
    dropped.reset();
}

__attribute__((visibility("default"))) extern const BakkesMod::Plugin::PluginInfo exports;
const BakkesMod::Plugin::PluginInfo exports = {
    BakkesMod::Plugin::kApiVersion,
    0,
    TRIMSIGHT_SOURCE_PATH,
    "Trimsight",
    "Trimsight Training Tool for Aerials",
    "1.2.0.768",
    3,
    0,
    &getPlugin,
    &deleteMe,
};

}  // extern "C"

void Trimsight::onLoad() {
    cvarRegistry->log("Plugin loaded!");

    cvarRegistry->registerCvar("trimsight_enabled", "1", "Enable Trimsight", true, true, 0.0f, true,
                               1.0f, true);
    cvarRegistry->registerCvar("peripheral_mode_enabled", "0", "Enable Peripheral Mode", true, true,
                               0.0f, true, 1.0f, true);
    cvarRegistry->registerCvar("trimsight_size", "3.3", "The size of the trimsight", true, true,
                               sizeMin, true, sizeMax, true);
    cvarRegistry->registerCvar("x_position", "0.3", "The X-location of the trimsight", true, true,
                               0.0f, true, 1.0f, true);
    cvarRegistry->registerCvar("y_position", "0.9", "The Y-location of the trimsight", true, true,
                               0.0f, true, 1.0f, true);
    cvarRegistry->registerCvar("trimsight_target", "4.0", "What you aim at", true, true, 0.0f, true,
                               6.0f, true);

    gameFacade->HookEvent(gameevents::kReplayBegin, [this](const std::string&) {
        replayActive.store(true, std::memory_order_relaxed);
    });
    gameFacade->HookEvent(gameevents::kReplayEnd, [this](const std::string&) {
        replayActive.store(false, std::memory_order_relaxed);
    });
    gameFacade->RegisterDrawable([this](CanvasWrapper canvas) { renderOverlay(canvas); });
}

bool Trimsight::isEnabled() const {
    CVarWrapper cvar = cvarRegistry->getCvar("trimsight_enabled");
    return cvar ? cvar.getBoolValue() : false;
}

bool Trimsight::isPeripheralMode() const {
    CVarWrapper cvar = cvarRegistry->getCvar("peripheral_mode_enabled");
    return cvar ? cvar.getBoolValue() : false;
}

int32_t Trimsight::getTarget() const {
    CVarWrapper cvar = cvarRegistry->getCvar("trimsight_target");
    return cvar ? cvar.getIntValue() : 0;
}

float Trimsight::getSize() const {
    if (!isEnabled()) return 1.0f;
    CVarWrapper cvar = cvarRegistry->getCvar("trimsight_size");
    return cvar ? cvar.getFloatValue() : sizeFallback;
}

float Trimsight::getXPosition() const {
    if (!isEnabled()) return 1.0f;
    CVarWrapper cvar = cvarRegistry->getCvar("x_position");
    return cvar ? cvar.getFloatValue() : xPositionFallback;
}

float Trimsight::getYPosition() const {
    if (!isEnabled()) return 1.0f;
    CVarWrapper cvar = cvarRegistry->getCvar("y_position");
    return cvar ? cvar.getFloatValue() : yPositionFallback;
}
