#include "sandbox/History.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <new>

#include "sandbox/NumberText.h"

namespace sandbox {

namespace {

constexpr std::string_view kMagic = "trimsight-attempt";
constexpr std::string_view kNoLog = "-";
constexpr std::string_view kScorePrefix = "score.";
constexpr std::string_view kSumField = " sum=";

// ------------------------------------------------------------------ time

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, and
// back (H. Hinnant's algorithms: exact for every date, no tables).
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    int64_t year, month, day;
};

CivilDate civilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// 9999-12-31T23:59:59Z: the last second four-digit years can write.
const int64_t kLastTime = daysFromCivil(9999, 12, 31) * kSecondsPerDay + kSecondsPerDay - 1;

void appendDigits(std::string& out, int64_t value, int width) {
    std::string digits = std::to_string(value);
    out.append(static_cast<std::size_t>(std::max(0, width - static_cast<int>(digits.size()))), '0');
    out += digits;
}

// "2025-03-14T09:26:53Z".
std::string isoTime(int64_t time) {
    const CivilDate date = civilFromDays(time / kSecondsPerDay);
    const int64_t second = time % kSecondsPerDay;
    std::string out;
    appendDigits(out, date.year, 4);
    out += '-';
    appendDigits(out, date.month, 2);
    out += '-';
    appendDigits(out, date.day, 2);
    out += 'T';
    appendDigits(out, second / 3600, 2);
    out += ':';
    appendDigits(out, second / 60 % 60, 2);
    out += ':';
    appendDigits(out, second % 60, 2);
    out += 'Z';
    return out;
}

// Exactly `width` decimal digits.
std::optional<int64_t> fixedDigits(std::string_view text, std::size_t at, std::size_t width) {
    int64_t value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::optional<int64_t> parseIsoTime(std::string_view text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto year = fixedDigits(text, 0, 4), month = fixedDigits(text, 5, 2),
               day = fixedDigits(text, 8, 2), hour = fixedDigits(text, 11, 2),
               minute = fixedDigits(text, 14, 2), second = fixedDigits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*year < 1970 || *month < 1 || *month > 12 || *day < 1 || *hour > 23 || *minute > 59 ||
        *second > 59)
        return std::nullopt;
    const int64_t days = daysFromCivil(*year, *month, *day);
    const CivilDate back = civilFromDays(days);
    if (back.month != *month || back.day != *day) return std::nullopt;  // 31 April, 29 Feb 2023
    return days * kSecondsPerDay + *hour * 3600 + *minute * 60 + *second;
}

// ------------------------------------------------------- names and values

uint32_t fnv1a(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (char ch : text) {
        hash ^= static_cast<unsigned char>(ch);
        hash *= 16777619u;
    }
    return hash;
}

std::string hex8(uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = kDigits[value & 15u];
    return out;
}

bool isLowerOrDigit(char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'); }

// Drill names: "nose-on-ball". Part keys: "time_inside".
bool validName(std::string_view name, char joiner) {
    if (name.empty() || name.size() > 64) return false;
    return std::all_of(name.begin(), name.end(),
                       [joiner](char ch) { return isLowerOrDigit(ch) || ch == joiner; });
}
bool validDrillName(std::string_view name) { return validName(name, '-'); }
bool validKey(std::string_view key) { return validName(key, '_'); }

bool plainLogChar(char ch) { return ch > ' ' && ch <= '~' && ch != '%'; }

std::string encodeLog(std::string_view name) {
    if (name.empty()) return std::string(kNoLog);
    if (name == kNoLog) return "%2D";
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : name) {
        if (plainLogChar(ch)) {
            out += ch;
        } else {
            const auto byte = static_cast<unsigned char>(ch);
            out += '%';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 15u];
        }
    }
    return out;
}

int hexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

