#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include "desktop/platform/WindowsText.h"

#include <windows.h>

#include <cstdlib>

namespace desktop::platform {

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

std::string describeError(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n != 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
    LocalFree(buffer);
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!text.empty() && (text.back() == L' ' || text.back() == L'.')) text.pop_back();
    return (text.empty() ? std::string("system error") : narrow(text)) + " (error " +
           std::to_string(code) + ")";
}

std::string environmentValue(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value == nullptr ? std::string() : narrow(value);
}

}  // namespace desktop::platform
