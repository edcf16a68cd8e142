// Drills in the session core, without a window: an attempt's countdown, log
// and end; the dial's cue set for the attempt and set back; again, next seed
// and free flight; the ghost cars; and the book of best attempts.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fly/FlySession.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "sandbox/AttemptBook.h"
#include "sandbox/Levels.h"
#include "testkit/LoadPlugin.h"
#include "testkit/TestFlights.h"

namespace {

using namespace fly;

constexpr int64_t kSixtieth = 16666667;  // ns: a 60 Hz frame of two ticks
constexpr int kCountdownFrames = kCountdownTicks / 2;
// More frames than any attempt takes with its countdown (recovery's 20 s).
constexpr int kMaxFrames = 25 * 60;

const sandbox::DrillEntry& drillNamed(std::string_view name) {
    const sandbox::DrillEntry* entry = sandbox::findDrill(name);
    EXPECT_NE(entry, nullptr) << name;
    return *entry;
}

class Drills : public ::testing::Test {
  protected:
    void SetUp() override { plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, cvars, game); }

    std::unique_ptr<FlySession> session(std::string_view drill, uint64_t seed, bool autopilot,
                                        SessionOptions options = {}) {
        options.drill = &drillNamed(drill);
        options.seed = seed;
        options.autopilot = autopilot;
        return std::make_unique<FlySession>(cvars, game, options);
    }
    std::string target() const { return cvars.find("trimsight_target")->text(); }

    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
};

void frames(FlySession& s, int n) {
    for (int i = 0; i < n; ++i) s.advance(kSixtieth, FrameInput{});
}

// Frames until the attempt has finished; false if it never does.
bool flyToEnd(FlySession& s) {
    for (int i = 0; i < kMaxFrames; ++i) {
        if (s.attempt()->finished()) return true;
        s.advance(kSixtieth, FrameInput{});
    }
    return s.attempt()->finished();
}

TEST_F(Drills, AnAttemptCountsDownWithTheWorldStillLogsOnlyItsOwnTicksAndHoldsStillAtItsEnd) {
    const auto s = session("nose-on-ball", 4, true);
    const sandbox::DrillStart& start = s->attempt()->drill().start();
    // The log opens at the drill's start with its physics options.
    EXPECT_TRUE(s->log().start == start.world);
    EXPECT_TRUE(s->log().options.ballFloats);
    EXPECT_TRUE(s->log().options.unlimitedBoost);

    // Three seconds of countdown (360 ticks, 180 frames): nothing moves.
    frames(*s, kCountdownFrames - 1);
    EXPECT_EQ(s->attempt()->phase(), AttemptPhase::Countdown);
    EXPECT_EQ(s->attempt()->countdownTicks(), 2);
    EXPECT_TRUE(s->world() == start.world);
    EXPECT_EQ(s->log().ticks.size(), 0u);
    frames(*s, 1);
    EXPECT_EQ(s->attempt()->phase(), AttemptPhase::Running);
    EXPECT_TRUE(s->world() == start.world);
    frames(*s, 1);
    EXPECT_EQ(s->log().ticks.size(), 2u);
    EXPECT_FALSE(s->world() == start.world);

    // Ten seconds of attempt, every tick of it in the log, which replays to
    // the world where the attempt ended.
    ASSERT_TRUE(flyToEnd(*s));
    EXPECT_EQ(s->attemptsFinished(), 1u);
    EXPECT_EQ(s->attempt()->drill().ticks(), 1200u);
    ASSERT_EQ(s->log().ticks.size(), 1200u);
    EXPECT_EQ(s->attempt()->plot().size(), 1200u);
    sandbox::FlightReplay replay(s->log());
    while (!replay.finished()) replay.step();
    EXPECT_TRUE(replay.world() == s->world());

    const sandbox::World end = s->world();
    frames(*s, 30);
    EXPECT_TRUE(s->world() == end);
    EXPECT_EQ(s->log().ticks.size(), 1200u);
    EXPECT_EQ(s->attemptsFinished(), 1u);
}

