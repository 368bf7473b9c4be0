// Finding friends: import from a linked and an unlinked network, a host that
// went while a request ran, the import invitation's text and the list it works
// for, search by name and who's playing with its missing-network message.
#include "../FriendsTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/SearchBar.h"
#include "social/dashboard/common/QVFriendImporter.h"
#include "social/dashboard/friends/QVFindUserController.h"
#include "social/dashboard/friends/QVFullScreenImportFriendsMessage.h"
#include "social/dashboard/friends/QVImportFriendsController.h"
#include "social/dashboard/friends/QVWhosPlayingController.h"
#include "social/dashboard/friends/QVFriendsController.h"
#include "social/dashboard/profiles/QVProfileController.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include <functional>

using namespace quorvel;
using namespace friends_testing;
using community_testing::parameter;
using platform::Ref;

namespace {

const char* kOnlyAccount = "<?xml version=\"1.0\"?><resources><users_credential><id>1</id>"
                           "<credential_type>http_basic</credential_type></users_credential></resources>";

class FriendImportTest : public FriendsTest {
protected:
    // Loads the screen by name, lets `configure` set it up, pushes it and lets it ask for its data.
    template <typename T>
    T* push(const std::string& name, const std::function<void(T&)>& configure = {})
    {
        if (!navigation)
            openStack();
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load(name);
        auto* screen = dynamic_cast<T*>(loaded.get());
        if (screen && configure)
            configure(*screen);
        pushed.push_back(loaded);
        navigation->pushViewController(loaded.get(), false);
        settle(1);
        return screen;
    }
    QVWhosPlayingController* pushWhosPlaying()
    {
        return push<QVWhosPlayingController>("WhosPlaying", [](QVWhosPlayingController& list) {
            list.performSetter("setApplicationId", platform::Boxed::box(platform::Value(std::string("301"))).get());
        });
    }
    void TearDown() override
    {
        pushed.clear();
        FriendsTest::TearDown();
    }
    std::vector<Ref<platform::ui::ViewController>> pushed;
};

TEST_F(FriendImportTest, ImportFromALinkedNetworkShowsTheFindingFriendsMessage)
{
    auto* import = push<QVImportFriendsController>("ImportFriends");
    ASSERT_TRUE(import);
    driver().tap(import->facebookButton());
    settle(1);
    auto index = requestsTo("users_credentials");
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(parameter(index[0], "only_include_linked_credentials"), "1");
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("linked_credentials.xml")));
    settle(1);
    auto imports = requestsTo("users_credentials/import_friends");
    ASSERT_EQ(imports.size(), 1u);
    EXPECT_EQ(parameter(imports[0], "credential_name"), "fbconnect");
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    auto* done = top<QVShowMessageAndReturnController>();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->title(), "Finding Friends");
    EXPECT_EQ(done->messageLabel()->text(),
              "Allow some time for us to find your Facebook friends with Quorvel. Any matches will appear in the friends tab.");
    EXPECT_EQ(done->messageTitleLabel()->text(), "Find Friends");
    EXPECT_EQ(done->continueButton()->titleForState(platform::ui::StateNormal), "OK");
    // It returns to the screen below the import screen.
    EXPECT_EQ(done->controllerToPopTo(), root.get());

    // A failed import says so.
    navigation->popViewControllerAnimated(false);
    settle(1);
    driver().tap(import->twitterButton());
    settle(1);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    ASSERT_TRUE(top<QVShowMessageAndReturnController>());
    EXPECT_EQ(top<QVShowMessageAndReturnController>()->title(), "Error");
    EXPECT_EQ(top<QVShowMessageAndReturnController>()->messageLabel()->text(), QVFriendImporter::kImportFailed);
}

TEST_F(FriendImportTest, AnUnlinkedNetworkOpensItsLinkingScreen)
{
    auto* import = push<QVImportFriendsController>("ImportFriends");
    ASSERT_TRUE(import);
    driver().tap(import->twitterButton());
    settle(1);
    ASSERT_TRUE(provider->answerWithXml(kOnlyAccount));
    settle(1);
    EXPECT_TRUE(requestsTo("users_credentials/import_friends").empty());
    auto* link = top<QVAccountSetupBaseController>();
    ASSERT_TRUE(link);
    EXPECT_EQ(std::string(link->className()), "QVTwitterAccountLoginController");
    EXPECT_TRUE(link->addingAdditionalCredential());
    EXPECT_FALSE(top<QVShowMessageAndReturnController>());
}

