// The achievement record and public class, and the unlocked-achievement
// record of a progress batch's answer.
#include "social/services/QVAchievement.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/DateFormat.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVUser.h"

#include <cctype>

namespace quorvel {

using platform::Ref;

namespace {

std::optional<std::string> column(const QVSqlQuery& row, const char* name)
{
    const char* text = row.getText(name);
    return text ? std::optional<std::string>(text) : std::nullopt;
}

// Zone names a date may carry instead of an offset, in hours east of GMT.
struct ZoneName {
    std::string_view name;
    int hours;
};
constexpr ZoneName kZoneNames[] = {
    { "PST", -8 }, { "PDT", -7 }, { "MST", -7 },  { "MDT", -6 },  { "CST", -6 },  { "CDT", -5 },
    { "EST", -5 }, { "EDT", -4 }, { "AKST", -9 }, { "AKDT", -8 }, { "HST", -10 }, { "WET", 0 },
    { "WEST", 1 }, { "BST", 1 },  { "CET", 1 },   { "CEST", 2 },  { "EET", 2 },   { "EEST", 3 },
    { "MSK", 3 },  { "JST", 9 },  { "AEST", 10 }, { "AEDT", 11 },
};

// A zone after the time: a zone name ("PST"), or "GMT"/"UTC"/"Z" optionally
// followed by an offset, or a bare offset "+hh", "+hhmm", "+hh:mm". Answers
// seconds east of GMT.
std::optional<int> zoneOffset(std::string_view zone)
{
    for (const ZoneName& named : kZoneNames) {
        if (zone == named.name)
            return named.hours * 3600;
    }
    for (std::string_view name : { "GMT", "UTC", "Z" }) {
        if (zone.substr(0, name.size()) == name) {
            zone.remove_prefix(name.size());
            break;
        }
    }
    if (zone.empty())
        return 0;
    if (zone[0] != '+' && zone[0] != '-')
        return std::nullopt;
    int sign = zone[0] == '-' ? -1 : 1;
    std::string digits;
    for (size_t i = 1; i < zone.size(); ++i) {
        if (zone[i] == ':' && i == 3)
            continue;
        if (!std::isdigit(static_cast<unsigned char>(zone[i])))
            return std::nullopt;
        digits += zone[i];
    }
    if (digits.size() != 2 && digits.size() != 4)
        return std::nullopt;
    int hours = std::stoi(digits.substr(0, 2));
    int minutes = digits.size() == 4 ? std::stoi(digits.substr(2, 2)) : 0;
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    return sign * (hours * 3600 + minutes * 60);
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

void QVAchievement::setUnlockDateFromString(const std::string& text)
{
    unlockDate_.reset();
    if (text.size() < 19)
        return;
    static const platform::DateFormatter formatter("yyyy-MM-dd HH:mm:ss");
    std::optional<platform::Date> date = formatter.parse(std::string_view(text).substr(0, 19));
    if (!date)
        return;
    std::string_view rest = std::string_view(text).substr(19);
    if (!rest.empty()) {
        if (rest[0] != ' ')
            return;
        rest.remove_prefix(1);
        if (rest.empty())
            return;
    }
    std::optional<int> offset = zoneOffset(rest);
    if (!offset)
        return;
    unlockDate_ = platform::Date { date->seconds - *offset };
}

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
    Ref<platform::Object> local = QVSessionRole::current().localUser();
    if (auto* user = dynamic_cast<QVUser*>(local.get()))
        a->percentComplete_ = QVAchievementService::getPercentComplete(a->resourceId(), user->resourceId());
    return a;
}

// -- the public class -------------------------------------------------------------------

Ref<QVAchievement> QVAchievement::achievement(const std::string& achievementId)
{
    if (Ref<QVAchievement> stored = QVAchievementService::getAchievementLocalWithUnlockInfo(achievementId))
        return stored;
    auto a = create();
    a->initWithId(achievementId);
    return a;
}

std::vector<Ref<QVAchievement>> QVAchievement::achievements() { return QVAchievementService::getAchievementsLocal(); }

void QVAchievement::setDelegate(QVAchievementDelegate* delegate) { QVAchievementClass::setDelegate(delegate); }
QVAchievementDelegate* QVAchievement::delegate() { return QVAchievementClass::delegate(); }

void QVAchievement::setCustomUrlForSocialNotificaion(const std::string& url)
{
    QVAchievementService::setCustomUrlWithSocialNotification(url);
}

Ref<QVRequestHandle> QVAchievement::submitDeferredAchievements()
{
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
    QVAchievementService::queueUpdateAchievement(resourceId(), percentComplete, showNotification);
}

Ref<QVRequestHandle> QVAchievement::getIcon()
{
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

QVService* QVUnlockedAchievement::getService() { return QVAchievementService::sharedService(); }

} // namespace quorvel
