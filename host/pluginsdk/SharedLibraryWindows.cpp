// Libraries through LoadLibraryExW, by absolute path: with
// LOAD_WITH_ALTERED_SEARCH_PATH Windows looks for the library's own imports in
// its folder first, as the Linux build's $ORIGIN does, and a library the
// process has loaded already (the host layer) is used as it is. Paths and
// messages are converted between UTF-8 and UTF-16 here and nowhere else.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <bit>
#include <string>

#include "host/pluginsdk/SharedLibrary.h"

namespace pluginsdk {
namespace {

// False for bytes that are not UTF-8.
bool widen(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) return false;
    wide.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n) ==
           n;
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
    return text;
}

// The system's text for an error, on one line, with its number:
// "The specified module could not be found (error 126)".
std::string describe(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n != 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
    LocalFree(buffer);
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!text.empty() && (text.back() == L' ' || text.back() == L'.')) text.pop_back();
    // Messages that name their file say "%1"; the caller names it.
    for (std::size_t at; (at = text.find(L"%1")) != std::wstring::npos;)
        text.replace(at, 2, L"the file");
    return (text.empty() ? std::string("system error") : narrow(text)) + " (error " +
           std::to_string(code) + ")";
}

// The absolute form of `path`, as the system names loaded modules.
bool absolutePath(const std::string& path, std::wstring& full) {
    std::wstring wide;
    if (!widen(path, wide) || wide.empty()) return false;
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    full.resize(n);
    const DWORD written = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) return false;
    full.resize(written);
    return true;
}

}  // namespace

void* openLibrary(const std::string& path, std::string& error) {
    std::wstring full;
    if (!absolutePath(path, full)) {
        error = "not a file name (empty, or not UTF-8)";
        return nullptr;
    }
    // A library that does not load is an error returned, never a message box.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE library = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    if (!library) error = describe(code);
    return library;
}

void* librarySymbol(void* library, const char* name) {
    return std::bit_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

bool libraryLoaded(const std::string& path) {
    std::wstring full;
    HMODULE library = nullptr;
    return absolutePath(path, full) &&
           GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, full.c_str(),
                              &library) != 0;
}

}  // namespace pluginsdk
