// The walk's end: the device brought online and settled, then nothing the
// game was told was kept is missing from the service, by value, per player,
// blobs and all; and the queries on the service's store the checks share.
#include "DeviceLifeWalk.h"

#include "StandInRequestSupport.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "social/core/QVPresenter.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineStore.h"

#include <algorithm>
#include <cmath>
#include <sstream>

using namespace quorvel;
using standin::StandInState;

namespace walk_testing {

namespace {

std::string text(const platform::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace

// ---- At the walk's end

// The service and the network back, answers prompt, and every player the
// game told something was kept logged in once more, so what waits on the
// device for them goes.
void DeviceLifeWalkEndToEnd::endOnlineAndSettle()
{
    armed = {};
    // The end is the player's next move: a form left at once on the last
    // step may have its answer cut by the restart below, or be closed.
    leaveTheFormsNotWaitedFor();
    answersPrompt();
    platform::setDateOffset(0);
    // Errors the service was told to answer and has not yet go with a restart.
    if (std::exchange(errorsScripted, false) && service) {
        serviceWanted = false;
        reach();
    }
    serviceWanted = networkUp = true;
    reach();
    if (!clientRunning())
        launchAgain();
    auto closeEverything = [&] {
        for (int i = 0; i < 3 && QuorvelInternal::presenter().isShowingFullScreen(); ++i) {
            while (driver->currentAlert() || driver->currentActionSheet())
                answerTheClient();
            answerTheClient(); // the account screens' last question
            Quorvel::dismissDashboard();
            pass(1.0);
            letAnswersLand();
        }
    };
    closeEverything();
    // A call of the last step, taken at once, may still be on its way (its
    // answer cut by the restart above): the network settles before the look.
    pass(0.6);
    letAnswersLand();
    checkSettled();
    // The walk's last scores, on both boards, are taken with the network gone
    // and kept across a relaunch until the next login sends them.
    if (clientRunning() && holderNow() != "?" && !holderNow().empty()) {
        networkUp = false;
        reach();
        note("  the last scores, offline");
        // Its texts hold a NUL, which waits on the device and goes with them.
        using namespace std::string_literals;
        sendScore(std::nullopt, normal, nextValue(normal), true, true, "lap\0two"s, "split\0"s + std::to_string(sentValues));
        sendScore(blobOfSize(100 + draw(3000)), fastestLap, nextValue(fastestLap), true, true);
        pass(0.6);
        networkUp = true;
        reach();
    }
    // A new launch: what the client held only in memory is gone, what it kept is sent.
    relaunch();
    closeEverything();
    // Every player the device opened: what the walk could not name may be any one's.
    std::set<std::string> players { ownPlayer };
    std::istringstream opened(kept("SELECT group_concat(user_id) FROM device_accounts WHERE udid = '" + udid() + "'"));
    for (std::string id; std::getline(opened, id, ',');)
        players.insert(id);
    for (auto& s : scores)
        players.insert(s.holder);
    for (auto& p : progress)
        players.insert(p.holder);
    for (auto& [key, writes] : cloud)
        players.insert(key.first);
    for (const auto& who : players) {
        if (who.empty() || who == "?")
            continue;
        QuorvelInternal::options().setUserApprovedQuorvel();
        asked.clear();
        askLogin(who, true, "the walk's end");
        Quorvel::loginWithUserId(who, QVDelegate(), QVDelegate());
        lastHeard.clear();
        ASSERT_TRUE(waitUntil([&] {
            answerTheClient(); // the offer to link networks holds the logged-in call back
            return lastHeard == who && QuorvelInternal::login().successfullyBootstrapped()
                && !QuorvelInternal::login().isBootstrapInProgress();
        })) << "the game did not hear " << who << " log in again at the walk's end: " << screenText();
        pass(2.0);
        letAnswersLand();
    }
}

void DeviceLifeWalkEndToEnd::checkNothingToldKeptIsMissing()
{
    adoptWhatNoPlayerSent();
    checkScores();
    checkProgress();
    checkCloud();
}

// Whom a score sent may be kept for: its player, one of those it may have
// gone to when sent with no player, or anyone when the walk could not tell.
bool DeviceLifeWalkEndToEnd::mayBeKeptAs(const SentScore& s, const std::string& who)
{
    if (s.holder == "?")
        return s.mayBe.empty() || s.mayBe.count(who);
    return s.holder.empty() || s.holder == who;
}

// A player's best on each board reaches the service; a score the player has
// bettered since may stay on the device (a board that takes no lower
// scores), but one the service's answer said it kept is there, as that
// player's. Every score sent with a blob whose row the service keeps has
// that blob on the storage host, whatever road it took, and no other; one
// taken online that a later score of its board followed within its run
// needs it there only when its row announces a blob.
void DeviceLifeWalkEndToEnd::checkScores()
{
    std::set<std::pair<std::string, std::string>> bettered;
    // A score taken with no player is adopted by the next one; one taken for
    // a player the walk could not name may be anyone's.
    std::set<std::string> betteredByNobody, betteredBySomeone;
    for (auto it = scores.rbegin(); it != scores.rend(); ++it) {
        auto& s = *it;
        const bool last = s.best && !betteredByNobody.count(s.board) && !betteredBySomeone.count(s.board)
            && bettered.insert({ s.holder, s.board }).second;
        if (s.best && s.holder.empty())
            betteredByNobody.insert(s.board);
        if (s.best && s.holder == "?")
            betteredBySomeone.insert(s.board);
        if (s.secondDevice)
            continue;
        // The rival's own lap (1:15) is better than any the walk sends.
        const bool rivalsLap = s.board == fastestLap && (s.holder == rival || s.holder == "?");
        const bool required = s.heard && s.heard->kept && s.best && !s.holder.empty() && !rivalsLap
            && (s.viaBatch || (last && s.holder != "?")) && !s.lostWithTheStore && !s.retiredBoard;
        const std::string where = " WHERE leaderboard_id = " + s.board + " AND score = " + std::to_string(s.value);
        // On the service, only the walk's own rows count.
        const std::string walks = where + " AND " + onlyTheWalks();
        const std::string owner = kept("SELECT group_concat(DISTINCT user_id) FROM high_scores" + walks);
        std::set<std::string> owners;
        std::istringstream ownerList(owner);
        for (std::string one; std::getline(ownerList, one, ',');)
            owners.insert(one);
        SCOPED_TRACE(testing::Message() << "the score " << s.value << " on " << s.board << " of player "
                                        << (s.holder.empty() ? "none" : s.holder) << ", sent at step " << s.step);
        if (s.mustBeRefused) {
            EXPECT_EQ(owner, "") << "refused at the call past the service's bounds, it is kept";
            continue;
        }
        // Its texts arrive whole, a NUL inside and all.
        if (!owner.empty() && (s.displayText || s.customData)) {
            EXPECT_NE(kept("SELECT COUNT(*) FROM high_scores" + walks + sameTexts(s.displayText, s.customData)), "0")
                << "its texts are not kept whole: the service holds "
                << kept("SELECT group_concat(length(CAST(display_text AS BLOB)) || ' and '"
                        " || length(CAST(custom_data AS BLOB)) || ' bytes', '; ')"
                        " FROM high_scores" + walks);
        }
        if (required) {
            std::string later;
            for (auto after = scores.rbegin(); after != it; ++after)
                if (after->board == s.board)
                    later += " " + std::to_string(after->value) + " (" + after->holder + (after->best ? ", best" : "")
                        + (after->heard && after->heard->kept ? ", kept" : "") + ")";
            // Kept as its own player's, not only as another's who gave the value too.
            const bool itsOwn = std::any_of(owners.begin(), owners.end(), [&](auto& who) { return mayBeKeptAs(s, who); });
            EXPECT_TRUE(itsOwn) << "told kept, it is missing from the service"
                                << (owner.empty() ? "" : " (kept as " + owner + "'s)") << "; later on its board:"
                                << later << "; on the device: "
                                << standin_testing::queryStore(QVDocumentsPathForFile(QVOfflineStore::kFileName),
                                                               "SELECT group_concat('player ' || user_id || ', synced ' ||"
                                                               " COALESCE(server_sync_at, 'no'), '; ') FROM high_scores"
                                                               + where);
        }
        // A value the game gave again may be kept for each player a send of it went to.
        for (auto& who : owners) {
            if (std::any_of(scores.begin(), scores.end(), [&](const SentScore& other) {
                    return other.board == s.board && other.value == s.value && mayBeKeptAs(other, who);
                }))
                continue;
            if (s.holder == "?") {
                std::string could;
                for (auto& one : s.mayBe)
                    could += " " + one;
                ADD_FAILURE() << "it is kept as " << who << "'s, and the client could have kept it only for:" << could;
                continue;
            }
            std::string logged;
            for (auto& login : logins)
                if (login.tick > s.tick)
                    logged += " " + login.player + (login.told ? " (told)" : "");
            ADD_FAILURE() << "it is kept as " << who << "'s"
                          << (s.mayBe.empty() ? "" : "; sent with no player, it went to the next login's player, and"
                                                     " the logins after it were:")
                          << (s.mayBe.empty() ? "" : logged.substr(0, 200));
        }
        if (owner.empty() || !s.blob || s.blob->size() > QVHighScoreService::kMaxBlob)
            continue;
        const std::string rows = "SELECT COUNT(*) FROM high_scores h JOIN score_blobs b ON b.score_id = h.id"
                                 " LEFT JOIN storage_objects o ON o.key = b.key"
                                 + std::string(" WHERE h.leaderboard_id = ") + s.board
                                 + " AND h.score = " + std::to_string(s.value);
        // The game may have sent the same score again with another blob: the
        // newest goes up under it, and no blob that was not sent with it.
        auto stored = [](const platform::Bytes& b) { return "'" + storedForm(b) + "'"; };
        std::string sentWithIt;
        std::vector<const SentScore*> sends;
        for (auto& other : scores)
            if (other.board == s.board && other.value == s.value && other.blob) {
                sentWithIt += (sentWithIt.empty() ? "" : ", ") + stored(*other.blob);
                // A single score the device refused (its board unknown there) never goes.
                if (other.viaBatch || !other.heard || other.heard->kept)
                    sends.push_back(&other);
            }
        EXPECT_EQ(kept(rows + " AND o.key IS NOT NULL AND hex(o.bytes) NOT IN (" + sentWithIt + ")"), "0")
            << "it has a blob it was not sent with";
        if (sends.empty() || sends.back() != &s)
            continue;
        // The newest blob the device was due to send: one given again (once
        // bettered, or whose cancelled batch the next list of bests named) may
        // stay on the device, leaving the one sent before it, which is due only
        // when it was due itself. A blob too long for the road a score takes
        // online is not announced, nor one a later score of its board took the
        // place of in its run: its row then has none. One announced is due.
        std::string due;
        bool fallenBackOnIsDue = false;
        for (auto it = sends.rbegin(); it != sends.rend(); ++it) {
            const SentScore& send = **it;
            due += (due.empty() ? "" : ", ") + stored(*send.blob);
            if (!send.againOnceBettered && !send.againOfASentValue) {
                fallenBackOnIsDue = !send.blobLostWithTheStore
                    && send.blob->size() <= QVHighScoreService::kMaxUploadedBlob && !send.blobLeftInItsRun;
                break;
            }
        }
        const bool announced = kept(rows) != "0";
        const bool blobDue = !s.blobLostWithTheStore && !outOfItsPlayersBestTen(s, owners)
            && (announced || fallenBackOnIsDue);
        EXPECT_TRUE(!blobDue || kept(rows + " AND hex(o.bytes) IN (" + due + ")") != "0")
            << "its row is kept without its blob on the storage host";
    }
}

// The device keeps a player's ten best scores of a board: one that ten
// better of its player's pushed out before its blob went up (its batch's
// answer lost) no longer has a blob to send. Those ten are the player's
// scores from this device that the service keeps or the device took, sent or
// not, singly or in a batch (one below a better best a login's list named is
// never sent), and the player's bests from before the walk that a login's
// list may have named.
bool DeviceLifeWalkEndToEnd::outOfItsPlayersBestTen(const SentScore& s, const std::set<std::string>& owners) const
{
    const bool lowerIsBetter = s.board == fastestLap;
    const std::string betterThanIt = std::string(lowerIsBetter ? " < " : " > ") + std::to_string(s.value);
    for (auto& who : owners) {
        std::set<std::string> onTheService;
        std::istringstream list(kept("SELECT group_concat(DISTINCT score) FROM high_scores WHERE leaderboard_id = "
                                     + s.board + " AND user_id = " + who + " AND " + onlyTheWalks()));
        for (std::string one; std::getline(list, one, ',');)
            onTheService.insert(one);
        std::set<int64_t> better;
        std::istringstream before(kept("SELECT group_concat(DISTINCT score) FROM high_scores WHERE leaderboard_id = "
                                       + s.board + " AND user_id = " + who + " AND score" + betterThanIt
                                       + " AND NOT " + onlyTheWalks()));
        for (std::string one; std::getline(before, one, ',');)
            better.insert(std::stoll(one));
        for (auto& other : scores) {
            const bool takenHere = !other.secondDevice && other.heard && other.heard->kept && !other.lostWithTheStore;
            if (other.board == s.board && !other.secondDevice && mayBeKeptAs(other, who)
                && (lowerIsBetter ? other.value < s.value : other.value > s.value)
                && (onTheService.count(std::to_string(other.value)) || takenHere))
                better.insert(other.value);
        }
        if (better.size() >= 10)
            return true;
    }
    return false;
}

// Progress the client took is there, as its player's: told kept, or told
// failed while above what the player had (the device keeps it and sends it
// after the next login), or not answered before its client went. Progress
// sent with no player is the next login's player's; one sent while the walk
// could not tell for whom may be one of the players logged in after it. The
// service keeps no more for a player than the player sent (from either device).
void DeviceLifeWalkEndToEnd::checkProgress()
{
    // Progress sent while the walk could not tell for whom is one of its
    // possible players' (anyone's when the walk knows of none).
    std::map<std::pair<std::string, std::string>, double> most, perhaps;
    std::map<std::string, double> anyones;
    for (auto& p : progress) {
        if (p.holder != "?" || p.mustBeRefused)
            continue;
        const double percent = std::min(p.percent, 100.0);
        if (p.mayBe.empty())
            anyones[p.id] = std::max(anyones[p.id], percent);
        for (auto& who : p.mayBe)
            perhaps[{ who, p.id }] = std::max(perhaps[{ who, p.id }], percent);
    }
    auto keptFor = [&](const std::string& who, const std::string& id) {
        std::string best = kept("SELECT MAX(percent_complete) FROM unlocks WHERE achievement_id = " + id
                                + " AND user_id = " + who);
        return best.empty() ? -1.0 : platform::parseDouble(best.c_str());
    };
    for (size_t i = 0; i < progress.size(); ++i) {
        auto& p = progress[i];
        if (p.holder.empty() || p.mustBeRefused)
            continue;
        const double percent = std::min(p.percent, 100.0);
        if (p.holder != "?") {
            auto& m = most[{ p.holder, p.id }];
            m = std::max(m, percent);
        }
        if (p.lostWithTheStore || p.secondDevice || !p.taken)
            continue;
        // Told failed: refused when not above what the device held of its
        // player (what may have been theirs before it), else kept there.
        bool above = true;
        for (size_t j = 0; j < i && !p.kept; ++j) {
            const auto& before = progress[j];
            const bool theirs = before.holder == p.holder || before.holder == "?" || p.holder == "?"
                || before.holder.empty();
            if (before.id == p.id && theirs && !before.mustBeRefused && std::min(before.percent, 100.0) >= percent)
                above = false;
        }
        if (!above || (p.answers && !p.kept && p.holder == "?" && p.mayBe.empty()))
            continue;
        const std::set<std::string> owners = p.holder == "?" ? p.mayBe : std::set<std::string> { p.holder };
        const bool there = owners.empty() || std::any_of(owners.begin(), owners.end(), [&](auto& who) {
            return keptFor(who, p.id) >= percent;
        });
        std::string of;
        for (auto& who : owners)
            of += (of.empty() ? "" : " or ") + who;
        EXPECT_TRUE(there) << "the progress " << p.percent << " on " << p.id << " of player " << of << " (step "
                           << p.step << "), " << (p.kept ? "told kept" : p.answers ? "told failed (kept on the device)" : "unanswered as its client went")
                           << ", is missing from the service; the device holds "
                           << standin_testing::queryStore(QVDocumentsPathForFile(QVOfflineStore::kFileName),
                                                          "SELECT group_concat('player ' || user_id || ' ' || percent_complete"
                                                          " || ', synced ' || COALESCE(server_sync_at, 'no'), '; ')"
                                                          " FROM unlocked_achievements WHERE achievement_definition_id = "
                                                          + p.id);
    }
    for (auto& [key, percent] : perhaps)
        most.emplace(key, 0.0);
    for (auto& [key, percent] : most) {
        std::string keptPercent = kept("SELECT MAX(percent_complete) FROM unlocks WHERE achievement_id = " + key.second
                                       + " AND user_id = " + key.first);
        if (!keptPercent.empty()) {
            EXPECT_LE(platform::parseDouble(keptPercent.c_str()),
                      std::max({ percent, anyones[key.second], perhaps[key] }) + 1e-9)
                << "the service keeps " << keptPercent << " % on " << key.second << " for player " << key.first
                << ", more than the player ever sent";
        }
    }
}

// Each value written last is what the service keeps under its key, for its
// player: the last one told kept, or one written after it.
void DeviceLifeWalkEndToEnd::checkCloud()
{
    for (auto& [key, writes] : cloud) {
        if (key.first.empty() || key.first == "?")
            continue;
        const bool told = std::any_of(writes.begin(), writes.end(), [](auto& w) { return w.outcome == CloudWrite::Kept; });
        std::string value = kept("SELECT hex(value) FROM cloud_values WHERE key = '" + key.second
                                 + "' AND user_id = " + key.first);
        if (value.empty()) {
            EXPECT_FALSE(told) << "the cloud value " << key.second << " of player " << key.first
                               << " was told kept and is missing from the service";
            continue;
        }
        // Kept as the client sends it, compressed with its header.
        auto fits = acceptableValues(key);
        EXPECT_TRUE(std::any_of(fits.begin(), fits.end(), [&](auto& v) {
            return hex(text(QVCompressableData::serializedDataFromData(platform::Bytes(v.begin(), v.end())))) == value;
        }))
            << "the service keeps under " << key.second << " of player " << key.first
            << " another value than the one last told kept or written since";
    }
}

std::string DeviceLifeWalkEndToEnd::storedForm(const platform::Bytes& blob)
{
    return hex(text(QVCompressableData::serializedDataFromData(blob)));
}

std::string DeviceLifeWalkEndToEnd::kept(const std::string& sql) const
{
    return standin_testing::queryStore(storePath, sql);
}

std::string DeviceLifeWalkEndToEnd::onlyTheWalks(const std::string& table) const
{
    return table + ".id > " + std::to_string(scoresBeforeTheWalk);
}

bool DeviceLifeWalkEndToEnd::keepNow(const std::string& sql) const { return standin_testing::runOnStore(storePath, sql); }

} // namespace walk_testing
