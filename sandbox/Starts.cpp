#include "sandbox/Starts.h"

#include <cmath>

namespace sandbox {

namespace {

constexpr float kTwoPi = 6.28318531f;

}  // namespace

// A uniformly random direction: z uniform in [-1, 1], an angle around z.
Vec3 randomDirection(SeededRandom& random) {
    const float z = random.uniform(-1.0f, 1.0f);
    const float around = random.uniform(0.0f, kTwoPi);
    const float across = std::sqrt(1.0f - z * z);
    return {across * std::cos(around), across * std::sin(around), z};
}

// A uniformly random rotation, from a uniformly random unit quaternion
// (Shoemake's method: three uniform numbers).
Orientation randomAttitude(SeededRandom& random) {
    const float u1 = random.uniform(0.0f, 1.0f);
    const float a = random.uniform(0.0f, kTwoPi), b = random.uniform(0.0f, kTwoPi);
    const float s1 = std::sqrt(1.0f - u1), s2 = std::sqrt(u1);
    const float w = s1 * std::sin(a), x = s1 * std::cos(a), y = s2 * std::sin(b),
                z = s2 * std::cos(b);
    const Orientation turned{
        {1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + w * z), 2.0f * (x * z - w * y)},
        {2.0f * (x * y - w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + w * x)},
        {2.0f * (x * z + w * y), 2.0f * (y * z - w * x), 1.0f - 2.0f * (x * x + y * y)}};
    return orthonormalised(turned);
}

uint64_t SeededRandom::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float SeededRandom::uniform(float lo, float hi) {
    const float unit = static_cast<float>(next() >> 40) * (1.0f / 16777216.0f);
    return lo + (hi - lo) * unit;
}

World defaultStart() {
    World world;
    world.car = restingCar(-2000.0f, 0.0f, 0.0f);
    world.ball.location = {0.0f, 0.0f, model::kBallRadius};
    return world;
}

World randomStart(uint64_t seed) {
    SeededRandom random(seed);
    World world;
    CarState& car = world.car;
    car.onGround = false;
    car.location = {random.uniform(-3000.0f, 3000.0f), random.uniform(-4000.0f, 4000.0f),
                    random.uniform(500.0f, 1500.0f)};
    const float heading = random.uniform(0.0f, kTwoPi);
    const float across = random.uniform(0.0f, 1000.0f);
    car.velocity = {across * std::cos(heading), across * std::sin(heading),
                    random.uniform(-300.0f, 500.0f)};
    car.attitude = randomAttitude(random);
    // One draw per statement: the operands of one expression are evaluated in
    // no fixed order, and a seed must give the same start with any compiler.
    const Vec3 spinAxis = randomDirection(random);
    car.spin = spinAxis * random.uniform(0.0f, 4.0f);
    world.ball.location = {random.uniform(-3000.0f, 3000.0f), random.uniform(-4000.0f, 4000.0f),
                           random.uniform(300.0f, 1500.0f)};
    return world;
}

}  // namespace sandbox
