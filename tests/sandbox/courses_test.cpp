// Ring courses: passing a ring (inside, outside, the wrong way, out of
// order), the end at the last ring or the time limit, the score, the checks
// a course must pass, the course file and its code, and every built-in
// course finished by the autopilot.
#include "sandbox/Courses.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "sandbox/Autopilot.h"
#include "sandbox/Flight.h"
#include "sandbox/FlightLog.h"
#include "sandbox/ShareCode.h"
#include "sandbox/Shots.h"

namespace {

using namespace sandbox;

// A ring at the origin 1000 up, facing +y, radius 200.
const Ring kRing{{0.0f, 0.0f, 1000.0f}, {0.0f, 1.0f, 0.0f}, 200.0f};

struct PassCase {
    const char* what;
    Vec3 from, to;
    bool passes;
};

TEST(RingPassing, CountsACrossingInsideTheRadiusInItsFacingDirectionOnly) {
    const PassCase cases[] = {
        {"through the centre", {0, -50, 1000}, {0, 50, 1000}, true},
        {"150 from the centre", {150, -10, 1000}, {150, 10, 1000}, true},
        {"on the radius", {0, -10, 1200}, {0, 10, 1200}, true},
        {"250 from the centre: outside", {0, -10, 1250}, {0, 10, 1250}, false},
        {"the wrong way", {0, 50, 1000}, {0, -50, 1000}, false},
        {"ending on the plane", {0, -50, 1000}, {0, 0, 1000}, true},
        {"starting on the plane", {0, 0, 1000}, {0, 50, 1000}, false},
        {"short of the plane", {0, -50, 1000}, {0, -1, 1000}, false},
        {"along the plane", {-50, 0, 1000}, {50, 0, 1000}, false},
        // The segment starts outside the radius and ends outside it, but
        // crosses the plane inside.
        {"slanting through", {-300, -100, 1000}, {300, 100, 1000}, true},
        {"slanting past", {-300, -100, 1300}, {300, 100, 1300}, false},
    };
    for (const PassCase& c : cases) EXPECT_EQ(passesRing(kRing, c.from, c.to), c.passes) << c.what;
}

// Three rings along +y at y = 1000, 2000, 3000, 500 up.
Course straightCourse() {
    Course c;
    c.name = "straight";
    c.car.location = {0.0f, 0.0f, 500.0f};
    c.car.heading = 3.14159265f / 2.0f;
    for (float y : {1000.0f, 2000.0f, 3000.0f}) c.rings.push_back({{0, y, 500}, {0, 1, 0}, 200});
    c.timeLimit = 10.0f;
    return c;
}

TEST(CourseRun, PassesRingsInOrderAndCountsTheOnesSkippedAsMissed) {
    const Course course = straightCourse();
    CourseRun run(course);
    EXPECT_EQ(run.state(0), RingState::Next);
    EXPECT_EQ(run.state(1), RingState::Ahead);
    // Ring 2 first (flown round ring 1): ring 1 is missed, ring 2 passed.
    run.update({0, 1900, 500}, {0, 2100, 500}, 1.5f);
    EXPECT_EQ(run.state(0), RingState::Missed);
    EXPECT_EQ(run.state(1), RingState::Passed);
    EXPECT_EQ(run.state(2), RingState::Next);
    EXPECT_EQ(run.missed(), 1);
    EXPECT_EQ(run.passed(), 1);
    EXPECT_EQ(run.split(1), 1.5f);
    EXPECT_FALSE(run.split(0));
    // Ring 1 now lies behind: passing it counts for nothing.
    run.update({0, 900, 500}, {0, 1100, 500}, 2.0f);
    EXPECT_EQ(run.passed(), 1);
    EXPECT_EQ(run.state(0), RingState::Missed);
    // Outside ring 3, then the wrong way through it: still next.
    run.update({0, 2900, 900}, {0, 3100, 900}, 2.5f);
    run.update({0, 3100, 500}, {0, 2900, 500}, 3.0f);
    EXPECT_EQ(run.state(2), RingState::Next);
    run.update({0, 2900, 500}, {0, 3100, 500}, 3.5f);
    EXPECT_TRUE(run.done());
    EXPECT_EQ(run.lastPassed(), 2u);
    EXPECT_EQ(run.split(2), 3.5f);
}

TEST(CourseRun, OneTickThroughTwoCloseRingsPassesBoth) {
    Course course = straightCourse();
    course.rings[1].centre.y = 1010.0f;
    CourseRun run(course);
    run.update({0, 990, 500}, {0, 1020, 500}, 0.25f);
    EXPECT_EQ(run.passed(), 2);
    EXPECT_EQ(run.missed(), 0);
    EXPECT_EQ(run.next(), 2u);
}

// The world a drill sees after a tick, with the car at `location`: the
// drill only watches, so a test moves the car along any line it likes.
World carAt(Vec3 location, bool boosting) {
    World w;
    w.car.onGround = false;
    w.car.location = location;
    w.car.boosting = boosting;
    return w;
}

TEST(CourseDrill, EndsAtTheLastRingWithItsTimeSplitsAndBoost) {
    const Course course = straightCourse();
    std::unique_ptr<Drill> drill = makeCourseDrill(course);
    EXPECT_EQ(drill->info().name, "course-straight");
    EXPECT_EQ(drill->seed(), courseFingerprint(course));
    EXPECT_EQ(drill->start().world.car.location.z, 500.0f);
    // 25 uu a tick along +y, boosting on every other tick: ring k (at
    // 1000 k) is reached on tick 40 k, at k / 3 s.
    uint32_t tick = 0;
    while (!drill->finished() && tick < 1000) {
        ++tick;
        drill->update(carAt({0, 25.0f * static_cast<float>(tick), 500}, tick % 2 == 0), {}, {});
    }
    ASSERT_TRUE(drill->finished());
    EXPECT_EQ(tick, 120u);
    const DrillScore s = drill->score();
    EXPECT_EQ(s.outcome, DrillOutcome::Passed);
    EXPECT_EQ(s.value("time"), 1.0f);
    EXPECT_EQ(s.value("rings"), 3.0f);
    EXPECT_EQ(s.value("missed"), 0.0f);
    // 60 ticks of boost at a third of the tank a second.
    EXPECT_FLOAT_EQ(*s.value("boost_used"), 60.0f * (100.0f / 3.0f) / 120.0f);
    EXPECT_EQ(drill->courseRun()->split(0), 40.0f / 120.0f);
}

TEST(CourseDrill, FailsWhenTheTimeRunsOutOrARingWasMissed) {
    Course course = straightCourse();
    course.timeLimit = 0.5f;
    std::unique_ptr<Drill> slow = makeCourseDrill(course);
    uint32_t tick = 0;
    while (!slow->finished() && tick < 1000)
        slow->update(carAt({0, 10.0f * static_cast<float>(++tick), 500}, false), {}, {});
    EXPECT_EQ(tick, 60u);  // 0.5 s
    EXPECT_EQ(slow->score().outcome, DrillOutcome::Failed);
    EXPECT_EQ(slow->score().value("rings"), 0.0f);
    EXPECT_EQ(slow->score().verdict, "time is up");

    // Over the first ring, then down through the other two.
    course.timeLimit.reset();
    std::unique_ptr<Drill> skipping = makeCourseDrill(course);
    tick = 0;
    while (!skipping->finished() && tick < 1000) {
        ++tick;
        const float y = 25.0f * static_cast<float>(tick);
        skipping->update(carAt({0, y, y < 1500.0f ? 900.0f : 500.0f}, false), {}, {});
    }
    const DrillScore s = skipping->score();
    EXPECT_EQ(s.outcome, DrillOutcome::Failed);
    EXPECT_EQ(s.value("missed"), 1.0f);
    EXPECT_EQ(s.value("rings"), 2.0f);
}

TEST(CourseCheck, RefusesWhatCannotBeFlown) {
    struct Bad {
        const char* what;
        void (*spoil)(Course&);
        const char* message;
    };
    const Bad cases[] = {
        {"no rings", [](Course& c) { c.rings.clear(); }, "no rings"},
        {"too many rings", [](Course& c) { c.rings.resize(65, c.rings[0]); }, "more than 64"},
        {"a centre outside", [](Course& c) { c.rings[1].centre.x = 5000.0f; }, "ring 2"},
        {"below the floor", [](Course& c) { c.rings[0].centre.z = -1.0f; }, "outside the arena"},
        {"not finite", [](Course& c) { c.rings[2].radius = NAN; }, "not finite"},
        {"a long facing",
         [](Course& c) {
             c.rings[0].facing = {0, 2, 0};
         },
         "unit vector"},
        {"a tiny ring", [](Course& c) { c.rings[0].radius = 10.0f; }, "radius"},
        {"a start outside", [](Course& c) { c.car.location.z = 3000.0f; }, "start"},
        {"too fast",
         [](Course& c) {
             c.car.velocity = {3000, 0, 0};
         },
         "2300"},
        {"too much boost", [](Course& c) { c.car.boost = 101.0f; }, "boost"},
        {"a long limit", [](Course& c) { c.timeLimit = 601.0f; }, "time limit"},
        {"a bad name", [](Course& c) { c.name = "Loop"; }, "name"},
    };
    ASSERT_TRUE(checkCourse(straightCourse()).ok());
    for (const Bad& b : cases) {
        Course c = straightCourse();
        b.spoil(c);
        const base::Status status = checkCourse(c);
        ASSERT_FALSE(status.ok()) << b.what;
        EXPECT_NE(status.error().find(b.message), std::string::npos)
            << b.what << ": " << status.error();
    }
}

TEST(CourseFingerprint, ChangesWithEveryRingAndTheStart) {
    const Course a = straightCourse();
    Course b = a;
    EXPECT_EQ(courseFingerprint(a), courseFingerprint(b));
    b.rings[2].radius = 201.0f;
    EXPECT_NE(courseFingerprint(a), courseFingerprint(b));
    b = a;
    b.car.boost = 50.0f;
    EXPECT_NE(courseFingerprint(a), courseFingerprint(b));
}

// ----------------------------------------------------------------- files

constexpr float kDegree = 3.14159265f / 180.0f;  // as the file's reader converts

// Every line with a value off its default, odd numbers included.
Course sampleCourse() {
    Course c = straightCourse();
    c.description = "Three \"straight\" rings \\ and a wide one";
    c.car.location = {-100.5f, -0.0f, model::kCarRestHeight};
    c.car.heading = -45.5f * kDegree;
    c.car.velocity = {10.0f, -20.0f, 0.25f};
    c.car.boost = 33.3f;
    c.unlimitedBoost = true;
    c.rings.push_back({{100.0f, 4000.0f, 1200.0f}, {0.6f, 0.8f, 0.0f}, 2000.0f});
    return c;
}

TEST(CourseFile, RoundTripsAsTextAndAsACodeToTheBit) {
    const Course c = sampleCourse();
    const std::string text = formatCourse(c);
    const base::Result<Course> back = parseCourse(text, "c.course");
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, c);
    EXPECT_TRUE(std::signbit(back->car.location.y));
    EXPECT_NE(text.find("\ncar heading -45.5\n"), std::string::npos) << text;
    const base::Result<Course> fromCode = courseFromCode(makeShareCode(text));
    ASSERT_TRUE(fromCode.ok()) << fromCode.error();
    EXPECT_EQ(*fromCode, c);
    // The built-in courses, made in radians, come back as they were: the
    // same fingerprint, so the same history and ghost.
    for (const Course& builtIn : builtInCourses()) {
        const base::Result<Course> r = parseCourse(formatCourse(builtIn), "b.course");
        ASSERT_TRUE(r.ok()) << r.error();
        EXPECT_EQ(*r, builtIn);
        EXPECT_EQ(courseFingerprint(*r), courseFingerprint(builtIn));
    }
    // A course as a person writes it: the least, and headings in whole
    // degrees; what it reads as is written and read back the same.
    for (const char* heading : {"0", "30", "-90", "359.9", "360", "-360"}) {
        const base::Result<Course> typed =
            parseCourse(std::string("trimsight-course 1\r\n# mine\nname my-1\ncar heading ") +
                            heading + "\n\n  ring at 0 0 500 facing 1 0 0 radius 50  \n",
                        "m.course");
        ASSERT_TRUE(typed.ok()) << typed.error();
        EXPECT_FALSE(typed->timeLimit);
        EXPECT_EQ(typed->car.boost, 100.0f);
        EXPECT_EQ(*parseCourse(formatCourse(*typed), "m2.course"), *typed) << heading;
        EXPECT_NE(formatCourse(*typed).find(std::string("car heading ") + heading + "\n"),
                  std::string::npos)
            << heading;
    }
}

