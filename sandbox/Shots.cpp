#include "sandbox/Shots.h"

#include <algorithm>
#include <cmath>

#include "sandbox/Attitude.h"
#include "sandbox/Flight.h"
#include "sandbox/NumberText.h"
#include "sandbox/Physics.h"
#include "sandbox/ShareCode.h"
#include "sandbox/Starts.h"
#include "sandbox/TextFormat.h"

namespace sandbox {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr std::size_t kMaxSlugLength = 40;

float radiansOf(float degrees) { return degrees * (kPi / 180.0f); }
float secondsOf(uint32_t ticks) { return static_cast<float>(ticks) / kTicksPerSecond; }

// ---------------------------------------------------------------- variance

// Keeps a body inside the arena's box, `margin` from its walls.
Vec3 keptInside(Vec3 v, float margin) {
    v.x = std::clamp(v.x, -arena::kHalfWidth + margin, arena::kHalfWidth - margin);
    v.y = std::clamp(v.y, -arena::kHalfLength + margin, arena::kHalfLength - margin);
    v.z = std::clamp(v.z, margin, arena::kHeight - margin);
    return v;
}

// A car's margin: its half length, so its box stays clear of the walls.
constexpr float kCarMargin = 80.0f;

// ---------------------------------------------------------------- the drill

// The shot's DrillInfo and name, made before the Drill base that refers to
// them (bases are built in the order they are listed).
struct ShotInfoHolder {
    explicit ShotInfoHolder(std::string drillName) : name(std::move(drillName)) {
        shotInfo.name = name;
        shotInfo.description = "score the shot in the goal before the time runs out";
        shotInfo.cue = render::TargetOption::Ball;
        shotInfo.errorLabel = "nose off the ball";
        shotInfo.mainPart = "time_to_goal";
        shotInfo.better = Better::Lower;
        shotInfo.goal = DrillGoal::ShootAtGoal;
        // Every part a result can have: a missed shot's line names
        // time_to_goal too, with no value.
        shotInfo.partKeys = {"scored", "time_to_goal", "touches", "boost_used"};
    }
    std::string name;
    DrillInfo shotInfo;
};

DrillStart drillStartOf(const Shot& shot) {
    DrillStart s;
    const float heading = radiansOf(shot.carHeadingDegrees);
    const Vec3 along{std::cos(heading), std::sin(heading), 0.0f};
    if (shot.carOnGround) {
        s.world.car = restingCar(shot.carLocation.x, shot.carLocation.y, heading);
    } else {
        s.world.car.location = shot.carLocation;
        s.world.car.attitude = levelOrientation(heading);
        s.world.car.onGround = false;
    }
    s.world.car.velocity = along * shot.carSpeed;
    s.world.car.boost = shot.carBoost;
    s.world.ball.location = shot.ballLocation;
    s.world.ball.velocity = shot.ballVelocity;
    s.ballSpin = shot.ballSpin;
    return s;
}

class ShotDrill final : private ShotInfoHolder, public Drill {
  public:
    ShotDrill(std::string name, const Shot& shot, uint64_t seed)
        : ShotInfoHolder(std::move(name)),
          Drill(shotInfo, seed, drillStartOf(shot)),
          goalSign_(shot.goal == mechanics::Goal::PositiveY ? 1 : -1),
          timeLimit_(shot.timeLimit),
          startBoost_(shot.carBoost) {}

    DrillScore score() const override {
        DrillScore s;
        s.outcome = outcome();
        s.add("scored", "Scored", "", outcome() == DrillOutcome::Passed ? 1.0f : 0.0f);
        if (outcome() == DrillOutcome::Passed) {
            s.add("time_to_goal", "Time to goal", "s", secondsOf(ticks()));
            s.verdict = "goal";
        }
        s.add("touches", "Touches", "", static_cast<float>(touches_));
        s.add("boost_used", "Boost used", "", boostUsed_);
        if (outcome() == DrillOutcome::Failed)
            s.verdict = wrongGoal_ ? "missed: the ball went into the other goal"
                                   : "missed: the time ran out";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport& report) override {
        // Boost used: what the tank lost (unlimited boost loses none).
        boostUsed_ = std::max(boostUsed_, startBoost_ - world.car.boost);
        if (report.ballTouched && !touching_) ++touches_;
        touching_ = report.ballTouched;
        if (report.goalScored == goalSign_) {
            finish(DrillOutcome::Passed);
        } else if (report.goalScored != 0) {
            wrongGoal_ = true;
            finish(DrillOutcome::Failed);
        } else if (secondsOf(ticks()) >= timeLimit_) {
            finish(DrillOutcome::Failed);
        }
        const Vec3 toBall = world.ball.location - world.car.location;
        const float off = angleBetween(world.car.attitude.forward, toBall);
        return {off, off <= radiansOf(kNoseConeDegrees)};
    }

