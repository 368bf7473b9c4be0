// The facade's answers to the runtime.
#include "social/core/QuorvelRuntimeHost.h"

#include "platform/ui/MapView.h"
#include "platform/ui/ViewController.h"

#include "social/core/QVNotification.h"
#include "social/core/Quorvel.h"
#include "social/runtime/QVActionRequest.h"
#include "social/services/QVAchievement.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVServerNotification.h"
#include "social/services/QVOfflineService.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResourceNameMap.h"
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
    // The notices and their input responses ask the central class about the dashboard.
    QVNotification::setDashboardHubOpenQuery([] { return Quorvel::isDashboardHubOpen(); });
    QVNotification::setDashboardLauncher([](const std::string& tab, const std::vector<platform::Ref<platform::ui::ViewController>>& controllers) {
        std::vector<Quorvel::DashboardEntry> entries;
        for (auto& c : controllers)
            entries.emplace_back(platform::Ref<platform::Object>(c.get()));
        Quorvel::launchDashboardWithDelegate(nullptr, tab, entries);
    });
}

void QuorvelRuntimeHost::uninstall()
{
    if (&QVRuntimeHost::current() == &host())
        QVRuntimeHost::setCurrent(nullptr);
    if (&QVDashboardHost::current() == &dashboardHost())
        QVDashboardHost::setCurrent(nullptr);
    QVNotification::setDashboardHubOpenQuery(nullptr);
    QVNotification::setDashboardLauncher(nullptr);
}

platform::Ref<platform::Object> QuorvelRuntimeHost::localUser() { return Quorvel::localUser(); }

bool QuorvelRuntimeHost::isOnline() { return Quorvel::isOnline(); }

std::string QuorvelRuntimeHost::clientApplicationId() { return Quorvel::clientApplicationId(); }
std::string QuorvelRuntimeHost::lastLoggedInUserId() { return Quorvel::lastLoggedInUserId(); }
std::string QuorvelRuntimeHost::applicationDisplayName() { return Quorvel::applicationDisplayName(); }
std::string QuorvelRuntimeHost::applicationShortDisplayName() { return Quorvel::applicationShortDisplayName(); }

bool QuorvelRuntimeHost::isLargeScreen() { return QVDashboardHost::current().isLargeScreen(); }
bool QuorvelRuntimeHost::isInLandscapeMode() { return QVDashboardHost::current().isInLandscapeMode(); }

platform::Ref<platform::Object> QuorvelRuntimeHost::localGameProfileInfo()
{
    return platform::Ref<platform::Object>(Quorvel::localGameProfileInfo().get());
}

platform::Date QuorvelRuntimeHost::lastAnnouncementDateForLocalUser() { return Quorvel::lastAnnouncementDateForLocalUser(); }

void QuorvelRuntimeHost::setLastAnnouncementDateForLocalUser(platform::Date date)
{
    Quorvel::setLastAnnouncementDateForLocalUser(date);
}

void QuorvelRuntimeHost::postUnreadAnnouncementCountChangedTo(int count)
{
    Quorvel::postUnreadAnnouncementCountChangedTo(count);
}

std::string QuorvelRuntimeHost::suggestionsForumId()
{
    platform::Value id = Quorvel::suggestionsForumId();
    return id.isNil() ? std::string() : id.asString();
}

platform::ui::InterfaceOrientation QuorvelDashboardHost::getDashboardOrientation()
{
    return static_cast<platform::ui::InterfaceOrientation>(Quorvel::getDashboardOrientation());
}

platform::ui::ViewController* QuorvelDashboardHost::getRootController() { return Quorvel::getRootController(); }

platform::ui::View* QuorvelDashboardHost::getTopLevelView() { return Quorvel::getTopLevelView(); }

void QuorvelDashboardHost::switchToOfflineDashboard() { Quorvel::switchToOfflineDashboard(); }

void QuorvelDashboardHost::dismissDashboard() { Quorvel::dismissDashboard(); }

void QuorvelDashboardHost::animationDidStop(bool finished) { Quorvel::animationDidStop(finished); }

std::string QuorvelDashboardHost::initialDashboardModalContentURL()
{
    return Quorvel::initialDashboardModalContentURL().asString();
}

void QuorvelDashboardHost::setInitialDashboardModalContentURL(const std::string& url)
{
    Quorvel::setInitialDashboardModalContentURL(url.empty() ? platform::Value() : platform::Value(url));
}

void QuorvelDashboardHost::presentRootControllerWithModal(platform::ui::ViewController* screen)
{
    Quorvel::presentRootControllerWithModal(platform::Ref<platform::ui::ViewController>(screen));
}

void QuorvelDashboardHost::dismissRootControllerOrItsModal() { Quorvel::dismissRootControllerOrItsModal(); }

