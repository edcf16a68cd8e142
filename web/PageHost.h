#pragma once
// web/: the browser build (scripts/web.sh, docs/web.md).
//
// What it is for: the plugin and the host layer's in-process parts compiled
// to WebAssembly with emscripten, as a site a static file server can serve.
// The plugin is linked in (a browser has no dlopen) and entered the way the
// host layer enters a library it has opened.
//
// What it owns
//   PageHost.h/.cpp  the host in the page: console, game, the linked-in
//                    plugin; traceScene, a scene played and traced exactly
//                    as `trimsight-host trace` prints it
//   FlyPage.cpp      the flying page's module: the sandbox window of fly/
//                    (fly/window/ on fly/platform/WebPlatform.cpp), one
//                    frame per animation frame, settings in local storage
//   PageOptions.h    the flying page's options from its address
//   StoredSettings.h the saved settings in local storage, as the config
//                    file's JSON (scene/SavedSettings.h)
//   StoredAttempts.h drill attempts in local storage: the history's lines
//                    and their flights, the page's AttemptArchive
//   fly-api.js       the flying module's JavaScript side
//   Exports.cpp      the trace module's functions (trimsight_trace, ...)
//   module-api.js    their JavaScript side, added to the module
//   trace-scene.js   the module's trace of a scene file, run under Node
//   site/            the flying page (index.html) and the trace test page
//                    (trace.html)
//   CMakeLists.txt   Dear ImGui from Debian's source, the modules, the site;
//                    it links the libraries' targets (base, sandbox, scene,
//                    canvas, fly with its platform and window), never their
//                    sources, and not desktop/ or app/
// and, for scripts/web-check.sh, which compares the modules with the
// desktop: sweep-scene.js (a seeded scene of random frames),
// FloatTextSample.cpp (floats as text, built for both), page-check.js (the
// flying page in headless Chromium) and chromium.js (its driver).
//
// What it must not touch: the plugin's code and the host layer, which it
// builds as they are (the desktop's tests cover them), nor the sandbox
// window's code beyond its platform file. Exports.cpp and FlyPage.cpp are
// the files the desktop never compiles; tests/web builds the rest natively.
#include <cstdio>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "host/Plugin.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"

namespace web {

// Not copied: the console and the game are not.
class PageHost {
  public:
    // Takes the plugin down as the host layer does: its hooks and drawables
    // dropped, onUnload, the record's delete function.
    ~PageHost();

    // Creates the linked-in plugin and loads it as the host layer loads a
    // library's: the record's API version checked, its create function, then
    // attachPlugin (console, game, onLoad). Fails, with a one-line message,
    // when the record cannot be used or gives no plugin.
    base::Status load();
    // The plugin's settings page, for the host's settings window; null when
    // it has none or none is loaded.
    BakkesMod::Plugin::PluginSettingsWindow* settingsWindow() const;

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;

  private:
    BakkesMod::Plugin::PluginPointer plugin_;
};

// Plays a scene (its JSON text) to a freshly loaded plugin and writes to
// `out` what `trimsight-host trace` prints for it; a failure goes to `err` as
// one line. Returns that program's exit code (0, 3 or 4).
int traceScene(std::string_view sceneText, std::FILE* out, std::FILE* err);

}  // namespace web
