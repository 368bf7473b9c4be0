// The roads every walk takes first, whatever its seed: each is one a fault
// mended once went by, and a walk that met it only when its draws led there
// missed the fault on most seeds. They run on the device as the first launch
// left it (online, the walk's own player logged in, nothing waiting), and
// each checks at once what its mend guards, besides what the walk's end
// checks of what it left.
#include "DeviceLifeWalk.h"

#include "social/services/QVHighScoreService.h"

#include <limits>

using namespace quorvel;
using standin::StandInState;

namespace walk_testing {

std::string pieceFillingText()
{
    std::string text;
    for (size_t i = 0; i < 900; ++i)
        text += "\xF0\x9F\x98\x80";
    return text;
}

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes)
        out += { digits[b >> 4], digits[b & 15] };
    return out;
}

std::string sameTexts(const std::optional<std::string>& displayText, const std::optional<std::string>& customData)
{
    std::string same;
    if (displayText)
        same += " AND hex(display_text) = '" + hex(*displayText) + "'";
    if (customData)
        same += " AND hex(custom_data) = '" + hex(*customData) + "'";
    return same;
}

void DeviceLifeWalkEndToEnd::takeTheRoadsEveryWalkTakes()
{
    struct Road {
        const char* name;
        void (DeviceLifeWalkEndToEnd::*take)();
    };
    static const Road roads[] = {
        { "a batch meets a board closed to new scores", &DeviceLifeWalkEndToEnd::batchMeetsAClosedBoard },
        { "a batch of several pieces meets a board closed to new scores",
          &DeviceLifeWalkEndToEnd::piecesMeetAClosedBoard },
        { "a blob's upload fails, then a better score", &DeviceLifeWalkEndToEnd::uploadFailsThenABetterScore },
        { "progress of +infinity", &DeviceLifeWalkEndToEnd::progressOfInfinity },
        { "a login of the same player while a batch's pieces wait", &DeviceLifeWalkEndToEnd::loginWhilePiecesWait },
        { "a login of another player while a batch's pieces wait", &DeviceLifeWalkEndToEnd::otherLoginWhilePiecesWait },
        { "progress kept offline above the service's", &DeviceLifeWalkEndToEnd::progressKeptOfflineAboveTheServices },
        { "an account picked in the device's list fails after the game's login of another",
          &DeviceLifeWalkEndToEnd::pickedAccountFailsAfterTheGamesLogin },
        { "progress the service fails goes after the next login", &DeviceLifeWalkEndToEnd::progressFailedGoesAfterTheNextLogin },
        { "a score waiting for its run's batch as another player logs in",
          &DeviceLifeWalkEndToEnd::scoreWaitingForItsRunAsAnotherLogsIn },
        { "a score whose batch's answer was lost", &DeviceLifeWalkEndToEnd::scoreWhoseAnswerWasLost },
        { "the store removed while the game runs, the disk full as it is made again",
          &DeviceLifeWalkEndToEnd::storeRemovedAsTheDiskIsFull },
    };
    for (auto& road : roads) {
        if (HasFailure())
            return;
        SCOPED_TRACE(testing::Message() << "the road every walk takes first: " << road.name);
        note(std::string("0: ") + road.name + "  [" + situation() + "]");
        (this->*road.take)();
        settleTheRoad();
    }
}

void DeviceLifeWalkEndToEnd::settleTheRoad()
{
    pass(0.6);
    letAnswersLand();
    checkSettled();
}

// The batch's scores as the walk's model keeps them, for `holder`.
void DeviceLifeWalkEndToEnd::sendBatchOfThe(const std::vector<std::pair<std::string, std::optional<std::string>>>& entries,
                                            std::vector<size_t>* sentAt)
{
    QVHighScoreBatch batch;
    auto heard = batchHeard();
    for (auto& [board, text] : entries) {
        const int64_t value = nextValue(board);
        // The batch's best on a board goes; lower ones in it the device need not send.
        if (sentAt)
            for (size_t at : *sentAt)
                if (scores[at].board == board)
                    scores[at].best = false;
        batch.push_back(QVHighScoreBatchEntry::create(board, value, text, std::nullopt, std::nullopt));
        SentScore score { board, value, std::nullopt, holderNow(), true, true, heard };
        score.displayText = text;
        if (sentAt)
            sentAt->push_back(scores.size());
        recordScore(score);
        note("  batch: " + std::to_string(value) + " on " + board);
    }
    if (QVHighScoreService::batchSetHighScores(batch, heard->onSuccess(), heard->onFailure(), std::nullopt)
        || heard->answers)
        calls.push_back(heard);
}

