// The in-game notices, end to end: what the game's own calls make the client
// say over the game, as bars sliding in at the place the settings choose.
// Every notice passes the player's option, the game's veto and the dashboard;
// the high-score notice waits for the service's next good answer; a request's
// notice comes when its request ends, with the failure image when it failed.
#include "EndToEndTestSupport.h"

#include "platform/device/Application.h"
#include "platform/graphics/Image.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QVAchievementNotificationView.h"
#include "social/core/QVNotificationInputResponse.h"
#include "social/core/QVNotificationView.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScoreService.h"
#include "social/ui/ScreenTestKit.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;
using Strings = std::vector<std::string>;
using standin::StandInState;

namespace {

// The game's notification delegate: refuses the categories it was told to.
class GameNotices final : public QVNotificationDelegate {
public:
    std::optional<bool> isQuorvelNotificationAllowed(QVNotificationData* d) override
    {
        asked.push_back(d->notificationText());
        return refusedCategory != d->notificationCategory();
    }
    void notificationWillShow(QVNotificationData* d) override { shown.push_back(d->notificationText()); }
    void handleDisallowedNotification(QVNotificationData* d) override { refused.push_back(d->notificationText()); }
    int refusedCategory { -1 };
    Strings asked, shown, refused;
};

// Whether a picture shown is the shipped art of that name (the same pixels).
bool isArt(const platform::Image* shown, const std::string& name)
{
    auto art = platform::Image::imageWithContentsOfFile(screen_testing::sourceDirectory() + "/resources/" + name);
    return shown && art && shown->width() == art->width() && shown->height() == art->height()
        && shown->rgba() == art->rgba();
}

class NoticeBarsEndToEnd : public EndToEndTest {
protected:
    // Launches with the bars at `position` (a game in `orientation`), logged in, the welcome bar gone.
    void launchWithBarsAt(int position, int orientation = 1)
    {
        quorvel::QuorvelInternal::options().setUserApprovedQuorvel();
        quorvel::QuorvelInternal::options().setDoneWithGetTheMost(true);
        QuorvelSettingsDictionary settings;
        settings.values.set("QuorvelSettingNotificationPosition", platform::Value(position));
        settings.values.set("DashboardOrientation", platform::Value(orientation));
        startClient(settings, delegates.get());
        ASSERT_TRUE(waitUntil([] {
            return QuorvelInternal::login().successfullyBootstrapped() && !QuorvelInternal::login().isBootstrapInProgress();
        }));
        ASSERT_TRUE(waitUntil([&] { return !bars().empty(); })) << "the welcome";
        ASSERT_TRUE(waitUntil([&] { return bars().empty(); }));
    }
    // The bars in the window now, oldest first.
    template <typename Bar = QVNotificationView>
    std::vector<Bar*> bars() const
    {
        std::vector<Bar*> out;
        for (auto& v : driver->window()->subviews())
            if (auto* bar = dynamic_cast<Bar*>(v.get()))
                out.push_back(bar);
        return out;
    }
    bool waitForBar(const std::string& text)
    {
        return waitUntil([&] {
            for (auto* bar : bars())
                if (bar->notice() && bar->notice()->text() == text)
                    return true;
            return false;
        });
    }
    QVNotificationView* bar(const std::string& text) const
    {
        for (auto* b : bars())
            if (b->notice() && b->notice()->text() == text)
                return b;
        return nullptr;
    }
    void submit(int64_t score)
    {
        QVHighScoreService::setHighScore(score, std::to_string(StandInState::kNormalLeaderboard), {}, {});
    }
    bool serviceKeptScore(int64_t score) const
    {
        for (auto& s : state->scores())
            if (s.score == score)
                return true;
        return false;
    }
    GameNotices gameNotices;
};

TEST_F(NoticeBarsEndToEnd, EveryNoticePassesThePlayersOptionTheGamesVetoAndTheDashboard)
{
    delegates->setNotificationDelegate(&gameNotices);
    gameNotices.refusedCategory = 6; // the game draws its own achievement banners
    ASSERT_NO_FATAL_FAILURE(launchWithBarsAt(1));
    EXPECT_EQ(gameNotices.shown.size(), 1u) << "the welcome";

    // Refused by the game: no bar, the game is told, the unlock still reaches the service.
    QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement))->updateProgressionComplete(100, true);
    ASSERT_TRUE(waitUntil([&] { return !state->unlocks().empty(); }));
    letTimePass(0.2);
    EXPECT_TRUE(bars().empty());
    EXPECT_EQ(gameNotices.refused, (Strings { QVUnlockedAchievementNotificationData::kText }));

    // Allowed: the new best's bar shows once the service took it.
    submit(1000);
    ASSERT_TRUE(waitForBar(QVHighScoreService::kNewHighScore));
    EXPECT_TRUE(serviceKeptScore(1000));
    EXPECT_EQ(gameNotices.shown.back(), QVHighScoreService::kNewHighScore);
    ASSERT_TRUE(waitUntil([&] { return bars().empty(); }));

    // The player turned the client off: nothing goes out, and the game is
    // not even asked about the notice, only told it was not shown.
    size_t asked = gameNotices.asked.size();
    size_t sent = service->requestCount();
    QuorvelInternal::options().setDisabled(true);
    QVAchievement::achievement(std::to_string(StandInState::kCollectorAchievement))->updateProgressionComplete(40, true);
    ASSERT_TRUE(waitUntil([&] { return gameNotices.refused.size() == 2; }));
    EXPECT_EQ(gameNotices.asked.size(), asked);
    letTimePass(0.2);
    EXPECT_TRUE(bars().empty());
    EXPECT_EQ(service->requestCount(), sent);
    QuorvelInternal::options().setDisabled(false);

    // Over the open dashboard a score makes no bar and no call to the game at all.
    openDashboard();
    size_t calls = gameNotices.asked.size() + gameNotices.refused.size();
    submit(3000);
    ASSERT_TRUE(waitUntil([&] { return serviceKeptScore(3000); }));
    letTimePass(0.2);
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    letTimePass(0.2);
    EXPECT_TRUE(bars().empty());
    EXPECT_EQ(gameNotices.asked.size() + gameNotices.refused.size(), calls);
}

