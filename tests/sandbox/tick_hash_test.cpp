// Every bit of every tick, pinned: a hash over the whole state after each
// tick (each float's bits, every flag, timer, wheel and kept contact point)
// of the fixture logs replayed, of every drill flown by the autopilot and of
// scripted full-model flights that use each mechanic (driving, powerslide,
// jumps, dodges, a cancel, hits, the ball on the floor and in a goal, a car
// on its roof and against a wall). A change that should leave the numbers
// alone (a quicker path through the tick) must leave these hashes alone; a
// change that means to move them updates them here, on purpose.
//
// The figures are those of an x86-64 Linux build (glibc's sin, cos and
// atan2); elsewhere the test only checks that two runs agree.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sandbox/Autopilot.h"
#include "sandbox/Drills.h"
#include "sandbox/Flight.h"
#include "sandbox/FlightLog.h"
#include "sandbox/Mechanics.h"
#include "sandbox/Starts.h"

namespace {

using namespace sandbox;

#if defined(__x86_64__) && defined(__linux__) && defined(__GLIBC__)
constexpr bool kPinnedPlatform = true;
#else
constexpr bool kPinnedPlatform = false;
#endif

// FNV-1a over the values fed to it, field by field (never a struct's
// padding).
class StateHash {
  public:
    uint64_t value() const { return hash_; }

    void add(uint64_t bits, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            hash_ ^= (bits >> (8 * i)) & 0xffu;
            hash_ *= 0x100000001b3ull;
        }
    }
    void add(float v) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        add(bits, 4);
    }
    void add(bool v) { add(v ? 1u : 0u, 1); }
    void add(int64_t v) { add(static_cast<uint64_t>(v), 8); }
    void add(int32_t v) { add(static_cast<uint32_t>(v), 4); }
    void add(int8_t v) { add(static_cast<uint8_t>(v), 1); }
    void add(uint8_t v) { add(v, 1); }
    void add(Vec3 v) {
        add(v.x);
        add(v.y);
        add(v.z);
    }
    void add(const Orientation& o) {
        add(o.forward);
        add(o.right);
        add(o.up);
    }
    void add(const mechanics::Wheel& w) {
        add(w.inContact);
        add(w.onStaticSurface);
        add(w.contactPoint);
        add(w.contactNormal);
        add(w.suspensionLength);
        add(w.suspensionSpeed);
        add(w.inverseContactDot);
        add(w.pushBack);
        add(w.engineForce);
        add(w.brake);
        add(w.lateralFriction);
        add(w.longitudinalFriction);
        add(w.steerAngle);
    }
    void add(const mechanics::ContactManifold& m) {
        add(m.count);
        add(m.block);
        for (const mechanics::ContactPoint& p : m.points) {
            add(p.onA);
            add(p.onB);
            add(p.normal);
            add(p.distance);
            add(p.normalImpulse);
            add(p.frictionImpulse);
        }
    }
    void add(const mechanics::Car& c) {
        add(c.location);
        add(c.velocity);
        add(c.attitude);
        add(c.spin);
        add(c.boost);
        add(c.jumpHeld);
        add(c.hasJumped);
        add(c.isJumping);
        add(c.jumpTime);
        add(c.timeSinceJump);
        add(c.hasDoubleJumped);
        add(c.hasFlipped);
        add(c.isFlipping);
        add(c.flipTime);
        add(c.flipTorqueForward);
        add(c.flipTorqueRight);
        add(c.isAutoFlipping);
        add(c.autoFlipTime);
        add(c.autoFlipSign);
        add(c.boosting);
        add(c.boostTime);
        add(c.supersonic);
        add(c.supersonicTime);
        add(c.handbrake);
        for (const mechanics::Wheel& w : c.wheels) add(w);
        add(c.touchedWorld);
        add(c.worldContactNormal);
        for (const mechanics::ContactManifold& m : c.worldContacts) add(m);
        add(c.ballContact);
    }
    void add(const mechanics::World& w) {
        add(w.car);
        add(w.ball.location);
        add(w.ball.velocity);
        add(w.ball.spin);
        add(w.ball.lastExtraHitTick);
        add(w.tick);
    }
    void add(const mechanics::TickEvents& e) {
        add(static_cast<int32_t>(e.wheelsInContact));
        add(e.jumped);
        add(e.doubleJumped);
        add(e.dodged);
        add(e.autoFlipped);
        add(e.ballTouched);
    }
    void add(const World& w) {
        const CarState& c = w.car;
        add(c.location);
        add(c.velocity);
        add(c.attitude);
        add(c.spin);
        add(c.boost);
        add(c.onGround);
        add(c.boosting);
        add(c.boostTicksOwed);
        add(c.jumpHeld);
        add(c.jumping);
        add(c.jumpTicks);
        add(w.ball.location);
        add(w.ball.velocity);
    }
    void add(const TickReport& r) {
        add(r.jumped);
        add(r.landed);
        add(r.touchdown.wheelsDown);
        add(r.touchdown.angleToVertical);
        add(r.touchdown.spin);
        add(r.touchdown.velocity);
        add(r.doubleJumped);
        add(r.dodged);
        add(r.ballTouched);
        add(r.goalScored);
    }
    void add(const Simulation& sim) {
        add(sim.world());
        if (sim.model() == FlightModel::Full) add(sim.full());
    }

  private:
    uint64_t hash_ = 0xcbf29ce484222325ull;
};

