#include "sandbox/Drills.h"

#include <cmath>

#include "sandbox/Flight.h"
#include "sandbox/Starts.h"

namespace sandbox {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 6.28318531f;
constexpr float kRadiansPerDegree = kPi / 180.0f;

float radians(float degrees) { return degrees * kRadiansPerDegree; }
float degrees(float radians) { return radians / kRadiansPerDegree; }
float secondsOf(uint32_t ticks) { return static_cast<float>(ticks) / kTicksPerSecond; }
constexpr uint32_t ticksOf(int seconds) { return static_cast<uint32_t>(seconds * kTicksPerSecond); }

Vec3 unit(Vec3 v) { return v * (1.0f / length(v)); }

// The unit direction `towards` turned by `angle` about a random axis square
// to it: a nose that starts that far off its aim.
Vec3 turnedOff(Vec3 towards, float angle, SeededRandom& random) {
    Vec3 axis = cross(towards, randomDirection(random));
    if (length(axis) < 1e-3f) axis = cross(towards, Vec3{0.0f, 0.0f, 1.0f});
    if (length(axis) < 1e-3f) axis = Vec3{0.0f, 1.0f, 0.0f};
    axis = unit(axis);
    return unit(towards * std::cos(angle) + cross(axis, towards) * std::sin(angle));
}

// A car in the air at `location` with its nose `offAim` radians off `aim`,
// at a random roll, not spinning, with a full tank.
CarState carAimedOff(Vec3 location, Vec3 velocity, Vec3 aim, float offAim, SeededRandom& random) {
    CarState car;
    car.onGround = false;
    car.location = location;
    car.velocity = velocity;
    const Vec3 nose = turnedOff(unit(aim), offAim, random);
    car.attitude = orientationWithNose(nose, random.uniform(0.0f, kTwoPi));
    return car;
}

// `lo` to `hi` uu (or uu/s) along the floor at a random heading.
//
// Starts make one draw a statement: the order in which a call's arguments
// are worked out is not fixed, and a seed must give the same start whatever
// the compiler.
Vec3 randomAcross(SeededRandom& random, float lo, float hi) {
    const float distance = random.uniform(lo, hi);
    const float heading = random.uniform(0.0f, kTwoPi);
    return {distance * std::cos(heading), distance * std::sin(heading), 0.0f};
}

// Up to `maxAcross` uu/s along the floor and `upLo` to `upHi` upwards.
Vec3 randomVelocity(SeededRandom& random, float maxAcross, float upLo, float upHi) {
    Vec3 velocity = randomAcross(random, 0.0f, maxAcross);
    velocity.z = random.uniform(upLo, upHi);
    return velocity;
}

bool insideArena(Vec3 at, float margin) {
    return std::fabs(at.x) <= arena::kHalfWidth - margin &&
           std::fabs(at.y) <= arena::kHalfLength - margin;
}

// The ball at rest on the floor at the arena's centre: its velocity stays
// exactly zero, so the dial's relative velocity is the car's own.
BallState ballAtRest() { return {}; }

// Ticks inside a cone and the mean angle, for the drills that hold the nose
// on a direction.
struct ConeTally {
    uint32_t counted = 0;
    uint32_t inside = 0;
    double angleSum = 0.0;

    void add(float angle, bool isInside) {
        ++counted;
        inside += isInside ? 1u : 0u;
        angleSum += angle;
    }
    float meanDegrees() const {
        return counted == 0 ? 0.0f : degrees(static_cast<float>(angleSum / counted));
    }
};

// ------------------------------------------------------------ nose on ball

constexpr uint32_t kNoseOnBallTicks = ticksOf(10);

class NoseOnBallDrill final : public Drill {
  public:
    NoseOnBallDrill(const DrillInfo& info, uint64_t seed) : Drill(info, seed, startOf(seed)) {}

    DrillScore score() const override {
        DrillScore s;
        s.add("time_inside", "Time inside the cone", "s", secondsOf(tally_.inside));
        s.add("mean_off_nose", "Mean off-nose angle", "deg", tally_.meanDegrees());
        s.outcome = outcome();
        if (outcome() == DrillOutcome::Passed) s.verdict = "inside the cone half the time or more";
        if (outcome() == DrillOutcome::Failed)
            s.verdict = "inside the cone less than half the time";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport&) override {
        const Vec3 toBall = world.ball.location - world.car.location;
        const float angle =
            length(toBall) > 0.0f ? angleBetween(world.car.attitude.forward, toBall) : 0.0f;
        const bool inside = angle <= radians(kNoseConeDegrees);
        tally_.add(angle, inside);
        if (ticks() >= kNoseOnBallTicks)
            finish(tally_.inside * 2 >= kNoseOnBallTicks ? DrillOutcome::Passed
                                                         : DrillOutcome::Failed);
        return {angle, inside};
    }

