// The running client's Game Center link: the bridge it makes once, the
// leaderboard pages merged with Game Center's scores, and the Game Center role.
#include "social/core/QVGameCenterLink.h"

#include "social/core/QVClientSession.h"
#include "social/core/QVLogin.h"
#include "social/core/QVUserOptions.h"
#include "social/core/QuorvelGameCenter.h"
#include "social/services/QVGameCenterLeaderboardPage.h"
#include "social/services/QVLeaderboard.h"

namespace quorvel {

using platform::Ref;
using platform::gamekit::GameCenter;
using platform::gamekit::OptionalError;

namespace {

// A report's completion as the services take it: whether it failed.
std::function<void(const OptionalError&)> failedOnly(std::function<void(bool failed)> completion)
{
    return [completion = std::move(completion)](const OptionalError& e) {
        if (completion)
            completion(e.has_value());
    };
}

} // namespace

QVGameCenterLink::QVGameCenterLink(Quorvel& client)
    : QVClientPart(client)
{
}

QVGameCenterLink::~QVGameCenterLink() = default;

bool QVGameCenterLink::isLoggedIntoGameCenter()
{
    return session().isUsingGameCenter() && GameCenter::current().isLocalPlayerAuthenticated();
}

void QVGameCenterLink::initializeGameCenter()
{
    if (!session().isUsingGameCenter()) {
        login().loginGameCenterCheck();
        return;
    }
    if (!bridge_)
        bridge_ = QuorvelGameCenter::create();
}

void QVGameCenterLink::releaseGameCenter() { bridge_ = nullptr; }

QuorvelGameCenter* QVGameCenterLink::gameCenterBridge() { return bridge_.get(); }

std::optional<std::string> QVGameCenterLink::getGameCenterLeaderboardCategory(const std::string& leaderboardId)
{
    return bridge_ ? bridge_->mappings().leaderboardCategory(leaderboardId) : std::nullopt;
}

std::optional<std::string> QVGameCenterLink::getGameCenterAchievementId(const std::string& achievementId)
{
    return bridge_ ? bridge_->mappings().achievementId(achievementId) : std::nullopt;
}

void QVGameCenterLink::loadGameCenterScores(const std::string& leaderboardId)
{
    if (session().isUsingGameCenter() && bridge_)
        bridge_->loadAllScoresForQVLeaderboardId(leaderboardId);
}

bool QVGameCenterLink::isGameCenterScoreLoadedForLeaderboardId(const std::string& leaderboardId, int timeScope)
{
    if (!session().isUsingGameCenter() || !bridge_ || bridge_->currentLeaderboardId() != leaderboardId)
        return true;
    platform::gamekit::Leaderboard* board = bridge_->leaderboardForTimeScope(timeScope);
    return !(board && board->isLoading());
}

std::vector<platform::gamekit::Score> QVGameCenterLink::getGameCenterScores(int timeScope)
{
    platform::gamekit::Leaderboard* board = bridge_ ? bridge_->leaderboardForTimeScope(timeScope) : nullptr;
    return board ? board->scores() : std::vector<platform::gamekit::Score>();
}

namespace {

QVGameCenterLeaderboardPage::Merge gameCenterMerge(QVGameCenterLink& link, int timeScope)
{
    QVGameCenterLeaderboardPage::Merge merge;
    merge.gameCenterScores = link.getGameCenterScores(timeScope);
    merge.localPlayerID = GameCenter::current().localPlayerID();
    // An unknown leaderboard sorts ascending.
    QuorvelGameCenter* bridge = link.gameCenterBridge();
    Ref<QVLeaderboard> board = bridge ? QVLeaderboard::leaderboard(bridge->currentLeaderboardId()) : nullptr;
    merge.descending = board && board->descendingScoreOrder();
    return merge;
}

} // namespace

Ref<QVPaginatedSeries> QVGameCenterLink::_combineGameCenterScope(int timeScope, const QVPaginatedSeries* servicePage)
{
    return QVGameCenterLeaderboardPage::combineScores(gameCenterMerge(*this, timeScope), servicePage);
}

Ref<QVPaginatedSeries> QVGameCenterLink::combinedGameCenterForLeaderboardId(const std::string& leaderboardId,
                                                                           int timeScope,
                                                                           const QVPaginatedSeries& globals,
                                                                           const QVPaginatedSeries* friends)
{
    std::optional<std::string> category = getGameCenterLeaderboardCategory(leaderboardId);
    if (running() && bridge_ && category && *category == bridge_->currentCategory()) {
        QVGameCenterLeaderboardPage::Merge merge = gameCenterMerge(*this, timeScope);
        return QVGameCenterLeaderboardPage::combinedPage(globals, friends, &merge);
    }
    return QVGameCenterLeaderboardPage::combinedPage(globals, friends, nullptr);
}

std::optional<std::vector<std::string>> QVGameCenterLink::getGameCenterFriends()
{
    return bridge_ ? bridge_->friends() : std::nullopt;
}

void QVGameCenterLink::loadGameCenterPlayerName(
    const std::string& playerId, std::function<void(const std::optional<std::string>&, const OptionalError&)> handler)
{
    GameCenter::current().loadPlayers(
        { playerId }, [handler = std::move(handler)](const std::vector<platform::gamekit::Player>& players,
                                                     const OptionalError& error) {
            if (!handler)
                return;
            handler(players.empty() ? std::nullopt : std::optional<std::string>(players.front().alias), error);
        });
}

// ---- The Game Center role

std::optional<std::string> QVGameCenterLink::gameCenterLeaderboardCategory(const std::string& leaderboardId)
{
    return getGameCenterLeaderboardCategory(leaderboardId);
}

platform::Date QVGameCenterLink::submitScoreToGameCenter(int64_t score, const std::string& category,
                                                         std::function<void(bool failed)> completion)
{
    return GameCenter::current().reportScore(score, category, failedOnly(std::move(completion)));
}

bool QVGameCenterLink::isSynchedWithGameCenterLeaderboards()
{
    return options().isSynchedWithGameCenterLeaderboards();
}

void QVGameCenterLink::setSynchWithGameCenterLeaderboards(bool synched)
{
    options().setSynchWithGameCenterLeaderboards(synched);
}

std::optional<std::string> QVGameCenterLink::gameCenterAchievementId(const std::string& achievementId)
{
    return getGameCenterAchievementId(achievementId);
}

void QVGameCenterLink::submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                                     std::function<void(bool failed)> completion)
{
    GameCenter::current().reportAchievement(identifier, percentComplete, failedOnly(std::move(completion)));
}

bool QVGameCenterLink::isSynchedWithGameCenterAchievements()
{
    return options().isSynchedWithGameCenterAchievements();
}

void QVGameCenterLink::setSynchWithGameCenterAchievements(bool synched)
{
    options().setSynchWithGameCenterAchievements(synched);
}

} // namespace quorvel
