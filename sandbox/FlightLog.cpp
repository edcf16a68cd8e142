#include "sandbox/FlightLog.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <span>

#include "base/Excerpt.h"
#include "sandbox/NumberText.h"
#include "sandbox/TextFormat.h"

namespace sandbox {

namespace {

constexpr std::string_view kMagic = kFlightLogMagic;
// How far from unit length and square the start attitude's axes may be.
constexpr float kAttitudeTolerance = 1e-3f;

// Where a start may be, and how fast: a generous box around the arena (its
// own size again on every side, and as far below the floor as it is high)
// and speeds and spins up to four times the model's caps. A start outside
// them is no flight the sandbox makes, and such numbers fly the model into
// values that are not finite.
constexpr Vec3 kStartBox{3.0f * arena::kHalfWidth, 3.0f * arena::kHalfLength,
                         2.0f * arena::kHeight};
constexpr float kStartBelowFloor = arena::kHeight;
constexpr int kStartCapFactor = 4;

using text::appendFlag;
using text::appendFloat;
using text::appendInt;
using text::appendVec;
using text::fail;
using text::Fields;
using text::formatVec;

// Boost, jump and (from version 4) handbrake, in that order, or "-".
std::string buttonsText(const CarControls& c) {
    if (!c.boost && !c.jump && !c.handbrake) return "-";
    return std::string(c.boost ? "B" : "") + (c.jump ? "J" : "") + (c.handbrake ? "H" : "");
}

bool isNameChar(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ch == '_';
}
bool validName(std::string_view name) {
    if (name.empty() || name.size() > kMaxCVarNameLength) return false;
    for (char ch : name)
        if (!isNameChar(ch)) return false;
    return true;
}
bool validDrillName(std::string_view name) {
    if (name.empty() || name.size() > kMaxDrillNameLength) return false;
    for (char ch : name)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-')) return false;
    return true;
}
bool validValue(std::string_view value) {
    if (value.size() > kMaxCVarValueLength) return false;
    for (char ch : value)
        if (ch < 0x20 || ch > 0x7e) return false;
    return true;
}

// A location inside the start box around the arena.
Vec3 startLocation(Fields& f, const char* what) {
    const Vec3 v = f.vec(what);
    const bool inside = std::fabs(v.x) <= kStartBox.x && std::fabs(v.y) <= kStartBox.y &&
                        v.z >= -kStartBelowFloor && v.z <= kStartBox.z;
    if (!inside)
        fail(std::string(what) + ": " + formatVec(v) +
             " is outside the box a start may be in (x within " + formatFloat(kStartBox.x) +
             ", y within " + formatFloat(kStartBox.y) + " of the centre, z from " +
             formatFloat(-kStartBelowFloor) + " to " + formatFloat(kStartBox.z) + ")");
    return v;
}

// A velocity or a spin whose length is at most `cap` times kStartCapFactor:
// faster than the model ever goes.
Vec3 capped(Fields& f, const char* what, float cap, const char* unit) {
    const float most = static_cast<float>(static_cast<double>(cap) * kStartCapFactor);
    const Vec3 v = f.vec(what);
    const double length =
        std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                  static_cast<double>(v.z) * v.z);
    if (!(length <= static_cast<double>(cap) * kStartCapFactor))
        fail(std::string(what) + ": " + formatVec(v) + " is longer than " + formatFloat(most) +
             " " + unit + " (" + std::to_string(kStartCapFactor) + " times the cap of " +
             formatFloat(cap) + ")");
    return v;
}

// An attitude axis: of unit length, within kAttitudeTolerance.
Vec3 axis(Fields& f, const char* what) { return f.unitAxis(what, kAttitudeTolerance); }

// ------------------------------------------------------ the start state

// Each start line once: its key, how it is written and how it is read, and
// the version of the format that brought it in (older files lack it and read
// it as its default). Each model has its table: the legacy model's start for
// versions 1 to 3, the full model's from version 4.
struct StartLine {
    std::string_view key;
    void (*write)(std::string& out, const FlightLog& log);
    void (*read)(Fields& f, FlightLog& log);
    int64_t sinceVersion = 1;
    // An optional line: written only when this says so, and its default
    // when a file lacks it. Null: always written, and required.
    bool (*written)(const FlightLog& log) = nullptr;
};

constexpr int32_t kMaxOwedTicks = model::kMinBoostTicks;
constexpr int32_t kMaxJumpTicks = model::kJumpMaxTicks;

// The legacy model's start (versions 1 to 3).
const StartLine kLegacyStartLines[] = {
    {"option unlimited_boost",
     [](std::string& o, const FlightLog& l) { appendFlag(o, l.options.unlimitedBoost); },
     [](Fields& f, FlightLog& l) { l.options.unlimitedBoost = f.flag("unlimited_boost"); }},
    {"option ball_floats",
     [](std::string& o, const FlightLog& l) { appendFlag(o, l.options.ballFloats); },
     [](Fields& f, FlightLog& l) { l.options.ballFloats = f.flag("ball_floats"); }, 2},
    {"car location", [](std::string& o, const FlightLog& l) { appendVec(o, l.start.car.location); },
     [](Fields& f, FlightLog& l) { l.start.car.location = startLocation(f, "location"); }},
    {"car velocity", [](std::string& o, const FlightLog& l) { appendVec(o, l.start.car.velocity); },
     [](Fields& f, FlightLog& l) {
         l.start.car.velocity = capped(f, "velocity", model::kMaxCarSpeed, "uu/s");
     }},
    {"car forward",
     [](std::string& o, const FlightLog& l) { appendVec(o, l.start.car.attitude.forward); },
     [](Fields& f, FlightLog& l) { l.start.car.attitude.forward = axis(f, "forward"); }},
    {"car right",
     [](std::string& o, const FlightLog& l) { appendVec(o, l.start.car.attitude.right); },
     [](Fields& f, FlightLog& l) { l.start.car.attitude.right = axis(f, "right"); }},
    {"car up", [](std::string& o, const FlightLog& l) { appendVec(o, l.start.car.attitude.up); },
     [](Fields& f, FlightLog& l) { l.start.car.attitude.up = axis(f, "up"); }},
    {"car spin", [](std::string& o, const FlightLog& l) { appendVec(o, l.start.car.spin); },
     [](Fields& f, FlightLog& l) {
         l.start.car.spin = capped(f, "spin", model::kMaxSpin, "rad/s");
     }},
    {"car boost", [](std::string& o, const FlightLog& l) { appendFloat(o, l.start.car.boost); },
     [](Fields& f, FlightLog& l) {
         const float b = f.number("boost");
         if (!(b >= 0.0f && b <= model::kBoostTank)) fail("boost: expected 0 to 100");
         l.start.car.boost = b;
     }},
    {"car on_ground",
     [](std::string& o, const FlightLog& l) { appendFlag(o, l.start.car.onGround); },
     [](Fields& f, FlightLog& l) { l.start.car.onGround = f.flag("on_ground"); }},
    {"car boost_state",
     [](std::string& o, const FlightLog& l) {
         appendFlag(o, l.start.car.boosting);
         appendInt(o, l.start.car.boostTicksOwed);
     },
     [](Fields& f, FlightLog& l) {
         l.start.car.boosting = f.flag("boosting");
         l.start.car.boostTicksOwed =
             static_cast<int32_t>(f.integer("ticks owed", 0, kMaxOwedTicks));
     }},
    {"car jump_state",
     [](std::string& o, const FlightLog& l) {
         appendFlag(o, l.start.car.jumpHeld);
         appendFlag(o, l.start.car.jumping);
         appendInt(o, l.start.car.jumpTicks);
     },
     [](Fields& f, FlightLog& l) {
         l.start.car.jumpHeld = f.flag("jump held");
         l.start.car.jumping = f.flag("jumping");
         l.start.car.jumpTicks = static_cast<int32_t>(f.integer("jump ticks", 0, kMaxJumpTicks));
     }},
    {"ball location",
     [](std::string& o, const FlightLog& l) { appendVec(o, l.start.ball.location); },
     [](Fields& f, FlightLog& l) { l.start.ball.location = startLocation(f, "location"); }},
    {"ball velocity",
     [](std::string& o, const FlightLog& l) { appendVec(o, l.start.ball.velocity); },
     [](Fields& f, FlightLog& l) {
         l.start.ball.velocity = capped(f, "velocity", model::kMaxBallSpeed, "uu/s");
     }},
};

// The full model's start (version 4): what its tick carries from one tick
// to the next, but the contact points the car's box keeps (they only start
// the next solve; a flight starts without them, storedStart).
constexpr float kMaxTimer = 100000.0f;    // s: any flight's timers stay far below
constexpr float kMaxWheelForce = 1.0e7f;  // full throttle drives a wheel with 72000
constexpr float kMaxPushBack = 1.0e6f;

mechanics::Car& fullCar(FlightLog& l) { return l.fullStart.car; }
const mechanics::Car& fullCar(const FlightLog& l) { return l.fullStart.car; }

template <int N>
void writeWheel(std::string& o, const FlightLog& l) {
    const mechanics::Wheel& w = fullCar(l).wheels[N];
    for (float v : {w.engineForce, w.brake, w.lateralFriction, w.longitudinalFriction, w.steerAngle,
                    w.pushBack})
        appendFloat(o, v);
}
template <int N>
void readWheel(Fields& f, FlightLog& l) {
    mechanics::Wheel& w = fullCar(l).wheels[N];
    w.engineForce = f.bounded("engine force", -kMaxWheelForce, kMaxWheelForce);
    w.brake = f.bounded("brake", 0.0f, kMaxWheelForce);
    w.lateralFriction = f.bounded("lateral friction", 0.0f, 10.0f);
    w.longitudinalFriction = f.bounded("longitudinal friction", 0.0f, 10.0f);
    w.steerAngle = f.bounded("steer angle", -1.0f, 1.0f);
    w.pushBack = f.bounded("push-back", 0.0f, kMaxPushBack);
}

const StartLine kFullStartLines[] = {
    kLegacyStartLines[0],
    kLegacyStartLines[1],
    // The player's dodge dead zone, only when it is not the default: a
    // flight flown with the default writes the same file as before the
    // setting was there, and a program that does not know the line refuses
    // a flight it could not replay.
    {"option dodge_dead_zone",
     [](std::string& o, const FlightLog& l) { appendFloat(o, l.options.dodgeDeadZone); },
     [](Fields& f, FlightLog& l) {
         l.options.dodgeDeadZone = f.bounded("dodge_dead_zone", 0.0f, 1.0f);
     },
     kFullModelSinceVersion,
     [](const FlightLog& l) { return l.options.dodgeDeadZone != kDefaultDodgeDeadZone; }},
    {"car location", [](std::string& o, const FlightLog& l) { appendVec(o, fullCar(l).location); },
     [](Fields& f, FlightLog& l) { fullCar(l).location = startLocation(f, "location"); }},
    {"car velocity", [](std::string& o, const FlightLog& l) { appendVec(o, fullCar(l).velocity); },
     [](Fields& f, FlightLog& l) {
         fullCar(l).velocity = capped(f, "velocity", model::kMaxCarSpeed, "uu/s");
     }},
    {"car forward",
     [](std::string& o, const FlightLog& l) { appendVec(o, fullCar(l).attitude.forward); },
     [](Fields& f, FlightLog& l) { fullCar(l).attitude.forward = axis(f, "forward"); }},
    {"car right",
     [](std::string& o, const FlightLog& l) { appendVec(o, fullCar(l).attitude.right); },
     [](Fields& f, FlightLog& l) { fullCar(l).attitude.right = axis(f, "right"); }},
    {"car up", [](std::string& o, const FlightLog& l) { appendVec(o, fullCar(l).attitude.up); },
     [](Fields& f, FlightLog& l) { fullCar(l).attitude.up = axis(f, "up"); }},
    {"car spin", [](std::string& o, const FlightLog& l) { appendVec(o, fullCar(l).spin); },
     [](Fields& f, FlightLog& l) {
         fullCar(l).spin = capped(f, "spin", model::kMaxSpin, "rad/s");
     }},
    {"car boost", [](std::string& o, const FlightLog& l) { appendFloat(o, fullCar(l).boost); },
     [](Fields& f, FlightLog& l) {
         fullCar(l).boost = f.bounded("boost", 0.0f, model::kBoostTank);
     }},
    {"car jump_state",
     [](std::string& o, const FlightLog& l) {
         const mechanics::Car& c = fullCar(l);
         appendFlag(o, c.jumpHeld);
         appendFlag(o, c.hasJumped);
         appendFlag(o, c.isJumping);
         appendFloat(o, c.jumpTime);
         appendFloat(o, c.timeSinceJump);
     },
     [](Fields& f, FlightLog& l) {
         mechanics::Car& c = fullCar(l);
         c.jumpHeld = f.flag("jump held");
         c.hasJumped = f.flag("has jumped");
         c.isJumping = f.flag("is jumping");
         c.jumpTime = f.bounded("jump time", 0.0f, kMaxTimer);
         c.timeSinceJump = f.bounded("time since the jump", 0.0f, kMaxTimer);
     }},
    {"car dodge_state",
     [](std::string& o, const FlightLog& l) {
         const mechanics::Car& c = fullCar(l);
         appendFlag(o, c.hasDoubleJumped);
         appendFlag(o, c.hasFlipped);
         appendFlag(o, c.isFlipping);
         appendFloat(o, c.flipTime);
         appendFloat(o, c.flipTorqueForward);
         appendFloat(o, c.flipTorqueRight);
     },
     [](Fields& f, FlightLog& l) {
         mechanics::Car& c = fullCar(l);
         c.hasDoubleJumped = f.flag("has double jumped");
         c.hasFlipped = f.flag("has flipped");
         c.isFlipping = f.flag("is flipping");
         c.flipTime = f.bounded("flip time", 0.0f, kMaxTimer);
         c.flipTorqueForward = f.bounded("flip torque forward", -1.0f, 1.0f);
         c.flipTorqueRight = f.bounded("flip torque right", -1.0f, 1.0f);
     }},
    {"car auto_flip",
     [](std::string& o, const FlightLog& l) {
         const mechanics::Car& c = fullCar(l);
         appendFlag(o, c.isAutoFlipping);
         appendFloat(o, c.autoFlipTime);
         appendFloat(o, c.autoFlipSign);
     },
     [](Fields& f, FlightLog& l) {
         mechanics::Car& c = fullCar(l);
         c.isAutoFlipping = f.flag("auto-flipping");
         c.autoFlipTime = f.bounded("auto-flip time", 0.0f, kMaxTimer);
         c.autoFlipSign = f.bounded("auto-flip sign", -1.0f, 1.0f);
     }},
    {"car boost_state",
     [](std::string& o, const FlightLog& l) {
         appendFlag(o, fullCar(l).boosting);
         appendFloat(o, fullCar(l).boostTime);
     },
     [](Fields& f, FlightLog& l) {
         fullCar(l).boosting = f.flag("boosting");
         fullCar(l).boostTime = f.bounded("boost time", 0.0f, kMaxTimer);
     }},
    {"car supersonic",
     [](std::string& o, const FlightLog& l) {
         appendFlag(o, fullCar(l).supersonic);
         appendFloat(o, fullCar(l).supersonicTime);
     },
     [](Fields& f, FlightLog& l) {
         fullCar(l).supersonic = f.flag("supersonic");
         fullCar(l).supersonicTime = f.bounded("supersonic time", 0.0f, kMaxTimer);
     }},
    {"car handbrake",
     [](std::string& o, const FlightLog& l) { appendFloat(o, fullCar(l).handbrake); },
     [](Fields& f, FlightLog& l) { fullCar(l).handbrake = f.bounded("handbrake", 0.0f, 1.0f); }},
    {"car wheel_0", writeWheel<0>, readWheel<0>},
    {"car wheel_1", writeWheel<1>, readWheel<1>},
    {"car wheel_2", writeWheel<2>, readWheel<2>},
    {"car wheel_3", writeWheel<3>, readWheel<3>},
    {"car touched_world",
     [](std::string& o, const FlightLog& l) {
         appendFlag(o, fullCar(l).touchedWorld);
         appendVec(o, fullCar(l).worldContactNormal);
     },
     [](Fields& f, FlightLog& l) {
         fullCar(l).touchedWorld = f.flag("touched the world");
         const Vec3 n = f.vec("the contact's normal");
         if (!(std::fabs(n.x) <= 1.0f && std::fabs(n.y) <= 1.0f && std::fabs(n.z) <= 1.0f))
             fail("the contact's normal: expected components from -1 to 1");
         fullCar(l).worldContactNormal = n;
     }},
    {"ball location",
     [](std::string& o, const FlightLog& l) { appendVec(o, l.fullStart.ball.location); },
     [](Fields& f, FlightLog& l) { l.fullStart.ball.location = startLocation(f, "location"); }},
    {"ball velocity",
     [](std::string& o, const FlightLog& l) { appendVec(o, l.fullStart.ball.velocity); },
     [](Fields& f, FlightLog& l) {
         l.fullStart.ball.velocity = capped(f, "velocity", mechanics::kMaxBallSpeed, "uu/s");
     }},
    {"ball spin", [](std::string& o, const FlightLog& l) { appendVec(o, l.fullStart.ball.spin); },
     [](Fields& f, FlightLog& l) {
         l.fullStart.ball.spin = capped(f, "spin", mechanics::kMaxBallSpin, "rad/s");
     }},
    // Whether the game's extra push on a hit ball was given on the tick
    // before the start (it is not given on two ticks in a row).
    {"ball hit_last_tick",
     [](std::string& o, const FlightLog& l) {
         appendFlag(o, l.fullStart.ball.lastExtraHitTick == l.fullStart.tick);
     },
     [](Fields& f, FlightLog& l) {
         l.fullStart.ball.lastExtraHitTick =
             f.flag("hit last tick") ? l.fullStart.tick : mechanics::kNeverHit;
     }},
};

std::span<const StartLine> startLinesOf(FlightModel model) {
    if (model == FlightModel::Full) return kFullStartLines;
    return kLegacyStartLines;
}
constexpr std::size_t kMaxStartLines = sizeof kFullStartLines / sizeof kFullStartLines[0];
static_assert(kMaxStartLines >= sizeof kLegacyStartLines / sizeof kLegacyStartLines[0]);

bool nearly(float a, float b) { return std::fabs(a - b) <= kAttitudeTolerance; }

void checkAttitude(const Orientation& a) {
    const bool unit = nearly(dot(a.forward, a.forward), 1.0f) &&
                      nearly(dot(a.right, a.right), 1.0f) && nearly(dot(a.up, a.up), 1.0f);
    const bool square = nearly(dot(a.forward, a.right), 0.0f) &&
                        nearly(dot(a.forward, a.up), 0.0f) && nearly(dot(a.right, a.up), 0.0f);
    if (!unit || !square || !nearly(dot(cross(a.forward, a.right), a.up), 1.0f))
        fail(
            "the car's forward, right and up are not a rotation (unit axes, square to each other, "
            "up = forward x right)");
}

using text::LineReader;

constexpr int64_t kDrillLineSinceVersion = 3;

// "drill NAME SEED", after its first word.
void readDrillLine(Fields& f, FlightLog& log) {
    if (log.drill) fail("\"drill\" given twice");
    const std::string_view name = f.word("the drill's name");
    if (!validDrillName(name))
        fail("\"" + std::string(name) +
             "\" is not a drill's name (lower case letters, digits and -, at most " +
             std::to_string(kMaxDrillNameLength) + " characters)");
    log.drill = FlightDrill{std::string(name), f.unsignedInteger("the drill's seed")};
    f.end();
}

void readStart(LineReader& reader, FlightLog& log, int64_t version) {
    log.model = version >= kFullModelSinceVersion ? FlightModel::Full : FlightModel::Legacy;
    const std::span<const StartLine> lines = startLinesOf(log.model);
    const std::size_t kStartLineCount = lines.size();
    bool seen[kMaxStartLines] = {};
    for (;;) {
        const std::optional<std::string_view> line = reader.next();
        if (!line) fail("the file ends before the \"ticks\" line");
        if (*line == "ticks") break;
        Fields f(*line);
        const std::string_view section = f.word("a start line");
        if (section == "drill" && version >= kDrillLineSinceVersion) {
            readDrillLine(f, log);
            continue;
        }
        const std::string_view name = f.word("a start line's name");
        std::size_t i = 0;
        while (i < kStartLineCount &&
               lines[i].key != std::string(section) + " " + std::string(name))
            ++i;
        if (i == kStartLineCount || lines[i].sinceVersion > version)
            fail("unknown start line \"" + std::string(section) + " " + std::string(name) + "\"");
        if (seen[i]) fail("\"" + std::string(lines[i].key) + "\" given twice");
        seen[i] = true;
        lines[i].read(f, log);
        f.end();
    }
    for (std::size_t i = 0; i < kStartLineCount; ++i)
        if (!seen[i] && lines[i].sinceVersion <= version && lines[i].written == nullptr)
            fail("the start state lacks \"" + std::string(lines[i].key) + "\" before \"ticks\"");
    if (log.model == FlightModel::Full) {
        checkAttitude(log.fullStart.car.attitude);
        log.start = legacyView(log.fullStart);
    } else {
        checkAttitude(log.start.car.attitude);
    }
}

// The tick an event or a controls line is for must be the one due where it
// stands: the number of ticks before it.
void checkTick(int64_t named, std::size_t ticksSoFar, const char* what) {
    if (named != static_cast<int64_t>(ticksSoFar))
        fail(std::string(what) + " is for tick " + std::to_string(named) + ", but tick " +
             std::to_string(ticksSoFar) + " is due here");
}

CarControls readControls(Fields& f, int64_t version) {
    CarControls c;
    auto axis = [&f](const char* what) {
        const float v = f.number(what);
        if (v < -1.0f || v > 1.0f) fail(std::string(what) + ": expected -1 to 1");
        return v;
    };
    c.steer = axis("steer");
    c.pitch = axis("pitch");
    c.yaw = axis("yaw");
    c.roll = axis("roll");
    c.throttle = axis("throttle");
    const std::string_view buttons = f.word("the buttons");
    const bool handbrake = version >= kFullModelSinceVersion;
    std::string_view rest = buttons;
    auto take = [&rest](char letter) {
        if (rest.empty() || rest[0] != letter) return false;
        rest.remove_prefix(1);
        return true;
    };
    if (buttons == "-") {
        rest = {};
    } else {
        c.boost = take('B');
        c.jump = take('J');
        c.handbrake = handbrake && take('H');
    }
    if (!rest.empty() || buttons.empty())
        fail(std::string("the buttons: expected ") +
             (handbrake ? "-, or B, J and H in that order" : "-, B, J or BJ") + ", got \"" +
             std::string(buttons) + '"');
    return c;
}

void readEvent(Fields& f, std::string_view kind, FlightLog& log) {
    const int64_t tick = f.integer("the event's tick", 0, kMaxFlightTicks);
    checkTick(tick, log.ticks.size(), "the event");
    if (log.events.size() >= kMaxFlightEvents)
        fail("more than " + std::to_string(kMaxFlightEvents) + " events");
    FlightEvent e;
    e.tick = static_cast<uint32_t>(tick);
    if (kind == "cvar") {
        e.name = std::string(f.word("the console variable's name"));
        if (!validName(e.name))
            fail("\"" + e.name + "\" is not a console variable name (letters, digits, _)");
        e.value = f.quotedOrNull("the console variable's value", kMaxCVarValueLength);
        if (e.value && !validValue(*e.value))
            fail("the console variable's value: expected printable ASCII of at most " +
                 std::to_string(kMaxCVarValueLength) + " characters");
    } else {
        e.kind = FlightEvent::Kind::Reset;
    }
    f.end();
    log.events.push_back(std::move(e));
}

// Controls and events up to the closing "end N" line.
void readTicks(LineReader& reader, FlightLog& log, int64_t version) {
    for (;;) {
        const std::optional<std::string_view> line = reader.next();
        if (!line) fail("the closing \"end\" line is missing (the file may be cut short)");
        Fields f(*line);
        const std::string_view first = f.word("a tick");
        if (first == "end") {
            const int64_t count = f.integer("the tick count", 0, kMaxFlightTicks);
            if (count != static_cast<int64_t>(log.ticks.size()))
                fail("\"end\" counts " + std::to_string(count) + " ticks, but " +
                     std::to_string(log.ticks.size()) + " were given");
            f.end();
            break;
        }
        if (first == "cvar" || first == "reset") {
            readEvent(f, first, log);
            continue;
        }
        Fields tickField(first);
        checkTick(tickField.integer("the tick number", 0, kMaxFlightTicks), log.ticks.size(),
                  "the line");
        if (log.ticks.size() >= kMaxFlightTicks)
            fail("more than " + std::to_string(kMaxFlightTicks) + " ticks");
        log.ticks.push_back(readControls(f, version));
        f.end();
    }
    if (reader.next()) fail("text after the \"end\" line");
}

}  // namespace

