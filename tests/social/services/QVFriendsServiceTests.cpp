// The friends service against the stand-in: each request's method, path,
// ordered parameters and notice; following-anyone; a user's friend lists
// through the public class; and the game-player and online-status records.
#include "ServiceTestSupport.h"

#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVGamePlayer.h"

#include "platform/foundation/Boxed.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

class FriendsDelegate : public platform::Object, public QVUserDelegate {
public:
    void didGetFriends(const QVUserArray& f, QVUser* u) override { record("friends", f, u); }
    void didFailGetFriendsQVUser(QVUser* u) override { record("friends-failed", {}, u); }
    void didGetFriendsWithThisApplication(const QVUserArray& f, QVUser* u) override { record("app", f, u); }
    void didFailGetFriendsWithThisApplicationQVUser(QVUser* u) override { record("app-failed", {}, u); }
    void record(const char* what, const QVUserArray& f, QVUser* u)
    {
        calls.push_back(what);
        for (auto& user : f)
            names.push_back(user->name());
        asker = Ref<QVUser>(u);
    }
    std::vector<std::string> calls, names;
    Ref<QVUser> asker;
};

class QVFriendsServiceTest : public ServiceNetTest { };

TEST_F(QVFriendsServiceTest, EachRequestSendsItsMethodPathParametersAndNotice)
{
    struct Case {
        ServiceCall call;
        const char* method;
        const char* path;
        Params params;
        const char* notice; // or null for a silent request
    };
    const Params poi { { "user_id", "me" }, { "scope", "people-of-interest" } };
    auto with = [](Params first, const Params& rest) {
        first.insert(first.end(), rest.begin(), rest.end());
        return first;
    };
    const Case cases[] = {
        { [](auto& s, auto& f) { QVFriendsService::getUsersFollowedByUser("17", 2, s, f); }, "GET", "users.xml",
          { { "page", "2" }, { "user_id", "17" }, { "scope", "people-of-interest" } }, "Downloaded Friends" },
        { [](auto& s, auto& f) { QVFriendsService::getUsersFollowedByLocalUser(3, s, f); }, "GET", "users.xml",
          with({ { "page", "3" } }, poi), "Downloaded Friends" },
        { [](auto& s, auto& f) { QVFriendsService::getAllUsersFollowedByLocalUserAlphabetical(s, f); }, "GET",
          "users.xml", with({ { "full_alphabetical_list", "1" } }, poi), "Downloaded Friends" },
        { [](auto& s, auto& f) { QVFriendsService::getAllUsersWithApp("", "17", s, f); }, "GET", "users.xml",
          { { "full_alphabetical_list", "1" }, { "with_client_application", "301" }, { "not_sectioned", "yes" },
            { "user_id", "17" }, { "scope", "people-of-interest" } },
          "Downloaded Friends" },
        { [](auto& s, auto& f) { QVFriendsService::getUsersWithAppFollowedByUser(std::nullopt, "17", 4, s, f); },
          "GET", "users.xml",
          { { "page", "4" }, { "user_id", "17" }, { "scope", "people-of-interest" }, { "with_client_application", "301" } },
          "Downloaded Friends" },
        { [](auto& s, auto& f) { QVFriendsService::getUsersWithAppFollowedByLocalUser(std::string(), 1, s, f); },
          "GET", "users.xml", with(with({ { "page", "1" } }, poi), { { "with_client_application", "" } }),
          "Downloaded Friends" },
        { [](auto& s, auto& f) { QVFriendsService::getUsersFollowingUser("17", true, 2, s, f); }, "GET", "users.xml",
          { { "page", "2" }, { "user_id", "17" }, { "scope", "followers" }, { "im-not-following", "1" } },
          "Downloaded Followers" },
        { [](auto& s, auto& f) { QVFriendsService::getUsersFollowingLocalUser(1, false, s, f); }, "GET", "users.xml",
          { { "page", "1" }, { "scope", "followers" } }, "Downloaded Followers" },
        { [](auto& s, auto& f) { QVFriendsService::makeLocalUserFollow("17", s, f); }, "POST",
          "users/17/following.xml", {}, "Followed" },
        { [](auto& s, auto& f) { QVFriendsService::makeLocalUserStopFollowing("17", s, f); }, "DELETE",
          "users/17/following.xml", {}, "Stopped Following" },
        { [](auto& s, auto& f) { QVFriendsService::removeLocalUsersFollower("17", s, f); }, "DELETE",
          "users/17/following.xml", { { "follower", "yes" } }, "Removed Follower" },
        { [](auto& s, auto& f) { QVFriendsService::isLocalUserFollowingAnyone(s, f); }, "GET", "users.xml",
          { { "page", "1" }, { "per_page", "1" }, { "user_id", "me" }, { "scope", "people-of-interest" } }, nullptr },
        { [](auto& s, auto& f) { QVFriendsService::getInvitableFriends(5, s, f); }, "GET",
          "invites/new/invitable_friends", { { "page", "5" } }, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        standin::LoggedRequest sent = sendOne(c.call);
        EXPECT_EQ(sent.method, c.method);
        EXPECT_EQ(sent.path, c.path);
        EXPECT_EQ(ownParams(sent), c.params);
        EXPECT_TRUE(sent.signatureValid) << "parameters are signed";
        if (c.notice)
            EXPECT_EQ(facade.notices, std::vector<std::string> { c.notice });
        else
            EXPECT_TRUE(facade.notices.empty());
    }
}

TEST_F(QVFriendsServiceTest, FollowingAnyoneIsWhetherTheAnswerHoldsAnObject)
{
    QVFriendsService::isLocalUserFollowingAnyone(recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    auto* flag = dynamic_cast<platform::Boxed*>(recorder->successArg.get());
    ASSERT_TRUE(flag);
    EXPECT_TRUE(flag->value().asBool());

    server.route("GET", "users.xml", standin::Answer::xml("<resources/>"));
    recorder = net_testing::CallbackRecorder::create();
    QVFriendsService::isLocalUserFollowingAnyone(recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    flag = dynamic_cast<platform::Boxed*>(recorder->successArg.get());
    ASSERT_TRUE(flag);
    EXPECT_FALSE(flag->value().asBool());
}

TEST_F(QVFriendsServiceTest, EmptyIdSendsNothingAndFailsAtOnce)
{
    EXPECT_FALSE(QVFriendsService::makeLocalUserFollow("", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_FALSE(QVFriendsService::makeLocalUserStopFollowing("", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 2);
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(QVFriendsServiceTest, FriendsSkipOnlineNowAndAcceptUnsectionedAnswers)
{
    auto d = platform::adoptRef(new FriendsDelegate);
    QVUser::setDelegate(d.get());
    auto ann = QVUser::invalidUser();
    ann->setResourceId("17");
    EXPECT_TRUE(ann->getFriends());
    ASSERT_TRUE(waitFor([&] { return !d->calls.empty(); }));
    EXPECT_EQ(d->calls, std::vector<std::string> { "friends" });
    EXPECT_EQ(d->names, (std::vector<std::string> { "Ann", "Axel", "Bo" }));
    EXPECT_EQ(d->asker.get(), ann.get());

    d->calls.clear();
    d->names.clear();
    EXPECT_TRUE(ann->getFriendsWithThisApplication());
    ASSERT_TRUE(waitFor([&] { return !d->calls.empty(); }));
    EXPECT_EQ(d->calls, std::vector<std::string> { "app" });
    EXPECT_EQ(d->names, (std::vector<std::string> { "Ann", "Bo", "Cy" })) << "an unsectioned answer is the list";
    auto log = server.requests();
    EXPECT_EQ(log.back().param("with_client_application"), "301");
    EXPECT_EQ(log.back().param("user_id"), "17");

    d->calls.clear();
    d->names.clear();
    server.route("GET", "users.xml", standin::Answer::xml(
        "<resources><resource_sections><resource_section><title>Online Now</title><user id=\"1\"/>"
        "</resource_section></resource_sections></resources>"));
    ann->getFriends();
    ASSERT_TRUE(waitFor([&] { return !d->calls.empty(); }));
    EXPECT_EQ(d->calls, std::vector<std::string> { "friends" }) << "only Online Now: an empty list, not a failure";
    EXPECT_TRUE(d->names.empty());

    d->calls.clear();
    server.route("GET", "users.xml", standin::Answer::xml("oops", 500));
    host.errorScreens = facade.errorScreens = false;
    ann->getFriends();
    ASSERT_TRUE(waitFor([&] { return !d->calls.empty(); }));
    EXPECT_EQ(d->calls, std::vector<std::string> { "friends-failed" });
}

TEST_F(QVFriendsServiceTest, ClearedDelegateHearsNothingWhileTheRequestRunsOn)
{
    auto d = platform::adoptRef(new FriendsDelegate);
    QVUser::setDelegate(d.get());
    auto ann = QVUser::invalidUser();
    ann->setResourceId("17");
    ann->getFriends();
    QVUser::setDelegate(nullptr);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(QVUserClass::module()), 0u);
    ASSERT_TRUE(waitForRequests(1)) << "the request still runs";
    settleNetwork();
    EXPECT_TRUE(d->calls.empty());
}

TEST(QVGamePlayer, ReadsTheNestedUserAndStanding)
{
    QVResourceNameMap names;
    names.addResource<QVGamePlayer>("game_player");
    auto doc = QVXmlDocument::xmlDocumentWithString(fixture("game_players.xml"));
    auto series = QVResource::resourcesFromXml(doc.get(), names);
    ASSERT_TRUE(series);
    ASSERT_EQ(series->count(), 2u);
    auto* p = dynamic_cast<QVGamePlayer*>(series->objectAtIndex(0));
    ASSERT_TRUE(p && p->user());
    EXPECT_EQ(p->applicationId(), "301");
    EXPECT_EQ(p->applicationGamerscore(), 450u);
    EXPECT_TRUE(p->isFavorite());
    EXPECT_EQ(p->user()->name(), "Ann");
    EXPECT_EQ(p->user()->gamerScore(), 1200u);
    auto* bare = dynamic_cast<QVGamePlayer*>(series->objectAtIndex(1));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->user(), nullptr);
    EXPECT_EQ(bare->applicationGamerscore(), 0u);
    EXPECT_EQ(p->toResourceArrayXml().find("app_id"), std::string::npos) << "read only";
}

} // namespace
