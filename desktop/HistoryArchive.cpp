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
    // A log that cannot be used is a warning: the ghost is missing for a
    // reason the player can see.
    const auto refuse = [this](const std::string& why) {
        warnings_.add("the best attempt is not raced: " + why);
        return base::Failure{why};
    };
    const base::Result<std::string> file = attemptFlightPath(*path_, record);
    if (!file) return refuse(file.error());
    base::Result<sandbox::FlightLog> log = loadFlightLog(*file);
    if (!log) return refuse(log.error());
    if (log->drill && (log->drill->name != record.drill || log->drill->seed != record.seed))
        return refuse(*file + ": the flight log is not of the attempt at " + record.drill +
                      " with seed " + std::to_string(record.seed) + " that its line names");
    return log;
}

}  // namespace desktop
