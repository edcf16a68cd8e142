// UserFolders.h on Windows: the settings in %APPDATA%\trimsight, the history
// in %LOCALAPPDATA%\trimsight (the roaming and the machine's own folder of
// the user's programs). The base must exist: the program makes only its own
// folder in it.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "desktop/UserFolders.h"
#include "desktop/platform/WindowsText.h"

namespace desktop {
namespace {

constexpr const char* kProgramFolder = "trimsight";

bool isFolder(const std::string& path) {
    std::wstring wide;
    if (!platform::widen(path, wide)) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "C:\..." or "\\server\...": a base relative to the current folder is ignored.
bool isAbsolute(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           path.starts_with("\\\\");
}

std::string variableName(const UserBase& base) { return platform::narrow(base.windowsVariable); }

}  // namespace

std::string programFolder(const UserBase& base) {
    const std::string folder = platform::environmentValue(base.windowsVariable);
    return isAbsolute(folder) ? folder + "\\" + kProgramFolder : std::string();
}

std::string defaultPlaceText(const UserBase& base, const char* file) {
    return "%" + variableName(base) + "%\\trimsight\\" + file;
}

base::Status makeFolder(const std::string& path) {
    std::wstring wide;
    if (!platform::widen(path, wide))
        return base::Failure{"cannot create the folder " + path + ": the path is not UTF-8"};
    if (!CreateDirectoryW(wide.c_str(), nullptr)) {
        const DWORD code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS)
            return base::Failure{"cannot create the folder " + path + ": " +
                                 platform::describeError(code)};
    }
    if (!isFolder(path))
        return base::Failure{"cannot create the folder " + path + ": a file is in the way"};
    return {};
}

base::Status makeProgramFolder(const UserBase& base) {
    const std::string own = programFolder(base);
    if (own.empty())
        return base::Failure{"%" + variableName(base) + "% names no folder; use " + base.option};
    const std::string baseFolder = own.substr(0, own.find_last_of('\\'));
    if (!isFolder(baseFolder))
        return base::Failure{std::string("the ") + base.kind + " folder " + baseFolder + " (%" +
                             variableName(base) + "%) does not exist; use " + base.option};
    return makeFolder(own);
}

}  // namespace desktop
