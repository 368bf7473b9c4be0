// Chat as the player uses it: choosing a kind of room and a room, posting in
// it, reading another player's messages as the poller brings them, and the
// room joined last leading the list the next time.
#include "CommunityEndToEndSupport.h"

#include "social/core/QuorvelInternal.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;

namespace {

using ChatEndToEnd = CommunityEndToEndTest;

TEST_F(ChatEndToEnd, AMessagePostedInAChosenRoomIsKeptAndAnotherPlayersMessageArrivesThroughThePoller)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t mira = addOtherPlayer("Mira");
    ASSERT_EQ(actAs(mira, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "511" } }).status, 200);

    Quorvel::launchDashboardWithListGlobalChatRoomsPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    // The game asked for the rooms open to everyone: those are the kinds offered.
    ASSERT_TRUE(tapWhenShown("Everyone")) << screenText();
    EXPECT_EQ(serviceRequestsTo("chat_room_definitions.xml").at(0).param("include_developer_rooms"), "0");
    ASSERT_TRUE(tapWhenShown("Main Hall")) << screenText();
    ASSERT_TRUE(waitForScreen("QVChatRoomController")) << screenText();
    EXPECT_EQ(kept("SELECT instance_id FROM chat_members WHERE user_id = " + std::to_string(player)), "511");

    // The box under the room shows once the room is joined.
    ASSERT_TRUE(waitUntil([&] { return typeInto(0, "Hello room"); })) << screenText();
    ASSERT_TRUE(driver->pressReturn());
    ASSERT_TRUE(waitUntil([&] {
        return kept("SELECT message FROM chat_messages WHERE user_id = " + std::to_string(player)) == "Hello room";
    }));
    ASSERT_TRUE(waitForText("Hello room")) << screenText();

    ASSERT_EQ(actAs(mira, "POST", "chat_messages.xml", { { "chat_message[message]", "Hi from Mira" } }).status, 200);
    ASSERT_TRUE(waitForText("Hi from Mira")) << screenText();
    EXPECT_FALSE(serviceRequestsTo("users/@me/activities.xml").empty());

    // Back at the kinds of rooms, the room joined last leads the list.
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVSelectChatRoomDefinitionController")) << screenText();
    ASSERT_TRUE(waitForText("Last Visited Room")) << screenText();
    EXPECT_TRUE(shows("Main Hall"));
}

TEST_F(ChatEndToEnd, MessagesThatArriveTogetherReadOldestToNewestDownTheRoom)
{
    ASSERT_GT(launchAndLogIn(), 0);
    int64_t mira = addOtherPlayer("Mira");
    ASSERT_EQ(actAs(mira, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "511" } }).status, 200);
    for (const char* text : { "First of three", "Second of three", "Third of three" })
        ASSERT_EQ(actAs(mira, "POST", "chat_messages.xml", { { "chat_message[message]", text } }).status, 200);

    // Joining polls at once: the three arrive in one answer.
    Quorvel::launchDashboardWithListGlobalChatRoomsPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(tapWhenShown("Everyone")) << screenText();
    ASSERT_TRUE(tapWhenShown("Main Hall")) << screenText();
    ASSERT_TRUE(waitForText("Third of three")) << screenText();
    EXPECT_LT(textTop("First of three"), textTop("Second of three")) << screenText();
    EXPECT_LT(textTop("Second of three"), textTop("Third of three")) << screenText();

    // A later one goes below them.
    ASSERT_EQ(actAs(mira, "POST", "chat_messages.xml", { { "chat_message[message]", "Fourth" } }).status, 200);
    ASSERT_TRUE(waitForText("Fourth")) << screenText();
    EXPECT_LT(textTop("Third of three"), textTop("Fourth")) << screenText();
}

} // namespace
