// `pack code FILE`, `pack file CODE [-o FILE]` and the same for `course` and
// `session`: a file that players share (a pack of shots, a ring course, a
// session's playlist, its drills and built-in packs' shots checked) as a share code
// and back (sandbox/ShareCode.h), one implementation for every kind. Both
// read what they convert as its kind, so a broken file or code stops here
// (exit 4) rather than on a friend's screen.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <string_view>

#include "app/CommandKit.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "sandbox/Courses.h"
#include "sandbox/Sessions.h"
#include "sandbox/ShareCode.h"
#include "sandbox/Shots.h"

namespace app {
namespace {

// A kind of file that travels as a share code.
struct SharedKind {
    const char* command;  // "pack"
    const char* about;
    const char* what;  // "the pack": for messages
    const char* fileAbout;
    std::size_t maxBytes;
    // The text read as this kind ("FILE:LINE: ..." when it is not one), and
    // what it is, for the line that says what was written ("\"First
    // aerials\", 5 shots").
    base::Result<std::string> (*read)(std::string_view text, std::string_view fileName);
};

const SharedKind kPackKind{
    "pack",
    "Turn a pack of shots into a share code and back",
    "the pack",
    "Pack file (its first line trimsight-pack)",
    sandbox::kMaxPackFileBytes,
    [](std::string_view text, std::string_view fileName) -> base::Result<std::string> {
        const base::Result<sandbox::Pack> pack = sandbox::parsePack(text, fileName);
        if (!pack) return pack.failure();
        return "\"" + pack->name + "\", " + std::to_string(pack->shots.size()) + " shots";
    }};

const SharedKind kCourseKind{
    "course",
    "Turn a ring course into a share code and back",
    "the course",
    "Course file (its first line trimsight-course)",
    sandbox::kMaxCourseFileBytes,
    [](std::string_view text, std::string_view fileName) -> base::Result<std::string> {
        const base::Result<sandbox::Course> course = sandbox::parseCourse(text, fileName);
        if (!course) return course.failure();
        return "course " + course->name + ", " + std::to_string(course->rings.size()) + " rings";
    }};

const SharedKind kSessionKind{
    "session",
    "Turn a session (a playlist of practice) into a share code and back",
    "the session",
    "Session file (its first line trimsight-session)",
    sandbox::kMaxSessionFileBytes,
    [](std::string_view text, std::string_view fileName) -> base::Result<std::string> {
        const base::Result<sandbox::Session> session = sandbox::parseSession(text, fileName);
        if (!session) return session.failure();
        if (base::Status ok = sandbox::checkBuiltInEntries(*session); !ok)
            return base::Failure{std::string(fileName) + ": " + ok.error()};
        return "\"" + session->name + "\", " + std::to_string(session->entries.size()) +
               " entries, " + std::to_string(session->attempts()) + " attempts";
    }};

struct ShareOptions {
    CLI::App* code = nullptr;
    CLI::App* file = nullptr;
    std::string input;   // code: the file
    std::string text;    // file: the code
    std::string output;  // file: empty or "-": standard output
};

int runCode(const SharedKind& kind, const ShareOptions& options, std::FILE* out, std::FILE* err) {
    const base::Result<std::string> text =
        desktop::readInputFile(options.input, kind.what, kind.maxBytes);
    if (!text) {
        printError(err, text.error());
        return kExitScene;
    }
    if (const base::Result<std::string> read = kind.read(*text, options.input); !read) {
        printError(err, read.error());
        return kExitScene;
    }
    // The code of the file as it is (its comments and order kept), which
    // reads as the same pack, course or session.
    std::fprintf(out, "%s\n", sandbox::makeShareCode(*text).c_str());
    return kExitOk;
}

int runFile(const SharedKind& kind, const GlobalOptions& global, const ShareOptions& options,
            std::FILE* out, std::FILE* err) {
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
    const base::Result<std::string> read = kind.read(*text, "code");
    if (!read) {
        printError(err, read.error());
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
    std::fprintf(out, "wrote %s: %s\n", options.output.c_str(), read->c_str());
    return kExitOk;
}

Subcommand addShareCommand(CLI::App& app, const SharedKind& kind) {
    auto options = std::make_shared<ShareOptions>();
    CLI::App* command = addSubcommand(app, kind.command, kind.about);
    command->require_subcommand(1);
    options->code = command->add_subcommand(
        "code", "Print the share code of a " + std::string(kind.command) + " file");
    options->code->add_option("FILE", options->input, kind.fileAbout)->required();
    options->file = command->add_subcommand(
        "file", "Write the " + std::string(kind.command) + " a share code holds");
    options->file->add_option("CODE", options->text, "The share code")->required();
    options->file->add_option(
        "-o,--output", options->output,
        std::string(kind.fileAbout).substr(0, std::string(kind.fileAbout).find(" (")) +
            " to write (default, or -: standard output)");
    return {command, [&kind, options](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                if (*options->code) return runCode(kind, *options, out, err);
                return runFile(kind, global, *options, out, err);
            }};
}

}  // namespace

Subcommand addPackCommand(CLI::App& app) { return addShareCommand(app, kPackKind); }
Subcommand addCourseCommand(CLI::App& app) { return addShareCommand(app, kCourseKind); }
Subcommand addSessionCommand(CLI::App& app) { return addShareCommand(app, kSessionKind); }

}  // namespace app
