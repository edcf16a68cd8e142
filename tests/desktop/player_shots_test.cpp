// The player's own shots: a moment appended to the pack file makes it when
// missing and adds to it after; a pack that does not read and a full one
// are left exactly as they were.
#include <gtest/gtest.h>

#include <string>

#include "desktop/InputFile.h"
#include "desktop/PlayerShots.h"
#include "testkit/TempDir.h"

namespace {

sandbox::Shot moment(float x) {
    sandbox::Shot s;
    s.ballLocation = {x, 1000.0f, 400.0f};
    s.ballVelocity = {0.0f, 200.0f, 300.0f};
    s.carOnGround = false;
    s.carLocation = {x, -1000.0f, 300.0f};
    s.carHeadingDegrees = -90.0f;
    s.goal = sandbox::mechanics::Goal::NegativeY;
    return s;
}

TEST(PlayerShots, AppendsToThePackMadeWhenMissingAndNeverWritesOverOneThatDoesNotRead) {
    hosttest::TempDir dir;
    const std::string path = dir.file("my-shots.txt");
    base::Result<desktop::SavedShot> first = desktop::appendShotToPack(path, moment(100.0f));
    ASSERT_TRUE(first.ok()) << first.error();
    EXPECT_EQ(first->number, 1u);
    EXPECT_EQ(first->packName, "My shots");
    base::Result<desktop::SavedShot> second = desktop::appendShotToPack(path, moment(200.0f));
    ASSERT_TRUE(second.ok()) << second.error();
    EXPECT_EQ(second->number, 2u);
    const base::Result<sandbox::Pack> pack = desktop::loadPack(path);
    ASSERT_TRUE(pack.ok()) << pack.error();
    ASSERT_EQ(pack->shots.size(), 2u);
    EXPECT_EQ(pack->shots[1], moment(200.0f));

    // Broken by hand: kept as it is, and the message says where.
    const std::string broken = "trimsight-pack 1\nname \"Mine\"\nshot\nball location 0 0\n";
    hosttest::writeFile(path, broken);
    base::Result<desktop::SavedShot> refused = desktop::appendShotToPack(path, moment(0.0f));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().rfind(path + ":4: ", 0), 0u) << refused.error();
    EXPECT_NE(refused.error().find("; not writing over it"), std::string::npos);
    EXPECT_EQ(hosttest::readFile(path), broken);

    // Full: refused, unchanged.
    sandbox::Pack full;
    full.name = "Full";
    full.shots.assign(sandbox::kMaxPackShots, moment(0.0f));
    const std::string text = sandbox::formatPack(full);
    hosttest::writeFile(path, text);
    refused = desktop::appendShotToPack(path, moment(1.0f));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("the pack is full (50 shots)"), std::string::npos);
    EXPECT_EQ(hosttest::readFile(path), text);
}

}  // namespace