// The importer answers as its host screen: an answer that comes after the
// screen left its stack, or went, is dropped.
TEST_F(FriendImportTest, AnImporterTakesAnswersOnlyWhileItsHostDoes)
{
    auto* import = push<QVImportFriendsController>("ImportFriends");
    ASSERT_TRUE(import);
    Ref<QVFriendImporter> importer(import->importer());
    EXPECT_TRUE(importer->canReceiveCallbacksNow());
    driver().tap(import->twitterButton());
    settle(1);
    navigation->popViewControllerAnimated(false);
    settle(1);
    EXPECT_FALSE(importer->canReceiveCallbacksNow()) << "its screen left the stack";
    const size_t depth = navigation->viewControllers().size();
    ASSERT_TRUE(provider->answerWithXml(kOnlyAccount));
    settle(1);
    EXPECT_EQ(navigation->viewControllers().size(), depth) << "no linking screen for a screen that left";
    pushed.clear();
    settle(1);
    EXPECT_FALSE(importer->controller());
    EXPECT_FALSE(importer->canReceiveCallbacksNow()) << "its screen is gone";
}

TEST_F(FriendImportTest, TheFindFriendsPageFitsThePageOfAPhoneOnItsSide)
{
    // On its side a phone shows 200 points of the page: the text and its three buttons fit.
    auto* import = push<QVImportFriendsController>("ImportFriends");
    ASSERT_TRUE(import);
    EXPECT_LE(import->findByNameButton()->frame().maxY(), 200);
    EXPECT_GT(import->facebookButton()->frame().minY(), 12 + 34) << "below the two lines of text";
}

TEST_F(FriendImportTest, AHostThatWentGetsNothingPushed)
{
    openStack();
    Ref<QVFriendImporter> importer = QVFriendImporter::friendImporterWithController(root.get());
    importer->importFromFacebook();
    settle(1);
    importer->controllerDealloced();
    const size_t depth = navigation->viewControllers().size();
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("linked_credentials.xml")));
    settle(1);
    EXPECT_TRUE(requestsTo("users_credentials/import_friends").empty());
    EXPECT_EQ(navigation->viewControllers().size(), depth);
}

TEST_F(FriendImportTest, TheImportInvitationNamesTheMissingNetworks)
{
    auto message = platform::dynamicRef<QVFullScreenImportFriendsMessage>(QVControllerLoader::load("FullscreenImportFriendsMessage"));
    ASSERT_TRUE(message);
    auto credential = [](const std::string& type) {
        return community_testing::resourceFrom<QVUsersCredential>("<users_credential><credential_type>" + type
                                                                  + "</credential_type></users_credential>");
    };
    message->setMissingCredentials({ credential("twitter") }, "");
    EXPECT_EQ(message->messageLabel()->text(),
              "Import your friends from Twitter to see what Quorvel games they're playing, compare progress, and more.");
    message->setMissingCredentials({ credential("fbconnect"), credential("twitter") }, "Nobody here.");
    EXPECT_EQ(message->messageLabel()->text(), "Nobody here. Import your friends from Facebook or Twitter to see what "
                                               "Quorvel games they're playing, compare progress, and more.");
    EXPECT_TRUE(QVControllerLoader::load("HeaderedFullscreenImportFriendsMessage"));
}

TEST_F(FriendImportTest, TheImportInvitationWorksForTheListThatShowsIt)
{
    // Loaded for a list, the list is its owner: Import pushes on the list's stack.
    openStack();
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("HeaderedFullscreenImportFriendsMessage", root.get());
    auto* message = dynamic_cast<QVFullScreenImportFriendsMessage*>(loaded.get());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->owner(), root.get());
    message->onImportFriendsPressed();
    settle(1);
    EXPECT_TRUE(top<QVImportFriendsController>());

    // Screens of other features set its owner and text by name.
    auto other = platform::ui::ViewController::controller();
    auto* keyed = dynamic_cast<QVKeyedSetters*>(loaded.get());
    ASSERT_TRUE(keyed);
    EXPECT_TRUE(keyed->performSetter("setOwner", other.get()));
    EXPECT_EQ(message->owner(), other.get());
    EXPECT_TRUE(keyed->performSetter("setMessage", platform::Boxed::box(platform::Value(std::string("All of your friends play."))).get()));
    EXPECT_EQ(message->messageLabel()->text(), "All of your friends play.");
}

TEST_F(FriendImportTest, FindUserSearchesByNameAndOpensProfiles)
{
    auto* import = push<QVImportFriendsController>("ImportFriends");
    ASSERT_TRUE(import);
    driver().tap(import->findByNameButton());
    settle(1);
    auto* find = top<QVFindUserController>();
    ASSERT_TRUE(find);
    EXPECT_EQ(find->title(), "Find User");
    EXPECT_EQ(provider->waitingCount(), 0u); // nothing before the first search
    ASSERT_TRUE(find->header());
    platform::ui::SearchBar* bar = find->header()->searchBar();
    bar->setText("Bo");
    find->searchBarSearchButtonClicked(bar);
    settle(1);
    auto searches = requestsTo("users.xml");
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_EQ(parameter(searches[0], "page"), "1");
    ASSERT_TRUE(provider->answerWithXml(pageXml(0, "")));
    settle(1);
    EXPECT_EQ(find->getNoDataFoundMessage(), "No user with that name was found.");
    EXPECT_EQ(top<QVFindUserController>(), find);

    find->searchBarSearchButtonClicked(bar);
    settle(1);
    ASSERT_TRUE(provider->answerWithXml(pageXml(1, userXml("18", "Bo"))));
    settle(1);
    ASSERT_TRUE(tapRow(find, 0));
    EXPECT_TRUE(top<QVProfileController>());
}