bool operator==(const FlightEvent& a, const FlightEvent& b) {
    return a.kind == b.kind && a.tick == b.tick && a.name == b.name && a.value == b.value;
}

bool operator==(const FlightLog& a, const FlightLog& b) {
    if (a.model != b.model) return false;
    if (a.model == FlightModel::Full ? !(a.fullStart == b.fullStart) : !(a.start == b.start))
        return false;
    return a.drill == b.drill && a.options.unlimitedBoost == b.options.unlimitedBoost &&
           a.options.ballFloats == b.options.ballFloats &&
           a.options.dodgeDeadZone == b.options.dodgeDeadZone && a.ticks == b.ticks &&
           a.events == b.events;
}

bool FlightLog::recordTick(const CarControls& controls) {
    if (ticks.size() >= kMaxFlightTicks) return false;
    ticks.push_back(controls);
    return true;
}

bool FlightLog::recordCVar(std::string_view name, std::optional<std::string_view> value) {
    if (events.size() >= kMaxFlightEvents || !validName(name) || (value && !validValue(*value)))
        return false;
    FlightEvent e;
    e.tick = static_cast<uint32_t>(ticks.size());
    e.name = std::string(name);
    if (value) e.value = std::string(*value);
    events.push_back(std::move(e));
    return true;
}