std::string hex(uint64_t v) {
    std::ostringstream out;
    out << "0x" << std::hex << v;
    return out.str();
}

// The hash of each run, by its name.
constexpr std::pair<std::string_view, uint64_t> kPinned[] = {
    {"free-v3.log", 0xb7f6da5e2da97dbdull},
    {"nose-on-ball seed 1", 0xcb9ac3f3bebc0d41ull},
    {"nose-on-ball seed 2", 0x49dc0fdb99649bbeull},
    {"nose-on-ball seed 3", 0xf9e76c1328f9d777ull},
    {"nose-on-ball seed 4", 0xf70dbdbe04d65dbbull},
    {"nose-on-ball seed 5", 0x317dc3c16b4e6790ull},
    {"nose-on-ball seed 7", 0x778767a3925f6d47ull},
    {"nose-on-ball seed 9", 0x3beb05ff953ccd85ull},
    {"recovery seed 1", 0x8f074d90eab99d81ull},
    {"recovery seed 2", 0xc85fecf0228818f8ull},
    {"recovery seed 3", 0x7daec34a026d3b60ull},
    {"recovery seed 4", 0xeaa5fbbcd1506498ull},
    {"recovery seed 5", 0xa8216d4d4659d8cbull},
    {"recovery seed 7", 0x5f635e06419ab930ull},
    {"recovery seed 9", 0xeeaf62769e11518aull},
    {"velocity-alignment seed 1", 0x2f8545ec647621efull},
    {"velocity-alignment seed 2", 0x29f77ecd9847b650ull},
    {"velocity-alignment seed 3", 0x33a4d3fc29a454e2ull},
    {"velocity-alignment seed 4", 0xc59b3741969cdbe1ull},
    {"velocity-alignment seed 5", 0xd22d9232dcc83e42ull},
    {"velocity-alignment seed 7", 0xfdf6554128e57781ull},
    {"velocity-alignment seed 9", 0x6739e9ec614f2769ull},
    {"velocity-braking seed 1", 0x1d6dae05aed5862eull},
    {"velocity-braking seed 2", 0x38090a1e998a6242ull},
    {"velocity-braking seed 3", 0x23877fa7b2105a71ull},
    {"velocity-braking seed 4", 0x6e789f2d7da4eacdull},
    {"velocity-braking seed 5", 0x549f6f847d04024bull},
    {"velocity-braking seed 7", 0x7bd285681dca10f1ull},
    {"velocity-braking seed 9", 0x97d4fbb101a197deull},
    {"target-attitude seed 1", 0x1d925aa4e8f36a84ull},
    {"target-attitude seed 2", 0x411c841c3059b9dbull},
    {"target-attitude seed 3", 0x90953ea22c9e2899ull},
    {"target-attitude seed 4", 0x3b728231a56aa1cfull},
    {"target-attitude seed 5", 0x3e22630221bd67aeull},
    {"target-attitude seed 7", 0x8c4f107fcf770b91ull},
    {"target-attitude seed 9", 0x714c5e4e5e5df600ull},
    {"aerial-touch seed 1", 0xcc85028ed5c87029ull},
    {"aerial-touch seed 2", 0xdad7ebee082b1ebdull},
    {"aerial-touch seed 3", 0x39f2d5c07bec7b69ull},
    {"aerial-touch seed 4", 0xfd911230dde7f5a7ull},
    {"aerial-touch seed 5", 0xa13d726ea80fa75aull},
    {"aerial-touch seed 7", 0x88bbcfe877eef244ull},
    {"aerial-touch seed 9", 0x47af20e3291c263dull},
    {"shot-on-goal seed 1", 0x52eab0d2057d880eull},
    {"shot-on-goal seed 2", 0xdf9ce6548e17302cull},
    {"shot-on-goal seed 3", 0xa5215e286f2ff5abull},
    {"shot-on-goal seed 4", 0x2c4bcd093fa85c4ull},
    {"shot-on-goal seed 5", 0xc501bdef3cfe21e8ull},
    {"shot-on-goal seed 7", 0xe99b08d1c4a0ad29ull},
    {"shot-on-goal seed 9", 0x30c7f276913d15bfull},
    {"fast-aerial seed 1", 0x636d65242496367bull},
    {"fast-aerial seed 2", 0x23798574749e85a2ull},
    {"fast-aerial seed 3", 0xba7270455d0684ceull},
    {"fast-aerial seed 4", 0x7823442b961094f0ull},
    {"fast-aerial seed 5", 0x636410e6689889e4ull},
    {"fast-aerial seed 7", 0x5af19e1d419d224bull},
    {"fast-aerial seed 9", 0xb81d02c2d8ea92f4ull},
    {"throttle, brake, coast", 0x35b040b206725808ull},
    {"boost run", 0xb6bdab82bebafe55ull},
    {"full-lock turn", 0x358eff2d1e7847bbull},
    {"powerslide", 0xef9877ac721ce87ull},
    {"double jump", 0x4f5c359328dcf46bull},
    {"late air jump", 0x78259faa8269f7cull},
    {"front dodge", 0x3acbde5602983321ull},
    {"back dodge", 0x46dd11dd50e5fdf4ull},
    {"side dodge", 0x37407a7b8192daf3ull},
    {"diagonal dodge", 0x9ea71546e97e47a1ull},
    {"dodge cancel", 0x814d12dc30058916ull},
    {"stall", 0x180cfc681501d7d3ull},
    {"jump and dodge into the ball", 0xd97e4cdc70825005ull},
    {"driving into a rolling ball", 0x35cf66df8024db9ull},
    {"ball driven into the goal", 0xb44045d64ce9c213ull},
    {"ball into the goal past a car on its roof", 0xd4e4885595cd1788ull},
    {"spinning bounce", 0x7c1979a6a3e3d30eull},
    {"off the post", 0x6727c87d662d932dull},
    {"off the crossbar", 0x15daf7e12ee83aeull},
    {"into the wall and the ceiling", 0xf4a255bd581a137ull},
    {"flying with jumps and dodges", 0x547aeb067fd1b430ull},
    {"random start 1", 0xd4df48ba5d51e536ull},
    {"random start 2", 0xb97dbed87167c628ull},
    {"random start 3", 0xa03dc812e14f08a2ull},
};

