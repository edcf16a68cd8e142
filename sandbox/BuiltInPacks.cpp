// The built-in packs: each shot written out as a row of numbers, so a
// reader sees the start without running anything. Every shot scores in the
// goal at +y and is scored by a flight in a test (tests/sandbox/
// shots_test.cpp: the autopilot, from its wheels, in 9 to 16 s; hence the
// time limits of 20 s, which a player in the air beats by far).
#include <vector>

#include "sandbox/Shots.h"

namespace sandbox {

namespace {

// One shot's start, as the rows below give it: the car on its wheels at
// (carX, carY) facing +y rotated by `turn` degrees, moving at `carSpeed`;
// the ball at `ball` moving at `ballVelocity`.
struct Row {
    float carX, carY, turn, carSpeed;
    Vec3 ball;
    Vec3 ballVelocity;
    float seconds;
};

Shot shotOf(const Row& r) {
    Shot s;
    s.carLocation = {r.carX, r.carY, mechanics::kCarRestHeight};
    s.carHeadingDegrees = 90.0f + r.turn;
    s.carSpeed = r.carSpeed;
    s.ballLocation = r.ball;
    s.ballVelocity = r.ballVelocity;
    s.timeLimit = r.seconds;
    return s;
}

template <std::size_t N>
Pack packOf(const char* name, int difficulty, Variance variance, const Row (&rows)[N]) {
    Pack p;
    p.name = name;
    p.author = "Trimsight";
    p.difficulty = difficulty;
    p.variance = variance;
    for (const Row& r : rows) p.shots.push_back(shotOf(r));
    return p;
}

// The ball rolls towards the car along the floor and is popped up into the
// air before it arrives: a first aerial is a jump and a little boost.
const Row kFirstAerials[] = {
    {0, -3500, 0, 0, {0, -1200, 93}, {0, -400, 750}, 20},
    {-600, -3500, 0, 0, {-600, -1000, 93}, {0, -500, 800}, 20},
    {600, -3500, 0, 0, {600, -1000, 93}, {0, -500, 800}, 20},
    {0, -3800, 0, 500, {0, -1500, 93}, {0, -300, 700}, 20},
    {-1200, -3200, -15, 0, {-900, -900, 93}, {-100, -450, 850}, 20},
    {1200, -3200, 15, 0, {900, -900, 93}, {100, -450, 850}, 20},
    {0, -3000, 0, 0, {0, -600, 93}, {0, -600, 900}, 20},
    {-300, -4000, 5, 800, {0, -1800, 93}, {0, -350, 800}, 20},
};

// High balls, hanging at 1000 to 1500 up: only a second jump and boost from
// the first tick reach them before they fall.
const Row kFastAerials[] = {
    {0, -3200, 0, 0, {0, -1900, 1100}, {0, -150, 300}, 20},
    {-500, -3000, 0, 0, {-400, -1700, 1200}, {0, -150, 200}, 20},
    {500, -3000, 0, 0, {400, -1700, 1200}, {0, -150, 200}, 20},
    {0, -3500, 0, 600, {0, -2000, 1300}, {0, 0, 250}, 20},
    {-1000, -3200, -10, 0, {-800, -1900, 1000}, {50, -100, 350}, 20},
    {1000, -3200, 10, 0, {800, -1900, 1000}, {-50, -100, 350}, 20},
    {0, -2800, 0, 0, {0, -1500, 1400}, {0, -200, 150}, 20},
    {0, -4000, 0, 1000, {0, -2200, 1500}, {0, -100, 100}, 20},
};

// Off the walls: the ball thrown at the back wall above the goal at +y (the
// backboard), or high towards the ceiling, and read as it comes down.
const Row kWallReads[] = {
    {0, -1500, 0, 0, {0, 2500, 700}, {0, 1700, 1000}, 20},
    {-800, -1500, 0, 0, {-600, 2500, 700}, {0, 1600, 1000}, 20},
    {800, -1500, 0, 0, {600, 2500, 700}, {0, 1600, 1000}, 20},
    {0, -2000, 0, 500, {0, 2000, 1200}, {0, 1400, 600}, 20},
    {0, -1000, 0, 0, {0, 0, 1500}, {0, 600, 1200}, 20},
    {-1000, -1500, 10, 0, {-500, 500, 1600}, {300, 300, 900}, 20},
    {1000, -1500, -10, 0, {500, 500, 1600}, {-300, 300, 900}, 20},
    {0, -2500, 0, 0, {0, 1000, 1800}, {0, 500, -200}, 20},
};

// Made on first use (they hold strings and vectors).
const std::vector<Pack>& packs() {
    static const std::vector<Pack> kPacks = {
        packOf("First aerials", 1, {150.0f, 100.0f, 5.0f, 150.0f}, kFirstAerials),
        packOf("Fast aerials", 3, {150.0f, 100.0f, 5.0f, 150.0f}, kFastAerials),
        packOf("Backboard and ceiling reads", 4, {200.0f, 150.0f, 5.0f, 150.0f}, kWallReads),
    };
    return kPacks;
}

}  // namespace

std::span<const Pack> builtInPacks() { return packs(); }

const Pack* findBuiltInPack(std::string_view name) {
    for (const Pack& p : packs())
        if (p.name == name || packSlug(p.name) == name) return &p;
    return nullptr;
}

}  // namespace sandbox
