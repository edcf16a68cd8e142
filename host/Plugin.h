#pragma once
// The base classes a plugin derives from and the record a plugin library
// exports for the host to find it by.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/CVarManagerWrapper.h"
#include "host/GameWrapper.h"

namespace BakkesMod::Plugin {

// No virtual destructor: the host keeps plugins through shared pointers made
// from the concrete class, which destroy them as what they are.
class BakkesModPlugin {
  public:
    std::shared_ptr<CVarManagerWrapper> cvarRegistry;
    std::shared_ptr<GameWrapper> gameFacade;

    virtual void onLoad() {}
    virtual void onUnload() {}
    // Members go in reverse order: gameFacade first, then cvarRegistry.
};

class PluginSettingsWindow {
  public:
    virtual ~PluginSettingsWindow() = default;
    virtual void renderSettings() = 0;
    virtual std::string getSettingsName() = 0;
    // The address of the host's ImGui context.
    virtual void attachImGuiContext(uintptr_t context) = 0;
};

using PluginPointer = std::shared_ptr<BakkesModPlugin>;

// The record a plugin library exports as `exports`; the host reads it in place.
struct PluginInfo {
    int32_t apiVersion;
    int32_t padding0;
    const char* sourcePath;
    const char* pluginClass;
    const char* displayName;
    const char* versionText;
    uint32_t typeFlags;
    uint32_t padding1;
    PluginPointer* (*createFunction)();
    void (*deleteFunction)();
};

// The record's layout as the host reads it on a 64-bit machine. A 32-bit
// target (WebAssembly, where the plugin is linked in and no host reads the
// record in place) has 4-byte pointers and another layout.
#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(PluginInfo) == 64);
static_assert(offsetof(PluginInfo, apiVersion) == 0);
static_assert(offsetof(PluginInfo, sourcePath) == 8);
static_assert(offsetof(PluginInfo, pluginClass) == 16);
static_assert(offsetof(PluginInfo, displayName) == 24);
static_assert(offsetof(PluginInfo, versionText) == 32);
static_assert(offsetof(PluginInfo, typeFlags) == 40);
static_assert(offsetof(PluginInfo, createFunction) == 48);
static_assert(offsetof(PluginInfo, deleteFunction) == 56);
#endif

// The host interface version plugins are built against.
inline constexpr int32_t kApiVersion = 95;

}  // namespace BakkesMod::Plugin
