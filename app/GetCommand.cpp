// `get NAME`: a console variable's value, as the host console shows it.
#include <string>

#include "app/CommandKit.h"

namespace app {
namespace {

int runGet(const GlobalOptions& global, const std::string& name, std::FILE* out, std::FILE* err) {
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    auto entry = findVariable(run, name, err);
    if (!entry) return kExitVariable;
    std::fprintf(out, "%s\n", entry->text().c_str());
    return kExitOk;
}

}  // namespace

Subcommand addGetCommand(CLI::App& app) {
    return commandWithArgument(app, "get", "Print a console variable's value", "NAME",
                               "Variable name", runGet);
}

}  // namespace app
