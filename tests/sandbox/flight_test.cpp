// A flight's simulation (Flight.h): each model behind one step call, what
// the full model reports to drills and the HUD (landings, goals), and its
// state as the legacy model's view.
#include "sandbox/Flight.h"

#include <gtest/gtest.h>

#include "sandbox/Starts.h"

namespace {

using namespace sandbox;

TEST(Simulation, TheLegacyModelStepsExactlyAsStepWorld) {
    World world = randomStart(4);
    Simulation sim = Simulation::legacy(world, {true, false});
    CarControls c;
    c.pitch = 0.7f;
    c.boost = true;
    for (int t = 0; t < 600; ++t) {
        c.roll = t % 90 < 45 ? 1.0f : -0.5f;
        const TickReport expected = stepWorld(world, c, {true, false});
        const TickReport got = sim.step(c);
        ASSERT_TRUE(sim.world() == world) << "tick " << t;
        ASSERT_EQ(got.landed, expected.landed);
    }
}

// A car dropped from 300 up, level or upside down: the first tick it is down
// is a landing (wheels down or not), once, though the roof bounces; on its
// wheels it then drives on.
TEST(Simulation, ALandingIsReportedOnceAndTheCarDrivesOn) {
    struct Case {
        const char* what;
        Vec3 up;  // the car's up axis at the start
        bool wheelsDown;
    };
    const Case cases[] = {{"level", {0.0f, 0.0f, 1.0f}, true},
                          {"upside down", {0.0f, 0.0f, -1.0f}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mechanics::World start;
        start.car.location = {0.0f, 0.0f, 300.0f};
        start.car.attitude.up = c.up;
        start.car.attitude.right = {0.0f, c.up.z, 0.0f};  // forward stays +x
        start.ball.location = {3000.0f, 0.0f, mechanics::kBallRadius};
        Simulation sim = Simulation::full(start, {});
        int landings = 0, landedAt = -1;
        Touchdown touchdown;
        CarControls drive;
        for (int t = 0; t < 240; ++t) {
            // On its roof, throttle would roll it back onto its wheels.
            drive.throttle = t > 120 && c.wheelsDown ? 1.0f : 0.0f;
            const TickReport r = sim.step(drive);
            if (!r.landed) continue;
            ++landings;
            landedAt = t;
            touchdown = r.touchdown;
        }
        EXPECT_EQ(landings, 1);
        EXPECT_GT(landedAt, 60);  // about 0.9 s of falling
        EXPECT_LT(landedAt, 120);
        EXPECT_EQ(touchdown.wheelsDown, c.wheelsDown);
        EXPECT_LT(touchdown.velocity.z, -500.0f);
        if (c.wheelsDown) {
            EXPECT_TRUE(sim.world().car.onGround);
            EXPECT_GT(sim.world().car.velocity.x, 500.0f);  // driving after the landing
        }
    }
}

TEST(Simulation, AGoalIsReportedOnTheTickTheWholeBallIsIn) {
    struct Case {
        float side;  // the goal's end
        int8_t goal;
    };
    for (const Case c : {Case{1.0f, 1}, Case{-1.0f, -1}}) {
        mechanics::World start;
        start.car.location = {-2000.0f, 0.0f, mechanics::kCarRestHeight};
        start.ball.location = {0.0f, c.side * 4800.0f, 300.0f};
        start.ball.velocity = {0.0f, c.side * 1500.0f, 0.0f};
        Simulation sim = Simulation::full(start, {false, true});
        int goals = 0;
        for (int t = 0; t < 120; ++t) {
            const TickReport r = sim.step({});
            if (r.goalScored == 0) continue;
            ++goals;
            EXPECT_EQ(r.goalScored, c.goal);
            EXPECT_GT(c.side * sim.world().ball.location.y, 5120.0f + mechanics::kBallRadius);
        }
        EXPECT_EQ(goals, 1);
    }
}

TEST(Simulation, TheLegacyViewCarriesTheFlagsDrillsAndTheAutopilotRead) {
    World legacy = defaultStart();
    legacy.car.boosting = true;
    legacy.car.boostTicksOwed = 5;
    const mechanics::World full = fullWorldFrom(legacy);
    EXPECT_EQ(full.car.location, legacy.car.location);
    EXPECT_EQ(full.car.boost, legacy.car.boost);
    EXPECT_TRUE(full.car.boosting);
    EXPECT_EQ(legacyView(full).car.boostTicksOwed, 5);

    Simulation sim = Simulation::full(full, {});
    CarControls jump;
    jump.jump = true;
    sim.step({});
    EXPECT_TRUE(sim.world().car.onGround);
    const TickReport pressed = sim.step(jump);
    EXPECT_TRUE(pressed.jumped);
    EXPECT_TRUE(sim.world().car.jumping);
    EXPECT_EQ(sim.world().car.jumpTicks, 1);
    for (int t = 0; t < 30; ++t) sim.step(jump);
    EXPECT_FALSE(sim.world().car.jumping);  // the held phase is over
    EXPECT_FALSE(sim.world().car.onGround);
}

}  // namespace
