// The stand-in's kept routes asked directly, signed as players: what one
// player does is what another reads, and refusals say why.
#include "StandInRequestSupport.h"

#include "tools/standin/StandInCloud.h"

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

    ASSERT_EQ(send(ann, "POST", "chat_messages.xml", { { "chat_message[message]", "Second" } }).status, 200);
    auto seen = send(bob, "GET", "users/@me/activities.xml");
    // Newest first: the room shows the newest at the bottom.
    EXPECT_LT(seen.body.find("<message>Second</message>"), seen.body.find("<message>Hi &lt;all&gt;</message>"));
    EXPECT_TRUE(has(seen.body, "<chat_message><id>601</id><message>Hi &lt;all&gt;</message>")) << seen.body;
    EXPECT_TRUE(has(seen.body, "<name>Ann</name>"));
    EXPECT_FALSE(has(send(bob, "GET", "users/@me/activities.xml", { { "last_seen_chat_message_id", "602" } }).body,
                     "<chat_message>"));
    EXPECT_FALSE(has(send(cy, "GET", "users/@me/activities.xml").body, "<chat_message>"));

    auto room = send(bob, "GET", "chat_room_instances/show").body;
    EXPECT_TRUE(has(room, "<id>511</id><room_name>Main Hall</room_name><num_users_in_room>2<")) << room;
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

using StandInForums = KeptStandInTest;

TEST_F(StandInForums, ASubscribedThreadCountsWhatIsUnreadUntilItIsRead)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    ASSERT_EQ(send(ann, "POST", "topics/201/discussions.xml", { { "discussion[subject]", "Tips" }, { "discussion[body]", "One" } }).status, 200);
    EXPECT_EQ(send(bob, "POST", "discussions/999/subscribe.xml").status, 404);
    auto subscribed = send(bob, "POST", "discussions/301/subscribe.xml");
    EXPECT_TRUE(has(subscribed.body, "<subscribed>true</subscribed>")) << subscribed.body;
    EXPECT_TRUE(has(send(ann, "GET", "topics/201/discussions.xml").body, "<subscribed>false</subscribed>"));

    send(ann, "POST", "discussions/301/posts.xml", { { "post[body]", "Two" } });
    auto list = send(bob, "GET", "subscriptions.xml").body;
    EXPECT_TRUE(has(list, "<discussion_id>301</discussion_id><summary>Two</summary><title>Tips</title>")) << list;
    EXPECT_TRUE(has(list, "<unread_count>1</unread_count>"));
    EXPECT_TRUE(has(list, "<discussion_type>Forum</discussion_type>"));
    send(bob, "GET", "discussions/301/posts.xml");
    EXPECT_TRUE(has(send(bob, "GET", "subscriptions.xml").body, "<unread_count>0</unread_count>"));

    EXPECT_EQ(send(bob, "POST", "discussions/301/unsubscribe.xml").status, 200);
    EXPECT_TRUE(has(send(bob, "GET", "subscriptions.xml").body, "<total_objects>0</total_objects>"));
    // Only a conversation can be deleted, and a thread keeps its posts.
    EXPECT_EQ(send(ann, "POST", "discussions/301/delete.xml").status, 403);
    EXPECT_EQ(state->postsIn(301).size(), 2u);
}