TEST_F(FriendImportTest, WhosPlayingListsFriendsOrInvitesToImport)
{
    auto* list = pushWhosPlaying();
    ASSERT_TRUE(list);
    auto requests = requestsTo("users.xml");
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(parameter(requests.back(), "with_client_application"), "301");
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("game_players.xml")));
    settle(1);
    auto* row = dynamic_cast<QVWhosPlayingCell*>(rowCell(list, 0));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->nameLabel()->text(), "Ann");
    EXPECT_EQ(row->appGamerScoreLabel()->text(), "450");
    EXPECT_EQ(row->gamerScoreLabel()->text(), "1200");
    EXPECT_FALSE(row->onlineLabel()->isHidden()); // the local player is playing
    EXPECT_EQ(row->lastPlayedGameLabel()->text().rfind("Playing ", 0), 0u);

    // A friend coming online reloads the list.
    const size_t before = requestsTo("users.xml").size();
    QuorvelInternal::notifications().postFriendPresenceChanged(user("18", "Bo").get(), "online");
    settle(1);
    EXPECT_EQ(requestsTo("users.xml").size(), before + 1);
    ASSERT_TRUE(provider->answerWithXml(
        "<?xml version=\"1.0\"?><resources><table_meta_data><users_credential><credential_type>fbconnect</credential_type>"
        "</users_credential><users_credential><credential_type>twitter</credential_type></users_credential>"
        "</table_meta_data></resources>"));
    settle(1);
    auto empty = list->getNoDataFoundViewController();
    auto* message = dynamic_cast<QVFullScreenImportFriendsMessage*>(empty.get());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->owner(), list);
    EXPECT_EQ(message->messageLabel()->text(),
              std::string(QVWhosPlayingController::kNoFriends)
                  + " Import your friends from Facebook or Twitter to see what Quorvel games they're playing, compare "
                    "progress, and more.");
}

TEST_F(FriendImportTest, AWhosPlayingRowNamesItsTwoScoresAndSitsInTheMiddleOfATabletsRow)
{
    useDevice(Device::Tablet);
    auto* list = pushWhosPlaying();
    ASSERT_TRUE(list);
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("game_players.xml")));
    settle(1);
    auto* row = dynamic_cast<QVWhosPlayingCell*>(rowCell(list, 0));
    ASSERT_TRUE(row);
    // Each number says what it counts, on its own line.
    auto inRow = [&](platform::ui::View* part) { return part->convertRectTo(part->bounds(), row); };
    EXPECT_EQ(row->appGamerScoreCaption()->text(), "This game");
    EXPECT_EQ(row->gamerScoreCaption()->text(), "All games");
    EXPECT_NEAR(inRow(row->appGamerScoreCaption()).midY(), inRow(row->appGamerScoreLabel()).midY(), 2);
    EXPECT_NEAR(inRow(row->gamerScoreCaption()).midY(), inRow(row->gamerScoreLabel()).midY(), 2);
    // The row's parts sit at its middle, the texts clear of the picture's frame.
    const float middle = row->bounds().size.height / 2;
    ASSERT_GE(middle, 30);
    EXPECT_NEAR(inRow(row->profilePictureView()).midY(), middle, 1);
    const float texts = (inRow(row->nameLabel()).minY() + inRow(row->lastPlayedGameLabel()).maxY()) / 2;
    EXPECT_NEAR(texts, middle, 3);
    EXPECT_GE(inRow(row->nameLabel()).minX(), inRow(row->profilePictureView()).maxX() + 7 + 5);
    // "online" leads the line of what the player is playing, without covering it.
    EXPECT_LE(inRow(row->onlineLabel()).maxX(), inRow(row->lastPlayedGameLabel()).minX());
}

TEST_F(FriendImportTest, WhosPlayingWithoutAGameAsksForTheRunningOne)
{
    openStack();
    auto loaded = QVControllerLoader::load("WhosPlaying");
    auto* list = dynamic_cast<QVWhosPlayingController*>(loaded.get());
    ASSERT_TRUE(list);
    list->performSetter("setApplicationId", platform::Boxed::box(platform::Value(std::string())).get());
    pushed.push_back(loaded);
    navigation->pushViewController(list, false);
    settle(1);
    auto requests = requestsTo("users.xml");
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(parameter(requests.back(), "with_client_application"), "55");
}

} // namespace
