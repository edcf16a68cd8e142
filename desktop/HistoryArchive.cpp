#include "desktop/HistoryArchive.h"

#include <utility>

#include "desktop/HistoryFile.h"
#include "desktop/InputFile.h"

namespace desktop {

HistoryArchive::HistoryArchive(base::Result<std::string> path, Warn warn)
    : path_(std::move(path)), warn_(std::move(warn)) {}

base::Result<sandbox::AttemptRecord> HistoryArchive::append(const sandbox::Drill& drill,
                                                            const sandbox::FlightLog& flight,
                                                            int64_t time) {
    if (!path_) return path_.failure();
    return appendAttempt(*path_, drill, flight, time);
}

std::vector<sandbox::AttemptRecord> HistoryArchive::attempts() {
    if (!path_) return {};
    base::Result<sandbox::HistoryRead> read = loadHistory(*path_);
    if (!read) {
        // Appends go on: they never touch what is there.
        warn_("earlier attempts are not raced: " + read.error());
        return {};
    }
    for (const std::string& warning : read->warnings) warn_(warning);
    return std::move(read->attempts);
}

base::Result<sandbox::FlightLog> HistoryArchive::flight(const sandbox::AttemptRecord& record) {
    if (!path_) return path_.failure();
    // A log that cannot be used is a warning: the ghost is missing for a
    // reason the player can see.
    const auto refuse = [this](const std::string& why) {
        warn_("the best attempt is not raced: " + why);
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
