// The chat services against the stand-in: their requests, the join bookkeeping with the activity poller, and the last-room cache.
#include "ServiceTestSupport.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVPoller.h"
#include "social/services/QVChatServices.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

using Call = ServiceCall;

class QVChatServicesTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        auto file = [](const char* name) { return standin::Answer::xml(fixture(name)); };
        server.route("GET", "chat_room_definitions.xml", file("chat_room_definitions.xml"));
        server.route("GET", "chat_room_instances.xml", file("chat_room_instances.xml"));
        server.route("GET", "chat_room_instances/join", file("ok.xml"));
        server.route("GET", "chat_room_instances/show", [this](const standin::LoggedRequest&) {
            return standin::Answer::xml(fixture(showAnswer));
        });
        server.route("GET", "users/@me/activities.xml", file("chat_activities.xml"));

        poller = QVPoller::pollerWithProvider(provider.get(), "users/@me/activities.xml");
        QVChatMessageService::service().registerPolledResources(poller.get());
        facade.clearPollingCache = [this](const QVResourceClass& cls) { poller->clearCacheForResourceClass(cls); };
        facade.pollNow = [this] { poller->pollNow(); };
    }
    void TearDown() override
    {
        facade.clearPollingCache = nullptr;
        facade.pollNow = nullptr;
        poller->stopPolling();
        poller = nullptr;
        QVChatMessageService::shutdownService();
        QVChatRoomDefinitionService::shutdownService();
        QVChatRoomInstanceService::shutdownService();
        ServiceNetTest::TearDown();
    }
    // Starts a call and runs the loop until its callback and `requests` requests.
    std::vector<standin::LoggedRequest> run(const Call& call, size_t requests = 1)
    {
        server.clearLog();
        facade.notices.clear();
        recorder = net_testing::CallbackRecorder::create();
        call(recorder->onSuccess(), recorder->onFailure());
        EXPECT_TRUE(waitFor([&] { return recorder->total() > 0 && server.requestCount() >= requests; }));
        settleNetwork();
        return server.requests();
    }
    QVChatRoomInstance* firstRoom()
    {
        auto log = run([](auto& s, auto& f) { QVChatRoomInstanceService::getPage(1, nullptr, s, f); }, 0);
        EXPECT_EQ(recorder->failures, 1) << "no definition: no request";
        EXPECT_TRUE(log.empty());
        run([](auto& s, auto& f) { QVChatRoomDefinitionService::getIndex(s, f); });
        definitions = Ref<QVPaginatedSeries>(answer());
        run([&](auto& s, auto& f) {
            QVChatRoomInstanceService::getPage(
                2, dynamic_cast<QVChatRoomDefinition*>(definitions->objectAtIndex(0)), s, f);
        });
        instances = Ref<QVPaginatedSeries>(answer());
        return dynamic_cast<QVChatRoomInstance*>(instances->objectAtIndex(0));
    }

    Ref<QVPoller> poller;
    Ref<QVPaginatedSeries> definitions, instances;
    const char* showAnswer { "chat_room_instance.xml" };
};

TEST_F(QVChatServicesTest, RoomsAreListedWithTheirParametersAndRead)
{
    auto log = run([](auto& s, auto& f) { QVChatRoomDefinitionService::getIndex(s, f); });
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "chat_room_definitions.xml");
    EXPECT_EQ(ownParams(log[0]), (Params { { "include_global_rooms", "1" }, { "include_application_rooms", "1" },
                                           { "include_developer_rooms", "1" }, { "include_last_visited_room", "1" } }));
    EXPECT_EQ(facade.notices, std::vector<std::string> { "Downloaded Chat Rooms" });
    ASSERT_TRUE(answer());
    ASSERT_EQ(answer()->count(), 3u);
    auto* global = dynamic_cast<QVChatRoomDefinition*>(answer()->objectAtIndex(0));
    auto* developer = dynamic_cast<QVChatRoomDefinition*>(answer()->objectAtIndex(1));
    auto* last = dynamic_cast<QVChatRoomInstance*>(answer()->objectAtIndex(2));
    ASSERT_TRUE(global && developer && last);
    EXPECT_TRUE(global->isGlobalRoom() && !global->isDeveloperRoom());
    EXPECT_TRUE(developer->isDeveloperRoom());
    EXPECT_TRUE(last->isApplicationRoom()) << "the last visited room comes as an instance";
    // A definition's own index action does nothing: no request, no callback.
    server.clearLog();
    auto untouched = net_testing::CallbackRecorder::create();
    global->doIndexActionOnSuccess(untouched->onSuccess(), untouched->onFailure());
    loop().runOnce(0);
    EXPECT_EQ(untouched->total(), 0);
    EXPECT_EQ(server.requestCount(), 0u);

    // The flags go in their own order, not the arguments'; the page is not sent.
    log = run([](auto& s, auto& f) { QVChatRoomDefinitionService::getPage(3, true, false, true, false, s, f); });
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(ownParams(log[0]), (Params { { "include_global_rooms", "1" }, { "include_application_rooms", "1" },
                                           { "include_developer_rooms", "0" }, { "include_last_visited_room", "0" } }));

    QVChatRoomInstance* room = firstRoom();
    log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "chat_room_instances.xml");
    EXPECT_EQ(ownParams(log[0]), (Params { { "chat_room_definition_id", "1" }, { "page", "2" } }));
    EXPECT_EQ(facade.notices, std::vector<std::string> { "Downloaded Room Instances" });
    ASSERT_TRUE(room);

    // Chat messages are never asked for by a request of their own.
    log = run([](auto& s, auto& f) { QVChatMessageService::getIndex(s, f); }, 0);
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_FALSE(recorder->successArg);
    EXPECT_TRUE(log.empty());
}

