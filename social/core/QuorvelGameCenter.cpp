// The Game Center bridge: the central class's Game Center methods and the
// QuorvelGameCenter object behind them.
#include "social/core/QuorvelGameCenter.h"

#include "platform/foundation/NotificationCenter.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVGameCenterLeaderboardPage.h"
#include "social/services/QVLeaderboard.h"

namespace quorvel {

using platform::Ref;
using platform::gamekit::GameCenter;
using platform::gamekit::OptionalError;

namespace {
Ref<QuorvelGameCenter>& bridge()
{
    static Ref<QuorvelGameCenter> singleton;
    return singleton;
}
} // namespace

// -- the bridge object -------------------------------------------------------------

Ref<QuorvelGameCenter> QuorvelGameCenter::create()
{
    Ref<QuorvelGameCenter> g = platform::adoptRef(new QuorvelGameCenter);
    g->mappings_ = QVGameCenterMap::fromBundle();
    Ref<QuorvelGameCenter> keep = g;
    GameCenter::current().authenticateLocalPlayer([keep](const OptionalError&) { keep->gameCenterLogin(); });
    return g;
}

platform::gamekit::Leaderboard* QuorvelGameCenter::leaderboardForTimeScope(int scope) const
{
    auto it = leaderboardsPerTimeScope_.find(scope);
    return it == leaderboardsPerTimeScope_.end() ? nullptr : it->second.get();
}

bool QuorvelGameCenter::playerValidated() const { return GameCenter::current().isLocalPlayerAuthenticated(); }

void QuorvelGameCenter::gameCenterLogin()
{
    friends_.reset();
    friendsValid_ = false;
    if (playerValidated()) {
        finishLoading();
        QuorvelInternal::loginGameCenterCheck();
    } else if (QuorvelInternal::successfullyBootstrapped()) {
        QuorvelInternal::loginShowNotifications();
        QuorvelInternal::loginGameCenterCheck();
    } else {
        QuorvelInternal::loginGameCenterCheck();
    }
}

void QuorvelGameCenter::finishLoading()
{
    loadFriends();
    loadAchievements();
}

void QuorvelGameCenter::loadFriends()
{
    Ref<QuorvelGameCenter> keep(this);
    GameCenter::current().loadFriends([keep](const std::vector<std::string>& ids, const OptionalError& error) {
        if (error)
            keep->friends_.reset();
        else
            keep->friends_ = ids;
        keep->friendsValid_ = true;
        platform::NotificationCenter::defaultCenter().post(kFriendsLoaded);
    });
}

void QuorvelGameCenter::loadAchievements()
{
    Ref<QuorvelGameCenter> keep(this);
    GameCenter::current().loadAchievements(
        [keep](const std::vector<platform::gamekit::Achievement>& loaded, const OptionalError& error) {
            if (error)
                return;
            for (const auto& achievement : loaded) {
                if (auto mapped = keep->mappings_.achievementId(achievement.identifier))
                    keep->achievements_[*mapped] = achievement.percentComplete;
            }
        });
}

void QuorvelGameCenter::loadAllScoresForQVLeaderboardId(const std::string& leaderboardId)
{
    std::optional<std::string> category = mappings_.leaderboardCategory(leaderboardId);
    if (!category)
        return;
    currentCategory_ = *category;
    currentLeaderboardId_ = leaderboardId;
    loadScores(*category, platform::gamekit::kTimeScopeAllTime);
    loadScores(*category, platform::gamekit::kTimeScopeWeek);
    loadScores(*category, platform::gamekit::kTimeScopeToday);
}

void QuorvelGameCenter::loadScores(const std::string& category, int scope)
{
    auto board = platform::gamekit::Leaderboard::create();
    board->timeScope = scope;
    board->playerScope = platform::gamekit::kPlayerScopeGlobal;
    board->category = category;
    board->rangeLocation = 1;
    board->rangeLength = 25;
    leaderboardsPerTimeScope_[scope] = board;
    board->loadScores([scope](const std::vector<platform::gamekit::Score>&, const OptionalError&) {
        platform::ValueDictionary info;
        info.set("scope", scope);
        platform::NotificationCenter::defaultCenter().post(kScoresLoaded, nullptr, platform::Value(info));
    });
}

// -- the central class's Game Center methods ---------------------------------------------

bool QuorvelInternal::isLoggedIntoGameCenter()
{
    return isUsingGameCenter() && GameCenter::current().isLocalPlayerAuthenticated();
}

void QuorvelInternal::initializeGameCenter()
{
    if (!isUsingGameCenter()) {
        loginGameCenterCheck();
        return;
    }
    if (!bridge())
        bridge() = QuorvelGameCenter::create();
}

void QuorvelInternal::releaseGameCenter() { bridge() = nullptr; }

QuorvelGameCenter* QuorvelInternal::gameCenterBridge() { return bridge().get(); }

std::optional<std::string> QuorvelInternal::getGameCenterLeaderboardCategory(const std::string& leaderboardId)
{
    return bridge() ? bridge()->mappings().leaderboardCategory(leaderboardId) : std::nullopt;
}

std::optional<std::string> QuorvelInternal::getGameCenterAchievementId(const std::string& achievementId)
{
    return bridge() ? bridge()->mappings().achievementId(achievementId) : std::nullopt;
}

platform::Date QuorvelInternal::submitScoreToGameCenter(int64_t score, const std::string& category,
                                                std::function<void(const OptionalError&)> handler)
{
    return GameCenter::current().reportScore(score, category, std::move(handler));
}

void QuorvelInternal::submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                            std::function<void(const OptionalError&)> handler)
{
    GameCenter::current().reportAchievement(identifier, percentComplete, std::move(handler));
}