TEST_F(Drills, TheDialsCueOpensTheAttemptsLogAndIsSetBackAtItsEnd) {
    const std::map<std::string, std::string> cues = {
        {"nose-on-ball", "5"},       {"aerial-touch", "5"},     {"recovery", "2"},
        {"velocity-alignment", "3"}, {"velocity-braking", "4"}, {"target-attitude", "1"},
        {"shot-on-goal", "5"},       {"fast-aerial", "5"}};
    for (const sandbox::DrillEntry& entry : sandbox::drillTable()) {
        const std::string name(entry.info.name);
        SCOPED_TRACE(name);
        cvars.setRaw("trimsight_target", "1");  // the player's own: up
        const auto s = session(name, 2, true);
        ASSERT_TRUE(cues.contains(name));
        EXPECT_EQ(target(), cues.at(name));
        // Saved meanwhile, the player's value stands in for a cue.
        const std::optional<SettingText> inPlace = s->settingInPlaceOfCue();
        EXPECT_EQ(inPlace.has_value(), entry.info.cue.has_value());
        if (inPlace) {
            EXPECT_EQ(inPlace->text, "1");
        }
        // The log opens with the option as the attempt shows it.
        bool logged = false;
        for (const sandbox::FlightEvent& e : s->log().events)
            if (e.name == "trimsight_target" && e.tick == 0) logged = e.value == cues.at(name);
        EXPECT_TRUE(logged);

        frames(*s, kCountdownFrames + 10);
        EXPECT_EQ(target(), cues.at(name));
        ASSERT_TRUE(flyToEnd(*s));
        EXPECT_EQ(target(), "1");
        EXPECT_FALSE(s->settingInPlaceOfCue());
        // Nothing for the settings page's record: the session set it back.
        EXPECT_FALSE(s->recordSettingChanges());
    }
}

TEST_F(Drills, APlayersOwnChangeOfTheTargetDuringAnAttemptStays) {
    cvars.setRaw("trimsight_target", "1");
    const auto s = session("recovery", 3, true);
    frames(*s, kCountdownFrames + 20);
    cvars.setRaw("trimsight_target", "6");  // as the settings page would
    EXPECT_FALSE(s->settingInPlaceOfCue());
    ASSERT_TRUE(flyToEnd(*s));
    EXPECT_EQ(target(), "6");

    // Abandoned part way (a new attempt, or the window's end), the cue is
    // set back too.
    cvars.setRaw("trimsight_target", "1");
    s->startAttempt(drillNamed("aerial-touch"), 1);
    EXPECT_EQ(target(), "5");
    s->startAttempt(drillNamed("target-attitude"), 1);
    EXPECT_EQ(target(), "1");
    s->startAttempt(drillNamed("velocity-alignment"), 1);
    EXPECT_EQ(target(), "3");
    s->releaseCue();
    EXPECT_EQ(target(), "1");
}

// The marker's six triangles are the only white ones of the dial.
int whiteTriangles(const pluginsdk::RecordingCanvas& canvas) {
    int count = 0;
    bool white = false;
    for (const pluginsdk::CanvasCall& call : canvas.calls()) {
        using Kind = pluginsdk::CanvasCall::Kind;
        if (call.kind == Kind::SetColor)
            white = call.v[0] == 255 && call.v[1] == 255 && call.v[2] == 255;
        if (call.kind == Kind::FillTriangle && white) ++count;
    }
    return count;
}

TEST_F(Drills, TheDialShowsTheCuesMarkerDuringTheAttemptOnly) {
    cvars.setRaw("trimsight_target", "0");  // the player's own: no marker
    const auto s = session("nose-on-ball", 6, true);
    pluginsdk::RecordingCanvas canvas({1920, 1080});
    frames(*s, kCountdownFrames + 60);
    s->drawDial(canvas);
    EXPECT_EQ(whiteTriangles(canvas), 6) << "the ball's marker";
    ASSERT_TRUE(flyToEnd(*s));
    frames(*s, 1);
    canvas.clear();
    s->drawDial(canvas);
    EXPECT_EQ(whiteTriangles(canvas), 0);
}

