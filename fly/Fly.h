#pragma once
// fly/: the live sandbox window behind `trimsight-host fly` and the
// browser's flying page.
//
// For: flying the simulated car (sandbox/) with a pad or the keyboard and
// watching the plugin's dial answer, live, over a simple 3D world.
//
// Three libraries, from the machine up; arrows point down only
// (scripts/check-includes.sh). Only the platforms know SDL or the browser;
// only the window knows OpenGL; the session knows neither, so the browser
// build (web/, docs/web.md) adds one platform file and reuses the rest.
//
// fly/platform/ (trimsight_platform, _sdl, _web): includes nothing above it.
//   Platform.h        the platform interface: window and GL context, the
//                     frame's input (FrameInput: pad state, keys, commands),
//                     ImGui's platform side, swap, clock. SdlPlatform.cpp on
//                     the desktop; WebPlatform.cpp in a browser (emscripten's
//                     HTML5 API: WebGL 2, keyboard, mouse, Gamepad API),
//                     with BrowserInput.h, the browser's key codes and
//                     standard pad in the sandbox's terms.
//   Controls.h        the window's commands and their keys and buttons; key
//                     look-up over the car's bindings and the commands; the
//                     help overlay's rows.
//   Gl.h              the one place the OpenGL flavour is chosen (3.3 core
//                     here, ES 3.0 / WebGL 2 in a browser) and its shader
//                     version line.
// fly/ (trimsight_fly): the session core, no GL, no allocation per frame.
//   FlySession.h      clock, world, bindings, the flight log being recorded,
//                     script, commands, drill attempts, and the host layer's
//                     game state for the plugin.
//   DrillAttempt.h    one attempt at a drill: countdown, the drill, the
//                     autopilot, the plot's samples (sandbox/AttemptPlot.h),
//                     the ghosts; the dial's cue set for it and set back
//                     (DialCue, with render::TargetOption).
//   DrillReport.h     a finished attempt's JSON line, and the attempt handed
//                     to the book of attempts (sandbox/AttemptBook.h)
//   ControlScript.h   timed control inputs (`--script`) and their reader
//                     (of the text: the program reads the file).
//   Camera.h          the chase and ball cameras and the matrices, with the
//                     mirror the game's left-handed axes need. Plain maths.
//   GhostCar.h        where a ghost car is drawn.
//   LandingHold.h     a landing held still a moment (display only: nothing
//                     stepped or logged), and the auto-reset choice after it.
// fly/window/ (trimsight_window): one frame of the window.
//   FlyApp.h          input, session, world, the dial through
//                     canvas::DrawListCanvas, HUD, help, the settings window
//                     (canvas::drawSettingsWindow), swap.
//   WorldRenderer.h   sky, floor and grid, arena outline, car, ball,
//                     shadows and drop lines, ghost cars; reading the frame
//                     back.
//   Hud.h             the HUD and the help overlay (ImGui).
//   DrillPanel.h      the drill menu, countdown, live score and plot, and
//                     the result panel (ImGui).
//   ProgressView.h    attempts, passes and best per drill, and a plot of the
//                     ranking part per seed or over all seeds (ImGui).
//
// A desktop run (app/FlyCommand.cpp):
//   platform = openSdlPlatform(window);  session = FlySession(cvars, game, ...)
//   app = FlyApp::create(*platform, session, ...)
//   while (app->frame()) pace();          // a browser calls frame() per
//   app->finish();                        // animation frame instead
//                                         // (web/FlyPage.cpp)
// A drill: SessionOptions::drill starts its first attempt (or the menu
// does); AppOptions::onAttemptFinished hears of each finished attempt
// (fly/DrillReport.h prints its JSON line and keeps it in the book).
// Warnings (a history line skipped, a best flight that cannot be read) go
// to the base::Warnings the program hands in; failures come back as
// base::Result or base::Status.
//
// This header includes the session core and the platform interface; the
// window's headers are included where the window is made.
//
// Must not touch: the plugin's code (it reaches the plugin through the host
// layer only), files (the command writes the outputs through
// desktop/OutputFile), the process (no exit, nothing thrown out of it).
#include "fly/Camera.h"
#include "fly/ControlScript.h"
#include "fly/DrillAttempt.h"
#include "fly/FlySession.h"
#include "fly/GhostCar.h"
#include "fly/LandingHold.h"
#include "fly/platform/Controls.h"
#include "fly/platform/Platform.h"
#include "sandbox/AttemptBook.h"
