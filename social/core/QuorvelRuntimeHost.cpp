// The facade's answers to the runtime.
#include "social/core/QuorvelRuntimeHost.h"

#include "social/core/QVNotification.h"
#include "social/core/Quorvel.h"
#include "social/runtime/QVActionRequest.h"
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

namespace {
// A service's notice as the notice path takes it.
platform::Ref<QVNotificationData> noticeData(const QVRuntimeHost::BackgroundNotice& notice)
{
    auto data = QVNotificationData::dataWithText(notice.text, notice.category, notice.type);
    if (!notice.imageName.empty())
        data->setImageName(notice.imageName);
    return data;
}
} // namespace

void QuorvelRuntimeHost::showDefaultNotice() { QVNotification::sharedInstance().showDefaultNotice(); }

// Notices of the services go with the success status (no status image).
void QuorvelRuntimeHost::showBackgroundNotice(const BackgroundNotice& notice)
{
    QVNotification::sharedInstance().showBackgroundNotice(noticeData(notice).get(), std::nullopt);
}

void QuorvelRuntimeHost::setDefaultBackgroundNotice(const BackgroundNotice& notice)
{
    QVNotification::sharedInstance().setDefaultBackgroundNotice(noticeData(notice).get(), std::nullopt);
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