  private:
    int8_t goalSign_;
    float timeLimit_;  // s: the time is up on the first tick that reaches it
    float startBoost_;
    float boostUsed_ = 0.0f;
    int touches_ = 0;
    bool touching_ = false;
    bool wrongGoal_ = false;
};

// ---------------------------------------------------------------- the file

using text::appendFloat;
using text::appendVec;
using text::fail;
using text::Fields;

// Each line of a shot once: its key, how it is written and read.
struct ShotLine {
    std::string_view key;
    void (*write)(std::string& out, const Shot& shot);
    void (*read)(Fields& f, Shot& shot);
};

const char* goalText(mechanics::Goal goal) {
    return goal == mechanics::Goal::NegativeY ? " -y" : " +y";
}

const ShotLine kShotLines[] = {
    {"ball location", [](std::string& o, const Shot& s) { appendVec(o, s.ballLocation); },
     [](Fields& f, Shot& s) {
         s.ballLocation = f.within("the ball's location", text::arenaInterior(), "the arena");
     }},
    {"ball velocity", [](std::string& o, const Shot& s) { appendVec(o, s.ballVelocity); },
     [](Fields& f, Shot& s) {
         s.ballVelocity =
             f.lengthAtMost("the ball's velocity", mechanics::kMaxBallSpeed, "uu/s (its cap)");
     }},
    {"ball spin", [](std::string& o, const Shot& s) { appendVec(o, s.ballSpin); },
     [](Fields& f, Shot& s) {
         s.ballSpin = f.lengthAtMost("the ball's spin", mechanics::kMaxBallSpin, "rad/s (its cap)");
     }},
    {"car location", [](std::string& o, const Shot& s) { appendVec(o, s.carLocation); },
     [](Fields& f, Shot& s) {
         s.carLocation = f.within("the car's location", text::arenaInterior(), "the arena");
     }},
    {"car heading", [](std::string& o, const Shot& s) { appendFloat(o, s.carHeadingDegrees); },
     [](Fields& f, Shot& s) { s.carHeadingDegrees = f.bounded("the heading", -360.0f, 360.0f); }},
    {"car speed", [](std::string& o, const Shot& s) { appendFloat(o, s.carSpeed); },
     [](Fields& f, Shot& s) {
         s.carSpeed = f.bounded("the car's speed", 0.0f, mechanics::kMaxCarSpeed);
     }},
    {"car boost", [](std::string& o, const Shot& s) { appendFloat(o, s.carBoost); },
     [](Fields& f, Shot& s) { s.carBoost = f.bounded("boost", 0.0f, model::kBoostTank); }},
    {"car on_ground", [](std::string& o, const Shot& s) { text::appendFlag(o, s.carOnGround); },
     [](Fields& f, Shot& s) { s.carOnGround = f.flag("on_ground"); }},
    {"goal", [](std::string& o, const Shot& s) { o += goalText(s.goal); },
     [](Fields& f, Shot& s) {
         const std::string_view g = f.word("the goal");
         if (g == "+y")
             s.goal = mechanics::Goal::PositiveY;
         else if (g == "-y")
             s.goal = mechanics::Goal::NegativeY;
         else
             fail("the goal: expected +y or -y, got \"" + std::string(g) + '"');
     }},
    {"time_limit", [](std::string& o, const Shot& s) { appendFloat(o, s.timeLimit); },
     [](Fields& f, Shot& s) {
         s.timeLimit = f.bounded("the time limit", kMinShotSeconds, kMaxShotSeconds);
     }},
};
constexpr std::size_t kShotLineCount = sizeof kShotLines / sizeof kShotLines[0];

// The key of a line: its first word, and its second for "ball" and "car".
std::string lineKey(Fields& f) {
    std::string key(f.word("a line"));
    if (key == "ball" || key == "car") key += " " + std::string(f.word("the line's name"));
    return key;
}

struct PackReading {
    Pack pack;
    bool seenShotLine[kShotLineCount] = {};
    bool inShot = false;
    bool seenName = false, seenAuthor = false, seenDifficulty = false, seenVariance = false;
};

void finishShot(PackReading& r) {
    if (!r.inShot) return;
    for (std::size_t i = 0; i < kShotLineCount; ++i)
        if (!r.seenShotLine[i])
            fail("shot " + std::to_string(r.pack.shots.size()) + " lacks \"" +
                 std::string(kShotLines[i].key) + "\"");
}

void once(bool& seen, std::string_view key) {
    if (seen) fail("\"" + std::string(key) + "\" given twice");
    seen = true;
}

void readPackLine(PackReading& r, Fields& f) {
    const std::string key = lineKey(f);
    Pack& pack = r.pack;
    if (key == "shot") {
        finishShot(r);
        if (pack.shots.size() >= kMaxPackShots)
            fail("more than " + std::to_string(kMaxPackShots) + " shots");
        pack.shots.emplace_back();
        std::fill(std::begin(r.seenShotLine), std::end(r.seenShotLine), false);
        r.inShot = true;
        return;
    }
    if (!r.inShot) {
        if (key == "name") {
            once(r.seenName, key);
            pack.name = f.quoted("the name", kMaxPackTextBytes);
        } else if (key == "author") {
            once(r.seenAuthor, key);
            pack.author = f.quoted("the author", kMaxPackTextBytes);
        } else if (key == "difficulty") {
            once(r.seenDifficulty, key);
            pack.difficulty =
                static_cast<int>(f.integer("the difficulty", kMinDifficulty, kMaxDifficulty));
        } else if (key == "variance") {
            once(r.seenVariance, key);
            Variance& v = pack.variance;
            v.ballLocation = f.bounded("the ball's nudge", 0.0f, kMaxVarianceDistance);
            v.ballVelocity = f.bounded("the ball's velocity nudge", 0.0f, kMaxVarianceSpeed);
            v.carHeadingDegrees = f.bounded("the heading's nudge", 0.0f, kMaxVarianceDegrees);
            v.carLocation = f.bounded("the car's nudge", 0.0f, kMaxVarianceDistance);
        } else {
            fail("unknown line \"" + key +
                 "\" (a pack's lines are name, author, difficulty, "
                 "variance, then shot)");
        }
        return;
    }
    std::size_t i = 0;
    while (i < kShotLineCount && kShotLines[i].key != key) ++i;
    if (i == kShotLineCount) fail("unknown line \"" + key + "\" in a shot");
    once(r.seenShotLine[i], key);
    kShotLines[i].read(f, pack.shots.back());
}

}  // namespace

