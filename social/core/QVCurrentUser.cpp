// The current-user class: counters from the central class and the player's
// four requests.
#include "social/core/QVCurrentUser.h"

#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUsersCredential.h"
#include "social/services/QVUsersCredentialService.h"

namespace quorvel {

using platform::Ref;

#define QV_CURRENT_USER_CALLBACK(name) QVDelegate(&QVCurrentUser::classObject(), BRISKO_SELECTOR(QVCurrentUser, name))

Ref<QVUser> QVCurrentUser::currentUser() { return QuorvelInternal::records().localUser(); }

int QVCurrentUser::QuorvelBadgeCount()
{
    QVUserOptions& options = QuorvelInternal::options();
    return options.unviewedChallengesCount() + options.pendingFriendsCount() + options.unreadInboxTotal();
}

int QVCurrentUser::unviewedChallengesCount() { return QuorvelInternal::options().unviewedChallengesCount(); }
bool QVCurrentUser::allowsAutoSocialNotifications() { return QuorvelInternal::options().userAllowsNotifications(); }
bool QVCurrentUser::hasFriends() { return QuorvelInternal::options().lastLoggedInUserHadFriendsOnBootup(); }

Ref<QVRequestHandle> QVCurrentUser::unfriend(QVUser* user)
{
    return file(QVFriendsService::makeLocalUserStopFollowing(user ? user->resourceId() : std::string(),
                                                             QV_CURRENT_USER_CALLBACK(_currentUserUnfriendSuccess),
                                                             QV_CURRENT_USER_CALLBACK(_currentUserUnfriendFailure)));
}

Ref<QVRequestHandle> QVCurrentUser::sendFriendRequest(QVUser* user)
{
    return file(QVFriendsService::makeLocalUserFollow(user ? user->resourceId() : std::string(),
                                                      QV_CURRENT_USER_CALLBACK(_currentUserSendFriendRequestSuccess),
                                                      QV_CURRENT_USER_CALLBACK(_currentUserSendFriendRequestFailure)));
}

Ref<QVRequestHandle> QVCurrentUser::favoriteCurrentGame(const std::optional<std::string>& reviewText)
{
    return file(QVClientApplicationService::makeGameFavorite(QuorvelInternal::options().clientApplicationId(), reviewText,
                                                             QV_CURRENT_USER_CALLBACK(_favoriteCurrentGameSuccess),
                                                             QV_CURRENT_USER_CALLBACK(_favoriteCurrentGameFailure)));
}

Ref<QVRequestHandle> QVCurrentUser::checkConnectedToSocialNetwork()
{
    return file(QVUsersCredentialService::getIndexOnSuccess(
        QV_CURRENT_USER_CALLBACK(_checkConnectedToSocialNetworkSuccess),
        QV_CURRENT_USER_CALLBACK(_checkConnectedToSocialNetworkFailure), true));
}

void QVCurrentUser::_currentUserUnfriendSuccess(platform::Object*) { notify([](auto& d) { d.didUnfriend(); }); }
void QVCurrentUser::_currentUserUnfriendFailure(platform::Object*) { notify([](auto& d) { d.didFailUnfriend(); }); }
void QVCurrentUser::_currentUserSendFriendRequestSuccess(platform::Object*)
{
    notify([](auto& d) { d.didSendFriendRequest(); });
}
void QVCurrentUser::_currentUserSendFriendRequestFailure(platform::Object*)
{
    notify([](auto& d) { d.didFailSendFriendRequest(); });
}
void QVCurrentUser::_favoriteCurrentGameSuccess(platform::Object*) { notify([](auto& d) { d.didFavoriteCurrentGame(); }); }
void QVCurrentUser::_favoriteCurrentGameFailure(platform::Object*)
{
    notify([](auto& d) { d.didFailFavoriteCurrentGame(); });
}

void QVCurrentUser::_checkConnectedToSocialNetworkSuccess(platform::Object* seriesObject)
{
    // The answer is sectioned: the credentials are the first section's page.
    bool linked = false;
    auto* series = requireCast<QVPaginatedSeries>(seriesObject, "A service's answer must carry a series");
    auto* section = series->count() ? dynamic_cast<QVTableSectionDescription*>(series->objects()[0].get()) : nullptr;
    if (QVPaginatedSeries* page = section ? section->page() : nullptr) {
        for (const auto& object : page->objects()) {
            auto* credential = dynamic_cast<QVUsersCredential*>(object.get());
            if (credential && (credential->isTwitter() || credential->isFacebook()))
                linked = true;
        }
    }
    notify([linked](auto& d) { d.didCheckConnectedToSocialNetwork(linked); });
}

void QVCurrentUser::_checkConnectedToSocialNetworkFailure(platform::Object*)
{
    notify([](auto& d) { d.didFailCheckConnectedToSocialNetwork(); });
}

#undef QV_CURRENT_USER_CALLBACK

} // namespace quorvel
