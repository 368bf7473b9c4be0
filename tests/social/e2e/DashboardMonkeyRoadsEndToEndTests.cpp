// Roads a walk of the dashboard monkey once took to a broken promise (or a
// world it must hold, as the challenge sent to three), replayed move by move as
// the monkey takes them, its promises checked after each move.
#include "DashboardMonkey.h"

#include <gtest/gtest.h>

using namespace monkey_testing;

namespace {

// Roads a walk once took to a broken promise, replayed move by move as the
// monkey takes them, its promises checked after each.
class DashboardMonkeyRoadEndToEnd;
struct Road {
    const char* name;
    std::vector<std::pair<const char*, std::function<void(DashboardMonkeyRoadEndToEnd&)>>> moves;
    int shape { 0 }; // the device (DashboardMonkey::Shape): a phone by default
};

class DashboardMonkeyRoadEndToEnd : public DashboardMonkey, public testing::WithParamInterface<Road> {
public:
    static constexpr int kOnATablet = kTablet;
    static constexpr int kServiceGoesAtOnce = kServiceGoes, kNothingAtOnce = kNothingElse;
    void SetUp() override
    {
        shape = GetParam().shape;
        DashboardMonkey::SetUp();
    }
    // A tap at the middle of the visible text `text`, wherever it shows (a notice's bar too).
    void tapText(const std::string& text)
    {
        for (auto* label : visible<platform::ui::Label>())
            if (label->text() == text) {
                platform::Rect r = label->convertRectTo(label->bounds(), nullptr);
                driver->tapPoint(platform::Point(r.midX(), r.midY()));
                moveOn();
                return;
            }
        note("    no \"" + text + "\" to tap");
    }
    // A tap on the first row shown, without waiting for what it starts.
    void anyRow()
    {
        auto rows = visible<platform::ui::TableViewCell>();
        if (rows.empty()) {
            note("    no row to tap");
            return;
        }
        driver->tap(rows.front());
        moveOn();
    }
    // A tap on the row that shows `text`.
    void row(const std::string& text)
    {
        for (auto* row : visible<platform::ui::TableViewCell>())
            for (auto* label : labelsIn(row))
                if (label->text() == text) {
                    driver->tap(row);
                    moveOn();
                    return;
                }
        note("    no row \"" + text + "\" to tap");
    }
    void unlockCollector()
    {
        QVAchievement::achievement(std::to_string(StandInState::kCollectorAchievement))->updateProgressionComplete(100, true);
        moveOn();
    }
    // The game logs in one of the device's players; the walk goes on once the login has ended.
    void logInAs(int64_t player)
    {
        const std::string who = std::to_string(player);
        Quorvel::loginWithUserId(who, QVDelegate(), QVDelegate());
        if (!waitUntil([&] {
                return Quorvel::lastLoggedInUserId() == who && !QuorvelInternal::login().isBootstrapInProgress();
            }))
            note("    player " + who + " did not log in");
    }
    // The challenge sent to three, which must open with the record of the player logged in.
    void openTheChallengeForThreeAsItsRecipient()
    {
        mustOpenTheChallenge = true;
        openTheChallengeForThree();
    }
    int64_t third() const { return thirdPlayer; }
    // The game logs a player in (approving first when the player has not): the walk goes on with
    // whatever the login shows.
    void gameLogsIn(int64_t player)
    {
        if (!Quorvel::hasUserApprovedQuorvel())
            Quorvel::userDidApproveQuorvel(true);
        Quorvel::loginWithUserId(std::to_string(player), QVDelegate(), QVDelegate());
    }
    // Types `text` into the first field shown and sends it.
    void typeAndSend(const std::string& text)
    {
        auto fields = visible<platform::ui::TextField>();
        if (fields.empty() || !driver->tap(fields.front())) {
            note("    no field to type in");
            return;
        }
        driver->type(text);
        driver->pressReturn();
    }
    // A tap on the tab named `name`.
    void tab(const std::string& name)
    {
        for (auto* item : visible<QVTabBarItem>())
            if (item->name() == name) {
                driver->tap(item);
                moveOn();
                return;
            }
        note("    no tab \"" + name + "\" to tap");
    }
    // The service's answers to `path` wait until let go.
    void holdAnswersTo(const std::string& path) { service->holdAnswersTo(path); }
    void letHeldAnswersGo() { service->stopHolding(); }
    // The next answer to `path` is a refusal (a 500).
    void refuseNext(const std::string& method, const std::string& path)
    {
        service->script(method, path, standin::Answer::xml("<errors><error>Not now</error></errors>", 500));
    }
    using DashboardMonkey::inviteNotice;
    // The photo picker on show picks a photo.
    void pickAPhoto()
    {
        auto* photos = dynamic_cast<platform::ui::ImagePickerController*>(devicePicker());
        if (!photos) {
            note("    no photo picker");
            return;
        }
        auto photo = platform::ui::ImageAsset::withImage("photo", platform::Image::imageWithRGBA(64, 64, platform::Bytes(64 * 64 * 4, 0x80)).get());
        photos->finishPickingForTest(photo.get());
    }
    // The list in front dragged to its end, or back to its head.
    void dragTheList(bool toItsEnd)
    {
        auto* list = dynamic_cast<QVTableControllerHelper*>(frontScreen());
        platform::ui::TableView* table = list && list->isViewLoaded() ? list->tableView() : nullptr;
        if (!table) {
            note("    no list to drag");
            return;
        }
        table->dragForTest(0, (toItsEnd ? table->maximumOffset().y : table->minimumOffset().y) - table->contentOffset().y);
        moveOn();
    }
    using DashboardMonkey::moreOfALongList;
    using DashboardMonkey::answerWhatAsks;
    using DashboardMonkey::back;
    using DashboardMonkey::memoryWarning;
    using DashboardMonkey::noteFrontBefore;
    using DashboardMonkey::settle;
    using DashboardMonkey::serviceBack;
    using DashboardMonkey::serviceGone;
    using EndToEndTest::letTimePass;
};

TEST_P(DashboardMonkeyRoadEndToEnd, KeepsEveryPromise)
{
    start();
    ASSERT_FALSE(HasFatalFailure());
    std::string broken;
    for (size_t i = 0; i < GetParam().moves.size() && broken.empty(); ++i) {
        note(GetParam().moves[i].first);
        GetParam().moves[i].second(*this);
        settle();
        broken = brokenPromise();
        if (environmentNumber("BRISKO_MONKEY_TRACE", 0))
            std::cout << screenText() << "\n" << platform::ui::TestDriver::dumpTree(driver->window()) << std::endl;
    }
    EXPECT_EQ(broken, "") << "its moves:\n" << trailText() << screenText();
}

using R = DashboardMonkeyRoadEndToEnd;
void openTheNameForm()
{
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel",
                                         std::vector<Quorvel::DashboardEntry> { std::string("UserSetting"), std::string("ChangeName") });
}
INSTANTIATE_TEST_SUITE_P(
    Roads, DashboardMonkeyRoadEndToEnd,
    testing::Values(
        // The favourite page opened with the service gone: its state never comes, and the page still
        // shows its star and what it does (walks of seeds 215, 218 and 249).
        Road { "FavouritePageWithTheServiceGone",
               { { "tap 'Fan Club'", [](R& m) { m.tapText("Fan Club"); } },
                 { "service gone", [](R& m) { m.serviceGone(); } },
                 { "tap a row", [](R& m) { m.row("Add Game as Favorite"); } } } },
        // The switch page opened over the invitations page, an unlock's notice over it, a switch
        // started, the notice tapped while it shows, then Back (a walk of seed 99 with presence on).
        Road { "SwitchPageUnderATappedNotice",
               { { "the invitations page", [](R&) { Quorvel::launchDashboardWithSpecificInvite(""); } },
                 { "the switch page", [](R&) { Quorvel::launchDashboardWithSwitchUserPage(); } },
                 { "an unlock with its notice", [](R& m) { m.unlockCollector(); } },
                 { "memory warning", [](R& m) { m.memoryWarning(); } },
                 { "tap a row", [](R& m) { m.row("Rival"); } },
                 { "tap 'Collector'", [](R& m) { m.tapText("'Collector'"); } },
                 { "back", [](R& m) { m.back(); } } } },
        // The switch page opened over the invitations, a row tapped; an unlock with its notice and a
        // memory warning at once, without letting the screens settle; taps on a row and on the notice,
        // then a row, Back and typing: the switch page comes back whole or goes (a walk of seed 99
        // with presence on, replayed).
        Road { "SwitchPageLosingItsViewAsItAppears",
               { { "the invitations page", [](R&) { Quorvel::launchDashboardWithSpecificInvite(""); } },
                 { "the switch page, 0.6 s, a row",
                   [](R& m) {
                       Quorvel::launchDashboardWithSwitchUserPage();
                       m.letTimePass(0.6);
                       m.anyRow();
                   } },
                 { "an unlock with its notice and a memory warning at once",
                   [](R& m) {
                       QVAchievement::achievement(std::to_string(StandInState::kCollectorAchievement))->updateProgressionComplete(50, true);
                       m.memoryWarning();
                   } },
                 { "service back", [](R& m) { m.serviceBack(); } },
                 { "a row and 'Collector' without settling",
                   [](R& m) {
                       m.anyRow();
                       m.tapText("'Collector'");
                   } },
                 { "a row", [](R& m) { m.anyRow(); } },
                 { "back", [](R& m) { m.back(); } },
                 { "type", [](R& m) { m.typeAndSend("Rival"); } } } },
        // The player logs out with the dashboard closed and the game opens its send-challenge screen:
        // the friends' list is not asked for offline, and its loading screen goes (the overlay waited
        // for a login that never came, a walk of seed 2 on a tablet).
        Road { "SendChallengeScreenOpenedLoggedOut",
               { { "log out, the dashboard closed",
                   [](R&) {
                       Quorvel::logoutUser();
                       Quorvel::dismissDashboard();
                   } },
                 { "the game's send-challenge screen",
                   [](R&) { QVChallengeService::displaySendChallengeModal("51", "Beat 1:10", platform::Bytes { 7 }); } },
                 { "back", [](R& m) { m.back(); } } } },
        // The send-challenge screen opened logged in, a friend picked, a logout, then "Send Challenge":
        // the player is told it failed, with no loading screen left waiting for a login (a walk of
        // seed 30007 on a tablet).
        Road { "ChallengeSentAfterALogout",
               { { "the game's send-challenge screen",
                   [](R&) {
                       Quorvel::dismissDashboard();
                       QVChallengeService::displaySendChallengeModal("51", "Beat 1:10", platform::Bytes { 7 });
                   } },
                 { "tap 'Mira Okafor'", [](R& m) { m.tapText("Mira Okafor"); } },
                 { "log out", [](R&) { Quorvel::logoutUser(); } },
                 { "tap 'Send Challenge'", [](R& m) { m.tapText("Send Challenge"); } },
                 { "the alert answered", [](R& m) { m.answerWhatAsks(); } } } },
        // A challenge sent to three through the service, opened by each of them in turn as the game
        // logs them in: each sees their own record and can start it.
        Road { "EachOfThreeRecipientsStartsTheirOwn",
               { { "the challenge, as the player", [](R& m) { m.openTheChallengeForThreeAsItsRecipient(); } },
                 { "the rival logs in", [](R& m) { m.logInAs(StandInState::kRivalUser); } },
                 { "the challenge, as the rival", [](R& m) { m.openTheChallengeForThreeAsItsRecipient(); } },
                 { "the third logs in", [](R& m) { m.logInAs(m.third()); } },
                 { "the challenge, as the third", [](R& m) { m.openTheChallengeForThreeAsItsRecipient(); } } } },
        // A list on the game's tab starts loading as the player looks at it, and the switch page
        // opens over it at once; the switch takes that tab back to its root before the list's answer
        // comes: the overlay the list showed goes with it, and the game's page opens uncovered.
        Road { "SwitchPageOverAListStillLoadingOnAnotherTab",
               { { "the game's invitations page", [](R&) { Quorvel::launchDashboardWithInvitePage(); } },
                 { "tap 'Quorvel Friends'", [](R& m) { m.row("Quorvel Friends"); } },
                 { "the switch page", [](R&) { Quorvel::launchDashboardWithSwitchUserPage(); } },
                 { "the game's tab, its list loading, and the switch page over it at once",
                   [](R& m) {
                       m.holdAnswersTo("invites/new/invitable_friends");
                       m.tab("Brisko");
                       Quorvel::launchDashboardWithSwitchUserPage();
                   } },
                 { "tap 'Rival'", [](R& m) { m.row("Rival"); } },
                 { "the list's answer", [](R& m) { m.letHeldAnswersGo(); } },
                 { "the game page", [](R&) { Quorvel::launchDashboard(); } } } },
        // In the account screens the game's login opens, a new account's name the service refuses
        // puts the general error page on a stack whose bar is hidden: the page still has a way out
        // (a walk of seed 741).
        Road { "RefusedNameInTheLoginsAccountScreens",
               { { "log out", [](R&) { Quorvel::logoutUser(); } },
                 { "the game closes the dashboard", [](R&) { Quorvel::dismissDashboard(); } },
                 { "the game logs the player in", [](R& m) { m.gameLogsIn(StandInState::kRivalUser); } },
                 { "tap 'This isn't me'", [](R& m) { m.tapText("This isn't me"); } },
                 { "tap 'Create a new account'", [](R& m) { m.tapText("Create a new account"); } },
                 { "a name, sent", [](R& m) { m.typeAndSend("x"); } },
                 { "back", [](R& m) { m.back(); } },
                 { "a name too long, sent", [](R& m) { m.typeAndSend(std::string(40, 'n')); } },
                 { "the refusal answered", [](R& m) { m.answerWhatAsks(); } } } },
        // The game closes the dashboard while a switch's login is on its way: the error screens the
        // switch held come back (its answer reaches a screen that went), and the player's next
        // failure shows its page.
        Road { "ErrorPagesAfterTheGameClosedTheDashboardOverASwitch",
               { { "the switch page", [](R&) { Quorvel::launchDashboardWithSwitchUserPage(); } },
                 { "the switch's login held, 'Rival' tapped, the dashboard closed",
                   [](R& m) {
                       m.holdAnswersTo("bootstrap.xml");
                       m.row("Rival");
                       Quorvel::dismissDashboard();
                   } },
                 { "the login's answer", [](R& m) { m.letHeldAnswersGo(); } },
                 { "leaderboards, refused", [](R& m) {
                       m.refuseNext("GET", "client_applications/321/leaderboards.xml");
                       Quorvel::launchDashboardWithListLeaderboardsPage();
                   } } } },
        // The name form on the player's tab, a switch over it, and the form again: it names the
        // player logged in now.
        Road { "TheNameFormAfterASwitch",
               { { "the name form", [](R&) { openTheNameForm(); } },
                 { "the switch page over it", [](R&) { Quorvel::launchDashboardWithSwitchUserPage(); } },
                 { "tap 'Rival'", [](R& m) { m.row("Rival"); } },
                 { "the name form again", [](R&) { openTheNameForm(); } } } },
        // What the badges count is read: the challenges listed, an invitation's notice over the game
        // closed with a tap (the game hears it go), the game's page and the player's.
        Road { "BadgesAfterReadingAndANoticeClosed",
               { { "challenges", [](R&) { Quorvel::launchDashboardWithChallengesPage(); } },
                 { "the game page", [](R&) { Quorvel::launchDashboard(); } },
                 { "the game closes the dashboard", [](R&) { Quorvel::dismissDashboard(); } },
                 { "an invitation's notice", [](R& m) { m.inviteNotice(); } },
                 { "tap it", [](R& m) { m.tapText("Invitation"); } },
                 { "the player's page", [](R&) {
                       Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> {});
                   } } } },
        // The player chooses a picture of their own twice: the list of pictures, shown again, gives
        // each row its own picture (the default's row none; a walk of seed 50039 on a phone on its
        // side).
        Road { "APictureOfTheirOwnChosenTwice",
               { { "the profile picture page, 'Choose your own!'", [](R& m) {
                       Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel",
                                                            std::vector<Quorvel::DashboardEntry> { std::string("UserSetting"),
                                                                                                   std::string("SelectProfilePicture") });
                       m.settle();
                       m.noteFrontBefore(); // the picker's screen
                       m.row("Choose your own!");
                   } },
                 { "a photo picked", [](R& m) { m.pickAPhoto(); } },
                 { "'Choose your own!' again", [](R& m) {
                       m.noteFrontBefore();
                       m.row("Choose your own!");
                   } },
                 { "a photo picked", [](R& m) { m.pickAPhoto(); } } } },
        // A long list asked for more as the service goes: the failure is told and the list's spinner
        // stops; asked again with the service back, the rows coming in show their own players.
        Road { "MoreOfALongListAsTheServiceGoes",
               { { "who's playing, its end, more, and the service gone at once",
                   [](R& m) { m.moreOfALongList(R::kServiceGoesAtOnce); } },
                 { "the failure answered", [](R& m) { m.answerWhatAsks(); } },
                 { "service back", [](R& m) { m.serviceBack(); } },
                 { "more again", [](R& m) { m.moreOfALongList(R::kNothingAtOnce); } } } },
        // The player's friends, more than a screen of them, some with pictures and some without,
        // dragged to the end and back: each row a cell served before shows its own player.
        Road { "TheFriendsListDraggedBothWays",
               { { "the player's friends", [](R&) {
                       Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel",
                                                            std::vector<Quorvel::DashboardEntry> { std::string("Friends") });
                   } },
                 { "dragged to the end", [](R& m) { m.dragTheList(true); } },
                 { "and back", [](R& m) { m.dragTheList(false); } } } },
        // A tablet turned with the dashboard open, each way: its panel stays across the middle.
        Road { "ATabletTurnsWithTheDashboardOpen",
               { { "on its side", [](R&) { Quorvel::setDashboardOrientation(3); } },
                 { "upright", [](R&) { Quorvel::setDashboardOrientation(1); } },
                 { "on its other side", [](R&) { Quorvel::setDashboardOrientation(4); } } },
               R::kOnATablet }),
    [](const testing::TestParamInfo<Road>& info) { return std::string(info.param.name); });

} // namespace
