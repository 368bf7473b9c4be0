// Chat: choosing a room (direct join or the room list), the room's polled
// messages and posts, leaving and rejoining, and the room rows.
#include "../CommunityTestSupport.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"
#include "social/dashboard/chat/QVChatRoomController.h"
#include "social/dashboard/chat/QVSelectChatRoomDefinitionController.h"
#include "social/dashboard/chat/QVSelectChatRoomInstanceController.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVFramedNavigationController.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::Ref;
using platform::ui::IndexPath;

namespace {

const char* kTwoDefinitions = "<?xml version=\"1.0\"?><resources>"
                              "<chat_room_definition><id>1</id><room_name>Everyone</room_name><room_type>global_room</room_type></chat_room_definition>"
                              "<chat_room_definition><id>2</id><room_name>Studio fans</room_name><room_type>developer_room</room_type></chat_room_definition>"
                              "</resources>";

std::string rooms(int count)
{
    std::string xml = "<?xml version=\"1.0\"?><resources>";
    for (int i = 0; i < count; ++i)
        xml += "<chat_room_instance><id>" + std::to_string(31 + i) + "</id><room_name>Lobby " + std::to_string(i + 1)
            + "</room_name><num_users_in_room>" + std::to_string(10 + i) + "</num_users_in_room>"
            + "<max_num_users_in_room>11</max_num_users_in_room><room_type>global_room</room_type></chat_room_instance>";
    return xml + "</resources>";
}

Ref<QVChatMessage> message(const std::string& id, const std::string& text, const std::string& name, const std::string& game)
{
    return resourceFrom<QVChatMessage>("<chat_message><id>" + id + "</id><message>" + text + "</message><user><id>9" + id
                                       + "</id><name>" + name + "</name><last_played_game_name>" + game
                                       + "</last_played_game_name></user></chat_message>");
}

class ChatTest : public CommunityTest {
protected:
    void TearDown() override
    {
        definitions = nullptr;
        CommunityTest::TearDown();
    }

    void openDefinitions()
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("SelectChatRoomDefinition");
        definitions = dynamicRef<QVSelectChatRoomDefinitionController>(loaded);
        ASSERT_TRUE(definitions);
        definitions->includeGlobalRooms = true;
        navigation = QVFramedNavigationController::withRootViewController(definitions.get());
        driver().showController(navigation.get());
        settle();
        ASSERT_TRUE(provider->answerWithXml(kTwoDefinitions));
        settle(1);
    }

    // Taps the first definition, which answers with one room, and joins it.
    QVChatRoomController* enterRoom()
    {
        openDefinitions();
        EXPECT_TRUE(tapRow(definitions.get(), 0));
        EXPECT_TRUE(provider->answerWithXml(rooms(1)));
        settle(1);
        EXPECT_TRUE(provider->answerWithXml(fixture("ok.xml")));
        settle(1);
        return dynamic_cast<QVChatRoomController*>(navigation->topViewController());
    }

    Ref<QVSelectChatRoomDefinitionController> definitions;
};

TEST_F(ChatTest, DefinitionWithOneRoomJoinsItDirectlyAndTheRoomPollsAtTheChatInterval)
{
    openDefinitions();
    auto list = requestsTo("chat_room_definitions.xml");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(parameter(list[0], "include_global_rooms"), "1");
    EXPECT_EQ(parameter(list[0], "include_developer_rooms"), "0");
    EXPECT_EQ(parameter(list[0], "include_last_visited_room"), "1");

    ASSERT_TRUE(tapRow(definitions.get(), 0));
    auto instances = requestsTo("chat_room_instances.xml");
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_EQ(parameter(instances[0], "chat_room_definition_id"), "1");
    ASSERT_TRUE(provider->answerWithXml(rooms(1)));
    settle(1);
    auto joins = requestsTo("chat_room_instances/join");
    ASSERT_EQ(joins.size(), 1u) << "one room: joined without a list";
    EXPECT_EQ(parameter(joins[0], "chat_room_instance_id"), "31");
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(1);

    auto* room = dynamic_cast<QVChatRoomController*>(navigation->topViewController());
    ASSERT_TRUE(room);
    EXPECT_EQ(room->title(), "Lobby 1");
    EXPECT_EQ(pollerCalls, std::vector<std::string>({ "chat" }));
    EXPECT_EQ(room->tableView()->numberOfRowsInSection(0), 0);
}

