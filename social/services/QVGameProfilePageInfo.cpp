// The game profile, comparison and review records.
#include "social/services/QVGameProfilePageInfo.h"

#include "social/runtime/QVBinaryKeyedArchive.h"
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVClientApplicationService.h"

namespace quorvel {

using platform::Ref;

namespace {
constexpr const char* kArchiveClass = "QVGameProfilePageInfo";
}

void QVGameProfilePageInfo::getDataMap(QVResourceDataMap& map)
{
    using T = QVGameProfilePageInfo;
    QVResourceFields<T> f(map);
    f.field<QVFieldText>("name", &T::name_);
    f.field<QVFieldText>("short_name", &T::shortName_);
    f.field<QVFieldTextOrNil>("icon_url", &T::iconUrl_);
    f.field<QVFieldBool>("has_chat_rooms", &T::hasChatRooms_);
    f.field<QVFieldBool>("has_leaderboards", &T::hasLeaderboards_);
    f.field<QVFieldBool>("has_challenges", &T::hasChallenges_);
    f.field<QVFieldBool>("has_achievements", &T::hasAchievements_);
    f.field<QVFieldBool>("has_ipurchase", &T::hasiPurchase_);
    f.field<QVFieldBool>("is_owned_by_local_player", &T::ownedByLocalPlayer_);
    f.field<QVFieldTextOrNil>("suggestions_topic_id", &T::suggestionsForumId_);
    f.field<QVFieldBool>("has_featured_application", &T::hasFeaturedApplication_);
}

Ref<QVGameProfilePageInfo> QVGameProfilePageInfo::defaultInfo()
{
    Ref<QVGameProfilePageInfo> info = platform::adoptRef(new QVGameProfilePageInfo);
    info->name_ = QVSessionRole::current().applicationDisplayName();
    info->shortName_ = QVSessionRole::current().applicationShortDisplayName();
    info->ownedByLocalPlayer_ = true;
    info->suggestionsForumId_.emplace(1, '0');
    return info;
}

bool QVGameProfilePageInfo::isLocalGameInfo() const
{
    Ref<QVGameProfilePageInfo> local = QVSessionRole::current().localGameProfileInfo();
    return local && local->resourceId() == resourceId();
}

void QVGameProfilePageInfo::encodeWithCoder(QVISerializer& coder) const
{
    // The serialiser's io takes references; copies keep this method const.
    std::optional<std::string> id;
    if (!resourceId().empty())
        id = resourceId();
    std::optional<std::string> name, shortName;
    if (!name_.empty())
        name = name_;
    if (!shortName_.empty())
        shortName = shortName_;
    auto icon = iconUrl_, forum = suggestionsForumId_;
    bool chat = hasChatRooms_, boards = hasLeaderboards_, achievements = hasAchievements_,
         challenges = hasChallenges_, purchase = hasiPurchase_, owned = ownedByLocalPlayer_,
         featured = hasFeaturedApplication_;
    coder.io("resourceId", id);
    coder.io("name", name);
    coder.io("shortName", shortName);
    coder.io("iconUrl", icon);
    coder.io("hasChatRooms", chat);
    coder.io("hasLeaderboards", boards);
    coder.io("hasAchievements", achievements);
    coder.io("hasChallenges", challenges);
    coder.io("hasiPurchase", purchase);
    coder.io("ownedByLocalPlayer", owned);
    coder.io("suggestionsForumId", forum);
    coder.io("hasFeaturedApplication", featured);
}

bool QVGameProfilePageInfo::initWithCoder(QVISerializer& coder)
{
    std::string id;
    coder.io("resourceId", id);
    initWithId(id);
    coder.io("name", name_);
    coder.io("shortName", shortName_);
    coder.io("iconUrl", iconUrl_);
    coder.io("hasChatRooms", hasChatRooms_);
    coder.io("hasLeaderboards", hasLeaderboards_);
    coder.io("hasAchievements", hasAchievements_);
    coder.io("hasChallenges", hasChallenges_);
    coder.io("hasiPurchase", hasiPurchase_);
    coder.io("ownedByLocalPlayer", ownedByLocalPlayer_);
    coder.io("suggestionsForumId", suggestionsForumId_);
    coder.io("hasFeaturedApplication", hasFeaturedApplication_);
    return true;
}

platform::Bytes QVGameProfilePageInfo::archivedData() const
{
    Ref<QVBinaryKeyedWriter> writer = platform::adoptRef(new QVBinaryKeyedWriter(kArchiveClass));
    encodeWithCoder(*writer);
    return writer->data();
}

Ref<QVGameProfilePageInfo> QVGameProfilePageInfo::infoWithArchivedData(const platform::Bytes& data)
{
    Ref<QVBinaryKeyedReader> reader = QVBinaryKeyedReader::readerWithData(data, kArchiveClass);
    if (!reader)
        return nullptr;
    Ref<QVGameProfilePageInfo> info = platform::adoptRef(new QVGameProfilePageInfo);
    info->initWithCoder(*reader);
    return info;
}

void QVGameProfilePageComparisonInfo::getDataMap(QVResourceDataMap& map)
{
    using T = QVGameProfilePageComparisonInfo;
    QVResourceFields<T> f(map);
    f.nested("game_profile_page_info", &T::gameProfilePageInfo_, true);
    f.field<QVFieldInteger>("local_user_achievements_score", &T::localUsersAchievementsScore_);
    f.field<QVFieldInteger>("compared_users_achievements_score", &T::comparedUsersAchievementsScore_);
    f.field<QVFieldInteger>("local_users_challenges_score", &T::localUsersChallengesScore_);
    f.field<QVFieldInteger>("compared_users_challenges_score", &T::comparedUsersChallengesScore_);
    f.field<QVFieldInteger>("local_users_leaderboards_score", &T::localUsersLeaderboardsScore_);
    f.field<QVFieldInteger>("compared_users_leaderboards_score", &T::comparedUsersLeaderboardsScore_);
}

void QVPlayerReview::getDataMap(QVResourceDataMap& map)
{
    using T = QVPlayerReview;
    QVResourceFields<T> f(map);
    f.field<QVFieldBool>("favorite", &T::favorite_);
    f.field<QVFieldText>("review", &T::review_);
    f.nested("user", &T::user_, true);
}

void QVPlayerReview::setfavorite(const std::string& text) { favorite_ = QVFieldBool::read(text); }

QVService* QVPlayerReview::getService() { return QVClientApplicationService::sharedService(); }

} // namespace quorvel
