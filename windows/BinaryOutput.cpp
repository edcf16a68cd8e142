// Linked into every Windows program of the build: standard output and
// error in binary mode, so a line ends in "\n" as on Linux and not "\r\n",
// and the programs' outputs compare byte for byte.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {
const bool binaryOutput = [] {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return true;
}();
}  // namespace
