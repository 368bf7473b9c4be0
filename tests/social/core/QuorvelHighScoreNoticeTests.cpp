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
        QuorvelInternal::options().setUserApprovedQuorvel();
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

// A device that never reached the service knows no leaderboard: the store
// refuses the score, so no notice may say it was saved.
TEST_F(QuorvelHighScoreNoticeTest, AScoreTheStoreRefusedIsNotAnnouncedAsSaved)
{
    server.script("POST", "bootstrap.xml", standin::Answer::xml("<error/>", 500));
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests());
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    ASSERT_FALSE(Quorvel::isOnline());
    shown.clear();
    int refused = 0, taken = 0;
    struct Verdict final : platform::Object {
        int* refused;
        int* taken;
        void yes(platform::Object*) { ++*taken; }
        void no(platform::Object*) { ++*refused; }
    };
    auto verdict = platform::adoptRef(new Verdict);
    verdict->refused = &refused;
    verdict->taken = &taken;
    QVHighScoreService::setHighScore(10, "5", QVDelegate(verdict.get(), BRISKO_SELECTOR(Verdict, yes)),
                                     QVDelegate(verdict.get(), BRISKO_SELECTOR(Verdict, no)));
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(taken, 0);
    EXPECT_TRUE(shown.empty()) << shown.front();

    // Once the board is known the same score is kept, and said to be.
    storeBoard("5");
    QVHighScoreService::setHighScore(10, "5", QVDelegate(verdict.get(), BRISKO_SELECTOR(Verdict, yes)),
                                     QVDelegate(verdict.get(), BRISKO_SELECTOR(Verdict, no)));
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(shown, std::vector<std::string> { "New high score! Saving locally.|4|4|HighScoreNotificationIcon.png" });
}

} // namespace
