#include "desktop/InputFile.h"

#include <string>
#include <string_view>
#include <utility>

#include "desktop/platform/Files.h"
#include "sandbox/ShareCode.h"

namespace desktop {
namespace {

// Enough of a file's start to see past a few blank lines to its first word.
constexpr std::size_t kPeekBytes = 4096;

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
    base::Result<std::string> text = platform::readFile(path, maxBytes);
    if (!text) return base::Failure{path + ": cannot read " + what + ": " + text.error()};
    return text;
}

base::Result<scene::SceneFrames> loadSceneFile(const std::string& path) {
    base::Result<std::string> text = readInputFile(path, "the scene file", scene::kMaxSceneBytes);
    if (!text) return text.failure();
    base::Result<scene::SceneFrames> scene = scene::parseScene(*text);
    if (!scene) return base::Failure{path + ": " + scene.error()};
    return scene;
}

bool isFlightLogFile(const std::string& path) {
    return startsFlightLog(platform::readFileStart(path, kPeekBytes));
}

base::Result<sandbox::FlightLog> loadFlightLog(const std::string& path) {
    const base::Result<std::string> text =
        readInputFile(path, "the flight log", sandbox::kMaxFlightLogBytes);
    if (!text) return text.failure();
    base::Result<sandbox::FlightLog> log = sandbox::parseFlightLog(*text, path);
    if (!log.ok()) return base::Failure{log.failure().message};
    return std::move(*log);
}

base::Result<sandbox::Pack> loadPack(const std::string& path) {
    const base::Result<std::string> text =
        readInputFile(path, "the pack", sandbox::kMaxPackFileBytes);
    if (!text) return text.failure();
    return sandbox::parsePack(*text, path);
}

base::Result<sandbox::Pack> packFromCode(std::string_view code) {
    return sandbox::packFromCode(code);
}

base::Result<sandbox::Course> loadCourse(const std::string& path) {
    const base::Result<std::string> text =
        readInputFile(path, "the course", sandbox::kMaxCourseFileBytes);
    if (!text) return text.failure();
    return sandbox::parseCourse(*text, path);
}

base::Result<sandbox::Session> loadSession(const std::string& path) {
    const base::Result<std::string> text =
        readInputFile(path, "the session", sandbox::kMaxSessionFileBytes);
    if (!text) return text.failure();
    return sandbox::parseSession(*text, path);
}

base::Result<sandbox::Session> sessionFromCode(std::string_view code) {
    const base::Result<std::string> text = sandbox::readShareCode(code);
    if (!text) return text.failure();
    return sandbox::parseSession(*text, "code");
}

}  // namespace desktop