TEST(CourseFile, RefusesEachFaultAtItsLineAndACodeAtItsPosition) {
    const std::string good = formatCourse(sampleCourse());
    // Lines: 1 header, 2 name, 3 description, 4-7 car, 8 time_limit, 9
    // unlimited_boost, 10-13 rings.
    struct Case {
        std::string from, to, error;
    };
    const std::string ring2 = "ring at 0 2000 500 facing 0 1 0 radius 200";
    const std::string arena =
        " is outside the arena (x from -4096 to 4096, y from -5120 to 5120, "
        "z from 0 to 2044)";
    const Case cases[] = {
        {"trimsight-course 1", "trimsight-pack 1",
         "c:1: not a course: expected \"trimsight-course 1\""},
        {"trimsight-course 1", "trimsight-course 2",
         "c:1: written by a newer version of the format (2); this program reads versions up to "
         "1"},
        {"name straight", "name Straight",
         "c:2: the name: expected 1 to 64 lower case letters, digits and '-'"},
        {"name straight", "", "c:12: the course has no \"name\" line"},
        {"car location -100.5 -0 17.03", "car location 0 0 -5",
         "c:4: the car's location: 0 0 -5" + arena},
        {"car heading -45.5", "car heading 400", "c:5: the heading: expected -360 to 360"},
        {"car velocity 10 -20 0.25", "car velocity 3000 0 0",
         "c:6: the car's velocity: 3000 0 0 is longer than 2300 uu/s"},
        {"car boost 33.3", "car wings 2",
         "c:7: unknown line \"car wings\" (the car's lines are location, heading, velocity and "
         "boost)"},
        {"time_limit 10", "time_limit 0", "c:8: the time limit: expected above 0 to 600, or none"},
        {"time_limit 10", "time_limit 10\ntime_limit none", "c:9: \"time_limit\" given twice"},
        {"unlimited_boost 1", "colour red",
         "c:9: unknown line \"colour\" (a course's lines are name, description, car, "
         "time_limit, unlimited_boost and ring)"},
        {ring2, "ring at 0 6000 500 facing 0 1 0 radius 200",
         "c:11: the ring's centre: 0 6000 500" + arena},
        {ring2, "ring at 0 nan 500 facing 0 1 0 radius 200",
         "c:11: the ring's centre: expected a finite number, got \"nan\""},
        {ring2, "ring at 0 2000 500 facing 0 2 0 radius 200",
         "c:11: the ring's facing: 0 2 0 is not of unit length"},
        {ring2, "ring at 0 2000 500 facing 0 1 0 radius 10",
         "c:11: the ring's radius: expected 50 to 2000"},
        {ring2, "ring 0 2000 500 0 1 0 200",
         "c:11: a ring: expected \"ring at X Y Z facing X Y Z radius R\""},
        {ring2, ring2 + " uu", "c:11: unexpected \"uu\" at the end of the line"},
    };
    for (const Case& c : cases) {
        std::string text = good;
        const std::size_t at = text.find(c.from + "\n");
        ASSERT_NE(at, std::string::npos) << c.from << " in\n" << good;
        text.replace(at, c.from.size() + 1, c.to.empty() ? "" : c.to + "\n");
        const base::Result<Course> r = parseCourse(text, "c");
        ASSERT_FALSE(r.ok()) << c.to;
        EXPECT_EQ(r.error(), c.error);
    }
    // 65 rings: the 65th on line 9 + 65.
    Course many = sampleCourse();
    many.rings.resize(65, many.rings[0]);
    EXPECT_EQ(parseCourse(formatCourse(many), "c").error(), "c:74: more than 64 rings");
    EXPECT_EQ(parseCourse("trimsight-course 1\nname x\n", "c").error(),
              "c:2: the course has no rings");
    EXPECT_EQ(parseCourse(std::string(kMaxCourseFileBytes + 1, '#'), "c").error(),
              "c: larger than 65536 bytes");

    // A code: what it holds is read as a course; a changed character ends
    // as a bad checksum, one outside the alphabet is named by its position.
    Pack pack;
    pack.name = "p";
    pack.shots.emplace_back();
    EXPECT_EQ(courseFromCode(makeShareCode(formatPack(pack))).error(),
              "code:1: not a course: expected \"trimsight-course 1\"");
    std::string code = makeShareCode(good);
    code[code.size() / 2] = code[code.size() / 2] == 'A' ? 'B' : 'A';
    EXPECT_THAT(courseFromCode(code).error(), ::testing::StartsWith("code: the checksum"));
    EXPECT_THAT(courseFromCode("abc$").error(), ::testing::StartsWith("code position 4: "));
}

