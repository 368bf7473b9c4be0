// The game's page: its profile download, the counts on its buttons and tab,
// and the screens its buttons open. Its interface and the button layout by
// offer, orientation and offline state are in QVGameProfileLayout.cpp.
#include "social/dashboard/games/QVGameProfileController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVNavigationController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using platform::Size;

QV_REGISTER_CLASS(QVGameProfileController);

namespace {

bool forumWarningShown = false;

bool isOnline() { return QuorvelInternal::sessionRole().isOnline(); }

} // namespace

void QVGameProfileController::resetForumWarning() { forumWarningShown = false; }

QVGameProfileController::~QVGameProfileController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

Ref<ViewController> QVGameProfileController::showGameProfileWithClientApplicationId(const std::string& clientApplicationId,
                                                                                QVUser* compareToUser)
{
    return QVDashboardSwitch::showGameProfile(clientApplicationId, compareToUser);
}

Ref<ViewController> QVGameProfileController::showGameProfileWithLocalApplication()
{
    return QVDashboardSwitch::showGameProfile(QuorvelInternal::sessionRole().clientApplicationId());
}

void QVGameProfileController::showGame(const std::string& clientApplicationId, bool withNavBar)
{
    setClientApplicationId(clientApplicationId);
    view();
    if (withNavBar && buttonPanel_)
        buttonPanel_->setWithNavBar(true);
}

bool QVGameProfileController::performSetter(const std::string& setterName, Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    if (setterName == "setClientApplicationId") {
        setClientApplicationId(boxed ? boxed->value().asString() : std::string());
    } else if (setterName == "setWithNavBar") {
        if (buttonPanel_)
            buttonPanel_->setWithNavBar(boxed && boxed->value().asBool());
    } else {
        return QVViewController::performSetter(setterName, value);
    }
    return true;
}

bool QVGameProfileController::isBannerAvailableNow()
{
    NavigationController* nav = navigationController();
    return nav && nav->viewControllers().size() < 2;
}

// ---- Download

bool QVGameProfileController::isRunningGameProfile() const
{
    if (!gameProfileInfo_)
        return false;
    Ref<QVGameProfilePageInfo> local = QuorvelInternal::sessionRole().localGameProfileInfo();
    return local && local->resourceId() == gameProfileInfo_->resourceId();
}

void QVGameProfileController::_downloadGameProfileInfo()
{
    if (!clientApplicationId_.empty() && clientApplicationId_ != QuorvelInternal::sessionRole().clientApplicationId())
        showLoadingScreen();
    QVClientApplicationService::getGameProfilePageInfo(
        clientApplicationId_,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _downloadedGameProfile))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _failedDownloadingGameProfile))));
}

void QVGameProfileController::_downloadedGameProfile(Object* answer)
{
    hideLoadingScreen();
    gameProfileInfo_ = dynamic_cast<QVGameProfilePageInfo*>(requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->objectAtIndex(0));
    if (gameProfileInfo_) {
        QVDashboardSwitch::changeGameContext(navigationController(), gameProfileInfo_.get());
        if (!gameProfileInfo_->shortName().empty())
            setTitle(gameProfileInfo_->shortName());
    }
    _refreshView();
}

void QVGameProfileController::_failedDownloadingGameProfile(Object*)
{
    hideLoadingScreen();
    gameProfileInfo_ = nullptr;
    _refreshView();
}

void QVGameProfileController::viewDidAppear(bool animated)
{
    if (!gameProfileInfo_)
        _downloadGameProfileInfo();
    bool online = isOnline();
    if (online && wasOfflineLastRefresh_)
        platform::RunLoop::main().performAfter(0, [] { QVDashboardSwitch::switchToOnlineDashboard(); });
    else if (!online && !wasOfflineLastRefresh_)
        platform::RunLoop::main().performAfter(0, [] { QVDashboardSwitch::switchToOfflineDashboard(); });
    QVViewController::viewDidAppear(animated);
}

void QVGameProfileController::profileUsersChanged(QVUser*, QVUser*) { _downloadGameProfileInfo(); }

// ---- Buttons

Ref<ViewController> QVGameProfileController::pushControllerByName(const std::string& name)
{
    Ref<ViewController> controller = QVControllerLoader::load(name);
    if (controller)
        pushController(controller.get());
    return controller;
}

