// `info`, `set NAME VALUE` and `get NAME`: the plugin's record and its console
// variables, as the host console shows and changes them.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "app/CommandKit.h"
#include "base/Excerpt.h"
#include "sandbox/NumberText.h"
#include "scene/JsonReader.h"

namespace app {
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
                 s.name.c_str(), sandbox::jsonString(v.value).c_str(),
                 sandbox::jsonString(s.defaultValue).c_str(),
                 s.hasMin ? formatBound(s.min).c_str() : "none",
                 s.hasMax ? formatBound(s.max).c_str() : "none", flags.c_str(),
                 sandbox::jsonString(s.description).c_str());
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
    if (!entry)
        printError(err, "no console variable named " + sandbox::jsonString(base::excerpt(name)));
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

// Makes the default config's folder and takes the config's lock: from here
// until the new file is written no other save runs.
int lockSettings(const GlobalOptions& global, HostRun& run, std::FILE* err) {
    if (run.configPath.empty()) {
        printError(err,
                   "cannot save the settings: neither XDG_CONFIG_HOME nor HOME names a "
                   "directory; use --config PATH");
        return kExitConfigWrite;
    }
    if (global.config.empty()) {
        if (base::Status made = desktop::makeDefaultConfigFolder(); !made) {
            printError(err, run.configPath + ": cannot write the config file: " + made.error());
            return kExitConfigWrite;
        }
    }
    base::Result<desktop::ConfigLock> lock = desktop::ConfigLock::take(run.configPath);
    if (!lock) {
        printError(err, lock.error());
        return kExitConfigWrite;
    }
    run.configLock.emplace(std::move(*lock));
    return kExitOk;
}

// Writes the settings of this run over the config file, keeping entries the
// plugin did not register; `inPlace` replaces the store's texts it names.
int writeSettings(HostRun& run, std::FILE* err, const scene::SavedSettings& inPlace = {}) {
    if (!run.config) {
        printError(err, run.configPath +
                            ": not saving over a config file that cannot be read; fix or "
                            "remove it");
        return kExitConfigWrite;
    }
    scene::SavedSettings entries = run.session.savedEntries(*run.config);
    for (const auto& [name, value] : inPlace)
        if (const auto saved = entries.find(name); saved != entries.end()) saved->second = value;
    const std::string text = scene::formatSavedSettings(entries);
    if (base::Status saved = desktop::saveConfigFile(run.configPath, text); !saved) {
        printError(err, saved.error());
        return kExitConfigWrite;
    }
    return kExitOk;
}

// The variable and the value are checked first; then, under the config's
// lock, the saved settings are read, the value set and the settings saved.
int runSet(const GlobalOptions& global, const std::string& name, const std::string& value,
           std::FILE* err) {
    HostRun run;
    if (int code = startPlugin(global, run, err); code != kExitOk) return code;
    if (int code = checkOutputsApart(global, {{"the config file", run.configPath}}, {}, err,
                                     {.config = false});
        code != kExitOk)
        return code;
    auto entry = findVariable(run, name, err);
    if (!entry) return kExitVariable;
    const auto& s = entry->definition;
    const base::Result<float> typed = scene::parseConsoleNumber(value);
    const base::Result<float> kept = typed ? scene::boundedNumber(s, *typed) : typed;
    if (!kept) {
        printError(err,
                   name + ": " + sandbox::jsonString(base::excerpt(value)) + " " + kept.error());
        return kExitVariable;
    }
    if (int code = lockSettings(global, run, err); code != kExitOk) return code;
    if (int code = readSettings(global, run, err); code != kExitOk) return code;
    entry->setNumber(*kept);
    if (*kept != *typed)
        std::fprintf(err, "%s: note: %s is outside %s's range [%s, %s]; %s is now %s\n", kProgram,
                     value.c_str(), name.c_str(), s.hasMin ? formatBound(s.min).c_str() : "",
                     s.hasMax ? formatBound(s.max).c_str() : "", name.c_str(),
                     entry->text().c_str());
    return writeSettings(run, err);
}

}  // namespace

int saveSettings(const GlobalOptions& global, HostRun& run, std::FILE* err,
                 const scene::SavedSettings& inPlace) {
    if (int code = lockSettings(global, run, err); code != kExitOk) return code;
    // Read again under the lock, without applying: what other runs saved
    // meanwhile stays, and this run's variables are written over it.
    run.config = desktop::loadConfigFile(run.configPath);
    const int code = writeSettings(run, err, inPlace);
    run.configLock.reset();
    return code;
}

Subcommand addInfoCommand(CLI::App& app) {
    CLI::App* info =
        app.add_subcommand("info", "Show the plugin record, its console lines and variables");
    return {info, runInfo};
}

Subcommand addSetCommand(CLI::App& app) {
    auto name = std::make_shared<std::string>();
    auto value = std::make_shared<std::string>();
    CLI::App* set = app.add_subcommand("set", "Set a console variable and save the settings");
    set->add_option("NAME", *name, "Variable name")->required();
    set->add_option("VALUE", *value, "New value, kept inside the variable's bounds")->required();
    return {set, [name, value](const GlobalOptions& global, std::FILE*, std::FILE* err) {
                return runSet(global, *name, *value, err);
            }};
}

Subcommand addGetCommand(CLI::App& app) {
    return commandWithArgument(app, "get", "Print a console variable's value", "NAME",
                               "Variable name", runGet);
}

}  // namespace app
