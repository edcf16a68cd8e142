#pragma once
// Drills: training exercises flown in the sandbox. A drill is a start state
// made from a seed (the same seed starts the same, so two attempts compare),
// a per-tick update that watches the world, an end and a score with named
// parts. The set of drills is one table; adding a drill is one entry and
// its class.
//
// An attempt, step by step (the window adds its countdown before the first
// tick, with the world held still, and draws the plot and result panel):
//   std::unique_ptr<Drill> drill = makeDrill("nose-on-ball", seed);
//   Simulation sim = Simulation::full(drill->start().fullWorld(),
//                                     drill->start().options);
//   if (drill->info().cue) { keep the dial's target option; set it to *cue; }
//   until drill->finished():
//       controls = a person's, a script's or Autopilot's;
//       report = sim.step(controls);
//       drill->update(sim.world(), controls, report);
//       plot drill->sample();             // live score: drill->score()
//   result panel: score = drill->score(), its parts() and verdict; set the
//   target option back;
//   history: formatAttemptLine(attemptRecord(*drill, now, logFile)).
//
// The drills, by the names the command line uses:
//   nose-on-ball          the ball hangs in the air, drifting slowly; keep the
//                         nose within 5 degrees of it for 10 s (boost is
//                         unlimited, so the car can hang below it on boost).
//   recovery              high in the air at a random attitude and spin:
//                         land wheels-down; clean under 20 degrees and
//                         under 1 rad/s of spin.
//   velocity-alignment    keep the nose within 5 degrees of the direction of
//                         flight until touchdown;
//   velocity-braking      the same against it (the braking variant).
//   target-attitude       reach a random attitude (drawn as a ghost car)
//                         within 10 degrees and hold it 0.5 s.
//   aerial-touch          from the floor, touch a ball thrown up before it
//                         lands; then the ball's flight is watched (for up
//                         to 3 s, until it lands or goes in) and scored by
//                         its speed, its direction against the far goal and
//                         whether it would reach that goal.
//   shot-on-goal          from the floor: drive, jump and hit a ball that
//                         rolls or bounces ahead into the far goal (at +y)
//                         within 12 s.
//   fast-aerial           from the floor to a ball hanging high ahead: jump,
//                         double jump and boost up to it; scored by the time
//                         to the touch and its height, with the parts
//                         players time: the first jump's hold, the second
//                         jump's delay after it, boost from the jump's first
//                         tick, the nose's pitch as the first jump ends.
//
// The drill never touches console variables: `DrillInfo::cue` is the dial's
// target option it trains, for the caller to set and set back. The ball for
// nose-on-ball and aerial-touch; the velocity, or its opposite, for the
// velocity drills. Recovery trains with Down: what the car lands on is the
// floor, so the marker (and the peripheral band) points at the thing to put
// the wheels towards, as a player's glance looks for the ground while
// spinning. Target-attitude has its ghost car for a cue and leaves the
// dial's option as the player keeps it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "render/TargetOption.h"
#include "sandbox/Mechanics.h"
#include "sandbox/Physics.h"

namespace sandbox {

class CourseRun;

// How long the window counts down before an attempt, the world held still.
inline constexpr int kDrillCountdownSeconds = 3;

// The cone of the nose drills and the tolerance of target-attitude.
inline constexpr float kNoseConeDegrees = 5.0f;
inline constexpr float kAttitudeToleranceDegrees = 10.0f;
// A clean landing (recovery's pass, the window's landing banner): under
// this far from wheels-down and under this much spin.
inline constexpr float kCleanLandingDegrees = 20.0f;
inline constexpr float kCleanLandingSpin = 1.0f;  // rad/s

enum class Better : uint8_t { Higher, Lower };
enum class DrillOutcome : uint8_t { Running, Passed, Failed };

// One named number of a score. Keys are lower case letters, digits and '_'
// (they name the part in the history); units are "s", "deg", "rad/s",
// "uu/s", "%" or "" (boost units, counts).
struct ScorePart {
    std::string_view key;
    std::string_view label;  // for the result panel
    std::string_view unit;
    float value = 0.0f;
};

inline constexpr std::size_t kMaxScoreParts = 8;

struct DrillScore {
    DrillOutcome outcome = DrillOutcome::Running;
    // A few words on how it ended: "clean landing", "missed: the ball landed
    // first"; empty while running.
    std::string_view verdict;

    // The parts that apply (a miss has no time to touch); no heap. Kept in
    // the score, so not to be taken from a temporary one.
    std::span<const ScorePart> parts() const& { return {store_.data(), count_}; }
    std::span<const ScorePart> parts() const&& = delete;
    // The value of the part with that key, if the score has it.
    std::optional<float> value(std::string_view key) const;
    void add(std::string_view key, std::string_view label, std::string_view unit, float value);

