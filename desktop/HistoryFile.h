#pragma once
// The record of drill attempts on disk: the history file and, beside it, the
// flight log of every attempt. The lines' format, their reader and the
// summary per drill are the sandbox's (sandbox/History.h); this is the file
// I/O around them.
//
// Where: --history PATH, else $XDG_DATA_HOME/trimsight/history.txt, else
// ~/.local/share/trimsight/history.txt. The flight logs go in flights/
// beside the history, named DRILL-SEED-TIME.log (TIME in UTC, 20240314T092653Z),
// and the history names them relative to its own folder.
//
// The window, when an attempt ends:
//   Result<AttemptRecord> kept = appendAttempt(historyPath, record, log);
//   if (!kept) show kept.error();        // nothing half-written is left
// and when a drill starts, the attempts so far, each flight read back from
// attemptFlightPath (HistoryArchive.h does both for the window's ghost):
//   Result<vector<AttemptRecord>> history = loadHistory(historyPath, warnings);
//
// Safety: the history is only ever appended to, one whole line with one
// O_APPEND write and then fsync, so a crash never touches earlier lines (a
// torn last line is skipped by the reader and the next append starts on a
// line of its own); a write the disk takes only part of, or an fsync that
// fails, is cut back off under the lock. A history that is no regular file
// or is read-only (by its mode bits, even for root) is refused before
// anything is written beside it. Appends from several processes at once each land whole.
// A file that is corrupt or holds lines of a newer version is read for its
// good lines, with warnings, and never rewritten.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "base/Warnings.h"
#include "sandbox/Drills.h"
#include "sandbox/FlightLog.h"
#include "sandbox/History.h"

namespace desktop {

// The largest history read: some 250,000 attempts.
inline constexpr std::size_t kMaxHistoryBytes = std::size_t{64} << 20;

// The default history file; empty when neither XDG_DATA_HOME nor HOME gives
// a folder.
std::string defaultHistoryPath();

// The history file to use: `given` (the --history option) unless empty, else
// the default. Fails when there is neither.
base::Result<std::string> historyPath(const std::string& given);

// Every good line of the history, with a warning ("FILE:LINE: what is wrong;
// skipped") for each line skipped. A missing file is an empty history. Fails
// only when the file cannot be read at all (not a regular file, larger than
// kMaxHistoryBytes, no permission).
base::Result<std::vector<sandbox::AttemptRecord>> loadHistory(const std::string& path,
                                                              base::Warnings& warnings);

// Appends one attempt's line to the history, creating the file (mode 0600)
// if it is missing. The folder must exist.
base::Status appendAttemptLine(const std::string& path, const sandbox::AttemptRecord& record);

// Keeps a finished attempt (its record, from sandbox::attemptRecord): checks
// the history (a regular file, not read-only, or missing in an existing
// folder), writes its flight log into flights/ beside it (a name no other
// file has), then appends its line naming that log; when the line cannot be
// appended whole, what was written of it is cut off under the history's lock
// and the log removed, so a full disk loses the new attempt only.
// For the default history the program's data folder is made first, as the
// config's folder is (only trimsight/ under an existing data home, or
// ~/.local/share in an existing home folder); the folder of a --history path
// must exist. Returns the record as written. On failure nothing names a
// log that is not there.
base::Result<sandbox::AttemptRecord> appendAttempt(const std::string& path,
                                                   sandbox::AttemptRecord record,
                                                   const sandbox::FlightLog& log);

// The flight log file of an attempt: its log= name, taken relative to the
// history's folder. Only a file in the history's own flights/ folder
// ("flights/NAME") is an attempt's log: any other name (absolute, "../..",
// a subfolder) fails, as does a line with no log.
base::Result<std::string> attemptFlightPath(const std::string& historyPath,
                                            const sandbox::AttemptRecord& attempt);

}  // namespace desktop
