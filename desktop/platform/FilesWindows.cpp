// Files.h on Windows: CreateFileW and LockFileEx, paths converted from UTF-8
// here. A file is opened sharing reading, writing and deleting, as a POSIX
// file is, so that a reader never stops a save's rename.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <ctime>

#include "desktop/platform/Files.h"
#include "desktop/platform/WindowsText.h"

namespace desktop::platform {
namespace {

constexpr const char* kNotRegular = "not a regular file (a FIFO, a device or a socket)";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr const char* kNotUtf8 = "the path is not UTF-8";

base::Failure systemFailure(const char* step, DWORD code) {
    return {step == nullptr ? describeError(code) : std::string(step) + ": " + describeError(code)};
}

HANDLE asHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The attributes of what is at `path`; INVALID_FILE_ATTRIBUTES with the
// system's error set when nothing is.
DWORD attributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

// `path` opened for reading when it is a regular file; `problem` says why not.
HANDLE openRegularForReading(const std::string& path, std::string& problem) {
    std::wstring wide;
    if (!widen(path, wide)) {
        problem = kNotUtf8;
        return INVALID_HANDLE_VALUE;
    }
    const DWORD attributes = attributesOf(wide);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        problem = "Is a directory";
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = describeError(GetLastError());
        return file;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        problem = kNotRegular;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// Reads up to `size` bytes into `data`; the count, or -1 on failure.
long long readSome(HANDLE file, char* data, std::size_t size) {
    DWORD n = 0;
    const DWORD ask = size > 1u << 20 ? 1u << 20 : static_cast<DWORD>(size);
    if (!ReadFile(file, data, ask, &n, nullptr)) return -1;
    return n;
}

}  // namespace

bool isMissing(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide) || attributesOf(wide) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_DIRECTORY;
}

base::Result<FileState> stateOf(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide)) return base::Failure{kNotUtf8};
    const DWORD attributes = attributesOf(wide);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return FileState{};
        return systemFailure(nullptr, code);
    }
    const FileKind kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder
                          : (attributes & FILE_ATTRIBUTE_DEVICE) != 0  ? FileKind::Other
                                                                       : FileKind::Regular;
    return FileState{kind, (attributes & FILE_ATTRIBUTE_READONLY) != 0};
}

bool sameFile(const std::string& a, const std::string& b) {
    // A file's identity is its volume's serial number and its index there.
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        std::wstring wide;
        if (!widen(path, wide)) return false;
        HANDLE file = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(file, &info) != 0;
        CloseHandle(file);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION ia{};
    BY_HANDLE_FILE_INFORMATION ib{};
    return identity(a, ia) && identity(b, ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

base::Result<std::string> readFile(const std::string& path, std::size_t maxBytes) {
    std::string problem;
    HANDLE file = openRegularForReading(path, problem);
    if (file == INVALID_HANDLE_VALUE) return base::Failure{problem};
    const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        problem = describeError(GetLastError());
    else if (static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        problem = tooLarge;
    std::string text;
    char buf[65536];
    while (problem.empty()) {
        const long long n = readSome(file, buf, sizeof buf);
        if (n < 0) problem = describeError(GetLastError());
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
        if (text.size() > maxBytes) problem = tooLarge;
    }
    CloseHandle(file);
    if (!problem.empty()) return base::Failure{problem};
    return text;
}

std::string readFileStart(const std::string& path, std::size_t bytes) {
    std::string problem;
    HANDLE file = openRegularForReading(path, problem);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text(bytes, '\0');
    const long long n = readSome(file, text.data(), text.size());
    CloseHandle(file);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

base::Result<bool> createNewFile(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide)) return base::Failure{kNotUtf8};
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return true;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return false;
    return systemFailure(nullptr, code);
}

void removeFile(const std::string& path) {
    std::wstring wide;
    if (widen(path, wide)) DeleteFileW(wide.c_str());
}

std::vector<std::string> regularFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::wstring pattern;
    if (!widen(folder + "\\*", pattern)) return names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                       FILE_ATTRIBUTE_DEVICE)) == 0)
            names.push_back(narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// The file system keeps a folder's names itself; a rename is made durable by
// MOVEFILE_WRITE_THROUGH (OutputFileWindows.cpp).
void syncFolder(const std::string&) {}

std::string executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

bool utcTime(std::int64_t seconds, std::tm& utc) {
    const __time64_t time = seconds;
    return _gmtime64_s(&utc, &time) == 0;
}

base::Result<LockedFile> LockedFile::open(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide)) return base::Failure{kNotUtf8};
    const DWORD attributes = attributesOf(wide);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return base::Failure{"Is a directory"};
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return base::Failure{"the file is read-only"};
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return systemFailure(nullptr, GetLastError());
    LockedFile opened(reinterpret_cast<std::intptr_t>(file));
    if (GetFileType(file) != FILE_TYPE_DISK) return base::Failure{kNotRegular};
    // The whole file, however long it grows; waits for another holder.
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        return systemFailure("lock", GetLastError());
    return opened;
}

LockedFile::~LockedFile() {
    if (handle_ != kClosed) CloseHandle(asHandle(handle_));  // lets go of the lock
}

base::Result<std::optional<char>> LockedFile::lastByte() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(asHandle(handle_), &size)) return systemFailure("stat", GetLastError());
    if (size.QuadPart == 0) return std::optional<char>{};
    OVERLAPPED at{};
    const auto last = static_cast<unsigned long long>(size.QuadPart - 1);
    at.Offset = static_cast<DWORD>(last);
    at.OffsetHigh = static_cast<DWORD>(last >> 32);
    char byte = 0;
    DWORD n = 0;
    if (!ReadFile(asHandle(handle_), &byte, 1, &n, &at) || n != 1)
        return systemFailure("read", GetLastError());
    return std::optional<char>(byte);
}

base::Result<std::size_t> LockedFile::append(std::string_view bytes) const {
    // At the end as it is now: under the lock no other writer moves it.
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(asHandle(handle_), LARGE_INTEGER{}, &end, FILE_END))
        return systemFailure("write", GetLastError());
    DWORD n = 0;
    if (!WriteFile(asHandle(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr))
        return systemFailure("write", GetLastError());
    return static_cast<std::size_t>(n);
}

base::Result<std::uint64_t> LockedFile::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(asHandle(handle_), &size)) return systemFailure("stat", GetLastError());
    return static_cast<std::uint64_t>(size.QuadPart);
}

base::Status LockedFile::truncate(std::uint64_t size) const {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(asHandle(handle_), FileEndOfFileInfo, &end, sizeof end))
        return systemFailure("truncate", GetLastError());
    return {};
}

base::Status LockedFile::sync() const {
    if (!FlushFileBuffers(asHandle(handle_))) return systemFailure("fsync", GetLastError());
    return {};
}

}  // namespace desktop::platform