std::string DeviceLifeWalkEndToEnd::keptAs(const SentScore& s) const
{
    return kept("SELECT group_concat(DISTINCT user_id) FROM high_scores WHERE leaderboard_id = " + s.board
                + " AND score = " + std::to_string(s.value) + " AND " + onlyTheWalks());
}

// The service refuses one score of a batch for a reason the client could not
// foresee (its board closed between the call and the batch): that score is
// never kept, the batch is told refused, and the batch's others are kept at
// once, not held back with it until a later login. In one request, or in a
// piece of several that keeps the rest of its own (the first two scores
// plain, the last with a text that fills a piece of its own).
void DeviceLifeWalkEndToEnd::batchMeetsAClosedBoard() { batchMeetsAClosedBoardIn(false); }
void DeviceLifeWalkEndToEnd::piecesMeetAClosedBoard() { batchMeetsAClosedBoardIn(true); }

void DeviceLifeWalkEndToEnd::batchMeetsAClosedBoardIn(bool pieces)
{
    ASSERT_TRUE(keepNow("INSERT OR IGNORE INTO closed_leaderboards VALUES (" + bonus + ")"));
    std::vector<size_t> sent;
    const std::optional<std::string> text = pieces ? std::optional(pieceFillingText()) : std::nullopt;
    sendBatchOfThe({ { normal, std::nullopt }, { bonus, std::nullopt }, { fastestLap, text } }, &sent);
    scores[sent[1]].mustBeRefused = true;
    pass(0.6);
    letAnswersLand();
    ASSERT_TRUE(keepNow("DELETE FROM closed_leaderboards"));
    EXPECT_TRUE(scores[sent[1]].heard->answers == 1 && !scores[sent[1]].heard->kept)
        << "a batch whose score the service refused was not told refused";
    EXPECT_EQ(keptAs(scores[sent[1]]), "") << "the score on the closed board was kept";
    for (size_t at : { sent[0], sent[2] })
        EXPECT_EQ(keptAs(scores[at]), player) << "the score " << scores[at].value << " on " << scores[at].board
                                              << " waits on the device: the batch's score refused on its closed board"
                                                 " held back the rest";
}

// The storage host fails a blob's upload; a better score on its board follows
// before the next login. The blob still waits on the device, and that login
// sends it: the service's row does not stay without it.
void DeviceLifeWalkEndToEnd::uploadFailsThenABetterScore()
{
    storage.failUploads(1);
    sendScore(blobOfSize(100 + draw(3000)), normal, nextValue(normal), true, true);
    const SentScore first = scores.back();
    pass(0.6);
    letAnswersLand();
    storage.failUploads(0);
    const std::string blobRows = "SELECT COUNT(*) FROM high_scores h JOIN score_blobs b ON b.score_id = h.id"
                                 " JOIN storage_objects o ON o.key = b.key WHERE h.leaderboard_id = "
        + first.board + " AND h.score = " + std::to_string(first.value);
    EXPECT_EQ(kept(blobRows), "0") << "the storage host kept a blob it was told to fail";
    sendScore(std::nullopt, normal, nextValue(normal), true, true);
    settleTheRoad();
    relaunch();
    settleTheRoad();
    EXPECT_NE(kept(blobRows + " AND hex(o.bytes) = '" + storedForm(*first.blob) + "'"), "0")
        << "the blob of " << first.value << " on " << first.board
        << ", whose upload failed, did not go again at the next login (a better score marked it sent?)";
}

// +infinity is no finite number, but past the top as any value above 100: an unlock, kept as 100.
void DeviceLifeWalkEndToEnd::progressOfInfinity()
{
    const std::string id = std::to_string(StandInState::kFirstStepsAchievement + kAchievements);
    auto call = QVAchievement::achievement(id);
    ASSERT_TRUE(call);
    const size_t at = recordProgress(id, 100.0, holderNow(), call);
    note("  progress +infinity on " + id);
    const bool taken = static_cast<bool>(call->updateProgressionComplete(std::numeric_limits<double>::infinity(), false));
    if (!taken && !progress[at].answers)
        progress[at].notTaken();
    settleTheRoad();
    EXPECT_TRUE(progress[at].kept) << "progress of +infinity on " << id << " was refused"
                                   << (taken ? "" : " at the call");
    EXPECT_EQ(kept("SELECT COUNT(*) FROM unlocks WHERE percent_complete >= 100 AND achievement_id = " + id
                   + " AND user_id = " + player),
              "1")
        << "progress of +infinity on " << id << " did not unlock it on the service";
}

