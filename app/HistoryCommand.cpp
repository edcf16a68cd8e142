// `history [--json]`: the record of drill attempts, per drill the best and
// the mean score and the trend of the latest attempts.
#include <CLI/CLI.hpp>
#include <charconv>
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

// A score as a terminal shows it: four significant digits.
std::string shortNumber(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(value));
    return text;
}

// The float as the double its shortest text reads as, so that JSON shows
// 6.1 rather than the float's 6.099999904632568; reading it back as a float
// gives the same bits.
double jsonNumber(float value) {
    const std::string text = sandbox::formatFloat(value);
    double number = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

json optionalNumber(const std::optional<float>& value) {
    return value ? json(jsonNumber(*value)) : json(nullptr);
}

std::string trendText(const sandbox::DrillSummary& s) {
    if (s.recent.size() < 2) return "too few scored attempts for a trend";
    if (s.trend == 0.0f) return "steady";
    return std::string(s.trend > 0.0f ? "improving" : "getting worse") + " by " +
           shortNumber(s.trend > 0.0f ? s.trend : -s.trend) + " an attempt";
}

void printDrill(std::FILE* out, const sandbox::DrillSummary& s) {
    std::fprintf(out, "\n%s: %zu attempt%s, %zu passed, the last on %s\n", s.drill.c_str(),
                 s.attempts, s.attempts == 1 ? "" : "s", s.passed,
                 utcText(s.lastTime, "%Y-%m-%d %H:%M UTC").c_str());
    const std::string best = s.best ? shortNumber(*s.best) : std::string("none passed");
    const std::string mean = s.mean ? shortNumber(*s.mean) : std::string("none scored");
    std::fprintf(out, "  %s, %s is better: best %s, mean %s\n", s.mainPart.c_str(),
                 s.better == sandbox::Better::Higher ? "higher" : "lower", best.c_str(),
                 mean.c_str());
    std::string recent;
    for (float v : s.recent) recent += " " + shortNumber(v);
    if (!s.recent.empty())
        std::fprintf(out, "  last %zu:%s; %s\n", s.recent.size(), recent.c_str(),
                     trendText(s).c_str());
}

void printText(std::FILE* out, const std::string& path,
               const std::vector<sandbox::AttemptRecord>& attempts,
               const std::vector<sandbox::DrillSummary>& drills) {
    if (attempts.empty()) {
        std::fprintf(out, "no attempts in %s yet\n", path.c_str());
        return;
    }
    std::fprintf(out, "history of attempts: %s (%zu attempt%s)\n", path.c_str(), attempts.size(),
                 attempts.size() == 1 ? "" : "s");
    for (const sandbox::DrillSummary& s : drills) printDrill(out, s);
}

json drillJson(const sandbox::DrillSummary& s) {
    json recent = json::array();
    for (float v : s.recent) recent.push_back(jsonNumber(v));
    return {{"drill", s.drill},
            {"main", s.mainPart},
            {"better", s.better == sandbox::Better::Higher ? "higher" : "lower"},
            {"attempts", s.attempts},
            {"passed", s.passed},
            {"best", optionalNumber(s.best)},
            {"mean", optionalNumber(s.mean)},
            {"recent", recent},
            {"trend", jsonNumber(s.trend)},
            {"last", utcText(s.lastTime)}};
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
