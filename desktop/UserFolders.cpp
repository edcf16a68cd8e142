#include "desktop/UserFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace desktop {
namespace {

constexpr const char* kProgramFolder = "trimsight";

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

}  // namespace

std::string programFolder(const UserBase& base) {
    const char* xdg = std::getenv(base.variable);
    if (isAbsolute(xdg)) return std::string(xdg) + "/" + kProgramFolder;
    const char* home = std::getenv("HOME");
    if (isAbsolute(home)) return std::string(home) + "/" + base.underHome + "/" + kProgramFolder;
    return {};
}

std::string defaultPlaceText(const UserBase& base, const char* file) {
    return std::string("$") + base.variable + "/trimsight/" + file + " or ~/" + base.underHome +
           "/trimsight/" + file;
}

base::Status makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return base::Failure{"cannot create the folder " + path + ": " + std::strerror(errno)};
    if (!isFolder(path))
        return base::Failure{"cannot create the folder " + path + ": " + std::strerror(ENOTDIR)};
    return {};
}

base::Status makeProgramFolder(const UserBase& base) {
    const std::string own = programFolder(base);
    if (own.empty())
        return base::Failure{std::string("neither ") + base.variable + " nor HOME names a folder"};
    const std::string baseFolder = own.substr(0, own.find_last_of('/'));
    if (isAbsolute(std::getenv(base.variable))) {
        if (!isFolder(baseFolder))
            return base::Failure{std::string("the ") + base.kind + " folder " + baseFolder + " (" +
                                 base.variable + ") does not exist; use " + base.option};
        return makeFolder(own);
    }
    // ~/.config or ~/.local/share, made folder by folder in an existing home.
    const std::string home = std::getenv("HOME");
    if (!isFolder(home))
        return base::Failure{"the home folder " + home + " (HOME) does not exist; use " +
                             base.option};
    std::string folder = home;
    for (std::string rest = base.underHome; !rest.empty();) {
        const std::size_t slash = rest.find('/');
        folder += "/" + rest.substr(0, slash);
        rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
        if (base::Status made = makeFolder(folder); !made) return made;
    }
    return makeFolder(own);
}

}  // namespace desktop
