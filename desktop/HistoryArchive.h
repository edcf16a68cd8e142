#pragma once
// The window's record of attempts (sandbox::AttemptArchive) kept in the history
// file: each finished attempt appended with its flight log (History.h), the
// attempts of earlier runs read from it, and their flights for the ghost.
//
// Reading warns, through `warnings`, of every line skipped (a torn last line, a
// corrupt line, a newer version's) and of a history that cannot be read at
// all; the good lines are used and the file is only ever appended to.
#include <string>
#include <vector>

#include "base/Result.h"
#include "base/Warnings.h"
#include "sandbox/AttemptBook.h"

namespace desktop {

class HistoryArchive final : public sandbox::AttemptArchive {
  public:
    // `path` is historyPath(--history): a failure there (no folder for the
    // default history) makes every append fail with its reason, and reads
    // find nothing. `warnings` must outlive the archive.
    HistoryArchive(base::Result<std::string> path, base::Warnings& warnings);

    base::Result<sandbox::AttemptRecord> append(const sandbox::AttemptRecord& record,
                                                const sandbox::FlightLog& flight) override;
    std::vector<sandbox::AttemptRecord> attempts() override;
    base::Result<sandbox::FlightLog> flight(const sandbox::AttemptRecord& record) override;

  private:
    base::Result<std::string> path_;
    base::Warnings& warnings_;
};

}  // namespace desktop
