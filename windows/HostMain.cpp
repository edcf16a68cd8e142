// trimsight-host.exe: the host program's main on Windows. The arguments
// arrive as UTF-16 (wmain, linked with -municode) and go on as UTF-8, as
// every path in the program is; standard output is binary
// (BinaryOutput.cpp).
#include <string>
#include <vector>

#include "app/Commands.h"
#include "desktop/platform/WindowsText.h"

int wmain(int argc, wchar_t** wide) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(desktop::platform::narrow(wide[i]));
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    return app::runHost(argc, argv.data(), stdout, stderr);
}
