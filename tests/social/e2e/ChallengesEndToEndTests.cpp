// Challenges end to end: a challenge a rival sent is listed, opened and
// started, handing the game its data, and the game's result is kept by the
// service, which the completed screen then shows; the history lists the types
// with the player's tally and a type's challenges; the player sends a
// challenge to a friend picked on the send screen; the game rejects one and
// keeps another in a file it reads back on its next launch.
#include "CommunityEndToEndSupport.h"

#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVChallengeDefinition.h"
#include "platform/ui/AlertView.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

class ChallengeGame final : public QVChallengeDelegate {
public:
    bool respondsTo(Message) const override { return true; }
    void userLaunchedChallenge(platform::Object* challengeToUser, const std::optional<platform::Bytes>& data) override
    {
        launched = dynamic_cast<QVChallengeToUser*>(challengeToUser);
        launchedData = data;
        calls.push_back("launched");
    }
    void userSentChallenges() override { calls.push_back("sent"); }
    void sendChallengeScreenClosed() override { calls.push_back("sendClosed"); }
    void completedChallengeScreenClosed() override { calls.push_back("completedClosed"); }
    platform::Ref<QVChallengeToUser> launched;
    std::optional<platform::Bytes> launchedData;
    std::vector<std::string> calls;
};

// Receives a request's answer.
class PageWatcher final : public platform::Object {
public:
    static platform::Ref<PageWatcher> create() { return platform::adoptRef(new PageWatcher); }
    void succeeded(platform::Object*) { done = true; }
    void failedWith(platform::Object*) { done = failed = true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(PageWatcher, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(PageWatcher, failedWith)); }
    bool done { false }, failed { false };
};

class ChallengesEndToEnd : public CommunityEndToEndTest {
protected:
    void SetUp() override
    {
        CommunityEndToEndTest::SetUp();
        delegates->setChallengeDelegate(&challengeGame);
    }
    ChallengeGame challengeGame;
};

bool requested(const std::vector<standin::LoggedRequest>& log, const std::string& prefix)
{
    return std::any_of(log.begin(), log.end(), [&](auto& r) { return r.path.rfind(prefix, 0) == 0; });
}

TEST_F(ChallengesEndToEnd, AReceivedChallengeIsListedOpenedStartedAndItsResultKept)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    ASSERT_GT(state->addChallenge(StandInState::kRivalUser, 51, "Beat my lap", "Try this", player), 0);

    openDashboard();
    ASSERT_TRUE(tapText("Challenges"));
    ASSERT_TRUE(waitForText("From Rival"));
    EXPECT_TRUE(shows("Pending Challenges"));
    EXPECT_TRUE(shows("Try this"));
    ASSERT_TRUE(tapText("Fastest Lap"));
    ASSERT_TRUE(waitForScreen("QVChallengeDetailController"));
    ASSERT_TRUE(waitForText("Beat my lap"));
    EXPECT_TRUE(shows("Challenge not completed yet."));

    // Starting it hands the challenge and its data to the game and closes the dashboard.
    ASSERT_TRUE(tap("Start Challenge"));
    ASSERT_TRUE(waitUntil([&] { return challengeGame.launched && !QuorvelInternal::presenter().isShowingFullScreen(); }));
    EXPECT_EQ(challengeGame.calls, (std::vector<std::string> { "launched" }));
    EXPECT_TRUE(requested(service->requests(), "challenges/"));

    // The game reports the result; the service keeps it and the player sees it.
    auto answered = PageWatcher::create();
    QVChallengeService::submitChallengeResult(challengeGame.launched->resourceId(), 1, "You won", answered->onSuccess(),
                                              answered->onFailure());
    ASSERT_TRUE(waitUntil([&] { return answered->done; }));
    EXPECT_FALSE(answered->failed);
    ASSERT_EQ(state->challengesTo(player).size(), 1u);
    EXPECT_EQ(state->challengesTo(player)[0].result, "win");
    QVChallengeService::displayChallengeCompletedModal(*challengeGame.launched, platform::Bytes { 4, 5 }, "You won",
                                                       "Beat this");
    ASSERT_TRUE(waitForScreen("QVCompletedChallengeHeaderController"));
    EXPECT_TRUE(shows("You won"));
}