TEST_F(ChatTest, DefinitionWithSeveralRoomsOpensTheRoomListAndAFullRoomShowsRed)
{
    openDefinitions();
    EXPECT_EQ(definitions->navigationItem()->title(), "Chat Rooms") << "opened by name, the list still has a title";
    ASSERT_TRUE(tapRow(definitions.get(), 1));
    ASSERT_TRUE(provider->answerWithXml(rooms(2)));
    settle(1);
    EXPECT_TRUE(requestsTo("chat_room_instances/join").empty());
    auto* list = dynamic_cast<QVSelectChatRoomInstanceController*>(navigation->topViewController());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 2);

    auto* open = rowCell(list, 0);
    auto* full = rowCell(list, 1);
    auto* openCount = dynamic_cast<platform::ui::Label*>(open->contentView()->viewWithTag(2));
    auto* fullCount = dynamic_cast<platform::ui::Label*>(full->contentView()->viewWithTag(2));
    ASSERT_TRUE(openCount && fullCount);
    EXPECT_EQ(openCount->text(), "10/11");
    EXPECT_EQ(fullCount->text(), "11/11");
    EXPECT_GT(fullCount->textColor().red, 0.9f);
    EXPECT_LT(openCount->textColor().red, 0.3f);
    // The count keeps left of the disclosure arrow in a row narrower than the dashboard (the list's inset).
    EXPECT_LT(open->frame().size.width, 320);
    EXPECT_LE(openCount->frame().maxX(), open->contentView()->bounds().size.width);
    EXPECT_LE(open->contentView()->frame().maxX(), open->frame().size.width - platform::ui::TableViewCell::kAccessoryWidth);

    // Joining the full room fails: the room-full dead end.
    settle(2); // the loading overlay fades out
    full = rowCell(list, 1);
    auto tapped = driver().tap(full);
    ASSERT_TRUE(tapped) << tapped.problem;
    settle(1);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    auto* deadEnd = dynamic_cast<QVDeadEndErrorController*>(navigation->topViewController());
    ASSERT_TRUE(deadEnd);
    EXPECT_EQ(deadEnd->message(), QVSelectChatRoomInstanceController::kRoomFullMessage);
}

TEST_F(ChatTest, ADefinitionWithoutRoomsIsADeadEnd)
{
    openDefinitions();
    ASSERT_TRUE(tapRow(definitions.get(), 0));
    ASSERT_TRUE(provider->answerWithXml(rooms(0)));
    settle(1);
    auto* deadEnd = dynamic_cast<QVDeadEndErrorController*>(navigation->topViewController());
    ASSERT_TRUE(deadEnd);
    EXPECT_EQ(deadEnd->message(), QVSelectChatRoomDefinitionController::kLoadRoomsFailed);
}

