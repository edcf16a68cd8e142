#pragma once
// desktop/platform/: what the desktop layer asks of the system, the one
// place that knows which system it is. One concern per file, each with a
// POSIX and a Windows implementation (the build picks one):
//   Files.h          reading a file within bounds, what is at a path, one
//                    file under a lock for appending, new and removed
//                    files, the program's own path (FilesPosix.cpp,
//                    FilesWindows.cpp)
//   the output writer (../OutputFile.h: OutputFile.cpp, OutputFileWindows.cpp)
//   the user's folders (../UserFolders.h: UserFolders.cpp, UserFoldersWindows.cpp)
//   WindowsText.h    UTF-8 and UTF-16, and the system's error texts (Windows only)
//
// Paths are UTF-8 everywhere; the Windows files convert them at this edge.
// A failure's message is the system's reason alone ("No such file or
// directory"); the caller says what it was doing.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace desktop::platform {

// Whether nothing is at `path`, or a folder along it is a file: nothing was
// ever saved there.
bool isMissing(const std::string& path);

// What is at a path (links followed), as a check before writing it sees it.
enum class FileKind { Missing, Regular, Folder, Other };
struct FileState {
    FileKind kind = FileKind::Missing;
    bool readOnly = false;  // marked so, or not writable by this user
};
// Missing when nothing is at `path`; a failure with the system's reason when
// it cannot be told (no access to a folder along it).
base::Result<FileState> stateOf(const std::string& path);

// Whether the two paths name one existing file (links followed).
bool sameFile(const std::string& a, const std::string& b);

// The bytes of `path` when it is a regular file of at most `maxBytes`; a
// FIFO is not waited on. Failures: the system's reason, "Is a directory",
// "not a regular file (a FIFO, a device or a socket)", "larger than N bytes".
base::Result<std::string> readFile(const std::string& path, std::size_t maxBytes);

// Up to `bytes` bytes from the start of a regular file; empty for anything
// else, or when it cannot be read.
std::string readFileStart(const std::string& path, std::size_t bytes);

// Creates an empty file at `path` when nothing is there: true; false when
// something is.
base::Result<bool> createNewFile(const std::string& path);

// Removes the file at `path`, if it can.
void removeFile(const std::string& path);

// The names in a folder that are regular files (not links); empty when it
// cannot be read.
std::vector<std::string> regularFilesIn(const std::string& folder);

// Makes the names in a folder durable after a file in it was created or
// renamed (where the system needs to be told).
void syncFolder(const std::string& folder);

// The running program's own file, or empty.
std::string executablePath();

// The broken-down UTC time of `seconds` since 1970; false when out of range.
bool utcTime(std::int64_t seconds, std::tm& utc);

// A regular file opened for reading and appending, held under an exclusive
// lock (other holders wait) until it is closed. Created, readable and
// writable by the user only, when missing.
class LockedFile {
  public:
    // Failures: the system's reason, "not a regular file (a FIFO, a device
    // or a socket)" (a FIFO is not waited on), "the file is read-only" (by
    // its marks, even for a user the system would let write), "lock: WHY".
    static base::Result<LockedFile> open(const std::string& path);
    LockedFile(LockedFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }
    LockedFile& operator=(LockedFile&&) = delete;
    LockedFile(const LockedFile&) = delete;
    ~LockedFile();

    // The file's last byte; nullopt when it is empty.
    base::Result<std::optional<char>> lastByte() const;
    // Writes `bytes` at the end in one write; the count the system took.
    base::Result<std::size_t> append(std::string_view bytes) const;
    // The file's size, and cutting it back to `size` (a torn append).
    base::Result<std::uint64_t> size() const;
    base::Status truncate(std::uint64_t size) const;
    // Makes what was written durable.
    base::Status sync() const;

  private:
    static constexpr std::intptr_t kClosed = -1;
    explicit LockedFile(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_;  // a file descriptor, or a Windows HANDLE
};

}  // namespace desktop::platform