Shot variedShot(const Shot& shot, const Variance& variance, uint64_t seed) {
    if (seed == 0 || variance.none()) return shot;
    // Every draw is made whatever the bounds, so one bound's change leaves
    // the others' nudges as they were.
    SeededRandom random(seed);
    auto nudge = [&random](float bound) { return random.uniform(-1.0f, 1.0f) * bound; };
    Shot s = shot;
    const float bx = nudge(variance.ballLocation), by = nudge(variance.ballLocation),
                bz = nudge(variance.ballLocation);
    s.ballLocation.x += bx;
    s.ballLocation.y += by;
    if (shot.ballLocation.z > mechanics::kBallRadius + 1.0f) s.ballLocation.z += bz;
    s.ballLocation = keptInside(s.ballLocation, mechanics::kBallRadius);
    const float vx = nudge(variance.ballVelocity), vy = nudge(variance.ballVelocity),
                vz = nudge(variance.ballVelocity);
    s.ballVelocity = s.ballVelocity + Vec3{vx, vy, vz};
    const float speed = length(s.ballVelocity);
    if (speed > mechanics::kMaxBallSpeed)
        s.ballVelocity = s.ballVelocity * (mechanics::kMaxBallSpeed / speed);
    s.carHeadingDegrees =
        std::clamp(shot.carHeadingDegrees + nudge(variance.carHeadingDegrees), -360.0f, 360.0f);
    const float cx = nudge(variance.carLocation), cy = nudge(variance.carLocation);
    const Vec3 car{shot.carLocation.x + cx, shot.carLocation.y + cy, shot.carLocation.z};
    const Vec3 kept = keptInside(car, kCarMargin);
    s.carLocation = {kept.x, kept.y, shot.carOnGround ? shot.carLocation.z : kept.z};
    return s;
}

