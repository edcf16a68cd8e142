#pragma once
// One frame of game state decoded from arbitrary bytes, and the host-side
// steps that hand it to a loaded plugin. Shared by the frame fuzzer and the
// seeded stress test, so both explore the same input space: rotation,
// positions, velocities, stick input, canvas size, each console variable
// present, missing or holding any text, and the game flags.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/GameEvents.h"
#include "host/Types.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"

namespace testkit {

// Reads the input front to back; past the end every read gives zeros, so any
// byte string is a valid frame.
class ByteSource {
  public:
    ByteSource(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
        return v;
    }
    bool flag() { return (byte() & 1) != 0; }
    std::string text(std::size_t maxLength) {
        const std::size_t n = byte() % (maxLength + 1);
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(byte()));
        return s;
    }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Game-like numbers, or in a wild frame every kind of special value mixed in.
inline float decodeFloat(ByteSource& in, bool wild) {
    const uint8_t kind = wild ? in.byte() % 10 : 9;
    const uint32_t bits = in.word();
    switch (kind) {
        case 0:
            return std::bit_cast<float>(bits);  // anything at all
        case 1:
            return std::bit_cast<float>(bits | 0x7F800001u);  // a NaN
        case 2:
            return (bits & 1) ? std::numeric_limits<float>::infinity()
                              : -std::numeric_limits<float>::infinity();
        case 3:  // huge, up to the largest float
            return std::bit_cast<float>((bits & 0x80FFFFFFu) | 0x7E000000u);
        case 4:  // tiny and denormal
            return std::bit_cast<float>(bits & 0x807FFFFFu);
        case 5:
            return 0.0f;
        default:  // game units: within +-32768, in 1/16 steps
            return static_cast<float>(static_cast<int32_t>(bits) >> 11) / 16.0f;
    }
}

inline int32_t decodeInt(ByteSource& in) {
    const uint8_t kind = in.byte() % 4;
    const uint32_t bits = in.word();
    if (kind == 0) return static_cast<int32_t>(bits);  // any, the extremes included
    return static_cast<int32_t>(bits) >> 15;           // within +-65536 (a turn either way)
}

struct CVarSetting {
    enum class Mode : uint8_t { Keep, Missing, Number, Text };
    Mode mode = Mode::Keep;
    float number = 0.0f;
    std::string text;
};

inline constexpr std::size_t kCVarCount = 6;
inline constexpr const char* kCVarNames[kCVarCount] = {
    "trimsight_enabled", "peripheral_mode_enabled", "trimsight_size", "x_position",
    "y_position",        "trimsight_target",
};

struct DecodedFrame {
    Vector2 canvas{1920, 1080};
    bool paused = false;
    bool freeplay = true;
    bool customTraining = false;
    bool hasBall = true;
    uint8_t replayEvents = 0;  // bit 0: begin fires, bit 1: then end fires
    pluginsdk::ActorState car;
    pluginsdk::ActorState ball;
    CVarSetting cvars[kCVarCount];
    // True when every number is finite and game-sized and every variable is
    // present and set within its bounds: then every drawn point must lie
    // near the canvas.
    bool sane = true;
    // True when the canvas is 1 to 8K pixels and every variable is present
    // and set within its bounds, whatever the car and the ball.
    bool layoutSane = true;
};

inline Vector decodeVector(ByteSource& in, bool wild) {
    Vector v;
    v.X = decodeFloat(in, wild);
    v.Y = decodeFloat(in, wild);
    v.Z = decodeFloat(in, wild);
    return v;
}

inline DecodedFrame decodeFrame(ByteSource& in) {
    DecodedFrame f;
    const uint8_t canvasKind = in.byte() % 4;
    if (canvasKind == 0) {
        f.canvas = {static_cast<int32_t>(in.word()), static_cast<int32_t>(in.word())};
    } else {  // 0 to 8K either way
        f.canvas.X = static_cast<int32_t>(in.word() % 8193);
        f.canvas.Y = static_cast<int32_t>(in.word() % 8193);
    }
    // Mostly frames that draw; every gate fails now and then.
    const uint8_t flags = in.byte();
    f.paused = (flags & 0x07) == 0;
    f.freeplay = (flags & 0x18) != 0x18;
    f.customTraining = (flags & 0x20) != 0;
    f.hasBall = (flags & 0xC0) != 0;
    const uint8_t events = in.byte();
    f.replayEvents = static_cast<uint8_t>(((events & 0x03) == 0 ? 1 : 0) | (events & 0x04 ? 2 : 0));

    const bool wild = (in.byte() & 1) != 0;
    f.car.location = decodeVector(in, wild);
    f.car.velocity = decodeVector(in, wild);
    f.car.rotation = {decodeInt(in), decodeInt(in), decodeInt(in)};
    f.car.input.Steer = decodeFloat(in, wild);
    f.car.input.Pitch = decodeFloat(in, wild);
    f.car.input.Throttle = decodeFloat(in, wild);
    f.ball.location = decodeVector(in, wild);
    f.ball.velocity = decodeVector(in, wild);

    for (CVarSetting& c : f.cvars) {
        const uint8_t mode = in.byte();
        if (mode < 96) {
            c.mode = CVarSetting::Mode::Keep;
        } else if (mode < 104) {
            c.mode = CVarSetting::Mode::Missing;
        } else if (mode < 240) {
            c.mode = CVarSetting::Mode::Number;
            // Mostly within the variables' ranges; setValue clamps the rest.
            c.number = (mode & 1) ? decodeFloat(in, true)
                                  : static_cast<float>(in.byte() % 101) / 100.0f * 7.0f - 0.5f;
        } else {
            c.mode = CVarSetting::Mode::Text;
            c.text = in.text(24);
        }
    }

    auto gameSized = [](float v) { return std::isfinite(v) && std::fabs(v) <= 1.0e5f; };
    auto vectorSane = [&](const Vector& v) {
        return gameSized(v.X) && gameSized(v.Y) && gameSized(v.Z);
    };
    f.sane = f.canvas.X > 0 && f.canvas.X <= 8192 && f.canvas.Y > 0 && f.canvas.Y <= 8192 &&
             vectorSane(f.car.location) && vectorSane(f.car.velocity) &&
             vectorSane(f.ball.location) && vectorSane(f.ball.velocity) &&
             gameSized(f.car.input.Steer) && gameSized(f.car.input.Pitch);
    // A ball at the car has no direction to show.
    const float dx = f.ball.location.X - f.car.location.X;
    const float dy = f.ball.location.Y - f.car.location.Y;
    const float dz = f.ball.location.Z - f.car.location.Z;
    if (!((dx * dx + dy * dy) + dz * dz > 1.0f)) f.sane = false;
    f.layoutSane = f.canvas.X > 0 && f.canvas.X <= 8192 && f.canvas.Y > 0 && f.canvas.Y <= 8192;
    for (const CVarSetting& c : f.cvars) {
        if (c.mode == CVarSetting::Mode::Missing || c.mode == CVarSetting::Mode::Text) {
            f.sane = false;
            f.layoutSane = false;
        }
    }
    return f;
}

// The host side of a frame: console variables, game state, replay events.
// `definitions` are the variables as the plugin registered them, to bring back a
// variable that an earlier frame removed.
inline void applyFrame(const DecodedFrame& f, pluginsdk::CVarStore& store,
                       pluginsdk::GameHost& game,
                       const std::vector<pluginsdk::CVarStore::Snapshot>& definitions) {
    for (std::size_t i = 0; i < kCVarCount; ++i) {
        const CVarSetting& c = f.cvars[i];
        const char* name = kCVarNames[i];
        if (c.mode == CVarSetting::Mode::Missing) {
            store.remove(name);
            continue;
        }
        std::shared_ptr<pluginsdk::CVarEntry> entry = store.find(name);
        if (!entry) {
            for (const auto& s : definitions) {
                if (s.definition.name == name) entry = store.registerCvar(s.definition);
            }
        }
        if (!entry) continue;
        switch (c.mode) {
            case CVarSetting::Mode::Keep:
                entry->setRaw(entry->definition.defaultValue);
                break;
            case CVarSetting::Mode::Number:
                // A NaN is refused and leaves the default.
                entry->setRaw(entry->definition.defaultValue);
                entry->setNumber(c.number);
                break;
            case CVarSetting::Mode::Text:
                entry->setRaw(c.text);
                break;
            case CVarSetting::Mode::Missing:
                break;
        }
    }
    game.state.paused = f.paused;
    game.state.freeplay = f.freeplay;
    game.state.customTraining = f.customTraining;
    game.state.hasBall = f.hasBall;
    game.state.car = f.car;
    game.state.ball = f.ball;
    // Leave the replay flag clear unless this frame's events set it.
    game.fireEvent(gameevents::kReplayEnd);
    if (f.replayEvents & 1) game.fireEvent(gameevents::kReplayBegin);
    if (f.replayEvents & 2) game.fireEvent(gameevents::kReplayEnd);
}

}  // namespace testkit
