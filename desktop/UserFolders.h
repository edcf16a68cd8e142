#pragma once
// The folders the program keeps the user's files in: a base folder named by
// an XDG variable when that holds an absolute path, else one under the home
// folder, and in it the program's own folder, trimsight/. The settings live
// in the configuration base, the history of attempts in the data base. On
// Windows (UserFoldersWindows.cpp) the bases are %APPDATA% and %LOCALAPPDATA%.
#include <string>

#include "base/Result.h"

namespace desktop {

struct UserBase {
    const char* variable;            // XDG_CONFIG_HOME
    const char* underHome;           // .config: the base when the variable gives none
    const char* kind;                // "configuration": for messages
    const char* option;              // "--config PATH": the way around a missing base
    const wchar_t* windowsVariable;  // APPDATA: the base on Windows
};

inline constexpr UserBase kConfigBase{"XDG_CONFIG_HOME", ".config", "configuration",
                                      "--config PATH", L"APPDATA"};
inline constexpr UserBase kDataBase{"XDG_DATA_HOME", ".local/share", "data", "--history PATH",
                                    L"LOCALAPPDATA"};

// BASE/trimsight; empty when neither the variable nor HOME is an absolute
// path (relative values are ignored).
std::string programFolder(const UserBase& base);

// Creates programFolder(base), mode 0700, and nothing above it but the
// folders of `underHome` inside an existing home folder: a base named by the
// variable that does not exist, or a home folder that does not exist (a
// mistyped XDG variable or HOME), is a failure, not a chain of folders made
// from the root. An existing folder is fine.
base::Status makeProgramFolder(const UserBase& base);

// Where FILE lives by default, for help texts: "$XDG_CONFIG_HOME/trimsight/FILE
// or ~/.config/trimsight/FILE" here, "%APPDATA%\\trimsight\\FILE" on Windows.
std::string defaultPlaceText(const UserBase& base, const char* file);

// One folder, mode 0700; an existing one is fine, a file in the way is not.
base::Status makeFolder(const std::string& path);

}  // namespace desktop
