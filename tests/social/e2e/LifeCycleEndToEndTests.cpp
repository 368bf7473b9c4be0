// The application's life cycle, end to end: the push token the device gets
// reaches the service, and an add-on joined to the client hears the player
// log in and the client shut down.
#include "EndToEndTestSupport.h"

#include "social/core/QuorvelAddOn.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/services/QVOfflineStore.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quorvel;
using namespace e2e_testing;
using Strings = std::vector<std::string>;

namespace {

class RecordingAddOn final : public QuorvelAddOn {
public:
    void initializeAddOn(const QuorvelSettingsDictionary&) override { events.push_back("initialize"); }
    void userLoggedIn() override { events.push_back("loggedIn"); }
    void userLoggedOut() override { events.push_back("loggedOut"); }
    void shutdownAddOn() override { events.push_back("shutdown"); }
    Strings events;
};

using LifeCycleEndToEnd = EndToEndTest;

TEST_F(LifeCycleEndToEnd, ThePushTokenReachesTheServiceAndAnAddOnHearsTheLoginAndShutDown)
{
    static RecordingAddOn addOn; // add-ons live for the whole process
    addOn.events.clear();
    Quorvel::registerAddOn(&addOn);
    struct Unregister {
        ~Unregister() { QVAddOnRegistry::unregisterAllAddOns(); }
    } unregister;

    ASSERT_GT(launchAndLogIn(), 0);
    EXPECT_EQ(addOn.events, (Strings { "initialize", "loggedIn" }));

    Quorvel::applicationDidRegisterForRemoteNotificationsWithDeviceToken(platform::Bytes { 0xab, 0x01 });
    ASSERT_TRUE(waitUntil([&] {
        for (auto& r : service->requests())
            if ((r.path == "push_notification_device_tokens.xml" || r.path == "bootstrap.xml") && r.param("device_token") == "ab01")
                return true;
        return false;
    }));

    quit();
    EXPECT_EQ(addOn.events.back(), "shutdown");
}

// Hears the dashboard come and go.
class DashboardWatcher final : public QuorvelDelegate {
public:
    void dashboardWillAppear() override { heard.push_back("WillAppear"); }
    void dashboardDidAppear() override { heard.push_back("DidAppear"); }
    void dashboardWillDisappear() override { heard.push_back("WillDisappear"); }
    void dashboardDidDisappear() override { heard.push_back("DidDisappear"); }
    Strings heard;
};

// The game quits while the dashboard still slides in (or out): the next
// launch hears nothing of that dashboard, whose slide ends after the quit.
TEST_F(LifeCycleEndToEnd, ADashboardStillSlidingWhenTheGameQuitsIsNotHeardByTheNextLaunch)
{
    DashboardWatcher watcher;
    delegates->setQuorvelDelegate(&watcher);
    ASSERT_GT(launchAndLogIn(), 0);
    for (bool closing : { false, true }) {
        watcher.heard.clear();
        Quorvel::launchDashboard();
        if (closing) {
            ASSERT_TRUE(waitUntil([&] { return watcher.heard.size() == 2; }));
            Quorvel::dismissDashboard();
        }
        quit();
        // The quit closes it: the game hears it go, once.
        const Strings closed = closing ? Strings { "WillAppear", "DidAppear", "WillDisappear", "DidDisappear" }
                                       : Strings { "WillAppear", "WillDisappear", "DidDisappear" };
        EXPECT_EQ(watcher.heard, closed);
        watcher.heard.clear();
        launch();
        letTimePass(2.0);
        EXPECT_EQ(watcher.heard, Strings {}) << (closing ? "closing" : "opening");
    }
    delegates->setQuorvelDelegate(&game);
}

// The dashboard open with nothing on the device (its store gone, the service
// out of reach), the player logs out and opens it again: the approval comes first, and given
// while the service is still out of reach, the dashboard closes as any does,
// the game hearing Will, then Did.
TEST_F(LifeCycleEndToEnd, AnApprovalAskedForByTheDashboardEndingOfflineClosesItWillThenDid)
{
    ASSERT_GT(launchAndLogIn(), 0);
    quit();
    std::filesystem::remove(QVDocumentsPathForFile(QVOfflineStore::kFileName));
    killService();
    DashboardWatcher watcher;
    delegates->setQuorvelDelegate(&watcher);
    launch();
    Quorvel::launchDashboard();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::hub().isDashboardHubOpen(); })) << screenText();
    Quorvel::logoutUser();
    Quorvel::launchDashboard();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController")) << screenText();
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForScreen("QVDoBootstrapController")) << screenText();
    ASSERT_TRUE(tap("Continue")) << screenText();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); })) << screenText();
    EXPECT_EQ(watcher.heard, (Strings { "WillAppear", "DidAppear", "WillDisappear", "DidDisappear" }));
    delegates->setQuorvelDelegate(&game);
}

} // namespace