TEST_F(NoticeBarsEndToEnd, TheNewHighScoreNoticeWaitsForTheServicesNextGoodAnswer)
{
    ASSERT_NO_FATAL_FAILURE(launchWithBarsAt(1));
    service->script("POST", QVHighScoreService::kBatchPath, standin::Answer::xml("<errors/>", 500));
    submit(1000);
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(QVHighScoreService::kBatchPath).size() == 1; }));
    letTimePass(0.3);
    EXPECT_EQ(bar(QVHighScoreService::kNewHighScore), nullptr) << "the service refused the score";

    // The next answer that goes well, whatever it answers, brings the notice.
    QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement))->updateProgressionComplete(100, true);
    ASSERT_TRUE(waitUntil([&] { return !state->unlocks().empty(); }));
    ASSERT_TRUE(waitForBar(QVHighScoreService::kNewHighScore));
}

TEST_F(NoticeBarsEndToEnd, ARequestsNoticeComesWhenItEndsWithTheFailureImageIfItFailed)
{
    ASSERT_NO_FATAL_FAILURE(launchWithBarsAt(1));
    const std::string path = "users/" + std::to_string(StandInState::kRivalUser) + "/following.xml";
    standin::Answer held = standin::Answer::xml("<users></users>");
    held.hold = true;
    service->script("POST", path, held);
    QVFriendsService::makeLocalUserFollow(std::to_string(StandInState::kRivalUser), {}, {});
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo(path).empty(); }));
    letTimePass(0.3);
    EXPECT_TRUE(bars().empty()) << "the request has not ended";
    service->releaseHeld();
    ASSERT_TRUE(waitForBar("Followed"));
    EXPECT_TRUE(bar("Followed")->statusIndicator()->isHidden()) << "success has no status image";
    ASSERT_TRUE(waitUntil([&] { return bars().empty(); }));

    // An answer cut short: the bar comes with the failure image.
    standin::Answer cut = standin::Answer::xml("<users></users>");
    cut.truncateAfter = 3;
    service->script("POST", path, cut);
    QVFriendsService::makeLocalUserFollow(std::to_string(StandInState::kRivalUser), {}, {});
    ASSERT_TRUE(waitForBar("Followed"));
    auto* failed = bar("Followed");
    EXPECT_FALSE(failed->statusIndicator()->isHidden());
    EXPECT_TRUE(isArt(failed->statusIndicator()->image(), QVNotification::kStatusFailure));
    EXPECT_EQ(serviceRequestsTo(path).size(), 2u);
}

