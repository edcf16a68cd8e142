#include "hostapp/CommandKit.h"

#include <vector>

namespace hostapp {
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

int startHost(const GlobalOptions& global, HostRun& run, std::FILE* err) {
    std::string path = global.plugin.empty() ? defaultPluginPath() : global.plugin;
    // A bare file name means the file here, not a search of the library path.
    if (path.find('/') == std::string::npos) path = "./" + path;
    if (Status loaded = run.session.load(path); !loaded) {
        printError(err, loaded.error());
        return kExitPlugin;
    }

    run.configPath = global.config.empty() ? defaultConfigPath() : global.config;
    if (run.configPath.empty()) return kExitOk;
    run.config = loadConfig(run.configPath);
    if (!run.config) {
        printWarning(err, run.config.error() + "; using the defaults");
        return kExitOk;
    }
    std::vector<std::string> warnings;
    run.session.applyConfig(*run.config, run.configPath, warnings);
    for (const std::string& w : warnings) printWarning(err, w);
    return kExitOk;
}

}  // namespace hostapp