TEST_F(Drills, ResetFliesTheSameSeedAgainANewStartTheNextAndFreeFlightGoesOnFromTheCar) {
    const auto s = session("nose-on-ball", 7, false);
    frames(*s, kCountdownFrames + 30);
    ASSERT_GT(s->log().ticks.size(), 0u);

    FrameInput reset;
    reset.commands.add(Command::Reset);
    s->advance(kSixtieth, reset);
    EXPECT_EQ(s->drillSeed(), 7u);
    EXPECT_EQ(s->log().drill, (sandbox::FlightDrill{"nose-on-ball", 7}));
    EXPECT_EQ(s->attempt()->phase(), AttemptPhase::Countdown);
    EXPECT_TRUE(s->world() == sandbox::makeDrill("nose-on-ball", 7)->start().world);
    EXPECT_EQ(s->log().ticks.size(), 0u);

    FrameInput next;
    next.commands.add(Command::RandomStart);
    s->advance(kSixtieth, next);
    EXPECT_EQ(s->drillSeed(), 8u);
    EXPECT_TRUE(s->world() == sandbox::makeDrill("nose-on-ball", 8)->start().world);
    EXPECT_FALSE(s->seed());  // not a random start
    // Each attempt's log names its drill and seed; a free flight's none.
    EXPECT_EQ(s->log().drill, (sandbox::FlightDrill{"nose-on-ball", 8}));

    frames(*s, kCountdownFrames + 30);
    const sandbox::World here = s->world();
    s->flyFreely();
    EXPECT_EQ(s->attempt(), nullptr);
    EXPECT_TRUE(s->log().start == here);
    EXPECT_FALSE(s->log().options.ballFloats);  // free flight's physics again
    EXPECT_FALSE(s->log().drill);
    frames(*s, 30);
    EXPECT_EQ(s->log().ticks.size(), 60u);                        // no countdown
    EXPECT_LT(s->world().ball.location.z, here.ball.location.z);  // the ball falls again

    FrameInput menu;
    menu.commands.add(Command::DrillMenu);
    s->advance(kSixtieth, menu);
    EXPECT_TRUE(s->drillMenuShown());
}

TEST_F(Drills, TheTargetAttitudesGhostSitsOnTheCarAtTheTarget) {
    const auto s = session("target-attitude", 3, false);
    frames(*s, kCountdownFrames + 40);
    const std::span<const GhostCar> ghosts = s->ghosts();
    ASSERT_EQ(ghosts.size(), 1u);
    EXPECT_TRUE(ghosts[0].location == s->world().car.location);
    EXPECT_TRUE(ghosts[0].attitude == *s->attempt()->drill().targetAttitude());
}

