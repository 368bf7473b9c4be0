// The achievement record and public class, and the unlocked-achievement
// record of a progress batch's answer.
#include "social/services/QVAchievement.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVUser.h"

#include <cmath>
#include <cstdlib>

namespace quorvel {

using platform::Ref;

namespace {

std::optional<std::string> column(const QVSqlQuery& row, const char* name)
{
    const char* text = row.getText(name);
    return text ? std::optional<std::string>(text) : std::nullopt;
}

} // namespace

// -- the record -------------------------------------------------------------------------

void QVAchievement::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVAchievement> f(map);
    f.custom("title", &QVAchievement::setTitle);
    f.custom("description", &QVAchievement::setDescription);
    f.custom("gamerscore", &QVAchievement::setGamerscoreFromString);
    f.custom("icon_url", &QVAchievement::setIconUrl);
    f.custom("is_secret", &QVAchievement::setIsSecretFromString);
    f.custom("percent_complete", &QVAchievement::setPercentComplete);
    f.custom("is_unlocked_by_compared_to_user", &QVAchievement::setIsUnlockedByComparedToUserFromString);
    f.custom("compared_to_user_id", &QVAchievement::setComparedToUserId);
    f.custom("unlock_date", &QVAchievement::setUnlockDateFromString);
    f.custom("position", &QVAchievement::setPositionFromString);
    f.custom("end_version", &QVAchievement::setEndVersion);
    f.custom("start_version", &QVAchievement::setStartVersion);
}

QVService* QVAchievement::getService() { return QVAchievementService::sharedService(); }

void QVAchievement::setUnlockDateFromString(const std::string& text) { unlockDate_ = QVParseZonedDate(text); }

Ref<QVAchievement> QVAchievement::initWithLocalSQL(const QVSqlQuery& row)
{
    auto a = create();
    a->title_ = column(row, "title");
    a->description_ = column(row, "description");
    a->startVersion_ = column(row, "start_version");
    a->endVersion_ = column(row, "end_version");
    a->gamerscore_ = static_cast<uint32_t>(row.getInt("gamerscore"));
    a->position_ = static_cast<uint32_t>(row.getInt("position"));
    a->isSecret_ = row.getInt("is_secret") != 0;
    a->iconUrl_ = column(row, "icon_file_name").value_or("");
    int64_t unlocked = row.getInt64("unlocked_date");
    if (unlocked > 0)
        a->unlockDate_ = platform::Date { static_cast<double>(unlocked) };
    a->setResourceId(column(row, "id").value_or(""));
    if (Ref<QVUser> local = QVSessionRole::current().localUser())
        a->percentComplete_ = QVAchievementService::getPercentComplete(a->resourceId(), local->resourceId());
    return a;
}

// -- the public class -------------------------------------------------------------------

Ref<QVAchievement> QVAchievement::achievement(const std::string& achievementId)
{
    QVSessionRole::requireMainThread("QVAchievement::achievement");
    if (Ref<QVAchievement> stored = QVAchievementService::getAchievementLocalWithUnlockInfo(achievementId))
        return stored;
    auto a = create();
    a->initWithId(achievementId);
    return a;
}

std::vector<Ref<QVAchievement>> QVAchievement::achievements()
{
    QVSessionRole::requireMainThread("QVAchievement::achievements");
    return QVAchievementService::getAchievementsLocal();
}

void QVAchievement::setDelegate(QVAchievementDelegate* delegate)
{
    QVSessionRole::requireMainThread("QVAchievement::setDelegate");
    QVAchievementClass::setDelegate(delegate);
}
QVAchievementDelegate* QVAchievement::delegate()
{
    QVSessionRole::requireMainThread("QVAchievement::delegate");
    return QVAchievementClass::delegate();
}

void QVAchievement::setCustomUrlForSocialNotificaion(const std::string& url)
{
    QVSessionRole::requireMainThread("QVAchievement::setCustomUrlForSocialNotificaion");
    QVAchievementService::setCustomUrlWithSocialNotification(url);
}

