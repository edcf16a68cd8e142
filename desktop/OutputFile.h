#pragma once
// Every file the host program writes (the config, pictures, the demo's scene
// file) goes through writeOutputFile, so that all of them are written the
// same careful way; checkFilesApart keeps every command's outputs off its
// inputs.
#include <sys/types.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace desktop {

// Writes `bytes` to `path` without destroying anything that is there:
// - A symbolic link is followed, a dangling one too: the file it points to is
//   written (created if missing) and the link stays a link.
// - A missing or regular file is replaced so that a crash at any moment leaves
//   the old file or the new one whole: a temporary file beside it is written
//   (locked while it is), synced and renamed over it, and the folder is
//   synced. Temporaries killed runs left beside it go first. A replaced file
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

// An output a long run (a flight) writes at its end, checked at its start as
// writeOutputFile would judge it: a missing file's folder must exist; a read-
// only file, a folder, a block device or a socket is refused; a FIFO must have
// a reader, and is held open for writing from now until the object goes, so
// that the reader waits for what is written at the end instead of seeing
// the end of its input when the check lets go.
class HeldOutput {
  public:
    static base::Result<HeldOutput> check(const std::string& path);
    HeldOutput(HeldOutput&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    HeldOutput& operator=(HeldOutput&&) = delete;
    ~HeldOutput();

  private:
    explicit HeldOutput(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// One file a run reads or writes, as checkFilesApart names it: what it is
// ("--plot", "the flight log") and its path as given.
struct RunFile {
    std::string what;
    std::string path;
};

// Refuses a run that would write over a file it reads, before it does any
// work: each output is compared with each input and with each other output
// by identity, the device and inode after following links, or for a missing
// file the folder it would be made in (likewise) and its name. Paths that
// cannot be examined (a missing folder) match nothing; writing them fails
// later with its own message. The failure names both files: "--plot a.log
// is the flight log a.log itself; not writing over it".
base::Status checkFilesApart(std::span<const RunFile> outputs, std::span<const RunFile> inputs);

// Fails, saying why, when TRIMSIGHT_FAULT_SAVE is set to a value the
// program does not know.
base::Status checkFaultSwitch();

// `path` with every symbolic link along the last component followed (the
// final target may be missing). Fails on a loop.
base::Result<std::string> resolveLinks(std::string path);

// The folder part of a path: "." for a bare name, "/" for a file at the root.
std::string parentOf(const std::string& path);

// Removes the temporary files (NAME.tmp.XXXXXX) that killed runs writing the
// file `target` (links followed) left beside it; one a running writer holds
// locked is left alone. writeOutputFile and writeOutputFileThrough do this
// before each write.
void removeStaleTemporaries(const std::string& target);

// Whether `name` is one of writeOutputFile's temporary files for the file
// called `target` (both without their folder).
bool isTemporaryOf(const std::string& name, const std::string& target);

}  // namespace desktop