TEST_F(StandInForums, ADeletedConversationLeavesOneInboxUntilTheNextMessage)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    auto started = send(ann, "POST", "discussions.xml", { { "discussion[other_user_id]", std::to_string(bob) } });
    ASSERT_EQ(started.status, 200);
    std::string id = started.body.substr(started.body.find("<id>") + 4);
    id = id.substr(0, id.find('<'));
    auto inbox = send(bob, "GET", "subscriptions.xml").body;
    EXPECT_TRUE(has(inbox, "<title>Ann</title>")) << inbox;
    EXPECT_TRUE(has(inbox, "<discussion_type>Conversation</discussion_type>"));
    EXPECT_TRUE(has(inbox, "<other_user><id>" + std::to_string(ann) + "</id>"));

    EXPECT_EQ(send(bob, "POST", "discussions/" + id + "/delete.xml", { { "client_application_id", "321" } }).status, 200);
    EXPECT_TRUE(has(send(bob, "GET", "subscriptions.xml").body, "<total_objects>0</total_objects>"));
    EXPECT_TRUE(has(send(ann, "GET", "subscriptions.xml").body, "<total_objects>1</total_objects>"));
    // Someone else's conversation is not theirs to delete.
    int64_t cy = addPlayer("Cy");
    EXPECT_EQ(send(cy, "POST", "discussions/" + id + "/delete.xml").status, 403);
    // Nor to read, write in or follow.
    EXPECT_EQ(send(cy, "GET", "discussions/" + id + "/posts.xml").status, 403);
    EXPECT_EQ(send(cy, "POST", "discussions/" + id + "/posts.xml", { { "post[body]", "Hello both" } }).status, 403);
    EXPECT_EQ(send(cy, "POST", "discussions/" + id + "/subscribe.xml").status, 403);
    EXPECT_EQ(send(cy, "POST", "discussions/" + id + "/unsubscribe.xml").status, 403);
    EXPECT_FALSE(has(send(cy, "GET", "subscriptions.xml").body, "<discussion_type>Conversation"));
    // Nor to find among the conversations: each player's list holds their own.
    auto listed = send(cy, "GET", "topics/0/discussions.xml").body;
    EXPECT_FALSE(has(listed, "<id>" + id + "</id>")) << listed;
    EXPECT_TRUE(has(listed, "<total_objects>0</total_objects>")) << listed;
    EXPECT_TRUE(has(send(bob, "GET", "topics/0/discussions.xml").body, "<id>" + id + "</id>"));
    EXPECT_EQ(state->postsIn(std::stoll(id)).size(), 0u);

    send(ann, "POST", "discussions/" + id + "/posts.xml", { { "post[body]", "Still there?" } });
    auto back = send(bob, "GET", "subscriptions.xml").body;
    EXPECT_TRUE(has(back, "<summary>Still there?</summary>")) << back;
    EXPECT_TRUE(has(back, "<unread_count>1</unread_count>"));
}

TEST_F(StandInForums, PostsComeAPageAtATime)
{
    int64_t ann = addPlayer("Ann");
    ASSERT_EQ(send(ann, "POST", "topics/201/discussions.xml", { { "discussion[subject]", "Long" }, { "discussion[body]", "0" } }).status, 200);
    for (int i = 1; i < 30; ++i)
        execSql("INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (301, " + std::to_string(ann) + ", '"
                + std::to_string(i) + "', '2026-01-01 00:00:00')");
    auto first = send(ann, "GET", "discussions/301/posts.xml").body;
    EXPECT_TRUE(has(first, "<current_page>1</current_page><total_pages>2</total_pages><per_page>25</per_page>"
                           "<total_objects>30</total_objects>")) << first;
    EXPECT_TRUE(has(first, "<body>24</body>"));
    EXPECT_FALSE(has(first, "<body>25</body>"));
    auto second = send(ann, "GET", "discussions/301/posts.xml", { { "page", "2" } }).body;
    EXPECT_TRUE(has(second, "<body>25</body>"));
    EXPECT_TRUE(has(second, "<body>29</body>"));
    EXPECT_FALSE(has(second, "<body>24</body>"));
    // An unreadable page or size falls back to the first page of 25; no size goes above 100.
    EXPECT_TRUE(has(send(ann, "GET", "discussions/301/posts.xml", { { "page", "-1" }, { "per_page", "x" } }).body,
                    "<current_page>1</current_page>"));
    EXPECT_TRUE(has(send(ann, "GET", "discussions/301/posts.xml", { { "per_page", "100000" } }).body,
                    "<per_page>100</per_page>"));
}

TEST_F(StandInForums, AConversationComesNewestFirstAndItsPollGetsOnlyWhatIsNewer)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    auto started = send(ann, "POST", "discussions.xml", { { "discussion[other_user_id]", std::to_string(bob) } });
    std::string id = started.body.substr(started.body.find("<id>") + 4);
    id = id.substr(0, id.find('<'));
    for (const char* text : { "One", "Two", "Three" })
        ASSERT_EQ(send(ann, "POST", "discussions/" + id + "/posts.xml", { { "post[body]", text } }).status, 200);
    auto page = send(bob, "GET", "discussions/" + id + "/posts.xml", { { "page", "1" } }).body;
    EXPECT_TRUE(has(page, "<total_objects>3</total_objects>")) << page;
    EXPECT_LT(page.find("<body>Three</body>"), page.find("<body>Two</body>")) << page;
    EXPECT_LT(page.find("<body>Two</body>"), page.find("<body>One</body>")) << page;

    auto postId = [&](const std::string& body) {
        std::string at = page.substr(0, page.find("<body>" + body + "</body>"));
        at = at.substr(at.rfind("<post><id>") + 10);
        return at.substr(0, at.find('<'));
    };
    auto poll = send(bob, "GET", "discussions/" + id + "/posts.xml", { { "last_seen_post_id", postId("One") } }).body;
    EXPECT_FALSE(has(poll, "<body>One</body>")) << poll;
    EXPECT_LT(poll.find("<body>Three</body>"), poll.find("<body>Two</body>")) << poll;
    EXPECT_FALSE(has(send(bob, "GET", "discussions/" + id + "/posts.xml", { { "last_seen_post_id", postId("Three") } }).body,
                     "<post>"));
}

