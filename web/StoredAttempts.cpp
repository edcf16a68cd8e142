#include "web/StoredAttempts.h"

#include <utility>

namespace web {
namespace {

constexpr const char* kHistoryName = "the stored history";

std::string flightKey(const sandbox::AttemptRecord& record) {
    return std::string(kFlightKeyPrefix) + record.drill + "." + std::to_string(record.seed) + "." +
           std::to_string(record.time);
}

// True when `record` would be the best passed attempt of its drill and
// seed among `attempts` and itself (an earlier one wins a tie).
bool wouldBeBest(const std::vector<sandbox::AttemptRecord>& attempts,
                 const sandbox::AttemptRecord& record) {
    std::vector<sandbox::AttemptRecord> with = attempts;
    with.push_back(record);
    return sandbox::bestAttempt(with, record.drill, record.seed) == &with.back();
}

}  // namespace

std::vector<sandbox::AttemptRecord> readStoredAttempts(const PageStorage& storage,
                                                       base::Warnings& warnings) {
    const std::optional<std::string> text = storage.get(kHistoryKey);
    return sandbox::parseHistory(text ? *text : std::string(), kHistoryName, warnings);
}

base::Result<sandbox::AttemptRecord> keepStoredAttempt(PageStorage& storage,
                                                       sandbox::AttemptRecord record,
                                                       const sandbox::FlightLog& flight,
                                                       base::Warnings& warnings) {
    const std::string history = storage.get(kHistoryKey).value_or("");
    // Lines skipped here were warned of when the history was read.
    base::Warnings skipped;
    const std::vector<sandbox::AttemptRecord> attempts =
        sandbox::parseHistory(history, kHistoryName, skipped);
    record.flightLog.clear();
    const sandbox::AttemptRecord* former =
        sandbox::bestAttempt(attempts, record.drill, record.seed);
    const std::string formerFlight = former != nullptr ? former->flightLog : "";
    if (wouldBeBest(attempts, record)) {
        const std::string key = flightKey(record);
        if (storage.set(key, sandbox::formatFlightLog(flight)))
            record.flightLog = key;
        else
            warnings.add("the best flight of " + record.drill + " seed " +
                         std::to_string(record.seed) +
                         " was not kept: the browser's storage is full");
    }
    const auto dropNewFlight = [&] {
        if (!record.flightLog.empty() && record.flightLog != formerFlight)
            storage.remove(record.flightLog);
    };
    const std::optional<char> lastByte =
        history.empty() ? std::nullopt : std::optional<char>(history.back());
    const base::Result<std::string> line = sandbox::historyAppendText(record, lastByte);
    if (!line.ok()) {
        dropNewFlight();
        return base::Failure{"the attempt cannot be recorded: " + line.error()};
    }
    if (!storage.set(kHistoryKey, history + *line)) {
        dropNewFlight();
        return base::Failure{"the attempt was not recorded: the browser's storage is full"};
    }
    // The former best's flight goes only once the new best's line is in.
    if (!record.flightLog.empty() && formerFlight.starts_with(kFlightKeyPrefix) &&
        formerFlight != record.flightLog)
        storage.remove(formerFlight);
    return record;
}

base::Result<sandbox::FlightLog> storedFlight(const PageStorage& storage,
                                              const sandbox::AttemptRecord& record) {
    if (record.flightLog.empty())
        return base::Failure{"the attempt of " + record.drill + " kept no flight"};
    const std::optional<std::string> text = storage.get(record.flightLog);
    if (!text) return base::Failure{record.flightLog + " is not in the browser's storage"};
    base::Result<sandbox::FlightLog> log = sandbox::parseFlightLog(*text, record.flightLog);
    if (!log.ok()) return base::Failure{log.error()};
    return std::move(*log);
}

StoredAttemptArchive::StoredAttemptArchive(PageStorage& storage, base::Warnings& warnings)
    : storage_(storage), warnings_(warnings) {}

base::Result<sandbox::AttemptRecord> StoredAttemptArchive::append(
    const sandbox::AttemptRecord& record, const sandbox::FlightLog& flight) {
    return keepStoredAttempt(storage_, record, flight, warnings_);
}

std::vector<sandbox::AttemptRecord> StoredAttemptArchive::attempts() {
    return readStoredAttempts(storage_, warnings_);
}

base::Result<sandbox::FlightLog> StoredAttemptArchive::flight(
    const sandbox::AttemptRecord& record) {
    return storedFlight(storage_, record);
}

}  // namespace web
