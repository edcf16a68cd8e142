// `session code FILE` and `session file CODE [-o FILE]`: a session (a
// playlist of drills, shots and courses) as a share code and back, as
// `pack` does for packs. Both read what they convert as a session, its
// drills and built-in packs' shots checked, so a broken file or code stops
// here (exit 4) rather than on a friend's screen.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "app/CommandKit.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "sandbox/Sessions.h"
#include "sandbox/ShareCode.h"

namespace app {
namespace {

struct SessionOptions {
    CLI::App* code = nullptr;
    CLI::App* file = nullptr;
    std::string input;   // code: the session file
    std::string text;    // file: the code
    std::string output;  // file: empty or "-": standard output
};

// A session read and its entries checked; false (the reason printed) when not.
bool usable(const base::Result<sandbox::Session>& session, const std::string& where,
            std::FILE* err) {
    if (!session) {
        printError(err, session.error());
        return false;
    }
    if (base::Status ok = sandbox::checkBuiltInEntries(*session); !ok) {
        printError(err, where + ": " + ok.error());
        return false;
    }
    return true;
}

int runSessionCode(const SessionOptions& options, std::FILE* out, std::FILE* err) {
    if (!usable(desktop::loadSession(options.input), options.input, err)) return kExitScene;
    // The code of the file as it is (its comments kept).
    const base::Result<std::string> text =
        desktop::readInputFile(options.input, "the session", sandbox::kMaxSessionFileBytes);
    if (!text) {
        printError(err, text.error());
        return kExitScene;
    }
    std::fprintf(out, "%s\n", sandbox::makeShareCode(*text).c_str());
    return kExitOk;
}

int runSessionFile(const GlobalOptions& global, const SessionOptions& options, std::FILE* out,
                   std::FILE* err) {
    const bool toStandardOutput = options.output.empty() || options.output == "-";
    if (!toStandardOutput) {
        if (int code = checkOutputsApart(global, {{"-o", options.output}}, {}, err);
            code != kExitOk)
            return code;
    }
    const base::Result<std::string> text = sandbox::readShareCode(options.text);
    if (!text) {
        printError(err, text.error());
        return kExitScene;
    }
    const base::Result<sandbox::Session> session = sandbox::parseSession(*text, "code");
    if (!usable(session, "code", err)) return kExitScene;
    if (toStandardOutput) {
        std::fwrite(text->data(), 1, text->size(), out);
        return kExitOk;
    }
    if (base::Status written = desktop::writeOutputFile(options.output, *text, 0666); !written) {
        printError(err, "cannot write " + options.output + ": " + written.error());
        return kExitOutput;
    }
    std::fprintf(out, "wrote %s: \"%s\", %zu entries, %d attempts\n", options.output.c_str(),
                 session->name.c_str(), session->entries.size(), session->attempts());
    return kExitOk;
}

}  // namespace

Subcommand addSessionCommand(CLI::App& app) {
    auto options = std::make_shared<SessionOptions>();
    CLI::App* command = addSubcommand(
        app, "session", "Turn a session (a playlist of practice) into a share code and back");
    command->require_subcommand(1);
    options->code = command->add_subcommand("code", "Print the share code of a session file");
    options->code
        ->add_option("FILE", options->input, "Session file (its first line trimsight-session)")
        ->required();
    options->file = command->add_subcommand("file", "Write the session a share code holds");
    options->file->add_option("CODE", options->text, "The share code")->required();
    options->file->add_option("-o,--output", options->output,
                              "Session file to write (default, or -: standard output)");
    return {command, [options](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                if (*options->code) return runSessionCode(*options, out, err);
                return runSessionFile(global, *options, out, err);
            }};
}

}  // namespace app
