// A seeded monkey of the dashboard, end to end against the stand-in. Each
// move is drawn by weight from a table: taps on what the player sees (texts,
// buttons, rows, tabs, the bar's buttons), text typed where a screen asks,
// Back (also at once after a look at another tab, or right after a tap), the
// game opening and closing pages, logging out and in, switching accounts, an
// unlock's notice and a tap on a notice's bar, the switch page opened over
// any tab, the challenge another player sent to three (the player, the rival
// and a third account of the device) opened, memory running short, and the
// service answering late, failing, going and coming with the network. After
// every move, once the network settles, and at the end, it checks what a
// player must always find:
//   - no loading overlay left over a page: every request has been answered;
//   - a way out of the screen in front (the dashboard's X, Back, a button);
//   - no page that shows neither content nor a message;
//   - on the challenge sent to three, opened by one of them: their own
//     record, and its start.
// A screen whose spinner turns is given the time a player would give it
// (answers through the presence channel are no transport's requests).
// Roads a walk once took to a broken promise are replayed as rows of a table.
// The device's own screens (the photo and address book pickers) and the
// Facebook client's login page are played as the device and Facebook offer
// them: they pick or are cancelled.
//
// A walk's moves are the same for its seed on every run (where the answers
// land is not). The seed is TEST_SEED (1 by default) plus the instance's
// number, the length BRISKO_MONKEY_STEPS (40 by default); a failure names its
// seed and move, prints the moves before it and how to replay them
// (BRISKO_MONKEY_TRACE=1 prints each move as it is taken, and the window's
// views at a failure). A fault planted on one page (its loading overlay
// never hidden) is found.
#include "DashboardMonkey.h"

#include "social/dashboard/scores/QVLeaderboardController.h"
#include "social/ui/QVClassRegistry.h"

#include <gtest/gtest.h>

using namespace monkey_testing;

namespace {

class DashboardMonkeyEndToEnd : public DashboardMonkey, public testing::WithParamInterface<int> { };

TEST_P(DashboardMonkeyEndToEnd, LeavesNoOverlayNoDeadEndAndNoEmptyPage)
{
    const int seed = environmentNumber("TEST_SEED", 1) + GetParam();
    const int length = environmentNumber("BRISKO_MONKEY_STEPS", 40);
    const std::string broken = walk(seed, length);
    if (!broken.empty())
        ADD_FAILURE() << "the monkey of seed " << seed << " found, " << broken << "\nits moves:\n"
                      << trailText() << "replay: TEST_SEED=" << seed << " BRISKO_MONKEY_STEPS=" << length
                      << " quorvel_tests --gtest_filter='Seeds/DashboardMonkeyEndToEnd.*/0'";
}

INSTANTIATE_TEST_SUITE_P(Seeds, DashboardMonkeyEndToEnd, testing::Range(0, 3));

// The planted fault: the game's own leaderboards never take their loading overlay down.
class PlantedLeaderboards final : public QVLeaderboardController {
public:
    static platform::Ref<platform::Object> make() { return platform::adoptRef(new PlantedLeaderboards); }
    std::string className() const override { return "BriskoLeaderboardController"; }
    void hideLoadingScreen() override { }
};

class DashboardMonkeyPlantedFaultEndToEnd : public DashboardMonkey {
protected:
    void SetUp() override
    {
        QVClassRegistry::registerClass("BriskoLeaderboardController", &PlantedLeaderboards::make);
        DashboardMonkey::SetUp();
        settings.values.set("QuorvelSettingOverrideClassNamePrefixString", platform::Value("Brisko"));
        settings.values.set("QuorvelSettingOverrideSuffixString", platform::Value("Brisko"));
    }
    void TearDown() override
    {
        DashboardMonkey::TearDown();
        QVClassRegistry::unregisterClass("BriskoLeaderboardController");
    }
};

TEST_F(DashboardMonkeyPlantedFaultEndToEnd, FindsALoadingOverlayNeverHiddenOnOnePage)
{
    const std::string broken = walk(1, 60);
    EXPECT_NE(broken.find("a loading overlay stays over"), std::string::npos)
        << "the monkey did not find the planted overlay: " << broken << "\nits moves:\n" << trailText();
}

} // namespace
