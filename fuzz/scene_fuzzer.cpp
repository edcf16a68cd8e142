// The scene file parser on any text: a scene or a one-line error, never a
// crash; a parsed scene plays through frame inheritance.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "scene/Scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const base::Result<scene::SceneFrames> result = scene::parseScene(text);
    if (result.ok() == !result.error().empty() || result.error().find('\n') != std::string::npos) {
        std::fprintf(stderr, "bad scene result: '%s'\n", result.error().c_str());
        std::abort();
    }
    if (result) {
        scene::FrameState state;
        for (const scene::SceneFrame& frame : result->frames) {
            scene::applyFrame(state, frame);
        }
    }
    return 0;
}
