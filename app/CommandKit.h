#pragma once
// What every subcommand of trimsight-host shares: the global options, a
// started host (plugin loaded, saved settings applied), one-line messages, and
// the shape of a subcommand.
//
// Adding a subcommand: write `Subcommand addNameCommand(CLI::App& app)` in a
// file of its own (it adds the subcommand and its options to `app` and
// returns what runs it; commandWithOptions does that for a struct of
// options), declare it below and list it in kCommands in Commands.cpp.
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/HostSession.h"
#include "base/Warnings.h"
#include "desktop/ConfigFile.h"
#include "desktop/OutputFile.h"

namespace CLI {
class App;
}

namespace app {

// The options given before or after any subcommand.
struct GlobalOptions {
    std::string plugin;   // empty: the default library
    std::string config;   // empty: the default config file
    std::string history;  // empty: the default history of attempts (History.h)
};

// A registered subcommand: its CLI11 node (set when it was chosen) and what
// runs it, returning the exit code.
struct Subcommand {
    CLI::App* subcommand = nullptr;
    std::function<int(const GlobalOptions& global, std::FILE* out, std::FILE* err)> run;
};

// app.add_subcommand, out of line so that this header needs no CLI11.
CLI::App* addSubcommand(CLI::App& app, const std::string& name, const std::string& about);

// A subcommand that takes one required argument (`get NAME`): `run` gets
// the argument's text.
Subcommand commandWithArgument(
    CLI::App& app, const std::string& name, const std::string& about, const std::string& argument,
    const std::string& argumentAbout,
    std::function<int(const GlobalOptions&, const std::string&, std::FILE*, std::FILE*)> run);

// A subcommand whose options fill an `Options` object, which adds them to
// the subcommand's node (`void add(CLI::App& command)`); `run` gets them
// filled in.
template <typename Options>
Subcommand commandWithOptions(CLI::App& app, const std::string& name, const std::string& about,
                              int (*run)(const GlobalOptions&, const Options&, std::FILE*,
                                         std::FILE*)) {
    auto options = std::make_shared<Options>();
    CLI::App* command = addSubcommand(app, name, about);
    options->add(*command);
    return {command, [options, run](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                return run(global, *options, out, err);
            }};
}

// The subcommands, in the order --help lists them.
Subcommand addInfoCommand(CLI::App& app);     // InfoCommand.cpp
Subcommand addTraceCommand(CLI::App& app);    // TraceCommand.cpp
Subcommand addSetCommand(CLI::App& app);      // SetCommand.cpp
Subcommand addGetCommand(CLI::App& app);      // GetCommand.cpp
Subcommand addRenderCommand(CLI::App& app);   // RenderCommand.cpp
Subcommand addFlyCommand(CLI::App& app);      // FlyCommand.cpp
Subcommand addExportCommand(CLI::App& app);   // ExportCommand.cpp
Subcommand addHistoryCommand(CLI::App& app);  // HistoryCommand.cpp
Subcommand addGuideCommand(CLI::App& app);    // GuideCommand.cpp
Subcommand addPackCommand(CLI::App& app);     // ShareCommand.cpp
Subcommand addCourseCommand(CLI::App& app);   // ShareCommand.cpp
Subcommand addSessionCommand(CLI::App& app);  // ShareCommand.cpp

// A started host: the plugin loaded and the saved settings applied.
struct HostRun {
    HostSession session;
    std::string configPath;  // empty when there is nowhere to keep settings
    // What the config file holds, or why it cannot be used.
    base::Result<scene::SavedSettings> config = scene::SavedSettings{};
    // Held from before the config is read until it is written, by `set`.
    std::optional<desktop::ConfigLock> configLock;
};

// Loads the plugin (the default library unless `global.plugin` names one),
// reads the config file (likewise) and applies it after onLoad. Warnings and
// errors go to `err`. Returns kExitOk or the exit code to stop with.
// Subcommands that play scenes start from here and then call playScene.
int startHost(const GlobalOptions& global, HostRun& run, std::FILE* err);
// The two halves of startHost, for a command that does something between.
int startPlugin(const GlobalOptions& global, HostRun& run, std::FILE* err);
int readSettings(const GlobalOptions& global, HostRun& run, std::FILE* err);

// The console variable `name` of the run's console; null, with the error
// printed, when there is none.
std::shared_ptr<pluginsdk::CVarEntry> findVariable(HostRun& run, const std::string& name,
                                                   std::FILE* err);
// A variable's bound as the console prints it ("%g").
std::string formatBound(float v);

// Which of the program's own files a command reads besides its inputs.
struct OwnFiles {
    bool config = true;   // false for `set`, which writes it
    bool history = true;  // the history (fly appends to it)
};

// Refuses, before any work, a run whose outputs would replace one of its
// inputs, the plugin library, the config or the history, or one another
// (desktop::checkFilesApart): the message names both paths. Returns kExitOk
// or kExitUsage.
int checkOutputsApart(const GlobalOptions& global, const std::vector<desktop::RunFile>& outputs,
                      std::vector<desktop::RunFile> inputs, std::FILE* err, OwnFiles own = {});

// "trimsight-host: MESSAGE" on one line.
void printError(std::FILE* err, const std::string& message);
// "trimsight-host: warning: MESSAGE" on one line.
void printWarning(std::FILE* err, const std::string& message);
// Warnings printed to `err` as they come, by printWarning.
base::Warnings printedWarnings(std::FILE* err);

inline constexpr const char* kProgram = "trimsight-host";

}  // namespace app
