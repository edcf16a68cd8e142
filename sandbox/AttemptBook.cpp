#include "sandbox/AttemptBook.h"

namespace sandbox {

AttemptBook::AttemptBook(AttemptArchive* archive) : archive_(archive) {}

// The archive's attempts come first, before any of this run's, once.
void AttemptBook::readArchive() {
    if (archiveRead_ || archive_ == nullptr) return;
    archiveRead_ = true;
    attempts_ = archive_->attempts();
}

base::Status AttemptBook::add(const sandbox::Drill& drill, const sandbox::FlightLog& flight,
                              int64_t time) {
    readArchive();
    sandbox::AttemptRecord record = sandbox::attemptRecord(drill, time, "");
    base::Status kept;
    if (archive_ != nullptr) {
        base::Result<sandbox::AttemptRecord> archived = archive_->append(record, flight);
        if (archived)
            record = std::move(*archived);
        else
            kept = archived.failure();
    }
    attempts_.push_back(std::move(record));
    const sandbox::AttemptRecord& added = attempts_.back();
    if (sandbox::bestAttempt(attempts_, added.drill, added.seed) == &added)
        best_[{added.drill, added.seed}] = {attempts_.size() - 1,
                                            std::make_unique<sandbox::FlightLog>(flight)};
    return kept;
}

base::Result<const sandbox::FlightLog*> AttemptBook::bestFlight(std::string_view drill,
                                                                uint64_t seed) {
    readArchive();
    const sandbox::AttemptRecord* best = sandbox::bestAttempt(attempts_, drill, seed);
    if (best == nullptr) return nullptr;  // none passed
    const auto index = static_cast<std::size_t>(best - attempts_.data());
    auto& [kept, flight] = best_[{std::string(drill), seed}];
    if (flight && kept == index) return flight.get();
    if (archive_ == nullptr) return nullptr;
    base::Result<sandbox::FlightLog> read = archive_->flight(*best);
    if (!read) return read.failure();
    kept = index;
    flight = std::make_unique<sandbox::FlightLog>(std::move(*read));
    return static_cast<const sandbox::FlightLog*>(flight.get());
}

std::span<const sandbox::AttemptRecord> AttemptBook::attempts() {
    readArchive();
    return attempts_;
}

AttemptBook::SeedRecord AttemptBook::seedRecord(std::string_view drill, uint64_t seed) {
    readArchive();
    SeedRecord r;
    bool latestSeen = false;
    for (auto it = attempts_.rbegin(); it != attempts_.rend(); ++it) {
        if (it->drill != drill || it->seed != seed) continue;
        ++r.attempts;
        if (!latestSeen) {
            r.latest = it->mainScore();
            latestSeen = true;
        } else if (r.attempts == 2) {
            r.before = it->mainScore();
        }
    }
    if (const sandbox::AttemptRecord* best = sandbox::bestAttempt(attempts_, drill, seed))
        r.best = best->mainScore();
    return r;
}

}  // namespace sandbox
