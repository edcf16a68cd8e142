#include "hostapp/Commands.h"

#include <CLI/CLI.hpp>
#include <cstring>
#include <exception>
#include <new>
#include <sstream>
#include <string>

#include "hostapp/JsonText.h"
#include "hostapp/RenderCommand.h"
#include "hostapp/Scene.h"
#include "hostapp/ScenePlayer.h"

namespace hostapp {

namespace {

constexpr const char* kProgram = "trimsight-host";

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void printWarning(std::FILE* err, const std::string& message) {
    std::fprintf(err, "%s: warning: %s\n", kProgram, oneLine(message).c_str());
}

std::string formatBound(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
    return buf;
}

const char* orNone(const char* text) { return text ? text : "(none)"; }

// Output to a closed pipe or a full disk must not pass for success.
int finish(std::FILE* out, std::FILE* err, int code) {
    if (std::fflush(out) != 0 || std::ferror(out)) {
        printError(err, std::string("cannot write the output: ") + std::strerror(errno));
        return code == kExitOk ? kExitInternal : code;
    }
    return code;
}

int runInfo(const std::string& plugin, const std::string& config, std::FILE* out, std::FILE* err) {
    HostRun run;
    if (int code = startHost(plugin, config, run, err); code != kExitOk) return code;
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
    for (const auto& v : run.session.cvars.list()) {
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
    return kExitOk;
}

int runTrace(const std::string& plugin, const std::string& config, const std::string& scenePath,
             std::FILE* out, std::FILE* err) {
    SceneParseResult parsed = loadSceneFile(scenePath);
    if (!parsed.scene) {
        printError(err, parsed.error);
        return kExitScene;
    }
    HostRun run;
    if (int code = startHost(plugin, config, run, err); code != kExitOk) return code;
    TraceSink sink(out);
    const std::string problem = playScene(*parsed.scene, run.session.cvars, run.session.game, sink);
    if (!problem.empty()) {
        printError(err, scenePath + ": " + problem);
        return kExitScene;
    }
    return kExitOk;
}

std::shared_ptr<pluginsdk::CVarEntry> findVariable(HostRun& run, const std::string& name,
                                                   std::FILE* err) {
    auto entry = run.session.cvars.find(name);
    if (!entry) printError(err, "no console variable named " + quoteText(name));
    return entry;
}

int runGet(const std::string& plugin, const std::string& config, const std::string& name,
           std::FILE* out, std::FILE* err) {
    HostRun run;
    if (int code = startHost(plugin, config, run, err); code != kExitOk) return code;
    auto entry = findVariable(run, name, err);
    if (!entry) return kExitVariable;
    std::fprintf(out, "%s\n", entry->text().c_str());
    return kExitOk;
}

int runSet(const std::string& plugin, const std::string& config, const std::string& name,
           const std::string& value, std::FILE* err) {
    HostRun run;
    if (int code = startHost(plugin, config, run, err); code != kExitOk) return code;
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

    if (run.configPath.empty()) {
        printError(err,
                   "cannot save the settings: neither XDG_CONFIG_HOME nor HOME names a "
                   "directory; use --config PATH");
        return kExitConfigWrite;
    }
    if (run.config.status == ConfigLoad::Status::Unusable) {
        printError(err, run.configPath +
                            ": not saving over a config file that cannot be read; fix or "
                            "remove it");
        return kExitConfigWrite;
    }
    if (config.empty()) {
        const std::string dir = run.configPath.substr(0, run.configPath.find_last_of('/'));
        if (std::string problem = makeDirectories(dir); !problem.empty()) {
            printError(err, run.configPath + ": cannot write the config file: " + problem);
            return kExitConfigWrite;
        }
    }
    const std::string text = formatConfig(run.session.savedEntries(run.config.entries));
    if (std::string problem = saveConfigAtomic(run.configPath, text); !problem.empty()) {
        printError(err, problem);
        return kExitConfigWrite;
    }
    return kExitOk;
}

}  // namespace

void printError(std::FILE* err, const std::string& message) {
    std::fprintf(err, "%s: %s\n", kProgram, oneLine(message).c_str());
}

int startHost(const std::string& pluginPath, const std::string& configPath, HostRun& run,
              std::FILE* err) {
    std::string path = pluginPath.empty() ? defaultPluginPath() : pluginPath;
    // A bare file name means the file here, not a search of the library path.
    if (path.find('/') == std::string::npos) path = "./" + path;
    std::string error;
    if (!run.session.load(path, error)) {
        printError(err, error);
        return kExitPlugin;
    }

    run.configPath = configPath.empty() ? defaultConfigPath() : configPath;
    if (run.configPath.empty()) return kExitOk;
    run.config = loadConfig(run.configPath);
    if (run.config.status == ConfigLoad::Status::Unusable) {
        printWarning(err, run.config.problem + "; using the defaults");
        return kExitOk;
    }
    std::vector<std::string> warnings;
    run.session.applyConfig(run.config.entries, run.configPath, warnings);
    for (const std::string& w : warnings) printWarning(err, w);
    return kExitOk;
}

int runHost(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    try {
        CLI::App app{
            "Loads the Trimsight plugin like the game's mod host does, plays scenes to "
            "it and keeps its settings.",
            kProgram};
        app.require_subcommand(1);
        app.fallthrough();
        app.set_version_flag("--version", std::string(kProgram) + " 1.2.0.768");

        std::string plugin, config, scene, name, value;
        app.add_option("--plugin", plugin,
                       "Plugin library to load (default: libtrimsight.so beside the program)");
        app.add_option("--config", config,
                       "Settings file (default: $XDG_CONFIG_HOME/trimsight/config.json or "
                       "~/.config/trimsight/config.json)");

        CLI::App* info =
            app.add_subcommand("info", "Show the plugin record, its console lines and variables");
        CLI::App* trace =
            app.add_subcommand("trace", "Play a scene file and print every canvas call");
        trace->add_option("SCENE", scene, "Scene file (JSON)")->required();
        CLI::App* set = app.add_subcommand("set", "Set a console variable and save the settings");
        set->add_option("NAME", name, "Variable name")->required();
        set->add_option("VALUE", value, "New value, kept inside the variable's bounds")->required();
        CLI::App* get = app.add_subcommand("get", "Print a console variable's value");
        get->add_option("NAME", name, "Variable name")->required();
        RenderOptions renderOptions;
        CLI::App* render = addRenderCommand(app, renderOptions);

        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            if (e.get_exit_code() == 0) {
                std::ostringstream o, x;
                app.exit(e, o, x);
                std::fputs(o.str().c_str(), out);
                std::fputs(x.str().c_str(), err);
                return finish(out, err, kExitOk);
            }
            // A mistyped command is left over as an unexpected argument.
            const auto left = app.remaining();
            if (app.get_subcommands().empty() && !left.empty()) {
                std::string names;
                for (const CLI::App* sub : app.get_subcommands({}))
                    names += (names.empty() ? "" : ", ") + sub->get_name();
                printError(err, "unknown command " + quoteText(left.front()) +
                                    " (commands: " + names + ")");
                return kExitUsage;
            }
            printError(err, std::string(e.what()) + " (see " + kProgram + " --help)");
            return kExitUsage;
        }
        if ((app.count("--plugin") && plugin.empty()) ||
            (app.count("--config") && config.empty())) {
            printError(err, "--plugin and --config need a non-empty path");
            return kExitUsage;
        }

        int code = kExitUsage;
        if (*info) code = runInfo(plugin, config, out, err);
        if (*trace) code = runTrace(plugin, config, scene, out, err);
        if (*set) code = runSet(plugin, config, name, value, err);
        if (*get) code = runGet(plugin, config, name, out, err);
        if (*render) code = runRender(plugin, config, renderOptions, out, err);
        return finish(out, err, code);
    } catch (const std::bad_alloc&) {
        printError(err, "out of memory");
    } catch (const std::exception& e) {
        printError(err, std::string("internal error: ") + e.what());
    }
    return kExitInternal;
}

}  // namespace hostapp
