// Files.h on POSIX systems: open(2), flock(2), the folder's fsync.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "desktop/platform/Files.h"

namespace desktop::platform {
namespace {

constexpr const char* kNotRegular = "not a regular file (a FIFO, a device or a socket)";

base::Failure systemFailure(const char* step, int err) {
    return {step == nullptr ? std::string(std::strerror(err))
                            : std::string(step) + ": " + std::strerror(err)};
}

}  // namespace

bool isMissing(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

base::Result<FileState> stateOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return FileState{};
        return systemFailure(nullptr, errno);
    }
    const FileKind kind = S_ISREG(st.st_mode)   ? FileKind::Regular
                          : S_ISDIR(st.st_mode) ? FileKind::Folder
                                                : FileKind::Other;
    return FileState{kind, (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0};
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

base::Result<std::string> readFile(const std::string& path, std::size_t maxBytes) {
    // Non-blocking, so that opening a FIFO with no writer does not wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return systemFailure(nullptr, errno);
    struct stat st {};
    std::string problem;
    if (::fstat(fd, &st) != 0)
        problem = std::strerror(errno);
    else if (S_ISDIR(st.st_mode))
        problem = std::strerror(EISDIR);
    else if (!S_ISREG(st.st_mode))
        problem = kNotRegular;
    else if (static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        problem = "larger than " + std::to_string(maxBytes) + " bytes";
    std::string text;
    char buf[65536];
    while (problem.empty()) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) problem = std::strerror(errno);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
        if (text.size() > maxBytes) problem = "larger than " + std::to_string(maxBytes) + " bytes";
    }
    ::close(fd);
    if (!problem.empty()) return base::Failure{problem};
    return text;
}

std::string readFileStart(const std::string& path, std::size_t bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st {};
    std::string text(bytes, '\0');
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        do {
            n = ::read(fd, text.data(), text.size());
        } while (n < 0 && errno == EINTR);
    }
    ::close(fd);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

base::Result<bool> createNewFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno == EEXIST) return false;
    return systemFailure(nullptr, errno);
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

std::vector<std::string> regularFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        const std::string path = folder + "/" + entry->d_name;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string executablePath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

bool utcTime(std::int64_t seconds, std::tm& utc) {
    const auto time = static_cast<std::time_t>(seconds);
    return ::gmtime_r(&time, &utc) != nullptr;
}

base::Result<LockedFile> LockedFile::open(const std::string& path) {
    // Non-blocking, so that a FIFO in the file's place is refused rather than
    // waited on; a regular file ignores the flag.
    const int fd =
        ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return systemFailure(nullptr, errno);
    LockedFile file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return systemFailure(nullptr, errno);
    if (!S_ISREG(st.st_mode)) return base::Failure{kNotRegular};
    if ((st.st_mode & 0222) == 0) return base::Failure{"the file is read-only"};
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR) return systemFailure("lock", errno);
    return file;
}

LockedFile::~LockedFile() {
    if (handle_ != kClosed) ::close(static_cast<int>(handle_));  // lets go of the lock
}

base::Result<std::optional<char>> LockedFile::lastByte() const {
    const int fd = static_cast<int>(handle_);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return systemFailure("stat", errno);
    if (st.st_size == 0) return std::optional<char>{};
    char byte = 0;
    if (::pread(fd, &byte, 1, st.st_size - 1) != 1) return systemFailure("read", errno);
    return std::optional<char>(byte);
}

base::Result<std::size_t> LockedFile::append(std::string_view bytes) const {
    ssize_t n = 0;
    do {
        n = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) return systemFailure("write", errno);
    return static_cast<std::size_t>(n);
}

base::Result<std::uint64_t> LockedFile::size() const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) return systemFailure("stat", errno);
    return static_cast<std::uint64_t>(st.st_size);
}

base::Status LockedFile::truncate(std::uint64_t size) const {
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) != 0)
        return systemFailure("truncate", errno);
    return {};
}

base::Status LockedFile::sync() const {
    if (::fsync(static_cast<int>(handle_)) != 0) return systemFailure("fsync", errno);
    return {};
}

}  // namespace desktop::platform
