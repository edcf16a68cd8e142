#include "web/PageHost.h"

#include <string>

#include "app/ExitCodes.h"
#include "host/pluginsdk/PluginLoader.h"
#include "scene/Scene.h"
#include "scene/ScenePlayer.h"

// The plugin's record (Trimsight.cpp), linked into this program.
extern "C" {
extern const BakkesMod::Plugin::PluginInfo exports;
}

namespace web {

PageHost::~PageHost() {
    if (!plugin_) return;
    game.release(this);
    plugin_->onUnload();
    exports.deleteFunction();
}

base::Status PageHost::load() {
    if (exports.apiVersion != BakkesMod::Plugin::kApiVersion)
        return base::Failure{"the linked-in plugin has API version " +
                             std::to_string(exports.apiVersion) + ", this host needs " +
                             std::to_string(BakkesMod::Plugin::kApiVersion)};
    BakkesMod::Plugin::PluginPointer* created = exports.createFunction();
    if (created == nullptr || !*created)
        return base::Failure{"the linked-in plugin's create function gave no plugin"};
    plugin_ = *created;
    pluginsdk::attachPlugin(*plugin_, cvars, game, this);
    return {};
}

BakkesMod::Plugin::PluginSettingsWindow* PageHost::settingsWindow() const {
    return dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(plugin_.get());
}

int traceScene(std::string_view sceneText, std::FILE* out, std::FILE* err) {
    base::Result<scene::SceneFrames> scene = scene::parseScene(sceneText);
    if (!scene) {
        std::fprintf(err, "scene: %s\n", scene.error().c_str());
        return app::kExitScene;
    }
    PageHost host;
    if (base::Status loaded = host.load(); !loaded) {
        std::fprintf(err, "%s\n", loaded.error().c_str());
        return app::kExitPlugin;
    }
    scene::TraceSink sink(out);
    if (base::Status played = scene::playScene(*scene, host.cvars, host.game, sink); !played) {
        std::fprintf(err, "scene: %s\n", played.error().c_str());
        return app::kExitScene;
    }
    return app::kExitOk;
}

}  // namespace web
