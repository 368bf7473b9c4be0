// The stand-in's kept routes asked directly, signed as players: what one
// player does is what another reads, and refusals say why.
#include "StandInRequestSupport.h"

#include <gtest/gtest.h>

using standin_testing::KeptStandInTest;

namespace {

bool has(const std::string& body, const std::string& text) { return body.find(text) != std::string::npos; }

} // namespace

using StandInChat = KeptStandInTest;

TEST_F(StandInChat, AMessagePostedInARoomReachesItsPlayersOnceAndNoOneElse)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob"), cy = addPlayer("Cy");
    // Posting before joining is refused; the room is kept per player.
    EXPECT_EQ(send(ann, "POST", "chat_messages.xml", { { "chat_message[message]", "early" } }).status, 422);
    EXPECT_TRUE(has(send(ann, "GET", "chat_room_instances/show").body, "<total_objects>0<"));
    for (int64_t p : { ann, bob })
        ASSERT_EQ(send(p, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "511" } }).status, 200);
    ASSERT_EQ(send(cy, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "512" } }).status, 200);
    EXPECT_EQ(send(ann, "POST", "chat_messages.xml", { { "chat_message[message]", "" } }).status, 422);
    auto posted = send(ann, "POST", "chat_messages.xml", { { "chat_message[message]", "Hi <all>" } });
    ASSERT_EQ(posted.status, 200);
    EXPECT_TRUE(has(posted.body, "<message>Hi &lt;all&gt;</message>"));

    auto seen = send(bob, "GET", "users/@me/activities.xml");
    EXPECT_TRUE(has(seen.body, "<chat_message><id>601</id><message>Hi &lt;all&gt;</message>")) << seen.body;
    EXPECT_TRUE(has(seen.body, "<name>Ann</name>"));
    EXPECT_FALSE(has(send(bob, "GET", "users/@me/activities.xml", { { "last_seen_chat_message_id", "601" } }).body,
                     "<chat_message>"));
    EXPECT_FALSE(has(send(cy, "GET", "users/@me/activities.xml").body, "<chat_message>"));

    auto room = send(bob, "GET", "chat_room_instances/show").body;
    EXPECT_TRUE(has(room, "<id>511</id><room_name>Everyone 1</room_name><num_users_in_room>2<")) << room;
}

TEST_F(StandInChat, KindsCanBeLeftOutAndAFullOrUnknownRoomIsRefused)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    auto kinds = send(ann, "GET", "chat_room_definitions.xml", { { "include_developer_rooms", "0" } }).body;
    EXPECT_TRUE(has(kinds, "<room_type>global_room</room_type>"));
    EXPECT_FALSE(has(kinds, "developer_room"));
    auto rooms = send(ann, "GET", "chat_room_instances.xml", { { "chat_room_definition_id", "501" }, { "per_page", "1" }, { "page", "2" } }).body;
    EXPECT_TRUE(has(rooms, "<total_pages>2</total_pages>")) << rooms;
    EXPECT_TRUE(has(rooms, "<id>512</id>"));
    EXPECT_FALSE(has(rooms, "<id>511</id>"));
    EXPECT_EQ(send(ann, "GET", "chat_room_instances.xml", { { "chat_room_definition_id", "999" } }).status, 404);

    ASSERT_TRUE(execSql("UPDATE chat_room_instances SET max_users = 1 WHERE id = 514"));
    ASSERT_EQ(send(ann, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "514" } }).status, 200);
    ASSERT_EQ(send(bob, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "513" } }).status, 200);
    EXPECT_EQ(send(bob, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "514" } }).status, 422);
    EXPECT_EQ(send(bob, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "9" } }).status, 404);
    // Bob stays where he was, and the kinds name his room last; Ann may join her own room again.
    EXPECT_TRUE(has(send(bob, "GET", "chat_room_instances/show").body, "<id>513</id>"));
    EXPECT_TRUE(has(send(bob, "GET", "chat_room_definitions.xml").body,
                    "</chat_room_definition><chat_room_instance><id>513</id>"));
    EXPECT_EQ(send(ann, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "514" } }).status, 200);
}