TEST_F(Drills, TheBestFlightOfTheDrillAndSeedIsRacedAsAGhostTickForTick) {
    // The autopilot's attempt is the best flight; a person then sits still.
    const auto first = session("aerial-touch", 2, true);
    ASSERT_TRUE(flyToEnd(*first));
    const sandbox::FlightLog best = first->log();
    std::vector<std::pair<std::string, uint64_t>> asked;
    SessionOptions options;
    options.bestFlight = [&](std::string_view drill, uint64_t seed) {
        asked.emplace_back(drill, seed);
        return &best;
    };
    const auto s = session("aerial-touch", 2, false, options);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, "aerial-touch");
    EXPECT_EQ(asked[0].second, 2u);
    EXPECT_TRUE(s->attempt()->racesBestFlight());

    sandbox::FlightReplay replay(best);
    for (int f = 0; f < kMaxFrames && !s->attempt()->finished(); ++f) {
        s->advance(kSixtieth, FrameInput{});
        while (replay.time() < s->attempt()->drill().ticks() && !replay.finished()) replay.step();
        ASSERT_EQ(s->ghosts().size(), 1u);
        ASSERT_TRUE(s->ghosts()[0].location == replay.world().car.location) << "frame " << f;
        ASSERT_TRUE(s->ghosts()[0].attitude == replay.world().car.attitude) << "frame " << f;
    }
    // Sitting still misses the ball, long after the ghost touched it (its
    // attempt goes on after the touch, to watch where the ball goes).
    EXPECT_EQ(s->attempt()->drill().score().outcome, sandbox::DrillOutcome::Failed);
    const std::optional<float> touched = first->attempt()->drill().score().value("time_to_touch");
    ASSERT_TRUE(touched);
    EXPECT_GT(static_cast<float>(replay.time()), *touched * 120.0f);

    // The next seed starts elsewhere: the same flight is not raced there.
    s->startAttempt(drillNamed("aerial-touch"), 3);
    EXPECT_FALSE(s->attempt()->racesBestFlight());
    EXPECT_TRUE(s->ghosts().empty());
    // Nor is any flight once racing is off.
    s->setRaceBest(false);
    s->startAttempt(drillNamed("aerial-touch"), 2);
    EXPECT_FALSE(s->attempt()->racesBestFlight());
    EXPECT_EQ(asked.size(), 2u);
}

// ----------------------------------------------------------- attempt book

// Drills of the book's tests: one ranked by a lower time, one by a higher.
sandbox::DrillInfo rankedBy(std::string_view name, sandbox::Better better) {
    sandbox::DrillInfo info;
    info.name = name;
    info.mainPart = "time";
    info.better = better;
    return info;
}
const sandbox::DrillInfo kLowerIsBetter = rankedBy("recovery", sandbox::Better::Lower);
const sandbox::DrillInfo kHigherIsBetter = rankedBy("nose", sandbox::Better::Higher);

// A finished attempt with the score it is given.
class ScoredDrill final : public sandbox::Drill {
  public:
    ScoredDrill(const sandbox::DrillInfo& info, uint64_t seed, bool passed, float time)
        : Drill(info, seed, {}), passed_(passed), time_(time) {}
    sandbox::DrillScore score() const override {
        sandbox::DrillScore s;
        s.outcome = passed_ ? sandbox::DrillOutcome::Passed : sandbox::DrillOutcome::Failed;
        s.add("time", "Time", "s", time_);
        return s;
    }

  protected:
    Measure measure(const sandbox::World&, const sandbox::TickReport&) override { return {}; }

  private:
    bool passed_;
    float time_;
};

// A flight told apart by its length.
sandbox::FlightLog flightOf(std::size_t ticks) {
    sandbox::FlightLog log;
    log.ticks.resize(ticks);
    return log;
}

constexpr int64_t kTime = 1700000000;

class FakeArchive final : public sandbox::AttemptArchive {
  public:
    base::Result<sandbox::AttemptRecord> append(const sandbox::AttemptRecord& record,
                                                const sandbox::FlightLog& flight) override {
        appendedTicks.push_back(flight.ticks.size());
        if (full) return base::Failure{"disk full"};
        sandbox::AttemptRecord kept = record;
        kept.flightLog = "flights/kept.log";
        return kept;
    }
    std::vector<sandbox::AttemptRecord> attempts() override {
        ++reads;
        return earlier;
    }
    base::Result<sandbox::FlightLog> flight(const sandbox::AttemptRecord& record) override {
        ++flightReads;
        if (record.flightLog == "lost") return base::Failure{"no such file"};
        return flightOf(static_cast<std::size_t>(record.seed) * 10);
    }

    std::vector<sandbox::AttemptRecord> earlier;
    std::vector<std::size_t> appendedTicks;
    bool full = false;
    int reads = 0;
    int flightReads = 0;
};