// Checks a run's hash against its pinned figure (on the pinned platform),
// and prints it, so that a deliberate change can copy the new ones.
void expectHash(const std::string& name, uint64_t got) {
    std::cout << "    {\"" << name << "\", " << hex(got) << "ull},\n";
    if (!kPinnedPlatform) return;
    for (const auto& [pinnedName, pinned] : kPinned) {
        if (pinnedName == name) {
            EXPECT_EQ(hex(got), hex(pinned)) << name;
            return;
        }
    }
    ADD_FAILURE() << "no pinned hash for " << name;
}

// ------------------------------------------------------- the fixture logs

uint64_t replayHash(const std::string& fileName) {
    std::ifstream in(std::string(TRIMSIGHT_SOURCE_DIR) + "/tests/sandbox/logs/" + fileName);
    std::stringstream text;
    text << in.rdbuf();
    const base::Result<FlightLog> log = parseFlightLog(text.str(), fileName);
    EXPECT_TRUE(log.ok()) << (log.ok() ? "" : log.error());
    if (!log.ok()) return 0;
    StateHash hash;
    FlightReplay replay(*log);
    hash.add(replay.simulation());
    while (!replay.finished()) {
        hash.add(replay.step());
        hash.add(replay.simulation());
    }
    return hash.value();
}

