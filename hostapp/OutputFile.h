#pragma once
// Every file the host program writes (the config, pictures, the demo's scene
// file) goes through writeOutputFile, so that all of them are written the
// same careful way.
#include <sys/types.h>

#include <string>
#include <string_view>

#include "hostapp/Result.h"

namespace hostapp {

// Replaces the file at `path` by `bytes` so that a crash at any moment
// leaves either the old file or the new one whole: a temporary file beside it
// is written, flushed to disk and renamed over it, and the folder is synced.
// A symbolic link is followed: the file it points to is replaced and the link
// stays. A new file gets `mode` less the umask.
//
// A failure's message says which step failed and why ("fsync: No space left
// on device"); the caller puts the file's name before it.
//
// For crash tests, TRIMSIGHT_FAULT_SAVE=mid-write aborts the program after
// half of the bytes are written, =after-write after the temporary file is
// complete but before the rename (see faultSwitchProblem).
Status writeOutputFile(const std::string& path, std::string_view bytes, mode_t mode);

// Why the value of TRIMSIGHT_FAULT_SAVE is not one the program knows; empty
// when it is unset or known.
std::string faultSwitchProblem();

}  // namespace hostapp
