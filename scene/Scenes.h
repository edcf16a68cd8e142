#pragma once
// scene/: what a host plays and applies to a plugin, from text.
//
// For: the game state the host program (and the browser's trace page) hands
// a plugin frame by frame, and the settings it applies before the first.
//
// Owns, one concern per file:
//   Scene.h          scene files: the frames (SceneFrames), their JSON reader
//                    with places in its messages, and a frame's inheritance
//   ScenePlayer.h    playing frames to a plugin through the host layer, and
//                    the trace of its canvas calls (`trace`)
//   FlightScene.h    a flight log (sandbox/) played as the scene it exports
//                    to, built in memory without the text
//   DemoScene.h      the built-in demo (`render` with no scene)
//   SavedSettings.h  the saved settings as text (the config file's JSON),
//                    the console's number rule, applying and collecting them
//   JsonReader.h     JSON read with places in messages, nesting and lengths
//                    bounded
//
// Builds on: the host layer (console, game, recording canvas), sandbox/
// (flight logs), base/ (the error type); JSON through nlohmann.
//
// Must not touch: files (desktop/ reads them and hands over their text), the
// window, pictures, the program (no exit codes; failures are base::Result).
#include "scene/DemoScene.h"
#include "scene/FlightScene.h"
#include "scene/JsonReader.h"
#include "scene/SavedSettings.h"
#include "scene/Scene.h"
#include "scene/ScenePlayer.h"
