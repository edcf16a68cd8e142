#include "desktop/HistoryFile.h"

#include <ctime>
#include <utility>

#include "base/Excerpt.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/UserFolders.h"
#include "desktop/platform/Files.h"
#include "sandbox/NumberText.h"
#include "scene/JsonReader.h"

namespace desktop {
namespace {

constexpr const char* kHistoryFile = "history.txt";
constexpr const char* kFlightsFolder = "flights";
// Attempts of one drill and seed ending in the same second get -2, -3, ...
constexpr int kMaxSameNameLogs = 1000;

base::Failure appendFailure(const std::string& path, const std::string& why) {
    return {path + ": cannot append to the history: " + why};
}

// Why the history cannot take a line, checked before anything is written
// beside it: it must be a regular file that is not read-only, or missing in
// an existing folder (made for the default history first).
base::Status checkHistory(const std::string& path) {
    const base::Result<platform::FileState> st = platform::stateOf(path);
    if (!st) return st.failure();
    if (st->kind == platform::FileKind::Missing) {
        const std::string folder = parentOf(path);
        const base::Result<platform::FileState> above = platform::stateOf(folder);
        if (!above || above->kind != platform::FileKind::Folder)
            return base::Failure{"no folder " + folder};
        return {};
    }
    if (st->kind == platform::FileKind::Folder) return base::Failure{"Is a directory"};
    if (st->kind != platform::FileKind::Regular)
        return base::Failure{"not a regular file (a FIFO, a device or a socket)"};
    if (st->readOnly) return base::Failure{"the file is read-only"};
    return {};
}

// Whether a history line's log= is a file in the history's own flights/
// folder ("flights/NAME", NAME a plain file name), the only place an attempt's
// log is written and read.
bool isOwnFlightLog(const std::string& name) {
    const std::string prefix = std::string(kFlightsFolder) + "/";
    if (name.rfind(prefix, 0) != 0) return false;
    const std::string file = name.substr(prefix.size());
    return !file.empty() && file != "." && file != ".." && file.find('/') == std::string::npos;
}

// "20240314T092653Z": a time for file names, without the colons of
// the history's own ISO form.
std::string compactUtc(int64_t time) {
    std::tm utc{};
    char text[32] = "";
    if (!platform::utcTime(time, utc) ||
        std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc) == 0)
        return std::to_string(time);
    return text;
}

// Creates an empty file under a name no other file has in `folder`
// (STEM.log, STEM-2.log, ...) and returns its name, so that a log is never
// written over another attempt's.
base::Result<std::string> reserveLogName(const std::string& folder, const std::string& stem) {
    for (int n = 1; n <= kMaxSameNameLogs; ++n) {
        std::string name = stem;
        if (n > 1) name.append("-").append(std::to_string(n));
        name += ".log";
        const std::string path = std::string(folder).append("/").append(name);
        const base::Result<bool> created = platform::createNewFile(path);
        if (!created) return base::Failure{"cannot create " + path + ": " + created.error()};
        if (*created) return name;
    }
    return base::Failure{"too many flight logs named " + stem + " in " + folder};
}

// Writes the attempt's log into flights/ beside the history; returns its
// name relative to the history's folder.
base::Result<std::string> keepFlightLog(const std::string& historyPath, const std::string& stem,
                                        const sandbox::FlightLog& log) {
    const std::string folder = parentOf(historyPath) + "/" + kFlightsFolder;
    if (base::Status made = makeFolder(folder); !made) return base::Failure{made.error()};
    const base::Result<std::string> name = reserveLogName(folder, stem);
    if (!name) return name.failure();
    const std::string path = folder + "/" + *name;
    if (base::Status written = writeOutputFile(path, sandbox::formatFlightLog(log), 0666);
        !written) {
        platform::removeFile(path);  // the empty file reserved above, ours
        return base::Failure{"cannot write " + path + ": " + written.error()};
    }
    return std::string(kFlightsFolder) + "/" + *name;
}

}  // namespace

std::string defaultHistoryPath() {
    const std::string folder = programFolder(kDataBase);
    return folder.empty() ? folder : folder + "/" + kHistoryFile;
}

base::Result<std::string> historyPath(const std::string& given) {
    if (!given.empty()) return given;
    std::string path = defaultHistoryPath();
    if (path.empty())
        return base::Failure{
            "no history of attempts: neither XDG_DATA_HOME nor HOME names a folder; "
            "use --history PATH"};
    return path;
}