// `render`'s world clips show an attempt's log through a session: shown tick
// by tick, the attempt skips its countdown, sees the world the log flew and
// ends with the score the flight earned, its plot one sample a tick.
TEST_F(Drills, ALoggedAttemptShownTickByTickEndsWithTheScoreItWasFlownTo) {
    for (const char* name : {"recovery", "velocity-alignment", "target-attitude"}) {
        SCOPED_TRACE(name);
        const hosttest::FlownAttempt flown = hosttest::flyAttempt(name, 3);
        ASSERT_TRUE(flown.drill->finished());
        pluginsdk::CVarStore ownCvars;
        pluginsdk::GameHost ownGame;
        SessionOptions options;
        options.drill = &drillNamed(name);
        options.seed = 3;
        FlySession shown(ownCvars, ownGame, options);
        sandbox::FlightReplay replay(flown.log);
        shown.showLoggedStart(replay.simulation());
        ASSERT_EQ(shown.attempt()->phase(), AttemptPhase::Running);
        EXPECT_EQ(shown.world().car.location, flown.log.start.car.location);
        while (!replay.finished()) {
            const sandbox::TickReport report = replay.step();
            EXPECT_FALSE(shown.attempt()->finished()) << "before tick " << replay.time();
            shown.showLoggedTick(replay.simulation(), replay.lastControls(), report);
            ASSERT_EQ(shown.world().car.location, replay.world().car.location);
        }
        EXPECT_TRUE(shown.attempt()->finished());
        EXPECT_EQ(shown.attemptsFinished(), 1u);
        EXPECT_EQ(shown.attempt()->plot().size(), flown.log.ticks.size());
        const sandbox::DrillScore flownScore = flown.drill->score();
        const sandbox::DrillScore shownScore = shown.attempt()->drill().score();
        EXPECT_EQ(shownScore.outcome, flownScore.outcome);
        ASSERT_EQ(shownScore.parts().size(), flownScore.parts().size());
        for (std::size_t i = 0; i < flownScore.parts().size(); ++i)
            EXPECT_EQ(shownScore.parts()[i].value, flownScore.parts()[i].value)
                << flownScore.parts()[i].label;
        // Its log stays empty: the session shows the flight, it does not fly it.
        EXPECT_TRUE(shown.log().ticks.empty());
    }
}

TEST(AttemptBook, KeepsTheFlightOfTheBestPassedAttemptPerDrillAndSeed) {
    struct Step {
        ScoredDrill drill;
        std::size_t ticks;
    };
    const Step steps[] = {
        {{kLowerIsBetter, 1, false, 1.0f}, 100},  // failed: never the best
        {{kLowerIsBetter, 1, true, 3.0f}, 300},
        {{kLowerIsBetter, 1, true, 2.5f}, 250},  // lower is better: the best
        {{kLowerIsBetter, 1, true, 2.5f}, 251},  // a tie keeps the earlier
        {{kLowerIsBetter, 1, true, 2.8f}, 280},
        {{kLowerIsBetter, 2, true, 9.0f}, 900},
        {{kHigherIsBetter, 1, true, 4.0f}, 400},
        {{kHigherIsBetter, 1, true, 6.0f}, 600},  // higher is better
    };
    sandbox::AttemptBook book;
    for (const Step& s : steps) ASSERT_TRUE(book.add(s.drill, flightOf(s.ticks), kTime));
    const auto ticksOf = [&](std::string_view drill, uint64_t seed) -> std::size_t {
        const base::Result<const sandbox::FlightLog*> f = book.bestFlight(drill, seed);
        EXPECT_TRUE(f) << f.error();
        return f && *f != nullptr ? (*f)->ticks.size() : 0;
    };
    EXPECT_EQ(ticksOf("recovery", 1), 250u);
    EXPECT_EQ(ticksOf("recovery", 2), 900u);
    EXPECT_EQ(ticksOf("nose", 1), 600u);
    EXPECT_EQ(ticksOf("recovery", 3), 0u);
    EXPECT_EQ(ticksOf("aerial", 1), 0u);
    sandbox::AttemptBook failedOnly;
    ASSERT_TRUE(failedOnly.add(ScoredDrill(kLowerIsBetter, 1, false, 1.0f), flightOf(5), kTime));
    EXPECT_EQ(*failedOnly.bestFlight("recovery", 1), nullptr);
}

