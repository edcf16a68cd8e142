// One frame through renderOverlay with the recording canvas, from any bytes:
// the game state, the canvas size, the console variables (present, missing
// or any text), the replay events; then a few settings passes with the mouse
// wherever the bytes put it. Sanitizers report what goes wrong; the frame's
// calls are checked as the stress test checks them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Trimsight.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "testkit/DecodedFrame.h"
#include "testkit/FrameChecks.h"
#include "testkit/SettingsPass.h"

extern "C" BakkesMod::Plugin::PluginPointer* getPlugin();
extern "C" void deleteMe();

namespace {
testkit::SettingsHost& settingsHost() {
    static testkit::SettingsHost host;
    return host;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    testkit::ByteSource in(data, size);
    const testkit::DecodedFrame frame = testkit::decodeFrame(in);

    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    const void* owner = &store;
    {
        BakkesMod::Plugin::PluginPointer plugin = *getPlugin();
        pluginsdk::attachPlugin(*plugin, store, game, owner);
        const auto definitions = store.list();

        testkit::applyFrame(frame, store, game, definitions);
        pluginsdk::RecordingCanvas canvas(frame.canvas);
        game.drawFrame(canvas);
        const std::string problem = testkit::checkFrame(frame, canvas.calls());
        if (!problem.empty()) {
            std::fprintf(stderr, "bad frame: %s\n", problem.c_str());
            std::abort();
        }

        auto* page = dynamic_cast<Trimsight*>(plugin.get());
        page->attachImGuiContext(settingsHost().context());
        const int passes = in.byte() % 4;
        for (int i = 0; i < passes; ++i) {
            const float x = static_cast<float>(in.byte()) * 2.5f;
            const float y = static_cast<float>(in.byte()) * 2.0f;
            settingsHost().pass(*page, x, y, in.flag());
        }
        // And the frame after the settings changed.
        canvas.clear();
        game.drawFrame(canvas);

        game.release(owner);
    }
    deleteMe();
    return 0;
}
