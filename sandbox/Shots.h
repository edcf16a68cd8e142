#pragma once
// Shots and packs: practice at a goal, as players share it.
//
// A shot is a start (the ball's location, velocity and spin; the car's
// location, heading, speed, boost, on its wheels or in the air), the goal
// to score in and a time limit. An attempt ends when the ball enters that
// goal (scored), enters the other goal (wrong goal) or the time runs out.
// Its score: scored or not, time to goal, touches, boost used.
//
// A pack is a name, an author, a difficulty and up to kMaxPackShots shots
// in order, played shot after shot (Again, Next, Previous). Variance nudges
// each shot's start within the pack's bounds from a seed, so a varied
// attempt repeats from its seed; seed 0 is the shot as written.
//
// A shot is flown as a drill (Drills.h): makeShotDrill gives the Drill an
// attempt updates tick by tick, the window's countdown, result panel,
// history and ghost included. Its name in the history is
// "shot-PACK-N" (the pack's name as a drill name, the shot's number from 1)
// and its seed the variance seed.
//
// The file, in the flight log's style (TextFormat.h):
//
//   trimsight-pack 1
//   name "First aerials"             at most kMaxPackTextBytes, no control
//   author "Trimsight"               characters
//   difficulty 1                     1 (first steps) to 5
//   variance 150 100 5 10            the nudge's bounds: ball location (uu),
//                                    ball velocity (uu/s), car heading (deg),
//                                    car location (uu); all 0: none
//   shot                             a shot begins; its lines follow
//   ball location 0 -1000 93         inside the arena
//   ball velocity 0 -600 700         uu/s, at most the ball's cap
//   ball spin 0 0 0                  rad/s, at most the ball's cap
//   car location 0 -3500 17.032      inside the arena
//   car heading 90                   degrees from +x towards +y
//   car speed 0                      uu/s along the heading
//   car boost 100                    0 to 100
//   car on_ground 1                  1: on its wheels (z is its resting
//                                    height); 0: in the air, level
//   goal +y                          +y or -y
//   time_limit 8                     s, 1 to 60
//
// Every line of a shot appears once, in any order; each shot ends where the
// next "shot" line (or the file) begins. Lines starting with '#' and blank
// lines are ignored.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "sandbox/Drills.h"
#include "sandbox/Mechanics.h"
#include "sandbox/Vec3.h"

namespace sandbox {

inline constexpr std::string_view kPackMagic = "trimsight-pack";
inline constexpr int kPackVersion = 1;
inline constexpr std::size_t kMaxPackShots = 50;
inline constexpr std::size_t kMaxPackTextBytes = 80;
inline constexpr std::size_t kMaxPackFileBytes = 64u << 10;
inline constexpr int kMinDifficulty = 1;
inline constexpr int kMaxDifficulty = 5;
inline constexpr float kMinShotSeconds = 1.0f;
inline constexpr float kMaxShotSeconds = 60.0f;
// The largest nudge variance may give: location, velocity, heading (deg).
inline constexpr float kMaxVarianceDistance = 1000.0f;
inline constexpr float kMaxVarianceSpeed = 1000.0f;
inline constexpr float kMaxVarianceDegrees = 45.0f;

struct Shot {
    Vec3 ballLocation{0.0f, 0.0f, mechanics::kBallRadius};
    Vec3 ballVelocity{};
    Vec3 ballSpin{};
    Vec3 carLocation{0.0f, -3000.0f, mechanics::kCarRestHeight};
    float carHeadingDegrees = 90.0f;  // from +x towards +y: 90 faces the goal at +y
    float carSpeed = 0.0f;            // uu/s along the heading
    float carBoost = 100.0f;
    bool carOnGround = true;
    mechanics::Goal goal = mechanics::Goal::PositiveY;
    float timeLimit = 10.0f;  // s

    bool operator==(const Shot&) const = default;
};

// How far variance may move a shot's start: each value is nudged by a
// uniform amount within +-bound, each axis on its own.
struct Variance {
    float ballLocation = 0.0f;  // uu, x and y (z too for a ball in the air)
    float ballVelocity = 0.0f;  // uu/s, each axis
    float carHeadingDegrees = 0.0f;
    float carLocation = 0.0f;  // uu, x and y
    bool none() const {
        return ballLocation == 0.0f && ballVelocity == 0.0f && carHeadingDegrees == 0.0f &&
               carLocation == 0.0f;
    }
    bool operator==(const Variance&) const = default;
};

struct Pack {
    std::string name;  // shown to the player; its drill-name form names attempts
    std::string author;
    int difficulty = 1;
    Variance variance;
    std::vector<Shot> shots;

    bool operator==(const Pack&) const = default;
};

// The shot as `seed` nudges it within `variance` (seed 0: unchanged). The
// same seed gives the same shot; the nudged start stays inside the arena
// (a ball at least its radius from the walls, a car within them).
Shot variedShot(const Shot& shot, const Variance& variance, uint64_t seed);

// The world a shot starts from: the car on its wheels at rest height (or
// level in the air), moving at its speed along its heading.
mechanics::World shotWorld(const Shot& shot);

// A moment of a flight as a shot ("save this moment"): the ball as it is
// (`ballSpin` from the full model), the car's location, heading, speed
// along its heading (none when it moves backwards), boost and whether it
// is on its wheels, the goal it faces and kMomentSeconds to score. The
// car's tilt and spin are not kept: a shot's car in the air starts level.
inline constexpr float kMomentSeconds = 10.0f;
Shot shotOfMoment(const World& world, Vec3 ballSpin);

// The pack's name as a drill name: lower case letters and digits, every
// other run of characters one '-', at most 40 characters ("Fast aerials!"
// gives "fast-aerials"; a name of no letters or digits gives "pack").
std::string packSlug(std::string_view name);
// "shot-SLUG-N", N from 1: the name of the pack's shot `index` (from 0) in
// the history.
std::string shotDrillName(const Pack& pack, std::size_t index);

// An attempt at a shot as a drill: DrillGoal::ShootAtGoal, ranked by the
// time to goal. The pack must outlive the drill.
std::unique_ptr<Drill> makeShotDrill(const Pack& pack, std::size_t index, uint64_t seed);

// The file's text, and a pack from text ("FILE:LINE: what is wrong").
std::string formatPack(const Pack& pack);
base::Result<Pack> parsePack(std::string_view text, std::string_view fileName);
// The pack a share code holds: "code position N: ..." for the code,
// "code:LINE: ..." for the pack it holds.
base::Result<Pack> packFromCode(std::string_view code);

// The built-in packs, in menu order: first aerials, fast aerials,
// backboard and ceiling reads.
std::span<const Pack> builtInPacks();
// A built-in pack by its name or its slug; null when there is none.
const Pack* findBuiltInPack(std::string_view name);

}  // namespace sandbox
