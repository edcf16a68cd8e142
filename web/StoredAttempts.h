#pragma once
// The record of drill attempts in the page's local storage, as the desktop
// keeps it in its history file: the same lines (sandbox/History.h), one
// text under kHistoryKey, only ever appended to. Plain logic over a
// key-value store, compiled natively for the tests; the page's store is the
// browser's local storage.
//
// Flight logs: the browser gives a site some 5 MB, and a 10-second attempt's
// log is some 50 KB, so only the best passed attempt of each drill and seed
// keeps its flight (the ghost to fly against), under its own key; the line
// of that attempt names the key, the others name none. When a better one
// comes, its flight is stored first, its line appended, and then the
// former best's flight removed. A flight the storage has no room for is not
// kept (a warning says so) and the attempt is recorded all the same; an
// attempt whose line finds no room is not recorded, and its flight goes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "base/Warnings.h"
#include "sandbox/AttemptBook.h"
#include "sandbox/Drills.h"
#include "sandbox/FlightLog.h"
#include "sandbox/History.h"

namespace web {

// Text under keys, as the browser's local storage keeps it.
class PageStorage {
  public:
    virtual ~PageStorage() = default;
    virtual std::optional<std::string> get(const std::string& key) const = 0;
    // False when the text cannot be stored (the storage is full).
    virtual bool set(const std::string& key, const std::string& text) = 0;
    virtual void remove(const std::string& key) = 0;
};

inline constexpr const char* kHistoryKey = "trimsight.history";
// The best flights' keys start so: trimsight.flight.DRILL.SEED.TIME.
inline constexpr std::string_view kFlightKeyPrefix = "trimsight.flight.";

// Every good line of the stored history, with a warning for each skipped
// ("the stored history:LINE: ...; skipped").
std::vector<sandbox::AttemptRecord> readStoredAttempts(const PageStorage& storage,
                                                       base::Warnings& warnings);

// Keeps a finished attempt (its record, from sandbox::attemptRecord) and,
// when it is the best passed one of its drill and seed, its flight. The
// record as kept; `warnings` gets a line when the flight found no room.
base::Result<sandbox::AttemptRecord> keepStoredAttempt(PageStorage& storage,
                                                       sandbox::AttemptRecord record,
                                                       const sandbox::FlightLog& flight,
                                                       base::Warnings& warnings);

// The stored flight of an attempt; a failure when it kept none or its
// flight is gone or unreadable.
base::Result<sandbox::FlightLog> storedFlight(const PageStorage& storage,
                                              const sandbox::AttemptRecord& record);

// The page's record of attempts for the window's drills (the desktop keeps
// its history file so, desktop/HistoryArchive.h): each finished attempt
// kept as above, the stored ones read for the ghost. Every warning (a line
// skipped, a flight with no room) goes to `warnings`, which must outlive
// the archive.
class StoredAttemptArchive final : public sandbox::AttemptArchive {
  public:
    StoredAttemptArchive(PageStorage& storage, base::Warnings& warnings);

    base::Result<sandbox::AttemptRecord> append(const sandbox::AttemptRecord& record,
                                                const sandbox::FlightLog& flight) override;
    std::vector<sandbox::AttemptRecord> attempts() override;
    base::Result<sandbox::FlightLog> flight(const sandbox::AttemptRecord& record) override;

  private:
    PageStorage& storage_;
    base::Warnings& warnings_;
};

}  // namespace web
