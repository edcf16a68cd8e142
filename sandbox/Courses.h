#pragma once
// Ring courses: an ordered list of rings in the arena to fly (or drive)
// through, a start for the car and an optional time limit. A course is
// flown as a drill (CourseDrill below), so its attempts get the countdown,
// the result panel, the history and the ghost of the best as drills do.
//
// Passing a ring. Each tick the car's origin moves along the segment from
// last tick's location to this tick's; it passes a ring when that segment
// crosses the ring's plane from behind to in front (along the ring's
// facing direction) at a point no farther than the ring's inner radius
// from its centre. Crossing it the other way, or outside the radius, is
// nothing.
//
// Order. The rings are passed in order: the next ring counts, and so does
// any ring after it (the ones between are then missed, and stay missed);
// a ring behind the next one no longer counts. So a player who misses a
// ring flies on, and the score says how many were missed.
//
// The end and the score. The attempt ends when the last ring is passed
// (passed if no ring was missed), or when the time limit runs out (failed);
// without a time limit it runs until the last ring or a reset. Its parts:
// time (to the last ring, or so far), rings passed, rings missed, boost
// used (boost units, counted from the ticks the boost fired, the same with
// unlimited boost). The split of each ring is the time it was passed at.
//
// A course is checked before it is flown (checkCourse): 1 to kMaxCourseRings
// rings, every number finite, every ring's centre and the car's start
// inside the arena, radii and the time limit within their bounds.
//
// The file, in the style of the other text files (TextFormat.h), also as a
// share code (ShareCode.h):
//
//   trimsight-course 1
//   name loop                        lower case letters, digits and '-'
//   description "A gentle loop"      at most 400 bytes, no control characters
//   car location 0 -2500 17.03       inside the arena; at the resting height
//                                    (or below) on its wheels, else in the
//                                    air, level
//   car heading 0                    degrees from +x towards +y, -360 to 360
//   car velocity 0 0 0               uu/s, at most 2300
//   car boost 100                    0 to 100
//   time_limit 60                    seconds, above 0 to 600; or none
//   unlimited_boost 0                1: boost never runs out
//   ring at 1768 -1768 130 facing 0.7071 0.7071 0 radius 320
//                                    a ring: its centre (inside the arena),
//                                    the way through (a unit vector) and its
//                                    inner radius (50 to 2000 uu)
//
// The rings are passed in the order of their lines, 1 to kMaxCourseRings of
// them. "name" and one ring are needed; every other line may be left out
// (the values above but the ring's are the defaults: no time limit) and is
// given at most once. Lines starting with '#' and blank lines are ignored.
//
// Updating a course's progress allocates nothing.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "sandbox/Drills.h"
#include "sandbox/Physics.h"
#include "sandbox/Vec3.h"

namespace sandbox {

struct FlightLog;

inline constexpr std::size_t kMaxCourseRings = 64;
inline constexpr float kMinRingRadius = 50.0f;
inline constexpr float kMaxRingRadius = 2000.0f;
inline constexpr float kMaxCourseSeconds = 600.0f;
inline constexpr std::size_t kMaxCourseNameLength = 64;
inline constexpr std::size_t kMaxCourseDescriptionLength = 400;
// Every course's attempts go into the history under this prefix and the
// course's name: "course-loop".
inline constexpr std::string_view kCourseDrillPrefix = "course-";
inline constexpr std::string_view kCourseMagic = "trimsight-course";
inline constexpr int kCourseVersion = 1;
inline constexpr std::size_t kMaxCourseFileBytes = 64u << 10;

struct Ring {
    Vec3 centre{};
    Vec3 facing{1.0f, 0.0f, 0.0f};  // unit: the way through
    float radius = 300.0f;          // inner radius, uu
    bool operator==(const Ring&) const = default;
};

// Where the car starts: on its wheels when its height is the resting
// height (or below it), else in the air, level, at its heading.
struct CourseStart {
    Vec3 location{0.0f, 0.0f, model::kCarRestHeight};
    float heading = 0.0f;  // radians from +x towards +y
    Vec3 velocity{};
    float boost = model::kBoostTank;
    bool operator==(const CourseStart&) const = default;
};

struct Course {
    std::string name;  // lower case letters, digits and '-'
    std::string description;
    CourseStart car;
    std::vector<Ring> rings;
    std::optional<float> timeLimit;  // seconds
    bool unlimitedBoost = false;
    bool operator==(const Course&) const = default;
};

// Whether a course can be flown: what is wrong with it, if anything ("ring
// 3: its centre is outside the arena").
base::Status checkCourse(const Course& course);

// The course as the seed its attempts are kept under: the same course
// gives the same number (and so the same ghost), any change another.
uint64_t courseFingerprint(const Course& course);

// The file's text, and a course from text ("FILE:LINE: what is wrong"); a
// course read is a course checkCourse passes. A course read, written and
// read again is the same to the bit (its heading is written as the shortest
// degrees that read back as its radians), and so are the built-in ones.
std::string formatCourse(const Course& course);
base::Result<Course> parseCourse(std::string_view text, std::string_view fileName);
// The course a share code holds: "code position N: ..." for the code,
// "code:LINE: ..." for the course it holds.
base::Result<Course> courseFromCode(std::string_view code);

// The built-in courses, in menu order, and one of them by name.
std::span<const Course> builtInCourses();
const Course* findCourse(std::string_view name);

// Whether the car's origin moving from `from` to `to` passes `ring`.
bool passesRing(const Ring& ring, Vec3 from, Vec3 to);

enum class RingState : uint8_t { Passed, Missed, Next, Ahead };

// The progress through a course's rings. The course must outlive it.
class CourseRun {
  public:
    explicit CourseRun(const Course& course);

    // One tick: the car's origin moved from `from` to `to`, and `seconds`
    // of the attempt have run after it.
    void update(Vec3 from, Vec3 to, float seconds);

    const Course& course() const { return *course_; }
    std::size_t ringCount() const { return course_->rings.size(); }
    // The index of the next ring; ringCount() once the last is behind.
    std::size_t next() const { return next_; }
    bool done() const { return next_ >= ringCount(); }
    RingState state(std::size_t ring) const;
    // The time the ring was passed at (seconds of the attempt); nullopt if
    // it was not (yet).
    std::optional<float> split(std::size_t ring) const;
    int passed() const { return passed_; }
    int missed() const { return missed_; }
    // The ring passed last, if any (the HUD shows its split).
    std::optional<std::size_t> lastPassed() const { return lastPassed_; }

  private:
    const Course* course_;
    std::size_t next_ = 0;
    int passed_ = 0;
    int missed_ = 0;
    std::optional<std::size_t> lastPassed_;
    std::array<float, kMaxCourseRings> splits_{};  // negative: not passed
};

// A course as a drill. The course must outlive it. Its name is
// kCourseDrillPrefix and the course's name, its seed the course's
// fingerprint.
std::unique_ptr<Drill> makeCourseDrill(const Course& course);

// The split of each ring in a flight of the course (an attempt's flight
// log), replayed: nullopt for a ring it did not pass; an empty list when the
// flight does not start as the course does.
std::vector<std::optional<float>> courseSplits(const Course& course, const FlightLog& flight);

}  // namespace sandbox
