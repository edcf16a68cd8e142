// OutputFile.h on Windows: a missing or regular file is replaced through a
// temporary file beside it, flushed, and moved over it with MoveFileExW
// (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH: the move is durable
// when it returns), so a crash leaves the old file or the new one whole. A
// device (NUL, CON) is written in place; a folder or a read-only file is
// refused. Windows keeps no POSIX modes: `mode` is not used, and a replaced
// file keeps its attributes but not its own access list (the folder's
// applies, as to any new file). Links are the system's to follow:
// resolveLinks leaves the path as it is. A temporary file is held open,
// sharing nothing but reading, until it is moved: one that can be opened
// alone is one a killed run left, and the next write of its file removes it.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include "desktop/OutputFile.h"
#include "desktop/platform/Files.h"
#include "desktop/platform/WindowsText.h"

namespace desktop {
namespace {

constexpr const char* kTemporarySuffix = ".tmp.";
constexpr std::size_t kTemporaryRandom = 6;  // as mkstemp's XXXXXX on POSIX
constexpr int kTemporaryTries = 100;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

enum class Fault { None, MidWrite, AfterWrite, Unknown };

Fault faultSwitch() {
    const char* value = std::getenv("TRIMSIGHT_FAULT_SAVE");
    if (value == nullptr || *value == '\0') return Fault::None;
    if (std::strcmp(value, "mid-write") == 0) return Fault::MidWrite;
    if (std::strcmp(value, "after-write") == 0) return Fault::AfterWrite;
    return Fault::Unknown;
}

base::Failure failure(const std::string& step, DWORD code) {
    const std::string why = platform::describeError(code);
    return {step.empty() ? why : step + ": " + why};
}

bool writeAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD ask = size > 1u << 30 ? 1u << 30 : static_cast<DWORD>(size);
        DWORD n = 0;
        if (!WriteFile(file, data, ask, &n, nullptr)) return false;
        data += n;
        size -= n;
    }
    return true;
}

// A new, empty temporary file beside `path` (`temporary` its name), open for
// writing; INVALID_HANDLE_VALUE with the system's error on failure.
HANDLE makeTemporary(const std::string& path, std::string& temporary) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
        temporary = path + kTemporarySuffix;
        for (std::size_t i = 0; i < kTemporaryRandom; ++i) temporary += kLetters[letter(pick)];
        std::wstring wide;
        if (!platform::widen(temporary, wide)) {
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        // Shared for deleting too, so that it can be moved while open.
        HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

void removeTemporary(const std::string& temporary) {
    std::wstring wide;
    if (platform::widen(temporary, wide)) DeleteFileW(wide.c_str());
}

// The complete temporary file moved over `path`; removed on failure.
base::Status publishTemporary(const std::string& temporary, const std::string& path) {
    std::wstring from, to;
    if (!platform::widen(temporary, from) || !platform::widen(path, to)) {
        removeTemporary(temporary);
        return base::Failure{"the path is not UTF-8"};
    }
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        removeTemporary(temporary);
        return failure("", code);
    }
    return {};
}

// Writes, flushes and closes the temporary file.
base::Status fillTemporary(HANDLE file, std::string_view bytes) {
    const Fault fault = faultSwitch();
    auto fail = [file](const std::string& step) {
        const DWORD code = GetLastError();
        CloseHandle(file);
        return failure(step, code);
    };
    const std::size_t first = fault == Fault::MidWrite ? bytes.size() / 2 : bytes.size();
    if (!writeAll(file, bytes.data(), first)) return fail("write");
    if (fault == Fault::MidWrite) std::abort();
    if (!writeAll(file, bytes.data() + first, bytes.size() - first)) return fail("write");
    if (!FlushFileBuffers(file)) return fail("fsync");
    if (fault == Fault::AfterWrite) std::abort();
    if (!CloseHandle(file)) return failure("close", GetLastError());
    return {};
}

enum class Kind { Missing, Regular, Folder, ReadOnly, Device, Unreadable };

// What is at `path`; `code` the system's error for Unreadable.
Kind kindOf(const std::string& path, DWORD& code) {
    std::wstring wide;
    if (!platform::widen(path, wide)) {
        code = ERROR_INVALID_NAME;
        return Kind::Unreadable;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            // A device's name (NUL, CON) has no attributes on some systems.
            HANDLE device = CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (device == INVALID_HANDLE_VALUE)
                return code == ERROR_FILE_NOT_FOUND ? Kind::Missing : Kind::Unreadable;
            const DWORD type = GetFileType(device);
            CloseHandle(device);
            return type == FILE_TYPE_DISK ? Kind::Regular : Kind::Device;
        }
        return Kind::Unreadable;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Kind::Folder;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return Kind::Device;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return Kind::ReadOnly;
    return Kind::Regular;
}

base::Status writeInPlace(const std::string& path, std::string_view bytes) {
    std::wstring wide;
    platform::widen(path, wide);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return failure("", GetLastError());
    const bool written = writeAll(file, bytes.data(), bytes.size());
    const DWORD code = GetLastError();
    CloseHandle(file);
    return written ? base::Status{} : failure("write", code);
}

