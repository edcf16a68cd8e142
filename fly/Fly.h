#pragma once
// hostapp/fly/: the live sandbox window behind `trimsight-host fly`.
//
// For: flying the simulated car (sandbox/) with a pad or the keyboard and
// watching the plugin's dial answer, live, over a simple 3D world.
//
// The layers, from the machine up. Only the platforms know SDL or the
// browser; only the renderer and the app know OpenGL; the session knows
// neither, so the browser build (web/, docs/web.md) adds one platform file
// and reuses the rest.
//   Platform.h        the platform interface: window and GL context, the
//                     frame's input (pad state, keys, commands), ImGui's
//                     platform side, swap, clock. SdlPlatform.cpp on the
//                     desktop; WebPlatform.cpp in a browser (emscripten's
//                     HTML5 API: WebGL 2, keyboard, mouse, Gamepad API),
//                     with BrowserInput.h, the browser's key codes and
//                     standard pad in the sandbox's terms.
//   Gl.h              the one place the OpenGL flavour is chosen (3.3 core
//                     here, ES 3.0 / WebGL 2 in a browser) and its shader
//                     version line.
//   WorldRenderer.h   sky, floor and grid, arena outline, car, ball,
//                     shadows and drop lines, ghost cars (GhostCar.h);
//                     reading the frame back.
//   Camera.h          the chase and ball cameras and the matrices, with the
//                     mirror the game's left-handed axes need. Plain maths.
//   Controls.h        the window's commands and their keys and buttons; key
//                     look-up over the car's bindings and the commands; the
//                     help overlay's rows.
//   ControlScript.h    timed control inputs (`--script`) and their reader.
//   FlySession.h      the session core: clock, world, bindings, the flight
//                     log being recorded, script, commands, drill attempts,
//                     and the host layer's game state for the plugin. No
//                     SDL, no GL; no allocation per frame.
//   DrillAttempt.h    one attempt at a drill: countdown, the drill, the
//                     autopilot, the plot's samples, the ghosts; the dial's
//                     cue set for it and set back (DialCue). Session core.
//   AttemptBook.h     the attempts known (this run's and an archive's): the
//                     best flight of a drill and seed for the ghost to race;
//                     the archive interface the history file plugs into.
//   Hud.h             the HUD and the help overlay (ImGui).
//   DrillPanel.h      the drill menu, countdown, live score and plot, and
//                     the result panel (ImGui).
//   FlyApp.h          one frame of the window: input, session, world, the
//                     dial through canvas::DrawListCanvas, HUD, help, the
//                     settings window (canvas::drawSettingsWindow), swap.
//
// A desktop run (hostapp/FlyCommand.cpp):
//   platform = openSdlPlatform(window);  session = FlySession(cvars, game, ...)
//   app = FlyApp::create(*platform, session, ...)
//   while (app->frame()) pace();          // a browser calls frame() per
//   app->finish();                        // animation frame instead
//                                         // (web/FlyPage.cpp)
// A drill: SessionOptions::drill starts its first attempt (or the menu
// does); AppOptions::onAttemptFinished hears of each finished attempt
// (hostapp/DrillReport.h prints its JSON line and keeps it in the book).
//
// Must not touch: the plugin's code (it reaches the plugin through the host
// layer only), files (the command writes the outputs through OutputFile),
// the process (no exit, nothing thrown out of it).
#include "fly/Camera.h"
#include "fly/ControlScript.h"
#include "fly/DrillAttempt.h"
#include "fly/FlySession.h"
#include "fly/GhostCar.h"
#include "fly/platform/Controls.h"
#include "fly/platform/Platform.h"
#include "sandbox/AttemptBook.h"
