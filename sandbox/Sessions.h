#pragma once
// Sessions: a playlist of practice, played in order, with a running tally
// and a streak ("7 in a row").
//
// An entry is a drill (by its name and a seed), a pack's shot (the pack by
// name, the shot's number from 1, a variance seed) or a ring course (by
// name), each with a count: how many attempts it asks for before the
// session moves on. Drills and built-in packs resolve here; courses and the
// player's own packs are named as text and resolved by the caller (the
// window, which knows the player's folders; courses come from their own
// library), so the format holds them all today.
//
// The file, in the flight log's style (TextFormat.h), also as a share code:
//
//   trimsight-session 1
//   name "First aerials"           at most kMaxSessionTextBytes
//   author "Trimsight"
//   drill aerial-touch 1 x5        a drill, its seed, five attempts
//   shot first-aerials 3 0 x4      a pack, its shot (from 1), the variance
//                                  seed, four attempts
//   course gentle-loop x3          a ring course by name, three attempts
//
// At most kMaxSessionEntries entries, counts 1 to kMaxEntryCount; names are
// drill-style (lower case letters, digits and '-').
//
// Playing: SessionTally counts the attempts of the current entry, moves on
// after its count, and keeps the passes, the streak of passes in a row and
// the best streak; it allocates nothing.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace sandbox {

inline constexpr std::string_view kSessionMagic = "trimsight-session";
inline constexpr int kSessionVersion = 1;
inline constexpr std::size_t kMaxSessionEntries = 100;
inline constexpr int kMaxEntryCount = 100;
inline constexpr std::size_t kMaxSessionTextBytes = 80;
inline constexpr std::size_t kMaxSessionNameLength = 64;
inline constexpr std::size_t kMaxSessionFileBytes = 64u << 10;

struct SessionEntry {
    enum class Kind : uint8_t { Drill, Shot, Course };
    Kind kind = Kind::Drill;
    std::string name;   // the drill's, the pack's (its slug) or the course's
    uint64_t seed = 0;  // a drill's seed; a shot's variance seed
    int shot = 1;       // a shot's number in its pack, from 1
    int count = 1;      // attempts
    bool operator==(const SessionEntry&) const = default;
};

struct Session {
    std::string name;
    std::string author;
    std::vector<SessionEntry> entries;
    bool operator==(const Session&) const = default;
    // The attempts the whole session asks for.
    int attempts() const;
};

std::string formatSession(const Session& session);
base::Result<Session> parseSession(std::string_view text, std::string_view fileName);

// An entry's text as a player reads it: "aerial-touch (seed 1)", "first-
// aerials shot 3", "course gentle-loop".
std::string entryLabel(const SessionEntry& entry);

// Whether every drill and built-in pack's shot of the session exists (the
// message names the first that does not, by its entry's number). Courses
// and packs that are not built in are the caller's to check.
base::Status checkBuiltInEntries(const Session& session);

// One per level: first aerials, air control, fast aerials.
std::span<const Session> builtInSessions();
const Session* findBuiltInSession(std::string_view name);

// The tally of a session being played.
class SessionTally {
  public:
    explicit SessionTally(const Session& session) : session_(session) {}

    // After an attempt at the current entry: counts it, and moves on after
    // the entry's count. Does nothing once finished.
    void record(bool passed);
    bool finished() const { return entry_ >= session_.entries.size(); }
    // The entry now (its index) and the attempt at it (from 0).
    std::size_t entry() const { return entry_; }
    int attemptOfEntry() const { return attemptOfEntry_; }
    int attempts() const { return attempts_; }
    int passed() const { return passed_; }
    int streak() const { return streak_; }  // passes in a row, now
    int bestStreak() const { return bestStreak_; }
    // "12 of 30 · 9 passed · 4 in a row" for the window's corner.
    std::string text() const;

  private:
    const Session& session_;
    std::size_t entry_ = 0;
    int attemptOfEntry_ = 0;
    int attempts_ = 0;
    int passed_ = 0;
    int streak_ = 0;
    int bestStreak_ = 0;
};

}  // namespace sandbox
