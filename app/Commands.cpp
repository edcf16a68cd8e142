#include "app/Commands.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandKit.h"
#include "base/Excerpt.h"
#include "desktop/OutputFile.h"
#include "desktop/UserFolders.h"
#include "sandbox/NumberText.h"
#include "scene/JsonReader.h"

namespace app {
namespace {

// Every subcommand, in the order --help lists them.
constexpr Subcommand (*kCommands[])(CLI::App&) = {
    addInfoCommand,   addTraceCommand, addSetCommand,    addGetCommand,
    addRenderCommand, addFlyCommand,   addExportCommand, addHistoryCommand,
    addGuideCommand,  addPackCommand,  addCourseCommand, addSessionCommand};

// Whether an argument that starts with a minus sign is a number (or the name
// of a value that is no number, -inf or -nan), which the command judges,
// rather than an option: "-.5" and "-inf" are values.
bool isSignedValue(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    if (arg[1] == '.' || (arg[1] >= '0' && arg[1] <= '9')) return true;
    std::string word;
    for (char c : arg.substr(1))
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "inf" || word == "infinity" || word.rfind("nan", 0) == 0;
}

// Every option of the program and its subcommands that takes a value, as
// typed ("--seconds", "-o"): the argument after one is its value, whatever
// it looks like.
std::set<std::string> optionsTakingValues(const CLI::App& app) {
    std::set<std::string> names;
    const auto collect = [&names](const CLI::App& of) {
        for (const CLI::Option* option : of.get_options()) {
            if (option->get_type_size_max() == 0 || !option->nonpositional()) continue;
            for (const std::string& name : option->get_lnames()) names.insert("--" + name);
            for (const std::string& name : option->get_snames()) names.insert("-" + name);
        }
    };
    collect(app);
    for (const CLI::App* sub : app.get_subcommands({})) collect(*sub);
    return names;
}

// The arguments as CLI11 parses them (last first). CLI11 takes "-.5" or
// "-inf" for an unknown option; such values are moved behind a "--", after
// which every argument is positional, keeping their order among the
// positional arguments.
std::vector<std::string> argumentsForParsing(int argc, const char* const* argv,
                                             const std::set<std::string>& takingValues) {
    std::vector<std::string> options, values, afterMark;
    bool optionValueNext = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            afterMark.assign(argv + i + 1, argv + argc);
            break;
        }
        if (!optionValueNext && isSignedValue(arg))
            values.push_back(arg);
        else
            options.push_back(arg);
        optionValueNext = !optionValueNext && takingValues.count(arg) != 0;
    }
    if (!values.empty() || !afterMark.empty()) options.push_back("--");
    options.insert(options.end(), values.begin(), values.end());
    options.insert(options.end(), afterMark.begin(), afterMark.end());
    return {options.rbegin(), options.rend()};
}

// The first option or argument given an empty value ("--plot ''"), of the
// program or its chosen subcommand; empty when there is none. Every value
// the program takes is a path, a name or a number, and none is empty: an
// empty path would otherwise mean the default, or nothing.
std::string emptyValue(const CLI::App& app) {
    std::vector<const CLI::App*> levels = {&app};
    for (const CLI::App* sub : app.get_subcommands()) levels.push_back(sub);
    for (const CLI::App* level : levels)
        for (const CLI::Option* option : level->get_options()) {
            if (option->get_type_size_max() == 0 || option->count() == 0) continue;
            for (const std::string& value : option->results())
                if (value.empty()) return option->get_name();
        }
    return {};
}

