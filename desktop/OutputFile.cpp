#include "desktop/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace desktop {
namespace {

constexpr const char* kTemporarySuffix = ".tmp.";
constexpr std::size_t kTemporaryRandom = 6;  // mkstemp's XXXXXX
constexpr int kMaxLinkHops = 40;             // as the kernel allows

enum class Fault { None, MidWrite, AfterWrite, Unknown };

Fault faultSwitch() {
    const char* value = std::getenv("TRIMSIGHT_FAULT_SAVE");
    if (value == nullptr || *value == '\0') return Fault::None;
    if (std::strcmp(value, "mid-write") == 0) return Fault::MidWrite;
    if (std::strcmp(value, "after-write") == 0) return Fault::AfterWrite;
    return Fault::Unknown;
}

base::Failure failure(const std::string& step, int err) {
    return {step.empty() ? std::strerror(err) : step + ": " + std::strerror(err)};
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A FIFO or a character device: opened without creating or truncating
// anything, and written. A FIFO no program reads is refused rather than
// waited on; a reader that goes away is a failure, not a SIGPIPE.
base::Status writeInPlace(const std::string& path, std::string_view bytes, bool fifo) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (fifo && errno == ENXIO) return base::Failure{"it is a FIFO that no program is reading"};
        return failure("", errno);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    sigset_t pipeSignal, before;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
    const bool written = writeAll(fd, bytes.data(), bytes.size());
    const int err = errno;
    if (!written && err == EPIPE) {
        const timespec now{};
        sigtimedwait(&pipeSignal, nullptr, &now);  // the pending SIGPIPE, taken
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (::close(fd) != 0 && written) return failure("close", errno);
    return written ? base::Status{} : failure("write", err);
}

// Gives a new temporary file the mode and owner the file it replaces has
// (`existing`), or `mode` less the umask for a new file.
base::Status setModeAndOwner(int fd, mode_t mode, const std::optional<struct stat>& existing) {
    if (::fchmod(fd, existing ? existing->st_mode & 07777 : mode & ~currentUmask()) != 0)
        return failure("chmod", errno);
    struct stat made {};
    if (::fstat(fd, &made) != 0) return failure("stat", errno);
    if (existing && (existing->st_uid != made.st_uid || existing->st_gid != made.st_gid) &&
        ::fchown(fd, existing->st_uid, existing->st_gid) != 0)
        return failure("cannot keep the file's owner", errno);
    return {};
}

// Writes the temporary file's content and syncs it.
base::Status fillTemporary(int fd, std::string_view bytes, mode_t mode,
                           const std::optional<struct stat>& existing) {
    const Fault fault = faultSwitch();
    if (base::Status set = setModeAndOwner(fd, mode, existing); !set) return set;
    const std::size_t first = fault == Fault::MidWrite ? bytes.size() / 2 : bytes.size();
    if (!writeAll(fd, bytes.data(), first)) return failure("write", errno);
    if (fault == Fault::MidWrite) std::abort();
    if (!writeAll(fd, bytes.data() + first, bytes.size() - first)) return failure("write", errno);
    if (::fsync(fd) != 0) return failure("fsync", errno);
    if (fault == Fault::AfterWrite) std::abort();
    return {};
}

// The temporary file beside `path`, opened and locked (flock) until it is
// closed, which is after its rename: a temporary nobody holds locked is one
// a killed run left. -1 with errno set on failure.
int makeTemporary(const std::string& path, std::string& temporary) {
    temporary = path + kTemporarySuffix + std::string(kTemporaryRandom, 'X');
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);  // a new file: nobody else holds it
    return fd;
}

// The complete temporary file renamed over `path`, and the rename made
// durable; the temporary file removed on failure.
base::Status publishTemporary(const std::string& temporary, const std::string& path) {
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temporary.c_str());
        return failure("", err);
    }
    const int dirFd = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

// The temporary's end: renamed over `path` when `done`, else removed; its
// descriptor closed last, so that its lock lasts until then.
base::Status endTemporary(int fd, const std::string& temporary, const std::string& path,
                          base::Status done) {
    if (done)
        done = publishTemporary(temporary, path);
    else
        ::unlink(temporary.c_str());
    if (::close(fd) != 0 && done) return failure("close", errno);
    return done;
}

// A missing or regular file, replaced through a synced temporary and a rename.
base::Status replaceFile(const std::string& path, std::string_view bytes, mode_t mode,
                         const std::optional<struct stat>& existing) {
    removeStaleTemporaries(path);
    std::string temporary;
    const int fd = makeTemporary(path, temporary);
    if (fd < 0) return failure("cannot create a temporary file in " + parentOf(path), errno);
    return endTemporary(fd, temporary, path, fillTemporary(fd, bytes, mode, existing));
}

// The same with the content written by `fill` to the temporary file's path.
base::Status replaceFileThrough(const std::string& path, mode_t mode,
                                const std::optional<struct stat>& existing, const FillFile& fill) {
    removeStaleTemporaries(path);
    std::string temporary;
    const int fd = makeTemporary(path, temporary);
    if (fd < 0) return failure("cannot create a temporary file in " + parentOf(path), errno);
    base::Status done = setModeAndOwner(fd, mode, existing);
    if (done) done = fill(temporary);
    // Syncing any descriptor of the file syncs what every writer wrote to it.
    if (done && ::fsync(fd) != 0) done = failure("fsync", errno);
    if (done && faultSwitch() == Fault::AfterWrite) std::abort();
    return endTemporary(fd, temporary, path, std::move(done));
}

// What is at a path the caller means to write, after its links.
struct Target {
    std::string path;
    std::optional<struct stat> existing;
};