// Progress on an achievement the service holds less of, kept on the device
// with the network gone and the game launched again: the login at the
// network's return reads the
// service's list of the player's achievements, which does not lower what the
// device has not sent yet, and that progress goes.
void DeviceLifeWalkEndToEnd::progressKeptOfflineAboveTheServices()
{
    const std::string id = std::to_string(StandInState::kFirstStepsAchievement + kAchievements + 1);
    auto update = [&](double percent) {
        auto call = QVAchievement::achievement(id);
        recordProgress(id, percent, holderNow(), call);
        note("  progress " + std::to_string(static_cast<int>(percent)) + " on " + id);
        if (!call->updateProgressionComplete(percent, false) && !progress.back().answers)
            progress.back().notTaken();
    };
    update(20);
    settleTheRoad();
    networkGone();
    settleTheRoad();
    update(60);
    settleTheRoad();
    // A launch with the network still gone, so that the network's return logs the player in.
    relaunch();
    settleTheRoad();
    networkBack();
    settleTheRoad();
    EXPECT_EQ(kept("SELECT COUNT(*) FROM unlocks WHERE percent_complete >= 60 AND achievement_id = " + id
                   + " AND user_id = " + player),
              "1")
        << "progress of 60 on " << id << ", kept on the device while the service held 20, did not reach it after the"
           " network came back (the service's list lowered it?); the service holds "
        << kept("SELECT percent_complete FROM unlocks WHERE achievement_id = " + id + " AND user_id = " + player);
}

// A batch too large for one request goes in pieces, one after the other.
// While the first piece's answer is late, `who` logs in: its login sends what
// waits on the device, and the pieces not sent yet are on their way already.
void DeviceLifeWalkEndToEnd::loginWhilePiecesWaitOf(const std::string& who)
{
    const std::string sender = player;
    std::vector<size_t> sent;
    service->setAnswerDelay(1000, 1000);
    const std::string text = pieceFillingText();
    sendBatchOfThe({ { normal, text }, { fastestLap, text }, { bonus, text } }, &sent);
    // The first piece reaches the service, its answer late by a second of the clock.
    settleNetwork();
    sync();
    service->setAnswerDelay(10, 10);
    logInAs(who, "a login while a batch's pieces wait");
    pass(0.6);
    answersPrompt();
    settleTheRoad();
    for (size_t at : sent) {
        const std::string owners = keptAs(scores[at]);
        EXPECT_TRUE(owners.empty() || owners == sender)
            << "the score " << scores[at].value << " on " << scores[at].board << " of player " << sender
            << ", in a batch's piece that waited, is kept as " << owners << "'s";
    }
}

void DeviceLifeWalkEndToEnd::loginWhilePiecesWait() { loginWhilePiecesWaitOf(player); }

// ... and another player: what is left of the batch waits for its own player.
void DeviceLifeWalkEndToEnd::otherLoginWhilePiecesWait()
{
    const std::string sender = player;
    loginWhilePiecesWaitOf(otherPlayer());
    // The sender again, whose login sends what waited for them.
    logInAs(sender, "the sender of the batch again");
}

// The player turns the service off and on again, and in the device's list of
// accounts picks the walk's own while the game's login of the other player
// runs: the pick waits behind that login, and once it has ended, the pick's
// own login fails. The player whose login ended stays the client's: the one
// from before the pick is not put back over it.
void DeviceLifeWalkEndToEnd::pickedAccountFailsAfterTheGamesLogin()
{
    const std::string own = player, other = otherPlayer();
    declineTheService();
    settleTheRoad();
    enableFromTheDashboard();
    for (int tries = 0; tries < 8 && !rowNamed(names[own]); ++tries)
        pass(0.3);
    ASSERT_NE(rowNamed(names[own]), nullptr) << "the device's list of accounts does not offer " << names[own] << ": "
                                             << screenText();
    // The game's login reaches the service, its answer late by a second of the clock ...
    service->setAnswerDelay(1000, 1000);
    logInAs(other, "the game's login while the player picks an account");
    settleNetwork();
    sync();
    // ... and the pick's login, sent once it has ended, is refused.
    service->script("POST", "bootstrap.xml",
                    standin::Answer::xml("<errors><error>The service cannot do that now</error></errors>", 500));
    auto* row = rowNamed(names[own]);
    ASSERT_NE(row, nullptr) << "the device's list of accounts went while the game's login ran: " << screenText();
    askLogin(own, false, "the row of " + own + " picked in the device's list");
    driver->tap(row);
    answersPrompt();
    settleTheRoad();
    ASSERT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), other)
        << "the login of " << own << " picked in the device's list failed after the game's login of " << other
        << " had ended, and the client names " << Quorvel::lastLoggedInUserId()
        << ": the player from before the pick was put back over the login that ended meanwhile";
    // The account screens close; the walk's player logs in again, and the dashboard closes.
    closeTheDashboard();
    settleTheRoad();
    EXPECT_EQ(lastHeard, other) << "the account screens closed telling the game of " << lastHeard << ", not of " << other
                                << ", whose login ended";
    logInAs(own, "the walk's player again");
    settleTheRoad();
    if (QuorvelInternal::hub().isDashboardHubOpen())
        closeTheDashboard();
}