TEST_F(StandInForums, AnnouncementsComeInTwoSectionsReadAfterTheLastVisit)
{
    int64_t ann = addPlayer("Ann");
    auto all = send(ann, "GET", "client_applications/321/forums/announcements.xml").body;
    auto game = all.find("<identifier>game</identifier>"), developer = all.find("<identifier>developer</identifier>");
    ASSERT_NE(game, std::string::npos) << all;
    ASSERT_LT(game, developer);
    EXPECT_LT(all.find("Welcome to the game"), developer);
    EXPECT_GT(all.find("Our next game"), developer);
    EXPECT_TRUE(has(all, "<important>true</important><unread>true</unread><post><id>350</id>"));
    // Read on 1 January after the game's one went out: only the developer's is new.
    auto since = send(ann, "GET", "client_applications/321/forums/announcements.xml",
                      { { "since", "Thu, 01 Jan 2026 12:00:00 +0000" } }).body;
    EXPECT_TRUE(has(since, "<important>true</important><unread>false</unread>"));
    EXPECT_TRUE(has(since, "<important>false</important><unread>true</unread>"));
    // Their text is read as a thread's.
    EXPECT_TRUE(has(send(ann, "GET", "discussions/250/posts.xml").body, "Thanks for playing."));
}

TEST_F(StandInForums, AnAbuseReportIsKeptWithWhatItFlags)
{
    int64_t ann = addPlayer("Ann");
    EXPECT_EQ(send(ann, "POST", "users/18/abuse_flags.xml",
                   { { "abuse_flag[abuse_type]", "forum" }, { "abuse_flag[flaggable_id]", "350" }, { "abuse_flag[flaggable_type]", "Post" } })
                  .status,
              200);
    EXPECT_EQ(queryText("SELECT reporter_id || ' ' || user_id || ' ' || abuse_type || ' ' || flaggable_id || ' ' ||"
                        " flaggable_type FROM abuse_flags"),
              std::to_string(ann) + " 18 forum 350 Post");
    EXPECT_EQ(send(ann, "POST", "users/18/abuse_flags.xml").status, 422);
    EXPECT_EQ(send(ann, "POST", "users/999/abuse_flags.xml", { { "abuse_flag[abuse_type]", "chat" } }).status, 404);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM abuse_flags"), "1");
    // A post to a player the service does not know is no longer an empty success.
    EXPECT_EQ(send(ann, "POST", "users/18/no_such_thing.xml").status, 404);
}

using StandInSettings = KeptStandInTest;

TEST_F(StandInSettings, EachPlayerKeepsTheirOwnSwitches)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    auto list = send(ann, "GET", "users/@me/settings.xml", { { "udid", "d" } }).body;
    EXPECT_TRUE(has(list, "<user_setting><id>2</id><name>Challenge Notices</name><value>1</value><value_type>bool</value_type>"
                          "<key>notify_challenges</key></user_setting>")) << list;
    EXPECT_FALSE(has(list, "<user>"));

    EXPECT_EQ(send(ann, "POST", "users/@me/settings.xml", { { "user_setting[key]", "notify_challenges" }, { "user_setting[value]", "0" } }).status, 200);
    EXPECT_EQ(send(ann, "POST", "users/@me/settings.xml", { { "user_setting[id]", "3" }, { "user_setting[value]", "1" } }).status, 200);
    EXPECT_TRUE(has(send(ann, "GET", "users/@me/settings/notify_challenges.xml").body, "<value>0</value>"));
    EXPECT_TRUE(has(send(ann, "GET", "users/@me/settings/newsletter_quorvel.xml").body, "<value>1</value>"));
    EXPECT_TRUE(has(send(bob, "GET", "users/@me/settings/notify_challenges.xml").body, "<value>1</value>"));

    // The link screen's switches are kept though the list did not offer them, as the player's own
    // (another player does not read them); a key that is no word is refused.
    for (const char* key : { "location", "presence" }) {
        EXPECT_EQ(send(ann, "POST", "users/@me/settings.xml", { { "user_setting[key]", key }, { "user_setting[value]", "1" } }).status, 200) << key;
        EXPECT_TRUE(has(send(ann, "GET", std::string("users/@me/settings/") + key + ".xml").body, "<value>1</value>")) << key;
        EXPECT_EQ(send(bob, "GET", std::string("users/@me/settings/") + key + ".xml").status, 404) << key;
    }
    EXPECT_EQ(queryText("SELECT shared FROM location_sharing WHERE user_id = " + std::to_string(ann)), "1");
    EXPECT_EQ(send(ann, "POST", "users/@me/settings.xml", { { "user_setting[key]", "no pe" }, { "user_setting[value]", "1" } }).status, 404);
    EXPECT_EQ(send(ann, "POST", "users/@me/settings.xml", { { "user_setting[key]", "" }, { "user_setting[value]", "1" } }).status, 404);
    EXPECT_EQ(send(ann, "POST", "users/@me/settings.xml", { { "user_setting[id]", "1" }, { "user_setting[value]", "yes" } }).status, 422);
    EXPECT_EQ(send(ann, "GET", "users/@me/settings/nope.xml").status, 404);

    // The bootstrap tells the client what the settings screen shows: Ann turns "Show Me Online" off, Bob keeps it.
    EXPECT_EQ(send(ann, "POST", "users/@me/settings.xml", { { "user_setting[key]", "share_online_status" }, { "user_setting[value]", "0" } }).status, 200);
    for (auto [player, shown] : { std::pair { ann, "false" }, std::pair { bob, "true" } }) {
        ASSERT_TRUE(execSql("INSERT INTO device_accounts VALUES ('phone-" + std::to_string(player) + "', " + std::to_string(player) + ")"));
        auto boot = standin_testing::ask(server.port(), "POST", "bootstrap.xml",
                                         { { "udid", "phone-" + std::to_string(player) }, { "user_id", std::to_string(player) } }, "", "");
        EXPECT_TRUE(has(boot.body, std::string("<user_shares_online_status>") + shown + "</user_shares_online_status>"))
            << player << ": " << boot.body;
    }
}