void QuorvelDashboardHost::allowErrorScreens(bool allow) { Quorvel::allowErrorScreens(allow); }

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

void QuorvelRuntimeHost::applyBootstrap(const QVBootstrap& a, QVProvider& provider)
{
    // The answer's settings, in the order the rest of the client expects them.
    Quorvel::storePollingFrequencyDefault(static_cast<int>(a.pollingFrequencyDefault));
    Quorvel::storePollingFrequencyInChat(static_cast<int>(a.pollingFrequencyInChat));
    provider.setAccessToken(a.accessToken, a.accessTokenSecret);
    Quorvel::setLoggedInUserHasSetName(a.userHasSetName);
    Quorvel::setLoggedInUserHasChatEnabled(a.userChatEnabled);
    Quorvel::setLoggedInUserHadFriendsOnBootup(a.userHadFriendsOnBootup);
    Quorvel::setLoggedInUserHasHttpBasicCredential(a.hasHttpBasicCredential);
    Quorvel::setLoggedInUserHasFbconnectCredential(a.hasFbconnectCredential);
    Quorvel::setLoggedInUserHasTwitterCredential(a.hasTwitterCredential);
    Quorvel::setLoggedInUserHasNonDeviceCredential(a.hasNonDeviceCredential());
    Quorvel::setLoggedInUserIsNewUser(a.isNewUser);
    // The game's profile first: the answer's own game id wins over the profile's.
    if (const QVXmlElement* profile = a.gameProfileElement())
        Quorvel::setLocalGameProfileInfoFromXml(*profile);
    Quorvel::setClientApplicationId(a.clientApplicationId);
    Quorvel::setClientApplicationIconUrl(a.clientApplicationIconUrl);
    Quorvel::setUnviewedChallengesCount(a.unviewedChallengesCount);
    Quorvel::setPendingFriendsCount(a.pendingFriendsCount);
    if (const QVXmlElement* userElement = a.userElement()) {
        QVResourceNameMap names;
        platform::Ref<QVUser> user = QVUser::create();
        user->populateFromXml(*userElement, names);
        if (!user->userId().empty())
            Quorvel::setLocalUser(user.get());
        else
            platform::logWarning("Quorvel: the bootstrap's player has no id; the local user is kept");
    }
    Quorvel::setSuggestionsForumId(a.suggestionsForumId.empty() ? platform::Value() : platform::Value(a.suggestionsForumId));
    Quorvel::setInitialDashboardScreen(a.initialDashboardScreen);
    Quorvel::setInitialDashboardModalContentURL(a.initialDashboardModalContentUrl.empty()
                                                    ? platform::Value()
                                                    : platform::Value(a.initialDashboardModalContentUrl));
    Quorvel::setLoggedInUserSharesOnlineStatus(a.userSharesOnlineStatus);
    Quorvel::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(a.unreadImCount, a.unreadPostCount,
                                                                    a.unreadInviteCount);
    Quorvel::setUserDistanceUnit(a.userDistanceUnit());
}

void QuorvelRuntimeHost::notifyAddOnsUserLoggedIn() { Quorvel::notifyAddOnsUserLoggedIn(); }

void QuorvelRuntimeHost::notifyAddOnsUserLoggedOut() { Quorvel::notifyAddOnsUserLoggedOut(); }

std::optional<std::pair<double, double>> QuorvelRuntimeHost::userLocation()
{
    if (platform::ui::Location* location = Quorvel::getUserLocation())
        return std::make_pair(location->coordinate().latitude, location->coordinate().longitude);
    return std::nullopt;
}

bool QuorvelRuntimeHost::isShowingFullScreen() { return Quorvel::isShowingFullScreen(); }

void QuorvelRuntimeHost::displayErrorMessage(const std::string& message) { Quorvel::displayErrorMessage(message); }

void QuorvelRuntimeHost::displayUpgradeRequiredErrorMessage(const platform::Bytes& body)
{
    Quorvel::displayUpgradeRequiredErrorMessage(body);
}

void QuorvelRuntimeHost::displayServerMaintenanceNotice(const platform::Bytes& body)
{
    Quorvel::displayServerMaintenanceNotice(body);
}

void QuorvelRuntimeHost::launchLoginFlowForRequest(QVActionRequest& request)
{
    Quorvel::launchLoginFlowForRequest(&request);
}

void QuorvelRuntimeHost::launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request,
                                                                    const platform::Bytes& body,
                                                                    platform::Object* noticeUserData)
{
    Quorvel::launchGetExtendedCredentialsFlowForRequest(request, body, noticeUserData);
}

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

platform::Ref<platform::Object> QuorvelRuntimeHost::categorizedNotice(const std::string& text, int category, int type)
{
    return QVNotificationData::dataWithText(text, category, type);
}

} // namespace quorvel