// A challenge sent through the service to three players: each recipient's
// view of it carries their own record, and the player starts it wherever the
// service lists them among the three (first, between, last).
TEST_F(ChallengesEndToEnd, AChallengeSentToThreePlayersIsEachOnesOwnToStart)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t ann = addOtherPlayer("Ann"), bob = addOtherPlayer("Bob"), cat = addOtherPlayer("Cat");
    const std::vector<std::vector<int64_t>> rounds { { player, ann, bob }, { ann, player, bob }, { ann, bob, player } };
    for (size_t round = 0; round < rounds.size(); ++round) {
        SCOPED_TRACE(round);
        const std::string message = "Round " + std::to_string(round);
        standin::Params form { { "challenge_definition_id", "51" }, { "challenge_description", "Beat my lap" },
                               { "challenge_user_message", message } };
        for (int64_t to : rounds[round])
            form.emplace_back("challenge_user_ids[]", std::to_string(to));
        ASSERT_EQ(actAs(cat, "POST", "challenges.xml", form).status, 200);
        const std::string challenge = kept("SELECT MAX(id) FROM challenges");
        auto recordOf = [&](int64_t who) {
            return kept("SELECT id FROM challenges_users WHERE challenge_id = " + challenge
                        + " AND user_id = " + std::to_string(who));
        };
        // Every recipient's view lists the three and names their own record first.
        for (int64_t who : rounds[round]) {
            if (who == player)
                continue;
            auto seen = actAs(who, "GET", "challenges_users.xml", { { "challenge_id", challenge } });
            ASSERT_EQ(seen.status, 200) << who;
            EXPECT_NE(seen.body.find("<table_meta_data><challenges_user><id>" + recordOf(who) + "</id>"),
                      std::string::npos) << seen.body;
        }

        challengeGame.launched = nullptr;
        openDashboard();
        ASSERT_TRUE(tapText("Challenges"));
        ASSERT_TRUE(waitForText(message)) << screenText();
        ASSERT_TRUE(tapText("Fastest Lap"));
        ASSERT_TRUE(waitForScreen("QVChallengeDetailController"));
        ASSERT_TRUE(waitForText("Beat my lap")) << screenText();
        ASSERT_TRUE(tap("Start Challenge")) << screenText();
        ASSERT_TRUE(waitUntil([&] { return challengeGame.launched && !QuorvelInternal::presenter().isShowingFullScreen(); }));
        EXPECT_EQ(challengeGame.launched->resourceId(), recordOf(player));
        // Played: it leaves the pending list for the next round.
        challengeGame.launched->completeWithResult(QVChallengeService::kWon);
        ASSERT_TRUE(waitUntil([&] {
            return kept("SELECT result FROM challenges_users WHERE id = " + recordOf(player)) == "win";
        }));
    }
}