mechanics::World shotWorld(const Shot& shot) { return drillStartOf(shot).fullWorld(); }

namespace {

// `v` no longer than `most`: a shot's reader takes nothing above the caps.
Vec3 atMost(Vec3 v, float most) {
    const float l = length(v);
    return l > most ? v * (most / l) : v;
}

}  // namespace

Shot shotOfMoment(const World& world, Vec3 ballSpin) {
    Shot s;
    s.ballLocation = keptInside(world.ball.location, mechanics::kBallRadius);
    s.ballVelocity = atMost(world.ball.velocity, mechanics::kMaxBallSpeed);
    s.ballSpin = atMost(ballSpin, mechanics::kMaxBallSpin);
    const CarState& car = world.car;
    const float heading = headingOf(car.attitude);
    s.carLocation = keptInside(car.location, 0.0f);
    s.carHeadingDegrees = heading * (180.0f / kPi);
    const float along = car.velocity.x * std::cos(heading) + car.velocity.y * std::sin(heading);
    s.carSpeed = std::clamp(along, 0.0f, mechanics::kMaxCarSpeed);
    s.carBoost = std::clamp(car.boost, 0.0f, model::kBoostTank);
    s.carOnGround = car.onGround;
    s.goal = std::sin(heading) >= 0.0f ? mechanics::Goal::PositiveY : mechanics::Goal::NegativeY;
    s.timeLimit = kMomentSeconds;
    return s;
}

std::string packSlug(std::string_view name) {
    std::string slug;
    bool gap = false;
    for (char ch : name) {
        const bool letter = (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
        const bool upper = ch >= 'A' && ch <= 'Z';
        if (letter || upper) {
            if (gap && !slug.empty()) slug += '-';
            gap = false;
            slug += upper ? static_cast<char>(ch - 'A' + 'a') : ch;
        } else {
            gap = true;
        }
        if (slug.size() >= kMaxSlugLength) break;
    }
    while (!slug.empty() && slug.back() == '-') slug.pop_back();
    return slug.empty() ? "pack" : slug;
}

std::string shotDrillName(const Pack& pack, std::size_t index) {
    return "shot-" + packSlug(pack.name) + "-" + std::to_string(index + 1);
}

std::unique_ptr<Drill> makeShotDrill(const Pack& pack, std::size_t index, uint64_t seed) {
    if (index >= pack.shots.size()) return nullptr;
    return std::make_unique<ShotDrill>(shotDrillName(pack, index),
                                       variedShot(pack.shots[index], pack.variance, seed), seed);
}

std::string formatPack(const Pack& pack) {
    std::string out = std::string(kPackMagic) + " " + std::to_string(kPackVersion) + "\n";
    out += "name " + text::quotedText(pack.name) + "\n";
    out += "author " + text::quotedText(pack.author) + "\n";
    out += "difficulty " + std::to_string(pack.difficulty) + "\n";
    const Variance& v = pack.variance;
    out += "variance";
    for (float b : {v.ballLocation, v.ballVelocity, v.carHeadingDegrees, v.carLocation})
        appendFloat(out, b);
    out += '\n';
    for (const Shot& shot : pack.shots) {
        out += "shot\n";
        for (const ShotLine& line : kShotLines) {
            out += line.key;
            line.write(out, shot);
            out += '\n';
        }
    }
    return out;
}

base::Result<Pack> parsePack(std::string_view text, std::string_view fileName) {
    return text::readText<Pack>(text, fileName, kMaxPackFileBytes, [](text::LineReader& in) {
        text::readHeader(in, kPackMagic, kPackVersion, "a pack");
        PackReading r;
        while (const std::optional<std::string_view> line = in.next()) {
            Fields f(*line);
            readPackLine(r, f);
            f.end();
        }
        finishShot(r);
        if (!r.seenName) fail("the pack has no \"name\" line");
        if (r.pack.shots.empty()) fail("the pack has no shots");
        return std::move(r.pack);
    });
}

base::Result<Pack> packFromCode(std::string_view code) {
    const base::Result<std::string> text = readShareCode(code);
    if (!text) return text.failure();
    return parsePack(*text, "code");
}

}  // namespace sandbox
