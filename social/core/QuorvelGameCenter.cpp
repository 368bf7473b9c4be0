// The Game Center bridge: sign-in, friends, achievements and leaderboard loads.
#include "social/core/QuorvelGameCenter.h"

#include "platform/foundation/NotificationCenter.h"
#include "social/core/QVLogin.h"
#include "social/core/QuorvelInternal.h"

namespace quorvel {

using platform::Ref;
using platform::gamekit::GameCenter;
using platform::gamekit::OptionalError;

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
        QuorvelInternal::login().loginGameCenterCheck();
    } else if (QuorvelInternal::login().successfullyBootstrapped()) {
        QuorvelInternal::login().loginShowNotifications();
        QuorvelInternal::login().loginGameCenterCheck();
    } else {
        QuorvelInternal::login().loginGameCenterCheck();
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

} // namespace quorvel