base::Result<std::vector<sandbox::AttemptRecord>> loadHistory(const std::string& path,
                                                              base::Warnings& warnings) {
    if (platform::isMissing(path))
        return std::vector<sandbox::AttemptRecord>{};  // no attempt kept yet
    const base::Result<std::string> text = readInputFile(path, "the history", kMaxHistoryBytes);
    if (!text) return text.failure();
    return sandbox::parseHistory(*text, path, warnings);
}

base::Status appendAttemptLine(const std::string& path, const sandbox::AttemptRecord& record) {
    // A FIFO in the history's place is refused rather than waited on, a
    // read-only file too (by its marks: even for root). Appenders take
    // turns, so that the last byte read is still the last byte when the line
    // goes after it, and a torn line can be cut off.
    const base::Result<platform::LockedFile> file = platform::LockedFile::open(path);
    if (!file) return appendFailure(path, file.error());
    const base::Result<std::optional<char>> last = file->lastByte();
    if (!last) return appendFailure(path, last.error());
    const base::Result<std::string> text = sandbox::historyAppendText(record, *last);
    if (!text.ok()) return appendFailure(path, text.error());
    const base::Result<std::uint64_t> before = file->size();
    if (!before) return appendFailure(path, before.error());
    // One write of the whole line: a crash tears this line at most. A write
    // the disk takes only part of (a full disk, a file-size limit) is cut
    // back off, so the file is as it was.
    const base::Result<std::size_t> written = file->append(*text);
    if (!written) return appendFailure(path, written.error());
    if (*written != text->size()) {
        const bool cut = *written == 0 || file->truncate(*before).ok();
        return appendFailure(path, std::string("write: the disk took only part of the line") +
                                       (cut ? "" : "; the part written could not be cut off"));
    }
    if (base::Status synced = file->sync(); !synced) {
        // Not known to be on the disk: cut off, as the log it names goes.
        const bool cut = file->truncate(*before).ok();
        return appendFailure(path, synced.error() + (cut ? "" : "; the line could not be cut off"));
    }
    if (!*last) platform::syncFolder(parentOf(path));  // a new file: its name must last too
    return {};
}

base::Result<sandbox::AttemptRecord> appendAttempt(const std::string& path,
                                                   sandbox::AttemptRecord record,
                                                   const sandbox::FlightLog& log) {
    const std::string stem =
        record.drill + "-" + std::to_string(record.seed) + "-" + compactUtc(record.time);
    record.flightLog = std::string(kFlightsFolder) + "/" + stem + ".log";
    // A record the line cannot hold is refused before any file is made.
    if (const base::Result<std::string> line = sandbox::formatAttemptLine(record); !line.ok())
        return appendFailure(path, line.error());
    if (path == defaultHistoryPath()) {
        if (base::Status made = makeProgramFolder(kDataBase); !made)
            return appendFailure(path, made.error());
    }
    if (base::Status usable = checkHistory(path); !usable)
        return appendFailure(path, usable.error());
    base::Result<std::string> kept = keepFlightLog(path, stem, log);
    if (!kept) return appendFailure(path, kept.error());
    record.flightLog = std::move(*kept);
    if (base::Status appended = appendAttemptLine(path, record); !appended) {
        // No line names the log: it goes too.
        platform::removeFile(parentOf(path) + "/" + record.flightLog);
        return base::Failure{appended.error()};
    }
    return record;
}

base::Result<std::string> attemptFlightPath(const std::string& historyPath,
                                            const sandbox::AttemptRecord& attempt) {
    if (attempt.flightLog.empty())
        return base::Failure{"the attempt at " + attempt.drill + " with seed " +
                             std::to_string(attempt.seed) + " kept no flight log"};
    if (!isOwnFlightLog(attempt.flightLog))
        return base::Failure{historyPath + ": the attempt at " + attempt.drill + " with seed " +
                             std::to_string(attempt.seed) + " names the log " +
                             sandbox::jsonString(base::excerpt(attempt.flightLog)) +
                             ", which is not in the history's own " + kFlightsFolder +
                             "/ folder; not read"};
    return parentOf(historyPath) + "/" + attempt.flightLog;
}

}  // namespace desktop