TEST(TickHash, FixtureLogsReplayToThePinnedStates) {
    for (const char* name : {"free-v3.log"}) expectHash(name, replayHash(name));
}

// ------------------------------------------------------------ the drills

constexpr int kMaxTicks = 30 * 120;

uint64_t flownHash(const DrillEntry& entry, uint64_t seed) {
    const auto drill = entry.make(entry.info, seed);
    Autopilot autopilot(*drill);
    Simulation sim = Simulation::full(drill->start().fullWorld(), drill->start().options);
    StateHash hash;
    hash.add(sim);
    for (int t = 0; t < kMaxTicks && !drill->finished(); ++t) {
        const CarControls controls = autopilot.controls(sim.world());
        const TickReport report = sim.step(controls);
        drill->update(sim.world(), controls, report);
        hash.add(report);
        hash.add(sim);
    }
    const DrillScore score = drill->score();
    for (const ScorePart& part : score.parts()) hash.add(part.value);
    return hash.value();
}

TEST(TickHash, EveryDrillFlownByTheAutopilotGivesThePinnedStates) {
    for (const DrillEntry& entry : drillTable())
        for (uint64_t seed : {1, 2, 3, 4, 5, 7, 9})
            expectHash(std::string(entry.info.name) + " seed " + std::to_string(seed),
                       flownHash(entry, seed));
}

// --------------------------------------------------- scripted full model

// Controls that change at given ticks: each entry holds from its tick on.
struct Script {
    std::vector<std::pair<int, CarControls>> changes;
    CarControls at(int tick) const {
        CarControls c{};
        for (const auto& [from, controls] : changes)
            if (tick >= from) c = controls;
        return c;
    }
};

CarControls drive(float throttle, float steer, bool boost = false, bool handbrake = false) {
    CarControls c{};
    c.throttle = throttle;
    c.steer = steer;
    c.boost = boost;
    c.handbrake = handbrake;
    return c;
}
CarControls stick(float pitch, float yaw, float roll, bool jump, bool boost = false) {
    CarControls c{};
    c.pitch = pitch;
    c.yaw = yaw;
    c.roll = roll;
    c.jump = jump;
    c.boost = boost;
    return c;
}

uint64_t scriptedHash(const mechanics::World& start, const mechanics::Options& options,
                      const Script& script, int ticks) {
    mechanics::World world = start;
    StateHash hash;
    hash.add(world);
    for (int t = 0; t < ticks; ++t) {
        hash.add(mechanics::step(world, script.at(t), options));
        hash.add(world);
    }
    return hash.value();
}

mechanics::World onFloor(Vec3 ball, Vec3 ballVelocity = {}, Vec3 ballSpin = {}) {
    mechanics::World w;
    w.car.location = {0.0f, 0.0f, mechanics::kCarRestHeight};
    w.ball.location = ball;
    w.ball.velocity = ballVelocity;
    w.ball.spin = ballSpin;
    return w;
}