// Flies a course's drill in the full model with the autopilot, as the
// window does, to its end or `maxTicks`; the flight's log is kept.
FlightLog flyCourse(Drill& drill, int maxTicks) {
    Autopilot autopilot(drill);
    FlightLog log;
    log.setStart(drill.start().fullWorld());
    log.options = drill.start().options;
    Simulation sim = startOf(log);
    for (int t = 0; t < maxTicks && !drill.finished(); ++t) {
        const CarControls controls = autopilot.controls(sim.world());
        const TickReport report = sim.step(controls);
        drill.update(sim.world(), controls, report);
        log.recordTick(controls);
    }
    return log;
}

TEST(BuiltInCourses, AreValidAndEachIsFinishedByTheAutopilotPassingEveryRing) {
    ASSERT_GE(builtInCourses().size(), 3u);
    for (const Course& course : builtInCourses()) {
        SCOPED_TRACE(course.name);
        ASSERT_TRUE(checkCourse(course).ok()) << checkCourse(course).error();
        EXPECT_EQ(findCourse(course.name), &course);
        std::unique_ptr<Drill> drill = makeCourseDrill(course);
        const FlightLog log = flyCourse(*drill, 120 * 120);
        const DrillScore s = drill->score();
        const CourseRun& run = *drill->courseRun();
        EXPECT_EQ(s.outcome, DrillOutcome::Passed)
            << run.passed() << " passed, " << run.missed() << " missed, next " << run.next();
        // The splits replayed from the log are those flown.
        const std::vector<std::optional<float>> splits = courseSplits(course, log);
        ASSERT_EQ(splits.size(), course.rings.size());
        for (std::size_t i = 0; i < splits.size(); ++i) EXPECT_EQ(splits[i], run.split(i)) << i;
        EXPECT_EQ(s.value("time"), run.split(course.rings.size() - 1));
        std::printf("%s: %.3f s, boost used %.1f\n", course.name.c_str(), *s.value("time"),
                    *s.value("boost_used"));
    }
}

}  // namespace