// [+-] digits [. digits] [(e|E) [+-] digits], or with no digits before the
// point: a decimal number, with no hexadecimal, infinity or NaN.
bool isDecimalNumber(std::string_view text, bool whole, bool sign) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - start;
    };
    if (sign && i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t count = digits();
    if (!whole && i < text.size() && text[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0) return false;
    if (!whole && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

// One rule for every number on the command line, checked on its text before
// CLI11 reads it (which would take hexadecimal, octal, and a negative
// number for an unsigned one as its wrapped value): decimal, and for a
// whole number within the 64 bits it is read into. Each command then checks
// its own range.
std::string numberProblem(const std::string& text, const std::string& type) {
    if (type.starts_with("UINT")) {
        uint64_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (!isDecimalNumber(text, true, false) || ec != std::errc() ||
            end != text.data() + text.size())
            return "expected a whole number in decimal from 0 to " + std::to_string(UINT64_MAX) +
                   ", got " + sandbox::jsonString(base::excerpt(text));
    } else if (type.starts_with("INT")) {
        int64_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (!isDecimalNumber(text, true, true) || text.front() == '+' || ec != std::errc() ||
            end != text.data() + text.size())
            return "expected a whole number in decimal, got " +
                   sandbox::jsonString(base::excerpt(text));
    } else if (type.starts_with("FLOAT")) {
        if (!isDecimalNumber(text, false, true))
            return "expected a decimal number, got " + sandbox::jsonString(base::excerpt(text));
    }
    return {};
}

void addNumberRules(CLI::App& app) {
    std::vector<CLI::App*> levels = {&app};
    for (CLI::App* sub : app.get_subcommands({})) levels.push_back(sub);
    for (CLI::App* level : levels)
        for (CLI::Option* option : level->get_options()) {
            const std::string type = option->get_type_name();
            if (!type.starts_with("INT") && !type.starts_with("UINT") && !type.starts_with("FLOAT"))
                continue;
            option->check(CLI::Validator(
                [type](std::string& text) { return numberProblem(text, type); }, ""));
        }
}

// Output to a closed pipe or a full disk must not pass for success.
int finish(std::FILE* out, std::FILE* err, int code) {
    if (std::fflush(out) != 0 || std::ferror(out)) {
        printError(err, std::string("cannot write the output: ") + std::strerror(errno));
        return code == kExitOk ? kExitInternal : code;
    }
    return code;
}

// A parse error of CLI11 as the exit code and message of this program.
int reportParseError(CLI::App& app, const CLI::ParseError& e, std::FILE* out, std::FILE* err) {
    if (e.get_exit_code() == 0) {  // --help, --version
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
        printError(err, "unknown command " + sandbox::jsonString(base::excerpt(left.front())) +
                            " (commands: " + names + ")");
        return kExitUsage;
    }
    printError(err, std::string(e.what()) + " (see " + kProgram + " --help)");
    return kExitUsage;
}

int parseAndRun(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    CLI::App app{
        "Loads the Trimsight plugin like the game's mod host does, plays scenes to it and keeps "
        "its settings.",
        kProgram};
    app.require_subcommand(1);
    app.fallthrough();
    // A path such as /tmp/scene.json is an argument, on Windows too.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string(kProgram) + " 1.2.0.768");

    GlobalOptions global;
    app.add_option("--plugin", global.plugin,
                   "Plugin library to load (default: " TRIMSIGHT_PLUGIN_FILE
                   " beside the program)");
    app.add_option("--config", global.config,
                   "Settings file (default: " +
                       desktop::defaultPlaceText(desktop::kConfigBase, "config.json") + ")");
    app.add_option("--history", global.history,
                   "History of drill attempts (default: " +
                       desktop::defaultPlaceText(desktop::kDataBase, "history.txt") + ")");
    std::vector<Subcommand> commands;
    for (const auto add : kCommands) commands.push_back(add(app));
    addNumberRules(app);

    try {
        app.parse(argumentsForParsing(argc, argv, optionsTakingValues(app)));
    } catch (const CLI::ParseError& e) {
        return reportParseError(app, e, out, err);
    }
    if (const base::Status known = desktop::checkFaultSwitch(); !known) {
        printError(err, known.error());
        return kExitUsage;
    }
    if (const std::string empty = emptyValue(app); !empty.empty()) {
        printError(err, empty + " needs a non-empty value (an empty path names no file)");
        return kExitUsage;
    }
    for (const Subcommand& command : commands)
        if (*command.subcommand) return finish(out, err, command.run(global, out, err));
    return finish(out, err, kExitUsage);
}

}  // namespace

int runHost(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    try {
        return parseAndRun(argc, argv, out, err);
    } catch (const std::bad_alloc&) {
        printError(err, "out of memory");
    } catch (const std::exception& e) {
        printError(err, std::string("internal error: ") + e.what());
    }
    return kExitInternal;
}

}  // namespace app
