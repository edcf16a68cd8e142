// The per-frame drawable: gate, compute the frame phase by phase, then draw
// the dial or the peripheral band. Host calls happen in a fixed order.
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
int32_t readTargetOption(const void* plugin) {
    return static_cast<const Trimsight*>(plugin)->getTarget();
}
}  // namespace

void Trimsight::renderOverlay(CanvasWrapper canvas) {
    if (!isEnabled()) return;
    if (replayActive.load(std::memory_order_relaxed)) return;
    GameWrapper& game = *gameFacade;
    if (game.IsPaused()) return;
    if (!game.IsInFreeplay() && !game.IsInCustomTraining()) return;

    const int32_t width = canvas.GetSize().X;
    const int32_t height = canvas.GetSize().Y;
    if (!render::canvasUsable(width, height)) return;

    render::Frame f;
    const float size = getSize();
    const float xPosition = getXPosition();
    const float yPosition = getYPosition();
    const float sizeAgain = getSize();
    f.layout = render::layoutDial(width, height, size, xPosition, yPosition, sizeAgain);

    // Handles go out of scope as car, ball, server on every return.
    const ServerWrapper server = game.GetGameEventAsServer();
    const BallWrapper ball = server.GetBall();
    const CarWrapper car = game.GetLocalCar();
    f.scene.carLocation = car.GetLocation();
    f.scene.carRotation = car.GetRotation();
    f.scene.carInput = car.GetInput();
    if (ball.IsNull()) return;
    f.scene.ballLocation = ball.GetLocation();
    f.scene.carVelocity = car.GetVelocity();
    f.scene.ballVelocity = ball.GetVelocity();
    render::formRelative(f.scene);

    f.attitude = render::solveAttitude(f.scene.carRotation, f.layout.dialRadius);
    f.target = render::placeTargets(f.layout, f.attitude, f.scene,
                                    render::TargetReader{&readTargetOption, this});
    f.marker = render::buildMarker(f.layout, f.attitude, f.target, f.scene.carInput);
    f.outline =
        render::buildOutline(f.layout.dialRadius, f.layout.centreX, f.layout.centreY,
                             f.attitude.sinPitch, f.scene.carRotation.Pitch, f.target.rollAngle);

    if (!isPeripheralMode()) render::drawDial(f, canvas);
    if (isPeripheralMode()) {
        render::drawPeripheral(f, canvas, render::targetOptionFromInt(getTarget()));
    }
}