TEST_F(QVChatServicesTest, AJoinThatIsNotARejoinForgetsSeenMessagesAndPollsAtOnce)
{
    // Messages seen so far, read through the poller.
    server.clearLog();
    poller->pollNow();
    ASSERT_TRUE(waitFor([&] { return !poller->isPollInFlight(); }));
    ASSERT_EQ(poller->lastSeenId(QVChatMessage::staticResourceClass()), 41);
    auto firstPoll = server.requests();
    ASSERT_EQ(firstPoll.size(), 1u);
    EXPECT_EQ(firstPoll[0].param("last_seen_chat_message_id"), "0");

    QVChatRoomInstance* room = firstRoom();
    ASSERT_TRUE(room);

    // A rejoin keeps them and asks for nothing more.
    auto log = run([&](auto& s, auto& f) { QVChatRoomInstanceService::attemptToJoinRoom(room, true, s, f); });
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "chat_room_instances/join");
    EXPECT_EQ(ownParams(log[0]), (Params { { "chat_room_instance_id", "31" } }));
    EXPECT_EQ(facade.notices, std::vector<std::string> { "Joined Chat Room" });
    EXPECT_EQ(poller->lastSeenId(QVChatMessage::staticResourceClass()), 41);
    auto* service = QVChatRoomInstanceService::sharedService();
    EXPECT_EQ(service->lastRoom(), room);
    EXPECT_EQ(service->roomJoining(), nullptr);

    // A new join polls from id 0 at once.
    log = run([&](auto& s, auto& f) { QVChatRoomInstanceService::attemptToJoinRoom(room, false, s, f); }, 2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].path, "users/@me/activities.xml");
    EXPECT_EQ(log[1].param("last_seen_chat_message_id"), "0");
    EXPECT_EQ(recorder->successes, 1);

    // A failed join leaves the last room and reaches only the failure value.
    server.route("GET", "chat_room_instances/join", standin::Answer::xml("<error>no</error>", 500));
    auto* other = dynamic_cast<QVChatRoomInstance*>(instances->objectAtIndex(1));
    run([&](auto& s, auto& f) { QVChatRoomInstanceService::attemptToJoinRoom(other, false, s, f); });
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(service->lastRoom(), room);
    EXPECT_EQ(service->roomJoining(), other);
    EXPECT_EQ(QVChatRoomInstanceService::getCachedLastRoomJoined(), room);
}

TEST_F(QVChatServicesTest, TheLastRoomComesFromTheCacheForTenSeconds)
{
    // The first question after start goes to the server.
    auto log = run([](auto& s, auto& f) { QVChatRoomInstanceService::loadLastRoomJoined(s, f); });
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "chat_room_instances/show");
    EXPECT_TRUE(ownParams(log[0]).empty());
    EXPECT_TRUE(facade.notices.empty()) << "silent";
    auto* loaded = dynamic_cast<QVChatRoomInstance*>(recorder->successArg.get());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->resourceId(), "32");

    advance(9.9);
    log = run([](auto& s, auto& f) { QVChatRoomInstanceService::loadLastRoomJoined(s, f); }, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(recorder->successArg.get(), loaded);

    // At 10.0 s the server is asked again; an answer of two rooms is no room.
    advance(0.1);
    showAnswer = "chat_room_instances.xml";
    log = run([](auto& s, auto& f) { QVChatRoomInstanceService::loadLastRoomJoined(s, f); });
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_FALSE(recorder->successArg);
    EXPECT_EQ(QVChatRoomInstanceService::getCachedLastRoomJoined(), nullptr);

    // A join answers from the cache too.
    QVChatRoomInstance* room = firstRoom();
    run([&](auto& s, auto& f) { QVChatRoomInstanceService::attemptToJoinRoom(room, true, s, f); });
    advance(5);
    log = run([](auto& s, auto& f) { QVChatRoomInstanceService::loadLastRoomJoined(s, f); }, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(recorder->successArg.get(), room);
}

} // namespace
