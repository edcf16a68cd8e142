// attachPlugin, apart from the loader: a program with the plugin linked in
// (the browser build, which has no dlopen) enters it the same way.
#include <memory>

#include "host/pluginsdk/PluginLoader.h"

namespace pluginsdk {

void attachPlugin(BakkesMod::Plugin::BakkesModPlugin& plugin, CVarStore& cvars, GameHost& game,
                  GameHost::Owner owner) {
    plugin.cvarRegistry = std::make_shared<CVarManagerWrapper>(cvars);
    plugin.gameFacade = std::make_shared<GameWrapper>(game, owner);
    plugin.onLoad();
}

}  // namespace pluginsdk