  private:
    // The ball hangs 1100 to 1500 up, drifting at up to 150 uu/s; the car
    // 400 to 800 below it and 300 to 900 to the side, its nose 20 to 50
    // degrees off the ball. Boost is unlimited: hanging below the ball on
    // boost is the way to stay up for the ten seconds.
    static DrillStart startOf(uint64_t seed) {
        SeededRandom random(seed);
        DrillStart s;
        s.options.unlimitedBoost = true;
        s.options.ballFloats = true;
        BallState& ball = s.world.ball;
        ball.location = {random.uniform(-2000.0f, 2000.0f), random.uniform(-3000.0f, 3000.0f),
                         random.uniform(1100.0f, 1500.0f)};
        ball.velocity = randomAcross(random, 0.0f, 150.0f);
        const Vec3 side = randomAcross(random, 300.0f, 900.0f);
        const float below = random.uniform(400.0f, 800.0f);
        const Vec3 at = ball.location + side + Vec3{0.0f, 0.0f, -below};
        const Vec3 velocity = randomVelocity(random, 200.0f, 0.0f, 300.0f);
        const float offBall = radians(random.uniform(20.0f, 50.0f));
        s.world.car = carAimedOff(at, velocity, ball.location - at, offBall, random);
        return s;
    }

    ConeTally tally_;
};

// ---------------------------------------------------------------- recovery

constexpr uint32_t kRecoveryTicks = ticksOf(20);
// Draws of a start before one that needs the stick is taken as it is (a few
// in a hundred land clean left alone; a thousand in a row never happen).
constexpr int kMaxRecoveryDraws = 1000;

bool cleanLanding(const Touchdown& t) {
    return t.wheelsDown && t.angleToVertical < radians(kCleanLandingDegrees) &&
           t.spin < kCleanLandingSpin;
}

// Whether the car, left alone (no input at all), would land clean.
bool landsCleanLeftAlone(CarState car) {
    for (uint32_t t = 0; t < kRecoveryTicks; ++t) {
        const TickReport report = stepCar(car, {}, {});
        if (report.landed) return cleanLanding(report.touchdown);
    }
    return false;
}

class RecoveryDrill final : public Drill {
  public:
    RecoveryDrill(const DrillInfo& info, uint64_t seed) : Drill(info, seed, startOf(seed)) {}

    DrillScore score() const override {
        DrillScore s;
        s.outcome = outcome();
        s.add("time_to_touchdown", "Time to touchdown", "s", secondsOf(touchdownTick_));
        if (!landed_) {
            if (finished()) s.verdict = "no touchdown within 20 s";
            return s;
        }
        s.add("landing_angle", "Landing angle", "deg", degrees(touchdown_.angleToVertical));
        s.add("landing_spin", "Spin at touchdown", "rad/s", touchdown_.spin);
        const bool level =
            touchdown_.wheelsDown && touchdown_.angleToVertical < radians(kCleanLandingDegrees);
        const bool still = touchdown_.spin < kCleanLandingSpin;
        s.verdict = level && still ? "clean landing"
                    : still        ? "landed at 20 degrees or more"
                    : level        ? "landed spinning at 1 rad/s or more"
                                   : "landed at 20 degrees or more, and spinning";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport& report) override {
        if (report.landed) {
            landed_ = true;
            touchdown_ = report.touchdown;
            touchdownTick_ = ticks();
            finish(cleanLanding(touchdown_) ? DrillOutcome::Passed : DrillOutcome::Failed);
            const float angle = touchdown_.angleToVertical;
            return {angle, angle < radians(kCleanLandingDegrees)};
        }
        touchdownTick_ = ticks();
        if (ticks() >= kRecoveryTicks) finish(DrillOutcome::Failed);
        const float angle = angleToVertical(world.car.attitude);
        return {angle, angle < radians(kCleanLandingDegrees)};
    }

  private:
    // High up (1200 to 1700), drifting, at least 60 degrees from wheels-down
    // and spinning at 2 to 4.5 rad/s. A start from which the car would land
    // clean with no input at all is drawn again, so the drill always needs
    // the stick.
    static DrillStart startOf(uint64_t seed) {
        SeededRandom random(seed);
        DrillStart s;
        s.world.ball = ballAtRest();
        CarState& car = s.world.car;
        car.onGround = false;
        for (int draw = 0; draw < kMaxRecoveryDraws; ++draw) {
            car.location = {random.uniform(-2500.0f, 2500.0f), random.uniform(-3500.0f, 3500.0f),
                            random.uniform(1200.0f, 1700.0f)};
            car.velocity = randomVelocity(random, 600.0f, -200.0f, 300.0f);
            do {
                car.attitude = randomAttitude(random);
            } while (angleToVertical(car.attitude) < radians(60.0f));
            const Vec3 axis = randomDirection(random);
            car.spin = axis * random.uniform(2.0f, 4.5f);
            if (!landsCleanLeftAlone(car)) break;
        }
        return s;
    }

