// The central class's answers to the layers below it.
#include "social/core/QuorvelRoles.h"

#include "platform/ui/MapView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"

#include "social/core/QVNotification.h"
#include "social/core/QuorvelInternal.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVNavigationController.h"
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
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/services/QVUser.h"

#include <utility>

namespace quorvel {

namespace {
QuorvelRoles& roles()
{
    static QuorvelRoles instance;
    return instance;
}
} // namespace

void QuorvelRoles::install()
{
    QuorvelRoles& r = roles();
    QVSessionRole::setCurrent(&r);
    QVRequestUIRole::setCurrent(&r);
    QVGameCenterRole::setCurrent(&r);
    QVScreensRole::setCurrent(&r);
    QVDashboardRole::setCurrent(&r);
    // The notices and their input responses ask the central class about the dashboard.
    QVNotification::setDashboardHubOpenQuery([] { return QuorvelInternal::isDashboardHubOpen(); });
    QVNotification::setDashboardLauncher([](const std::string& tab, const std::vector<platform::Ref<platform::ui::ViewController>>& controllers) {
        std::vector<Quorvel::DashboardEntry> entries;
        for (auto& c : controllers)
            entries.emplace_back(platform::Ref<platform::Object>(c.get()));
        Quorvel::launchDashboardWithDelegate(nullptr, tab, entries);
    });
}

void QuorvelRoles::uninstall()
{
    // A role a test put in place of the client's stays.
    QuorvelRoles& r = roles();
    if (&QVSessionRole::current() == &r)
        QVSessionRole::setCurrent(nullptr);
    if (&QVRequestUIRole::current() == &r)
        QVRequestUIRole::setCurrent(nullptr);
    if (&QVGameCenterRole::current() == &r)
        QVGameCenterRole::setCurrent(nullptr);
    if (&QVScreensRole::current() == &r)
        QVScreensRole::setCurrent(nullptr);
    if (&QVDashboardRole::current() == &r)
        QVDashboardRole::setCurrent(nullptr);
    QVNotification::setDashboardHubOpenQuery(nullptr);
    QVNotification::setDashboardLauncher(nullptr);
}

// ---- Session

platform::Ref<platform::Object> QuorvelRoles::localUser() { return QuorvelInternal::localUser(); }

bool QuorvelRoles::isOnline() { return Quorvel::isOnline(); }

std::string QuorvelRoles::clientApplicationId() { return QuorvelInternal::clientApplicationId(); }
std::string QuorvelRoles::lastLoggedInUserId() { return Quorvel::lastLoggedInUserId(); }
std::string QuorvelRoles::applicationDisplayName() { return QuorvelInternal::applicationDisplayName(); }
std::string QuorvelRoles::applicationShortDisplayName() { return QuorvelInternal::applicationShortDisplayName(); }

// The main screen decides, as the kit's default does.
bool QuorvelRoles::isLargeScreen() { return QVDashboardRole::isLargeScreen(); }
bool QuorvelRoles::isInLandscapeMode() { return QVDashboardRole::isInLandscapeMode(); }

platform::Ref<platform::Object> QuorvelRoles::localGameProfileInfo()
{
    return platform::Ref<platform::Object>(QuorvelInternal::localGameProfileInfo().get());
}

platform::Date QuorvelRoles::lastAnnouncementDateForLocalUser() { return QuorvelInternal::lastAnnouncementDateForLocalUser(); }

void QuorvelRoles::setLastAnnouncementDateForLocalUser(platform::Date date)
{
    QuorvelInternal::setLastAnnouncementDateForLocalUser(date);
}

void QuorvelRoles::postUnreadAnnouncementCountChangedTo(int count)
{
    QuorvelInternal::postUnreadAnnouncementCountChangedTo(count);
}

std::string QuorvelRoles::suggestionsForumId()
{
    platform::Value id = QuorvelInternal::suggestionsForumId();
    return id.isNil() ? std::string() : id.asString();
}

// ---- The dashboard as the kit sees it

platform::ui::InterfaceOrientation QuorvelRoles::getDashboardOrientation()
{
    return static_cast<platform::ui::InterfaceOrientation>(Quorvel::getDashboardOrientation());
}

// The client turns a phone's dashboard with the game (its root view is turned
// for it): in landscape the screens are as wide as the phone is tall.
platform::Rect QuorvelRoles::getDashboardBounds()
{
    platform::Rect bounds = QVDashboardRole::getDashboardBounds();
    if (!isLargeScreen() && platform::ui::isLandscape(getDashboardOrientation()))
        std::swap(bounds.size.width, bounds.size.height);
    return bounds;
}

platform::ui::ViewController* QuorvelRoles::getRootController() { return QuorvelInternal::getRootController(); }

platform::ui::View* QuorvelRoles::getTopLevelView() { return QuorvelInternal::getTopLevelView(); }

void QuorvelRoles::switchToOfflineDashboard() { QuorvelInternal::switchToOfflineDashboard(); }

void QuorvelRoles::dismissDashboard() { Quorvel::dismissDashboard(); }

void QuorvelRoles::animationDidStop(bool finished) { QuorvelInternal::animationDidStop(finished); }

std::string QuorvelRoles::initialDashboardModalContentURL()
{
    return QuorvelInternal::initialDashboardModalContentURL().asString();
}

void QuorvelRoles::setInitialDashboardModalContentURL(const std::string& url)
{
    QuorvelInternal::setInitialDashboardModalContentURL(url.empty() ? platform::Value() : platform::Value(url));
}

void QuorvelRoles::presentRootControllerWithModal(platform::ui::ViewController* screen)
{
    QuorvelInternal::presentRootControllerWithModal(platform::Ref<platform::ui::ViewController>(screen));
}

void QuorvelRoles::dismissRootControllerOrItsModal() { QuorvelInternal::dismissRootControllerOrItsModal(); }

void QuorvelRoles::allowErrorScreens(bool allow) { QuorvelInternal::allowErrorScreens(allow); }

// ---- Session and request UI

bool QuorvelRoles::areErrorScreensAllowed()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mAllowErrorScreens;
}

