// The functions JavaScript calls (module-api.js wraps them). Each keeps its
// text in one buffer that the next call replaces; JavaScript copies it out
// at once.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene/DemoScene.h"
#include "web/PageHost.h"

namespace {

std::string lastText;

}  // namespace

extern "C" {

// Traces a scene (JSON text) as `trimsight-host trace` does and keeps what
// that program would print, the trace or its message; returns its exit code.
EMSCRIPTEN_KEEPALIVE int trimsight_trace(const char* sceneText) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    if (stream == nullptr) {
        lastText = "cannot open a memory stream\n";
        return 1;
    }
    const int code = web::traceScene(sceneText, stream, stream);
    std::fclose(stream);
    lastText.assign(buffer, size);
    std::free(buffer);
    return code;
}

// The built-in demo scene, as `trimsight-host render --save-demo-scene`
// writes it.
EMSCRIPTEN_KEEPALIVE int trimsight_demo_scene() {
    lastText = scene::demoSceneText() + '\n';
    return 0;
}

// The text the last call kept.
EMSCRIPTEN_KEEPALIVE const char* trimsight_text() { return lastText.c_str(); }

}  // extern "C"
