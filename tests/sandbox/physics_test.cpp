// The car and the ball against the air-control model's own numbers.
#include "sandbox/Physics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace sandbox;

constexpr float kTick = 1.0f / 120.0f;

// A car at rest in the air, high over the middle of the arena, level,
// facing +x.
CarState carInTheAir(Rotator attitude = {}) {
    CarState car;
    car.onGround = false;
    car.location = {0.0f, 0.0f, 1000.0f};
    car.attitude = orientationFromRotator(attitude);
    return car;
}

void fly(CarState& car, const CarControls& c, int ticks, PhysicsOptions options = {}) {
    for (int i = 0; i < ticks; ++i) stepCar(car, c, options);
}

CarControls pitchYawRoll(float pitch, float yaw, float roll) {
    CarControls c;
    c.pitch = pitch;
    c.yaw = yaw;
    c.roll = roll;
    return c;
}

// ------------------------------------------------------------- rotation

struct AxisCase {
    const char* axis;
    CarControls controls;
    AxisRates afterOneTick;  // rad/s: acceleration times 1/120 s
    int ticksToCap;          // from rest, input held, to the 5.5 rad/s cap
};

const AxisCase kAxes[] = {
    {"pitch", pitchYawRoll(1, 0, 0), {0.0f, 12.46f / 120.0f, 0.0f}, 53},
    {"yaw", pitchYawRoll(0, 1, 0), {0.0f, 0.0f, 9.11f / 120.0f}, 73},
    {"roll", pitchYawRoll(0, 0, 1), {38.35f / 120.0f, 0.0f, 0.0f}, 29},
};

TEST(CarRotation, OneTickOfFullInputFromRestGivesThatAxisItsAcceleration) {
    for (const AxisCase& c : kAxes) {
        SCOPED_TRACE(c.axis);
        CarState car = carInTheAir();
        stepCar(car, c.controls, {});
        const AxisRates rates = ratesInCarAxes(car.attitude, car.spin);
        EXPECT_NEAR(rates.roll, c.afterOneTick.roll, 1e-6);
        EXPECT_NEAR(rates.pitch, c.afterOneTick.pitch, 1e-6);
        EXPECT_NEAR(rates.yaw, c.afterOneTick.yaw, 1e-6);
    }
}

// Roll is damped even while held (38.35 against 4.794 per second of spin);
// pitch and yaw are not while held at full input.
TEST(CarRotation, HeldFullInputFromRestReachesTheSpinCapAtTheModelsTick) {
    for (const AxisCase& c : kAxes) {
        SCOPED_TRACE(c.axis);
        CarState car = carInTheAir();
        fly(car, c.controls, c.ticksToCap - 1);
        EXPECT_LT(length(car.spin), 5.5f - 1e-3f);
        fly(car, c.controls, 1);
        EXPECT_NEAR(length(car.spin), 5.5f, 1e-5f);
        fly(car, c.controls, 30);
        EXPECT_LE(length(car.spin), 5.5f + 1e-5f);
    }
}

TEST(CarRotation, InputsTurnTheCarTheWayTheirNamesSay) {
    struct Case {
        const char* what;
        CarControls controls;
        bool (*check)(const Orientation&);
    };
    const Case cases[] = {
        {"pitch +1 raises the nose", pitchYawRoll(1, 0, 0),
         [](const Orientation& a) { return a.forward.z > 0.1f; }},
        {"pitch -1 lowers the nose", pitchYawRoll(-1, 0, 0),
         [](const Orientation& a) { return a.forward.z < -0.1f; }},
        {"yaw +1 turns the nose right (+y)", pitchYawRoll(0, 1, 0),
         [](const Orientation& a) { return a.forward.y > 0.1f; }},
        {"yaw -1 turns the nose left", pitchYawRoll(0, -1, 0),
         [](const Orientation& a) { return a.forward.y < -0.1f; }},
        {"roll +1 lowers the right side", pitchYawRoll(0, 0, 1),
         [](const Orientation& a) { return a.right.z < -0.1f; }},
        {"roll -1 raises the right side", pitchYawRoll(0, 0, -1),
         [](const Orientation& a) { return a.right.z > 0.1f; }},
    };
    for (const Case& c : cases) {
        CarState car = carInTheAir();
        fly(car, c.controls, 30);
        EXPECT_TRUE(c.check(car.attitude)) << c.what;
    }
}