    bool landed_ = false;
    Touchdown touchdown_{};
    uint32_t touchdownTick_ = 0;
};

// ------------------------------------------------------ velocity alignment

constexpr uint32_t kVelocityTicks = ticksOf(10);
// Below this relative speed the dial hides its velocity cue; the nose counts
// as off it.
constexpr float kVelocityCueSpeed = 10.0f;

class VelocityDrill final : public Drill {
  public:
    VelocityDrill(const DrillInfo& info, uint64_t seed)
        : Drill(info, seed, startOf(seed, info.goal == DrillGoal::NoseAgainstVelocity)),
          against_(info.goal == DrillGoal::NoseAgainstVelocity) {}

    DrillScore score() const override {
        DrillScore s;
        s.outcome = outcome();
        s.add("share_inside", "Share of the flight inside the cone", "%", sharePercent());
        s.add("time_inside", "Time inside the cone", "s", secondsOf(tally_.inside));
        s.add("mean_off_velocity",
              against_ ? "Mean angle off the reverse velocity" : "Mean angle off the velocity",
              "deg", tally_.meanDegrees());
        s.add("flight_time", "Time in the air", "s", secondsOf(tally_.counted));
        if (outcome() == DrillOutcome::Passed)
            s.verdict = "inside the cone half the flight or more";
        if (outcome() == DrillOutcome::Failed)
            s.verdict = "inside the cone less than half the flight";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport& report) override {
        if (report.landed) {  // the car now rests on the floor: the flight is over
            finishByShare();
            return {sample().error, sample().inside};
        }
        const Vec3 relative = world.car.velocity - world.ball.velocity;
        const float angle =
            length(relative) < kVelocityCueSpeed
                ? kPi
                : angleBetween(world.car.attitude.forward, against_ ? -relative : relative);
        const bool inside = angle <= radians(kNoseConeDegrees);
        tally_.add(angle, inside);
        if (ticks() >= kVelocityTicks) finishByShare();
        return {angle, inside};
    }

  private:
    float sharePercent() const {
        return tally_.counted == 0 ? 0.0f
                                   : 100.0f * static_cast<float>(tally_.inside) /
                                         static_cast<float>(tally_.counted);
    }
    void finishByShare() {
        finish(tally_.inside * 2 >= tally_.counted && tally_.counted > 0 ? DrillOutcome::Passed
                                                                         : DrillOutcome::Failed);
    }

    // 1000 to 1400 up, climbing at 300 to 600 uu/s and moving 900 to 1400
    // uu/s roughly towards the middle of the arena, so that the flight (two
    // and a half to three and a half seconds) stays clear of the walls unless
    // the car boosts; the nose 30 to 90 degrees off the direction to hold.
    // The ball rests on the floor.
    static DrillStart startOf(uint64_t seed, bool against) {
        SeededRandom random(seed);
        DrillStart s;
        s.world.ball = ballAtRest();
        const Vec3 at{random.uniform(-1500.0f, 1500.0f), random.uniform(-2500.0f, 2500.0f),
                      random.uniform(1000.0f, 1400.0f)};
        const float heading = std::atan2(-at.y, -at.x) + random.uniform(-0.3f, 0.3f);
        const float speed = random.uniform(900.0f, 1400.0f);
        const Vec3 velocity{speed * std::cos(heading), speed * std::sin(heading),
                            random.uniform(300.0f, 600.0f)};
        const float offAim = radians(random.uniform(30.0f, 90.0f));
        s.world.car = carAimedOff(at, velocity, against ? -velocity : velocity, offAim, random);
        return s;
    }

    bool against_;
    ConeTally tally_;
};

// --------------------------------------------------------- target attitude

constexpr uint32_t kHoldTicks = kTicksPerSecond / 2;
constexpr uint32_t kTargetAttitudeTicks = ticksOf(10);

class TargetAttitudeDrill final : public Drill {
  public:
    TargetAttitudeDrill(const DrillInfo& info, uint64_t seed)
        : TargetAttitudeDrill(info, seed, setUp(seed)) {}

    std::optional<Orientation> targetAttitude() const override { return target_; }

