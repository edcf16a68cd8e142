#pragma once
// Every file the host program writes (the config, pictures, the demo's scene
// file) goes through writeOutputFile, so that all of them are written the
// same careful way.
#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace desktop {

// Writes `bytes` to `path` without destroying anything that is there:
// - A symbolic link is followed, a dangling one too: the file it points to is
//   written (created if missing) and the link stays a link.
// - A missing or regular file is replaced so that a crash at any moment leaves
//   the old file or the new one whole: a temporary file beside it is written,
//   synced and renamed over it, and the folder is synced. A replaced file
//   keeps its mode and owner; a new one gets `mode` less the umask. A
//   read-only file is refused.
// - A character device or a FIFO is written in place (a FIFO only while some
//   program reads it); a socket, a block device or a folder is refused.
// A failure's message says what failed and why ("fsync: No space left on
// device"); the caller puts the file's name before it.
//
// For crash tests, TRIMSIGHT_FAULT_SAVE=mid-write aborts the program after
// half of the bytes are written, =after-write after the temporary file is
// complete but before the rename.
base::Status writeOutputFile(const std::string& path, std::string_view bytes, mode_t mode);

// Writes the file at the temporary path it is given (made empty, with the
// final file's mode, beside it); a failure's message says why.
using FillFile = std::function<base::Status(const std::string& temporaryPath)>;

// For output too large to hold in memory (a video), written by a library
// that opens the file itself: the same rules as writeOutputFile for links, a
// missing or a regular file (the temporary file is filled by `fill`, synced
// and renamed over it; it is removed when `fill` fails, so nothing partial
// is left), and a socket, block device or folder. A character device or a
// FIFO is refused: such a writer may need to seek in its file.
// TRIMSIGHT_FAULT_SAVE=after-write aborts before the rename.
base::Status writeOutputFileThrough(const std::string& path, mode_t mode, const FillFile& fill);

// Fails, saying why, when TRIMSIGHT_FAULT_SAVE is set to a value the
// program does not know.
base::Status checkFaultSwitch();

// `path` with every symbolic link along the last component followed (the
// final target may be missing). Fails on a loop.
base::Result<std::string> resolveLinks(std::string path);

// The folder part of a path: "." for a bare name, "/" for a file at the root.
std::string parentOf(const std::string& path);

// Whether `name` is one of writeOutputFile's temporary files for the file
// called `target` (both without their folder).
bool isTemporaryOf(const std::string& name, const std::string& target);

}  // namespace desktop
