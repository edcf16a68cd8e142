#include "scene/Scene.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <nlohmann/json.hpp>
#include <set>

#include "base/Excerpt.h"
#include "sandbox/NumberText.h"
#include "scene/JsonReader.h"

namespace scene {

using nlohmann::json;

namespace {

constexpr int kMaxCanvas = 16384;

std::string describe(const json& v) {
    switch (v.type()) {
        case json::value_t::null:
            return "null";
        case json::value_t::boolean:
            return v.get<bool>() ? "true" : "false";
        case json::value_t::string:
            return "the string " +
                   sandbox::jsonString(base::excerpt(v.get_ref<const std::string&>()));
        case json::value_t::number_integer:
        case json::value_t::number_unsigned:
        case json::value_t::number_float:
            return "the number " + v.dump();
        case json::value_t::object:
            return "an object";
        case json::value_t::array:
            return v.size() == 1 ? std::string("an array of 1 element")
                                 : "an array of " + std::to_string(v.size()) + " elements";
        default:
            return "a value of another kind";
    }
}

// Reads the document into a scene. The first problem found is kept with its
// place; the reads after it return placeholders that are never used.
class SceneReader {
  public:
    base::Result<SceneFrames> read(const json& doc);

  private:
    // Keeps the first problem; returns false so that checks read as
    // `if (!expectObject(...)) return;`.
    bool problem(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }
    bool mismatch(const std::string& path, const std::string& expected, const json& got) {
        return problem("at " + (path.empty() ? std::string("top level") : path) + ": expected " +
                       expected + ", got " + describe(got));
    }
    bool expectObject(const json& v, const std::string& path, const std::string& what) {
        return v.is_object() || mismatch(path, what, v);
    }
    bool checkKeys(const json& obj, const std::string& path,
                   std::initializer_list<std::string_view> allowed);

    bool readBool(const json& v, const std::string& path);
    float readFloat(const json& v, const std::string& path);
    int64_t readInteger(const json& v, const std::string& path, int64_t lo, int64_t hi,
                        const std::string& expected);
    Vector readVector(const json& v, const std::string& path);
    Rotator readRotator(const json& v, const std::string& path);
    Vector2 readCanvas(const json& v, const std::string& path);
    void readGame(const json& v, const std::string& path, SceneFrame& f);
    void readCVars(const json& v, const std::string& path, SceneFrame& f);
    void readCar(const json& v, const std::string& path, SceneFrame& f);
    void readBall(const json& v, const std::string& path, SceneFrame& f);
    SceneFrame readFrame(const json& v, const std::string& path);

    std::string error_;
};

// Rejects keys that are not in `allowed`.
bool SceneReader::checkKeys(const json& obj, const std::string& path,
                            std::initializer_list<std::string_view> allowed) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        bool known = false;
        for (std::string_view a : allowed) known = known || it.key() == a;
        if (known) continue;
        std::string list;
        for (std::string_view a : allowed) {
            if (!list.empty()) list += ", ";
            list += a;
        }
        return problem("at " + member(path, it.key()) + ": unknown key " +
                       sandbox::jsonString(base::excerpt(it.key())) + " (expected one of: " + list +
                       ")");
    }
    return true;
}

bool SceneReader::readBool(const json& v, const std::string& path) {
    if (!v.is_boolean()) return mismatch(path, "true or false", v);
    return v.get<bool>();
}

float SceneReader::readFloat(const json& v, const std::string& path) {
    if (!v.is_number()) {
        mismatch(path, "a number", v);
        return 0.0f;
    }
    const double d = v.get<double>();
    // Values past the float range would not survive the conversion.
    if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(FLT_MAX)) {
        mismatch(path, "a number within the 32-bit float range", v);
        return 0.0f;
    }
    return static_cast<float>(d);
}