void QVGameProfileController::pushController(ViewController* controller)
{
    QVFeatureScreens::setUpForGame(controller, gameProfileInfo_.get());
    if (NavigationController* nav = navigationController())
        nav->pushViewController(controller, true);
}

void QVGameProfileController::pressedLeaderboards() { pushControllerByName("Leaderboard"); }

void QVGameProfileController::pressedAchievements()
{
    Ref<ViewController> controller = pushControllerByName("AchievementList");
    if (auto* list = dynamic_cast<QVAchievementListScreen*>(controller.get()))
        list->postPushAchievementListController();
}

void QVGameProfileController::pressedChallenges() { pushControllerByName("ChallengeList"); }
void QVGameProfileController::pressedFanClub() { pushControllerByName("FanClub"); }
void QVGameProfileController::pressedWhosPlaying() { pushControllerByName("WhosPlaying"); }

void QVGameProfileController::pressedDiscussions()
{
    if (!forumWarningShown) {
        forumWarningShown = true;
        AlertView::alert("", kForumWarning, nullptr, "Ok")->show();
    }
    pushControllerByName("ForumTopicList");
}

void QVGameProfileController::pressedEnableQuorvel()
{
    showLoadingScreen();
    awaitingLogin_ = true;
    QuorvelInternal::login().addBootstrapDelegates(
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _switchToOnlineMode))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _stayInOfflineMode))));
    // An approval given earlier is answered at once and shows no screen, so no
    // account flow would start the bootstrap: start it here, or the loading
    // screen would stay up for good.
    bool alreadyApproved = QuorvelInternal::sessionRole().hasUserApprovedQuorvel();
    // Approved now, the account screens come and their end is heard (an approval given earlier is
    // answered at once, before the login below).
    QVDelegate accountScreensEnded = alreadyApproved
        ? QVDelegate()
        : QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _accountFlowEnded)));
    QuorvelInternal::login().presentUserQuorvelApprovalModal(
        accountScreensEnded, QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _hideLoading))));
    if (alreadyApproved)
        QuorvelInternal::login().doBootstrap(QVDelegate(), QVDelegate());
}

void QVGameProfileController::_switchToOnlineMode(Object*)
{
    awaitingLogin_ = false;
    QVDashboardSwitch::switchToOnlineDashboard();
    _downloadGameProfileInfo();
}

void QVGameProfileController::_accountFlowEnded(Object*)
{
    // The account screens ended without a login to wait for (the service out
    // of reach, the player skipped): nothing would take the loading screen down.
    // A login kept from before (the player declined while logged in) is not
    // the one the page waits for.
    if (awaitingLogin_ && !QuorvelInternal::login().isBootstrapInProgress())
        _stayInOfflineMode(nullptr);
}

void QVGameProfileController::_stayInOfflineMode(Object*)
{
    awaitingLogin_ = false;
    hideLoadingScreen();
    _refreshView();
}

// ---- Counts

void QVGameProfileController::registerForBadgeNotifications()
{
    registeredForBadges_ = true;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, Quorvel::kUnviewedChallengeCountChanged, [this](const platform::Notification& n) {
        _unviewedChallengesChanged(static_cast<unsigned>(n.userInfo[Quorvel::kInfoUnviewedChallengeCount].asInteger()));
    });
    center.addObserver(this, Quorvel::kUnreadAnnouncementCountChanged, [this](const platform::Notification& n) {
        _unreadAnnouncementsChanged(static_cast<unsigned>(n.userInfo[Quorvel::kInfoUnreadAnnouncementCount].asInteger()));
    });
}

void QVGameProfileController::_unviewedChallengesChanged(unsigned count)
{
    if (!gameProfileInfo_ || !gameProfileInfo_->hasChallenges())
        return;
    if (challengesButton_)
        challengesButton_->setBadgeNumber(static_cast<int>(count));
    // The tab counts both, as the client counts them (a button may not show its count yet).
    setBadgeValue(std::to_string(count + QVAnnouncementService::unreadAnnouncements()));
}

void QVGameProfileController::_unreadAnnouncementsChanged(unsigned count)
{
    QVBadgeButton* fanClub = usingLongButtons_ ? fanClubLongButton_.get() : fanClubButton_.get();
    if (fanClub)
        fanClub->setBadgeNumber(static_cast<int>(count));
    const int challenges = QuorvelInternal::options().unviewedChallengesCount();
    setBadgeValue(std::to_string(static_cast<unsigned>(challenges > 0 ? challenges : 0) + count));
}

} // namespace quorvel