TEST(CarRotation, ARollSpinOfTheCapReleasedFallsToAboutFourHundredthsInOneSecond) {
    CarState car = carInTheAir();
    car.spin = spinFromCarRates(car.attitude, {5.5f, 0.0f, 0.0f});
    fly(car, {}, 1);
    // Each tick keeps 1 - 4.794 / 120 = 0.96005 of the roll rate.
    EXPECT_NEAR(ratesInCarAxes(car.attitude, car.spin).roll, 5.5f * 0.96005f, 1e-5);
    fly(car, {}, 119);
    EXPECT_NEAR(ratesInCarAxes(car.attitude, car.spin).roll, 5.5 * std::pow(0.96005, 120), 1e-5);
    EXPECT_NEAR(length(car.spin), 0.041f, 0.001f);
}

TEST(CarRotation, HeldPitchAndYawHaveNoDampingButReleasedTheyDo) {
    CarState held = carInTheAir();
    held.spin = spinFromCarRates(held.attitude, {0.0f, 2.0f, 0.0f});
    fly(held, pitchYawRoll(1, 0, 0), 1);
    EXPECT_NEAR(ratesInCarAxes(held.attitude, held.spin).pitch, 2.0f + 12.46f * kTick, 1e-5);

    CarState released = carInTheAir();
    released.spin = spinFromCarRates(released.attitude, {0.0f, 2.0f, 0.0f});
    fly(released, {}, 1);
    EXPECT_NEAR(ratesInCarAxes(released.attitude, released.spin).pitch,
                2.0f * (1.0f - 2.876f * kTick), 1e-5);
}

TEST(CarRotation, TheAttitudeStaysARotationOverALongSpin) {
    CarState car = carInTheAir();
    fly(car, pitchYawRoll(0.7f, -0.4f, 1.0f), 120 * 60);
    const Orientation& a = car.attitude;
    EXPECT_NEAR(length(a.forward), 1.0f, 1e-6);
    EXPECT_NEAR(length(a.right), 1.0f, 1e-6);
    EXPECT_NEAR(dot(a.forward, a.right), 0.0f, 1e-6);
    EXPECT_NEAR(dot(cross(a.forward, a.right), a.up), 1.0f, 1e-6);
}

// ------------------------------------------------------------ linear motion

TEST(CarMotion, TwoSecondsOfBoostFromRestWithTheNoseUp45DegreesLeavesAThirdOfTheTank) {
    CarState car = carInTheAir({8192, 0, 0});  // an eighth of a turn: 45 degrees up
    CarControls boost;
    boost.boost = true;
    fly(car, boost, 240);
    // 100 - 2 s * 33.3 a second; 1058.33 * cos 45 * 2 = 1496.7 along x,
    // 1058.33 * sin 45 * 2 - 650 * 2 = 196.7 up.
    EXPECT_NEAR(car.boost, 33.33f, 0.01f);
    EXPECT_NEAR(car.velocity.x, 1496.7f, 0.2f);
    EXPECT_NEAR(car.velocity.y, 0.0f, 1e-3f);
    EXPECT_NEAR(car.velocity.z, 196.7f, 0.2f);
}

TEST(CarMotion, ATapOfBoostFiresForATenthOfASecond) {
    CarState car = carInTheAir();
    CarControls tap;
    tap.boost = true;
    fly(car, tap, 1);
    fly(car, {}, 30);
    // 12 ticks of 1058.33 along +x, a third of the tank a second.
    EXPECT_NEAR(car.velocity.x, 1058.33f * 12 / 120, 1e-3f);
    EXPECT_NEAR(car.boost, 100.0f - 12 * (100.0f / 3.0f) / 120, 1e-4f);
}