TEST_F(ChallengesEndToEnd, HistoryListsTheTypesWithTheirStatisticsAndATypesChallenges)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // Two lap challenges won, one lost; a marathon still open.
    for (const char* result : { "win", "win", "lose" }) {
        int64_t id = state->addChallenge(StandInState::kRivalUser, 51, "Beat my lap", std::string("Lap ") + result, player);
        ASSERT_TRUE(keep("UPDATE challenges_users SET result = '" + std::string(result) + "' WHERE challenge_id = "
                         + std::to_string(id)));
    }
    ASSERT_GT(state->addChallenge(StandInState::kRivalUser, 53, "Run far", "Go long", player), 0);

    openDashboard();
    ASSERT_TRUE(tapText("Challenges"));
    ASSERT_TRUE(waitForText("Go long")) << screenText();
    EXPECT_FALSE(shows("Lap win")) << "a completed challenge is not pending";
    ASSERT_TRUE(tapText("History"));
    ASSERT_TRUE(waitForText("Challenge Types")) << screenText();
    EXPECT_TRUE(shows("Marathon"));
    EXPECT_TRUE(shows("Wins"));
    auto asked = serviceRequestsTo("challenge_definitions.xml");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().param("challenge_definition_stats"), "1");
    auto texts = visibleTexts();
    auto lap = std::find(texts.begin(), texts.end(), "Fastest Lap");
    ASSERT_NE(lap, texts.end()) << screenText();
    // The lap's row: wins, losses, ties.
    std::vector<std::string> row(lap + 1, std::min(lap + 7, texts.end()));
    EXPECT_EQ(row, (std::vector<std::string> { "Wins", "Losses", "Ties", "2", "1", "0" })) << screenText();

    // A type's row opens its history.
    ASSERT_TRUE(tapText("Fastest Lap"));
    ASSERT_TRUE(waitForText("Challenge History")) << screenText();
    EXPECT_TRUE(shows("Lap win"));
    EXPECT_TRUE(shows("Lap lose"));
    EXPECT_FALSE(shows("Go long"));
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(tapText("Pending"));
    ASSERT_TRUE(waitForText("Go long")) << screenText();
}

TEST_F(ChallengesEndToEnd, AChallengeSentToAChosenFriendThroughTheScreenIsKeptByTheService)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t ann = addOtherPlayer("Ann");
    int64_t bob = addOtherPlayer("Bob");
    state->addFriends(player, ann);
    state->addFriends(player, bob);

    QVChallengeService::displaySendChallengeModal("51", "Beat 1:10", platform::Bytes { 7, 8, 9 });
    ASSERT_TRUE(waitForScreen("QVSendChallengeController"));
    ASSERT_TRUE(waitForText("Ann")) << screenText();
    EXPECT_TRUE(shows("Friends To Challenge"));
    EXPECT_TRUE(shows("Bob"));
    EXPECT_FALSE(shows("Import Friends"));
    ASSERT_TRUE(waitForText("Fastest Lap")) << "the header names the type";

    // Nobody chosen yet: the player is told, nothing is sent.
    // (The screen's second load waits behind its loading screen for a while.)
    ASSERT_TRUE(waitUntil([&] { return tap("Send Challenge"); })) << screenText();
    ASSERT_TRUE(driver->currentAlert());
    EXPECT_EQ(driver->currentAlert()->title(), "No Friends Selected");
    ASSERT_TRUE(driver->answerAlert("OK"));
    EXPECT_TRUE(serviceRequestsTo("challenges.xml").empty());

    ASSERT_TRUE(tapText("Ann"));
    ASSERT_TRUE(typeInto(0, "Catch me"));
    ASSERT_TRUE(tap("Send Challenge"));
    ASSERT_TRUE(waitUntil([&] { return !state->challengesTo(ann).empty(); })) << screenText();
    ASSERT_TRUE(waitUntil([&] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    EXPECT_EQ(challengeGame.calls, (std::vector<std::string> { "sent", "sendClosed" }));
    auto kept = state->challengesTo(ann);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].challengerId, player);
    EXPECT_EQ(kept[0].definitionId, 51);
    EXPECT_EQ(kept[0].userMessage, "Catch me");
    EXPECT_TRUE(state->challengesTo(bob).empty());
    EXPECT_EQ(this->kept("SELECT description FROM challenges WHERE id = " + std::to_string(kept[0].id)), "Beat 1:10");
    EXPECT_FALSE(this->kept("SELECT length(data) FROM challenges WHERE id = " + std::to_string(kept[0].id)).empty());
}

