#pragma once
// The command line of trimsight-host: parsing and dispatch of the
// subcommands info, trace, set and get.
#include <cstdio>

namespace hostapp {

// Exit codes.
enum ExitCode : int {
    kExitOk = 0,
    kExitInternal = 1,     // unexpected failure (out of memory, write error on stdout)
    kExitUsage = 2,        // bad command line
    kExitPlugin = 3,       // plugin library missing, not loadable, wrong record or API version
    kExitScene = 4,        // scene file unreadable, malformed or invalid
    kExitVariable = 5,     // set/get: no such variable, or a value that is not a number
    kExitConfigWrite = 6,  // set: the config file cannot be written
    kExitPicture = 7,      // render: no EGL/OpenGL driver, or a picture cannot be drawn or written
};

// Runs the program with these arguments; writes results to `out` and
// messages to `err`. Never exits the process itself.
int runHost(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace hostapp

#include <string>

#include "hostapp/Config.h"
#include "hostapp/HostSession.h"

namespace hostapp {

// A started host: the plugin loaded and the saved settings applied.
struct HostRun {
    HostSession session;
    std::string configPath;  // empty when there is nowhere to keep settings
    ConfigLoad config;
};

// Loads the plugin (`pluginPath`, or the default library when empty), reads
// the config file (`configPath`, or the default when empty) and applies it
// after onLoad. Warnings and errors go to `err`. Returns kExitOk or the exit
// code to stop with. Subcommands that play scenes (trace, and picture
// rendering) start from here and then call playScene.
int startHost(const std::string& pluginPath, const std::string& configPath, HostRun& run,
              std::FILE* err);

// "trimsight-host: MESSAGE" on one line.
void printError(std::FILE* err, const std::string& message);

}  // namespace hostapp