base::Result<Target> examineTarget(const std::string& givenPath) {
    base::Result<std::string> path = resolveLinks(givenPath);
    if (!path) return path.failure();
    struct stat st {};
    if (::stat(path->c_str(), &st) != 0) {
        if (errno != ENOENT) return failure("", errno);
        return Target{*path, std::nullopt};
    }
    return Target{*path, st};
}

// Why a regular file or another kind of file cannot be written; empty when
// it is a regular file that can.
std::optional<base::Failure> refusal(const struct stat& st, const std::string& path) {
    if (S_ISREG(st.st_mode)) {
        if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
            return base::Failure{"the file is read-only; not replacing it"};
        return std::nullopt;
    }
    if (S_ISDIR(st.st_mode)) return failure("", EISDIR);
    if (S_ISBLK(st.st_mode))
        return base::Failure{"it is a block device (a disk); not writing on it"};
    return base::Failure{"it is a socket or another kind of file that cannot take the output"};
}

// Where a path leads: an existing file's device and inode, or for a missing
// one its folder's and its name.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;  // empty for an existing file

    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::string& path) {
    const base::Result<std::string> resolved = resolveLinks(path);
    if (!resolved) return std::nullopt;
    struct stat st {};
    if (::stat(resolved->c_str(), &st) == 0) return FileIdentity{st.st_dev, st.st_ino, {}};
    if (errno != ENOENT) return std::nullopt;
    if (::stat(parentOf(*resolved).c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, resolved->substr(resolved->find_last_of('/') + 1)};
}

}  // namespace

base::Result<HeldOutput> HeldOutput::check(const std::string& path) {
    base::Result<Target> target = examineTarget(path);
    if (!target) return target.failure();
    if (!target->existing) {
        struct stat folder {};
        const std::string parent = parentOf(target->path);
        if (::stat(parent.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
            return base::Failure{"no folder " + parent};
        return HeldOutput(-1);
    }
    const struct stat& st = *target->existing;
    if (S_ISCHR(st.st_mode)) return HeldOutput(-1);
    if (S_ISFIFO(st.st_mode)) {
        const int fd = ::open(target->path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 && errno == ENXIO)
            return base::Failure{"it is a FIFO that no program is reading"};
        if (fd < 0) return failure("", errno);
        return HeldOutput(fd);
    }
    if (std::optional<base::Failure> refused = refusal(st, target->path)) return *refused;
    return HeldOutput(-1);
}

HeldOutput::~HeldOutput() {
    if (fd_ >= 0) ::close(fd_);
}

base::Status checkFilesApart(std::span<const RunFile> outputs, std::span<const RunFile> inputs) {
    std::vector<std::optional<FileIdentity>> written;
    for (const RunFile& output : outputs) written.push_back(identityOf(output.path));
    const auto clash = [](const RunFile& output, const RunFile& other) {
        return base::Failure{output.what + " " + output.path + " is " + other.what + " " +
                             other.path + " itself; not writing over it"};
    };
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (!written[i]) continue;
        for (const RunFile& input : inputs)
            if (identityOf(input.path) == written[i]) return clash(outputs[i], input);
        for (std::size_t j = 0; j < i; ++j)
            if (written[j] == written[i]) return clash(outputs[i], outputs[j]);
    }
    return {};
}

base::Status checkFaultSwitch() {
    if (faultSwitch() != Fault::Unknown) return {};
    return base::Failure{std::string("TRIMSIGHT_FAULT_SAVE=") +
                         std::getenv("TRIMSIGHT_FAULT_SAVE") +
                         " is not a fault this program knows (mid-write or after-write)"};
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

base::Result<std::string> resolveLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n < 0) return failure("readlink", errno);
        const std::string next(target, static_cast<std::size_t>(n));
        path = next.front() == '/' ? next : parentOf(path).append("/").append(next);
    }
    return failure("", ELOOP);
}

void removeStaleTemporaries(const std::string& target) {
    const std::string folder = parentOf(target);
    const std::string name = target.substr(target.find_last_of('/') + 1);
    DIR* entries = ::opendir(folder.c_str());
    if (entries == nullptr) return;
    while (const dirent* entry = ::readdir(entries)) {
        if (!isTemporaryOf(entry->d_name, name)) continue;
        const std::string path = folder + "/" + entry->d_name;
        const int fd =
            ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        // Locked: a run is writing it now.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(entries);
}

bool isTemporaryOf(const std::string& name, const std::string& target) {
    const std::string prefix = target + kTemporarySuffix;
    if (name.size() != prefix.size() + kTemporaryRandom || name.compare(0, prefix.size(), prefix))
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

base::Status writeOutputFile(const std::string& givenPath, std::string_view bytes, mode_t mode) {
    base::Result<Target> target = examineTarget(givenPath);
    if (!target) return target.failure();
    if (!target->existing) return replaceFile(target->path, bytes, mode, std::nullopt);
    const struct stat& st = *target->existing;
    if (S_ISCHR(st.st_mode)) return writeInPlace(target->path, bytes, false);
    if (S_ISFIFO(st.st_mode)) return writeInPlace(target->path, bytes, true);
    if (std::optional<base::Failure> refused = refusal(st, target->path)) return *refused;
    return replaceFile(target->path, bytes, mode, st);
}

base::Status writeOutputFileThrough(const std::string& givenPath, mode_t mode,
                                    const FillFile& fill) {
    base::Result<Target> target = examineTarget(givenPath);
    if (!target) return target.failure();
    if (!target->existing) return replaceFileThrough(target->path, mode, std::nullopt, fill);
    const struct stat& st = *target->existing;
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))
        return base::Failure{
            "it is a device or a FIFO, and this output is written to a regular file only"};
    if (std::optional<base::Failure> refused = refusal(st, target->path)) return *refused;
    return replaceFileThrough(target->path, mode, st, fill);
}

}  // namespace desktop
