// `history [--json]`: the record of drill attempts, per drill and per seed
// the best and the mean score and the trend of the latest attempts (a
// seed's trend over that seed's attempts only), with the flight logs the
// best and the latest came from.
#include <CLI/CLI.hpp>
#include <ctime>
#include <nlohmann/json.hpp>
#include <string>

#include "app/CommandKit.h"
#include "desktop/HistoryFile.h"
#include "desktop/platform/Files.h"
#include "sandbox/NumberText.h"

namespace app {
namespace {

// Keys in the order the documentation lists them.
using json = nlohmann::ordered_json;

struct HistoryOptions {
    bool json = false;

    void add(CLI::App& command) {
        command.add_flag("--json", json, "One JSON document, for scripts");
    }
};

// "2024-03-14T09:26:53Z", or with `pattern` another form of the UTC time.
std::string utcText(int64_t time, const char* pattern = "%Y-%m-%dT%H:%M:%SZ") {
    std::tm utc{};
    char text[40] = "";
    if (!desktop::platform::utcTime(time, utc) ||
        std::strftime(text, sizeof text, pattern, &utc) == 0)
        return std::to_string(time);
    return text;
}

// Every number of the listing and of its JSON, rounded one way
// (sandbox::roundedText: three decimals at most, never -0).
std::string number(float value) { return sandbox::roundedText(value); }
json jsonNumber(float value) { return sandbox::roundedNumber(value); }

json optionalNumber(const std::optional<float>& value) {
    return value ? jsonNumber(*value) : json(nullptr);
}

// "improving by 2 an attempt"; "steady" when the change rounds to nothing.
std::string trendText(const std::vector<float>& recent, float trend) {
    if (recent.size() < 2) return "too few scored attempts for a trend";
    const std::string size = number(trend < 0.0f ? -trend : trend);
    if (size == "0") return "steady";
    return std::string(trend > 0.0f ? "improving" : "getting worse") + " by " + size +
           " an attempt";
}

std::string scoresText(const std::vector<float>& scores) {
    std::string text;
    for (float v : scores) text += " " + number(v);
    return text;
}

std::string plural(std::size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string bestText(const std::optional<float>& best) {
    return best ? "best " + number(*best) : std::string("no attempt passed yet");
}

std::string meanText(const std::optional<float>& mean) {
    return mean ? "mean " + number(*mean) : std::string("no attempt scored");
}

// One seed's row: its own best, mean and trend (attempts of one start
// compare), and the flight logs they came from.
void printSeed(std::FILE* out, const sandbox::SeedSummary& s) {
    std::fprintf(out, "  seed %llu: %s, %zu passed; %s, %s",
                 static_cast<unsigned long long>(s.seed), plural(s.attempts, "attempt").c_str(),
                 s.passed, bestText(s.best).c_str(), meanText(s.mean).c_str());
    if (!s.recent.empty())
        std::fprintf(out, "; last %zu:%s; %s", s.recent.size(), scoresText(s.recent).c_str(),
                     trendText(s.recent, s.trend).c_str());
    std::fprintf(out, "\n");
    std::string logs;
    if (!s.bestLog.empty()) logs = "best from " + s.bestLog;
    if (!s.latestLog.empty() && s.latestLog != s.bestLog)
        logs += (logs.empty() ? "" : "; ") + std::string("latest from ") + s.latestLog;
    if (!logs.empty()) std::fprintf(out, "    %s\n", logs.c_str());
}

void printDrill(std::FILE* out, const sandbox::DrillSummary& s) {
    std::fprintf(out, "\n%s: %s, %zu passed, the last on %s\n", s.drill.c_str(),
                 plural(s.attempts, "attempt").c_str(), s.passed,
                 utcText(s.lastTime, "%Y-%m-%d %H:%M UTC").c_str());
    std::fprintf(out, "  %s, %s is better: %s, %s\n", s.mainPart.c_str(),
                 s.better == sandbox::Better::Higher ? "higher" : "lower", bestText(s.best).c_str(),
                 meanText(s.mean).c_str());
    if (!s.recent.empty())
        std::fprintf(out, "  last %zu, seeds mixed:%s; %s\n", s.recent.size(),
                     scoresText(s.recent).c_str(), trendText(s.recent, s.trend).c_str());
    for (const sandbox::SeedSummary& seed : s.seeds) printSeed(out, seed);
}

void printText(std::FILE* out, const std::string& path,
               const std::vector<sandbox::AttemptRecord>& attempts,
               const std::vector<sandbox::DrillSummary>& drills) {
    if (attempts.empty()) {
        std::fprintf(out, "no attempts in %s yet\n", path.c_str());
        return;
    }
    std::fprintf(out, "history of attempts: %s (%s)\n", path.c_str(),
                 plural(attempts.size(), "attempt").c_str());
    for (const sandbox::DrillSummary& s : drills) printDrill(out, s);
}

json numbersJson(const std::vector<float>& values) {
    json list = json::array();
    for (float v : values) list.push_back(jsonNumber(v));
    return list;
}

json logJson(const std::string& log) { return log.empty() ? json(nullptr) : json(log); }

json seedJson(const sandbox::SeedSummary& s) {
    return {{"seed", s.seed},
            {"attempts", s.attempts},
            {"passed", s.passed},
            {"best", optionalNumber(s.best)},
            {"mean", optionalNumber(s.mean)},
            {"recent", numbersJson(s.recent)},
            {"trend", jsonNumber(s.trend)},
            {"last", utcText(s.lastTime)},
            {"best_log", logJson(s.bestLog)},
            {"latest_log", logJson(s.latestLog)}};
}

json drillJson(const sandbox::DrillSummary& s) {
    json seeds = json::array();
    for (const sandbox::SeedSummary& seed : s.seeds) seeds.push_back(seedJson(seed));
    return {{"drill", s.drill},
            {"main", s.mainPart},
            {"better", s.better == sandbox::Better::Higher ? "higher" : "lower"},
            {"attempts", s.attempts},
            {"passed", s.passed},
            {"best", optionalNumber(s.best)},
            {"mean", optionalNumber(s.mean)},
            {"recent", numbersJson(s.recent)},
            {"trend", jsonNumber(s.trend)},
            {"last", utcText(s.lastTime)},
            {"seeds", seeds}};
}

void printJson(std::FILE* out, const std::string& path,
               const std::vector<sandbox::AttemptRecord>& attempts,
               const std::vector<std::string>& warnings,
               const std::vector<sandbox::DrillSummary>& drills) {
    json doc = {{"history", path},
                {"attempts", attempts.size()},
                {"warnings", warnings},
                {"drills", json::array()}};
    for (const sandbox::DrillSummary& s : drills) doc["drills"].push_back(drillJson(s));
    // A path is bytes; invalid UTF-8 in it is replaced rather than thrown on.
    const std::string text = doc.dump(2, ' ', false, json::error_handler_t::replace);
    std::fprintf(out, "%s\n", text.c_str());
}

int runHistory(const GlobalOptions& global, const HistoryOptions& options, std::FILE* out,
               std::FILE* err) {
    const base::Result<std::string> path = desktop::historyPath(global.history);
    if (!path) {
        printError(err, path.error());
        return kExitScene;
    }
    base::Warnings warnings;  // printed, and listed by --json
    const base::Result<std::vector<sandbox::AttemptRecord>> history =
        desktop::loadHistory(*path, warnings);
    if (!history) {
        printError(err, history.error());
        return kExitScene;
    }
    for (const std::string& warning : warnings.list()) printWarning(err, warning);
    const std::vector<sandbox::DrillSummary> drills = sandbox::summarizeHistory(*history);
    if (options.json)
        printJson(out, *path, *history, warnings.list(), drills);
    else
        printText(out, *path, *history, drills);
    return kExitOk;
}

}  // namespace

Subcommand addHistoryCommand(CLI::App& app) {
    return commandWithOptions<HistoryOptions>(
        app, "history", "List the drill attempts kept: per drill the best, the mean and the trend",
        runHistory);
}

}  // namespace app