// Upright, and for a game in landscape on a phone whose status bar stays upright (the game's
// screen turned, the status bar not): every bar lies on the screen, at its edge.
TEST_F(NoticeBarsEndToEnd, BarsSlideInAndOutAtTheTopOrBottomTheSettingsChoose)
{
    const platform::Rect screen = driver->window()->bounds();
    int64_t score = 1000;
    for (int orientation : { 1, 3, 4 })
        for (int position : { 0, 1 }) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", position " << position);
            ASSERT_NO_FATAL_FAILURE(launchWithBarsAt(position, orientation));
            ASSERT_EQ(platform::ui::Application::sharedApplication().statusBarOrientation(),
                      platform::ui::InterfaceOrientation::Portrait);
            submit(score += 1000);
            ASSERT_TRUE(waitForBar(QVHighScoreService::kNewHighScore));
            auto* shown = bar(QVHighScoreService::kNewHighScore);
            platform::Rect frame = shown->convertRectTo(shown->bounds(), nullptr);
            EXPECT_TRUE(frame.minX() >= screen.minX() && frame.maxX() <= screen.maxX() && frame.minY() >= screen.minY()
                        && frame.maxY() <= screen.maxY())
                << "off the screen at " << frame.minX() << ", " << frame.minY();
            // Its edge: the top or bottom of the game's screen, as the game holds it.
            const bool top = position == 0;
            if (orientation == 1 && top)
                EXPECT_LE(frame.minY(), 20.0f) << "under the status bar at most";
            else if (orientation == 1)
                EXPECT_EQ(frame.maxY(), screen.maxY());
            else if ((orientation == 3) == top)
                EXPECT_GE(frame.maxX(), screen.maxX() - 20.0f);
            else
                EXPECT_LE(frame.minX(), screen.minX() + 20.0f);
            EXPECT_TRUE(isArt(shown->backgroundImage()->defaultImage(), position == 0
                                  ? "QVNotificationBackgroundIPhoneTop.png" : "QVNotificationBackgroundIPhoneBottom.png"));
            EXPECT_NE(shown->notificationImage()->image(), nullptr) << "the high-score icon";
            EXPECT_TRUE(shows(QVHighScoreService::kNewHighScore));
            // It leaves by itself after its hold.
            ASSERT_TRUE(waitUntil([&] { return bars().empty(); }));
            quit();
        }
}

TEST_F(NoticeBarsEndToEnd, AnUnlockedAchievementsBarShowsItsTitleAndPoints)
{
    ASSERT_NO_FATAL_FAILURE(launchWithBarsAt(1));
    QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement))->updateProgressionComplete(100, true);
    ASSERT_TRUE(waitUntil([&] { return !bars<QVAchievementNotificationView>().empty(); }));
    auto* shown = bars<QVAchievementNotificationView>()[0];
    EXPECT_EQ(shown->notice()->text(), "'First Steps'");
    EXPECT_FALSE(shown->statusIndicator()->isHidden());
    EXPECT_TRUE(isArt(shown->statusIndicator()->defaultImage(), "QVQuorvelPointsWhite.png"));
    EXPECT_NE(shown->notificationImage()->image(), nullptr);
    EXPECT_TRUE(shows("'First Steps'"));
}

TEST_F(NoticeBarsEndToEnd, ANoticesInputResponseOpensTheDashboardOnItsTabWithItsScreen)
{
    ASSERT_NO_FATAL_FAILURE(launchWithBarsAt(1));
    auto open = QVInputResponseOpenDashboard::initWithTab("MyQuorvel", "UserSetting");
    open->respondToInput();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(waitForScreen("QVUserSettingController")) << frontScreenName();
    ASSERT_TRUE(tapBack());
    EXPECT_TRUE(waitForScreen("QVMyQuorvelController"));

    // A response that pushes a screen does so on the stack in front.
    auto push = QVInputResponsePushController::responseWithControllerName("UserSetting", frontStack(), false);
    push->respondToInput();
    settleAfterTouch();
    EXPECT_TRUE(waitForScreen("QVUserSettingController"));
}

} // namespace
