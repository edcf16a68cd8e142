#pragma once
// The game as a plugin sees it: state flags, the game event, actors, event
// hooks and per-frame drawables. Every wrapper is a cheap value handle on a
// host-side object; copying or dropping one never touches the game.
#include <functional>
#include <string>

#include "host/CanvasWrapper.h"
#include "host/Types.h"

namespace pluginsdk {
struct ActorState;
class GameHost;
}  // namespace pluginsdk

class ActorWrapper {
  public:
    explicit ActorWrapper(const pluginsdk::ActorState* state = nullptr) : state_(state) {}

    bool IsNull() const { return state_ == nullptr; }
    // On a null handle these give zeros.
    Vector GetLocation() const;
    Vector GetVelocity() const;
    Rotator GetRotation() const;

  protected:
    const pluginsdk::ActorState* state_;
};

class BallWrapper : public ActorWrapper {
  public:
    using ActorWrapper::ActorWrapper;
};

class CarWrapper : public ActorWrapper {
  public:
    using ActorWrapper::ActorWrapper;
    ControllerInput GetInput() const;
};

class ServerWrapper {
  public:
    explicit ServerWrapper(const pluginsdk::GameHost* host = nullptr) : host_(host) {}
    // A null ball when the game event has none.
    BallWrapper GetBall() const;

  private:
    const pluginsdk::GameHost* host_;
};

class GameWrapper {
  public:
    // `owner` tags what this handle registers, so that the host can drop it
    // all when the plugin is released.
    GameWrapper(pluginsdk::GameHost& host, const void* owner) : host_(&host), owner_(owner) {}

    void HookEvent(std::string eventName, std::function<void(std::string)> callback);
    void RegisterDrawable(std::function<void(CanvasWrapper)> callback);

    bool IsPaused() const;
    bool IsInFreeplay() const;
    bool IsInCustomTraining() const;
    ServerWrapper GetGameEventAsServer() const;
    CarWrapper GetLocalCar() const;

  private:
    pluginsdk::GameHost* host_;
    const void* owner_;
};
