#include "app/CommandKit.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <utility>
#include <vector>

#include "base/Excerpt.h"
#include "desktop/HistoryFile.h"
#include "sandbox/NumberText.h"

namespace app {
namespace {

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

void printError(std::FILE* err, const std::string& message) {
    std::fprintf(err, "%s: %s\n", kProgram, oneLine(message).c_str());
}

void printWarning(std::FILE* err, const std::string& message) {
    std::fprintf(err, "%s: warning: %s\n", kProgram, oneLine(message).c_str());
}

base::Warnings printedWarnings(std::FILE* err) {
    return base::Warnings([err](const std::string& warning) { printWarning(err, warning); });
}

std::string formatBound(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
    return buf;
}

std::shared_ptr<pluginsdk::CVarEntry> findVariable(HostRun& run, const std::string& name,
                                                   std::FILE* err) {
    auto entry = run.session.cvars.find(name);
    if (!entry)
        printError(err, "no console variable named " + sandbox::jsonString(base::excerpt(name)));
    return entry;
}

CLI::App* addSubcommand(CLI::App& app, const std::string& name, const std::string& about) {
    return app.add_subcommand(name, about);
}

Subcommand commandWithArgument(
    CLI::App& app, const std::string& name, const std::string& about, const std::string& argument,
    const std::string& argumentAbout,
    std::function<int(const GlobalOptions&, const std::string&, std::FILE*, std::FILE*)> run) {
    auto text = std::make_shared<std::string>();
    CLI::App* subcommand = app.add_subcommand(name, about);
    subcommand->add_option(argument, *text, argumentAbout)->required();
    return {subcommand,
            [text, run = std::move(run)](const GlobalOptions& global, std::FILE* out,
                                         std::FILE* err) { return run(global, *text, out, err); }};
}

int checkOutputsApart(const GlobalOptions& global, const std::vector<desktop::RunFile>& outputs,
                      std::vector<desktop::RunFile> inputs, std::FILE* err, OwnFiles own) {
    std::vector<desktop::RunFile> given;
    for (const desktop::RunFile& output : outputs)
        if (!output.path.empty()) given.push_back(output);
    inputs.push_back(
        {"the plugin library", global.plugin.empty() ? defaultPluginPath() : global.plugin});
    if (own.config) {
        const std::string config =
            global.config.empty() ? desktop::defaultConfigPath() : global.config;
        if (!config.empty()) inputs.push_back({"the config file", config});
    }
    if (own.history) {
        if (const base::Result<std::string> history = desktop::historyPath(global.history); history)
            inputs.push_back({"the history", *history});
    }
    std::erase_if(inputs, [](const desktop::RunFile& input) { return input.path.empty(); });
    if (base::Status apart = desktop::checkFilesApart(given, inputs); !apart) {
        printError(err, apart.error());
        return kExitUsage;
    }
    return kExitOk;
}

int startPlugin(const GlobalOptions& global, HostRun& run, std::FILE* err) {
    std::string path = global.plugin.empty() ? defaultPluginPath() : global.plugin;
    // A bare file name means the file here, not a search of the library path.
    if (path.find('/') == std::string::npos) path = "./" + path;
    if (base::Status loaded = run.session.load(path); !loaded) {
        printError(err, loaded.error());
        return kExitPlugin;
    }
    run.configPath = global.config.empty() ? desktop::defaultConfigPath() : global.config;
    return kExitOk;
}

int readSettings(const GlobalOptions&, HostRun& run, std::FILE* err) {
    if (run.configPath.empty()) return kExitOk;
    run.config = desktop::loadConfigFile(run.configPath);
    if (!run.config) {
        printWarning(err, run.config.error() + "; using the defaults");
        return kExitOk;
    }
    base::Warnings warnings = printedWarnings(err);
    run.session.applyConfig(*run.config, run.configPath, warnings);
    return kExitOk;
}

int startHost(const GlobalOptions& global, HostRun& run, std::FILE* err) {
    if (int code = startPlugin(global, run, err); code != kExitOk) return code;
    return readSettings(global, run, err);
}

}  // namespace app