bool QuorvelRoles::hasUserApprovedQuorvel() { return QuorvelInternal::_hasUserApprovedQuorvel(); }

bool QuorvelRoles::isQuorvelDisabled() { return QuorvelInternal::isDisabled(); }

std::string QuorvelRoles::sessionId() { return QuorvelInternal::sessionId(); }

QVProvider* QuorvelRoles::provider() { return QuorvelInternal::provider(); }

void QuorvelRoles::writeBootstrapParameters(QVHttpNestedQueryStringWriter& params)
{
    QuorvelInternal::getUserStatsParams(params);
    QVOfflineService::getBootstrapCallParams(params, QuorvelInternal::bootstrapUserId());
}

void QuorvelRoles::synchronizeOfflineData(const QVBootstrap& answer) { QVOfflineService::syncOfflineData(answer); }

void QuorvelRoles::applyBootstrap(const QVBootstrap& a, QVProvider& provider)
{
    // The answer's settings, in the order the rest of the client expects them.
    QuorvelInternal::storePollingFrequencyDefault(static_cast<int>(a.pollingFrequencyDefault));
    QuorvelInternal::storePollingFrequencyInChat(static_cast<int>(a.pollingFrequencyInChat));
    provider.setAccessToken(a.accessToken, a.accessTokenSecret);
    QuorvelInternal::setLoggedInUserHasSetName(a.userHasSetName);
    QuorvelInternal::setLoggedInUserHasChatEnabled(a.userChatEnabled);
    QuorvelInternal::setLoggedInUserHadFriendsOnBootup(a.userHadFriendsOnBootup);
    QuorvelInternal::setLoggedInUserHasHttpBasicCredential(a.hasHttpBasicCredential);
    QuorvelInternal::setLoggedInUserHasFbconnectCredential(a.hasFbconnectCredential);
    QuorvelInternal::setLoggedInUserHasTwitterCredential(a.hasTwitterCredential);
    QuorvelInternal::setLoggedInUserHasNonDeviceCredential(a.hasNonDeviceCredential());
    QuorvelInternal::setLoggedInUserIsNewUser(a.isNewUser);
    // The game's profile first: the answer's own game id wins over the profile's.
    if (const QVXmlElement* profile = a.gameProfileElement())
        QuorvelInternal::setLocalGameProfileInfoFromXml(*profile);
    QuorvelInternal::setClientApplicationId(a.clientApplicationId);
    QuorvelInternal::setClientApplicationIconUrl(a.clientApplicationIconUrl);
    QuorvelInternal::setUnviewedChallengesCount(a.unviewedChallengesCount);
    QuorvelInternal::setPendingFriendsCount(a.pendingFriendsCount);
    if (const QVXmlElement* userElement = a.userElement()) {
        QVResourceNameMap names;
        platform::Ref<QVUser> user = QVUser::create();
        user->populateFromXml(*userElement, names);
        if (!user->userId().empty())
            QuorvelInternal::setLocalUser(user.get());
        else
            platform::logWarning("Quorvel: the bootstrap's player has no id; the local user is kept");
    }
    QuorvelInternal::setSuggestionsForumId(a.suggestionsForumId.empty() ? platform::Value() : platform::Value(a.suggestionsForumId));
    QuorvelInternal::setInitialDashboardScreen(a.initialDashboardScreen);
    QuorvelInternal::setInitialDashboardModalContentURL(a.initialDashboardModalContentUrl.empty()
                                                    ? platform::Value()
                                                    : platform::Value(a.initialDashboardModalContentUrl));
    QuorvelInternal::setLoggedInUserSharesOnlineStatus(a.userSharesOnlineStatus);
    QuorvelInternal::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(a.unreadImCount, a.unreadPostCount,
                                                                    a.unreadInviteCount);
    QuorvelInternal::setUserDistanceUnit(a.userDistanceUnit());
}