bool FlightLog::recordReset() {
    if (events.size() >= kMaxFlightEvents) return false;
    FlightEvent e;
    e.kind = FlightEvent::Kind::Reset;
    e.tick = static_cast<uint32_t>(ticks.size());
    events.push_back(std::move(e));
    return true;
}

std::string formatFlightLog(const FlightLog& log) {
    const int64_t version =
        log.model == FlightModel::Full ? kFlightLogVersion : kLastLegacyFlightLogVersion;
    std::string out = std::string(kMagic) + " " + std::to_string(version) + "\n";
    for (const StartLine& line : startLinesOf(log.model)) {
        if (line.written != nullptr && !line.written(log)) continue;
        out += line.key;
        line.write(out, log);
        out += '\n';
    }
    if (log.drill) out += "drill " + log.drill->name + ' ' + std::to_string(log.drill->seed) + '\n';
    out += "ticks\n";
    std::size_t nextEvent = 0;
    auto writeEventsBefore = [&](std::size_t tick) {
        for (; nextEvent < log.events.size() && log.events[nextEvent].tick <= tick; ++nextEvent) {
            const FlightEvent& e = log.events[nextEvent];
            if (e.kind == FlightEvent::Kind::Reset) {
                out += "reset " + std::to_string(tick) + '\n';
            } else {
                out += "cvar " + std::to_string(tick) + ' ' + e.name + ' ' +
                       (e.value ? text::quotedText(*e.value) : std::string("null")) + '\n';
            }
        }
    };
    for (std::size_t t = 0; t < log.ticks.size(); ++t) {
        writeEventsBefore(t);
        const CarControls& c = log.ticks[t];
        out += std::to_string(t);
        for (float v : {c.steer, c.pitch, c.yaw, c.roll, c.throttle}) appendFloat(out, v);
        out += ' ' + buttonsText(c) + '\n';
    }
    writeEventsBefore(log.ticks.size());
    out += "end " + std::to_string(log.ticks.size()) + '\n';
    return out;
}

