// trimsight-host: loads the Trimsight plugin like the game's mod host does and
// plays scenes to it.
#include <cstdio>

#include "app/Commands.h"

int main(int argc, char** argv) { return app::runHost(argc, argv, stdout, stderr); }