  private:
    std::array<ScorePart, kMaxScoreParts> store_{};
    std::size_t count_ = 0;
};

// What the drill asks of the car, for an autopilot.
enum class DrillGoal : uint8_t {
    NoseOnBall,           // and stay up, hanging below the ball on boost
    NoseAlongVelocity,    // velocity relative to the ball, as the dial shows it
    NoseAgainstVelocity,  //
    LandWheelsDown,
    HoldAttitude,  // Drill::targetAttitude()
    TouchBall,
    ShootAtGoal,      // at the goal at +y
    FastAerial,       // touch a high ball as soon as can be: jump, double jump, boost
    FlyThroughRings,  // a course's next ring (Drill::courseRun())
};

// What a drill is, apart from any attempt at it.
struct DrillInfo {
    std::string_view name;  // as on the command line
    std::string_view description;
    std::optional<render::TargetOption> cue;  // nullopt: leave the dial's option as it is
    std::string_view errorLabel;              // what the plot's angle is
    std::string_view mainPart;                // the score part that ranks attempts
    Better better = Better::Higher;
    DrillGoal goal = DrillGoal::NoseOnBall;
    // Every part the drill's score can have, in its order; an attempt that
    // misses (no touch, no landing) lacks some, and its result line still
    // names each (null). Empty: the score's own parts are all it names.
    std::array<std::string_view, kMaxScoreParts> partKeys{};
};

// The keys of every part a drill's score can have, in the drill's order.
std::span<const std::string_view> scorePartKeys(const DrillInfo& info);

struct DrillStart {
    World world;
    PhysicsOptions options;
    // What the legacy model's world cannot hold: the ball's spin.
    Vec3 ballSpin{};
    // The start in the full model, which attempts fly (Flight.h).
    mechanics::World fullWorld() const;
};

// One tick for the plot.
struct DrillSample {
    float seconds = 0.0f;  // of the attempt, after this tick
    float error = 0.0f;    // radians: the drill's angle (DrillInfo::errorLabel)
    bool inside = false;   // within the cone or tolerance
    float pitch = 0.0f;    // the stick as the car got it
    float yaw = 0.0f;
    float roll = 0.0f;
};

// One attempt at a drill, made by its table entry from a seed. Updating it
// allocates nothing.
class Drill {
  public:
    virtual ~Drill() = default;
    Drill(const Drill&) = delete;
    Drill& operator=(const Drill&) = delete;

    const DrillInfo& info() const { return info_; }
    uint64_t seed() const { return seed_; }
    const DrillStart& start() const { return start_; }

    // After each tick the world ran (stepWorld's report included). Does
    // nothing once finished.
    void update(const World& world, const CarControls& controls, const TickReport& report);
    bool finished() const { return outcome_ != DrillOutcome::Running; }
    uint32_t ticks() const { return ticks_; }
    const DrillSample& sample() const { return sample_; }

    // The score so far, final once finished.
    virtual DrillScore score() const = 0;
    // target-attitude's goal, drawn as a ghost car; nullopt for the others.
    virtual std::optional<Orientation> targetAttitude() const { return std::nullopt; }
    // A ring course's progress (Courses.h); null for the other drills.
    virtual const CourseRun* courseRun() const { return nullptr; }

  protected:
    Drill(const DrillInfo& info, uint64_t seed, const DrillStart& start)
        : info_(info), seed_(seed), start_(start) {}

    // The drill's own look at the world after tick `ticks()`: returns the
    // plot's angle and whether it is inside; calls finish() at the end.
    struct Measure {
        float error = 0.0f;
        bool inside = false;
    };
    virtual Measure measure(const World& world, const TickReport& report) = 0;
    void finish(DrillOutcome outcome) { outcome_ = outcome; }
    DrillOutcome outcome() const { return outcome_; }
    // The controls of the tick being measured.
    const CarControls& controls() const { return controls_; }

  private:
    const DrillInfo& info_;
    uint64_t seed_;
    DrillStart start_;
    DrillOutcome outcome_ = DrillOutcome::Running;
    uint32_t ticks_ = 0;
    DrillSample sample_{};
    CarControls controls_{};
};

struct DrillEntry {
    DrillInfo info;
    std::unique_ptr<Drill> (*make)(const DrillInfo& info, uint64_t seed);
};

// Every drill, in menu order.
std::span<const DrillEntry> drillTable();
const DrillEntry* findDrill(std::string_view name);

// A drill of the table by name, started from `seed`; null for an unknown
// name.
std::unique_ptr<Drill> makeDrill(std::string_view name, uint64_t seed);

}  // namespace sandbox
