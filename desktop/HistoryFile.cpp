#include "desktop/HistoryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "base/Excerpt.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/UserFolders.h"
#include "sandbox/NumberText.h"
#include "scene/JsonReader.h"

namespace desktop {
namespace {

constexpr const char* kHistoryFile = "history.txt";
constexpr const char* kFlightsFolder = "flights";
// Attempts of one drill and seed ending in the same second get -2, -3, ...
constexpr int kMaxSameNameLogs = 1000;

base::Failure appendFailure(const std::string& path, const std::string& why) {
    return {path + ": cannot append to the history: " + why};
}

// By its mode bits, as for every file the program writes: even a user the
// kernel lets write (root) does not append to a file marked read-only.
bool isReadOnly(const struct stat& st) { return (st.st_mode & 0222) == 0; }

// Why the history cannot take a line, checked before anything is written
// beside it: it must be a regular file that is not read-only, or missing in
// an existing folder (made for the default history first).
base::Status checkHistory(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return base::Failure{std::strerror(errno)};
        const std::string folder = parentOf(path);
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return base::Failure{"no folder " + folder};
        return {};
    }
    if (S_ISDIR(st.st_mode)) return base::Failure{std::strerror(EISDIR)};
    if (!S_ISREG(st.st_mode))
        return base::Failure{"not a regular file (a FIFO, a device or a socket)"};
    if (isReadOnly(st) || ::access(path.c_str(), W_OK) != 0)
        return base::Failure{"the file is read-only"};
    return {};
}

// Whether a history line's log= is a file in the history's own flights/
// folder ("flights/NAME", NAME a plain file name), the only place an attempt's
// log is written and read.
bool isOwnFlightLog(const std::string& name) {
    const std::string prefix = std::string(kFlightsFolder) + "/";
    if (name.rfind(prefix, 0) != 0) return false;
    const std::string file = name.substr(prefix.size());
    return !file.empty() && file != "." && file != ".." && file.find('/') == std::string::npos;
}

// Closes the history file, letting go of its lock, whatever happens.
class OpenHistory {
  public:
    explicit OpenHistory(int fd) : fd_(fd) {}
    OpenHistory(const OpenHistory&) = delete;
    OpenHistory& operator=(const OpenHistory&) = delete;
    ~OpenHistory() { ::close(fd_); }
    int fd() const { return fd_; }

  private:
    int fd_;
};

// The last byte of the file, nullopt for an empty one.
base::Result<std::optional<char>> lastByte(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return base::Failure{std::string("stat: ") + std::strerror(errno)};
    if (st.st_size == 0) return std::optional<char>{};
    char byte = 0;
    if (::pread(fd, &byte, 1, st.st_size - 1) != 1)
        return base::Failure{std::string("read: ") + std::strerror(errno)};
    return std::optional<char>(byte);
}

// "20240314T092653Z": a time for file names, without the colons of
// the history's own ISO form.
std::string compactUtc(int64_t time) {
    const auto seconds = static_cast<std::time_t>(time);
    std::tm utc{};
    char text[32] = "";
    if (::gmtime_r(&seconds, &utc) == nullptr ||
        std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc) == 0)
        return std::to_string(time);
    return text;
}

// Creates an empty file under a name no other file has in `folder`
// (STEM.log, STEM-2.log, ...) and returns its name, so that a log is never
// written over another attempt's.
base::Result<std::string> reserveLogName(const std::string& folder, const std::string& stem) {
    for (int n = 1; n <= kMaxSameNameLogs; ++n) {
        std::string name = stem;
        if (n > 1) name.append("-").append(std::to_string(n));
        name += ".log";
        const std::string path = std::string(folder).append("/").append(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            return base::Failure{"cannot create " + path + ": " + std::strerror(errno)};
    }
    return base::Failure{"too many flight logs named " + stem + " in " + folder};
}

// Writes the attempt's log into flights/ beside the history; returns its
// name relative to the history's folder.
base::Result<std::string> keepFlightLog(const std::string& historyPath, const std::string& stem,
                                        const sandbox::FlightLog& log) {
    const std::string folder = parentOf(historyPath) + "/" + kFlightsFolder;
    if (base::Status made = makeFolder(folder); !made) return base::Failure{made.error()};
    const base::Result<std::string> name = reserveLogName(folder, stem);
    if (!name) return name.failure();
    const std::string path = folder + "/" + *name;
    if (base::Status written = writeOutputFile(path, sandbox::formatFlightLog(log), 0666);
        !written) {
        ::unlink(path.c_str());  // the empty file reserved above, ours
        return base::Failure{"cannot write " + path + ": " + written.error()};
    }
    return std::string(kFlightsFolder) + "/" + *name;
}

}  // namespace

std::string defaultHistoryPath() {
    const std::string folder = programFolder(kDataBase);
    return folder.empty() ? folder : folder + "/" + kHistoryFile;
}