TEST_F(StandInSettings, TheNewsletterAndTheDeviceFollowThePlayer)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    const std::string path = "client_applications/321/news_letter_subscription.xml";
    EXPECT_FALSE(has(send(ann, "GET", path).body, "<news_letter_subscription>"));
    EXPECT_EQ(send(ann, "POST", path).status, 200);
    EXPECT_TRUE(has(send(ann, "GET", path).body, "<news_letter_subscription><id>"));
    EXPECT_FALSE(has(send(bob, "GET", path).body, "<news_letter_subscription>"));
    EXPECT_EQ(send(ann, "DELETE", path).status, 200);
    EXPECT_FALSE(has(send(ann, "GET", path).body, "<news_letter_subscription>"));

    ASSERT_TRUE(execSql("INSERT INTO devices VALUES ('phone', " + std::to_string(ann) + ")"));
    EXPECT_EQ(send(ann, "GET", "users/remove_from_device.xml", { { "user_id", std::to_string(bob) }, { "udid", "phone" } }).status, 403);
    EXPECT_EQ(send(bob, "GET", "users/remove_from_device.xml", { { "udid", "phone" } }).status, 200);
    EXPECT_EQ(state->userForDevice("phone"), ann);
    EXPECT_EQ(send(ann, "GET", "users/remove_from_device.xml", { { "user_id", std::to_string(ann) }, { "udid", "phone" } }).status, 200);
    EXPECT_FALSE(state->userForDevice("phone"));
}

using StandInGames = KeptStandInTest;

TEST_F(StandInGames, AReviewAndAFavouriteShowInTheFanClubAndThePlayersGames)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    EXPECT_EQ(send(ann, "POST", "client_applications/321/users/review.xml",
                   { { "client_application_user[review]", "Fast <and> fun" }, { "client_application_user[favorite]", "maybe" } })
                  .status,
              422);
    ASSERT_EQ(send(ann, "POST", "client_applications/321/users/review.xml",
                   { { "client_application_user[review]", "Fast <and> fun" }, { "client_application_user[favorite]", "1" } })
                  .status,
              200);
    auto review = send(bob, "GET", "client_applications/321/users/" + std::to_string(ann) + ".xml").body;
    EXPECT_TRUE(has(review, "<favorite>true</favorite><review>Fast &lt;and&gt; fun</review><user><id>")) << review;
    // Changing only the favourite keeps the review.
    send(ann, "POST", "client_applications/321/users/review.xml", { { "client_application_user[favorite]", "0" } });
    review = send(ann, "GET", "client_applications/321/users/me.xml").body;
    EXPECT_TRUE(has(review, "<favorite>false</favorite><review>Fast &lt;and&gt; fun</review>")) << review;

    auto fans = send(ann, "GET", "client_application_users/fan_club", { { "client_application_id", "321" } }).body;
    EXPECT_TRUE(has(fans, "<total_objects>1</total_objects>")) << fans;
    EXPECT_TRUE(has(fans, "<name>Rival</name>"));
    EXPECT_EQ(send(ann, "GET", "client_application_users/fan_club", { { "client_application_id", "9" } }).status, 404);

    // The rival plays and likes both games; Bob only the running one.
    auto rivals = send(bob, "GET", "profiles/18/list_games", { { "compared_to_user_id", "me" } }).body;
    EXPECT_TRUE(has(rivals, "<total_objects>2</total_objects>"));
    EXPECT_TRUE(has(rivals, "<user_game_stat><user_has_game>false</user_has_game><user_id>" + std::to_string(bob)))
        << rivals;
    EXPECT_TRUE(has(send(bob, "GET", "apps.xml").body, "<total_objects>1</total_objects>"));
    EXPECT_TRUE(has(send(ann, "GET", "profiles/18/list_games", { { "only_favorites", "1" }, { "per_page", "1" } }).body,
                    "<total_pages>2</total_pages>"));
}

