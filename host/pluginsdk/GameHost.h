#pragma once
// The host side of the game: the state a frame is drawn from, the event
// hooks and the drawables plugins register, and the calls a host makes.
#include <cstddef>
#include <functional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "host/CanvasWrapper.h"
#include "host/GameWrapper.h"
#include "host/Types.h"

namespace pluginsdk {

struct ActorState {
    Vector location;
    Vector velocity;
    Rotator rotation;
    ControllerInput input;
};

struct GameState {
    bool paused = false;
    bool freeplay = true;
    bool customTraining = false;
    bool hasBall = true;  // false: the game event has no ball
    ActorState ball{{0.0f, 0.0f, 93.0f}, {}, {}, {}};
    ActorState car;
};

class GameHost {
  public:
    // Read by plugins through GameWrapper while a hook or drawable runs; set
    // it between frames, from the thread that fires and draws.
    GameState state;

    using Owner = const void*;
    void hookEvent(Owner owner, std::string eventName, std::function<void(std::string)> callback);
    void registerDrawable(Owner owner, std::function<void(CanvasWrapper)> callback);

    // Runs every callback hooked to this event name, in registration order.
    void fireEvent(std::string_view eventName);
    // Runs every drawable once, each with a fresh CanvasWrapper.
    void drawFrame(CanvasBackend& canvas);
    // Forgets everything `owner` registered. Once it returns, none of those
    // callbacks runs again, so the owner may be destroyed.
    void release(Owner owner);

    std::size_t hookCount() const;
    std::size_t drawableCount() const;

  private:
    struct Hook {
        Owner owner;
        std::string eventName;
        std::function<void(std::string)> callback;
    };
    struct Drawable {
        Owner owner;
        std::function<void(CanvasWrapper)> callback;
    };
    // Callbacks run under a shared lock; registering and releasing take it
    // exclusively, so a release waits for calls in flight. A callback must not
    // register or release.
    mutable std::shared_mutex mutex_;
    std::vector<Hook> hooks_;
    std::vector<Drawable> drawables_;
};

}  // namespace pluginsdk