// A jump, then an air jump or dodge with the stick held as given `delay`
// ticks after the first's release, then a cancel (the stick pulled back)
// when `cancel`; from a second of full throttle on the floor.
Script jumpThen(float pitch, float yaw, float roll, int delay, bool cancel = false) {
    Script s;
    s.changes = {{0, drive(1.0f, 0.0f)},
                 {60, stick(0.0f, 0.0f, 0.0f, true)},
                 {66, stick(0.0f, 0.0f, 0.0f, false)},
                 {66 + delay, stick(pitch, yaw, roll, true)},
                 {66 + delay + 2, stick(pitch, yaw, roll, false)}};
    if (cancel) s.changes.push_back({66 + delay + 10, stick(-pitch, 0.0f, 0.0f, false)});
    return s;
}

TEST(TickHash, ScriptedFullModelFlightsGiveThePinnedStates) {
    mechanics::Options box;
    mechanics::Options boxBoost;
    boxBoost.unlimitedBoost = true;
    const mechanics::World still = onFloor({3000.0f, 3000.0f, mechanics::kBallRadius});

    struct Case {
        std::string name;
        mechanics::World start;
        mechanics::Options options;
        Script script;
        int ticks;
    };
    std::vector<Case> cases;

    Script throttleRun;
    throttleRun.changes = {{0, drive(1.0f, 0.0f)}, {240, drive(-1.0f, 0.0f)}, {300, drive(0, 0)}};
    cases.push_back({"throttle, brake, coast", still, box, throttleRun, 480});

    Script boostRun;
    boostRun.changes = {{0, drive(1.0f, 0.0f, true)}, {200, drive(0.0f, 0.0f)}};
    cases.push_back({"boost run", still, boxBoost, boostRun, 360});

    Script turn;
    turn.changes = {{0, drive(1.0f, 0.0f)}, {60, drive(1.0f, 1.0f)}, {300, drive(0.5f, -1.0f)}};
    cases.push_back({"full-lock turn", still, box, turn, 480});

    Script slide;
    slide.changes = {{0, drive(1.0f, 0.0f, true)},
                     {90, drive(1.0f, 1.0f, false, true)},
                     {200, drive(1.0f, -0.5f, false, false)},
                     {260, drive(0.0f, 1.0f, false, true)}};
    cases.push_back({"powerslide", still, boxBoost, slide, 420});

    cases.push_back({"double jump", still, box, jumpThen(0, 0, 0, 20), 300});
    cases.push_back({"late air jump", still, box, jumpThen(0, 0, 0, 150), 360});
    cases.push_back({"front dodge", still, box, jumpThen(-1, 0, 0, 10), 300});
    cases.push_back({"back dodge", still, box, jumpThen(1, 0, 0, 10), 300});
    cases.push_back({"side dodge", still, box, jumpThen(0, 1, 0, 10), 300});
    cases.push_back({"diagonal dodge", still, box, jumpThen(-0.7f, -0.7f, 0.2f, 10), 300});
    cases.push_back({"dodge cancel", still, box, jumpThen(-1, 0, 0, 10, true), 300});
    cases.push_back({"stall", still, box, jumpThen(0, 0.6f, -0.6f, 10), 300});

    // Into a ball ahead: driving, then a jump and a dodge into it.
    Script shot;
    shot.changes = {{0, drive(1.0f, 0.0f, true)},
                    {70, stick(0.0f, 0.0f, 0.0f, true, true)},
                    {76, stick(0.0f, 0.0f, 0.0f, false, true)},
                    {84, stick(-1.0f, 0.0f, 0.0f, true)},
                    {86, stick(0.0f, 0.0f, 0.0f, false)}};
    cases.push_back({"jump and dodge into the ball",
                     onFloor({1400.0f, 30.0f, 160.0f}, {0.0f, 0.0f, 200.0f}), boxBoost, shot, 360});
    cases.push_back({"driving into a rolling ball",
                     onFloor({800.0f, 60.0f, mechanics::kBallRadius}, {-300.0f, 0.0f, 0.0f}), box,
                     throttleRun, 300});

    // Towards the +y goal: the car drives the ball in.
    mechanics::World goal = onFloor({0.0f, 4300.0f, mechanics::kBallRadius});
    goal.car.location = {0.0f, 3900.0f, mechanics::kCarRestHeight};
    goal.car.attitude = orientationFromRotator({0, 16384, 0});
    Script push;
    push.changes = {{0, drive(1.0f, 0.0f, true)}};
    cases.push_back({"ball driven into the goal", goal, boxBoost, push, 360});

    // The ball bouncing, sliding and rolling into the goal past a car on
    // its roof, which then rights itself (the benchmark's case).
    mechanics::World roof;
    roof.car.location = {-400.0f, 4300.0f, 41.0f};
    roof.car.attitude = orientationFromRotator({0, 16384, 32767});
    roof.ball.location = {30.0f, 3600.0f, 300.0f};
    roof.ball.velocity = {0.0f, 1500.0f, 0.0f};
    roof.ball.spin = {-4.0f, 0.0f, 1.0f};
    Script flipOver;
    flipOver.changes = {{0, CarControls{}},
                        {150, stick(0, 0, 0, true)},
                        {152, drive(1.0f, 0.0f)},
                        {300, stick(0, 0, 0, true)}};
    cases.push_back({"ball into the goal past a car on its roof", roof, box, flipOver, 480});

    // A spinning ball dropped onto the floor and a post, and off the
    // crossbar.
    cases.push_back({"spinning bounce",
                     onFloor({-2000.0f, 0.0f, 600.0f}, {500.0f, 0.0f, -300.0f}, {0.0f, 6.0f, 0.0f}),
                     box, Script{}, 360});
    cases.push_back({"off the post",
                     onFloor({-1200.0f, 4200.0f, 300.0f}, {300.0f, 1500.0f, 0.0f}, {1, 2, 3}), box,
                     Script{}, 360});
    cases.push_back({"off the crossbar", onFloor({0.0f, 4300.0f, 500.0f}, {0.0f, 1500.0f, 500.0f}),
                     box, Script{}, 360});

    // Boosting into the side wall and the ceiling, then falling back.
    mechanics::World high = onFloor({3000.0f, 3000.0f, 1500.0f}, {0, 0, 0}, {0, 0, 0});
    high.car.location = {3700.0f, 0.0f, 1500.0f};
    high.car.velocity = {600.0f, 0.0f, 900.0f};
    Script wall;
    wall.changes = {{0, stick(-0.5f, 0.3f, 0.0f, false, true)}, {120, stick(0, 0, 1, false)}};
    cases.push_back({"into the wall and the ceiling", high, boxBoost, wall, 480});

    // The benchmark's air flight: the stick cycle with jump presses.
    {
        const World legacy = randomStart(7);
        mechanics::World air;
        air.car.location = {legacy.car.location.x, legacy.car.location.y, 1200.0f};
        air.car.velocity = legacy.car.velocity;
        air.car.attitude = legacy.car.attitude;
        air.car.spin = legacy.car.spin;
        air.ball.location = air.car.location + Vec3{400.0f, 0.0f, 300.0f};
        air.ball.velocity = {-200.0f, 50.0f, 100.0f};
        air.ball.spin = {0.0f, 1.0f, 0.0f};
        Script cycle;
        for (int t = 0; t < 480; t += 15) {
            const float s = static_cast<float>((t / 15) % 5) * 0.5f - 1.0f;
            cycle.changes.push_back(
                {t, stick(s, -s * 0.5f, (t / 15) % 2 ? 1.0f : 0.0f, true, (t / 15) % 3 == 0)});
            cycle.changes.push_back({t + 2, stick(s, -s * 0.5f, 0.0f, false, true)});
        }
        cases.push_back({"flying with jumps and dodges", air, boxBoost, cycle, 480});
    }

    // Every legacy start in the full model, left alone and driven.
    for (uint64_t seed = 1; seed <= 3; ++seed) {
        cases.push_back({"random start " + std::to_string(seed), fullWorldFrom(randomStart(seed)),
                         box, turn, 600});
    }

    for (const Case& c : cases)
        expectHash(c.name, scriptedHash(c.start, c.options, c.script, c.ticks));
}

}  // namespace