TEST_F(ChatTest, PolledMessagesArriveAtTheBottomAndTheBoxPostsThem)
{
    auto* room = enterRoom();
    ASSERT_TRUE(room);
    postDiscovered("quorvel_chat_message_discovered", { message("40", "hello", "Ann", "Brisko").get() });
    settle(1);
    postDiscovered("quorvel_chat_message_discovered", { message("41", "newest", "Bo", "").get() });
    settle(1);
    ASSERT_EQ(room->tableView()->numberOfRowsInSection(0), 2);
    auto* bottom = dynamic_cast<QVChatRoomChatMessageCell*>(rowCell(room, 1));
    ASSERT_TRUE(bottom);
    EXPECT_EQ(bottom->chatMessageLabel()->text(), "newest");
    EXPECT_EQ(bottom->playerNameLabel()->text(), "Bo") << "no game: no separator";
    EXPECT_EQ(bottom->gameNameLabel()->text(), "");
    EXPECT_GE(bottom->frame().size.height, QVChatRoomChatMessageCell::kMinHeight);
    auto* top = dynamic_cast<QVChatRoomChatMessageCell*>(rowCell(room, 0));
    ASSERT_TRUE(top) << room->tableView()->frame().size.height << " " << room->tableView()->contentOffset().y;
    EXPECT_EQ(top->playerNameLabel()->text(), "Ann | ");
    EXPECT_FLOAT_EQ(top->gameNameLabel()->frame().origin.x, top->playerNameLabel()->frame().maxX());

    // Posting: the field empties as the message goes.
    auto* box = room->messageBox();
    ASSERT_TRUE(box);
    box->textEntryField()->setText("gg all");
    box->onSubmitForm();
    settle();
    auto posts = requestsTo("chat_messages.xml");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].method, "POST");
    EXPECT_EQ(parameter(posts[0], "chat_message[message]"), "gg all");
    EXPECT_EQ(box->textEntryField()->text(), "");
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(1);

    // A post that fails gives the typed text back.
    box->textEntryField()->setText("lost?");
    box->onSubmitForm();
    settle();
    EXPECT_EQ(box->textEntryField()->text(), "");
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_EQ(box->textEntryField()->text(), "lost?");

    lastAlert()->clickButton(0);
    settle(1);
    auto image = render("dashboard-chat-room");
    ASSERT_TRUE(image);
    // The message text is drawn dark on the light row.
    auto* label = bottom->chatMessageLabel();
    auto origin = label->convertPointTo(platform::Point(0, 0), nullptr);
    int dark = 0;
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < static_cast<int>(label->frame().size.height); ++y) {
            auto px = screen_testing::pixelAt(*image, static_cast<int>(origin.x) + x, static_cast<int>(origin.y) + y);
            if (px.r < 100 && px.g < 100 && px.b < 100)
                ++dark;
        }
    EXPECT_GT(dark, 5) << "message glyphs";
    // The message box's field sits under the list, above the bottom of the screen.
    auto fieldOrigin = box->textEntryField()->convertPointTo(platform::Point(10, 10), nullptr);
    EXPECT_GT(fieldOrigin.y, origin.y);
}

TEST_F(ChatTest, LeavingRestoresTheDefaultIntervalAndReturningRejoinsFirst)
{
    auto* room = enterRoom();
    ASSERT_TRUE(room);
    Ref<QVChatRoomController> keep(room);
    Ref<platform::ui::ViewController> other = QVControllerLoader::load("DeadEndError");
    navigation->pushViewController(other.get(), false);
    settle(1);
    EXPECT_EQ(pollerCalls, std::vector<std::string>({ "chat", "default" }));
    // The message box fades out with the room and back in with it.
    auto* box = room->messageBox();
    ASSERT_TRUE(box);
    using Views = std::initializer_list<platform::ui::View*>;
    for (platform::ui::View* v : Views { box->textEntryField(), box->hideKeyboardButton(), box->backgroundView() })
        EXPECT_EQ(v->alpha(), 0.0f);

    navigation->popViewControllerAnimated(false);
    settle(1);
    EXPECT_EQ(box->textEntryField()->alpha(), 1.0f);
    EXPECT_EQ(box->backgroundView()->alpha(), 1.0f);
    auto joins = requestsTo("chat_room_instances/join");
    ASSERT_EQ(joins.size(), 2u) << "returning sends a rejoin";
    EXPECT_EQ(pollerCalls.size(), 2u) << "polling resumes only after the rejoin";
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(1);
    EXPECT_EQ(pollerCalls.back(), "chat");

    // Leave and come back again; this time the spot is gone.
    navigation->pushViewController(other.get(), false);
    settle(1);
    navigation->popViewControllerAnimated(false);
    settle(1);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_EQ(navigation->topViewController(), definitions.get()) << "the room is popped";
    auto* alert = lastAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Room Full!");
    EXPECT_EQ(alert->message(), "Sorry, you've lost your spot due to inactivity.");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
}