    DrillScore score() const override {
        DrillScore s;
        s.outcome = outcome();
        if (outcome() == DrillOutcome::Passed) {
            s.add("time_to_hold", "Time to hold", "s", secondsOf(heldAtTick_));
            s.add("hold_error", "Mean error while holding", "deg",
                  degrees(static_cast<float>(holdErrorSum_ / kHoldTicks)));
            s.verdict = "held";
        }
        s.add("smallest_error", "Smallest error", "deg", degrees(smallestError_));
        if (outcome() == DrillOutcome::Failed)
            s.verdict = landed_ ? "touched down before holding it" : "not held within 10 s";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport& report) override {
        if (report.landed) {
            landed_ = true;
            finish(DrillOutcome::Failed);
            return {sample().error, false};
        }
        const float error = length(turnBetween(world.car.attitude, target_));
        const bool inside = error <= radians(kAttitudeToleranceDegrees);
        if (error < smallestError_) smallestError_ = error;
        holdTicks_ = inside ? holdTicks_ + 1 : 0;
        holdErrorSum_ = inside ? holdErrorSum_ + error : 0.0;
        if (holdTicks_ >= kHoldTicks) {
            heldAtTick_ = ticks();
            finish(DrillOutcome::Passed);
        } else if (ticks() >= kTargetAttitudeTicks) {
            finish(DrillOutcome::Failed);
        }
        return {error, inside};
    }

  private:
    struct SetUp {
        DrillStart start;
        Orientation target;
    };
    TargetAttitudeDrill(const DrillInfo& info, uint64_t seed, const SetUp& setUp)
        : Drill(info, seed, setUp.start), target_(setUp.target) {}

    // 800 to 1000 up and climbing at 900 to 1000 uu/s (three and a half
    // seconds or more in the air), at rest at a random attitude; the target
    // another random attitude at least 45 degrees from it.
    static SetUp setUp(uint64_t seed) {
        SeededRandom random(seed);
        SetUp up;
        DrillStart& s = up.start;
        Orientation& target = up.target;
        s.world.ball = ballAtRest();
        CarState& car = s.world.car;
        car.onGround = false;
        car.location = {random.uniform(-2500.0f, 2500.0f), random.uniform(-3500.0f, 3500.0f),
                        random.uniform(800.0f, 1000.0f)};
        car.velocity = randomVelocity(random, 300.0f, 900.0f, 1000.0f);
        car.attitude = randomAttitude(random);
        do {
            target = randomAttitude(random);
        } while (length(turnBetween(car.attitude, target)) < radians(45.0f));
        return up;
    }

    Orientation target_;
    bool landed_ = false;
    uint32_t holdTicks_ = 0;
    double holdErrorSum_ = 0.0;
    uint32_t heldAtTick_ = 0;
    float smallestError_ = kPi;
};

// ------------------------------------------------------------ aerial touch

constexpr uint32_t kAerialTouchTicks = ticksOf(10);
// How long the ball's flight is watched after the touch.
constexpr uint32_t kAfterTouchTicks = ticksOf(3);
// How far ahead the ball's course is followed to see whether it reaches a
// goal.
constexpr int kGoalLookAheadTicks = 4 * kTicksPerSecond;

// The middle of the goal in the end wall at y = side * 5120.
Vec3 goalCentre(float side) {
    return {0.0f, side * arena::kHalfLength, mechanics::kGoalHeight * 0.5f};
}

// Whether a ball, left alone, goes through the opening of the goal at
// y = side * 5120 within the look-ahead: followed by the legacy model's
// ball, whose bounces off the floor and walls are near enough for a guess.
bool reachesGoal(BallState ball, float side) {
    const float r = model::kBallRadius;
    for (int k = 0; k < kGoalLookAheadTicks; ++k) {
        stepBall(ball);
        if (side * ball.location.y >= arena::kHalfLength - r - 1.0f)
            return std::fabs(ball.location.x) <= mechanics::kGoalHalfWidth - r &&
                   ball.location.z <= mechanics::kGoalHeight - r;
    }
    return false;
}

// The ball's horizontal course against the direction to a goal's middle,
// in radians.
float angleOffGoal(const BallState& ball, float side) {
    const Vec3 course{ball.velocity.x, ball.velocity.y, 0.0f};
    Vec3 toGoal = goalCentre(side) - ball.location;
    toGoal.z = 0.0f;
    return length(course) > 0.0f && length(toGoal) > 0.0f ? angleBetween(course, toGoal) : kPi;
}

// Down on the floor after falling (its bounce has already turned it
// upwards, or stopped it).
bool ballLanding(const BallState& ball, float lastRise) {
    return ball.location.z <= model::kBallRadius + 2.0f && lastRise < 0.0f;
}

class AerialTouchDrill final : public Drill {
  public:
    AerialTouchDrill(const DrillInfo& info, uint64_t seed)
        : Drill(info, seed, startOf(seed)),
          startBoost_(start().world.car.boost),
          lastBallRise_(start().world.ball.velocity.z),
          farGoal_(start().world.ball.location.y >= start().world.car.location.y ? 1.0f : -1.0f) {}