void QuorvelRoles::notifyAddOnsUserLoggedIn() { QuorvelInternal::notifyAddOnsUserLoggedIn(); }

void QuorvelRoles::notifyAddOnsUserLoggedOut() { QuorvelInternal::notifyAddOnsUserLoggedOut(); }

std::optional<std::pair<double, double>> QuorvelRoles::userLocation()
{
    if (platform::ui::Location* location = QuorvelInternal::getUserLocation())
        return std::make_pair(location->coordinate().latitude, location->coordinate().longitude);
    return std::nullopt;
}

bool QuorvelRoles::isShowingFullScreen() { return QuorvelInternal::isShowingFullScreen(); }

void QuorvelRoles::displayErrorMessage(const std::string& message) { QuorvelInternal::displayErrorMessage(message); }

void QuorvelRoles::displayUpgradeRequiredErrorMessage(const platform::Bytes& body)
{
    QuorvelInternal::displayUpgradeRequiredErrorMessage(body);
}

void QuorvelRoles::displayServerMaintenanceNotice(const platform::Bytes& body)
{
    QuorvelInternal::displayServerMaintenanceNotice(body);
}

void QuorvelRoles::launchLoginFlowForRequest(QVActionRequest& request)
{
    QuorvelInternal::launchLoginFlowForRequest(&request);
}

void QuorvelRoles::launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request,
                                                                    const platform::Bytes& body,
                                                                    platform::Object* noticeUserData)
{
    QuorvelInternal::launchGetExtendedCredentialsFlowForRequest(request, body, noticeUserData);
}

void QuorvelRoles::showDefaultNotice() { QuorvelInternal::showDefaultNotice(); }

void QuorvelRoles::showBackgroundNotice(const BackgroundNotice& notice) { QuorvelInternal::showBackgroundNotice(notice); }

void QuorvelRoles::setDefaultBackgroundNotice(const BackgroundNotice& notice)
{
    QuorvelInternal::setDefaultBackgroundNotice(notice);
}

// ---- Game Center

bool QuorvelRoles::isLoggedIntoGameCenter() { return QuorvelInternal::isLoggedIntoGameCenter(); }

std::optional<std::string> QuorvelRoles::gameCenterLeaderboardCategory(const std::string& leaderboardId)
{
    return QuorvelInternal::getGameCenterLeaderboardCategory(leaderboardId);
}