TEST_F(ChallengesEndToEnd, ARejectedChallengeLeavesTheListAndAStartedOneIsKeptInAFileWithItsData)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t dull = state->addChallenge(StandInState::kRivalUser, 52, "Score more", "Boring one", player);
    int64_t lap = state->addChallenge(StandInState::kRivalUser, 51, "Beat my lap", "Fun one", player);
    ASSERT_GT(dull, 0);
    // The challenge's data as the sending game stored it.
    platform::Bytes stored = QVChallengeService::serializedChallengeData(platform::Bytes { 1, 2, 3, 0, 4 });
    std::string hex;
    for (auto b : stored)
        hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
    ASSERT_TRUE(keep("UPDATE challenges SET data = X'" + hex + "' WHERE id = " + std::to_string(lap)));

    // The game rejects the one the player started: the service keeps it
    // ignored and the list no longer has it.
    openDashboard();
    ASSERT_TRUE(tapText("Challenges"));
    ASSERT_TRUE(waitForText("Boring one")) << screenText();
    ASSERT_TRUE(tapText("High Score"));
    ASSERT_TRUE(waitForText("Score more"));
    ASSERT_TRUE(tap("Start Challenge")) << screenText();
    // A one-shot challenge warns first; the game hears of it once the player has read that.
    ASSERT_TRUE(driver->currentAlert());
    EXPECT_EQ(driver->currentAlert()->title(), "One Shot Challenge");
    EXPECT_FALSE(challengeGame.launched);
    ASSERT_TRUE(driver->answerAlert("OK"));
    ASSERT_TRUE(waitUntil([&] { return challengeGame.launched && !QuorvelInternal::presenter().isShowingFullScreen(); })) << screenText();
    challengeGame.launched->reject();
    ASSERT_TRUE(waitUntil([&] {
        return kept("SELECT ignored FROM challenges_users WHERE challenge_id = " + std::to_string(dull)) == "1";
    }));
    challengeGame.launched = nullptr;
    openDashboard();
    ASSERT_TRUE(tapText("Challenges"));
    ASSERT_TRUE(waitForText("Fun one")) << screenText();
    EXPECT_FALSE(shows("Boring one"));

    // Started, the game gets the challenge's own data and keeps the challenge in a file.
    ASSERT_TRUE(tapText("Fastest Lap"));
    ASSERT_TRUE(waitForText("Beat my lap"));
    ASSERT_TRUE(tap("Start Challenge"));
    ASSERT_TRUE(waitUntil([&] { return challengeGame.launched != nullptr; }));
    ASSERT_TRUE(challengeGame.launchedData);
    EXPECT_EQ(*challengeGame.launchedData, (platform::Bytes { 1, 2, 3, 0, 4 }));
    testing_support::TempDir files;
    const std::string path = files.path() + "/challenge.xml";
    ASSERT_TRUE(challengeGame.launched->writeToFile(path));
    quit();
    launch();
    auto again = QVChallengeToUser::readFromFile(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->resourceId(), challengeGame.launched->resourceId());
    ASSERT_TRUE(again->challenge());
    EXPECT_EQ(again->challenge()->userMessage(), "Fun one");
    ASSERT_TRUE(again->challenge()->challengeDefinition());
    EXPECT_EQ(again->challenge()->challengeDefinition()->title(), "Fastest Lap");

    // The result of the challenge read back reaches the service.
    again->completeWithResult(QVChallengeService::kLost);
    ASSERT_TRUE(waitUntil([&] { return state->challengesTo(player).back().result == "lose"; }));
}