    DrillScore score() const override {
        DrillScore s;
        s.outcome = outcome();
        if (touched_) {
            s.add("time_to_touch", "Time to touch", "s", secondsOf(touchTick_));
            if (separated_) {
                s.add("ball_speed", "Ball speed after the hit", "uu/s", ballSpeed_);
                s.add("off_goal", "Ball's course off the far goal", "deg", degrees(offGoal_));
            }
            s.verdict = scored_    ? "touched, and the ball went in"
                        : reaches_ ? "touched: the ball would reach the far goal"
                                   : "touched: the ball goes wide of the far goal";
        }
        s.add("boost_used", "Boost used", "", boostUsed_);
        if (outcome() == DrillOutcome::Failed)
            s.verdict =
                ballLanded_ ? "missed: the ball landed first" : "missed: not touched in 10 s";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport& report) override {
        const CarState& car = world.car;
        const BallState& ball = world.ball;
        boostUsed_ = startBoost_ - car.boost;
        const Vec3 toBall = ball.location - car.location;
        const float angle =
            length(toBall) > 0.0f ? angleBetween(car.attitude.forward, toBall) : 0.0f;
        const bool touching =
            report.ballTouched || distanceToCarBox(car, ball.location) <= model::kBallRadius;
        const bool landing = ballLanding(ball, lastBallRise_);
        lastBallRise_ = ball.velocity.z;
        if (!touched_) {
            if (touching) {
                touched_ = true;
                touchTick_ = ticks();
            } else if (landing || ticks() >= kAerialTouchTicks) {
                ballLanded_ = landing;
                finish(DrillOutcome::Failed);
            }
            return {angle, touching};
        }
        // After the touch: the ball's course once it has left the car.
        if (!separated_ && (!touching || ticks() - touchTick_ >= kAfterTouchTicks)) {
            separated_ = true;
            ballSpeed_ = length(ball.velocity);
            offGoal_ = angleOffGoal(ball, farGoal_);
            reaches_ = reachesGoal(ball, farGoal_);
        }
        if (report.goalScored != 0) scored_ = report.goalScored == static_cast<int8_t>(farGoal_);
        if (report.goalScored != 0 || (separated_ && landing) ||
            ticks() - touchTick_ >= kAfterTouchTicks)
            finish(DrillOutcome::Passed);
        return {angle, touching};
    }

  private:
    // The car on its wheels with a full tank; the ball 1800 to 2600 ahead
    // (within 30 degrees of the nose), thrown up at 1000 to 1250 uu/s from
    // 150 to 300 up and drifting up to 250 uu/s: it lands after about three
    // and a half seconds.
    static DrillStart startOf(uint64_t seed) {
        SeededRandom random(seed);
        DrillStart s;
        float x = 0.0f, y = 0.0f, heading = 0.0f;
        Vec3 ballAt{};
        do {
            x = random.uniform(-2000.0f, 2000.0f);
            y = random.uniform(-3000.0f, 3000.0f);
            heading = random.uniform(0.0f, kTwoPi);
            const float distance = random.uniform(1800.0f, 2600.0f);
            const float bearing = heading + random.uniform(-0.5f, 0.5f);
            ballAt = {x + distance * std::cos(bearing), y + distance * std::sin(bearing),
                      random.uniform(150.0f, 300.0f)};
        } while (!insideArena(ballAt, 600.0f));
        s.world.car = restingCar(x, y, heading);
        s.world.ball.location = ballAt;
        s.world.ball.velocity = randomVelocity(random, 250.0f, 1000.0f, 1250.0f);
        return s;
    }

    float startBoost_;
    float lastBallRise_;
    float farGoal_;  // +1: the goal at +y, -1 at -y (the one beyond the ball)
    float boostUsed_ = 0.0f;
    bool ballLanded_ = false;
    bool touched_ = false;
    uint32_t touchTick_ = 0;
    bool separated_ = false;
    float ballSpeed_ = 0.0f;
    float offGoal_ = 0.0f;
    bool reaches_ = false;
    bool scored_ = false;
};

// ------------------------------------------------------------ shot on goal

constexpr uint32_t kShotTicks = ticksOf(12);

class ShotOnGoalDrill final : public Drill {
  public:
    ShotOnGoalDrill(const DrillInfo& info, uint64_t seed)
        : Drill(info, seed, startOf(seed)), startBoost_(start().world.car.boost) {}