// The result panel's best, latest and the one before, over three attempts
// at one seed (lower is better), with another seed's between them.
TEST(AttemptBook, ASeedsRecordHasItsBestItsLatestAndTheOneBefore) {
    sandbox::AttemptBook book;
    EXPECT_EQ(book.seedRecord("recovery", 1).attempts, 0u);
    struct Step {
        ScoredDrill drill;
        std::size_t attempts;
        std::optional<float> best, latest, before;
    };
    const Step steps[] = {
        {{kLowerIsBetter, 1, true, 3.0f}, 1, 3.0f, 3.0f, std::nullopt},
        {{kLowerIsBetter, 2, true, 1.0f}, 1, 3.0f, 3.0f, std::nullopt},  // another seed
        {{kLowerIsBetter, 1, true, 2.0f}, 2, 2.0f, 2.0f, 3.0f},
        {{kLowerIsBetter, 1, false, 0.5f}, 3, 2.0f, 0.5f, 2.0f},  // failed: not the best
    };
    for (const Step& s : steps) {
        ASSERT_TRUE(book.add(s.drill, flightOf(10), kTime));
        const sandbox::AttemptBook::SeedRecord r = book.seedRecord("recovery", 1);
        EXPECT_EQ(r.attempts, s.attempts);
        EXPECT_EQ(r.best, s.best);
        EXPECT_EQ(r.latest, s.latest);
        EXPECT_EQ(r.before, s.before);
    }
}

// Every drill has its levels, on the part that ranks its attempts, in order
// (gold the hardest); the autopilot's attempt at seed 1 earns gold, a
// failed attempt none.
TEST(DrillLevels, EachDrillHasOrderedLevelsAndTheAutopilotEarnsGold) {
    for (const sandbox::DrillEntry& entry : sandbox::drillTable()) {
        SCOPED_TRACE(std::string(entry.info.name));
        const sandbox::DrillLevels* levels = sandbox::findLevels(entry.info.name);
        ASSERT_NE(levels, nullptr);
        EXPECT_EQ(levels->part, entry.info.mainPart);
        EXPECT_EQ(levels->better, entry.info.better);
        const float gold = levels->value(sandbox::Level::Gold);
        const float silver = levels->value(sandbox::Level::Silver);
        const float bronze = levels->value(sandbox::Level::Bronze);
        if (levels->better == sandbox::Better::Higher) {
            EXPECT_GT(gold, silver);
            EXPECT_GT(silver, bronze);
        } else {
            EXPECT_LT(gold, silver);
            EXPECT_LT(silver, bronze);
        }
        EXPECT_EQ(sandbox::levelReached(*levels, true, silver), sandbox::Level::Silver);
        EXPECT_EQ(sandbox::levelReached(*levels, false, gold), sandbox::Level::None);

        hosttest::FlownAttempt attempt = hosttest::flyAttempt(entry.info.name, 1);
        const sandbox::DrillScore score = attempt.drill->score();
        ASSERT_EQ(score.outcome, sandbox::DrillOutcome::Passed);
        EXPECT_EQ(sandbox::levelReached(*levels, true, *score.value(entry.info.mainPart)),
                  sandbox::Level::Gold);
    }
}

