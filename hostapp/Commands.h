#pragma once
// The command line of trimsight-host: runHost parses the arguments, runs one
// subcommand and returns the exit code. What the subcommands share, and how
// one is added, is in CommandKit.h.
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
