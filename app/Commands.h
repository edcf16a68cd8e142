#pragma once
// app/: trimsight-host, the host program: the top layer, which alone
// prints failures and chooses exit codes.
//
// For: loading the plugin library the way the mod host does, playing scenes
// and flight logs to it (`trace` prints the canvas calls, `render` draws them
// as pictures), keeping its settings (`set`, `get`), flying the sandbox
// window (`fly`), turning flight logs into scenes (`export`), listing the
// record of drill attempts (`history`) and turning packs of shots and ring
// courses into share codes and back (`pack`, `course`), from the command
// line.
//
// Owns, one concern per file:
//   main.cpp         main: runHost's code is the process's exit code
//   Commands         runHost, below: the command line, one subcommand run
//   ExitCodes.h      the exit codes (docs/host-program.md has the table)
//   CommandKit       what the subcommands share, and how to add one
//   InfoCommand      info                GetCommand      get
//   SetCommand       set (the save itself is desktop/ConfigFile's)
//   TraceCommand     trace               ExportCommand   export
//   RenderCommand    render: its options and the choice of job, what the
//                    jobs share (RenderJobs.h); each job a file of its own:
//                    RenderPictures (PNG pictures), RenderVideo (--video),
//                    RenderPlot (--plot), SaveDemoScene (--save-demo-scene);
//                    RenderWorld, a flight log's world, HUD and drill panels
//                    beneath and around the canvas (fly/window's drawing)
//   FlyCommand       fly: the sandbox window (fly/), its outputs, a drill's
//                    JSON line (fly/DrillReport.h), the history (desktop/)
//   HistoryCommand   history
//   ShareCommand     pack, course and session code and file: a file
//                    players share as a share code and back
//   HostSession      one run of the host: console, game, loaded plugin
//   FlightOptions    a flight log taken as a command's input: --fps,
//                    --canvas, and what trace and render play from a path
//
// Builds on every library below it (README.md's layout table): fly/window/,
// fly/, fly/platform/ (SDL), picture/, canvas/, desktop/, scene/, sandbox/,
// base/, the host layer.
//
// Must not touch: the plugin's code (Trimsight.*, render/, settings/), which
// it reaches only through the library it loads and host/pluginsdk; any file
// but the config, the history, the attempts' flight logs, the player's pack
// of saved moments (desktop/PlayerShots.h) and the outputs it is asked for; the process itself (no
// exit, no exceptions out of runHost: main returns its code).
#include <cstdio>

#include "app/ExitCodes.h"

namespace app {

// Runs the program with these arguments: parses them, runs one subcommand,
// writes results to `out` and messages to `err`, returns the exit code.
int runHost(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace app
