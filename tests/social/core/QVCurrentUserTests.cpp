// The current-user class: the badge count follows the central class's
// counters; the favourite and social-network requests reach the delegate,
// and a cleared delegate hears nothing.
#include "../services/ServiceTestSupport.h"

#include "social/core/QVCurrentUser.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVClientApplicationService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;

namespace {

class CurrentUserDelegate : public platform::Object, public QVCurrentUserDelegate {
public:
    void didFavoriteCurrentGame() override { calls.push_back("favorite"); }
    void didFailFavoriteCurrentGame() override { calls.push_back("favorite-failed"); }
    void didCheckConnectedToSocialNetwork(bool linked) override { calls.push_back(linked ? "linked" : "unlinked"); }
    void didSendFriendRequest() override { calls.push_back("followed"); }
    std::vector<std::string> calls;
};

class QVCurrentUserTest : public ServiceNetTest {
protected:
    void TearDown() override
    {
        QVCurrentUser::setDelegate(nullptr);
        QVClientApplicationService::shutdownService();
        ServiceNetTest::TearDown();
    }
};

TEST_F(QVCurrentUserTest, BadgeCountIsTheSumOfTheThreeCounters)
{
    QuorvelInternal::options().setUnviewedChallengesCount(2);
    QuorvelInternal::options().setPendingFriendsCount(3);
    QuorvelInternal::options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(1, 1, 4);
    EXPECT_EQ(QVCurrentUser::QuorvelBadgeCount(), 11);
    QuorvelInternal::options().setPendingFriendsCount(0);
    EXPECT_EQ(QVCurrentUser::QuorvelBadgeCount(), 8);
    EXPECT_EQ(QVCurrentUser::unviewedChallengesCount(), 2);
}

TEST_F(QVCurrentUserTest, RequestsReachTheDelegateUntilItIsCleared)
{
    auto d = platform::adoptRef(new CurrentUserDelegate);
    QVCurrentUser::setDelegate(d.get());
    QuorvelInternal::options().setClientApplicationId("301");
    server.route("POST", "client_applications/301/users/review.xml", standin::Answer::xml(fixture("ok.xml")));

    EXPECT_TRUE(QVCurrentUser::favoriteCurrentGame(std::string("fun")));
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 1; }));
    EXPECT_EQ(ownParams(server.requests().at(0)),
              (standin::Params { { "client_application_user[review]", "fun" }, { "client_application_user[favorite]", "1" } }));

    // The fixture links Twitter; with only an e-mail credential the answer is NO.
    QVCurrentUser::checkConnectedToSocialNetwork();
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 2; }));
    server.route("GET", "users_credentials",
                 standin::Answer::xml("<resources><resource_sections><resource_section><title>L</title>"
                                      "<users_credential><id>1</id><credential_type>http_basic</credential_type>"
                                      "</users_credential></resource_section></resource_sections></resources>"));
    QVCurrentUser::checkConnectedToSocialNetwork();
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 3; }));
    EXPECT_EQ(d->calls, (std::vector<std::string> { "favorite", "linked", "unlinked" }));

    // Cleared while a request runs: it completes on the server, the answer reaches nobody.
    server.clearLog();
    auto ann = QVUser::invalidUser();
    ann->setResourceId("17");
    QVCurrentUser::sendFriendRequest(ann.get());
    QVCurrentUser::setDelegate(nullptr);
    ASSERT_TRUE(waitForRequests(1));
    settleNetwork();
    EXPECT_EQ(d->calls.size(), 3u);
}

} // namespace
