// A seeded monkey of the dashboard, end to end against the stand-in, shown as
// a device shows it. Each move is drawn by weight from a table: taps on what
// the player sees (texts, buttons, rows, tabs, the bar's buttons), text typed
// where a screen asks, Back (also at once after a look at another tab, or
// right after a tap), the game opening pages (half the time one of the screen
// family the walk has played least: chat and a conversation are a page away)
// and closing them, logging out and in, switching accounts, an unlock's notice
// (half the time over the game) and a tap on a notice's bar, the switch page
// opened over any tab, the challenge another player sent to three (the
// player, the rival and a third account of the device) opened, a picture of
// the player's own chosen (the photo library comes up, and half the time the
// game opens a page of the player's tab over it), memory running short, and
// the service answering late, failing (404, 500, an upgrade's 426,
// maintenance's 450), refusing every request for a few moves, going and
// coming with the network; the game's own framed screens (send a challenge, a
// challenge's result), the intro frame's networks offer after a first login,
// the device turning and an invitation's notice over the game, a list dragged,
// and a long list (the player has more friends than a page holds, some with
// pictures) asked for more as, at once, the client fails or drops requests
// (every answer refused, the service or the network gone, the game logging
// out, declining the service or closing the dashboard). While
// something asks the player (an alert, a sheet, a picker), the game now and
// then goes on first. It plays on a phone or a tablet, upright
// or on its side. After every move, once the network settles, and at the end,
// it checks what a player must always find:
//   - no loading overlay left over a page: every request has been answered;
//   - a way out of the screen in front where a finger reaches it: Back, a
//     Cancel, Close or Done, the dashboard's X, another tab, or a button that
//     leaves the screen or goes on ("Find Me" or "Send Challenge" is none);
//   - no page that shows neither content nor a message;
//   - on the challenge sent to three, opened by one of them: their own
//     record, and its start;
//   - every notice bar on show (looked at as the screens settle) on the screen;
//   - the game's challenge screen, closed by the player from its own stack
//     (its close, a notice's Done), tells the game (sendChallengeScreenClosed
//     or completedChallengeScreenClosed);
//   - a device picker goes when cancelled, has a way out while it shows, and
//     goes with the screen that showed it, holding no page of the client;
//   - what the player sees, on every screen and layout: Back lands on the
//     screen below; each badge equals the counts it stands for; each row shows
//     what a row made afresh for its place shows (a cell used again for a
//     player with no picture shows none); no spinner (a list's, its load-more
//     row's), and no message for an empty list under rows, once every request
//     is answered or dropped; no control
//     over another; a tablet's panel across the middle after every turn; the
//     game's dashboard calls in pairs however it closes, and as it stands at
//     rest; no field showing another of the device's players after a switch;
//     error screens allowed again once the dashboard is closed.
// A screen whose spinner turns is given the time a player would give it
// (answers through the presence channel are no transport's requests).
// Roads a walk once took to a broken promise are replayed as rows of a table.
// The device's own screens (the photo and address book pickers) are played as
// the device offers them: a pick, or their Cancel; the Facebook client's login
// page logs in or is closed. A variant's game acts inside its own callbacks.
//
// A walk's moves are the same for its seed on every run (where the answers
// land is not). The seed is TEST_SEED (1 by default) plus the instance's
// number, the length BRISKO_MONKEY_STEPS (40 by default); a failure names its
// seed and move, prints the moves before it and how to replay them
// (BRISKO_MONKEY_TRACE=1 prints each move as it is taken, and the window's
// views at a failure) and the share of its moves per screen family. Faults
// planted one at a time are found: a page's loading overlay never hidden, the
// maintenance and upgrade notices without their Done, the game's framed
// send-challenge screen without its close button.
#include "DashboardMonkey.h"

#include "platform/ui/BarButtonItem.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/dashboard/scores/QVLeaderboardController.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVServerMaintenanceNoticeController.h"

#include <gtest/gtest.h>

using namespace monkey_testing;

namespace {

// The seed picks the device too: a phone, a tablet, a tablet on its side, a phone on its side
// (seed % 4), turned one way or the other (seed / 4 odd: to the left).
class DashboardMonkeyEndToEnd : public DashboardMonkey, public testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        seed = environmentNumber("TEST_SEED", 1) + GetParam();
        shape = seed % kShapes;
        turnedLeft = (seed / kShapes) % 2;
        DashboardMonkey::SetUp();
    }
    void walkAndReport(const char* suite)
    {
        const int length = environmentNumber("BRISKO_MONKEY_STEPS", 40);
        const std::string broken = walk(seed, length);
        std::cout << "the monkey of seed " << seed << " on " << shapeName(shape) << ", moves per screen family: " << spreadText()
                  << std::endl;
        if (!broken.empty())
            ADD_FAILURE() << "the monkey of seed " << seed << " on " << shapeName(shape) << " found, " << broken
                          << "\nits moves:\n" << trailText() << "replay: TEST_SEED=" << seed << " BRISKO_MONKEY_STEPS="
                          << length << " quorvel_tests --gtest_filter='" << suite << ".*/0'";
    }
    int seed { 0 };
};