TEST_F(ChatTest, TheKeyboardTogglesTheBoxButtonAndInLandscapeTheBar)
{
    host().orientation = platform::ui::InterfaceOrientation::LandscapeRight;
    auto* room = enterRoom();
    ASSERT_TRUE(room);
    auto* box = room->messageBox();
    const float buttonY = box->hideKeyboardButton()->frame().origin.y;
    ASSERT_TRUE(box->textEntryField()->becomeFirstResponder());
    settle(1);
    EXPECT_TRUE(room->isKeyboardShown());
    EXPECT_TRUE(navigation->isNavigationBarHidden()) << "no room for the bar above the keyboard";
    EXPECT_FLOAT_EQ(box->hideKeyboardButton()->frame().origin.y, buttonY + 3);

    ASSERT_TRUE(driver().tap(box->hideKeyboardButton()));
    settle(1);
    EXPECT_FALSE(room->isKeyboardShown());
    EXPECT_FALSE(navigation->isNavigationBarHidden());
    EXPECT_FLOAT_EQ(box->hideKeyboardButton()->frame().origin.y, buttonY);
}

TEST_F(ChatTest, LeavingTheRoomForgetsTheKeyboardAndStopsListeningForIt)
{
    auto* room = enterRoom();
    ASSERT_TRUE(room);
    ASSERT_TRUE(room->messageBox()->textEntryField()->becomeFirstResponder());
    settle(1);
    ASSERT_TRUE(room->isKeyboardShown());
    navigation->pushViewController(QVControllerLoader::load("Help").get(), false);
    settle(1);
    EXPECT_FALSE(room->isKeyboardShown());
    // A keyboard shown for the screen above is not the room's.
    platform::NotificationCenter::defaultCenter().post(platform::ui::kKeyboardWillShowNotification);
    settle();
    EXPECT_FALSE(room->isKeyboardShown());
}

TEST_F(ChatTest, TheLastJoinedRoomLeadsTheDefinitionList)
{
    auto* room = enterRoom();
    ASSERT_TRUE(room);
    navigation->popViewControllerAnimated(false);
    settle(1);
    ASSERT_TRUE(definitions->sections());
    ASSERT_GE(definitions->sections()->size(), 2u);
    auto* first = (*definitions->sections())[0].get();
    EXPECT_EQ(first->title(), QVSelectChatRoomDefinitionController::kLastVisitedTitle);
    auto* cached = dynamic_cast<QVChatRoomInstance*>(first->page()->objectAtIndex(0));
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->roomName(), "Lobby 1");
}

TEST_F(ChatTest, GameNameLinksOnlyToAKnownGame)
{
    auto owned = resourceFrom<QVChatMessage>("<chat_message><id>1</id><local_user_owns_application>true</local_user_owns_application>"
                                             "<user><id>4</id><last_played_game_id>null</last_played_game_id></user></chat_message>");
    EXPECT_FALSE(QVChatRoomChatMessageCell::shouldGameNameLink(owned.get()));
    auto icon = resourceFrom<QVChatMessage>("<chat_message><id>1</id><player_current_game_icon_url>http://x/i.png</player_current_game_icon_url>"
                                            "<user><id>4</id><last_played_game_id>12</last_played_game_id></user></chat_message>");
    EXPECT_TRUE(QVChatRoomChatMessageCell::shouldGameNameLink(icon.get()));
    auto bare = resourceFrom<QVChatMessage>("<chat_message><id>1</id><user><id>4</id><last_played_game_id>12</last_played_game_id></user></chat_message>");
    EXPECT_FALSE(QVChatRoomChatMessageCell::shouldGameNameLink(bare.get()));
}

} // namespace
