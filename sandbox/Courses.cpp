#include "sandbox/Courses.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "portable/BitCast.h"
#include "sandbox/AttemptPlot.h"
#include "sandbox/FlightLog.h"
#include "sandbox/NumberText.h"
#include "sandbox/ShareCode.h"
#include "sandbox/TextFormat.h"

namespace sandbox {

namespace {

constexpr float kPi = 3.14159265f;

// The ball is parked in a corner, out of every course's way.
constexpr Vec3 kParkedBall{-(arena::kHalfWidth - 400.0f), -(arena::kHalfLength - 400.0f),
                           model::kBallRadius};

// A ring's facing must be a unit vector to this much.
constexpr float kUnitTolerance = 1e-3f;

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool insideArena(Vec3 at) {
    return std::fabs(at.x) <= arena::kHalfWidth && std::fabs(at.y) <= arena::kHalfLength &&
           at.z >= 0.0f && at.z <= arena::kHeight;
}

bool validName(std::string_view name) {
    if (name.empty() || name.size() > kMaxCourseNameLength) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

base::Status checkRing(const Ring& ring, std::size_t index) {
    const std::string which = "ring " + std::to_string(index + 1);
    if (!finite(ring.centre) || !finite(ring.facing) || !std::isfinite(ring.radius))
        return base::Failure{which + ": a number is not finite"};
    if (!insideArena(ring.centre))
        return base::Failure{which + ": its centre is outside the arena"};
    if (std::fabs(length(ring.facing) - 1.0f) > kUnitTolerance)
        return base::Failure{which + ": its facing is not a unit vector"};
    if (!(ring.radius >= kMinRingRadius && ring.radius <= kMaxRingRadius))
        return base::Failure{which + ": its radius is not within 50 to 2000 uu"};
    return {};
}

// FNV-1a, 64 bits, over the bytes of 32-bit words.
struct Fingerprint {
    uint64_t hash = 14695981039346656037ull;
    void add(uint32_t word) {
        for (int i = 0; i < 4; ++i) {
            hash ^= (word >> (8 * i)) & 0xffu;
            hash *= 1099511628211ull;
        }
    }
    void add(float v) { add(portable::bitCast<uint32_t>(v)); }
    void add(Vec3 v) {
        add(v.x);
        add(v.y);
        add(v.z);
    }
};

float secondsOf(uint32_t ticks) { return static_cast<float>(ticks) / kTicksPerSecond; }

// ------------------------------------------------------------ the drill

// The drill's own facts, made before the Drill base that refers to them.
struct CourseFacts {
    explicit CourseFacts(const Course& course)
        : drillName(std::string(kCourseDrillPrefix) + course.name) {
        drillInfo.name = drillName;
        drillInfo.description = course.description;
        drillInfo.errorLabel = "nose off the next ring";
        drillInfo.mainPart = "time";
        drillInfo.better = Better::Lower;
        drillInfo.goal = DrillGoal::FlyThroughRings;
        drillInfo.partKeys = {"time", "rings", "missed", "boost_used"};
    }
    std::string drillName;
    DrillInfo drillInfo;
};

DrillStart courseStart(const Course& course) {
    DrillStart start;
    const CourseStart& c = course.car;
    CarState& car = start.world.car;
    if (c.location.z <= model::kCarRestHeight) {
        car = restingCar(c.location.x, c.location.y, c.heading);
    } else {
        car.onGround = false;
        car.location = c.location;
        car.attitude = levelOrientation(c.heading);
    }
    car.velocity = c.velocity;
    car.boost = c.boost;
    start.world.ball.location = kParkedBall;
    start.options.unlimitedBoost = course.unlimitedBoost;
    return start;
}

class CourseDrill : private CourseFacts, public Drill {
  public:
    explicit CourseDrill(const Course& course)
        : CourseFacts(course),
          Drill(CourseFacts::drillInfo, courseFingerprint(course), courseStart(course)),
          run_(course),
          from_(start().world.car.location) {}

    const CourseRun* courseRun() const override { return &run_; }

    DrillScore score() const override {
        DrillScore s;
        s.add("time", "time", "s", endSeconds_ ? *endSeconds_ : secondsOf(ticks()));
        s.add("rings", "rings passed", "", static_cast<float>(run_.passed()));
        s.add("missed", "rings missed", "", static_cast<float>(run_.missed()));
        s.add("boost_used", "boost used", "",
              static_cast<float>(boostTicks_) * (model::kBoostUsePerSecond / kTicksPerSecond));
        switch (outcome()) {
            case DrillOutcome::Running:
                break;
            case DrillOutcome::Passed:
                s.verdict = "every ring, in order";
                break;
            case DrillOutcome::Failed:
                s.verdict = run_.done() ? "finished, with rings missed" : "time is up";
                break;
        }
        s.outcome = outcome();
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport&) override {
        const CarState& car = world.car;
        if (car.boosting) ++boostTicks_;
        const float seconds = secondsOf(ticks());
        run_.update(from_, car.location, seconds);
        from_ = car.location;
        const Course& course = run_.course();
        if (run_.done()) {
            endSeconds_ = seconds;
            finish(run_.missed() == 0 ? DrillOutcome::Passed : DrillOutcome::Failed);
        } else if (course.timeLimit && seconds >= *course.timeLimit) {
            endSeconds_ = seconds;
            finish(DrillOutcome::Failed);
        }
        if (run_.done()) return {};
        // The plot's angle: the nose off the direction to the next ring,
        // inside while the nose points through it.
        const Ring& ring = course.rings[run_.next()];
        const Vec3 toRing = ring.centre - car.location;
        const float distance = length(toRing);
        if (distance < 1.0f) return {0.0f, true};
        const float off = angleBetween(car.attitude.forward, toRing * (1.0f / distance));
        return {off, off <= std::atan2(ring.radius, distance)};
    }

  private:
    CourseRun run_;
    Vec3 from_;
    uint32_t boostTicks_ = 0;
    std::optional<float> endSeconds_;
};

// ------------------------------------------------------------ the file

using text::fail;
using text::Fields;

float radiansOf(float degrees) { return degrees * (kPi / 180.0f); }

// The heading in degrees as the file writes it: of the floats next to the
// exact conversion, the one of shortest text that reads back as exactly
// these radians, so that a course written and read is the same course (its
// fingerprint, its history). A heading no degrees read back to (only a
// course made in radians could have one) is written as the nearest.
std::string headingText(float radians) {
    const auto nearest =
        static_cast<float>(static_cast<double>(radians) * (180.0 / std::numbers::pi));
    std::string best;
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    for (const float towards : {-kInfinity, kInfinity}) {
        float degrees = nearest;
        for (int step = 0; step < 8; ++step, degrees = std::nextafter(degrees, towards)) {
            if (radiansOf(degrees) != radians || std::fabs(degrees) > 360.0f) continue;
            std::string candidate = formatFloat(degrees);
            if (best.empty() || candidate.size() < best.size()) best = std::move(candidate);
        }
    }
    return best.empty() ? formatFloat(nearest) : best;
}

struct CourseReading {
    Course course;
    bool seenName = false, seenDescription = false, seenLocation = false, seenHeading = false,
         seenVelocity = false, seenBoost = false, seenTimeLimit = false, seenUnlimited = false;
};

void once(bool& seen, std::string_view key) {
    if (seen) fail("\"" + std::string(key) + "\" given twice");
    seen = true;
}

void expectLabel(Fields& f, std::string_view label) {
    if (f.word("the ring's fields") != label)
        fail("a ring: expected \"ring at X Y Z facing X Y Z radius R\"");
}

Ring readRing(Fields& f) {
    Ring r;
    expectLabel(f, "at");
    r.centre = f.within("the ring's centre", text::arenaInterior(), "the arena");
    expectLabel(f, "facing");
    r.facing = f.unitAxis("the ring's facing", kUnitTolerance);
    expectLabel(f, "radius");
    r.radius = f.bounded("the ring's radius", kMinRingRadius, kMaxRingRadius);
    return r;
}

void readCarLine(CourseReading& r, Fields& f) {
    const std::string key = "car " + std::string(f.word("the line's name"));
    CourseStart& car = r.course.car;
    if (key == "car location") {
        once(r.seenLocation, key);
        car.location = f.within("the car's location", text::arenaInterior(), "the arena");
    } else if (key == "car heading") {
        once(r.seenHeading, key);
        car.heading = radiansOf(f.bounded("the heading", -360.0f, 360.0f));
    } else if (key == "car velocity") {
        once(r.seenVelocity, key);
        car.velocity = f.lengthAtMost("the car's velocity", model::kMaxCarSpeed, "uu/s");
    } else if (key == "car boost") {
        once(r.seenBoost, key);
        car.boost = f.bounded("boost", 0.0f, model::kBoostTank);
    } else {
        fail("unknown line \"" + key +
             "\" (the car's lines are location, heading, velocity "
             "and boost)");
    }
}

void readCourseLine(CourseReading& r, Fields& f) {
    const std::string_view key = f.word("a line");
    Course& c = r.course;
    if (key == "ring") {
        if (c.rings.size() >= kMaxCourseRings)
            fail("more than " + std::to_string(kMaxCourseRings) + " rings");
        c.rings.push_back(readRing(f));
    } else if (key == "car") {
        readCarLine(r, f);
    } else if (key == "name") {
        once(r.seenName, key);
        c.name = std::string(f.word("the name"));
        if (!validName(c.name))
            fail("the name: expected 1 to 64 lower case letters, digits and '-'");
    } else if (key == "description") {
        once(r.seenDescription, key);
        c.description = f.quoted("the description", kMaxCourseDescriptionLength);
    } else if (key == "time_limit") {
        once(r.seenTimeLimit, key);
        Fields peek = f;
        if (peek.word("the time limit") == "none") {
            f = peek;
            c.timeLimit.reset();
        } else {
            const float limit = f.bounded("the time limit", 0.0f, kMaxCourseSeconds);
            if (limit == 0.0f) fail("the time limit: expected above 0 to 600, or none");
            c.timeLimit = limit;
        }
    } else if (key == "unlimited_boost") {
        once(r.seenUnlimited, key);
        c.unlimitedBoost = f.flag("unlimited_boost");
    } else {
        fail("unknown line \"" + std::string(key) +
             "\" (a course's lines are name, description, car, time_limit, unlimited_boost "
             "and ring)");
    }
}

// ------------------------------------------------------ built-in courses

Ring ring(Vec3 centre, Vec3 towards, float radius) {
    return {centre, towards * (1.0f / length(towards)), radius};
}

std::vector<Course> makeBuiltIns();

}  // namespace

base::Status checkCourse(const Course& course) {
    if (!validName(course.name))
        return base::Failure{
            "the course's name must be 1 to 64 lower case letters, digits and '-'"};
    if (course.description.size() > kMaxCourseDescriptionLength)
        return base::Failure{"the course's description is longer than 400 characters"};
    if (course.rings.empty()) return base::Failure{"the course has no rings"};
    if (course.rings.size() > kMaxCourseRings)
        return base::Failure{"the course has more than 64 rings"};
    for (std::size_t i = 0; i < course.rings.size(); ++i)
        if (base::Status ok = checkRing(course.rings[i], i); !ok) return ok;
    const CourseStart& car = course.car;
    if (!finite(car.location) || !finite(car.velocity) || !std::isfinite(car.heading) ||
        !std::isfinite(car.boost))
        return base::Failure{"the car's start: a number is not finite"};
    if (!insideArena(car.location)) return base::Failure{"the car's start is outside the arena"};
    if (length(car.velocity) > model::kMaxCarSpeed)
        return base::Failure{"the car's start: faster than 2300 uu/s"};
    if (!(car.boost >= 0.0f && car.boost <= model::kBoostTank))
        return base::Failure{"the car's start: boost is not within 0 to 100"};
    if (!(std::fabs(car.heading) <= 2.0f * kPi))
        return base::Failure{"the car's start: heading is not within -360 to 360 degrees"};
    if (course.timeLimit && !(*course.timeLimit > 0.0f && *course.timeLimit <= kMaxCourseSeconds))
        return base::Failure{"the time limit is not within 0 to 600 seconds"};
    return {};
}

uint64_t courseFingerprint(const Course& course) {
    Fingerprint f;
    f.add(static_cast<uint32_t>(course.rings.size()));
    for (const Ring& r : course.rings) {
        f.add(r.centre);
        f.add(r.facing);
        f.add(r.radius);
    }
    f.add(course.car.location);
    f.add(course.car.heading);
    f.add(course.car.velocity);
    f.add(course.car.boost);
    f.add(course.timeLimit ? *course.timeLimit : -1.0f);
    f.add(static_cast<uint32_t>(course.unlimitedBoost ? 1 : 0));
    return f.hash;
}

std::string formatCourse(const Course& course) {
    std::string out = std::string(kCourseMagic) + " " + std::to_string(kCourseVersion) + "\n";
    out += "name " + course.name + "\n";
    out += "description " + text::quotedText(course.description) + "\n";
    const CourseStart& car = course.car;
    out += "car location";
    text::appendVec(out, car.location);
    out += "\ncar heading " + headingText(car.heading) + "\ncar velocity";
    text::appendVec(out, car.velocity);
    out += "\ncar boost";
    text::appendFloat(out, car.boost);
    out += "\ntime_limit";
    if (course.timeLimit)
        text::appendFloat(out, *course.timeLimit);
    else
        out += " none";
    out += "\nunlimited_boost";
    text::appendFlag(out, course.unlimitedBoost);
    out += '\n';
    for (const Ring& ring : course.rings) {
        out += "ring at";
        text::appendVec(out, ring.centre);
        out += " facing";
        text::appendVec(out, ring.facing);
        out += " radius";
        text::appendFloat(out, ring.radius);
        out += '\n';
    }
    return out;
}

base::Result<Course> parseCourse(std::string_view text, std::string_view fileName) {
    return text::readText<Course>(text, fileName, kMaxCourseFileBytes, [](text::LineReader& in) {
        text::readHeader(in, kCourseMagic, kCourseVersion, "a course");
        CourseReading r;
        while (const std::optional<std::string_view> line = in.next()) {
            Fields f(*line);
            readCourseLine(r, f);
            f.end();
        }
        if (!r.seenName) fail("the course has no \"name\" line");
        if (r.course.rings.empty()) fail("the course has no rings");
        // What the lines bound one by one bounds the whole; checked again,
        // as every course is before it is flown.
        if (const base::Status ok = checkCourse(r.course); !ok) fail(ok.error());
        return std::move(r.course);
    });
}

base::Result<Course> courseFromCode(std::string_view code) {
    const base::Result<std::string> text = readShareCode(code);
    if (!text) return text.failure();
    return parseCourse(*text, "code");
}

std::span<const Course> builtInCourses() {
    static const std::vector<Course> courses = makeBuiltIns();
    return courses;
}

const Course* findCourse(std::string_view name) {
    for (const Course& c : builtInCourses())
        if (c.name == name) return &c;
    return nullptr;
}

bool passesRing(const Ring& ring, Vec3 from, Vec3 to) {
    const float before = dot(from - ring.centre, ring.facing);
    const float after = dot(to - ring.centre, ring.facing);
    if (!(before < 0.0f && after >= 0.0f)) return false;
    const float share = before / (before - after);
    const Vec3 at = from + (to - from) * share;
    return length(at - ring.centre) <= ring.radius;
}

CourseRun::CourseRun(const Course& course) : course_(&course) { splits_.fill(-1.0f); }

void CourseRun::update(Vec3 from, Vec3 to, float seconds) {
    // A segment may pass more than one ring (two close together).
    for (std::size_t i = next_; i < ringCount(); ++i) {
        if (!passesRing(course_->rings[i], from, to)) continue;
        missed_ += static_cast<int>(i - next_);
        ++passed_;
        splits_[i] = seconds;
        lastPassed_ = i;
        next_ = i + 1;
    }
}

RingState CourseRun::state(std::size_t ring) const {
    if (ring < next_) return splits_[ring] >= 0.0f ? RingState::Passed : RingState::Missed;
    return ring == next_ ? RingState::Next : RingState::Ahead;
}

std::optional<float> CourseRun::split(std::size_t ring) const {
    if (ring >= ringCount() || splits_[ring] < 0.0f) return std::nullopt;
    return splits_[ring];
}

std::unique_ptr<Drill> makeCourseDrill(const Course& course) {
    return std::make_unique<CourseDrill>(course);
}

std::vector<std::optional<float>> courseSplits(const Course& course, const FlightLog& flight) {
    CourseDrill drill(course);
    if (!startsAsDrill(flight, drill.start())) return {};
    FlightReplay replay(flight);
    while (!replay.finished() && !drill.finished()) {
        const TickReport report = replay.step();
        drill.update(replay.world(), replay.lastControls(), report);
    }
    std::vector<std::optional<float>> splits;
    for (std::size_t i = 0; i < course.rings.size(); ++i)
        splits.push_back(drill.courseRun()->split(i));
    return splits;
}

namespace {

std::vector<Course> makeBuiltIns() {
    std::vector<Course> courses;
    {
        // Seven rings round a circle of 2500 uu about the centre spot, low
        // enough to drive through, every 45 degrees from the start on; the
        // last is 45 degrees short of it, so the start is behind no ring.
        Course c;
        c.name = "loop";
        c.description =
            "A gentle loop near the floor: seven wide rings round the centre spot, low enough "
            "to drive through.";
        constexpr float kLoopRadius = 2500.0f;
        c.car.location = {0.0f, -kLoopRadius, model::kCarRestHeight};
        c.car.heading = 0.0f;
        for (int k = 1; k <= 7; ++k) {
            const float a = -kPi / 2.0f + static_cast<float>(k) * (kPi / 4.0f);
            c.rings.push_back(ring({kLoopRadius * std::cos(a), kLoopRadius * std::sin(a), 130.0f},
                                   {-std::sin(a), std::cos(a), 0.0f}, 320.0f));
        }
        c.timeLimit = 60.0f;
        courses.push_back(std::move(c));
    }
    {
        // From the floor up to the ceiling, turning left and right.
        Course c;
        c.name = "climb";
        c.description =
            "A climb to the ceiling with turns: six rings rising from the floor, the last just "
            "under the roof.";
        c.car.location = {0.0f, -3500.0f, model::kCarRestHeight};
        c.car.heading = kPi / 2.0f;
        c.rings = {ring({0, -2200, 350}, {0, 1, 0.4f}, 300),
                   ring({700, -1200, 700}, {0.5f, 1, 0.3f}, 300),
                   ring({700, 0, 1050}, {-0.3f, 1, 0.3f}, 300),
                   ring({-200, 1000, 1400}, {-0.6f, 1, 0.2f}, 300),
                   ring({-700, 2000, 1650}, {0, 1, 0.1f}, 300),
                   ring({0, 3000, 1850}, {0.5f, 1, 0}, 300)};
        c.timeLimit = 30.0f;
        c.unlimitedBoost = true;
        courses.push_back(std::move(c));
    }
    {
        // Left and right of the middle line, in the air.
        Course c;
        c.name = "slalom";
        c.description =
            "An air-roll slalom: six rings 250 uu left and right of the middle line, 900 uu up; "
            "roll the car to turn sharp.";
        c.car.location = {0.0f, -4700.0f, 900.0f};
        c.car.heading = kPi / 2.0f;
        c.car.velocity = {0.0f, 1000.0f, 0.0f};
        for (int k = 0; k < 6; ++k) {
            const float side = k % 2 == 0 ? 1.0f : -1.0f;
            c.rings.push_back(
                ring({side * 250.0f, -3400.0f + 1600.0f * static_cast<float>(k), 900.0f}, {0, 1, 0},
                     300.0f));
        }
        c.timeLimit = 30.0f;
        c.unlimitedBoost = true;
        courses.push_back(std::move(c));
    }
    return courses;
}

}  // namespace

}  // namespace sandbox