std::optional<std::string> decodeLog(std::string_view text) {
    if (text == kNoLog) return std::string();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// ------------------------------------------------------------- one line

base::Failure corrupt(std::string_view what) {
    return {"corrupt line (" + std::string(what) + ")"};
}

// The fields after the version, by key; each key at most once.
struct Fields {
    std::map<std::string_view, std::string_view> byKey;
    std::vector<std::pair<std::string_view, std::string_view>> scores;
};

base::Status splitFields(std::string_view rest, Fields& fields) {
    while (!rest.empty()) {
        const std::size_t space = rest.find(' ');
        const std::string_view field = rest.substr(0, space);
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        if (space != std::string_view::npos && rest.empty()) return corrupt("a space at the end");
        const std::size_t equals = field.find('=');
        if (equals == std::string_view::npos || equals == 0)
            return corrupt("\"" + std::string(field) + "\" is not key=value");
        const std::string_view key = field.substr(0, equals), value = field.substr(equals + 1);
        if (key.substr(0, kScorePrefix.size()) == kScorePrefix) {
            const std::string_view part = key.substr(kScorePrefix.size());
            if (!validKey(part)) return corrupt("bad score part name \"" + std::string(part) + '"');
            for (const auto& seen : fields.scores)
                if (seen.first == part) return corrupt("score." + std::string(part) + " twice");
            fields.scores.emplace_back(part, value);
        } else if (!fields.byKey.emplace(key, value).second) {
            return corrupt(std::string(key) + "= twice");
        }
    }
    return {};
}

base::Status readFields(const Fields& fields, AttemptRecord& out) {
    static const std::string_view kKeys[] = {"at",   "drill",  "seed", "result",
                                             "main", "better", "log"};
    for (const auto& [key, value] : fields.byKey)
        if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys))
            return corrupt("unknown field " + std::string(key) + "=");
    for (std::string_view key : kKeys)
        if (fields.byKey.find(key) == fields.byKey.end())
            return corrupt("no " + std::string(key) + "=");
    auto get = [&fields](std::string_view key) { return fields.byKey.at(key); };

    const std::optional<int64_t> time = parseIsoTime(get("at"));
    if (!time) return corrupt("at= is not a time such as 2025-03-14T09:26:53Z");
    out.time = *time;
    out.drill = std::string(get("drill"));
    if (!validDrillName(out.drill)) return corrupt("bad drill name");
    const std::string_view seed = get("seed");
    const auto parsed = std::from_chars(seed.data(), seed.data() + seed.size(), out.seed);
    if (seed.empty() || parsed.ec != std::errc() || parsed.ptr != seed.data() + seed.size())
        return corrupt("seed= is not a whole number from 0 to 2^64 - 1");
    if (get("result") != "passed" && get("result") != "failed")
        return corrupt("result= is neither passed nor failed");
    out.passed = get("result") == "passed";
    out.mainPart = std::string(get("main"));
    if (!validKey(out.mainPart)) return corrupt("bad main= part name");
    if (get("better") != "higher" && get("better") != "lower")
        return corrupt("better= is neither higher nor lower");
    out.better = get("better") == "higher" ? Better::Higher : Better::Lower;
    if (fields.scores.size() > kMaxAttemptParts) return corrupt("too many score parts");
    for (const auto& [key, text] : fields.scores) {
        const std::optional<float> value = parseFloat(text);
        if (!value) return corrupt("score." + std::string(key) + "= is not a finite number");
        out.parts.push_back({std::string(key), *value});
    }
    const std::optional<std::string> log = decodeLog(get("log"));
    if (!log) return corrupt("log= has a % not followed by two hex digits");
    out.flightLog = *log;
    return {};
}

