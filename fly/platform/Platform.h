#pragma once
// What the window needs of the machine it runs on, and no more: a window
// with an OpenGL context, the input of a frame, ImGui's platform side, the
// buffer swap and a clock. One implementation per platform, each in one
// file: SdlPlatform.cpp on the desktop (the only file that knows SDL),
// WebPlatform.cpp in the browser (the only one that knows emscripten's HTML5
// API). Everything else in hostapp/fly/ works through this interface.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "base/Result.h"
#include "fly/platform/Controls.h"
#include "host/Types.h"
#include "sandbox/Bindings.h"

namespace fly {

// What the platform read this frame.
struct FrameInput {
    sandbox::PadState pad;        // the pad as it is now (all zeros without one)
    sandbox::ActionSet keysHeld;  // car actions whose keys are held
    CommandSet commands;          // window commands whose keys went down
    // The last key that went down this frame, bound or not, by its name
    // (the platform's own text, which lasts): what the controls window binds
    // when it waits for a key. Empty when none did.
    std::string_view keyPressed;
    // Set by the window, not the platform: a menu (a window Dear ImGui
    // navigates) has the focus, so the pad and keys drive it, not the car.
    bool menuFocused = false;
};

struct WindowOptions {
    std::string title = "Trimsight sandbox";
    int width = 1280;         // in the platform's window units; the framebuffer
    int height = 720;         // may have more pixels on a HiDPI screen
    std::string videoDriver;  // SDL's driver name ("offscreen"); empty: the usual choice
    // In a browser: the page's canvas (a CSS selector), whose size the page
    // lays out (width and height are not used there); and whether the
    // session's time runs by fixed steps as in a window nobody sees, so that
    // a scripted flight in a test page flies the same on any machine.
    std::string canvas = "#canvas";
    bool fixedSteps = false;
};

class Platform {
  public:
    virtual ~Platform() = default;

    // ImGui's platform backend on the current ImGui context.
    virtual bool startImGui() = 0;
    virtual void stopImGui() = 0;

    // Takes the events since the last call: keeps `input.pad` and
    // `input.keysHeld` up to date (looking keys up with lookUpKey), sets
    // `input.commands` to the commands whose keys went down, and hands ImGui
    // what it wants. True when the window was asked to close.
    virtual bool pollEvents(const sandbox::Bindings& bindings, FrameInput& input) = 0;
    // ImGui's platform side of a new frame: display size, mouse, time.
    virtual void newImGuiFrame() = 0;
    // The framebuffer's size in pixels (the world is drawn at this size).
    virtual Vector2 framebufferSize() const = 0;
    // Shows the frame. Read pixels back before this: the back buffer is
    // undefined after it.
    virtual void swapBuffers() = 0;
    // A steady clock in nanoseconds.
    virtual int64_t nowNs() const = 0;

    // No window anyone can see (SDL's offscreen driver), or a browser page
    // asked for fixed steps: frames need no pacing and the session's time
    // runs by fixed steps.
    virtual bool headless() const = 0;
    // "SDL offscreen, llvmpipe (LLVM 15.0.6, 256 bits)" or "WebGL 2 on
    // #canvas, ...", for the HUD and the benchmark.
    virtual const std::string& description() const = 0;
    // The pad in use, empty when there is none.
    virtual std::string padName() const = 0;
};

// A platform of type P, opened: `P::open(options)` gives a Status.
template <typename P>
base::Result<std::unique_ptr<Platform>> openPlatform(const WindowOptions& options) {
    auto platform = std::make_unique<P>();
    if (base::Status opened = platform->open(options); !opened)
        return base::Failure{opened.error()};
    return std::unique_ptr<Platform>(std::move(platform));
}

// Opens the window and its OpenGL context (made current). A failure carries
// SDL's reason, e.g. "x11 not available (DISPLAY is not set)".
base::Result<std::unique_ptr<Platform>> openSdlPlatform(const WindowOptions& options);

#ifdef __EMSCRIPTEN__
// Takes a WebGL 2 context on the page's canvas (made current) and listens to
// the keyboard, the mouse over the canvas and the pads. A failure names the
// canvas and the browser's reason.
base::Result<std::unique_ptr<Platform>> openWebPlatform(const WindowOptions& options);
#endif

}  // namespace fly
