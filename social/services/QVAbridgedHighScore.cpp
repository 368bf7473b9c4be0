// The short score record and its player's profile picture.
#include "social/services/QVAbridgedHighScore.h"

#include "platform/foundation/Format.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/services/QVHighScoreService.h"

namespace quorvel {

using platform::Ref;

void QVAbridgedHighScore::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVAbridgedHighScore> f(map);
    f.custom("score", &QVAbridgedHighScore::setScore);
    f.custom("leaderboard_id", &QVAbridgedHighScore::setLeaderboardId);
    f.custom("display_text", &QVAbridgedHighScore::setDisplayText);
    f.custom("user_id", &QVAbridgedHighScore::setUserId);
    f.custom("user_name", &QVAbridgedHighScore::setUserName);
    f.custom("user_profile_picture_url", &QVAbridgedHighScore::setUserProfilePictureUrl);
    f.custom("user_gamer_score", &QVAbridgedHighScore::setUserGamerScore);
}

QVService* QVAbridgedHighScore::getService() { return QVHighScoreService::sharedService(); }

QVAbridgedHighScore::~QVAbridgedHighScore() { QVDestroyHttpService(mHttpService); }

void QVAbridgedHighScore::setDelegate(QVAbridgedHighScoreDelegate* delegate)
{
    QVAbridgedHighScoreClass::setDelegate(delegate);
}

std::string QVAbridgedHighScore::displayText() const
{
    return displayText_ ? *displayText_ : platform::format("%lld", static_cast<long long>(score_));
}

Ref<QVRequestHandle> QVAbridgedHighScore::getProfilePicture()
{
    Ref<QVAbridgedHighScore> keep(this);
    Ref<platform::Image> cached;
    Ref<QVRequestHandle> handle = QVGetImageFromUrl(
        userProfilePictureUrl_.value_or(std::string()), cached, mHttpService, mHttpServiceObserver,
        QVDelegate(this, BRISKO_SELECTOR(QVAbridgedHighScore, _getProfilePictureSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVAbridgedHighScore, _getProfilePictureFailure)));
    if (cached) {
        QVAbridgedHighScoreClass::notify(
            [&](QVAbridgedHighScoreDelegate& d) { d.didGetProfilePicture(cached.get(), this); });
        return nullptr;
    }
    return QVAbridgedHighScoreClass::file(handle);
}

void QVAbridgedHighScore::_getProfilePictureSuccess(platform::Object* data)
{
    Ref<QVAbridgedHighScore> keep(this);
    std::string url = userProfilePictureUrl_.value_or(std::string());
    Ref<platform::Image> image = QVCacheDownloadedImage(data, &url);
    if (!image) {
        _getProfilePictureFailure(nullptr);
        return;
    }
    mHttpServiceObserver = nullptr;
    QVAbridgedHighScoreClass::notify(
        [&](QVAbridgedHighScoreDelegate& d) { d.didGetProfilePicture(image.get(), this); });
}

void QVAbridgedHighScore::_getProfilePictureFailure(platform::Object*)
{
    Ref<QVAbridgedHighScore> keep(this);
    mHttpServiceObserver = nullptr;
    QVAbridgedHighScoreClass::notify(
        [&](QVAbridgedHighScoreDelegate& d) { d.didFailGetProfilePictureQVAbridgedHighScore(this); });
}

} // namespace quorvel