base::Result<FlightLog> parseFlightLog(std::string_view text, std::string_view fileName) {
    if (text.size() > kMaxFlightLogBytes)
        return base::Failure{std::string(fileName) + ": larger than " +
                             std::to_string(kMaxFlightLogBytes >> 20) + " MB"};
    return text::readText<FlightLog>(text, fileName, kMaxFlightLogBytes, [](LineReader& reader) {
        FlightLog log;
        const int64_t version = text::readHeader(reader, kMagic, kFlightLogVersion, "a flight log");
        readStart(reader, log, version);
        readTicks(reader, log, version);
        return log;
    });
}

Simulation startOf(const FlightLog& log) {
    return log.model == FlightModel::Full ? Simulation::full(log.fullStart, log.options)
                                          : Simulation::legacy(log.start, log.options);
}

mechanics::World storedStart(const mechanics::World& world) {
    mechanics::World start;
    start.car = world.car;
    start.car.worldContacts = {};
    start.car.ballContact = {};
    for (mechanics::Wheel& w : start.car.wheels) {
        const mechanics::Wheel kept = w;
        w = mechanics::Wheel{};
        w.engineForce = kept.engineForce;
        w.brake = kept.brake;
        w.lateralFriction = kept.lateralFriction;
        w.longitudinalFriction = kept.longitudinalFriction;
        w.steerAngle = kept.steerAngle;
        w.pushBack = kept.pushBack;
    }
    start.ball = world.ball;
    start.ball.lastExtraHitTick =
        world.ball.lastExtraHitTick == world.tick ? 0 : mechanics::kNeverHit;
    return start;
}

void FlightLog::setStart(const World& legacyStart) {
    model = FlightModel::Legacy;
    start = legacyStart;
    fullStart = {};
}

void FlightLog::setStart(const mechanics::World& full) {
    model = FlightModel::Full;
    fullStart = storedStart(full);
    start = legacyView(fullStart);
}

FlightReplay::FlightReplay(const FlightLog& log) : log_(log), sim_(startOf(log)) { applyEvents(); }

std::span<const FlightEvent> FlightReplay::eventsNow() const {
    return std::span<const FlightEvent>(log_.events)
        .subspan(firstEventNow_, nextEvent_ - firstEventNow_);
}

void FlightReplay::applyEvents() {
    firstEventNow_ = nextEvent_;
    for (; nextEvent_ < log_.events.size() && log_.events[nextEvent_].tick <= time_; ++nextEvent_)
        if (log_.events[nextEvent_].kind == FlightEvent::Kind::Reset) sim_ = startOf(log_);
}

TickReport FlightReplay::step() {
    if (finished()) return {};
    lastControls_ = log_.ticks[time_];
    const TickReport report = sim_.step(lastControls_);
    ++time_;
    applyEvents();
    return report;
}

}  // namespace sandbox