platform::Date QuorvelRoles::submitScoreToGameCenter(int64_t score, const std::string& category,
                                                           std::function<void(bool failed)> completion)
{
    return QuorvelInternal::submitScoreToGameCenter(score, category,
                                            [completion = std::move(completion)](const platform::gamekit::OptionalError& e) {
                                                if (completion)
                                                    completion(e.has_value());
                                            });
}

bool QuorvelRoles::isSynchedWithGameCenterLeaderboards() { return QuorvelInternal::isSynchedWithGameCenterLeaderboards(); }

void QuorvelRoles::setSynchWithGameCenterLeaderboards(bool synched)
{
    QuorvelInternal::setSynchWithGameCenterLeaderboards(synched);
}

std::optional<std::string> QuorvelRoles::gameCenterAchievementId(const std::string& achievementId)
{
    return QuorvelInternal::getGameCenterAchievementId(achievementId);
}

void QuorvelRoles::submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                                       std::function<void(bool failed)> completion)
{
    QuorvelInternal::submitAchievementToGameCenter(identifier, percentComplete,
                                           [completion = std::move(completion)](const platform::gamekit::OptionalError& e) {
                                               if (completion)
                                                   completion(e.has_value());
                                           });
}

bool QuorvelRoles::isSynchedWithGameCenterAchievements() { return QuorvelInternal::isSynchedWithGameCenterAchievements(); }

void QuorvelRoles::setSynchWithGameCenterAchievements(bool synched)
{
    QuorvelInternal::setSynchWithGameCenterAchievements(synched);
}

void QuorvelRoles::showAchievementNotice(platform::Object* achievement, double percentComplete)
{
    auto* record = dynamic_cast<QVAchievement*>(achievement);
    platform::Ref<QVUnlockedAchievementNotificationData> data =
        record ? QVUnlockedAchievementNotificationData::dataWithAchievementFields(
                     record, record->title().value_or(""), static_cast<int>(record->gamerscore()),
                     record->resourceId(), record->iconUrl(), percentComplete)
               : QVUnlockedAchievementNotificationData::dataWithAchievementFields(nullptr, {}, 0, {}, {}, percentComplete);
    QVNotification::sharedInstance().showAchievementNotice(data.get());
}

void QuorvelRoles::setLocalUser(platform::Object* user)
{
    if (auto* u = dynamic_cast<QVUser*>(user))
        QuorvelInternal::setLocalUser(u);
}

void QuorvelRoles::showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names)
{
    platform::Ref<QVServerNotification> notification = QVServerNotification::create();
    notification->populateFromXml(element, names);
    QVNotification::sharedInstance().showServerNotification(notification.get());
}

void QuorvelRoles::showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object* notice)
{
    QVNotification::sharedInstance().showBackgroundNoticeForLoader(request, dynamic_cast<QVNotificationData*>(notice));
}

platform::Ref<platform::Object> QuorvelRoles::foregroundNotice(const std::string& text)
{
    return QVNotificationData::foreGroundDataWithText(text);
}

platform::Ref<platform::Object> QuorvelRoles::categorizedNotice(const std::string& text, int category, int type)
{
    return QVNotificationData::dataWithText(text, category, type);
}

bool QuorvelRoles::addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QuorvelInternal::addBootstrapDelegates(onSuccess, onFailure);
    return true;
}

void QuorvelRoles::setLocalGameProfileInfo(const QVXmlElement& element) { QuorvelInternal::setLocalGameProfileInfoFromXml(element); }

bool QuorvelRoles::userHasRememberedChoiceForNotifications() { return QuorvelInternal::userHasRememberedChoiceForNotifications(); }

bool QuorvelRoles::userAllowsNotifications() { return QuorvelInternal::userAllowsNotifications(); }

void QuorvelRoles::clearPollingCacheForClassType(const QVResourceClass& resourceClass)
{
    QuorvelInternal::clearPollingCacheForClassType(resourceClass);
}

void QuorvelRoles::forceImmediatePoll() { QuorvelInternal::forceImmediatePoll(); }