TEST_P(DashboardMonkeyEndToEnd, LeavesNoOverlayNoDeadEndAndNoEmptyPage)
{
    walkAndReport("Seeds/DashboardMonkeyEndToEnd");
}

// A walk on each device: the seeds 1 to 4 (TEST_SEED 1) take each shape once.
INSTANTIATE_TEST_SUITE_P(Seeds, DashboardMonkeyEndToEnd, testing::Range(0, 4));

// The same walks with a game that acts inside its own callbacks: now and then the walk arms one of
// the client's calls (the dashboard appearing, a login, a logout, a challenge screen closing) with
// what the game does there (logs out, declines the service, logs the other player in, closes the
// dashboard, opens another page).
class DashboardMonkeyActingGameEndToEnd : public DashboardMonkeyEndToEnd {
protected:
    void SetUp() override
    {
        DashboardMonkeyEndToEnd::SetUp();
        actingWeight = 8;
    }
};

TEST_P(DashboardMonkeyActingGameEndToEnd, LeavesNoOverlayNoDeadEndAndNoEmptyPage)
{
    walkAndReport("ActingSeeds/DashboardMonkeyActingGameEndToEnd");
}

// Eight of them (the seeds 1 to 8): among them the walks that meet, in a few dozen moves, a photo
// picker whose screen went under it and a notice's Done that closes the game's challenge screen.
INSTANTIATE_TEST_SUITE_P(ActingSeeds, DashboardMonkeyActingGameEndToEnd, testing::Range(0, 8));

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
    const std::string broken = walk(environmentNumber("BRISKO_MONKEY_PLANT_SEED", 5), 60);
    EXPECT_NE(broken.find("a loading overlay stays over"), std::string::npos)
        << "the monkey did not find the planted overlay: " << broken << "\nits moves:\n" << trailText();
}

// Faults planted one at a time where the monkey's new roads go: the notices (maintenance, upgrade)
// without their Done, and the game's framed send-challenge screen without its close button.
template <typename Base, const char* Name>
class WithoutItsButton final : public Base {
public:
    static platform::Ref<platform::Object> make() { return platform::adoptRef(new WithoutItsButton); }
    std::string className() const override { return Name; }
    void viewWillAppear(bool animated) override
    {
        Base::viewWillAppear(animated);
        this->navigationItem()->setRightBarButtonItem(nullptr);
        this->navigationItem()->setLeftBarButtonItem(nullptr);
    }
};

constexpr char kMaintenance[] = "BriskoServerMaintenanceNoticeController";
constexpr char kDeadEnd[] = "BriskoDeadEndErrorController";
constexpr char kSendChallenge[] = "BriskoSendChallengeController";

struct Plant {
    const char* name;
    const char* className;
    platform::Ref<platform::Object> (*make)();
    int seed, moves;
};

class DashboardMonkeyPlantEndToEnd : public DashboardMonkey, public testing::WithParamInterface<Plant> {
protected:
    void SetUp() override
    {
        QVClassRegistry::registerClass(GetParam().className, GetParam().make);
        seed = environmentNumber("BRISKO_MONKEY_PLANT_SEED", GetParam().seed);
        shape = seed % kShapes;
        turnedLeft = (seed / kShapes) % 2;
        DashboardMonkey::SetUp();
        settings.values.set("QuorvelSettingOverrideClassNamePrefixString", platform::Value("Brisko"));
        settings.values.set("QuorvelSettingOverrideSuffixString", platform::Value("Brisko"));
    }
    void TearDown() override
    {
        DashboardMonkey::TearDown();
        QVClassRegistry::unregisterClass(GetParam().className);
    }
    int seed { 0 }; // the row's, or BRISKO_MONKEY_PLANT_SEED to look for another
};

TEST_P(DashboardMonkeyPlantEndToEnd, FindsThePlantedDeadEnd)
{
    const std::string broken = walk(seed, GetParam().moves);
    std::cout << "the monkey of seed " << seed << " on " << shapeName(shape) << " found " << GetParam().name << ": "
              << broken.substr(0, broken.find('\n')) << std::endl;
    EXPECT_NE(broken.find(std::string("no way out of ") + GetParam().className), std::string::npos)
        << "the monkey did not find the planted fault: " << broken << "\nits moves:\n" << trailText();
}

INSTANTIATE_TEST_SUITE_P(
    Plants, DashboardMonkeyPlantEndToEnd,
    testing::Values(Plant { "MaintenanceWithoutDone", kMaintenance,
                            &WithoutItsButton<QVServerMaintenanceNoticeController, kMaintenance>::make, 1, 60 },
                    Plant { "UpgradeWithoutDone", kDeadEnd, &WithoutItsButton<QVDeadEndErrorController, kDeadEnd>::make, 26, 60 },
                    Plant { "SendChallengeWithoutClose", kSendChallenge,
                            &WithoutItsButton<QVSendChallengeController, kSendChallenge>::make, 2, 60 }),
    [](const testing::TestParamInfo<Plant>& info) { return std::string(info.param.name); });

} // namespace
