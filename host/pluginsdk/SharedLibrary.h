#pragma once
// Libraries opened by path at run time, the one place that knows how the
// platform does it: SharedLibraryPosix.cpp (dlopen) or
// SharedLibraryWindows.cpp (LoadLibraryExW). Paths are UTF-8 everywhere;
// the Windows file converts them at this edge.
#include <string>

namespace pluginsdk {

// Opens the library at `path`. Its own dependencies are looked for beside it
// as well, as a host finds a plugin's. Null on failure, with `error` set to
// the system's reason in one line.
void* openLibrary(const std::string& path, std::string& error);
// The address of what the library exports as `name` (a function or data),
// or null.
void* librarySymbol(void* library, const char* name);
// Lets go of a library that openLibrary opened.
void closeLibrary(void* library);
// True while the library at `path` is mapped in the process, whoever opened it.
bool libraryLoaded(const std::string& path);

}  // namespace pluginsdk
