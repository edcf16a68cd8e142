#pragma once
// The program's exit codes, chosen here and nowhere below: the libraries
// return base::Result and the commands pick the code. docs/host-program.md
// has the table. The browser's trace module (web/PageHost.cpp) answers with
// the same codes, so a script can treat both alike.
namespace app {

// Exit codes.
enum ExitCode : int {
    kExitOk = 0,
    kExitInternal = 1,     // unexpected failure (out of memory, write error on stdout)
    kExitVideo = 1,        // render --video: an unknown kind of video, or one that cannot be
                           // made or written (the partial file removed)
    kExitUsage = 2,        // bad command line
    kExitPlugin = 3,       // plugin library missing, not loadable, wrong record or API version
    kExitScene = 4,        // input (scene, flight log, history) unreadable, malformed or invalid
    kExitVariable = 5,     // set/get: no such variable, or a value that is not a number
    kExitConfigWrite = 6,  // set: the config file cannot be written
    kExitPicture = 7,      // render: no EGL/OpenGL driver, or a picture cannot be drawn or written
    kExitOutput = 8,       // export: the scene file cannot be written
};

}  // namespace app
