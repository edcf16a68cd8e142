#include "hostapp/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace hostapp {
namespace {

enum class Fault { None, MidWrite, AfterWrite, Unknown };

Fault faultSwitch() {
    const char* value = std::getenv("TRIMSIGHT_FAULT_SAVE");
    if (value == nullptr || *value == '\0') return Fault::None;
    if (std::strcmp(value, "mid-write") == 0) return Fault::MidWrite;
    if (std::strcmp(value, "after-write") == 0) return Fault::AfterWrite;
    return Fault::Unknown;
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

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file a symbolic link points to; any other path as it is.
std::string followLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string target = real;
    std::free(real);
    return target;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

Failure failure(const std::string& step, int err) {
    return {step.empty() ? std::strerror(err) : step + ": " + std::strerror(err)};
}

// Writes the temporary file's content and syncs it; closes `fd` either way.
Status fillTemporary(int fd, std::string_view bytes, mode_t mode) {
    const Fault fault = faultSwitch();
    auto fail = [fd](const std::string& step) {
        const int err = errno;
        ::close(fd);
        return failure(step, err);
    };
    if (::fchmod(fd, mode & ~currentUmask()) != 0) return fail("chmod");
    const std::size_t first = fault == Fault::MidWrite ? bytes.size() / 2 : bytes.size();
    if (!writeAll(fd, bytes.data(), first)) return fail("write");
    if (fault == Fault::MidWrite) std::abort();
    if (!writeAll(fd, bytes.data() + first, bytes.size() - first)) return fail("write");
    if (::fsync(fd) != 0) return fail("fsync");
    if (fault == Fault::AfterWrite) std::abort();
    if (::close(fd) != 0) return failure("close", errno);
    return {};
}

}  // namespace

std::string faultSwitchProblem() {
    if (faultSwitch() != Fault::Unknown) return {};
    return std::string("TRIMSIGHT_FAULT_SAVE=") + std::getenv("TRIMSIGHT_FAULT_SAVE") +
           " is not a fault this program knows (mid-write or after-write)";
}

Status writeOutputFile(const std::string& givenPath, std::string_view bytes, mode_t mode) {
    const std::string path = followLink(givenPath);
    const std::string dir = parentOf(path);
    std::string temporary = path + ".tmp.XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return failure("cannot create a temporary file in " + dir, errno);
    if (Status filled = fillTemporary(fd, bytes, mode); !filled) {
        ::unlink(temporary.c_str());
        return filled;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temporary.c_str());
        return failure("", err);
    }
    // Make the rename itself durable.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

}  // namespace hostapp