Ref<QVRequestHandle> QVAchievement::submitDeferredAchievements()
{
    QVSessionRole::requireMainThread("QVAchievement::submitDeferredAchievements");
    auto& c = QVAchievementClass::classObject();
    return QVAchievementClass::file(QVAchievementService::submitQueuedUpadteAchievements(
        QVDelegate(&c, BRISKO_SELECTOR(QVAchievementClass, _submitDeferredSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVAchievementClass, _submitDeferredFailure))));
}

void QVAchievementClass::_submitDeferredSuccess(platform::Object*)
{
    notify([](QVAchievementDelegate& d) { d.didSubmitDeferredAchievements(); });
}

void QVAchievementClass::_submitDeferredFailure(platform::Object*)
{
    notify([](QVAchievementDelegate& d) { d.didFailSubmittingDeferredAchievements(); });
}

Ref<QVRequestHandle> QVAchievement::updateProgressionComplete(double percentComplete, bool showNotification)
{
    return updateProgression("QVAchievement::updateProgressionComplete", percentComplete, showNotification);
}

Ref<QVRequestHandle> QVAchievement::unlock() { return updateProgression("QVAchievement::unlock", 100, false); }

Ref<QVRequestHandle> QVAchievement::updateProgression(const char* call, double percentComplete, bool showNotification)
{
    QVSessionRole::requireMainThread(call);
    if (!QVSessionRole::requireRunningClient(call)) {
        _updateFailure(nullptr);
        return nullptr;
    }
    return QVAchievementClass::file(QVAchievementService::updateAchievement(
        resourceId(), percentComplete, showNotification, QVDelegate(this, BRISKO_SELECTOR(QVAchievement, _updateSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVAchievement, _updateFailure))));
}

void QVAchievement::_updateSuccess(platform::Object*)
{
    Ref<QVAchievement> keep(this);
    QVAchievementClass::notify([&](QVAchievementDelegate& d) { d.didUpdateProgressionCompleteQVAchievement(this); });
}

void QVAchievement::_updateFailure(platform::Object*)
{
    Ref<QVAchievement> keep(this);
    QVAchievementClass::notify([&](QVAchievementDelegate& d) { d.didFailUpdateProgressionCompleteQVAchievement(this); });
}

void QVAchievement::deferUpdateProgressionComplete(double percentComplete, bool showNotification)
{
    QVSessionRole::requireMainThread("QVAchievement::deferUpdateProgressionComplete");
    QVAchievementService::queueUpdateAchievement(resourceId(), percentComplete, showNotification);
}

Ref<QVRequestHandle> QVAchievement::getIcon()
{
    QVSessionRole::requireMainThread("QVAchievement::getIcon");
    return QVAchievementClass::file(picture_.fetch(this, iconUrl_, [this](platform::Image* image) {
        if (image)
            QVAchievementClass::notify([&](QVAchievementDelegate& d) { d.didGetIcon(image, this); });
        else
            QVAchievementClass::notify([&](QVAchievementDelegate& d) { d.didFailGetIconQVAchievement(this); });
    }));
}

// -- the unlocked-achievement record -----------------------------------------------------------

void QVUnlockedAchievement::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVUnlockedAchievement> f(map);
    f.nested("achievement_definition", &QVUnlockedAchievement::achievement_);
    f.custom("result", &QVUnlockedAchievement::setResult);
    f.custom("percent_complete", &QVUnlockedAchievement::setPercentComplete);
}

void QVUnlockedAchievement::setPercentComplete(const std::string& text)
{
    percentComplete_ = QVFieldDouble::read(text);
    // "nan", "inf" or no number at all read as 0 above; the store must not take them for one.
    char* end = nullptr;
    double value = platform::parseDouble(text.c_str(), &end);
    hasReadablePercent_ = end != text.c_str() && std::isfinite(value);
}

QVService* QVUnlockedAchievement::getService() { return QVAchievementService::sharedService(); }

} // namespace quorvel
