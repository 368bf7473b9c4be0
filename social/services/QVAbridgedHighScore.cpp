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

QVAbridgedHighScore::~QVAbridgedHighScore() = default;

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
    return QVAbridgedHighScoreClass::file(picture_.fetch(this, userProfilePictureUrl_.value_or(std::string()), [this](platform::Image* image) {
        if (image)
            QVAbridgedHighScoreClass::notify([&](QVAbridgedHighScoreDelegate& d) { d.didGetProfilePicture(image, this); });
        else
            QVAbridgedHighScoreClass::notify(
                [&](QVAbridgedHighScoreDelegate& d) { d.didFailGetProfilePictureQVAbridgedHighScore(this); });
    }));
}

} // namespace quorvel
