// The player's choice to share their location, end to end: the service keeps
// it and answers it at every login, so the client does not lose it between
// launches.
#include "DashboardEndToEndSupport.h"

#include "platform/device/LocationManager.h"
#include "platform/ui/Switch.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;
using platform::ui::LocationManager;

namespace {

class LocationChoiceEndToEnd : public DashboardEndToEndTest {
protected:
    // The player flips the settings' location switch and the service keeps it.
    void flipLocationSwitch(const std::string& kept)
    {
        openDashboard();
        ASSERT_TRUE(tapTab("My Quorvel"));
        ASSERT_TRUE(tapText("Settings"));
        ASSERT_TRUE(waitForText("Share My Location"));
        ASSERT_TRUE(touch(besideText<platform::ui::Switch>("Share My Location")));
        ASSERT_TRUE(waitUntil([&] { return sharing() == kept; })) << sharing();
        Quorvel::dismissDashboard();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    }
    std::string sharing() const { return kept("SELECT shared FROM location_sharing WHERE user_id = " + player()); }
    void relaunch()
    {
        quit();
        launch();
        ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    }
    static bool sharesLocation() { return QuorvelInternal::options().userDistanceUnit() != QVDistanceUnit::LocationOff; }
};

TEST_F(LocationChoiceEndToEnd, ThePlayersLocationChoiceSurvivesTheNextLaunch)
{
    // The operator offers location sharing among the settings, off at first.
    ASSERT_TRUE(arrange("INSERT INTO settings VALUES (4, 'location', 'Share My Location', '0')"));
    ASSERT_GT(launchAndLogIn(), 0);
    EXPECT_FALSE(sharesLocation());

    flipLocationSwitch("1");
    EXPECT_TRUE(sharesLocation());
    relaunch();
    EXPECT_TRUE(sharesLocation()) << "the login turned the player's location sharing off";

    flipLocationSwitch("0");
    EXPECT_FALSE(sharesLocation());
    relaunch();
    EXPECT_FALSE(sharesLocation());
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
}

TEST_F(LocationChoiceEndToEnd, AFixThePlayerAllowedKeepsSharingOnAtTheNextLogin)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    launch();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided); // the player said yes to sharing on this device
    QuorvelInternal::location().startLocationManagerIfAllowed();
    ASSERT_EQ(LocationManager::deliverLocation({ 48.0, 11.5 }), 1);
    ASSERT_TRUE(waitUntil([&] { return sharing() == "1"; }));
    relaunch();
    EXPECT_TRUE(sharesLocation());
}

} // namespace
