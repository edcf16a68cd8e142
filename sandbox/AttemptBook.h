#pragma once
// The attempts a window knows of: this run's, and those an archive (the
// history file and its flight logs) holds from earlier runs. It answers the
// session's question "the best flight of this drill and seed, to race as a
// ghost", and passes each finished attempt on to the archive.
//
// The archive is an interface so that the window does not depend on where
// attempts are kept: the desktop's history file under $XDG_DATA_HOME, a
// browser's local storage, nothing at all in tests.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "sandbox/Drills.h"
#include "sandbox/FlightLog.h"
#include "sandbox/History.h"

namespace sandbox {

class AttemptArchive {
  public:
    virtual ~AttemptArchive() = default;
    // Keeps a finished attempt's record (made by the book, its flight log
    // not yet named) and its flight; the record as kept (its flight log
    // named, when the archive keeps the flight).
    virtual base::Result<sandbox::AttemptRecord> append(const sandbox::AttemptRecord& record,
                                                        const sandbox::FlightLog& flight) = 0;
    // The attempts kept so far, oldest first.
    virtual std::vector<sandbox::AttemptRecord> attempts() = 0;
    // The flight of one of them.
    virtual base::Result<sandbox::FlightLog> flight(const sandbox::AttemptRecord& record) = 0;
};

class AttemptBook {
  public:
    // Without an archive the book knows this run's attempts only.
    explicit AttemptBook(AttemptArchive* archive = nullptr);

    // A finished attempt, ended at `time` (Unix seconds): handed to the
    // archive, and noted (its flight kept when it is the best of its drill
    // and seed). The archive's failure, if any, is returned; the attempt is
    // noted either way.
    base::Status add(const sandbox::Drill& drill, const sandbox::FlightLog& flight, int64_t time);

    // The flight of the best passed attempt of a drill and seed (the earliest
    // on a tie); null when none passed, a failure when the archive cannot
    // give its flight. Valid until the next add().
    base::Result<const sandbox::FlightLog*> bestFlight(std::string_view drill, uint64_t seed);

    // A drill and seed's attempts so far, for the result panel: how many,
    // the best passed one's main score, and the latest two attempts' (the
    // latest first); nullopt where there is none or it has no value.
    struct SeedRecord {
        std::size_t attempts = 0;
        std::optional<float> best;
        std::optional<float> latest;
        std::optional<float> before;
    };
    SeedRecord seedRecord(std::string_view drill, uint64_t seed);

    // Every attempt known, oldest first: the archive's, then this run's (for
    // the window's progress view). Valid until the next add().
    std::span<const sandbox::AttemptRecord> attempts();

  private:
    void readArchive();

    using Key = std::pair<std::string, uint64_t>;

    AttemptArchive* archive_;
    bool archiveRead_ = false;
    std::vector<sandbox::AttemptRecord> attempts_;
    // The flight of the best attempt per drill and seed, by its index in
    // attempts_ (a flight from the archive is read when first asked for).
    std::map<Key, std::pair<std::size_t, std::unique_ptr<sandbox::FlightLog>>> best_;
};

}  // namespace sandbox