    DrillScore score() const override {
        DrillScore s;
        s.outcome = outcome();
        if (outcome() == DrillOutcome::Passed) {
            s.add("time_to_goal", "Time to goal", "s", secondsOf(ticks()));
            s.verdict = "goal";
        }
        s.add("touches", "Touches", "", static_cast<float>(touches_));
        if (touches_ > 0)
            s.add("shot_speed", "Ball speed after the last touch", "uu/s", shotSpeed_);
        s.add("boost_used", "Boost used", "", boostUsed_);
        if (outcome() == DrillOutcome::Failed)
            s.verdict = ownGoal_ ? "the ball went into your own goal" : "no goal within 12 s";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport& report) override {
        const BallState& ball = world.ball;
        boostUsed_ = startBoost_ - world.car.boost;
        if (report.ballTouched) {
            if (!touching_) ++touches_;
            shotSpeed_ = length(ball.velocity);
        }
        touching_ = report.ballTouched;
        if (report.goalScored > 0) finish(DrillOutcome::Passed);
        if (report.goalScored < 0) {
            ownGoal_ = true;
            finish(DrillOutcome::Failed);
        }
        if (!finished() && ticks() >= kShotTicks) finish(DrillOutcome::Failed);
        const float off = angleOffGoal(ball, 1.0f);
        return {off, off <= radians(kNoseConeDegrees)};
    }

  private:
    // The car on its wheels in the half at -y, facing the goal at +y give or
    // take 17 degrees, with a full tank; the ball 1200 to 2200 ahead, within
    // 23 degrees of the nose. Half the seeds roll it along the floor at 100
    // to 500 uu/s (spinning as it rolls), the others drop it bouncing from
    // 200 to 450 up, drifting up to 300 uu/s.
    static DrillStart startOf(uint64_t seed) {
        SeededRandom random(seed);
        DrillStart s;
        float x = 0.0f, y = 0.0f, heading = 0.0f;
        Vec3 ballAt{};
        do {
            x = random.uniform(-2500.0f, 2500.0f);
            y = random.uniform(-3500.0f, -1500.0f);
            const Vec3 toGoal = goalCentre(1.0f) - Vec3{x, y, 0.0f};
            heading = std::atan2(toGoal.y, toGoal.x) + random.uniform(-0.3f, 0.3f);
            const float distance = random.uniform(1200.0f, 2200.0f);
            const float bearing = heading + random.uniform(-0.4f, 0.4f);
            ballAt = {x + distance * std::cos(bearing), y + distance * std::sin(bearing), 0.0f};
        } while (!insideArena(ballAt, 800.0f));
        s.world.car = restingCar(x, y, heading);
        BallState& ball = s.world.ball;
        const bool rolling = random.uniform(0.0f, 1.0f) < 0.5f;
        if (rolling) {
            ball.location = {ballAt.x, ballAt.y, model::kBallRadius};
            ball.velocity = randomAcross(random, 100.0f, 500.0f);
            // Rolling without slipping: the spin that keeps the point on the
            // floor still.
            s.ballSpin = cross(Vec3{0.0f, 0.0f, 1.0f}, ball.velocity) * (1.0f / model::kBallRadius);
        } else {
            const float height = random.uniform(200.0f, 450.0f);
            ball.location = {ballAt.x, ballAt.y, height};
            ball.velocity = randomAcross(random, 0.0f, 300.0f);
        }
        return s;
    }

    float startBoost_;
    float boostUsed_ = 0.0f;
    uint32_t touches_ = 0;
    bool touching_ = false;
    float shotSpeed_ = 0.0f;
    bool ownGoal_ = false;
};

// ------------------------------------------------------------- fast aerial

constexpr uint32_t kFastAerialTicks = ticksOf(6);

// The nose's angle above the floor's plane, radians.
float nosePitch(const Orientation& attitude) {
    const float up = attitude.forward.z;
    return std::asin(up < -1.0f ? -1.0f : (up > 1.0f ? 1.0f : up));
}

class FastAerialDrill final : public Drill {
  public:
    FastAerialDrill(const DrillInfo& info, uint64_t seed) : Drill(info, seed, startOf(seed)) {}

