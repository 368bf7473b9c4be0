// The facade's answers to the runtime.
#include "social/core/QuorvelRuntimeHost.h"

#include "social/core/QVNotification.h"
#include "social/core/Quorvel.h"
#include "social/runtime/QVActionRequest.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVServerNotification.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVUser.h"

namespace quorvel {

namespace {
QuorvelRuntimeHost& host()
{
    static QuorvelRuntimeHost instance;
    return instance;
}

QuorvelDashboardHost& dashboardHost()
{
    static QuorvelDashboardHost instance;
    return instance;
}
} // namespace

void QuorvelRuntimeHost::install()
{
    QVRuntimeHost::setCurrent(&host());
    QVDashboardHost::setCurrent(&dashboardHost());
}

void QuorvelRuntimeHost::uninstall()
{
    if (&QVRuntimeHost::current() == &host())
        QVRuntimeHost::setCurrent(nullptr);
    if (&QVDashboardHost::current() == &dashboardHost())
        QVDashboardHost::setCurrent(nullptr);
}

platform::Ref<platform::Object> QuorvelRuntimeHost::localUser() { return Quorvel::localUser(); }

bool QuorvelRuntimeHost::isOnline() { return Quorvel::isOnline(); }

std::string QuorvelRuntimeHost::clientApplicationId() { return Quorvel::clientApplicationId(); }

platform::ui::InterfaceOrientation QuorvelDashboardHost::getDashboardOrientation()
{
    return static_cast<platform::ui::InterfaceOrientation>(Quorvel::getDashboardOrientation());
}

bool QuorvelRuntimeHost::areErrorScreensAllowed()
{
    Quorvel* q = Quorvel::sharedInstance();
    return q && q->mAllowErrorScreens;
}

bool QuorvelRuntimeHost::hasUserApprovedQuorvel() { return Quorvel::_hasUserApprovedQuorvel(); }

bool QuorvelRuntimeHost::isQuorvelDisabled() { return Quorvel::isDisabled(); }

std::string QuorvelRuntimeHost::sessionId() { return Quorvel::sessionId(); }

QVProvider* QuorvelRuntimeHost::provider() { return Quorvel::provider(); }

void QuorvelRuntimeHost::writeBootstrapParameters(QVHttpNestedQueryStringWriter& params)
{
    Quorvel::getUserStatsParams(params);
    QVOfflineService::getBootstrapCallParams(params, Quorvel::bootstrapUserId());
}

void QuorvelRuntimeHost::synchronizeOfflineData(const QVBootstrap& answer) { QVOfflineService::syncOfflineData(answer); }

void QuorvelRuntimeHost::showDefaultNotice() { Quorvel::showDefaultNotice(); }

void QuorvelRuntimeHost::showBackgroundNotice(const BackgroundNotice& notice) { Quorvel::showBackgroundNotice(notice); }

void QuorvelRuntimeHost::setDefaultBackgroundNotice(const BackgroundNotice& notice)
{
    Quorvel::setDefaultBackgroundNotice(notice);
}

bool QuorvelRuntimeHost::isLoggedIntoGameCenter() { return Quorvel::isLoggedIntoGameCenter(); }

std::optional<std::string> QuorvelRuntimeHost::gameCenterLeaderboardCategory(const std::string& leaderboardId)
{
    return Quorvel::getGameCenterLeaderboardCategory(leaderboardId);
}

platform::Date QuorvelRuntimeHost::submitScoreToGameCenter(int64_t score, const std::string& category,
                                                           std::function<void(bool failed)> completion)
{
    return Quorvel::submitScoreToGameCenter(score, category,
                                            [completion = std::move(completion)](const platform::gamekit::OptionalError& e) {
                                                if (completion)
                                                    completion(e.has_value());
                                            });
}

bool QuorvelRuntimeHost::isSynchedWithGameCenterLeaderboards() { return Quorvel::isSynchedWithGameCenterLeaderboards(); }

void QuorvelRuntimeHost::setSynchWithGameCenterLeaderboards(bool synched)
{
    Quorvel::setSynchWithGameCenterLeaderboards(synched);
}

std::optional<std::string> QuorvelRuntimeHost::gameCenterAchievementId(const std::string& achievementId)
{
    return Quorvel::getGameCenterAchievementId(achievementId);
}

void QuorvelRuntimeHost::submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                                       std::function<void(bool failed)> completion)
{
    Quorvel::submitAchievementToGameCenter(identifier, percentComplete,
                                           [completion = std::move(completion)](const platform::gamekit::OptionalError& e) {
                                               if (completion)
                                                   completion(e.has_value());
                                           });
}

bool QuorvelRuntimeHost::isSynchedWithGameCenterAchievements() { return Quorvel::isSynchedWithGameCenterAchievements(); }

void QuorvelRuntimeHost::setSynchWithGameCenterAchievements(bool synched)
{
    Quorvel::setSynchWithGameCenterAchievements(synched);
}

void QuorvelRuntimeHost::showAchievementNotice(platform::Object* achievement, double percentComplete)
{
    auto* record = dynamic_cast<QVAchievement*>(achievement);
    platform::Ref<QVUnlockedAchievementNotificationData> data =
        record ? QVUnlockedAchievementNotificationData::dataWithAchievementFields(
                     record, record->title().value_or(""), static_cast<int>(record->gamerscore()),
                     record->resourceId(), record->iconUrl(), percentComplete)
               : QVUnlockedAchievementNotificationData::dataWithAchievementFields(nullptr, {}, 0, {}, {}, percentComplete);
    QVNotification::sharedInstance().showAchievementNotice(data.get());
}

void QuorvelRuntimeHost::setLocalUser(platform::Object* user)
{
    if (auto* u = dynamic_cast<QVUser*>(user))
        Quorvel::setLocalUser(u);
}

void QuorvelRuntimeHost::showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names)
{
    platform::Ref<QVServerNotification> notification = QVServerNotification::create();
    notification->populateFromXml(element, names);
    QVNotification::sharedInstance().showServerNotification(notification.get());
}

void QuorvelRuntimeHost::showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object* notice)
{
    QVNotification::sharedInstance().showBackgroundNoticeForLoader(request, dynamic_cast<QVNotificationData*>(notice));
}

platform::Ref<platform::Object> QuorvelRuntimeHost::foregroundNotice(const std::string& text)
{
    return QVNotificationData::foreGroundDataWithText(text);
}

} // namespace quorvel
