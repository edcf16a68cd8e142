#pragma once
// hostapp/: trimsight-host, the host program.
//
// For: loading the plugin library the way the mod host does, playing scenes
// and flight logs to it (`trace` prints the canvas calls, `render` draws them
// as pictures), keeping its settings (`set`, `get`), turning flight logs into
// scenes (`export`) and listing the record of drill attempts (`history`),
// from the command line.
//
// Owns, one concern per file:
//   Commands         runHost, below: the command line, one subcommand run
//   CommandKit       what the subcommands share, and how to add one
//   ConsoleCommands  info, set, get      TraceCommand  trace
//   RenderCommand    render: scene checked, host started, output prepared,
//                    frames played into pictures, the result reported
//   ExportCommand    export              HistoryCommand  history
//   FlyCommand       fly: the sandbox window (fly/); DrillReport: a drill
//                    attempt's JSON line and the record of attempts
//   HostSession      one run of the host: console, game, loaded plugin
//   Scene, ScenePlayer, DemoScene   scene files, playing them, the demo
//   FlightInput      flight logs as input: told from scenes, played as
//                    their export without the scene text
//   History          the history file of drill attempts and their flight
//                    logs: appending (for the window), reading, the ghost;
//                    HistoryArchive: the window's record of attempts in it
//   Config, JsonText the settings file; JSON read with places in messages
//   UserFolders      where the config and the history live (XDG folders)
//   OutputFile       the one way a file is written (atomic, synced)
//   Result           the one way a failure is reported (Result<T>, Status)
//   picture/         offscreen pictures: EGL, OpenGL, Dear ImGui, PNG
//
// Builds on: sandbox/ for flight logs, their export and the history's lines.
//
// Must not touch: the plugin's code (Trimsight.*, render/, settings/), which
// it reaches only through the library it loads and host/pluginsdk; any file
// but the config, the history, the attempts' flight logs and the outputs it
// is asked for; the process itself (no exit, no exceptions out of runHost:
// main returns its code).
#include <cstdio>

#include "app/ExitCodes.h"

namespace app {

// Runs the program with these arguments: parses them, runs one subcommand,
// writes results to `out` and messages to `err`, returns the exit code.
int runHost(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace app