    DrillScore score() const override {
        DrillScore s;
        s.outcome = outcome();
        if (touched_) {
            s.add("time_to_touch", "Time to touch", "s", secondsOf(touchTick_));
            s.add("touch_height", "Height of the touch", "uu", touchHeight_);
            s.verdict = "touched";
        }
        if (jumpTick_ > 0) {
            s.add("first_jump_held", "First jump held", "s", secondsOf(heldTicks_));
            if (jumpEndTick_ > 0 && secondJumpTick_ > 0)
                s.add("second_jump_delay", "First jump's end to the second jump", "s",
                      secondsOf(secondJumpTick_ - jumpEndTick_));
            s.add("boost_from_jump", "Boost from the jump's first tick", "",
                  boostFromJump_ ? 1.0f : 0.0f);
            if (jumpEndTick_ > 0)
                s.add("jump_pitch", "Nose pitch as the first jump ends", "deg",
                      degrees(jumpPitch_));
        }
        if (outcome() == DrillOutcome::Failed)
            s.verdict = jumpTick_ == 0 ? "missed: no jump"
                        : dodged_      ? "missed: a dodge, not a double jump"
                        : landed_      ? "missed: landed without a touch"
                                       : "missed: not touched in 6 s";
        return s;
    }

  protected:
    Measure measure(const World& world, const TickReport& report) override {
        const CarState& car = world.car;
        const BallState& ball = world.ball;
        measureJumps(car, report);
        const Vec3 toBall = ball.location - car.location;
        const float angle =
            length(toBall) > 0.0f ? angleBetween(car.attitude.forward, toBall) : 0.0f;
        const bool touching =
            report.ballTouched || distanceToCarBox(car, ball.location) <= model::kBallRadius;
        if (touching) {
            touched_ = true;
            touchTick_ = ticks();
            touchHeight_ = ball.location.z;
            finish(DrillOutcome::Passed);
        } else if ((report.landed && jumpTick_ > 0) || ticks() >= kFastAerialTicks) {
            landed_ = report.landed;
            finish(DrillOutcome::Failed);
        }
        return {angle, touching};
    }

  private:
    // The parts players time, from the controls and the car's jump state.
    void measureJumps(const CarState& car, const TickReport& report) {
        const bool jump = controls().jump;
        if (jumpTick_ == 0 && report.jumped) {
            jumpTick_ = ticks();
            boostFromJump_ = controls().boost;
            holding_ = true;
        }
        if (jumpTick_ == 0) return;
        if (holding_ && jump)
            ++heldTicks_;
        else
            holding_ = false;
        if (jumpEndTick_ == 0 && !car.jumping) {
            jumpEndTick_ = ticks();
            jumpPitch_ = nosePitch(car.attitude);
        }
        if (secondJumpTick_ == 0 && (report.doubleJumped || report.dodged)) {
            secondJumpTick_ = ticks();
            dodged_ = report.dodged;
        }
    }

    // The car on its wheels with a full tank; the ball floating still, 1000
    // to 1300 up and 500 to 900 ahead (within 10 degrees of the nose): too
    // high for one jump and boost to reach quickly, so the second jump
    // counts.
    static DrillStart startOf(uint64_t seed) {
        SeededRandom random(seed);
        DrillStart s;
        s.options.ballFloats = true;
        float x = 0.0f, y = 0.0f, heading = 0.0f;
        Vec3 ballAt{};
        do {
            x = random.uniform(-2500.0f, 2500.0f);
            y = random.uniform(-3500.0f, 3500.0f);
            heading = random.uniform(0.0f, kTwoPi);
            const float distance = random.uniform(500.0f, 900.0f);
            const float bearing = heading + random.uniform(-0.17f, 0.17f);
            ballAt = {x + distance * std::cos(bearing), y + distance * std::sin(bearing),
                      random.uniform(1000.0f, 1300.0f)};
        } while (!insideArena(ballAt, 800.0f));
        s.world.car = restingCar(x, y, heading);
        s.world.ball.location = ballAt;
        return s;
    }