// The service fails a progress's request: the game hears it failed, the
// device keeps it, and the next login sends it (it was not taken as sent
// when it went).
void DeviceLifeWalkEndToEnd::progressFailedGoesAfterTheNextLogin()
{
    const std::string id = std::to_string(StandInState::kFirstStepsAchievement + kAchievements + 2);
    service->script("POST", "users/@me/unlocked_achievements.xml",
                    standin::Answer::xml("<errors><error>The service cannot do that now</error></errors>", 500));
    auto call = QVAchievement::achievement(id);
    ASSERT_TRUE(call);
    const size_t at = recordProgress(id, 40.0, holderNow(), call);
    note("  progress 40 on " + id + ", its request failed");
    if (!call->updateProgressionComplete(40.0, false) && !progress[at].answers)
        progress[at].notTaken();
    settleTheRoad();
    EXPECT_TRUE(progress[at].answers == 1 && !progress[at].kept) << "progress whose request failed was not told failed";
    relaunch();
    settleTheRoad();
    EXPECT_EQ(kept("SELECT COUNT(*) FROM unlocks WHERE percent_complete >= 40 AND achievement_id = " + id
                   + " AND user_id = " + player),
              "1")
        << "progress of 40 on " << id << ", told failed and kept on the device, did not reach the service after the"
           " next login";
}

// A new best taken online waits for its run's batch; before the batch goes,
// the login of another player ends. The score stays its taker's: it is not
// sent signed with the other's token, and the taker's next login sends it.
void DeviceLifeWalkEndToEnd::scoreWaitingForItsRunAsAnotherLogsIn()
{
    const std::string taker = player, other = otherPlayer();
    // The login's answer lands well inside the run's delay.
    service->setAnswerDelay(5, 5);
    sendScore(std::nullopt, normal, nextValue(normal), true, true);
    const size_t at = scores.size() - 1;
    logInAs(other, "a login of another while a score waits for its run");
    settleTheRoad();
    answersPrompt();
    EXPECT_EQ(keptAs(scores[at]).find(other), std::string::npos)
        << "the score " << scores[at].value << " on " << normal << " of player " << taker
        << ", waiting for its run's batch as " << other << " logged in, is kept as " << other << "'s";
    logInAs(taker, "the taker of the waiting score again");
    settleTheRoad();
    EXPECT_EQ(keptAs(scores[at]), taker) << "the score " << scores[at].value << " on " << normal << " of player "
                                         << taker << " did not go after the taker's next login";
}

// The service keeps a batch, and its answer is lost with the network. The
// device cannot tell whether the score arrived: it does not send it again
// before a login's list of bests says, and the service keeps it once.
void DeviceLifeWalkEndToEnd::scoreWhoseAnswerWasLost()
{
    service->holdAnswersTo(QVHighScoreService::kBatchPath);
    sendScore(std::nullopt, normal, nextValue(normal), true, true);
    const SentScore sent = scores.back();
    const std::string rows = "SELECT COUNT(*) FROM high_scores WHERE leaderboard_id = " + normal
        + " AND score = " + std::to_string(sent.value);
    for (int tries = 0; tries < 40 && kept(rows) == "0"; ++tries)
        pass(0.1);
    ASSERT_EQ(kept(rows), "1") << "the score's batch did not reach the service";
    // The network goes with the answer and comes back: the player is still
    // logged in, so what waits on the device goes without a login's list of bests.
    networkGone();
    settleTheRoad();
    networkBack();
    settleTheRoad();
    EXPECT_EQ(kept(rows), "1") << "the score " << sent.value << " on " << normal
                               << ", whose batch's answer was lost, was sent again without a check and kept twice";
}

} // namespace walk_testing
