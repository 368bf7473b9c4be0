// Answers and taps that come after the screen they were for has gone: the
// service holds its answer until the player has left (and the screen has been
// freed), or the player taps a popped screen's banner while the frame still
// slides. Nothing may reach the freed screen; run under the sanitizer build,
// a fault shows as a use after free.
#include "DashboardEndToEndSupport.h"

#include "platform/foundation/Weak.h"
#include "platform/net/HttpTransport.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Switch.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVBannerFrame.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVPlayerBannerCell.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

class LateAnswersEndToEnd : public DashboardEndToEndTest {
protected:
    void TearDown() override
    {
        if (service)
            service->stopHolding();
        DashboardEndToEndTest::TearDown();
    }

    // The service has answered every request and the client has heard them all.
    bool waitForQuietService()
    {
        return waitUntil([&] {
            return service->answeringCount() == 0 && platform::HttpTransport::shared().activeCount() == 0;
        });
    }
    platform::Weak<platform::ui::ViewController> frontScreen() const
    {
        auto* stack = frontStack();
        return platform::Weak<platform::ui::ViewController>(stack ? stack->topViewController() : nullptr);
    }

    // The player flips a setting, then leaves the settings screen by `leave`
    // before the service answers; the answer comes once the screen is freed.
    void switchASettingAndLeaveBeforeTheAnswer(const std::function<void()>& leave)
    {
        int64_t me = launchAndLogIn();
        openDashboard();
        ASSERT_TRUE(tapTab("My Quorvel"));
        ASSERT_TRUE(tapText("Settings"));
        ASSERT_TRUE(waitForText("Challenge Notices"));
        ASSERT_TRUE(waitForQuietService());
        auto settings = frontScreen();
        ASSERT_EQ(settings.unsafeGet()->className(), "QVUserSettingController");

        service->holdAnswersTo("users/@me/settings.xml");
        ASSERT_TRUE(touch(besideText<platform::ui::Switch>("Challenge Notices")));
        ASSERT_TRUE(waitUntil([&] { return service->heldCount() == 1; }));
        leave();
        ASSERT_TRUE(waitUntil([&] { return settings.expired(); })) << "the settings screen is freed before its answer";

        service->stopHolding();
        ASSERT_TRUE(waitForQuietService());
        EXPECT_EQ(kept("SELECT value FROM user_settings WHERE user_id = " + std::to_string(me) + " AND setting_id = 2"), "0")
            << "the service kept the switch";
    }
};

TEST_F(LateAnswersEndToEnd, ASettingSavedAfterThePlayerWentBackReachesNoFreedScreen)
{
    switchASettingAndLeaveBeforeTheAnswer([&] { ASSERT_TRUE(tapBack()); });
    EXPECT_EQ(frontScreenName(), "QVMyQuorvelController");
}

TEST_F(LateAnswersEndToEnd, ASettingSavedAfterTheDashboardClosedReachesNoFreedScreen)
{
    switchASettingAndLeaveBeforeTheAnswer([&] {
        quorvel::Quorvel::dismissDashboard();
        ASSERT_TRUE(waitUntil([] { return !quorvel::QuorvelInternal::presenter().isShowingFullScreen(); }));
    });
}

// The empty friends list offers to import; the player goes back before the
// service says which networks are linked.
TEST_F(LateAnswersEndToEnd, AnImportAnsweredAfterThePlayerLeftTheFriendsListPushesNothing)
{
    launchAndLogIn();
    quorvel::Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string());
    ASSERT_TRUE(tapWhenShown("My Friends")) << screenText();
    ASSERT_TRUE(waitForScreen("QVFriendsController"));
    ASSERT_TRUE(waitForText("Import from Facebook")) << screenText();
    ASSERT_TRUE(waitForQuietService());
    auto friends = frontScreen();

    service->holdAnswersTo("users_credentials");
    ASSERT_TRUE(tapText("Import from Facebook"));
    ASSERT_TRUE(waitUntil([&] { return service->heldCount() == 1; }));
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitUntil([&] { return friends.expired(); })) << "the friends list is freed before the answer";

    service->stopHolding();
    ASSERT_TRUE(waitForQuietService());
    EXPECT_EQ(frontScreenName(), "QVMyQuorvelController") << "no link screen for a list that is gone";
}

// The player's own banner opens their profile; back on the player's page, the
// profile (freed once the pop's transition ends) must not be reached by a tap
// on its banner while the frame is still sliding.
TEST_F(LateAnswersEndToEnd, APoppedScreensBannerTakesNoTapWhileTheFrameSlides)
{
    launchAndLogIn();
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    auto* stack = dynamic_cast<quorvel::QVFramedNavigationController*>(frontStack());
    ASSERT_TRUE(stack && stack->bannerView());
    auto* ownBanner = dynamic_cast<quorvel::QVPlayerBannerCell*>(stack->bannerView()->bannerSubview());
    ASSERT_NE(ownBanner, nullptr);
    ASSERT_TRUE(touch(ownBanner));
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(waitForQuietService());
    auto profile = frontScreen();
    platform::Ref<quorvel::QVBannerCell> profileBanner = stack->bannerView()->bannerSubview();
    ASSERT_TRUE(profileBanner);
    ASSERT_EQ(profileBanner->bannerProvider(), profile.unsafeGet());

    // Back, and a tap just after the pop's transition, within the frame's slide.
    ASSERT_TRUE(driver->tapBack(stack));
    driver->advance(platform::ui::NavigationController::kTransitionDuration + 0.05);
    ASSERT_TRUE(profile.expired()) << "the popped profile is freed when its transition ends";
    EXPECT_NE(stack->bannerView()->bannerSubview(), profileBanner.get()) << "the popped screen's banner has gone";
    driver->tap(profileBanner.get());
    driver->advance(0.6);
    EXPECT_EQ(frontScreenName(), "QVMyQuorvelController");

    // The banner shown now is the player's page's own and opens the profile again.
    auto* shown = stack->bannerView()->bannerSubview();
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(touch(shown));
    EXPECT_TRUE(waitForScreen("QVProfileController"));
}

} // namespace