TEST(CarMotion, BoostNeedsFuelUnlessUnlimited) {
    CarControls boost;
    boost.boost = true;

    CarState empty = carInTheAir();
    empty.boost = 0.0f;
    fly(empty, boost, 60);
    EXPECT_NEAR(empty.velocity.x, 0.0f, 1e-6f);

    // Nose straight up from 200 uu: 3.3 s of boost climbs to the ceiling.
    CarState unlimited = carInTheAir({16384, 0, 0});
    unlimited.location.z = 200.0f;
    CarState runsDry = unlimited;
    fly(unlimited, boost, 400, {true});
    EXPECT_EQ(unlimited.boost, 100.0f);
    EXPECT_GT(unlimited.location.z, 1500.0f);

    fly(runsDry, boost, 400);
    EXPECT_EQ(runsDry.boost, 0.0f);
    EXPECT_GT(runsDry.location.z, 1500.0f);
}

TEST(CarMotion, AirThrottleAddsToBoostAlongTheNose) {
    CarState car = carInTheAir();
    CarControls both;
    both.boost = true;
    both.throttle = 1.0f;
    fly(car, both, 12);
    EXPECT_NEAR(car.velocity.x, (1058.33f + 66.67f) * 12 / 120, 1e-3f);

    CarState reverse = carInTheAir();
    CarControls back;
    back.throttle = -1.0f;
    fly(reverse, back, 120);
    EXPECT_NEAR(reverse.velocity.x, -66.67f, 1e-2f);
}

TEST(CarMotion, TheCarsSpeedIsCappedAt2300AfterItMoves) {
    CarState car = carInTheAir();
    car.velocity = {2298.0f, 0.0f, 0.0f};
    CarControls boost;
    boost.boost = true;
    fly(car, boost, 1);
    EXPECT_NEAR(length(car.velocity), 2300.0f, 1e-2f);
    // The move used the velocity before the cap: 2298 + 1058.33 / 120.
    EXPECT_NEAR(car.location.x, (2298.0f + 1058.33f / 120.0f) / 120.0f, 1e-3f);
}

TEST(CarMotion, GravityPullsAFreeCarDown) {
    CarState car = carInTheAir();
    fly(car, {}, 120);
    EXPECT_NEAR(car.velocity.z, -650.0f, 0.01f);
    EXPECT_NEAR(car.location.z, 1000.0f - 650.0f * 0.5f * (121.0f / 120.0f), 0.1f);
}

// --------------------------------------------------------------- jumping

TEST(Jump, TheHeldAccelerationLastsFrom3To24Ticks) {
    struct Case {
        int heldTicks;
        float accelerationTicks;  // ticks of 1458.33, the first three at 0.62
    };
    const Case cases[] = {{1, 1.86f}, {3, 1.86f}, {10, 8.86f}, {24, 22.86f}, {40, 22.86f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heldTicks);
        CarState car = restingCar(0.0f, 0.0f, 0.0f);
        CarControls jump;
        jump.jump = true;
        fly(car, jump, c.heldTicks);
        fly(car, {}, 60 - c.heldTicks);
        ASSERT_FALSE(car.onGround);
        // 291.67 at once, the held acceleration, 60 ticks of gravity.
        const float expected = 291.67f + 1458.33f * c.accelerationTicks / 120 - 650.0f * 60 / 120;
        EXPECT_NEAR(car.velocity.z, expected, 0.05f);
    }
}

TEST(Jump, TheCarRestsOnTheFloorUntilJumpIsPressed) {
    CarState car = restingCar(100.0f, 200.0f, 1.0f);
    const CarState before = car;
    CarControls everything = pitchYawRoll(1, 1, 1);
    everything.boost = true;
    everything.throttle = 1.0f;
    const TickReport report = stepCar(car, everything, {});
    EXPECT_FALSE(report.jumped);
    EXPECT_EQ(car, before);

    everything.jump = true;
    EXPECT_TRUE(stepCar(car, everything, {}).jumped);
    EXPECT_FALSE(car.onGround);
    EXPECT_GT(car.location.z, 17.03f + 2.0f);
}

TEST(Jump, AJumpNeedsAFreshPressAfterLanding) {
    CarState car = restingCar(0.0f, 0.0f, 0.0f);
    CarControls jump;
    jump.jump = true;
    int ticks = 0;
    bool landed = false;
    while (!landed && ticks < 600) {
        landed = stepCar(car, jump, {}).landed;
        ++ticks;
    }
    ASSERT_TRUE(landed);
    fly(car, jump, 30);
    EXPECT_TRUE(car.onGround);
    fly(car, {}, 1);
    EXPECT_TRUE(stepCar(car, jump, {}).jumped);
}