    uint32_t jumpTick_ = 0;  // 0: not jumped yet (tick numbers start at 1)
    bool holding_ = false;
    uint32_t heldTicks_ = 0;
    uint32_t jumpEndTick_ = 0;
    float jumpPitch_ = 0.0f;
    uint32_t secondJumpTick_ = 0;
    bool dodged_ = false;
    bool boostFromJump_ = false;
    bool touched_ = false;
    uint32_t touchTick_ = 0;
    float touchHeight_ = 0.0f;
    bool landed_ = false;
};

// ------------------------------------------------------------------- table

template <typename D>
std::unique_ptr<Drill> make(const DrillInfo& info, uint64_t seed) {
    return std::make_unique<D>(info, seed);
}

const DrillEntry kDrills[] = {
    {{"nose-on-ball",
      "The ball hangs in the air, drifting slowly. Keep your nose within 5 degrees of it for "
      "10 seconds; boost is unlimited, so hang below it on boost.",
      render::TargetOption::Ball,
      "off-nose angle",
      "time_inside",
      Better::Higher,
      DrillGoal::NoseOnBall,
      {"time_inside", "mean_off_nose"}},
     make<NoseOnBallDrill>},
    {{"recovery",
      "High in the air, upside down or on your side and spinning. Land on your wheels: clean "
      "is under 20 degrees and under 1 rad/s of spin.",
      render::TargetOption::Down,
      "angle to wheels-down",
      "landing_angle",
      Better::Lower,
      DrillGoal::LandWheelsDown,
      {"time_to_touchdown", "landing_angle", "landing_spin"}},
     make<RecoveryDrill>},
    {{"velocity-alignment",
      "Flying fast, nose off your direction of flight. Keep the nose within 5 degrees of your "
      "velocity until you touch down.",
      render::TargetOption::Velocity,
      "off-velocity angle",
      "share_inside",
      Better::Higher,
      DrillGoal::NoseAlongVelocity,
      {"share_inside", "time_inside", "mean_off_velocity", "flight_time"}},
     make<VelocityDrill>},
    {{"velocity-braking",
      "Flying fast: turn the nose against your velocity, as to brake with boost, and keep it "
      "within 5 degrees of that until you touch down.",
      render::TargetOption::VelocityOpposite,
      "off-reverse-velocity angle",
      "share_inside",
      Better::Higher,
      DrillGoal::NoseAgainstVelocity,
      {"share_inside", "time_inside", "mean_off_velocity", "flight_time"}},
     make<VelocityDrill>},
    {{"target-attitude",
      "Turn the car to the ghost car's attitude, within 10 degrees, and hold it for half a "
      "second before you land.",
      std::nullopt,
      "attitude error",
      "time_to_hold",
      Better::Lower,
      DrillGoal::HoldAttitude,
      {"time_to_hold", "hold_error", "smallest_error"}},
     make<TargetAttitudeDrill>},
    {{"aerial-touch",
      "The ball is thrown up ahead of you. Jump, boost and touch it before it lands; then "
      "where it goes counts: its speed and its course against the far goal.",
      render::TargetOption::Ball,
      "off-nose angle",
      "time_to_touch",
      Better::Lower,
      DrillGoal::TouchBall,
      {"time_to_touch", "ball_speed", "off_goal", "boost_used"}},
     make<AerialTouchDrill>},
    {{"shot-on-goal",
      "The ball rolls or bounces ahead of you. Drive, jump and hit it into the far goal "
      "within 12 seconds.",
      render::TargetOption::Ball,
      "ball's course off the goal",
      "time_to_goal",
      Better::Lower,
      DrillGoal::ShootAtGoal,
      {"time_to_goal", "touches", "shot_speed", "boost_used"}},
     make<ShotOnGoalDrill>},
    {{"fast-aerial",
      "The ball hangs high ahead of you. Jump (hold it the full 0.2 s), tilt back, jump "
      "again as the first jump ends and boost all the way: touch it as soon as you can.",
      render::TargetOption::Ball,
      "off-nose angle",
      "time_to_touch",
      Better::Lower,
      DrillGoal::FastAerial,
      {"time_to_touch", "touch_height", "first_jump_held", "second_jump_delay", "boost_from_jump",
       "jump_pitch"}},
     make<FastAerialDrill>},
};

}  // namespace

mechanics::World DrillStart::fullWorld() const {
    mechanics::World w = fullWorldFrom(world);
    w.ball.spin = ballSpin;
    return w;
}

std::optional<float> DrillScore::value(std::string_view key) const {
    for (const ScorePart& p : parts())
        if (p.key == key) return p.value;
    return std::nullopt;
}

void DrillScore::add(std::string_view key, std::string_view label, std::string_view unit,
                     float value) {
    if (count_ < store_.size()) store_[count_++] = {key, label, unit, value};
}

void Drill::update(const World& world, const CarControls& controls, const TickReport& report) {
    if (finished()) return;
    ++ticks_;
    controls_ = controls;
    const Measure m = measure(world, report);
    sample_ = {secondsOf(ticks_), m.error, m.inside, controls.pitch, controls.yaw, controls.roll};
}

std::span<const DrillEntry> drillTable() { return kDrills; }

std::span<const std::string_view> scorePartKeys(const DrillInfo& info) {
    std::size_t count = 0;
    while (count < info.partKeys.size() && !info.partKeys[count].empty()) ++count;
    return {info.partKeys.data(), count};
}

const DrillEntry* findDrill(std::string_view name) {
    for (const DrillEntry& entry : kDrills)
        if (entry.info.name == name) return &entry;
    return nullptr;
}

std::unique_ptr<Drill> makeDrill(std::string_view name, uint64_t seed) {
    const DrillEntry* entry = findDrill(name);
    return entry ? entry->make(entry->info, seed) : nullptr;
}

}  // namespace sandbox
