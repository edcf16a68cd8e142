#include "desktop/HistoryArchive.h"

#include <utility>

#include "desktop/HistoryFile.h"
#include "desktop/InputFile.h"

namespace desktop {

HistoryArchive::HistoryArchive(base::Result<std::string> path, base::Warnings& warnings)
    : path_(std::move(path)), warnings_(warnings) {}

base::Result<sandbox::AttemptRecord> HistoryArchive::append(const sandbox::AttemptRecord& record,
                                                            const sandbox::FlightLog& flight) {
    if (!path_) return path_.failure();
    return appendAttempt(*path_, record, flight);
}

std::vector<sandbox::AttemptRecord> HistoryArchive::attempts() {
    if (!path_) return {};
    base::Result<std::vector<sandbox::AttemptRecord>> read = loadHistory(*path_, warnings_);
    if (!read) {
        // Appends go on: they never touch what is there.
        warnings_.add("earlier attempts are not raced: " + read.error());
        return {};
    }
    return std::move(*read);
}

base::Result<sandbox::FlightLog> HistoryArchive::flight(const sandbox::AttemptRecord& record) {
    if (!path_) return path_.failure();
    const std::string file = attemptFlightPath(*path_, record);
    if (file.empty())
        return base::Failure{"the attempt at " + record.drill + " with seed " +
                             std::to_string(record.seed) + " kept no flight log"};
    return loadFlightLog(file);
}

}  // namespace desktop