// ------------------------------------------------------------ touchdown

TEST(Touchdown, AFlightEndsWhenTheBoxTouchesTheFloorAndSaysHow) {
    struct Case {
        const char* what;
        Rotator attitude;
        bool wheelsDown;
        float angle;  // up axis to vertical, radians
    };
    const Case cases[] = {
        {"level", {0, 0, 0}, true, 0.0f},
        {"rolled 30 degrees", {0, 0, 5461}, true, 0.5236f},
        {"on its side", {0, 0, 16384}, false, 1.5708f},
        {"nose down 60 degrees", {-10923, 0, 0}, false, 1.0472f},
        {"upside down", {0, 0, -32768}, false, 3.1416f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CarState car = carInTheAir(c.attitude);
        car.location.z = 200.0f;
        car.velocity = {300.0f, 0.0f, -500.0f};
        TickReport report;
        for (int i = 0; i < 120 && !report.landed; ++i) report = stepCar(car, {}, {});
        ASSERT_TRUE(report.landed);
        EXPECT_EQ(report.touchdown.wheelsDown, c.wheelsDown);
        EXPECT_NEAR(report.touchdown.angleToVertical, c.angle, 1e-3f);
        EXPECT_EQ(report.touchdown.spin, 0.0f);
        EXPECT_LT(report.touchdown.velocity.z, -500.0f);
        // Set back on its wheels where it came down, at rest.
        EXPECT_TRUE(car.onGround);
        EXPECT_EQ(car.location.z, 17.03f);
        EXPECT_EQ(car.velocity, Vec3{});
        EXPECT_EQ(car.attitude.up, (Vec3{0.0f, 0.0f, 1.0f}));
    }
}

TEST(Touchdown, ALevelCarLandsOnItsWheelsAtItsRestingHeight) {
    CarState car = carInTheAir();
    car.location.z = 17.03f + 15.0f;
    car.velocity.z = -1200.0f;
    car.spin = spinFromCarRates(car.attitude, {0.0f, 0.0f, 2.0f});
    // About 10 uu a tick and 15 uu to fall: two ticks, not the four it would
    // take the box itself, whose underside is 18.46 uu higher.
    EXPECT_FALSE(stepCar(car, {}, {}).landed);
    const TickReport report = stepCar(car, {}, {});
    ASSERT_TRUE(report.landed);
    EXPECT_TRUE(report.touchdown.wheelsDown);
    // The yaw spin of 2 rad/s, damped for two ticks by 1.917 a second.
    EXPECT_NEAR(report.touchdown.spin, 2.0f * (1.0f - 1.917f / 120) * (1.0f - 1.917f / 120), 1e-5f);
}

TEST(Arena, WallsAndTheCeilingStopTheCarWhichSlidesAlongThem) {
    CarState car = carInTheAir();
    car.location = {4000.0f, 0.0f, 1000.0f};
    car.velocity = {1500.0f, 300.0f, 0.0f};
    fly(car, {}, 30);
    EXPECT_EQ(car.velocity.x, 0.0f);
    EXPECT_NEAR(car.velocity.y, 300.0f, 1e-3f);
    // Nose (74.1 ahead of the origin) against the wall at x = 4096.
    EXPECT_NEAR(car.location.x, 4096.0f - 74.135f, 1e-2f);

    CarState rising = carInTheAir();
    rising.location.z = 1900.0f;
    rising.velocity.z = 2000.0f;
    fly(rising, {}, 10);
    EXPECT_LE(rising.velocity.z, 0.0f);
    EXPECT_NEAR(rising.location.z, 2044.0f - 40.09f, 20.0f);
}

TEST(Arena, TheBallSTouchOfTheCarsBoxIsMeasuredFromTheBox) {
    const CarState car = restingCar(0.0f, 0.0f, 0.0f);
    // Box centre at (13.88, 0, 37.79), half size (60.255, 43.35, 19.33).
    EXPECT_EQ(distanceToCarBox(car, {13.88f, 0.0f, 37.79f}), 0.0f);
    EXPECT_NEAR(distanceToCarBox(car, {13.88f + 60.255f + 100.0f, 0.0f, 37.79f}), 100.0f, 1e-3f);
    EXPECT_NEAR(distanceToCarBox(car, {13.88f, 0.0f, 37.79f + 19.33f + 91.25f}), 91.25f, 1e-3f);
}

// ------------------------------------------------------------------ ball

TEST(Ball, FallsAndSlowsByAirDrag) {
    EXPECT_EQ(model::kBallDragPerTick, static_cast<float>(std::pow(0.97, 1.0 / 120.0)));
    BallState ball;
    ball.location = {0.0f, 0.0f, 1500.0f};
    ball.velocity = {1000.0f, 0.0f, 0.0f};
    for (int i = 0; i < 120; ++i) stepBall(ball);
    EXPECT_NEAR(ball.velocity.x, 970.0f, 0.05f);
    EXPECT_LT(ball.velocity.z, -620.0f);
}

TEST(Ball, AFloatingBallHangsStillOrDriftsSlowingByAirDragAlone) {
    PhysicsOptions floating;
    floating.ballFloats = true;
    BallState hanging;
    hanging.location = {100.0f, -200.0f, 1200.0f};
    const BallState start = hanging;
    for (int i = 0; i < 600; ++i) stepBall(hanging, floating);
    EXPECT_TRUE(hanging == start);

    BallState drifting;
    drifting.location = {0.0f, 0.0f, 1200.0f};
    drifting.velocity = {100.0f, 0.0f, 0.0f};
    for (int i = 0; i < 120; ++i) stepBall(drifting, floating);
    EXPECT_NEAR(drifting.velocity.x, 97.0f, 0.01f);
    EXPECT_EQ(drifting.velocity.z, 0.0f);
    EXPECT_EQ(drifting.location.z, 1200.0f);
}

TEST(Ball, BouncesOffTheFloorKeepingSixTenthsOfItsSpeedIntoIt) {
    BallState ball;
    ball.location = {0.0f, 0.0f, 91.25f + 1.0f};
    ball.velocity = {0.0f, 0.0f, -1000.0f};
    stepBall(ball);
    EXPECT_EQ(ball.location.z, 91.25f);
    EXPECT_NEAR(ball.velocity.z, (1000.0f + 650.0f / 120) * model::kBallDragPerTick * 0.6f, 0.01f);
}

TEST(Ball, LosesSomeSpeedAlongTheFloorInABounceButRollsFreely) {
    BallState bouncing;
    bouncing.location = {0.0f, 0.0f, 92.0f};
    bouncing.velocity = {1000.0f, 0.0f, -1000.0f};
    stepBall(bouncing);
    EXPECT_LT(bouncing.velocity.x, 1000.0f * 0.9f);
    EXPECT_GT(bouncing.velocity.x, 0.0f);

    BallState rolling;
    rolling.velocity = {1000.0f, 0.0f, 0.0f};
    for (int i = 0; i < 120; ++i) stepBall(rolling);
    EXPECT_EQ(rolling.location.z, 91.25f);
    EXPECT_EQ(rolling.velocity.z, 0.0f);
    EXPECT_NEAR(rolling.velocity.x, 970.0f, 0.05f);
}

TEST(Ball, BouncesOffWallsAndTheCeilingAndKeepsUnder6000) {
    BallState ball;
    ball.location = {4096.0f - 91.25f - 1.0f, 0.0f, 1000.0f};
    ball.velocity = {1000.0f, 0.0f, 0.0f};
    stepBall(ball);
    EXPECT_LT(ball.velocity.x, -590.0f);
    EXPECT_LE(ball.location.x, 4096.0f - 91.25f);

    BallState up;
    up.location = {0.0f, 5120.0f - 100.0f, 2044.0f - 92.0f};
    up.velocity = {0.0f, 0.0f, 9000.0f};
    stepBall(up);
    EXPECT_LT(up.velocity.z, 0.0f);
    EXPECT_LE(length(up.velocity), 6000.0f);
}

}  // namespace