int64_t SceneReader::readInteger(const json& v, const std::string& path, int64_t lo, int64_t hi,
                                 const std::string& expected) {
    if (v.is_number_integer() && !v.is_number_unsigned()) {
        const int64_t i = v.get<int64_t>();
        if (i >= lo && i <= hi) return i;
    } else if (v.is_number_unsigned()) {
        const uint64_t u = v.get<uint64_t>();
        if (hi >= 0 && u <= static_cast<uint64_t>(hi) && static_cast<int64_t>(u) >= lo)
            return static_cast<int64_t>(u);
    } else if (v.is_number_float()) {
        // Writers that print every number with a fraction ("90.0") are fine
        // as long as the value is a whole number in range.
        const double d = v.get<double>();
        if (std::trunc(d) == d && d >= static_cast<double>(lo) && d <= static_cast<double>(hi))
            return static_cast<int64_t>(d);
    }
    mismatch(path, expected, v);
    return lo;
}

Vector SceneReader::readVector(const json& v, const std::string& path) {
    if (!v.is_array() || v.size() != 3) {
        mismatch(path, "an array of 3 numbers [x, y, z]", v);
        return {};
    }
    return {readFloat(v[0], element(path, 0)), readFloat(v[1], element(path, 1)),
            readFloat(v[2], element(path, 2))};
}

Rotator SceneReader::readRotator(const json& v, const std::string& path) {
    if (!v.is_array() || v.size() != 3) {
        mismatch(path, "an array of 3 integers [pitch, yaw, roll]", v);
        return {};
    }
    const std::string each = "an integer from -2147483648 to 2147483647";
    auto one = [&](std::size_t i) {
        return static_cast<int32_t>(readInteger(v[i], element(path, i),
                                                std::numeric_limits<int32_t>::min(),
                                                std::numeric_limits<int32_t>::max(), each));
    };
    return {one(0), one(1), one(2)};
}

Vector2 SceneReader::readCanvas(const json& v, const std::string& path) {
    if (!v.is_array() || v.size() != 2) {
        mismatch(path, "an array of 2 integers [width, height]", v);
        return {1, 1};
    }
    const std::string each = "an integer from 1 to " + std::to_string(kMaxCanvas);
    return {static_cast<int32_t>(readInteger(v[0], element(path, 0), 1, kMaxCanvas, each)),
            static_cast<int32_t>(readInteger(v[1], element(path, 1), 1, kMaxCanvas, each))};
}

void SceneReader::readGame(const json& v, const std::string& path, SceneFrame& f) {
    if (!expectObject(v, path, "an object with paused, freeplay, custom_training, replay") ||
        !checkKeys(v, path, {"paused", "freeplay", "custom_training", "replay"}))
        return;
    if (v.contains("paused")) f.paused = readBool(v["paused"], member(path, "paused"));
    if (v.contains("freeplay")) f.freeplay = readBool(v["freeplay"], member(path, "freeplay"));
    if (v.contains("custom_training"))
        f.customTraining = readBool(v["custom_training"], member(path, "custom_training"));
    if (v.contains("replay")) f.replay = readBool(v["replay"], member(path, "replay"));
}

void SceneReader::readCVars(const json& v, const std::string& path, SceneFrame& f) {
    if (!expectObject(v, path, "an object of variable names to strings or null")) return;
    for (auto it = v.begin(); it != v.end(); ++it) {
        const std::string where = member(path, it.key());
        if (it.value().is_null())
            f.cvars.push_back({it.key(), std::nullopt, where});
        else if (it.value().is_string())
            f.cvars.push_back({it.key(), it.value().get<std::string>(), where});
        else
            mismatch(where, "a string (the value's text) or null (remove the variable)",
                     it.value());
    }
}

void SceneReader::readCar(const json& v, const std::string& path, SceneFrame& f) {
    if (!expectObject(v, path, "an object with location, velocity, rotation, input") ||
        !checkKeys(v, path, {"location", "velocity", "rotation", "input"}))
        return;
    if (v.contains("location"))
        f.car.location = readVector(v["location"], member(path, "location"));
    if (v.contains("velocity"))
        f.car.velocity = readVector(v["velocity"], member(path, "velocity"));
    if (v.contains("rotation"))
        f.car.rotation = readRotator(v["rotation"], member(path, "rotation"));
    if (!v.contains("input")) return;
    const std::string ip = member(path, "input");
    const json& in = v["input"];
    if (!expectObject(in, ip, "an object with steer, pitch") ||
        !checkKeys(in, ip, {"steer", "pitch"}))
        return;
    if (in.contains("steer")) f.car.steer = readFloat(in["steer"], member(ip, "steer"));
    if (in.contains("pitch")) f.car.pitch = readFloat(in["pitch"], member(ip, "pitch"));
}

