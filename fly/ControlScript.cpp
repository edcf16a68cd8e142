#include "fly/ControlScript.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
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
base::Result<double> number(const std::string& word, double lo, double hi) {
    const bool lettersOk = std::all_of(word.begin(), word.end(), [](char c) {
        return !std::isalpha(static_cast<unsigned char>(c)) || c == 'e' || c == 'E';
    });
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (word.empty() || !lettersOk || *end != '\0' || !std::isfinite(v))
        return base::Failure{"\"" + word + "\" is not a number"};
    if (v < lo || v > hi) {
        std::ostringstream o;
        o << word << " is outside " << lo << " to " << hi;
        return base::Failure{o.str()};
    }
    return v;
}

std::string joined(const std::vector<std::string>& w, std::size_t from) {
    std::string s;
    for (std::size_t i = from; i < w.size(); ++i) s += (s.empty() ? "" : " ") + w[i];
    return s;
}

// The step a line's words (after its time) describe, or why they describe
// none.
base::Result<ScriptStep> parseStep(const std::vector<std::string>& w,
                                   const sandbox::Bindings& bindings) {
    ScriptStep step;
    const std::string& verb = w[1];
    const auto pair = [&](double lo, double hi) -> base::Status {
        if (w.size() != 4) return base::Failure{verb + " takes two numbers"};
        const base::Result<double> a = number(w[2], lo, hi);
        if (!a) return a.failure();
        const base::Result<double> b = number(w[3], lo, hi);
        if (!b) return b.failure();
        step.first = static_cast<float>(*a);
        step.second = static_cast<float>(*b);
        return {};
    };
    const bool upDown = w.size() >= 4 && (w[2] == "down" || w[2] == "up");
    if (verb == "stick") {
        step.kind = ScriptStep::Kind::Stick;
        if (base::Status read = pair(-1.0, 1.0); !read) return read.failure();
    } else if (verb == "triggers") {
        step.kind = ScriptStep::Kind::Triggers;
        if (base::Status read = pair(0.0, 1.0); !read) return read.failure();
    } else if (verb == "key" && upDown) {
        const std::string name = joined(w, 3);
        step.kind = w[2] == "down" ? ScriptStep::Kind::KeyDown : ScriptStep::Kind::KeyUp;
        step.key = lookUpKey(bindings, name);
        if (!step.key.action && !step.key.command)
            return base::Failure{"no key \"" + name + "\" is bound (see the help overlay, F1)"};
    } else if (verb == "button" && upDown && w.size() == 4) {
        const auto button = sandbox::padButtonNamed(w[3]);
        if (!button)
            return base::Failure{"no pad button \"" + w[3] +
                                 "\" (South, East, West, North, LeftShoulder, RightShoulder, "
                                 "Back, Start, DPadUp, DPadDown, DPadLeft, DPadRight)"};
        step.kind = w[2] == "down" ? ScriptStep::Kind::ButtonDown : ScriptStep::Kind::ButtonUp;
        step.button = *button;
    } else {
        return base::Failure{
            "expected stick X Y, triggers L R, key down|up NAME, button down|up NAME or end"};
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
        const base::Result<double> seconds = number(w[0], 0.0, kMaxScriptSeconds);
        if (!seconds) return fail("the time: " + seconds.error());
        const auto timeNs = static_cast<int64_t>(std::llround(*seconds * 1e9));
        if (timeNs < lastNs) return fail("the time goes backwards (" + w[0] + " s)");
        lastNs = timeNs;
        if (w.size() == 1) return fail("a time with nothing to do");
        if (w[1] == "end" && w.size() == 2) {
            script.endNs = timeNs;
            continue;
        }
        base::Result<ScriptStep> step = parseStep(w, bindings);
        if (!step) return fail(step.error());
        step->timeNs = timeNs;
        script.steps.push_back(*step);
    }
    return script;
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
