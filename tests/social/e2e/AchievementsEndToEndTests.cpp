// Achievements end to end: the game's progress is clamped, kept by the
// service, announced when an achievement unlocks, and shown to the player in
// the dashboard's achievement list; the device keeps what it learnt for the
// next launch.
#include "EndToEndTestSupport.h"

#include "social/services/QVAchievement.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

double keptProgress(const StandInState& state, int64_t user, int64_t achievement)
{
    for (auto& u : state.unlocks())
        if (u.userId == user && u.achievementId == achievement)
            return u.percentComplete;
    return -1;
}

using AchievementsEndToEnd = EndToEndTest;

TEST_F(AchievementsEndToEnd, ProgressIsKeptUnlocksAreAnnouncedAndTheListShowsBoth)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string firstSteps = std::to_string(StandInState::kFirstStepsAchievement);
    const std::string collector = std::to_string(StandInState::kCollectorAchievement);
    auto steps = QVAchievement::achievement(firstSteps);
    auto coins = QVAchievement::achievement(collector);
    ASSERT_TRUE(steps && coins);
    EXPECT_EQ(steps->title(), std::optional<std::string>("First Steps"));

    coins->updateProgressionComplete(40, false);
    steps->updateProgressionComplete(150, true); // more than done is done
    ASSERT_TRUE(waitUntil([&] {
        return keptProgress(*state, player, StandInState::kFirstStepsAchievement) >= 0
            && keptProgress(*state, player, StandInState::kCollectorAchievement) >= 0;
    }));
    EXPECT_EQ(keptProgress(*state, player, StandInState::kFirstStepsAchievement), 100.0);
    EXPECT_EQ(keptProgress(*state, player, StandInState::kCollectorAchievement), 40.0);
    // The unlock is announced once; progress short of it is not.
    ASSERT_TRUE(waitUntil([&] { return std::count(notices.begin(), notices.end(), "Achievement Unlocked!") == 1; }));
    EXPECT_TRUE(QVAchievement::achievement(firstSteps)->isUnlocked());

    openDashboard();
    ASSERT_TRUE(tapText("Achievements"));
    ASSERT_TRUE(waitForText("Collector"));
    EXPECT_TRUE(shows("40%"));
    EXPECT_TRUE(shows("First Steps"));

    // The next launch, with the service down, still knows the progress.
    quit();
    killService();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::isBootstrapInProgress(); }));
    EXPECT_EQ(QVAchievement::achievement(collector)->percentComplete(), 40.0);
    EXPECT_TRUE(QVAchievement::achievement(firstSteps)->isUnlocked());
}

} // namespace
