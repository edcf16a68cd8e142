// `pack code FILE` and `pack file CODE [-o FILE]`: a pack of shots as a
// share code and back (sandbox/ShareCode.h). Both read what they convert as
// a pack, so a broken file or code stops here (exit 4) rather than on a
// friend's screen.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "app/CommandKit.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "sandbox/ShareCode.h"
#include "sandbox/Shots.h"

namespace app {
namespace {

struct PackOptions {
    CLI::App* code = nullptr;
    CLI::App* file = nullptr;
    std::string input;   // code: the pack file
    std::string text;    // file: the code
    std::string output;  // file: empty or "-": standard output
};

int runPackCode(const PackOptions& options, std::FILE* out, std::FILE* err) {
    const base::Result<sandbox::Pack> pack = desktop::loadPack(options.input);
    if (!pack) {
        printError(err, pack.error());
        return kExitScene;
    }
    // The code of the file as it is (its comments and order kept), which
    // reads as the same pack.
    const base::Result<std::string> text =
        desktop::readInputFile(options.input, "the pack", sandbox::kMaxPackFileBytes);
    if (!text) {
        printError(err, text.error());
        return kExitScene;
    }
    std::fprintf(out, "%s\n", sandbox::makeShareCode(*text).c_str());
    return kExitOk;
}

int runPackFile(const GlobalOptions& global, const PackOptions& options, std::FILE* out,
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
    const base::Result<sandbox::Pack> pack = sandbox::parsePack(*text, "code");
    if (!pack) {
        printError(err, pack.error());
        return kExitScene;
    }
    if (toStandardOutput) {
        std::fwrite(text->data(), 1, text->size(), out);
        return kExitOk;
    }
    if (base::Status written = desktop::writeOutputFile(options.output, *text, 0666); !written) {
        printError(err, "cannot write " + options.output + ": " + written.error());
        return kExitOutput;
    }
    std::fprintf(out, "wrote %s: \"%s\", %zu shots\n", options.output.c_str(), pack->name.c_str(),
                 pack->shots.size());
    return kExitOk;
}

}  // namespace

Subcommand addPackCommand(CLI::App& app) {
    auto options = std::make_shared<PackOptions>();
    CLI::App* command =
        addSubcommand(app, "pack", "Turn a pack of shots into a share code and back");
    command->require_subcommand(1);
    options->code = command->add_subcommand("code", "Print the share code of a pack file");
    options->code->add_option("FILE", options->input, "Pack file (its first line trimsight-pack)")
        ->required();
    options->file = command->add_subcommand("file", "Write the pack a share code holds");
    options->file->add_option("CODE", options->text, "The share code")->required();
    options->file->add_option("-o,--output", options->output,
                              "Pack file to write (default, or -: standard output)");
    return {command, [options](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                if (*options->code) return runPackCode(*options, out, err);
                return runPackFile(global, *options, out, err);
            }};
}

}  // namespace app
