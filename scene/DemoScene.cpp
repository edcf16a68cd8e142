#include "scene/DemoScene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "sandbox/Attitude.h"

namespace scene {
namespace {

using json = nlohmann::ordered_json;

constexpr double kPi = 3.14159265358979323846;
constexpr double kPassSeconds = 4.0;

double smooth(double from, double to, double t) {
    const double x = std::clamp((t - from) / (to - from), 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// Degrees to rotator units, rounded and wrapped into the game's range as the
// sandbox wraps its rotators.
int32_t units(double degrees) {
    constexpr double kTurn = sandbox::kRotatorUnitsPerTurn;
    return sandbox::wrapRotatorUnits(static_cast<int32_t>(std::lround(degrees * kTurn / 360.0)));
}

struct Attitude {
    double pitch;  // degrees, nose up positive
    double yaw;
    double roll;
};

// Take-off at 0.6 s pulling the nose up to 40 degrees, one full roll from
// 1.6 s to 2.6 s, then a yaw of 150 degrees while the car drifts on.
Attitude attitudeAt(double t) {
    Attitude a{};
    a.pitch = 40.0 * smooth(0.6, 1.5, t) - 30.0 * smooth(2.8, 4.0, t);
    a.roll = 360.0 * smooth(1.6, 2.6, t);
    a.yaw = 150.0 * smooth(2.8, 4.0, t);
    return a;
}

struct Stick {
    double steer;
    double pitch;
};

Stick stickAt(double t) {
    if (t >= 0.6 && t < 1.5) return {0.0, -1.0};  // pulling back: nose up
    if (t >= 1.6 && t < 2.6) return {1.0, 0.0};   // air roll
    if (t >= 2.8 && t < 3.9) return {0.7, 0.3};   // turning round
    return {0.0, 0.0};
}

// The car's velocity follows its nose under boost until 2.8 s, then it
// drifts on while the nose swings round.
void velocityAt(double t, double out[3]) {
    const double speed = 1400.0 * smooth(0.0, 1.2, t) + 1.0;
    const Attitude a = attitudeAt(std::min(t, 2.8));
    const double p = a.pitch * kPi / 180.0;
    const double y = a.yaw * kPi / 180.0;
    out[0] = speed * std::cos(p) * std::cos(y);
    out[1] = speed * std::cos(p) * std::sin(y);
    out[2] = speed * std::sin(p);
}

json vec(const double v[3]) {
    return json::array(
        {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])});
}

}  // namespace

std::string demoSceneText() {
    const int perPass = static_cast<int>(kPassSeconds * kDemoFramesPerSecond);
    const double dt = 1.0 / kDemoFramesPerSecond;

    // The car's path, integrated once; the ball is put where the car passes
    // it at 2.3 s, a little above and to the left of the path, drifting
    // sideways, so it goes from ahead of the car to behind it.
    std::vector<std::array<double, 3>> path(static_cast<std::size_t>(perPass));
    double location[3] = {-3200.0, 0.0, 17.0};
    for (int i = 0; i < perPass; ++i) {
        path[static_cast<std::size_t>(i)] = {location[0], location[1], location[2]};
        double v[3];
        velocityAt(i * dt, v);
        for (int k = 0; k < 3; ++k) location[k] += v[k] * dt;
    }
    const double ballVelocity[3] = {0.0, -150.0, 0.0};
    const int passFrame = static_cast<int>(2.3 * kDemoFramesPerSecond);
    const auto& meet = path[static_cast<std::size_t>(passFrame)];
    const double ballStart[3] = {meet[0], meet[1] + 180.0 + 150.0 * 2.3, meet[2] + 140.0};

    json frames = json::array();
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < perPass; ++i) {
            const double t = i * dt;
            json frame = json::object();
            if (i == 0) {
                if (pass == 0) {
                    frame["canvas"] = json::array({1280, 720});
                    frame["game"] = {{"paused", false},
                                     {"freeplay", true},
                                     {"custom_training", false},
                                     {"replay", false}};
                }
                // Every setting given, so a saved config cannot change the demo.
                frame["cvars"] = {
                    {"trimsight_enabled", "1"}, {"peripheral_mode_enabled", pass == 0 ? "0" : "1"},
                    {"trimsight_size", "3.3"},  {"x_position", "0.3"},
                    {"y_position", "0.9"},      {"trimsight_target", pass == 0 ? "4" : "5"}};
            }
            const Attitude a = attitudeAt(t);
            const Stick s = stickAt(t);
            double v[3];
            velocityAt(t, v);
            const auto& p = path[static_cast<std::size_t>(i)];
            const double carLocation[3] = {p[0], p[1], p[2]};
            frame["car"] = {
                {"location", vec(carLocation)},
                {"velocity", vec(v)},
                {"rotation", json::array({units(a.pitch), units(a.yaw), units(a.roll)})},
                {"input",
                 {{"steer", static_cast<float>(s.steer)}, {"pitch", static_cast<float>(s.pitch)}}}};
            const double ball[3] = {ballStart[0] + ballVelocity[0] * t,
                                    ballStart[1] + ballVelocity[1] * t,
                                    ballStart[2] + ballVelocity[2] * t};
            frame["ball"] = {{"location", vec(ball)}, {"velocity", vec(ballVelocity)}};
            frames.push_back(std::move(frame));
        }
    }
    return json{{"frames", std::move(frames)}}.dump();
}

}  // namespace scene
