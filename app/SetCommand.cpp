// `set NAME VALUE`: a console variable changed as the host console changes
// it, and the settings saved under the config's lock (desktop/ConfigFile.h).
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "app/CommandKit.h"
#include "base/Excerpt.h"
#include "sandbox/NumberText.h"
#include "scene/SavedSettings.h"

namespace app {
namespace {

// Makes the default config's folder and takes the config's lock: from here
// until the new file is written no other save runs.
int lockSettings(const GlobalOptions& global, HostRun& run, std::FILE* err) {
    base::Result<desktop::ConfigLock> lock =
        desktop::lockConfigForSave(run.configPath, global.config.empty());
    if (!lock) {
        printError(err, lock.error());
        return kExitConfigWrite;
    }
    run.configLock.emplace(std::move(*lock));
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
    if (base::Status saved =
            desktop::saveConsoleSettings(run.configPath, run.config, run.session.cvars);
        !saved) {
        printError(err, saved.error());
        return kExitConfigWrite;
    }
    return kExitOk;
}

}  // namespace

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

}  // namespace app
