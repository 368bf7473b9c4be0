// The users table of the offline store: one row per player who logged in on
// this device, so scores and profiles can name a player while the service
// cannot be reached.
#include "social/services/QVUserService.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"

namespace quorvel {

using platform::Ref;

QVUserService::~QVUserService() { QVOfflineStore::finalizeUserStatements(); }

void QVUserService::setupOfflineSupport(bool recreate) { QVOfflineStore::setupUserTables(recreate); }

bool QVUserService::createLocalUser(const std::string& userId, const std::string& userName,
                                    const std::optional<std::string>& profilePictureUrl)
{
    if (!QVIsDecimalId(userId))
        return false;
    QVOfflineStore::Use q(QVOfflineStore::userStatements().setUser);
    q->bind("id", userId);
    q->bind("name", userName);
    q->bind("profile_picture_url", profilePictureUrl);
    return q->execute() == QVSqlQuery::kDone;
}

Ref<QVUser> QVUserService::getLocalUser(const std::string& userId)
{
    if (!QVIsDecimalId(userId))
        return nullptr;
    QVOfflineStore::Use q(QVOfflineStore::userStatements().getUser);
    q->bind("id", userId);
    if (!q->step())
        return nullptr;
    return QVUser::userWithLocalSQL(*q);
}

void QVUserService::getLocalUser(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (Ref<QVUser> user = getLocalUser(userId))
        onSuccess.invoke(QVPaginatedSeries::paginatedSeriesWithObject(user.get()).get());
    else
        onFailure.invoke(nullptr);
}

} // namespace quorvel
