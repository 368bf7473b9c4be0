// The profile service's requests, the gamerscore and user game stat records,
// and the played-game record.
#include "social/services/QVProfileService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/services/QVPlayedGame.h"
#include "social/services/QVUsersCredential.h"

#include "platform/foundation/Boxed.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kProfile { "GET", "profiles/%@/", 0 };
const QVServiceEndpoint kGamerscore { "GET", "profiles/%@/gamerscore", 0 };
const QVServiceEndpoint kViewedOwn { "GET", "profiles/viewed_own", 3 };

} // namespace

void QVProfileService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVPlayedGame>(QVPlayedGame::getResourceName());
    map.addResource<QVGamerscore>(QVGamerscore::getResourceName());
    map.addResource<QVUserGameStat>(QVUserGameStat::getResourceName());
    map.addResource<QVUser>(QVUser::getResourceName());
    map.addResource<QVUsersCredential>("users_credential");
}

void QVProfileService::getProfileForUser(const std::string& userId, const QVDelegate& onSuccess,
                                         const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    bool isLocal = userId.empty() || userId == QVSessionRole::current().lastLoggedInUserId();
    if (!isLocal) {
        std::string me = "me";
        params->io("compared_to_user_id", me);
    }
    service().send(kProfile, { isLocal ? std::string("me") : userId }, params.get(), onSuccess, onFailure);
}

void QVProfileService::getLocalPlayerProfile(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    getProfileForUser(std::string(), onSuccess, onFailure);
}

void QVProfileService::getGamerscoreForUser(const std::string& userId, const QVDelegate& onSuccess,
                                            const QVDelegate& onFailure)
{
    service().send(kGamerscore, { userId.empty() ? std::string("me") : userId }, QVHttpNestedQueryStringWriter::create().get(), onSuccess,
                   onFailure);
}

void QVProfileService::viewedOwnProfilePage()
{
    service().send(kViewedOwn, {}, nullptr, QVDelegate(), QVDelegate());
}

void QVGamerscore::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVGamerscore> f(map);
    f.field<QVFieldUnsigned>("user_id", &QVGamerscore::userId_);
    f.field<QVFieldUnsigned>("gamerscore", &QVGamerscore::gamerscore_);
}

void QVUserGameStat::getDataMap(QVResourceDataMap& map)
{
    using T = QVUserGameStat;
    QVResourceFields<T> f(map);
    f.field<QVFieldBool>("user_has_game", &T::userHasGame_);
    f.field<QVFieldText>("user_id", &T::userId_);
    f.field<QVFieldUnsigned>("user_gamerscore", &T::userGamerScore_);
    f.field<QVFieldBool>("user_favorited_game", &T::userFavoritedGame_);
}

void QVUserGameStat::setUserGamerscore(const std::string& text) { userGamerScore_ = QVFieldUnsigned::read(text); }

void QVPlayedGame::getDataMap(QVResourceDataMap& map)
{
    using T = QVPlayedGame;
    QVResourceFields<T> f(map);
    f.field<QVFieldText>("name", &T::name_);
    f.field<QVFieldText>("icon_url", &T::iconUrl_);
    f.field<QVFieldText>("client_application_id", &T::clientApplicationId_);
    f.field<QVFieldUnsigned>("total_gamerscore", &T::totalGamerscore_);
    f.field<QVFieldUnsigned>("friends_with_app", &T::friendsWithApp_);
    f.array("user_game_stats", &T::userGameStats_, true);
    f.field<QVFieldText>("i_tunes_app_store_url", &T::iTunesAppStoreUrl_);
    f.field<QVFieldBool>("favorite", &T::favorite_);
    f.field<QVFieldText>("review", &T::review_);
}

Ref<QVRequestHandle> QVPlayedGame::getFeaturedGames()
{
    auto& c = QVPlayedGameClass::classObject();
    return QVPlayedGameClass::file(QVGameDiscoveryService::getDiscoveryPageNamed(
        "developers_picks", 1, QVDelegate(&c, BRISKO_SELECTOR(QVPlayedGameClass, _getFeaturedGamesSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVPlayedGameClass, _getFeaturedGamesFailure))));
}

void QVPlayedGameClass::_getFeaturedGamesSuccess(platform::Object* seriesObject)
{
    std::vector<Ref<platform::Object>> games;
    for (const auto& object : requireCast<QVPaginatedSeries>(seriesObject, "A service's answer must carry a series")->objects())
        games.push_back(Ref<platform::Object>(object.get()));
    notify([&](QVPlayedGameDelegate& d) { d.didGetFeaturedGames(games); });
}

void QVPlayedGameClass::_getFeaturedGamesFailure(platform::Object*)
{
    notify([](QVPlayedGameDelegate& d) { d.didFailGetFeaturedGames(); });
}

QVPlayedGame::~QVPlayedGame() = default;

Ref<QVRequestHandle> QVPlayedGame::getGameIcon()
{
    return QVPlayedGameClass::file(picture_.fetch(this, iconUrl_, [this](platform::Image* image) {
        if (image)
            QVPlayedGameClass::notify([&](QVPlayedGameDelegate& d) { d.didGetGameIcon(image, this); });
        else
            QVPlayedGameClass::notify([&](QVPlayedGameDelegate& d) { d.didFailGetGameIconQVPlayedGame(this); });
    }));
}

QVUserGameStat* QVPlayedGame::getLocalUsersGameStat() const
{
    std::string local = QVSessionRole::current().lastLoggedInUserId();
    for (const auto& item : userGameStats_) {
        auto* stat = dynamic_cast<QVUserGameStat*>(item.get());
        if (stat && stat->userId() == local)
            return stat;
    }
    return nullptr;
}

bool QVPlayedGame::isOwnedByCurrentUser() const
{
    QVUserGameStat* stat = getLocalUsersGameStat();
    return stat && stat->userHasGame();
}

} // namespace quorvel