// Challenges other players sent arrive as pushes: each one's notice names its
// real sender, and opened from the push the game was launched with, its
// detail shows the challenge's own text. A record of another player's is not
// the player's to fetch: its push ends in the failure notice.
TEST_F(ChallengesEndToEnd, AReceivedChallengeOpensFromItsNoticeWithItsRealSenderAndText)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t mira = addOtherPlayer("Mira");
    ASSERT_GT(state->addChallenge(StandInState::kRivalUser, 51, "Lap of honour", "Catch me", player), 0);
    ASSERT_EQ(actAs(mira, "POST", "challenges.xml",
                    { { "challenge_definition_id", "52" }, { "challenge_description", "Outrun the comet" },
                      { "challenge_user_message", "See you at the finish" },
                      { "challenge_user_ids[]", std::to_string(player) } })
                  .status,
              200);
    ASSERT_GT(state->addChallenge(StandInState::kRivalUser, 51, "Not yours", "", mira), 0);
    auto record = [&](const std::string& description) {
        return kept("SELECT u.id FROM challenges_users u JOIN challenges c ON c.id = u.challenge_id WHERE"
                    " c.description = '" + description + "'");
    };
    auto push = [](const std::string& id) {
        return platform::Value(platform::ValueDictionary { { "notification_type", "challenge" }, { "resource_id", id } });
    };

    for (auto [description, sender] : { std::pair { "Lap of honour", "Rival" }, std::pair { "Outrun the comet", "Mira" } }) {
        const std::string id = record(description);
        ASSERT_FALSE(id.empty()) << description;
        EXPECT_TRUE(Quorvel::applicationDidReceiveRemoteNotification(push(id)));
        EXPECT_TRUE(waitForText(std::string(sender) + " has challenged you!")) << description << ": " << screenText();
        EXPECT_FALSE(shows("Error downloading challenge.")) << screenText();
        letTimePass(10); // the bar goes
    }
    EXPECT_TRUE(Quorvel::applicationDidReceiveRemoteNotification(push(record("Not yours"))));
    EXPECT_TRUE(waitForText("Error downloading challenge.")) << screenText();
    EXPECT_FALSE(shows("has challenged you!")) << screenText();
    letTimePass(10);

    // The game launched from Mira's push opens the challenge on its detail screen.
    EXPECT_TRUE(Quorvel::respondToApplicationLaunchOptions(platform::Value(
        platform::ValueDictionary { { "UIApplicationLaunchOptionsRemoteNotificationKey", push(record("Outrun the comet")) } })));
    ASSERT_TRUE(waitForScreen("QVChallengeDetailController")) << screenText();
    EXPECT_TRUE(waitForText("Outrun the comet")) << screenText();
    EXPECT_TRUE(shows("See you at the finish")) << screenText();
    EXPECT_FALSE(shows("Beat my lap")) << screenText();
}

TEST_F(ChallengesEndToEnd, OnAnotherPlayersPageOfTheGameTheTypesSetTheirWinsAgainstThePlayers)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    state->addFriends(player, StandInState::kRivalUser);
    // Lap challenges: the player won two from the rival, the rival three from the player.
    auto won = [&](int64_t from, int64_t to) {
        int64_t id = state->addChallenge(from, 51, "Beat my lap", "Lap", to);
        return id > 0 && keep("UPDATE challenges_users SET result = 'win' WHERE challenge_id = " + std::to_string(id));
    };
    ASSERT_TRUE(won(StandInState::kRivalUser, player) && won(StandInState::kRivalUser, player));
    ASSERT_TRUE(won(player, StandInState::kRivalUser) && won(player, StandInState::kRivalUser)
                && won(player, StandInState::kRivalUser));

    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapWhenShown("My Friends")) << screenText();
    ASSERT_TRUE(tapWhenShown("Rival")) << screenText();
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(tapWhenShown("Games")) << screenText();
    ASSERT_TRUE(tapWhenShown("Brisko")) << screenText();
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    ASSERT_TRUE(tapWhenShown("Challenges")) << screenText();
    ASSERT_TRUE(waitForText("There are no pending challenges between you and Rival.")) << screenText();
    ASSERT_TRUE(tapText("History"));
    ASSERT_TRUE(waitForText("Challenge Types")) << screenText();
    auto asked = serviceRequestsTo("challenge_definitions.xml");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().param("compared_user_id"), "18");
    // The rival's wins first, then the player's.
    auto texts = visibleTexts();
    auto lap = std::find(texts.begin(), texts.end(), "Fastest Lap");
    ASSERT_NE(lap, texts.end()) << screenText();
    std::vector<std::string> row(lap + 1, std::min(lap + 7, texts.end()));
    EXPECT_EQ(row, (std::vector<std::string> { "Wins", "Wins", "Ties", "3", "2", "0" })) << screenText();
}

} // namespace
