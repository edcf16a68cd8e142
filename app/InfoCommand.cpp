// `info`: the plugin's record, its console lines and its variables, as the
// host console shows them.
#include <CLI/CLI.hpp>
#include <string>

#include "app/CommandKit.h"
#include "sandbox/NumberText.h"

namespace app {
namespace {

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

}  // namespace

Subcommand addInfoCommand(CLI::App& app) {
    CLI::App* info =
        app.add_subcommand("info", "Show the plugin record, its console lines and variables");
    return {info, runInfo};
}

}  // namespace app