platform::Ref<platform::Object> QuorvelRoles::publishedEventNotice(const std::string& text, platform::Object* post)
{
    platform::Ref<QVNotificationData> notice = QVNotificationData::dataWithText(text, 7, 1);
    notice->setNotificationUserData(post);
    return platform::Ref<platform::Object>(notice.get());
}

// ---- Screens the services open

namespace {

// Closes a challenge screen that has no way out of its own.
class ChallengeScreenCloser : public platform::Object {
public:
    void cancel() { QuorvelInternal::dismissRootController(); }
};

} // namespace

// A challenge screen of the dashboard, framed over the game with a close button.
bool QuorvelRoles::presentChallengeScreen(const QVChallengeScreen& values)
{
    platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load(values.controllerName);
    if (!screen) {
        platform::log("Quorvel: no challenge screens to present %s", values.controllerName.c_str());
        return false;
    }
    requireCast<QVChallengeScreenController>(screen, "A challenge screen must take its values")->setChallengeScreen(values);
    if (!values.title.empty())
        screen->setTitle(values.title);
    if (auto* selfClosing = dynamic_cast<QVSelfClosingChallengeScreen*>(screen.get())) {
        selfClosing->addCloseButtonCallingCancel();
    } else {
        static platform::Object* closer = new ChallengeScreenCloser;
        QVNavigationController::addCloseButtonToViewController(screen.get(), closer,
                                                               BRISKO_SELECTOR(ChallengeScreenCloser, cancel));
    }
    platform::Ref<platform::ui::ViewController> frame = QVControllerLoader::load("FramedNavigation");
    if (!frame)
        return false;
    auto* navigation = requireCast<platform::ui::NavigationController>(frame, "The framed navigation must be a stack");
    navigation->setViewControllers({ screen }, false);
    QuorvelInternal::presentRootControllerWithModal(frame);
    return true;
}

void QuorvelRoles::showChallengeDetail(const std::string& challengeId)
{
    platform::Ref<platform::ui::ViewController> list = QVControllerLoader::load("ChallengeList");
    platform::Ref<platform::ui::ViewController> detail = QVControllerLoader::load("ChallengeDetail");
    if (detail)
        requireCast<QVChallengeDetailSetup>(detail, "The challenge detail must take its challenge")->setChallengeId(challengeId);
    std::vector<platform::Ref<platform::ui::ViewController>> controllers;
    for (auto& c : { list, detail })
        if (c)
            controllers.push_back(c);
    QVNotification::launchDashboard("GameProfile", controllers);
}

void QuorvelRoles::showChallengeNotice(QVChallengeToUser* received)
{
    QVChallenge* challenge = received->challenge();
    QVChallengeDefinition* definition = challenge ? challenge->challengeDefinition() : nullptr;
    QVNotification::sharedInstance().showChallengeNotice(
        QVReceivedChallengeNotificationData::dataWithChallengeToUser(
            received, challenge ? challenge->challenger() : nullptr, definition ? definition->iconUrl() : "")
            .get());
}

// Without a "SocialNotification" screen nothing can be asked, so nothing is posted.
bool QuorvelRoles::requestNotificationPermission(QVSocialNotification* notification,
                                                 const std::vector<platform::Ref<QVUsersCredential>>& credentials)
{
    platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load("SocialNotification");
    if (!screen)
        return false;
    requireCast<QVSocialNotificationPrompt>(screen, "The permission screen must take the post")
        ->setSocialNotification(notification, credentials);
    // The game stays visible behind the question: no dark shade.
    QuorvelInternal::presentModalOverlay(screen, false);
    return true;
}

// The invite flow belongs to the dashboard, which opens it.
bool QuorvelRoles::presentSendInviteScreen(const std::string& inviteIdentifier)
{
    platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load("SelectInviteType");
    if (!screen) {
        platform::log("Quorvel: no invite screens to present");
        return false;
    }
    requireCast<QVSendInviteScreen>(screen, "The invite screen must open the flow")->openAsModalForInvite(inviteIdentifier);
    return true;
}

// Settings entries open their screens through the kit's loader, by name.
platform::Ref<platform::ui::ViewController> QuorvelRoles::loadScreen(const std::string& name)
{
    return QVControllerLoader::load(name);
}

} // namespace quorvel
