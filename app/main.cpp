// trimsight-host: loads the Trimsight plugin like the game's mod host does and
// plays scenes to it.
#include <csignal>
#include <cstdio>

#include "app/Commands.h"

int main(int argc, char** argv) {
    // A closed pipe on standard output is a write error, reported (exit 1),
    // not a death by signal; so is a write past the file-size limit, which
    // the history's append then cuts back off.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    return app::runHost(argc, argv, stdout, stderr);
}
