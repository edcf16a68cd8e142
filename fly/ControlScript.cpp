#include "fly/ControlScript.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fly {
namespace {

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// A finite decimal number from lo to hi, or a message saying what it is not
// (strtod also reads hexadecimal, "inf" and "nan", which a script has no
// use for: no letter but an exponent's e is let through).
std::optional<double> number(const std::string& word, double lo, double hi, std::string& error) {
    const bool lettersOk = std::all_of(word.begin(), word.end(), [](char c) {
        return !std::isalpha(static_cast<unsigned char>(c)) || c == 'e' || c == 'E';
    });
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (word.empty() || !lettersOk || *end != '\0' || !std::isfinite(v)) {
        error = "\"" + word + "\" is not a number";
        return std::nullopt;
    }
    if (v < lo || v > hi) {
        std::ostringstream o;
        o << word << " is outside " << lo << " to " << hi;
        error = o.str();
        return std::nullopt;
    }
    return v;
}

std::string joined(const std::vector<std::string>& w, std::size_t from) {
    std::string s;
    for (std::size_t i = from; i < w.size(); ++i) s += (s.empty() ? "" : " ") + w[i];
    return s;
}

// The step a line's words (after its time) describe; `error` set when none.
std::optional<ScriptStep> parseStep(const std::vector<std::string>& w,
                                    const sandbox::Bindings& bindings, std::string& error) {
    ScriptStep step;
    const std::string& verb = w[1];
    const auto pair = [&](double lo, double hi) {
        if (w.size() != 4) {
            error = verb + " takes two numbers";
            return false;
        }
        const auto a = number(w[2], lo, hi, error);
        const auto b = a ? number(w[3], lo, hi, error) : std::nullopt;
        if (!b) return false;
        step.first = static_cast<float>(*a);
        step.second = static_cast<float>(*b);
        return true;
    };
    const bool upDown = w.size() >= 4 && (w[2] == "down" || w[2] == "up");
    if (verb == "stick") {
        step.kind = ScriptStep::Kind::Stick;
        if (!pair(-1.0, 1.0)) return std::nullopt;
    } else if (verb == "triggers") {
        step.kind = ScriptStep::Kind::Triggers;
        if (!pair(0.0, 1.0)) return std::nullopt;
    } else if (verb == "key" && upDown) {
        const std::string name = joined(w, 3);
        step.kind = w[2] == "down" ? ScriptStep::Kind::KeyDown : ScriptStep::Kind::KeyUp;
        step.key = lookUpKey(bindings, name);
        if (!step.key.action && !step.key.command) {
            error = "no key \"" + name + "\" is bound (see the help overlay, F1)";
            return std::nullopt;
        }
    } else if (verb == "button" && upDown && w.size() == 4) {
        const auto button = sandbox::padButtonNamed(w[3]);
        if (!button) {
            error = "no pad button \"" + w[3] + "\" (South, East, West, North, LeftShoulder, " +
                    "RightShoulder, Back, Start, DPadUp, DPadDown, DPadLeft, DPadRight)";
            return std::nullopt;
        }
        step.kind = w[2] == "down" ? ScriptStep::Kind::ButtonDown : ScriptStep::Kind::ButtonUp;
        step.button = *button;
    } else {
        error = "expected stick X Y, triggers L R, key down|up NAME, button down|up NAME or end";
        return std::nullopt;
    }
    return step;
}

}  // namespace

base::Result<ControlScript> parseControlScript(std::string_view text, std::string_view fileName,
                                               const sandbox::Bindings& bindings) {
    ControlScript script;
    int64_t lastNs = 0;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t eol = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNumber;
        const auto fail = [&](const std::string& what) {
            return base::Failure{std::string(fileName) + ":" + std::to_string(lineNumber) + ": " +
                                 what};
        };
        if (line.find('\0') != std::string_view::npos) return fail("a NUL byte in the line");
        line = line.substr(0, line.find('#'));
        const std::vector<std::string> w = words(line);
        if (w.empty()) continue;
        if (script.endNs) return fail("a step after the end line");
        std::string error;
        const auto seconds = number(w[0], 0.0, kMaxScriptSeconds, error);
        if (!seconds) return fail("the time: " + error);
        const auto timeNs = static_cast<int64_t>(std::llround(*seconds * 1e9));
        if (timeNs < lastNs) return fail("the time goes backwards (" + w[0] + " s)");
        lastNs = timeNs;
        if (w.size() == 1) return fail("a time with nothing to do");
        if (w[1] == "end" && w.size() == 2) {
            script.endNs = timeNs;
            continue;
        }
        std::optional<ScriptStep> step = parseStep(w, bindings, error);
        if (!step) return fail(error);
        step->timeNs = timeNs;
        script.steps.push_back(*step);
    }
    return script;
}

base::Result<ControlScript> loadControlScript(const std::string& path,
                                              const sandbox::Bindings& bindings) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return base::Failure{path + ": cannot read the script: " + std::strerror(errno)};
    if (!S_ISREG(st.st_mode))
        return base::Failure{path + ": cannot read the script: not a regular file"};
    if (static_cast<std::size_t>(st.st_size) > kMaxScriptBytes)
        return base::Failure{path + ": the script is larger than 16 MiB"};
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof())
        return base::Failure{path + ": cannot read the script: " + std::strerror(errno)};
    return parseControlScript(text.str(), path, bindings);
}

void ScriptPlayer::advanceTo(int64_t nowNs, CommandSet& pressed) {
    for (; next_ < script_.steps.size() && script_.steps[next_].timeNs <= nowNs; ++next_) {
        const ScriptStep& s = script_.steps[next_];
        switch (s.kind) {
            case ScriptStep::Kind::Stick:
                input_.pad.leftX = s.first;
                input_.pad.leftY = s.second;
                break;
            case ScriptStep::Kind::Triggers:
                input_.pad.leftTrigger = s.first;
                input_.pad.rightTrigger = s.second;
                break;
            case ScriptStep::Kind::KeyDown:
            case ScriptStep::Kind::KeyUp: {
                const bool down = s.kind == ScriptStep::Kind::KeyDown;
                if (s.key.action) input_.keysHeld.set(*s.key.action, down);
                if (s.key.command && down) pressed.add(*s.key.command);
                break;
            }
            case ScriptStep::Kind::ButtonDown:
            case ScriptStep::Kind::ButtonUp:
                // A command button acts when the session sees it go down.
                input_.pad.press(s.button, s.kind == ScriptStep::Kind::ButtonDown);
                break;
        }
    }
}

}  // namespace fly