TEST(AttemptBook, ReadsTheArchiveFirstAndItsBestFlightWhenAskedAndAppendsToIt) {
    FakeArchive archive;
    archive.earlier = {
        sandbox::attemptRecord(ScoredDrill(kLowerIsBetter, 4, true, 1.0f), kTime, ""),
        sandbox::attemptRecord(ScoredDrill(kLowerIsBetter, 5, true, 1.0f), kTime, "lost")};
    sandbox::AttemptBook book(&archive);

    // This run's worse attempt does not beat the archive's.
    ASSERT_TRUE(book.add(ScoredDrill(kLowerIsBetter, 4, true, 2.0f), flightOf(20), kTime));
    EXPECT_EQ(archive.reads, 1);
    EXPECT_EQ(archive.appendedTicks, std::vector<std::size_t>{20});
    const sandbox::FlightLog* best = *book.bestFlight("recovery", 4);
    ASSERT_NE(best, nullptr);
    EXPECT_EQ(best->ticks.size(), 40u);  // the archive's flight
    EXPECT_EQ(*book.bestFlight("recovery", 4), best);
    EXPECT_EQ(archive.flightReads, 1);  // read once
    // A flight the archive has lost is no ghost, and the book says why.
    const base::Result<const sandbox::FlightLog*> lost = book.bestFlight("recovery", 5);
    ASSERT_FALSE(lost);
    EXPECT_EQ(lost.error(), "no such file");

    // A better one replaces it; the archive's failure is passed on, and the
    // attempt is noted all the same.
    archive.full = true;
    const base::Status kept =
        book.add(ScoredDrill(kLowerIsBetter, 4, true, 0.5f), flightOf(21), kTime);
    EXPECT_EQ(kept.error(), "disk full");
    ASSERT_NE(*book.bestFlight("recovery", 4), nullptr);
    EXPECT_EQ((*book.bestFlight("recovery", 4))->ticks.size(), 21u);
    EXPECT_EQ(archive.reads, 1);
}

}  // namespace

// ------------------------------------------------------------ packs

void press(FlySession& s, Command c) {
    FrameInput input;
    input.commands.add(c);
    s.advance(kSixtieth, input);
}

TEST_F(Drills, APackPlaysItsShotsAgainNextPreviousAndWithTheNextVarianceSeed) {
    const sandbox::Pack* pack = sandbox::findBuiltInPack("first-aerials");
    ASSERT_NE(pack, nullptr);
    SessionOptions options;
    options.pack = pack;
    options.shot = 7;  // the last of eight
    options.seed = 5;  // variance seed
    const auto s = std::make_unique<FlySession>(cvars, game, options);
    ASSERT_NE(s->attempt(), nullptr);
    EXPECT_EQ(s->attempt()->drill().info().name, "shot-first-aerials-8");
    EXPECT_EQ(s->log().drill->name, "shot-first-aerials-8");
    EXPECT_EQ(s->log().drill->seed, 5u);
    const sandbox::World varied = s->log().start;
    // The varied start is not the shot as written, and Again repeats it.
    const sandbox::mechanics::World asWritten = sandbox::shotWorld(pack->shots[7]);
    EXPECT_NE(varied.ball.location.x, asWritten.ball.location.x);
    frames(*s, 10);
    press(*s, Command::Reset);
    EXPECT_TRUE(s->log().start == varied);
    EXPECT_EQ(s->attempt()->phase(), AttemptPhase::Countdown);
    // Next goes round to the first shot, Previous back to the last.
    press(*s, Command::NextShot);
    EXPECT_EQ(s->shot(), 0u);
    EXPECT_EQ(s->log().drill->name, "shot-first-aerials-1");
    press(*s, Command::PreviousShot);
    EXPECT_EQ(s->shot(), 7u);
    EXPECT_TRUE(s->log().start == varied);
    // A new start is the next variance seed, of the same shot.
    press(*s, Command::RandomStart);
    EXPECT_EQ(s->shot(), 7u);
    EXPECT_EQ(s->log().drill->seed, 6u);
    EXPECT_FALSE(s->log().start == varied);
    // Flying freely leaves the pack.
    s->flyFreely();
    EXPECT_EQ(s->pack(), nullptr);
}
