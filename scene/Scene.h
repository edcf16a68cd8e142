#pragma once
// Scene files: the game state the host program plays to a plugin, frame by
// frame. A file is JSON, either one frame object or {"frames": [frame, ...]};
// every key of a frame is optional and a frame inherits what it does not give
// from the frame before it (the first from the defaults).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "host/Types.h"

namespace scene {

// What one frame of the file says; an empty optional means "as before".
struct SceneFrame {
    std::optional<Vector2> canvas;

    std::optional<bool> paused;
    std::optional<bool> freeplay;
    std::optional<bool> customTraining;
    std::optional<bool> replay;

    // In name order. A value sets the variable's text raw; nullopt removes it.
    struct CVarChange {
        std::string name;
        std::optional<std::string> value;
        std::string place;  // JSON path of the entry, for messages
    };
    std::vector<CVarChange> cvars;

    struct Actor {
        std::optional<Vector> location;
        std::optional<Vector> velocity;
        std::optional<Rotator> rotation;  // car only
        std::optional<float> steer;       // car only: ControllerInput byte offset 4
        std::optional<float> pitch;       // car only: ControllerInput byte offset 8
    };
    Actor car;

    enum class BallPresence { Inherit, Absent, Present };
    BallPresence ball = BallPresence::Inherit;
    Actor ballState;  // location and velocity only
};

struct SceneFrames {
    std::vector<SceneFrame> frames;
};

// A scene, or a one-line message saying where and what went wrong:
// "line L, column C: ..." for malformed JSON, "at PATH: ..." (PATH like
// frames[2].car.rotation[0]) for unknown keys, wrong types and bad values.
// Any input gives one or the other.
base::Result<SceneFrames> parseScene(std::string_view text);

// The largest scene file read: hours of frames. Parsed, a file takes up to
// about 25 times its size in memory, so this bounds a run near 1.6 GB.
inline constexpr std::size_t kMaxSceneBytes = std::size_t{64} << 20;

// The full state of one frame after inheritance.
struct FrameState {
    Vector2 canvas{1920, 1080};
    bool paused = false;
    bool freeplay = true;
    bool customTraining = false;
    bool replay = false;
    bool hasBall = true;
    Vector carLocation{};
    Vector carVelocity{};
    Rotator carRotation{};
    float steer = 0.0f;
    float pitch = 0.0f;
    Vector ballLocation{0.0f, 0.0f, 93.0f};
    Vector ballVelocity{};
};

// Applies one frame's changes (everything but the console variables, which
// live in the host's store) on top of the state before it.
void applyFrame(FrameState& state, const SceneFrame& frame);

}  // namespace scene
