// The per-frame drawable, the plugin's side of the overlay: it asks the host
// for every value the frame needs, in the order the host sees the calls, and
// hands the values to the phases in render/, which compute and draw from
// them alone. The order of the calls is part of the plugin's behaviour:
//   gate:    isEnabled, the replay flag, IsPaused, IsInFreeplay and, only when
//            that is false, IsInCustomTraining;
//   layout:  GetSize twice (width, then height), getSize, getXPosition,
//            getYPosition, getSize again (for the dot size);
//   scene:   the server, its ball, the local car; the car's location,
//            rotation and input; whether the ball is null; the ball's
//            location, the car's velocity, the ball's velocity;
//   target:  getTarget once to three times, at the moments placeTargets asks
//            (render/TargetDirection.h);
//   drawing: isPeripheralMode, for the dial; isPeripheralMode again and, when
//            it is on, getTarget for the band.
#include <atomic>
#include <cstdint>

#include "Trimsight.h"
#include "host/GameWrapper.h"
#include "render/Attitude.h"
#include "render/DialDrawing.h"
#include "render/Frame.h"
#include "render/HorizonOutline.h"
#include "render/Layout.h"
#include "render/Peripheral.h"
#include "render/TargetDirection.h"
#include "render/TargetMarker.h"

namespace {

// Draw only while enabled, outside replays, unpaused, and in free play or
// custom training.
bool gateOpen(const Trimsight& plugin, const GameWrapper& game) {
    if (!plugin.isEnabled()) return false;
    if (plugin.replayActive.load(std::memory_order_relaxed)) return false;
    if (game.IsPaused()) return false;
    return game.IsInFreeplay() || game.IsInCustomTraining();
}

// The target option's integer, for render::TargetReader.
int32_t readTargetOption(const void* plugin) {
    return static_cast<const Trimsight*>(plugin)->getTarget();
}

}  // namespace

void Trimsight::renderOverlay(CanvasWrapper canvas) {
    const GameWrapper& game = *gameFacade;
    if (!gateOpen(*this, game)) return;

    const int32_t width = canvas.GetSize().X;
    const int32_t height = canvas.GetSize().Y;
    if (!render::canvasUsable(width, height)) return;

    render::Frame frame;
    const float size = getSize();
    const float xPosition = getXPosition();
    const float yPosition = getYPosition();
    const float sizeAgain = getSize();
    frame.layout = render::layoutDial(width, height, size, xPosition, yPosition, sizeAgain);

    // Handles go out of scope as car, ball, server on every return.
    const ServerWrapper server = game.GetGameEventAsServer();
    const BallWrapper ball = server.GetBall();
    const CarWrapper car = game.GetLocalCar();
    render::Scene& scene = frame.scene;
    scene.carLocation = car.GetLocation();
    scene.carRotation = car.GetRotation();
    scene.carInput = car.GetInput();
    if (ball.IsNull()) return;
    scene.ballLocation = ball.GetLocation();
    scene.carVelocity = car.GetVelocity();
    scene.ballVelocity = ball.GetVelocity();
    render::formRelative(scene);

    const render::TargetReader readTarget{&readTargetOption, this};
    frame.attitude = render::solveAttitude(scene.carRotation, frame.layout.dialRadius);
    frame.target = render::placeTargets(frame.layout, frame.attitude, scene, readTarget);
    frame.marker = render::buildMarker(frame.layout, frame.attitude, frame.target, scene.carInput);
    frame.outline = render::buildOutline(frame.layout.dialRadius, frame.layout.centreX,
                                         frame.layout.centreY, frame.attitude.sinPitch,
                                         scene.carRotation.Pitch, frame.target.rollAngle);

    if (!isPeripheralMode()) render::drawDial(frame, canvas);
    if (isPeripheralMode()) render::drawPeripheral(frame, canvas, readTarget());
}
