// `info`, `set NAME VALUE` and `get NAME`: the plugin's record and its console
// variables, as the host console shows and changes them.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "hostapp/CommandKit.h"
#include "hostapp/JsonText.h"

namespace hostapp {
namespace {

std::string formatBound(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
    return buf;
}

const char* orNone(const char* text) { return text ? text : "(none)"; }

void printVariable(std::FILE* out, const pluginsdk::CVarStore::Snapshot& v) {
    const auto& s = v.definition;
    std::string flags;
    if (s.searchable) flags += "searchable";
    if (s.saveToFile) flags += flags.empty() ? "saved" : ", saved";
    if (flags.empty()) flags = "none";
    std::fprintf(out, "  %s = %s; default %s; minimum %s; maximum %s; flags: %s; %s\n",
                 s.name.c_str(), quoteText(v.value).c_str(), quoteText(s.defaultValue).c_str(),
                 s.hasMin ? formatBound(s.min).c_str() : "none",
                 s.hasMax ? formatBound(s.max).c_str() : "none", flags.c_str(),
                 quoteText(s.description).c_str());
}

int runInfo(const GlobalOptions& global, std::FILE* out, std::FILE* err) {
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    const auto& info = run.session.plugin->info();
    std::fprintf(out, "plugin library: %s\n", run.session.plugin->path().c_str());
    std::fprintf(out, "class: %s\n", orNone(info.pluginClass));
    std::fprintf(out, "display name: %s\n", orNone(info.displayName));
    std::fprintf(out, "version: %s\n", orNone(info.versionText));
    std::fprintf(out, "API version: %d\n", static_cast<int>(info.apiVersion));
    std::fprintf(out, "type flags: %u\n", static_cast<unsigned>(info.typeFlags));
    std::fprintf(out, "source path: %s\n", orNone(info.sourcePath));
    std::fprintf(out, "config file: %s\n",
                 run.configPath.empty() ? "(none)" : run.configPath.c_str());
    std::fprintf(out, "console:\n");
    for (const std::string& line : run.session.cvars.consoleLines())
        std::fprintf(out, "  %s\n", line.c_str());
    std::fprintf(out, "variables:\n");
    for (const auto& v : run.session.cvars.list()) printVariable(out, v);
    return kExitOk;
}

std::shared_ptr<pluginsdk::CVarEntry> findVariable(HostRun& run, const std::string& name,
                                                   std::FILE* err) {
    auto entry = run.session.cvars.find(name);
    if (!entry) printError(err, "no console variable named " + quoteText(name));
    return entry;
}

int runGet(const GlobalOptions& global, const std::string& name, std::FILE* out, std::FILE* err) {
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    auto entry = findVariable(run, name, err);
    if (!entry) return kExitVariable;
    std::fprintf(out, "%s\n", entry->text().c_str());
    return kExitOk;
}

}  // namespace

// Writes the settings of this run over the config file, keeping entries the
// plugin did not register.
int saveSettings(const GlobalOptions& global, HostRun& run, std::FILE* err) {
    if (run.configPath.empty()) {
        printError(err,
                   "cannot save the settings: neither XDG_CONFIG_HOME nor HOME names a "
                   "directory; use --config PATH");
        return kExitConfigWrite;
    }
    if (!run.config) {
        printError(err, run.configPath +
                            ": not saving over a config file that cannot be read; fix or "
                            "remove it");
        return kExitConfigWrite;
    }
    if (global.config.empty()) {
        const std::string dir = run.configPath.substr(0, run.configPath.find_last_of('/'));
        if (Status made = makeDirectories(dir); !made) {
            printError(err, run.configPath + ": cannot write the config file: " + made.error());
            return kExitConfigWrite;
        }
    }
    const std::string text = formatConfig(run.session.savedEntries(*run.config));
    if (Status saved = saveConfigAtomic(run.configPath, text); !saved) {
        printError(err, saved.error());
        return kExitConfigWrite;
    }
    return kExitOk;
}

namespace {

int runSet(const GlobalOptions& global, const std::string& name, const std::string& value,
           std::FILE* err) {
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    auto entry = findVariable(run, name, err);
    if (!entry) return kExitVariable;
    const std::optional<float> number = parseConsoleNumber(value);
    if (!number) {
        printError(err, name + ": " + quoteText(value) + " is not a number");
        return kExitVariable;
    }
    const auto& s = entry->definition;
    entry->setNumber(*number);
    if ((s.hasMin && *number < s.min) || (s.hasMax && *number > s.max))
        std::fprintf(err, "%s: note: %s is outside %s's range [%s, %s]; %s is now %s\n", kProgram,
                     value.c_str(), name.c_str(), s.hasMin ? formatBound(s.min).c_str() : "",
                     s.hasMax ? formatBound(s.max).c_str() : "", name.c_str(),
                     entry->text().c_str());
    return saveSettings(global, run, err);
}

}  // namespace

Command addInfoCommand(CLI::App& app) {
    CLI::App* info =
        app.add_subcommand("info", "Show the plugin record, its console lines and variables");
    return {info, runInfo};
}

Command addSetCommand(CLI::App& app) {
    auto name = std::make_shared<std::string>();
    auto value = std::make_shared<std::string>();
    CLI::App* set = app.add_subcommand("set", "Set a console variable and save the settings");
    set->add_option("NAME", *name, "Variable name")->required();
    set->add_option("VALUE", *value, "New value, kept inside the variable's bounds")->required();
    return {set, [name, value](const GlobalOptions& global, std::FILE*, std::FILE* err) {
                return runSet(global, *name, *value, err);
            }};
}

Command addGetCommand(CLI::App& app) {
    auto name = std::make_shared<std::string>();
    CLI::App* get = app.add_subcommand("get", "Print a console variable's value");
    get->add_option("NAME", *name, "Variable name")->required();
    return {get, [name](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                return runGet(global, *name, out, err);
            }};
}

}  // namespace hostapp
