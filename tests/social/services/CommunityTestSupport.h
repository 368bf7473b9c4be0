// The community services' stand-in routes and a facade host that also keeps
// the announcement date, the posted unread counts and the suggestions forum.
#pragma once

#include "ServiceTestSupport.h"

#include "social/services/QVAnnouncementService.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVSubscriptionService.h"

namespace service_testing {

inline void installCommunityRoutes(standin::StandInServer& server)
{
    using standin::Answer;
    auto file = [](const char* name) { return Answer::xml(fixture(name)); };
    server.route("GET", "client_applications/301/forums.xml", file("forum_topics.xml"));
    server.route("GET", "client_applications/302/forums.xml", file("forum_topics.xml"));
    server.route("GET", "topics/7/discussions.xml", file("forum_threads.xml"));
    server.route("POST", "topics/7/discussions.xml", file("forum_threads.xml"));
    server.route("GET", "discussions/40/posts.xml", file("forum_posts.xml"));
    server.route("POST", "discussions/40/posts.xml", file("forum_posts.xml"));
    server.route("POST", "discussions/40/subscribe.xml", file("ok.xml"));
    server.route("POST", "discussions/40/unsubscribe.xml", file("ok.xml"));
    server.route("POST", "discussions.xml", file("conversations.xml"));
    server.route("POST", "discussions/60/posts.xml", file("forum_posts.xml"));
    server.route("GET", "discussions/60/posts.xml", file("forum_posts.xml"));
    server.route("POST", "discussions/60/delete.xml", file("ok.xml"));
    server.route("GET", "subscriptions.xml", file("subscriptions.xml"));
    server.route("GET", "client_applications/301/forums/announcements.xml", file("announcements.xml"));
    server.route("GET", "client_applications/302/forums/announcements.xml", file("announcements.xml"));
    server.route("POST", "users/17/abuse_flags.xml", file("ok.xml"));
}

class CommunityHost : public FacadeHost<net_testing::RecordingHost> {
public:
    platform::Date lastRead { 1289217600 }; // 2010-11-08 12:00:00 GMT
    std::vector<int> posted;
    std::string suggestions { "44" };

    platform::Date lastAnnouncementDateForLocalUser() override { return lastRead; }
    void setLastAnnouncementDateForLocalUser(platform::Date date) override
    {
        if (date.seconds > lastRead.seconds)
            lastRead = date;
    }
    void postUnreadAnnouncementCountChangedTo(int count) override { posted.push_back(count); }
    std::string suggestionsForumId() override { return suggestions; }
};

// The stand-in with the community routes; the local player is user 5.
class CommunityNetTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        community.providerLink = provider.get();
        community.local = quorvel::QVUser::create();
        community.local->setResourceId("5");
        quorvel::TestRuntimeRoles::setCurrent(&community);
        installCommunityRoutes(server);
    }
    void TearDown() override
    {
        quorvel::QVAnnouncement::setDelegate(nullptr);
        quorvel::QVForumService::shutdownService();
        quorvel::QVAnnouncementService::shutdownService();
        quorvel::QVConversationService::shutdownService();
        quorvel::QVSubscriptionService::shutdownService();
        quorvel::TestRuntimeRoles::setCurrent(&facade);
        ServiceNetTest::TearDown();
    }
    CommunityHost community;
};

} // namespace service_testing