// The line as a record, or why it is skipped.
base::Status readAttemptLine(std::string_view line, AttemptRecord& out) {
    if (line.size() > kMaxAttemptLineLength)
        return corrupt("longer than " + std::to_string(kMaxAttemptLineLength) + " characters");
    if (line.substr(0, kMagic.size() + 1) != std::string(kMagic) + ' ')
        return corrupt("it does not start with \"" + std::string(kMagic) + "\"");
    std::string_view rest = line.substr(kMagic.size() + 1);
    const std::size_t space = rest.find(' ');
    const std::string_view versionText = rest.substr(0, space);
    int64_t version = 0;
    const auto parsed =
        std::from_chars(versionText.data(), versionText.data() + versionText.size(), version);
    if (parsed.ec != std::errc() || parsed.ptr != versionText.data() + versionText.size() ||
        version < 1)
        return corrupt("no version after \"" + std::string(kMagic) + "\"");
    if (version > kHistoryVersion)
        return base::Failure{"written by a newer version of the history format (" +
                             std::to_string(version) + "); this program reads version " +
                             std::to_string(kHistoryVersion)};
    const std::size_t sumAt = line.rfind(kSumField);
    if (sumAt == std::string_view::npos) return corrupt("no sum=");
    if (line.substr(sumAt + kSumField.size()) != hex8(fnv1a(line.substr(0, sumAt))))
        return corrupt("sum= does not match: the line was altered or cut");
    Fields fields;
    const std::size_t fieldsAt = kMagic.size() + 1 + versionText.size() + 1;
    if (fieldsAt > sumAt) return corrupt("no fields");
    if (base::Status split = splitFields(line.substr(fieldsAt, sumAt - fieldsAt), fields); !split)
        return split;
    return readFields(fields, out);
}

// ---------------------------------------------------------------- reading

// Passes on the first kMaxHistoryWarnings warnings and counts the rest.
class SkippedLines {
  public:
    SkippedLines(std::string_view fileName, base::Warnings& warnings)
        : fileName_(fileName), warnings_(warnings) {}
    void skip(std::string message) {
        if (++skipped_ <= kMaxHistoryWarnings) warnings_.add(std::move(message));
    }
    // The count of those not passed on, if any.
    void finish() {
        if (skipped_ > kMaxHistoryWarnings)
            warnings_.add(std::string(fileName_) + ": " +
                          std::to_string(skipped_ - kMaxHistoryWarnings) + " more lines skipped");
    }

  private:
    std::string_view fileName_;
    base::Warnings& warnings_;
    std::size_t skipped_ = 0;
};

void readLines(std::string_view text, std::string_view fileName,
               std::vector<AttemptRecord>& attempts, SkippedLines& skipped) {
    std::size_t lineNumber = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find('\n', pos);
        const bool torn = end == std::string_view::npos;
        const std::string_view line = text.substr(pos, torn ? std::string_view::npos : end - pos);
        pos = torn ? text.size() : end + 1;
        ++lineNumber;
        const std::string where = std::string(fileName) + ":" + std::to_string(lineNumber) + ": ";
        if (line.empty()) continue;
        if (torn) {
            skipped.skip(where +
                         "the last line is cut short (no newline: a write was interrupted); "
                         "skipped");
            continue;
        }
        AttemptRecord record;
        if (const base::Status read = readAttemptLine(line, record); !read) {
            skipped.skip(where + read.error() + "; skipped");
            continue;
        }
        attempts.push_back(std::move(record));
    }
}

// ---------------------------------------------------------------- summary

bool isBetter(float a, float b, Better better) { return better == Better::Higher ? a > b : a < b; }

// Least-squares change per attempt of `values` (in order).
float slopeOf(const std::vector<float>& values) {
    const std::size_t n = values.size();
    if (n < 2) return 0.0f;
    const double meanX = static_cast<double>(n - 1) / 2.0;
    double meanY = 0.0;
    for (float v : values) meanY += v;
    meanY /= static_cast<double>(n);
    double numerator = 0.0, denominator = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = static_cast<double>(i) - meanX;
        numerator += dx * (values[i] - meanY);
        denominator += dx * dx;
    }
    return static_cast<float>(numerator / denominator);
}

