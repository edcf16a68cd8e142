#include "sandbox/Sessions.h"

#include <algorithm>

#include "sandbox/Drills.h"
#include "sandbox/Shots.h"
#include "sandbox/TextFormat.h"

namespace sandbox {

namespace {

using text::fail;
using text::Fields;

bool validEntryName(std::string_view name) {
    if (name.empty() || name.size() > kMaxSessionNameLength) return false;
    for (char ch : name)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-')) return false;
    return true;
}

std::string entryName(Fields& f, const char* what) {
    const std::string_view name = f.word(what);
    if (!validEntryName(name))
        fail(std::string(what) + ": \"" + std::string(name) +
             "\" is not a name (lower case letters, digits and -, at most " +
             std::to_string(kMaxSessionNameLength) + " characters)");
    return std::string(name);
}

// "x5": the entry's count.
int countOf(Fields& f) {
    const std::string_view w = f.word("the count (x1 to x100)");
    if (w.size() < 2 || w[0] != 'x')
        fail("the count: expected x1 to x100, got \"" + std::string(w) + '"');
    Fields number(w.substr(1));
    return static_cast<int>(number.integer("the count", 1, kMaxEntryCount));
}

SessionEntry readEntry(Fields& f, std::string_view kind) {
    SessionEntry e;
    if (kind == "drill") {
        e.kind = SessionEntry::Kind::Drill;
        e.name = entryName(f, "the drill");
        e.seed = f.unsignedInteger("the drill's seed");
    } else if (kind == "shot") {
        e.kind = SessionEntry::Kind::Shot;
        e.name = entryName(f, "the pack");
        e.shot = static_cast<int>(
            f.integer("the shot's number", 1, static_cast<int64_t>(kMaxPackShots)));
        e.seed = f.unsignedInteger("the variance seed");
    } else {
        e.kind = SessionEntry::Kind::Course;
        e.name = entryName(f, "the course");
    }
    e.count = countOf(f);
    return e;
}

Session sessionOf(const char* name, std::vector<SessionEntry> entries) {
    Session s;
    s.name = name;
    s.author = "Trimsight";
    s.entries = std::move(entries);
    return s;
}

using K = SessionEntry::Kind;

const std::vector<Session>& sessions() {
    static const std::vector<Session> kSessions = {
        sessionOf("First aerials", {{K::Drill, "aerial-touch", 1, 1, 3},
                                    {K::Shot, "first-aerials", 0, 1, 2},
                                    {K::Shot, "first-aerials", 0, 2, 2},
                                    {K::Shot, "first-aerials", 0, 3, 2},
                                    {K::Shot, "first-aerials", 7, 7, 3}}),
        sessionOf("Air control", {{K::Drill, "nose-on-ball", 1, 1, 2},
                                  {K::Drill, "velocity-alignment", 1, 1, 2},
                                  {K::Drill, "target-attitude", 1, 1, 3},
                                  {K::Drill, "recovery", 1, 1, 3}}),
        sessionOf("Fast aerials", {{K::Shot, "fast-aerials", 0, 1, 3},
                                   {K::Shot, "fast-aerials", 0, 4, 3},
                                   {K::Shot, "fast-aerials", 0, 7, 3},
                                   {K::Shot, "backboard-and-ceiling-reads", 0, 5, 2}}),
    };
    return kSessions;
}

}  // namespace

int Session::attempts() const {
    int n = 0;
    for (const SessionEntry& e : entries) n += e.count;
    return n;
}

std::string formatSession(const Session& session) {
    std::string out = std::string(kSessionMagic) + " " + std::to_string(kSessionVersion) + "\n";
    out += "name " + text::quotedText(session.name) + "\n";
    out += "author " + text::quotedText(session.author) + "\n";
    for (const SessionEntry& e : session.entries) {
        switch (e.kind) {
            case K::Drill:
                out += "drill " + e.name + " " + std::to_string(e.seed);
                break;
            case K::Shot:
                out +=
                    "shot " + e.name + " " + std::to_string(e.shot) + " " + std::to_string(e.seed);
                break;
            case K::Course:
                out += "course " + e.name;
                break;
        }
        out += " x" + std::to_string(e.count) + "\n";
    }
    return out;
}

base::Result<Session> parseSession(std::string_view text, std::string_view fileName) {
    return text::readText<Session>(text, fileName, kMaxSessionFileBytes, [](text::LineReader& in) {
        text::readHeader(in, kSessionMagic, kSessionVersion, "a session");
        Session s;
        bool seenName = false, seenAuthor = false;
        while (const std::optional<std::string_view> line = in.next()) {
            Fields f(*line);
            const std::string_view key = f.word("a line");
            if (key == "name" || key == "author") {
                bool& seen = key == "name" ? seenName : seenAuthor;
                if (seen) fail("\"" + std::string(key) + "\" given twice");
                seen = true;
                (key == "name" ? s.name : s.author) =
                    f.quoted(key == "name" ? "the name" : "the author", kMaxSessionTextBytes);
            } else if (key == "drill" || key == "shot" || key == "course") {
                if (s.entries.size() >= kMaxSessionEntries)
                    fail("more than " + std::to_string(kMaxSessionEntries) + " entries");
                s.entries.push_back(readEntry(f, key));
            } else {
                fail("unknown line \"" + std::string(key) +
                     "\" (a session's lines are name, author, drill, shot and course)");
            }
            f.end();
        }
        if (!seenName) fail("the session has no \"name\" line");
        if (s.entries.empty()) fail("the session has no entries");
        return s;
    });
}

std::string entryLabel(const SessionEntry& e) {
    switch (e.kind) {
        case K::Drill:
            return e.name + " (seed " + std::to_string(e.seed) + ")";
        case K::Shot:
            return e.name + " shot " + std::to_string(e.shot) +
                   (e.seed != 0 ? " (variance " + std::to_string(e.seed) + ")" : std::string());
        case K::Course:
            return "course " + e.name;
    }
    return e.name;
}

base::Status checkBuiltInEntries(const Session& session) {
    for (std::size_t i = 0; i < session.entries.size(); ++i) {
        const SessionEntry& e = session.entries[i];
        const std::string where = "entry " + std::to_string(i + 1) + ": ";
        if (e.kind == K::Drill && findDrill(e.name) == nullptr)
            return base::Failure{where + "no drill named \"" + e.name + "\""};
        if (e.kind == K::Shot) {
            const Pack* pack = findBuiltInPack(e.name);
            if (pack != nullptr && static_cast<std::size_t>(e.shot) > pack->shots.size())
                return base::Failure{where + "the pack \"" + e.name + "\" has " +
                                     std::to_string(pack->shots.size()) + " shots"};
        }
    }
    return {};
}

std::span<const Session> builtInSessions() { return sessions(); }

const Session* findBuiltInSession(std::string_view name) {
    for (const Session& s : sessions())
        if (s.name == name || packSlug(s.name) == name) return &s;
    return nullptr;
}

void SessionTally::record(bool passed) {
    if (finished()) return;
    ++attempts_;
    if (passed) {
        ++passed_;
        ++streak_;
        bestStreak_ = std::max(bestStreak_, streak_);
    } else {
        streak_ = 0;
    }
    if (++attemptOfEntry_ >= session_.entries[entry_].count) {
        ++entry_;
        attemptOfEntry_ = 0;
    }
}

std::string SessionTally::text() const {
    std::string out = std::to_string(attempts_) + " of " + std::to_string(session_.attempts()) +
                      " · " + std::to_string(passed_) + " passed";
    if (streak_ >= 2) out += " · " + std::to_string(streak_) + " in a row";
    return out;
}

}  // namespace sandbox