base::Result<std::string> historyPath(const std::string& given) {
    if (!given.empty()) return given;
    std::string path = defaultHistoryPath();
    if (path.empty())
        return base::Failure{
            "no history of attempts: neither XDG_DATA_HOME nor HOME names a folder; "
            "use --history PATH"};
    return path;
}

base::Result<std::vector<sandbox::AttemptRecord>> loadHistory(const std::string& path,
                                                              base::Warnings& warnings) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return std::vector<sandbox::AttemptRecord>{};  // no attempt kept yet
    const base::Result<std::string> text = readInputFile(path, "the history", kMaxHistoryBytes);
    if (!text) return text.failure();
    return sandbox::parseHistory(*text, path, warnings);
}

base::Status appendAttemptLine(const std::string& path, const sandbox::AttemptRecord& record) {
    // Non-blocking, so that a FIFO in the history's place is refused rather
    // than waited on; a regular file ignores the flag.
    const int fd =
        ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return appendFailure(path, std::strerror(errno));
    const OpenHistory file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return appendFailure(path, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return appendFailure(path, "not a regular file (a FIFO, a device or a socket)");
    if (isReadOnly(st)) return appendFailure(path, "the file is read-only");
    // Appenders take turns, so that the last byte read is still the last
    // byte when the line goes after it, and a torn line can be cut off.
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return appendFailure(path, std::string("lock: ") + std::strerror(errno));
    const base::Result<std::optional<char>> last = lastByte(fd);
    if (!last) return appendFailure(path, last.error());
    const base::Result<std::string> text = sandbox::historyAppendText(record, *last);
    if (!text.ok()) return appendFailure(path, text.error());
    struct stat before {};
    if (::fstat(fd, &before) != 0) return appendFailure(path, std::strerror(errno));
    // One write of the whole line: a crash tears this line at most. A write
    // the disk takes only part of (a full disk, a file-size limit) is cut
    // back off, so the file is as it was.
    ssize_t n = 0;
    do {
        n = ::write(fd, text->data(), text->size());
    } while (n < 0 && errno == EINTR);
    const int writeError = errno;
    if (n < 0 || static_cast<std::size_t>(n) != text->size()) {
        const bool cut = n <= 0 || ::ftruncate(fd, before.st_size) == 0;
        const std::string why = n < 0 ? std::string("write: ") + std::strerror(writeError)
                                      : std::string("write: the disk took only part of the line");
        return appendFailure(path, why + (cut ? "" : "; the part written could not be cut off"));
    }
    if (::fsync(fd) != 0) {
        // Not known to be on the disk: cut off, as the log it names goes.
        const int syncError = errno;
        const bool cut = ::ftruncate(fd, before.st_size) == 0;
        return appendFailure(path, std::string("fsync: ") + std::strerror(syncError) +
                                       (cut ? "" : "; the line could not be cut off"));
    }
    if (!*last) {  // a new file: its name in the folder must last too
        const int dir = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return {};
}

base::Result<sandbox::AttemptRecord> appendAttempt(const std::string& path,
                                                   sandbox::AttemptRecord record,
                                                   const sandbox::FlightLog& log) {
    const std::string stem =
        record.drill + "-" + std::to_string(record.seed) + "-" + compactUtc(record.time);
    record.flightLog = std::string(kFlightsFolder) + "/" + stem + ".log";
    // A record the line cannot hold is refused before any file is made.
    if (const base::Result<std::string> line = sandbox::formatAttemptLine(record); !line.ok())
        return appendFailure(path, line.error());
    if (path == defaultHistoryPath()) {
        if (base::Status made = makeProgramFolder(kDataBase); !made)
            return appendFailure(path, made.error());
    }
    if (base::Status usable = checkHistory(path); !usable)
        return appendFailure(path, usable.error());
    base::Result<std::string> kept = keepFlightLog(path, stem, log);
    if (!kept) return appendFailure(path, kept.error());
    record.flightLog = std::move(*kept);
    if (base::Status appended = appendAttemptLine(path, record); !appended) {
        // No line names the log: it goes too.
        ::unlink((parentOf(path) + "/" + record.flightLog).c_str());
        return base::Failure{appended.error()};
    }
    return record;
}

base::Result<std::string> attemptFlightPath(const std::string& historyPath,
                                            const sandbox::AttemptRecord& attempt) {
    if (attempt.flightLog.empty())
        return base::Failure{"the attempt at " + attempt.drill + " with seed " +
                             std::to_string(attempt.seed) + " kept no flight log"};
    if (!isOwnFlightLog(attempt.flightLog))
        return base::Failure{historyPath + ": the attempt at " + attempt.drill + " with seed " +
                             std::to_string(attempt.seed) + " names the log " +
                             sandbox::jsonString(base::excerpt(attempt.flightLog)) +
                             ", which is not in the history's own " + kFlightsFolder +
                             "/ folder; not read"};
    return parentOf(historyPath) + "/" + attempt.flightLog;
}

}  // namespace desktop
