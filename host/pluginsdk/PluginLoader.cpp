#include "host/pluginsdk/PluginLoader.h"

#include <dlfcn.h>

namespace pluginsdk {

using BakkesMod::Plugin::kApiVersion;
using BakkesMod::Plugin::PluginInfo;

std::unique_ptr<LoadedPlugin> LoadedPlugin::open(const std::string& path, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load plugin library " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    auto* info = static_cast<const PluginInfo*>(dlsym(handle, "exports"));
    std::string problem;
    if (!info)
        problem = "no plugin record 'exports'";
    else if (info->apiVersion != kApiVersion)
        problem = "plugin API version " + std::to_string(info->apiVersion) + ", this host needs " +
                  std::to_string(kApiVersion);
    else if (!info->createFunction || !info->deleteFunction)
        problem = "plugin record has no create or delete function";
    else if (!dlsym(handle, "getPlugin") || !dlsym(handle, "deleteMe"))
        problem = "missing entry point 'getPlugin' or 'deleteMe'";
    if (!problem.empty()) {
        dlclose(handle);
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
    if (handle_) dlclose(handle_);
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
