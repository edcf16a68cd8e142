#include "scene/ScenePlayer.h"

#include <map>
#include <set>

#include "base/Excerpt.h"
#include "host/GameEvents.h"
#include "sandbox/NumberText.h"
#include "scene/JsonReader.h"

namespace scene {

base::Status playScene(const SceneFrames& scene, pluginsdk::CVarStore& cvars,
                       pluginsdk::GameHost& game, FrameSink& sink) {
    // What the plugin registered, so that a removed variable can come back
    // as it was registered when a later frame gives it a value again.
    std::map<std::string, pluginsdk::CVarDefinition, std::less<>> registered;
    for (const auto& snap : cvars.list()) registered.emplace(snap.definition.name, snap.definition);
    for (const SceneFrame& frame : scene.frames)
        for (const auto& change : frame.cvars)
            if (!registered.count(change.name))
                return base::Failure{"at " + change.place +
                                     ": the plugin registered no console variable " +
                                     sandbox::jsonString(base::excerpt(change.name))};

    FrameState state;
    bool replayBefore = false;
    for (std::size_t i = 0; i < scene.frames.size(); ++i) {
        const SceneFrame& frame = scene.frames[i];
        for (const auto& change : frame.cvars) {
            if (!change.value) {
                cvars.remove(change.name);
                continue;
            }
            if (!cvars.find(change.name)) cvars.registerCvar(registered.at(change.name));
            cvars.setRaw(change.name, *change.value);
        }

        applyFrame(state, frame);
        pluginsdk::GameState& g = game.state;
        g.paused = state.paused;
        g.freeplay = state.freeplay;
        g.customTraining = state.customTraining;
        g.hasBall = state.hasBall;
        g.car.location = state.carLocation;
        g.car.velocity = state.carVelocity;
        g.car.rotation = state.carRotation;
        g.car.input = ControllerInput{};
        g.car.input.Steer = state.steer;
        g.car.input.Pitch = state.pitch;
        g.ball.location = state.ballLocation;
        g.ball.velocity = state.ballVelocity;

        if (state.replay && !replayBefore) game.fireEvent(gameevents::kReplayBegin);
        if (!state.replay && replayBefore) game.fireEvent(gameevents::kReplayEnd);
        replayBefore = state.replay;

        pluginsdk::CanvasBackend& canvas = sink.beginFrame(i, state);
        game.drawFrame(canvas);
        sink.endFrame(i);
    }
    return {};
}

pluginsdk::CanvasBackend& TraceSink::beginFrame(std::size_t, const FrameState& state) {
    canvas_.clear();
    canvas_.setSize(state.canvas);
    return canvas_;
}

void TraceSink::endFrame(std::size_t index) {
    std::fprintf(out_, "frame %zu\n", index);
    for (const pluginsdk::CanvasCall& call : canvas_.calls()) {
        const std::string line = pluginsdk::formatCall(call);
        std::fputs(line.c_str(), out_);
        std::fputc('\n', out_);
    }
}

}  // namespace scene
