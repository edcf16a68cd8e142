#include "scene/FlightScene.h"

#include <cstddef>
#include <string>
#include <utility>

namespace scene {

SceneFrames sceneFromFlightLog(const sandbox::FlightLog& log,
                               const sandbox::SceneExportOptions& options) {
    SceneFrames scene;
    const auto every =
        static_cast<std::size_t>(options.ticksPerFrame < 1 ? 1 : options.ticksPerFrame);
    scene.frames.reserve(log.ticks.size() / every + 1);
    sandbox::forEachExportFrame(log, options.ticksPerFrame, [&](const sandbox::ExportFrame& f) {
        SceneFrame frame;
        if (f.time == 0) {  // the first frame sets what the others inherit, as the text does
            frame.canvas = options.canvas;
            frame.paused = false;
            frame.freeplay = true;
            frame.customTraining = false;
            frame.replay = false;
        }
        const std::string place = "frame " + std::to_string(scene.frames.size()) + " (tick " +
                                  std::to_string(f.time) + ")";
        for (const auto& [name, value] : f.cvars) frame.cvars.push_back({name, value, place});
        frame.car.location = f.view.carLocation;
        frame.car.velocity = f.view.carVelocity;
        frame.car.rotation = f.view.carRotation;
        frame.car.steer = f.view.input.Steer;
        frame.car.pitch = f.view.input.Pitch;
        frame.ball = SceneFrame::BallPresence::Present;
        frame.ballState.location = f.view.ballLocation;
        frame.ballState.velocity = f.view.ballVelocity;
        scene.frames.push_back(std::move(frame));
    });
    return scene;
}

}  // namespace scene