TEST_F(StandInGames, TheGamesProfileAndThePlayersPageComeFromTheState)
{
    int64_t ann = addPlayer("Ann");
    state->addFriends(ann, 18);
    auto info = send(ann, "GET", "apps/321.xml", { { "game_profile_page_info", "1" } }).body;
    EXPECT_TRUE(has(info, "<has_chat_rooms>true</has_chat_rooms><has_leaderboards>true</has_leaderboards>"
                          "<has_challenges>true</has_challenges>")) << info;
    ASSERT_TRUE(execSql("UPDATE games SET has_challenges = 0 WHERE id = '321'"));
    EXPECT_TRUE(has(send(ann, "GET", "apps/321.xml").body, "<has_challenges>false</has_challenges>"));
    EXPECT_TRUE(has(send(ann, "GET", "apps/321.xml", { { "compared_user_id", "18" } }).body,
                    "<game_profile_page_comparison_info><id>321</id><game_profile_page_info>"));
    EXPECT_EQ(send(ann, "GET", "apps/999.xml").status, 404);
    // The friends' games: the two the rival Ann follows plays (Ann plays only the first), each by one friend.
    auto friendsGames = send(ann, "GET", "apps.xml", { { "scope", "people-of-interest" }, { "page", "1" } }).body;
    EXPECT_TRUE(has(friendsGames, "<total_objects>2</total_objects>")) << friendsGames;
    EXPECT_TRUE(has(friendsGames, "<id>322</id><name>Puzzle Park</name>")) << friendsGames;
    EXPECT_EQ(friendsGames.find("<friends_with_app>0</friends_with_app>"), std::string::npos) << friendsGames;

    auto page = send(ann, "GET", "profiles/me/").body;
    auto friends = page.find("<identifier>friends</identifier>"), games = page.find("<identifier>games</identifier>");
    ASSERT_NE(friends, std::string::npos) << page;
    EXPECT_NE(page.find("<total_objects>1</total_objects>", friends), std::string::npos);
    ASSERT_NE(games, std::string::npos);
    EXPECT_NE(page.find("<total_objects>1</total_objects>", games), std::string::npos);
    EXPECT_TRUE(has(send(ann, "GET", "profiles/18/gamerscore").body, "<user_id>18</user_id>"));
    EXPECT_EQ(send(ann, "GET", "profiles/12345/").status, 404);

    auto description = send(ann, "GET", "client_applications/321/application_descriptions.xml").body;
    EXPECT_TRUE(has(description, "<application_description><id>321</id><name>Brisko</name>")) << description;
}

