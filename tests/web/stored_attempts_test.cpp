// Drill attempts in the page's local storage: the desktop's history lines
// under one key, only the best passed attempt of a drill and seed keeping
// its flight, and a full storage losing nothing already kept; the window's
// book of attempts over them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sandbox/Autopilot.h"
#include "sandbox/Drills.h"
#include "web/StoredAttempts.h"

namespace {

using ::testing::HasSubstr;
using ::testing::SizeIs;

// Local storage with room for `room` characters of keys and texts.
class MapStorage final : public web::PageStorage {
  public:
    explicit MapStorage(std::size_t room = 1u << 30) : room_(room) {}
    std::optional<std::string> get(const std::string& key) const override {
        const auto it = items.find(key);
        return it == items.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    bool set(const std::string& key, const std::string& text) override {
        std::size_t used = key.size() + text.size();
        for (const auto& [k, t] : items)
            if (k != key) used += k.size() + t.size();
        if (used > room_) return false;
        items[key] = text;
        return true;
    }
    void remove(const std::string& key) override { items.erase(key); }

    std::map<std::string, std::string> items;

  private:
    std::size_t room_;
};

// Nose on ball from seed 3, the autopilot flying after `idleTicks` ticks
// of hands off: the longer idle, the less time inside the cone.
struct Attempt {
    std::unique_ptr<sandbox::Drill> drill;
    sandbox::FlightLog flight;
};
Attempt noseOnBall(uint32_t idleTicks) {
    Attempt a{sandbox::makeDrill("nose-on-ball", 3), {}};
    a.flight.start = a.drill->start().world;
    a.flight.options = a.drill->start().options;
    sandbox::Autopilot pilot(*a.drill);
    sandbox::World world = a.flight.start;
    for (uint32_t t = 0; !a.drill->finished(); ++t) {
        const sandbox::CarControls controls =
            t < idleTicks ? sandbox::CarControls{} : pilot.controls(world);
        const sandbox::TickReport report = sandbox::stepWorld(world, controls, a.flight.options);
        a.drill->update(world, controls, report);
        a.flight.recordTick(controls);
    }
    return a;
}

std::vector<std::string> flightKeys(const MapStorage& storage) {
    std::vector<std::string> keys;
    for (const auto& [key, text] : storage.items)
        if (key.starts_with(web::kFlightKeyPrefix)) keys.push_back(key);
    return keys;
}

TEST(StoredAttempts, OnlyTheBestPassedAttemptOfADrillAndSeedKeepsItsFlight) {
    const Attempt fair = noseOnBall(240), best = noseOnBall(0), worse = noseOnBall(360),
                  failed = noseOnBall(1200);
    ASSERT_EQ(fair.drill->score().outcome, sandbox::DrillOutcome::Passed);
    ASSERT_EQ(worse.drill->score().outcome, sandbox::DrillOutcome::Passed);
    ASSERT_EQ(failed.drill->score().outcome, sandbox::DrillOutcome::Failed);
    ASSERT_GT(*best.drill->score().value("time_inside"), *fair.drill->score().value("time_inside"));
    ASSERT_LT(*worse.drill->score().value("time_inside"),
              *fair.drill->score().value("time_inside"));

    MapStorage storage;
    base::Warnings warnings;
    const auto keep = [&](const Attempt& a, int64_t time) {
        auto kept = web::keepStoredAttempt(storage, sandbox::attemptRecord(*a.drill, time, ""),
                                           a.flight, warnings);
        EXPECT_TRUE(kept) << kept.error();
        return *kept;
    };
    // The first passed attempt is the best so far: its flight is kept.
    const sandbox::AttemptRecord first = keep(fair, 1765000000);
    EXPECT_EQ(first.flightLog, "trimsight.flight.nose-on-ball.3.1765000000");
    EXPECT_THAT(flightKeys(storage), ::testing::ElementsAre(first.flightLog));
    // A better one takes its place; worse and failed ones keep none.
    const sandbox::AttemptRecord second = keep(best, 1765000100);
    EXPECT_THAT(flightKeys(storage), ::testing::ElementsAre(second.flightLog));
    EXPECT_EQ(keep(worse, 1765000200).flightLog, "");
    EXPECT_EQ(keep(failed, 1765000300).flightLog, "");
    EXPECT_THAT(flightKeys(storage), ::testing::ElementsAre(second.flightLog));
    EXPECT_TRUE(warnings.list().empty());

    // Every attempt reads back as kept; the best one's flight as flown.
    const std::vector<sandbox::AttemptRecord> read = web::readStoredAttempts(storage, warnings);
    EXPECT_TRUE(warnings.list().empty());
    ASSERT_THAT(read, SizeIs(4));
    EXPECT_EQ(read[0], first);
    EXPECT_EQ(read[1], second);
    const sandbox::AttemptRecord* ghost = sandbox::bestAttempt(read, "nose-on-ball", 3);
    ASSERT_EQ(ghost, &read[1]);
    const auto flight = web::storedFlight(storage, *ghost);
    ASSERT_TRUE(flight) << flight.error();
    EXPECT_EQ(*flight, best.flight);
    // The former best's flight is gone, and says so.
    EXPECT_THAT(web::storedFlight(storage, first).error(), HasSubstr("is not in the browser's"));
    EXPECT_THAT(web::storedFlight(storage, read[2]).error(), HasSubstr("kept no flight"));
}

TEST(StoredAttempts, AFullStorageKeepsTheAttemptWithoutItsFlightOrRecordsNothingAtAll) {
    const Attempt fair = noseOnBall(240);
    const std::size_t flightSize = sandbox::formatFlightLog(fair.flight).size();
    base::Warnings warnings;

    // Room for a few lines but not the flight: recorded without it.
    MapStorage small(2000);
    ASSERT_GT(flightSize, 2000u);
    const auto kept = web::keepStoredAttempt(
        small, sandbox::attemptRecord(*fair.drill, 1765000000, ""), fair.flight, warnings);
    ASSERT_TRUE(kept) << kept.error();
    EXPECT_EQ(kept->flightLog, "");
    EXPECT_THAT(warnings.list(),
                ::testing::ElementsAre(HasSubstr("was not kept: the browser's storage is full")));
    EXPECT_THAT(web::readStoredAttempts(small, warnings), SizeIs(1));

    // Room for the flight under its key (42 characters) but not for the
    // line as well: the flight goes again and nothing changes.
    MapStorage tight(flightSize + 42 + 60);
    const auto before = tight.items;
    const auto refused = web::keepStoredAttempt(
        tight, sandbox::attemptRecord(*fair.drill, 1765000000, ""), fair.flight, warnings);
    EXPECT_FALSE(refused);
    EXPECT_THAT(refused.error(), HasSubstr("not recorded: the browser's storage is full"));
    EXPECT_EQ(tight.items, before);
}

TEST(StoredAttempts, AHistoryWithABadLineKeepsItsGoodOnesAndTheNextAttemptStartsALineOfItsOwn) {
    const Attempt fair = noseOnBall(240);
    MapStorage storage;
    base::Warnings warnings;
    ASSERT_TRUE(web::keepStoredAttempt(storage, sandbox::attemptRecord(*fair.drill, 1765000000, ""),
                                       fair.flight, warnings));
    // A torn line after it, as an interrupted write of another tab leaves.
    storage.items[web::kHistoryKey] += "trimsight-attempt 1 at=2026-";
    ASSERT_TRUE(web::keepStoredAttempt(storage, sandbox::attemptRecord(*fair.drill, 1765000100, ""),
                                       fair.flight, warnings));
    // Keeping an attempt reads the history without warning again.
    EXPECT_THAT(warnings.list(), ::testing::IsEmpty());
    EXPECT_THAT(web::readStoredAttempts(storage, warnings), SizeIs(2));
    EXPECT_THAT(warnings.list(), ::testing::ElementsAre(HasSubstr("the stored history:2:")));
}

TEST(StoredAttempts, ThePagesArchiveKeepsTheWindowsAttemptsAndTheNextPageRacesTheBest) {
    const Attempt best = noseOnBall(0), worse = noseOnBall(360);
    MapStorage storage(400000);  // room for a flight or two (some 150 KB each)
    base::Warnings warnings;
    {  // one page load: two attempts, the best's flight stored
        web::StoredAttemptArchive archive(storage, warnings);
        sandbox::AttemptBook book(&archive);
        EXPECT_EQ(*book.bestFlight("nose-on-ball", 3), nullptr);
        ASSERT_TRUE(book.add(*worse.drill, worse.flight, 1765000000));
        ASSERT_TRUE(book.add(*best.drill, best.flight, 1765000100));
    }
    EXPECT_THAT(flightKeys(storage), SizeIs(1));
    EXPECT_THAT(warnings.list(), SizeIs(0));

    // The next load races the best; a bad line is warned of, not lost.
    storage.items[web::kHistoryKey] += "not an attempt\n";
    const std::string before = storage.items[web::kHistoryKey];
    web::StoredAttemptArchive archive(storage, warnings);
    sandbox::AttemptBook book(&archive);
    const sandbox::FlightLog* ghost = *book.bestFlight("nose-on-ball", 3);
    ASSERT_NE(ghost, nullptr);
    EXPECT_TRUE(*ghost == best.flight);
    EXPECT_THAT(warnings.list(),
                ::testing::ElementsAre(HasSubstr("the stored history:3: corrupt line")));
    EXPECT_EQ(storage.items[web::kHistoryKey], before);

    // A full storage: the book says why, and the page flies on.
    MapStorage full(10);
    web::StoredAttemptArchive cramped(full, warnings);
    sandbox::AttemptBook unkept(&cramped);
    EXPECT_THAT(unkept.add(*worse.drill, worse.flight, 1765000200).error(),
                HasSubstr("storage is full"));
}

}  // namespace
