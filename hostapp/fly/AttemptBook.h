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
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hostapp/Result.h"
#include "sandbox/Sandbox.h"

namespace fly {

class AttemptArchive {
  public:
    virtual ~AttemptArchive() = default;
    // Keeps a finished attempt and its flight (the record's flight-log name
    // is the archive's to fill in).
    virtual hostapp::Status append(const sandbox::AttemptRecord& record,
                                   const sandbox::FlightLog& flight) = 0;
    // The attempts kept so far, oldest first.
    virtual std::vector<sandbox::AttemptRecord> attempts() = 0;
    // The flight of one of them.
    virtual hostapp::Result<sandbox::FlightLog> flight(const sandbox::AttemptRecord& record) = 0;
};

class AttemptBook {
  public:
    // Without an archive the book knows this run's attempts only.
    explicit AttemptBook(AttemptArchive* archive = nullptr);

    // A finished attempt: noted (and its flight kept when it is the best of
    // its drill and seed), then handed to the archive. The archive's failure,
    // if any, is returned; the attempt stays noted either way.
    hostapp::Status add(const sandbox::AttemptRecord& record, const sandbox::FlightLog& flight);

    // The flight of the best passed attempt of a drill and seed (the earliest
    // on a tie); null when none passed or its flight cannot be had. Valid
    // until the next add().
    const sandbox::FlightLog* bestFlight(std::string_view drill, uint64_t seed);

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

}  // namespace fly