void SceneReader::readBall(const json& v, const std::string& path, SceneFrame& f) {
    if (v.is_null()) {
        f.ball = SceneFrame::BallPresence::Absent;
        return;
    }
    if (!expectObject(v, path, "an object with location, velocity, or null (no ball)") ||
        !checkKeys(v, path, {"location", "velocity"}))
        return;
    f.ball = SceneFrame::BallPresence::Present;
    if (v.contains("location"))
        f.ballState.location = readVector(v["location"], member(path, "location"));
    if (v.contains("velocity"))
        f.ballState.velocity = readVector(v["velocity"], member(path, "velocity"));
}

SceneFrame SceneReader::readFrame(const json& v, const std::string& path) {
    SceneFrame f;
    if (!expectObject(v, path, "a frame object") ||
        !checkKeys(v, path, {"canvas", "game", "cvars", "car", "ball"}))
        return f;
    if (v.contains("canvas")) f.canvas = readCanvas(v["canvas"], member(path, "canvas"));
    if (v.contains("game")) readGame(v["game"], member(path, "game"), f);
    if (v.contains("cvars")) readCVars(v["cvars"], member(path, "cvars"), f);
    if (v.contains("car")) readCar(v["car"], member(path, "car"), f);
    if (v.contains("ball")) readBall(v["ball"], member(path, "ball"), f);
    return f;
}

base::Result<SceneFrames> SceneReader::read(const json& doc) {
    SceneFrames scene;
    if (doc.is_object() && doc.contains("frames")) {
        for (auto it = doc.begin(); it != doc.end(); ++it)
            if (it.key() != "frames")
                return base::Failure{"at " + member("", it.key()) + ": unknown key " +
                                     sandbox::jsonString(base::excerpt(it.key())) +
                                     " (a file with \"frames\" has no other top-level key)"};
        const json& frames = doc["frames"];
        if (!frames.is_array() || frames.empty())
            mismatch("frames", "a non-empty array of frame objects", frames);
        else
            scene.frames.reserve(frames.size());
        for (std::size_t i = 0; i < frames.size() && error_.empty(); ++i)
            scene.frames.push_back(readFrame(frames[i], element("frames", i)));
    } else if (expectObject(doc, "", "a frame object or {\"frames\": [...]}")) {
        scene.frames.push_back(readFrame(doc, ""));
    }
    if (!error_.empty()) return base::Failure{error_};
    return scene;
}

}  // namespace

base::Result<SceneFrames> parseScene(std::string_view text) {
    try {
        json doc;
        if (base::Status parsed = parseJson(text, doc); !parsed)
            return base::Failure{parsed.error()};
        return SceneReader().read(doc);
    } catch (const std::bad_alloc&) {
        return base::Failure{"out of memory while reading the scene"};
    } catch (const std::exception& e) {
        return base::Failure{std::string("cannot read the scene: ") + e.what()};
    }
}

void applyFrame(FrameState& s, const SceneFrame& f) {
    if (f.canvas) s.canvas = *f.canvas;
    if (f.paused) s.paused = *f.paused;
    if (f.freeplay) s.freeplay = *f.freeplay;
    if (f.customTraining) s.customTraining = *f.customTraining;
    if (f.replay) s.replay = *f.replay;
    if (f.car.location) s.carLocation = *f.car.location;
    if (f.car.velocity) s.carVelocity = *f.car.velocity;
    if (f.car.rotation) s.carRotation = *f.car.rotation;
    if (f.car.steer) s.steer = *f.car.steer;
    if (f.car.pitch) s.pitch = *f.car.pitch;
    switch (f.ball) {
        case SceneFrame::BallPresence::Inherit:
            break;
        case SceneFrame::BallPresence::Absent:
            s.hasBall = false;
            break;
        case SceneFrame::BallPresence::Present:
            s.hasBall = true;
            if (f.ballState.location) s.ballLocation = *f.ballState.location;
            if (f.ballState.velocity) s.ballVelocity = *f.ballState.velocity;
            break;
    }
}

}  // namespace scene