// Why `kind` cannot take a replacing write; empty when it can.
std::optional<base::Failure> refusal(Kind kind, DWORD code) {
    switch (kind) {
        case Kind::Folder:
            return base::Failure{"Is a directory"};
        case Kind::ReadOnly:
            return base::Failure{"the file is read-only; not replacing it"};
        case Kind::Unreadable:
            return failure("", code);
        default:
            return std::nullopt;
    }
}

}  // namespace

base::Status checkFaultSwitch() {
    if (faultSwitch() != Fault::Unknown) return {};
    return base::Failure{std::string("TRIMSIGHT_FAULT_SAVE=") +
                         std::getenv("TRIMSIGHT_FAULT_SAVE") +
                         " is not a fault this program knows (mid-write or after-write)"};
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    // The root of a drive ("C:\") or of the current one ("\").
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

base::Result<std::string> resolveLinks(std::string path) { return path; }

bool isTemporaryOf(const std::string& name, const std::string& target) {
    const std::string prefix = target + kTemporarySuffix;
    if (name.size() != prefix.size() + kTemporaryRandom || name.compare(0, prefix.size(), prefix))
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

void removeStaleTemporaries(const std::string& target) {
    const std::string folder = parentOf(target);
    const std::string name = target.substr(target.find_last_of("/\\") + 1);
    for (const std::string& file : platform::regularFilesIn(folder)) {
        if (!isTemporaryOf(file, name)) continue;
        std::wstring wide;
        if (!platform::widen(folder + "\\" + file, wide)) continue;
        // Opened alone, or not at all while a running writer has it open.
        HANDLE stale = CreateFileW(wide.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (stale != INVALID_HANDLE_VALUE) CloseHandle(stale);
    }
}

base::Result<HeldOutput> HeldOutput::check(const std::string& path) {
    DWORD code = 0;
    const Kind kind = kindOf(path, code);
    if (kind == Kind::Missing) {
        const base::Result<platform::FileState> folder = platform::stateOf(parentOf(path));
        if (!folder || folder->kind != platform::FileKind::Folder)
            return base::Failure{"no folder " + parentOf(path)};
    }
    if (kind == Kind::Device || kind == Kind::Missing) return HeldOutput(-1);
    if (std::optional<base::Failure> refused = refusal(kind, code)) return *refused;
    return HeldOutput(-1);
}

HeldOutput::~HeldOutput() = default;

base::Status checkFilesApart(std::span<const RunFile> outputs, std::span<const RunFile> inputs) {
    // An existing file by its identity (platform::sameFile); a missing one by
    // its folder's identity and its name, the case of letters ignored as the
    // file system does.
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    auto same = [&](const std::string& a, const std::string& b) {
        const bool aMissing = platform::isMissing(a);
        if (aMissing != platform::isMissing(b)) return false;
        if (!aMissing) return platform::sameFile(a, b);
        const auto nameOf = [](const std::string& path) {
            return path.substr(path.find_last_of("/\\") + 1);
        };
        return lower(nameOf(a)) == lower(nameOf(b)) && platform::sameFile(parentOf(a), parentOf(b));
    };
    const auto clash = [](const RunFile& output, const RunFile& other) {
        return base::Failure{output.what + " " + output.path + " is " + other.what + " " +
                             other.path + " itself; not writing over it"};
    };
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (const RunFile& input : inputs)
            if (same(outputs[i].path, input.path)) return clash(outputs[i], input);
        for (std::size_t j = 0; j < i; ++j)
            if (same(outputs[i].path, outputs[j].path)) return clash(outputs[i], outputs[j]);
    }
    return {};
}

base::Status writeOutputFile(const std::string& path, std::string_view bytes, mode_t) {
    DWORD code = 0;
    const Kind kind = kindOf(path, code);
    if (kind == Kind::Device) return writeInPlace(path, bytes);
    if (std::optional<base::Failure> refused = refusal(kind, code)) return *refused;
    removeStaleTemporaries(path);
    std::string temporary;
    HANDLE file = makeTemporary(path, temporary);
    if (file == INVALID_HANDLE_VALUE)
        return failure("cannot create a temporary file in " + parentOf(path), GetLastError());
    if (base::Status filled = fillTemporary(file, bytes); !filled) {
        removeTemporary(temporary);
        return filled;
    }
    return publishTemporary(temporary, path);
}

base::Status writeOutputFileThrough(const std::string& path, mode_t, const FillFile& fill) {
    DWORD code = 0;
    const Kind kind = kindOf(path, code);
    if (kind == Kind::Device)
        return base::Failure{
            "it is a device or a FIFO, and this output is written to a regular file only"};
    if (std::optional<base::Failure> refused = refusal(kind, code)) return *refused;
    removeStaleTemporaries(path);
    std::string temporary;
    HANDLE file = makeTemporary(path, temporary);
    if (file == INVALID_HANDLE_VALUE)
        return failure("cannot create a temporary file in " + parentOf(path), GetLastError());
    // The writer opens the file by its name; this handle stays open (every
    // handle shares writing) to flush what it wrote.
    base::Status done = fill(temporary);
    if (done && !FlushFileBuffers(file)) done = failure("fsync", GetLastError());
    CloseHandle(file);
    if (!done) {
        removeTemporary(temporary);
        return done;
    }
    if (faultSwitch() == Fault::AfterWrite) std::abort();
    return publishTemporary(temporary, path);
}

}  // namespace desktop
