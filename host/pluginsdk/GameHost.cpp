#include "host/pluginsdk/GameHost.h"

#include <algorithm>
#include <mutex>

namespace pluginsdk {

void GameHost::hookEvent(Owner owner, std::string eventName,
                         std::function<void(std::string)> callback) {
    std::unique_lock lock(mutex_);
    hooks_.push_back({owner, std::move(eventName), std::move(callback)});
}

void GameHost::registerDrawable(Owner owner, std::function<void(CanvasWrapper)> callback) {
    std::unique_lock lock(mutex_);
    drawables_.push_back({owner, std::move(callback)});
}

void GameHost::fireEvent(std::string_view eventName) {
    std::shared_lock lock(mutex_);
    for (const Hook& hook : hooks_)
        if (hook.eventName == eventName) hook.callback(hook.eventName);
}

void GameHost::drawFrame(CanvasBackend& canvas) {
    std::shared_lock lock(mutex_);
    for (const Drawable& drawable : drawables_) drawable.callback(CanvasWrapper(&canvas));
}

void GameHost::release(Owner owner) {
    std::unique_lock lock(mutex_);
    std::erase_if(hooks_, [owner](const Hook& h) { return h.owner == owner; });
    std::erase_if(drawables_, [owner](const Drawable& d) { return d.owner == owner; });
}

std::size_t GameHost::hookCount() const {
    std::shared_lock lock(mutex_);
    return hooks_.size();
}

std::size_t GameHost::drawableCount() const {
    std::shared_lock lock(mutex_);
    return drawables_.size();
}

}  // namespace pluginsdk

// Plugin-facing game handles.

Vector ActorWrapper::GetLocation() const { return state_ ? state_->location : Vector{}; }
Vector ActorWrapper::GetVelocity() const { return state_ ? state_->velocity : Vector{}; }
Rotator ActorWrapper::GetRotation() const { return state_ ? state_->rotation : Rotator{}; }
ControllerInput CarWrapper::GetInput() const { return state_ ? state_->input : ControllerInput{}; }

BallWrapper ServerWrapper::GetBall() const {
    if (!host_ || !host_->state.hasBall) return BallWrapper(nullptr);
    return BallWrapper(&host_->state.ball);
}

void GameWrapper::HookEvent(std::string eventName, std::function<void(std::string)> callback) {
    host_->hookEvent(owner_, std::move(eventName), std::move(callback));
}

void GameWrapper::RegisterDrawable(std::function<void(CanvasWrapper)> callback) {
    host_->registerDrawable(owner_, std::move(callback));
}

bool GameWrapper::IsPaused() const { return host_->state.paused; }
bool GameWrapper::IsInFreeplay() const { return host_->state.freeplay; }
bool GameWrapper::IsInCustomTraining() const { return host_->state.customTraining; }
ServerWrapper GameWrapper::GetGameEventAsServer() const { return ServerWrapper(host_); }
CarWrapper GameWrapper::GetLocalCar() const { return CarWrapper(&host_->state.car); }