void QuorvelInternal::loadGameCenterScores(const std::string& leaderboardId)
{
    if (isUsingGameCenter() && bridge())
        bridge()->loadAllScoresForQVLeaderboardId(leaderboardId);
}

bool QuorvelInternal::isGameCenterScoreLoadedForLeaderboardId(const std::string& leaderboardId, int timeScope)
{
    if (!isUsingGameCenter() || !bridge() || bridge()->currentLeaderboardId() != leaderboardId)
        return true;
    platform::gamekit::Leaderboard* board = bridge()->leaderboardForTimeScope(timeScope);
    return !(board && board->isLoading());
}

std::vector<platform::gamekit::Score> QuorvelInternal::getGameCenterScores(int timeScope)
{
    platform::gamekit::Leaderboard* board = bridge() ? bridge()->leaderboardForTimeScope(timeScope) : nullptr;
    return board ? board->scores() : std::vector<platform::gamekit::Score>();
}

namespace {

QVGameCenterLeaderboardPage::Merge gameCenterMerge(int timeScope)
{
    QVGameCenterLeaderboardPage::Merge merge;
    merge.gameCenterScores = QuorvelInternal::getGameCenterScores(timeScope);
    merge.localPlayerID = GameCenter::current().localPlayerID();
    // An unknown leaderboard sorts ascending.
    Ref<QVLeaderboard> board = bridge() ? QVLeaderboard::leaderboard(bridge()->currentLeaderboardId()) : nullptr;
    merge.descending = board && board->descendingScoreOrder();
    return merge;
}

} // namespace

Ref<QVPaginatedSeries> QuorvelInternal::_combineGameCenterScope(int timeScope, const QVPaginatedSeries* servicePage)
{
    return QVGameCenterLeaderboardPage::combineScores(gameCenterMerge(timeScope), servicePage);
}

Ref<QVPaginatedSeries> QuorvelInternal::combinedGameCenterForLeaderboardId(const std::string& leaderboardId, int timeScope,
                                                                   const QVPaginatedSeries& globals,
                                                                   const QVPaginatedSeries* friends)
{
    std::optional<std::string> category = getGameCenterLeaderboardCategory(leaderboardId);
    if (sharedInstance() && bridge() && category && *category == bridge()->currentCategory()) {
        QVGameCenterLeaderboardPage::Merge merge = gameCenterMerge(timeScope);
        return QVGameCenterLeaderboardPage::combinedPage(globals, friends, &merge);
    }
    return QVGameCenterLeaderboardPage::combinedPage(globals, friends, nullptr);
}

std::optional<std::vector<std::string>> QuorvelInternal::getGameCenterFriends()
{
    return bridge() ? bridge()->friends() : std::nullopt;
}

void QuorvelInternal::loadGameCenterPlayerName(
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

} // namespace quorvel
