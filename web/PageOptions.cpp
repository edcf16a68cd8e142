#include "web/PageOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <new>
#include <nlohmann/json.hpp>

#include "fly/FlySession.h"
#include "sandbox/Bindings.h"
#include "sandbox/NumberText.h"
#include "sandbox/ShareCode.h"
#include "scene/JsonReader.h"

namespace web {
namespace {

using nlohmann::json;

constexpr const char* kScriptName = "the page's script";
// The largest seed a JavaScript number holds exactly.
constexpr double kLargestNumberSeed = 9007199254740992.0;

base::Result<uint64_t> seedOf(const json& value) {
    if (value.is_number()) {
        const double v = value.get<double>();
        if (v >= 0.0 && v <= kLargestNumberSeed && std::floor(v) == v)
            return static_cast<uint64_t>(v);
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        const bool digits =
            !text.empty() && text.size() <= 20 &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        errno = 0;
        const unsigned long long v = digits ? std::strtoull(text.c_str(), nullptr, 10) : 0;
        if (digits && errno == 0) return static_cast<uint64_t>(v);
    }
    return base::Failure{"seed: expected a whole number from 0 up"};
}

base::Status readScript(const json& value, PageOptions& options) {
    if (!value.is_string()) return base::Failure{"script: expected the script's text"};
    std::string text = value.get<std::string>();
    std::replace(text.begin(), text.end(), ';', '\n');
    base::Result<fly::ControlScript> script =
        fly::parseControlScript(text, kScriptName, sandbox::defaultBindings());
    if (!script) return script.failure();
    options.script = std::move(*script);
    return {};
}

base::Status readFlag(const json& value, const char* name, bool& flag) {
    if (!value.is_boolean()) return base::Failure{std::string(name) + ": expected true or false"};
    flag = value.get<bool>();
    return {};
}

base::Status readDrill(const json& value, PageOptions& options) {
    const std::string name = value.is_string() ? value.get<std::string>() : std::string();
    options.drill = sandbox::findDrill(name);
    if (options.drill != nullptr) return {};
    std::string names;
    for (const sandbox::DrillEntry& entry : sandbox::drillTable())
        names += (names.empty() ? "" : ", ") + std::string(entry.info.name);
    return base::Failure{"drill: expected one of " + names};
}

// A built-in pack or course by name, else a share code of one: `name` is
// the option's, `kind` names what it holds ("pack"), `builtIns` lists the
// built-in names for the message.
template <typename T>
base::Status readShared(const json& value, const char* name, const char* kind,
                        const T* (*builtIn)(std::string_view),
                        base::Result<T> (*fromCode)(std::string_view), const std::string& builtIns,
                        std::optional<T>& into) {
    const std::string what = std::string(name) + ": expected a built-in " + kind + " (" + builtIns +
                             ") or a " + kind + "'s share code";
    if (!value.is_string()) return base::Failure{what};
    const std::string text = value.get<std::string>();
    if (const T* found = builtIn(text)) {
        into = *found;
        return {};
    }
    base::Result<T> read = fromCode(text);
    if (!read) return base::Failure{what + "; " + read.error()};
    into = std::move(*read);
    return {};
}

base::Status readPack(const json& value, PageOptions& options) {
    std::string names;
    for (const sandbox::Pack& p : sandbox::builtInPacks())
        names += (names.empty() ? "" : ", ") + sandbox::packSlug(p.name);
    return readShared<sandbox::Pack>(value, "pack", "pack", sandbox::findBuiltInPack,
                                     sandbox::packFromCode, names, options.pack);
}

base::Status readCourse(const json& value, PageOptions& options) {
    std::string names;
    for (const sandbox::Course& c : sandbox::builtInCourses())
        names += (names.empty() ? "" : ", ") + c.name;
    return readShared<sandbox::Course>(value, "course", "course", sandbox::findCourse,
                                       sandbox::courseFromCode, names, options.course);
}

// A built-in session by name, else a share code's.
base::Status readSession(const json& value, PageOptions& options) {
    if (!value.is_string()) return base::Failure{"session: expected a session's name or code"};
    const std::string text = value.get<std::string>();
    if (const sandbox::Session* builtIn = sandbox::findBuiltInSession(text)) {
        options.session = *builtIn;
        return {};
    }
    base::Result<std::string> file = sandbox::readShareCode(text);
    if (!file)
        return base::Failure{"session: \"" + text.substr(0, 40) +
                             "\" is no built-in session and no code (" + file.error() + ")"};
    base::Result<sandbox::Session> session = sandbox::parseSession(*file, "the session's code");
    if (!session) return base::Failure{"session: " + session.error()};
    if (base::Status ok = fly::checkSession(*session, {}); !ok)
        return base::Failure{"session: " + ok.error()};
    options.session = std::move(*session);
    return {};
}

base::Status readOption(const std::string& key, const json& value, PageOptions& options) {
    if (key == "canvas") {
        if (!value.is_string() || value.get<std::string>().empty())
            return base::Failure{"canvas: expected the canvas's CSS selector"};
        options.canvas = value.get<std::string>();
    } else if (key == "script") {
        return readScript(value, options);
    } else if (key == "seconds") {
        const double v = value.is_number() ? value.get<double>() : -1.0;
        if (!(v >= 0.0 && v <= fly::kMaxScriptSeconds))
            return base::Failure{"seconds: expected a number of seconds from 0 to 86400"};
        options.seconds = v;
    } else if (key == "seed") {
        base::Result<uint64_t> seed = seedOf(value);
        if (!seed) return seed.failure();
        options.seed = *seed;
    } else if (key == "fixedSteps") {
        return readFlag(value, "fixedSteps", options.fixedSteps);
    } else if (key == "unlimitedBoost") {
        return readFlag(value, "unlimitedBoost", options.unlimitedBoost);
    } else if (key == "drill") {
        return readDrill(value, options);
    } else if (key == "pack") {
        return readPack(value, options);
    } else if (key == "shot") {
        const double v = value.is_number() ? value.get<double>() : 0.0;
        if (!(v >= 1.0 && v <= static_cast<double>(sandbox::kMaxPackShots) && std::floor(v) == v))
            return base::Failure{"shot: expected a shot's number from 1 to 50"};
        options.shot = static_cast<std::size_t>(v);
    } else if (key == "course") {
        return readCourse(value, options);
    } else if (key == "session") {
        return readSession(value, options);
    } else if (key == "autopilot") {
        return readFlag(value, "autopilot", options.autopilot);
    } else {
        return base::Failure{"no option " + sandbox::jsonString(key)};
    }
    return {};
}

}  // namespace

std::optional<int64_t> PageOptions::endNs() const {
    if (seconds > 0.0) return static_cast<int64_t>(std::llround(seconds * 1e9));
    if (script) return script->endNs;
    return std::nullopt;
}

base::Result<PageOptions> parsePageOptions(std::string_view text) {
    try {
        json doc;
        if (base::Status parsed = scene::parseJson(text, doc); !parsed)
            return base::Failure{"the page's options: " + parsed.error()};
        if (!doc.is_object()) return base::Failure{"the page's options: expected an object"};
        PageOptions options;
        for (auto it = doc.begin(); it != doc.end(); ++it)
            if (base::Status read = readOption(it.key(), it.value(), options); !read)
                return base::Failure{read.error()};
        const int starts = (options.drill != nullptr ? 1 : 0) + (options.pack ? 1 : 0) +
                           (options.course ? 1 : 0) + (options.session ? 1 : 0);
        if (starts > 1)
            return base::Failure{
                "drill, pack, course and session each start attempts: give one of them"};
        if (options.autopilot && starts == 0)
            return base::Failure{
                "autopilot: it flies drills, packs, courses and sessions; give one of them"};
        if (options.shot > 0 && !options.pack)
            return base::Failure{"shot: it is a pack's shot; give a pack"};
        if (options.pack && options.shot > options.pack->shots.size())
            return base::Failure{"shot: the pack \"" + options.pack->name + "\" has " +
                                 std::to_string(options.pack->shots.size()) + " shots"};
        if (options.autopilot && options.script)
            return base::Failure{"autopilot: the script flies the car already; give one of them"};
        return options;
    } catch (const std::bad_alloc&) {
        return base::Failure{"out of memory while reading the page's options"};
    } catch (const std::exception& e) {
        return base::Failure{std::string("cannot read the page's options: ") + e.what()};
    }
}

}  // namespace web
