// The high-score service's notices through the running client's notice path:
// at once while offline, as the default notice while online.
#include "QuorvelTestSupport.h"

#include "social/core/QVNotification.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace core_testing;

namespace {

class QuorvelHighScoreNoticeTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QuorvelInternal::setUserApprovedQuorvel();
        QVNotification::setAllowedNoticeObserver([this](QVNotificationData* d) {
            shown.push_back(d->notificationText() + "|" + std::to_string(d->notificationCategory()) + "|"
                            + std::to_string(d->notificationType()) + "|" + d->imageName().value_or(""));
        });
    }
    void TearDown() override
    {
        QVNotification::setAllowedNoticeObserver(nullptr);
        QVNotification::sharedInstance().clearDefaultNotice();
        QuorvelTest::TearDown();
    }
    static void storeBoard(const std::string& id)
    {
        auto d = QVLeaderboard_Sync::create();
        d->setResourceId(id);
        d->setActive("1");
        d->setDescendingSortOrder("1");
        QVLeaderboardService::synchLeaderboardsList({ d }, {}, std::nullopt, false);
    }
    std::vector<std::string> shown;
};

TEST_F(QuorvelHighScoreNoticeTest, AnOfflineScoreIsAnnouncedAtOnceAndAnOnlineOneAfterTheNextAnswer)
{
    startClient();
    storeBoard("5");
    ASSERT_FALSE(Quorvel::isOnline());
    QVHighScoreService::setHighScore(10, "5", {}, {});
    EXPECT_EQ(shown, std::vector<std::string> { "New high score! Saving locally.|4|4|HighScoreNotificationIcon.png" });

    ASSERT_TRUE(waitFor([] { return Quorvel::isOnline(); }));
    shown.clear();
    QVHighScoreService::setHighScore(20, "5", {}, {});
    EXPECT_TRUE(shown.empty());
    ASSERT_TRUE(QVNotification::sharedInstance().defaultBackgroundNotice());
    EXPECT_EQ(QVNotification::sharedInstance().defaultBackgroundNotice()->notificationText(), "New high score!");
}

} // namespace
