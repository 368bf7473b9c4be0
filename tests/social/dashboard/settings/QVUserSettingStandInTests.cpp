// Logging out from the settings list through the central class, against the
// stand-in service: the game's delegate hears of it and the dashboard closes.
#include "../../core/QuorvelTestSupport.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/TestDriver.h"
#include "social/core/QuorvelDelegate.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/dashboard/frame/QVTickerProxy.h"
#include "social/dashboard/settings/QVUserSettingController.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVRootFrame.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;

namespace {

std::string sourceDir()
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    return source ? source : ".";
}

class LoggedOutDelegate : public QuorvelDelegate {
public:
    void userLoggedOut(const std::string& userId) override { loggedOut.push_back(userId); }
    std::vector<std::string> loggedOut;
};

class SettingsStandInTest : public core_testing::QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QVTickerProxy::purgeSharedInstance();
        platform::ui::TestDriver::reset();
        driver = std::make_unique<platform::ui::TestDriver>();
        server.setFixtureDirectory(sourceDir() + "/tools/standin/fixtures");
        server.route("GET", "users/@me/settings.xml",
                     standin::Answer::xml("<?xml version=\"1.0\"?><resources><user_setting><id>1</id><name>Show me online"
                                          "</name><value>1</value><value_type>bool</value_type><key>presence</key>"
                                          "</user_setting></resources>"));
    }
    void TearDown() override
    {
        // A picture still downloading holds its image view until it ends.
        waitFor([this] { return transport->activeCount() == 0; });
        platform::ui::ActionSheet::dismissAll();
        settings = nullptr;
        driver.reset();
        platform::ui::TestDriver::reset();
        QVTickerProxy::purgeSharedInstance();
        QuorvelTest::TearDown();
    }

    std::unique_ptr<platform::ui::TestDriver> driver;
    Ref<platform::ui::ViewController> settings;
};

TEST_F(SettingsStandInTest, LogoutReachesTheGamesDelegate)
{
    LoggedOutDelegate game;
    auto delegates = QVDelegatesContainer::containerWithQuorvelDelegate(&game);
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    startClient({}, delegates.get());
    ASSERT_TRUE(waitFor([] { return Quorvel::isOnline(); }));
    QuorvelInternal::session().stopPolling();
    QuorvelInternal::options().setInitialDashboardScreen("");
    QuorvelInternal::options().setInitialDashboardModalContentURL(platform::Value());
    const std::string player = Quorvel::lastLoggedInUserId();
    ASSERT_FALSE(player.empty());

    Quorvel::launchDashboard();
    driver->advance(0.6);
    auto* nav = QuorvelInternal::presenter().getActiveNavigationController();
    ASSERT_TRUE(nav);
    settings = QVControllerLoader::load("UserSetting");
    nav->pushViewController(settings.get(), false);
    auto* list = dynamic_cast<QVUserSettingController*>(settings.get());
    ASSERT_TRUE(list);
    ASSERT_TRUE(waitFor([&] {
        driver->settle();
        return list->sections().has_value();
    }));

    list->logout();
    ASSERT_TRUE(list->logoutSheet());
    list->logoutSheet()->clickButton("Logout");
    driver->advance(1);
    ASSERT_EQ(game.loggedOut.size(), 1u);
    EXPECT_EQ(game.loggedOut[0], player);
    EXPECT_FALSE(QuorvelInternal::presenter().dashboardVisible());
}

} // namespace
