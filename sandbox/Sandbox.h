#pragma once
// sandbox/: the flying simulation behind `trimsight-host fly`, as a library
// with no window, no OpenGL and no SDL in it, so it runs the same in the
// window, in tests, in exports, in drills and (later) in a browser.
//
// What it owns
//   Vec3.h, Attitude.h  vectors, the car's attitude as a float rotation
//                       matrix, the car's axes, and the rotator conversion
//                       (65536 units a turn) used when handing state to the
//                       host. Attitude.h explains the game's left-handed
//                       axes and the signs of pitch, yaw and roll.
//   Physics.h           the legacy model at a fixed 120 Hz tick: car (air
//                       control, boost, air throttle, jump, resting on the
//                       floor, touchdown), ball (gravity, drag, bounces),
//                       arena, the controls. Flight logs of versions 1 to 3
//                       replay it.
//   Mechanics.h         the full model (flights, drills and the window fly
//                       it; logs of version 4): its tick in order and which file
//                       owns each part of it (read its top first), the car's
//                       and ball's state with every flag and timer; the car
//                       in the air (double jumps, dodges, auto-flip, boost,
//                       supersonic, caps). Chosen by calling mechanics::step.
//   Flight.h            a flight's world in the model it flies (the legacy
//                       model for old logs, the full one for new flights)
//                       behind one step call, and the full model's state
//                       seen as the legacy model's for drills, the
//                       autopilot, the host view and the window.
//   Wheels.h            the full model's four wheels: rays, suspension,
//                       tires, the wheel controls for the next tick.
//   Arena.h             the full model's arena: the box with its two goals,
//                       the goal a ball is in, rays and sphere contacts.
//   Contacts.h          the full model's contacts: ball and world, car and
//                       ball (with the game's extra push), the car's box and
//                       the world, solved together; Manifold.h holds the
//                       contact points the car keeps from tick to tick.
//   Bindings.h          pad state and held keys to the car's controls:
//                       dead zone, inverted pitch, air roll.
//   HostView.h          the world as the host shows it to a plugin:
//                       locations, rotator, the ControllerInput record.
//   Clock.h             real time (ns) to ticks: at most 8 a frame, pause,
//                       single tick, slow motion.
//   FlightLog.h         a flight as text (start state, controls per tick,
//                       console-variable changes, resets), its reader with
//                       file:line errors, and the replay (the program reads
//                       the file).
//   SceneExport.h       a flight log as the host program's scene JSON.
//   Starts.h            the default start and seeded random starts.
//   Drills.h            the training drills: a table of them by name, each
//                       a seeded start, a per-tick update, an end and a
//                       score with named parts, the dial cue it trains.
//   Prediction.h        the path ahead: the ball's next 3 s and the car's
//                       next 2 s with its controls held, by the model's own
//                       tick on copies, and where the two come nearest.
//   Advice.h            one line of advice after a miss, from a drill's
//                       score parts by a table of rules per drill.
//   Courses.h           ring courses: rings to pass in order, a start and
//                       a time limit; passing a ring, the splits, a course
//                       flown as a drill; the course file and its code;
//                       the built-in courses.
//   Shots.h             shots at a goal and packs of them: the shot as a
//                       drill, variance from a seed, the pack file; the
//                       three built-in packs (BuiltInPacks.cpp).
//   Sessions.h          playlists of drills, shots and courses with counts,
//                       their file, the tally and streak, three built in.
//   Levels.h            each drill's bronze, silver and gold values, gold
//                       from what the autopilot reaches.
//   Autopilot.h         an attitude controller that flies each drill's goal
//                       on a person's controls (tests, `fly --autopilot`).
//   History.h           the record of attempts as lines of text: format,
//                       reader with warnings, summary per drill (the host
//                       program does the file's I/O).
//   AttemptPlot.h       a drill attempt's plot: its series, its scale, and
//                       the plot replayed from the attempt's flight log.
//   AttemptBook.h       the attempts known (a run's and an archive's): the
//                       best flight of a drill and seed, for the ghost; the
//                       archive interface a store plugs into (the desktop's
//                       history file, the browser's local storage).
//   NumberText.h        floats as text that reads back to the same bits;
//                       text as a JSON string.
//   TextFormat.h        the reading and writing all text files share (flight
//                       logs, packs, sessions, courses): the versioned first
//                       line, fields, bounds, file:line errors.
//   ShareCode.h         a whole text file as a short code (compressed,
//                       base64url, checksummed) and back.
// Failures are base::Result (base/Result.h), the tree's one error type.
// Nothing throws out of the library.
//
// A frame in the window, step by step
//   ticks = clock.advance(elapsedNs);
//   repeat ticks times:
//       controls = mapControls(bindings, pad, keysHeld);
//       report = simulation.step(controls);   // touchdown, jumps, goals
//       log.recordTick(controls);
//   view = hostView(simulation.world(), controls);   // into the host's game state
// A drill adds, after each tick: drill->update(simulation.world(), controls, report);
// its start comes from the drill and its end is drill->finished() (see the
// top of Drills.h).
//
// What it must not touch
//   No window, GL, SDL, threads, files other than the flight log it is asked
//   to read, or global state; no heap allocation in a tick (a drill's update
//   and the autopilot included). The history's file is the host's to read
//   and append to. It may use host/Types.h for the values it hands to the
//   host, render/TargetOption.h for the dial's option a drill cues, base/
//   for the error type, and nothing else of the host layer, the plugin or
//   the program's libraries; portable/ fills in what a standard library
//   lacks.
#include "base/Result.h"
#include "sandbox/Advice.h"
#include "sandbox/Arena.h"
#include "sandbox/AttemptBook.h"
#include "sandbox/AttemptPlot.h"
#include "sandbox/Attitude.h"
#include "sandbox/Autopilot.h"
#include "sandbox/Bindings.h"
#include "sandbox/Clock.h"
#include "sandbox/Contacts.h"
#include "sandbox/Courses.h"
#include "sandbox/Drills.h"
#include "sandbox/Flight.h"
#include "sandbox/FlightLog.h"
#include "sandbox/History.h"
#include "sandbox/HostView.h"
#include "sandbox/Levels.h"
#include "sandbox/Manifold.h"
#include "sandbox/Mechanics.h"
#include "sandbox/NumberText.h"
#include "sandbox/Physics.h"
#include "sandbox/Prediction.h"
#include "sandbox/SceneExport.h"
#include "sandbox/Sessions.h"
#include "sandbox/ShareCode.h"
#include "sandbox/Shots.h"
#include "sandbox/Starts.h"
#include "sandbox/TextFormat.h"
#include "sandbox/Vec3.h"
#include "sandbox/Wheels.h"
