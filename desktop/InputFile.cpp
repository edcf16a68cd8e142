#include "desktop/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace desktop {
namespace {

// Enough of a file's start to see past a few blank lines to its first word.
constexpr std::size_t kPeekBytes = 4096;

// The text at the start of a regular file; empty for anything else (a FIFO
// is not waited on).
std::string fileStart(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st {};
    std::string text(kPeekBytes, '\0');
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

bool startsFlightLog(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return false;
    text.remove_prefix(first);
    if (text.front() == '#') return true;
    if (!text.starts_with(sandbox::kFlightLogMagic)) return false;
    text.remove_prefix(sandbox::kFlightLogMagic.size());
    return text.empty() || text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
           text.front() == '\n';
}

}  // namespace

base::Result<std::string> readInputFile(const std::string& path, const std::string& what,
                                        std::size_t maxBytes) {
    auto failure = [&](const std::string& why) {
        return base::Failure{path + ": cannot read " + what + ": " + why};
    };
    // Non-blocking, so that opening a FIFO with no writer does not wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failure(std::strerror(errno));
    struct stat st {};
    std::string problem;
    if (::fstat(fd, &st) != 0)
        problem = std::strerror(errno);
    else if (S_ISDIR(st.st_mode))
        problem = std::strerror(EISDIR);
    else if (!S_ISREG(st.st_mode))
        problem = "not a regular file (a FIFO, a device or a socket)";
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
    if (!problem.empty()) return failure(problem);
    return text;
}

base::Result<scene::SceneFrames> loadSceneFile(const std::string& path) {
    base::Result<std::string> text = readInputFile(path, "the scene file", scene::kMaxSceneBytes);
    if (!text) return text.failure();
    base::Result<scene::SceneFrames> scene = scene::parseScene(*text);
    if (!scene) return base::Failure{path + ": " + scene.error()};
    return scene;
}

bool isFlightLogFile(const std::string& path) { return startsFlightLog(fileStart(path)); }

base::Result<sandbox::FlightLog> loadFlightLog(const std::string& path) {
    const base::Result<std::string> text =
        readInputFile(path, "the flight log", sandbox::kMaxFlightLogBytes);
    if (!text) return text.failure();
    base::Result<sandbox::FlightLog> log = sandbox::parseFlightLog(*text, path);
    if (!log.ok()) return base::Failure{log.failure().message};
    return std::move(*log);
}

}  // namespace desktop