// What a list of attempts adds up to, counted by one main part.
struct Tally {
    std::size_t attempts = 0;
    std::size_t passed = 0;
    std::optional<float> best;
    std::optional<float> mean;
    std::vector<float> scores;
    std::vector<float> recent;
    float trend = 0.0f;
    int64_t lastTime = 0;
    const AttemptRecord* bestAttempt = nullptr;
    const AttemptRecord* latest = nullptr;
};

Tally tally(const std::vector<const AttemptRecord*>& attempts, std::string_view mainPart,
            Better better) {
    Tally t;
    t.attempts = attempts.size();
    double sum = 0.0;
    for (const AttemptRecord* a : attempts) {
        t.passed += a->passed ? 1 : 0;
        t.lastTime = std::max(t.lastTime, a->time);
        t.latest = a;
        const std::optional<float> score = a->mainScore();
        if (!score || a->mainPart != mainPart || a->better != better) continue;
        t.scores.push_back(*score);
        sum += *score;
        if (a->passed && (!t.best || isBetter(*score, *t.best, better))) {
            t.best = *score;
            t.bestAttempt = a;
        }
    }
    if (!t.scores.empty()) t.mean = static_cast<float>(sum / static_cast<double>(t.scores.size()));
    const std::size_t from =
        t.scores.size() > kTrendAttempts ? t.scores.size() - kTrendAttempts : 0;
    t.recent.assign(t.scores.begin() + static_cast<std::ptrdiff_t>(from), t.scores.end());
    const float slope = slopeOf(t.recent);
    // + 0.0f: a steady lower-is-better drill's trend is 0, not -0.
    t.trend = (better == Better::Higher ? slope : -slope) + 0.0f;
    return t;
}

DrillSummary summarize(const std::vector<const AttemptRecord*>& attempts) {
    DrillSummary s;
    const AttemptRecord& latest = *attempts.back();
    s.drill = latest.drill;
    s.mainPart = latest.mainPart;
    s.better = latest.better;
    Tally all = tally(attempts, s.mainPart, s.better);
    s.attempts = all.attempts;
    s.passed = all.passed;
    s.best = all.best;
    s.mean = all.mean;
    s.scores = std::move(all.scores);
    s.recent = std::move(all.recent);
    s.trend = all.trend;
    s.lastTime = all.lastTime;

    std::map<uint64_t, std::vector<const AttemptRecord*>> bySeed;
    for (const AttemptRecord* a : attempts) bySeed[a->seed].push_back(a);
    for (const auto& [seed, list] : bySeed) {
        Tally t = tally(list, s.mainPart, s.better);
        SeedSummary& row = s.seeds.emplace_back();
        row.seed = seed;
        row.attempts = t.attempts;
        row.passed = t.passed;
        row.best = t.best;
        row.mean = t.mean;
        row.scores = std::move(t.scores);
        row.recent = std::move(t.recent);
        row.trend = t.trend;
        row.lastTime = t.lastTime;
        if (t.bestAttempt != nullptr) row.bestLog = t.bestAttempt->flightLog;
        row.latestLog = t.latest->flightLog;
    }
    return s;
}

}  // namespace

std::optional<float> AttemptRecord::mainScore() const {
    for (const AttemptPart& part : parts)
        if (part.key == mainPart) return part.value;
    return std::nullopt;
}

bool operator==(const AttemptPart& a, const AttemptPart& b) {
    return a.key == b.key && a.value == b.value;
}

bool operator==(const AttemptRecord& a, const AttemptRecord& b) {
    return a.time == b.time && a.drill == b.drill && a.seed == b.seed && a.passed == b.passed &&
           a.mainPart == b.mainPart && a.better == b.better && a.parts == b.parts &&
           a.flightLog == b.flightLog;
}