TEST_F(StandInGames, DiscoveryPagesLeadToTheirGamesAndTheirBanner)
{
    int64_t ann = addPlayer("Ann");
    auto index = send(ann, "GET", "game_discovery_categories").body;
    EXPECT_TRUE(has(index, "<target_discovery_action_name>developers_picks</target_discovery_action_name>")) << index;
    auto picks = send(ann, "GET", "game_discovery_categories/developers_picks.xml").body;
    EXPECT_TRUE(has(picks, "<image_url>/banners/featured-1.png</image_url>"));
    EXPECT_TRUE(has(picks, "<played_game><id>322</id><name>Puzzle Park</name>"));
    EXPECT_FALSE(has(send(ann, "GET", "game_discovery_categories/now_playing_featured_placement.xml").body, "<played_game>"));
    EXPECT_EQ(send(ann, "GET", "game_discovery_categories/nothing.xml").status, 404);
    auto banner = send(ann, "GET", "banners/featured-1.png");
    EXPECT_EQ(banner.status, 200);
    EXPECT_EQ(banner.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

using StandInInvites = KeptStandInTest;

TEST_F(StandInInvites, AnInviteReachesItsPlayerWhoViewsAndIgnoresIt)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    auto primary = send(ann, "GET", "invite_definitions/primary").body;
    EXPECT_TRUE(has(primary, "<invite_definition><id>brisko-friends</id>")) << primary;
    EXPECT_TRUE(has(send(ann, "GET", "invite_definitions/brisko-friends.xml").body, "<suggested_sender_message>"));
    EXPECT_EQ(send(ann, "GET", "invite_definitions/other.xml").status, 404);

    // A bad recipient refuses the whole send.
    EXPECT_EQ(send(ann, "POST", "invites.xml",
                   { { "key", "brisko-friends" }, { "invite[receivers][]", std::to_string(bob) }, { "invite[receivers][]", "999" } })
                  .status,
              404);
    EXPECT_EQ(send(ann, "POST", "invites.xml", { { "key", "brisko-friends" }, { "invite[email_receivers][]", "nobody" } }).status, 422);
    EXPECT_EQ(send(ann, "POST", "invites.xml", { { "key", "brisko-friends" } }).status, 422);
    EXPECT_EQ(send(ann, "POST", "invites.xml", { { "key", "nope" }, { "invite[receivers][]", std::to_string(bob) } }).status, 404);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM invites"), "0");

    auto sent = send(ann, "POST", "invites.xml",
                     { { "key", "brisko-friends" }, { "invite[sender_message]", "Race me" },
                       { "invite[receivers][]", std::to_string(bob) }, { "invite[sms_receivers][]", "555 0101" } });
    ASSERT_EQ(sent.status, 200);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM invites"), "2");

    auto inbox = send(bob, "GET", "invites.xml", { { "mark_viewed", "true" } }).body;
    EXPECT_TRUE(has(inbox, "<total_objects>1</total_objects>")) << inbox;
    EXPECT_TRUE(has(inbox, "<user_message>Race me</user_message><state>unviewed</state>"));
    EXPECT_TRUE(has(inbox, "<sender><id>" + std::to_string(ann) + "</id><name>Ann</name>"));
    EXPECT_TRUE(has(send(bob, "GET", "invites.xml").body, "<state>viewed</state>"));
    EXPECT_TRUE(has(send(ann, "GET", "invites.xml").body, "<total_objects>0</total_objects>"));

    // Only the invited player can ignore it; then it is gone from their list.
    EXPECT_EQ(send(ann, "PUT", "invites/701/ignore").status, 404);
    EXPECT_EQ(send(bob, "PUT", "invites/701/ignore").status, 200);
    EXPECT_TRUE(has(send(bob, "GET", "invites.xml").body, "<total_objects>0</total_objects>"));
}

using StandInCloud = KeptStandInTest;

TEST_F(StandInCloud, ValuesAreKeptWholePerPlayerAndOutliveARestart)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    // A stored form with NUL bytes, as the largest the client sends.
    std::string value("QVZLHDR0\0\x01\xff", 11);
    value.resize(standin::cloud::kMaxValueBytes, '\0');
    ASSERT_EQ(send(ann, "POST", "cloud_stores", { { "key", "slot 1" }, { "blob", value } }).status, 200);
    EXPECT_EQ(send(ann, "POST", "cloud_stores", { { "key", "big" }, { "blob", value + "x" } }).status, 413);
    EXPECT_EQ(send(ann, "POST", "cloud_stores", { { "blob", value } }).status, 422);
    EXPECT_EQ(send(bob, "GET", "cloud_stores/slot%201.blob").status, 404);
    EXPECT_TRUE(has(send(ann, "GET", "cloud_stores.xml").body, "<key>slot 1</key>"));

    standin::StandInServer again;
    restartAs(again);
    ASSERT_FALSE(HasFatalFailure());
    auto back = standin_testing::ask(again.port(), "GET", "cloud_stores/slot%201.blob", {}, "token-" + std::to_string(ann),
                                     "secret-" + std::to_string(ann));
    EXPECT_EQ(back.status, 200);
    EXPECT_TRUE(back.body == value) << back.body.size() << " bytes came back";
    again.stop();
}

using StandInTokens = KeptStandInTest;

// A refused token is refused first (a scripted answer waits for another
// request) and stays refused after a restart; the other player's still holds.
TEST_F(StandInTokens, ARefusedTokenIsRefusedBeforeAnyScriptAndAfterARestart)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    EXPECT_EQ(state->refuseTokensOf(ann, &server), 1);
    EXPECT_EQ(state->refuseTokensOf(ann, &server), 0);
    server.script("GET", "cloud_stores.xml", standin::Answer::xml("<cloud_stores/>"));
    EXPECT_EQ(send(ann, "GET", "cloud_stores.xml").status, 401);
    EXPECT_EQ(send(bob, "GET", "cloud_stores.xml").body, "<cloud_stores/>");
    EXPECT_EQ(send(bob, "GET", "cloud_stores.xml").status, 200);

    standin::StandInServer again;
    restartAs(again);
    ASSERT_FALSE(HasFatalFailure());
    for (int64_t who : { ann, bob })
        EXPECT_EQ(standin_testing::ask(again.port(), "GET", "cloud_stores.xml", {}, "token-" + std::to_string(who),
                                       "secret-" + std::to_string(who))
                      .status,
                  who == ann ? 401 : 200);
    again.stop();
}

