#pragma once
// The program's exit codes, chosen here and nowhere below: the libraries
// return base::Result and the commands pick the code. docs/host-program.md
// has the table. The browser's trace module (web/PageHost.cpp) answers with
// the same codes, so a script can treat both alike.
namespace app {

// Each failure has its own code; 0 to 8 kept the meaning they had when
// render --video (9) and a fly --record that cannot be written (8, as
// export's output) had codes of their own.
enum ExitCode : int {
    kExitOk = 0,
    kExitInternal = 1,     // unexpected failure (out of memory, write error on stdout); fly: no
                           // window can be opened
    kExitUsage = 2,        // bad command line
    kExitPlugin = 3,       // plugin library missing, not loadable, wrong record or API version
    kExitScene = 4,        // input (scene, flight log, history, script) unreadable or invalid
    kExitVariable = 5,     // set/get: no such variable, or a value that is not a number
    kExitConfigWrite = 6,  // set: the config file cannot be written
    kExitPicture = 7,      // render, fly: no EGL/OpenGL driver, or a picture or plot cannot be
                           // drawn or written
    kExitOutput = 8,       // export: the scene file; fly --record: the flight log; cannot be
                           // written
    kExitVideo = 9,        // render --video: an unknown kind of video, or one that cannot be
                           // made or written (the partial file removed)
};

}  // namespace app
