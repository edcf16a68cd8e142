/* The measuring build's stand-in for maths/ (TRIMSIGHT_WINDOWS_MATHS=crt):
   the frame's maths functions are MinGW's and the C runtime's, which have no
   variants to pick; the maths sample can only take them as they are. */
#include <string.h>

int trimsight_maths_pick_variants(const char* name) { return strcmp(name, "detected") == 0; }