TEST_F(StandInCloud, ChallengeDataKeepsItsNulBytes)
{
    int64_t ann = addPlayer("Ann");
    std::string data("a\0b", 3);
    auto sent = send(ann, "POST", "challenges.xml",
                     { { "challenge_definition_id", "51" }, { "challenge_description", "Beat me" },
                       { "challenge_user_data", data }, { "challenge_user_ids[]", "18" } });
    ASSERT_EQ(sent.status, 200);
    const std::string open = "<user_data_url>/", close = "</user_data_url>";
    auto at = sent.body.find(open);
    ASSERT_NE(at, std::string::npos) << sent.body;
    std::string address = sent.body.substr(at + open.size(), sent.body.find(close, at) - at - open.size());
    auto kept = send(ann, "GET", address);
    EXPECT_EQ(kept.body, data);
    // Fetched unsigned, the data is found only at its unguessable address: not by counting ids.
    EXPECT_EQ(address.rfind("challenges/61/", 0), 0u) << address;
    EXPECT_EQ(address.size(), std::string("challenges/61/").size() + 32 + std::string("/data.blob").size()) << address;
    auto unsigned_ = [&](const std::string& path) {
        return standin_testing::sendRaw(server.port(), "GET /" + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                                       "Connection: close\r\n\r\n");
    };
    EXPECT_EQ(unsigned_(address).body, data);
    std::string otherKey = address;
    otherKey[std::string("challenges/61/").size()] ^= 1;
    for (const std::string& guess : { std::string("challenges/61/data.blob"), std::string("challenges/61//data.blob"),
                                      std::string("challenges/61/0/data.blob"), otherKey, address + "/x" })
        EXPECT_EQ(unsigned_(guess).status, 404) << guess;
    // Its records, hidden text with them, are for its challenger and recipients.
    int64_t bob = addPlayer("Bob");
    EXPECT_EQ(send(bob, "GET", "challenges_users.xml", { { "challenge_id", "61" } }).status, 404);
    EXPECT_EQ(send(ann, "GET", "challenges_users.xml", { { "challenge_id", "61" } }).status, 200);
}

using StandInSocial = KeptStandInTest;

TEST_F(StandInSocial, PostsGoOutOnlyThroughALinkedNetworkAndAreKept)
{
    int64_t ann = addPlayer("Ann");
    auto none = send(ann, "GET", "users_credentials", { { "only_include_linked_credentials", "1" }, { "user_id", "me" } }).body;
    EXPECT_TRUE(has(none, "<identifier>linked</identifier>"));
    EXPECT_FALSE(has(none, "<users_credential>"));
    EXPECT_EQ(send(ann, "POST", "notifications.xml", { { "msg", "I won" }, { "image_type", "notification_images" } }).status, 422);
    EXPECT_EQ(send(ann, "GET", "users_credentials/import_friends", { { "credential_name", "twitter" } }).status, 422);

    ASSERT_TRUE(execSql("INSERT INTO linked_networks VALUES (" + std::to_string(ann) + ", 'twitter', '2026-01-01 00:00:00')"));
    auto linked = send(ann, "GET", "users_credentials", { { "only_include_linked_credentials", "1" } }).body;
    EXPECT_TRUE(has(linked, "<credential_type>twitter</credential_type>")) << linked;
    EXPECT_TRUE(has(linked, "<has_global_permissions>true</has_global_permissions>"));
    EXPECT_FALSE(has(linked, "fbconnect"));
    EXPECT_EQ(send(ann, "POST", "notifications.xml", { { "msg", "" } }).status, 422);
    ASSERT_EQ(send(ann, "POST", "notifications.xml",
                   { { "msg", "I won" }, { "image_type", "notification_images" }, { "image_name", "game_icon" }, { "url", "http://x" } })
                  .status,
              200);
    EXPECT_EQ(queryText("SELECT message || '|' || image_type || '|' || image || '|' || url FROM social_posts"),
              "I won|notification_images|game_icon|http://x");
    EXPECT_TRUE(has(send(ann, "GET", "client_applications/321/notification_images/show.xml", { { "image_name", "game_icon" } }).body,
                    "<image_url><url>/notification_images/game_icon.png</url></image_url>"));

    // Unlinking takes the network away again.
    EXPECT_EQ(send(ann, "POST", "users_credentials/remove.xml", { { "credential_type", "twitter" } }).status, 200);
    EXPECT_EQ(send(ann, "POST", "users_credentials/remove.xml", { { "credential_type", "twitter" } }).status, 404);
    EXPECT_EQ(send(ann, "POST", "notifications.xml", { { "msg", "Again" } }).status, 422);
}

