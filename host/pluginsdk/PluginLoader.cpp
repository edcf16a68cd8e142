#include "host/pluginsdk/PluginLoader.h"

#include "host/pluginsdk/SharedLibrary.h"

namespace pluginsdk {

using BakkesMod::Plugin::kApiVersion;
using BakkesMod::Plugin::PluginInfo;

std::unique_ptr<LoadedPlugin> LoadedPlugin::open(const std::string& path, std::string& error) {
    std::string why;
    void* handle = openLibrary(path, why);
    if (!handle) {
        error = "cannot load plugin library " + path + ": " + why;
        return nullptr;
    }
    auto* info = static_cast<const PluginInfo*>(librarySymbol(handle, "exports"));
    std::string problem;
    if (!info)
        problem = "no plugin record 'exports'";
    else if (info->apiVersion != kApiVersion)
        problem = "plugin API version " + std::to_string(info->apiVersion) + ", this host needs " +
                  std::to_string(kApiVersion);
    else if (!info->createFunction || !info->deleteFunction)
        problem = "plugin record has no create or delete function";
    else if (!librarySymbol(handle, "getPlugin") || !librarySymbol(handle, "deleteMe"))
        problem = "missing entry point 'getPlugin' or 'deleteMe'";
    if (!problem.empty()) {
        closeLibrary(handle);
        error = path + ": " + problem;
        return nullptr;
    }
    std::unique_ptr<LoadedPlugin> p(new LoadedPlugin);
    p->path_ = path;
    p->handle_ = handle;
    p->info_ = info;
    return p;
}

LoadedPlugin::~LoadedPlugin() {
    release();
    if (handle_) closeLibrary(handle_);
}

bool LoadedPlugin::load(CVarStore& cvars, GameHost& game, std::string* error) {
    if (plugin_) return true;
    BakkesMod::Plugin::PluginPointer* created = info_->createFunction();
    if (created == nullptr || !*created) {
        if (error != nullptr)
            *error = path_ + ": the plugin's create function returned " +
                     (created == nullptr ? "a null pointer" : "an empty plugin pointer");
        return false;
    }
    plugin_ = *created;
    game_ = &game;
    attachPlugin(*plugin_, cvars, game, this);
    return true;
}

BakkesMod::Plugin::PluginSettingsWindow* LoadedPlugin::settingsWindow() const {
    return dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(plugin_.get());
}

void LoadedPlugin::release() {
    if (!plugin_) return;
    // The plugin never unregisters its callbacks; they hold its bare address.
    game_->release(this);
    plugin_->onUnload();
    info_->deleteFunction();
    plugin_.reset();
}

}  // namespace pluginsdk
