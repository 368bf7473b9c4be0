// The game-player record and the online-status record.
#include "social/services/QVGamePlayer.h"

#include "social/runtime/QVResourceFields.h"
#include "social/services/QVProfileService.h"

namespace quorvel {

void QVGamePlayer::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVGamePlayer> f(map);
    f.read<QVFieldText>("app_id", &QVGamePlayer::applicationId_);
    f.read<QVFieldUnsigned>("app_gamerscore", &QVGamePlayer::applicationGamerscore_);
    f.read<QVFieldBool>("favorite", &QVGamePlayer::isFavorite_);
    f.nested("user", &QVGamePlayer::user_);
}

QVService* QVGamePlayer::getService() { return QVProfileService::sharedService(); }

void QVGamePlayer::setApplicationGamerscore(const std::string& text)
{
    applicationGamerscore_ = QVFieldUnsigned::read(text);
}

void QVGamePlayer::setIsFavorite(const std::string& text) { isFavorite_ = QVFieldBool::read(text); }

platform::Ref<QVOnlineStatus> QVOnlineStatus::onlineStatusWithUser(platform::Ref<QVUser> user, bool isOnline)
{
    auto s = platform::adoptRef(new QVOnlineStatus);
    s->initWithUser(std::move(user), isOnline);
    return s;
}

bool QVOnlineStatus::initWithUser(platform::Ref<QVUser> user, bool isOnline)
{
    user_ = std::move(user);
    isOnline_ = isOnline;
    return true;
}

} // namespace quorvel
