#include "host/pluginsdk/PluginLoader.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <string>
#include <typeinfo>

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

namespace {

// The type of the exception being handled, as the source names it.
std::string thrownType() {
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (type == nullptr) return "an unknown value";
    int status = 0;
    char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    std::string text = status == 0 && name != nullptr ? name : type->name();
    std::free(name);
    return text;
}

// What the plugin threw, for a message: "std::runtime_error (\"why\")", or
// the type of a value that is no standard exception ("int").
std::string whatWasThrown() {
    constexpr std::size_t kMaxWhat = 200;  // the plugin's text, cut short
    try {
        throw;
    } catch (const std::exception& e) {
        std::string what = e.what();
        if (what.size() > kMaxWhat) what = what.substr(0, kMaxWhat) + "...";
        return thrownType() + " (\"" + what + "\")";
    } catch (...) {
        return "a value of type " + thrownType() + ", not a standard exception";
    }
}

}  // namespace

bool LoadedPlugin::load(CVarStore& cvars, GameHost& game, std::string* error) {
    if (plugin_) return true;
    const auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = path_ + ": " + why + "; the plugin cannot be used";
        return false;
    };
    BakkesMod::Plugin::PluginPointer* created = nullptr;
    try {
        created = info_->createFunction();
    } catch (...) {
        return fail("the plugin's create function threw " + whatWasThrown());
    }
    if (created == nullptr || !*created)
        return fail(std::string("the plugin's create function returned ") +
                    (created == nullptr ? "a null pointer" : "an empty plugin pointer"));
    plugin_ = *created;
    game_ = &game;
    try {
        attachPlugin(*plugin_, cvars, game, this);
    } catch (...) {
        const std::string what = whatWasThrown();
        // Not loaded, so not unloaded either: what it registered goes, and
        // the plugin is deleted.
        game_->release(this);
        try {
            info_->deleteFunction();
        } catch (...) {
        }
        plugin_.reset();
        return fail("onLoad threw " + what);
    }
    return true;
}

BakkesMod::Plugin::PluginSettingsWindow* LoadedPlugin::settingsWindow() const {
    return dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(plugin_.get());
}

void LoadedPlugin::release() {
    if (!plugin_) return;
    // The plugin never unregisters its callbacks; they hold its bare address.
    game_->release(this);
    // Nothing the plugin throws on its way out may end the host.
    try {
        plugin_->onUnload();
    } catch (...) {
    }
    try {
        info_->deleteFunction();
    } catch (...) {
    }
    plugin_.reset();
}

}  // namespace pluginsdk
