// Libraries through dlopen: every symbol resolved at once, none of them
// visible to libraries opened later. A plugin finds the host layer beside it
// through its $ORIGIN run path.
#include <dlfcn.h>

#include "host/pluginsdk/SharedLibrary.h"

namespace pluginsdk {

void* openLibrary(const std::string& path, std::string& error) {
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        error = why ? why : "unknown error";
    }
    return library;
}

void* librarySymbol(void* library, const char* name) { return dlsym(library, name); }

void closeLibrary(void* library) { dlclose(library); }

bool libraryLoaded(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library) dlclose(library);
    return library != nullptr;
}

}  // namespace pluginsdk