TEST_F(StandInSocial, TokensPicturesAndScoresBelongToTheirPlayer)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    ASSERT_EQ(send(ann, "POST", "push_notification_device_tokens.xml", { { "udid", "phone" }, { "device_token", "ab12" } }).status, 200);
    // The device changes hands: its token now reaches the new player.
    ASSERT_TRUE(execSql("INSERT INTO devices VALUES ('phone', " + std::to_string(bob) + ")"));
    ASSERT_EQ(send(bob, "POST", "push_notification_device_tokens.xml", { { "udid", "phone" }, { "device_token", "cd34" } }).status, 200);
    EXPECT_EQ(queryText("SELECT user_id || ' ' || token FROM device_tokens"), std::to_string(bob) + " cd34");
    EXPECT_EQ(send(ann, "POST", "push_notification_device_tokens.xml", { { "udid", "phone" } }).status, 422);
    // A player who never used the device cannot take its pushes.
    int64_t cy = addPlayer("Cy");
    EXPECT_EQ(send(cy, "POST", "push_notification_device_tokens.xml", { { "udid", "phone" }, { "device_token", "ef56" } }).status, 403);
    EXPECT_EQ(queryText("SELECT user_id || ' ' || token FROM device_tokens"), std::to_string(bob) + " cd34");

    EXPECT_EQ(send(ann, "POST", "profile_picture/select/twitter").status, 404);
    EXPECT_EQ(send(ann, "POST", "profile_picture/select/upload", { { "uploaded_profile_picture", "jpeg" } }).status, 200);
    EXPECT_EQ(queryText("SELECT source FROM profile_pictures WHERE user_id = " + std::to_string(ann)), "Upload");
    // Her record carries it from then on, and it is served as she sent it; Bob chose none.
    const std::string picture = "/profile_pictures/" + std::to_string(ann) + ".jpg";
    EXPECT_TRUE(has(send(bob, "GET", "users/" + std::to_string(ann) + "/").body,
                    "<profile_picture_url>" + picture + "</profile_picture_url><profile_picture_source>Upload</profile_picture_source>"));
    EXPECT_EQ(send(bob, "GET", picture.substr(1)).body, "jpeg");
    EXPECT_EQ(send(ann, "GET", "profile_pictures/" + std::to_string(bob) + ".jpg").status, 404);

    ASSERT_TRUE(execSql("INSERT INTO high_scores (id, user_id, leaderboard_id, score, created_at) VALUES (900, "
                        + std::to_string(ann) + ", 5, 10, '2026-01-01 00:00:00')"));
    // A score without a blob has none to drop, whoever says so (a missing blob's report is
    // StandInPlayersWord's); a score no one has is not found.
    EXPECT_EQ(send(bob, "POST", "high_scores/900/invalidate_blob.xml").status, 200);
    EXPECT_EQ(send(ann, "POST", "high_scores/900/invalidate_blob.xml").status, 200);
    EXPECT_EQ(send(ann, "POST", "high_scores/901/invalidate_blob.xml").status, 404);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM invalid_blobs"), "0");

    // Her e-mail credential is hers to read, once she has one.
    EXPECT_EQ(send(ann, "GET", "http_basic_credentials/@me.xml").status, 404);
    ASSERT_TRUE(state->secureAccount(ann, "ann@example.com", "pw"));
    EXPECT_EQ(send(ann, "GET", "http_basic_credentials/" + std::to_string(bob) + ".xml").status, 403);
    auto credential = send(ann, "GET", "http_basic_credentials/@me.xml").body;
    EXPECT_TRUE(has(credential, "<user_id>" + std::to_string(ann) + "</user_id><email>ann@example.com</email>")) << credential;

    // Friends not yet invited can be invited.
    state->addFriends(ann, bob);
    state->addFriends(ann, 18);
    send(ann, "POST", "invites.xml", { { "key", "brisko-friends" }, { "invite[receivers][]", "18" } });
    auto invitable = send(ann, "GET", "invites/new/invitable_friends").body;
    EXPECT_TRUE(has(invitable, "<total_objects>1</total_objects>")) << invitable;
    EXPECT_TRUE(has(invitable, "<name>Bob</name>"));
}