AttemptRecord attemptRecord(const Drill& drill, int64_t time, std::string_view flightLog) {
    AttemptRecord record;
    record.time = time;
    record.drill = std::string(drill.info().name);
    record.seed = drill.seed();
    const DrillScore score = drill.score();
    record.passed = score.outcome == DrillOutcome::Passed;
    record.mainPart = std::string(drill.info().mainPart);
    record.better = drill.info().better;
    for (const ScorePart& part : score.parts())
        record.parts.push_back({std::string(part.key), part.value});
    record.flightLog = std::string(flightLog);
    return record;
}

base::Result<std::string> formatAttemptLine(const AttemptRecord& r) {
    if (r.time < 0 || r.time > kLastTime) return base::Failure{"the time is outside 1970 to 9999"};
    if (!validDrillName(r.drill)) return base::Failure{"bad drill name \"" + r.drill + '"'};
    if (!validKey(r.mainPart)) return base::Failure{"bad main part name \"" + r.mainPart + '"'};
    if (r.parts.size() > kMaxAttemptParts) return base::Failure{"too many score parts"};
    std::string line = std::string(kMagic) + ' ' + std::to_string(kHistoryVersion);
    line += " at=" + isoTime(r.time);
    line += " drill=" + r.drill;
    line += " seed=" + std::to_string(r.seed);
    line += r.passed ? " result=passed" : " result=failed";
    line += " main=" + r.mainPart;
    line += r.better == Better::Higher ? " better=higher" : " better=lower";
    for (std::size_t i = 0; i < r.parts.size(); ++i) {
        const AttemptPart& part = r.parts[i];
        if (!validKey(part.key)) return base::Failure{"bad score part name \"" + part.key + '"'};
        for (std::size_t j = 0; j < i; ++j)
            if (r.parts[j].key == part.key)
                return base::Failure{"score part " + part.key + " twice"};
        if (!std::isfinite(part.value))
            return base::Failure{"score part " + part.key + " is not a finite number"};
        line += ' ';
        line += kScorePrefix;
        line += part.key + '=' + formatFloat(part.value);
    }
    line += " log=" + encodeLog(r.flightLog);
    line += std::string(kSumField) + hex8(fnv1a(line));
    if (line.size() > kMaxAttemptLineLength)
        return base::Failure{"the line would be longer than " +
                             std::to_string(kMaxAttemptLineLength) + " characters"};
    return line + '\n';
}

base::Result<std::string> historyAppendText(const AttemptRecord& record,
                                            std::optional<char> lastByte) {
    base::Result<std::string> line = formatAttemptLine(record);
    if (line.ok() && lastByte && *lastByte != '\n') line->insert(0, 1, '\n');
    return line;
}

std::vector<AttemptRecord> parseHistory(std::string_view text, std::string_view fileName,
                                        base::Warnings& warnings) {
    std::vector<AttemptRecord> attempts;
    SkippedLines skipped(fileName, warnings);
    try {
        readLines(text, fileName, attempts, skipped);
    } catch (const std::bad_alloc&) {
        warnings.add(std::string(fileName) + ": out of memory; the rest is skipped");
        return attempts;
    }
    skipped.finish();
    return attempts;
}

std::vector<DrillSummary> summarizeHistory(std::span<const AttemptRecord> attempts) {
    std::map<std::string_view, std::vector<const AttemptRecord*>> byDrill;
    for (const AttemptRecord& a : attempts) byDrill[a.drill].push_back(&a);
    std::vector<DrillSummary> out;
    out.reserve(byDrill.size());
    for (const auto& [drill, list] : byDrill) out.push_back(summarize(list));
    return out;
}

const AttemptRecord* bestAttempt(std::span<const AttemptRecord> attempts, std::string_view drill,
                                 uint64_t seed) {
    const AttemptRecord* best = nullptr;
    for (const AttemptRecord& a : attempts) {
        if (a.drill != drill || a.seed != seed || !a.passed) continue;
        const std::optional<float> score = a.mainScore();
        if (!score) continue;
        if (!best || isBetter(*score, *best->mainScore(), a.better)) best = &a;
    }
    return best;
}

}  // namespace sandbox
