// The high-score list with its time-scope tabs, Game Center merge, offline
// scores and attached-data download.
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/dashboard/scores/QVHighScoreMapViewController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelGameCenter.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVTabbedPageHeaderController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

QV_REGISTER_CLASS(QVHighScoreController);

namespace {

bool isOnline() { return QuorvelInternal::sessionRole().isOnline(); }

std::string resourceIdOf(Object* user)
{
    auto* u = dynamic_cast<QVUser*>(user);
    return u ? u->resourceId() : std::string();
}

} // namespace

// ---- High-score list: set-up

QVHighScoreController::~QVHighScoreController()
{
    // The Game Center observer goes with the screen, not only with its view.
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void QVHighScoreController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVHighScore>("HighScore");
}

QVService* QVHighScoreController::getService() { return QVHighScoreService::sharedService(); }

bool QVHighScoreController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setLeaderboard") {
        setLeaderboard(dynamic_cast<QVLeaderboard*>(value));
        return true;
    }
    if (setterName == "setGameProfileInfo") {
        setGameProfileInfo(dynamic_cast<QVGameProfilePageInfo*>(value));
        return true;
    }
    return QVTableSequenceControllerHelper::performSetter(setterName, value);
}

void QVHighScoreController::viewDidLoad()
{
    QVTableSequenceControllerHelper::viewDidLoad();
    timeScope_ = 2;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, QuorvelGameCenter::kScoresLoaded);
    center.addObserver(this, QuorvelGameCenter::kScoresLoaded,
                       [this](const platform::Notification&) { gameCenterScoresLoaded(); });
}

void QVHighScoreController::viewDidUnload()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    QVTableSequenceControllerHelper::viewDidUnload();
}

void QVHighScoreController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    setTitle(leaderboardName());
    QuorvelInternal::gameCenter().loadGameCenterScores(leaderboardId());
    if (isOnline()) {
        // The first load shows the same empty text as a tab's load would.
        if (noDataFoundMessage_.empty())
            noDataFoundMessage_ = "No one has posted high scores for " + leaderboardName() + " yet.";
        if (QuorvelInternal::options().userDistanceUnit() != QVDistanceUnit::LocationOff && QuorvelInternal::sessionRole().userLocation()) {
            Ref<BarButtonItem> map = BarButtonItem::withImage(QVLoadKitImage("QVMapButton.png").get(),
                                                              BarButtonItem::Style::Plain, this,
                                                              BRISKO_SELECTOR(QVHighScoreController, _mapPressed));
            navigationItem()->setRightBarButtonItem(map.get());
        }
    } else {
        noDataFoundMessage_ = "All of your high scores for " + leaderboardName()
            + " will show up here. You have not posted any yet.";
    }
}

void QVHighScoreController::onTableHeaderCreated(ViewController* header)
{
    auto* tabs = dynamic_cast<QVTabbedPageHeaderController*>(header);
    if (!tabs)
        return;
    tabs->setCallbackTarget(this);
    if (isOnline()) {
        if (!QuorvelInternal::dashboardRole().isInLandscapeMode() && tabs->tabBar()) {
            tabs->tabBar()->textAlignment = platform::TextAlignment::Left;
            tabs->tabBar()->labelPadding = platform::Rect(28, 0, 0, 0);
        }
        tabs->addTab("All Time", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVHighScoreController, setTimeScopingAll)));
        tabs->addTab("Today", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVHighScoreController, setTimeScopingDay)));
        tabs->addTab("This week", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVHighScoreController, setTimeScopingWeek)));
    } else {
        tabs->addTab("My Scores", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVHighScoreController, nullyMethod)));
    }
}

// ---- High-score list: loads

void QVHighScoreController::_setTimeScoping(unsigned scope)
{
    noDataFoundMessage_ = "No one has posted high scores for " + leaderboardName() + " yet.";
    showLoadingScreen();
    timeScope_ = scope;
    doIndexActionOnSuccess(getOnSuccessDelegate(), getOnFailureDelegate());
}

void QVHighScoreController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (!isOnline()) {
        QVHighScoreService::getLocalHighScores(leaderboardId(), onSuccess, onFailure);
        return;
    }
    if (loadingInProcess_)
        return; // the outstanding load answers, and is repeated when its scope is no longer shown
    _startLoad();
}

void QVHighScoreController::_startLoad()
{
    friendResources_ = nullptr;
    globalResources_ = nullptr;
    ++loadNumber_;
    loadScope_ = timeScope_;
    Ref<platform::Boxed> load = platform::Boxed::number(loadNumber_);
    std::string compared = resourceIdOf(getPageComparisonUser());
    unsigned days = static_cast<unsigned>(kDaysForTimeScope[loadScope_ < 3 ? loadScope_ : 2]);
    loadingInProcess_ = true;
    QVHighScoreService::getPage(1, leaderboardId(), compared, true, false, days,
                                QVDelegate(this, BRISKO_SELECTOR(QVHighScoreController, onFriendsLoadSuccess), load.get()),
                                QVDelegate(this, BRISKO_SELECTOR(QVHighScoreController, onLoadFailed), load.get()));
    QVHighScoreService::getPage(1, leaderboardId(), compared, false, false, days,
                                QVDelegate(this, BRISKO_SELECTOR(QVHighScoreController, onGlobalLoadSuccess), load.get()),
                                QVDelegate(this, BRISKO_SELECTOR(QVHighScoreController, onLoadFailed), load.get()));
}

bool QVHighScoreController::_isCurrentLoad(Object* load) const
{
    auto* number = dynamic_cast<platform::Boxed*>(load);
    return loadingInProcess_ && number && number->value().asInteger() == static_cast<int64_t>(loadNumber_);
}

void QVHighScoreController::onFriendsLoadSuccess(Object* series, Object* load)
{
    if (!_isCurrentLoad(load))
        return;
    friendResources_ = requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series");
    checkLoadFinished();
}

void QVHighScoreController::onGlobalLoadSuccess(Object* series, Object* load)
{
    if (!_isCurrentLoad(load))
        return;
    globalResources_ = requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series");
    checkLoadFinished();
}

void QVHighScoreController::onLoadFailed(Object*, Object* load)
{
    if (!_isCurrentLoad(load))
        return;
    hideLoadingScreen();
    loadingInProcess_ = false;
    friendResources_ = nullptr;
    globalResources_ = nullptr;
}

void QVHighScoreController::gameCenterScoresLoaded() { checkLoadFinished(); }

void QVHighScoreController::checkLoadFinished()
{
    if (!loadingInProcess_ || !friendResources_ || !globalResources_)
        return;
    if (!QuorvelInternal::gameCenter().isGameCenterScoreLoadedForLeaderboardId(leaderboardId(), static_cast<int>(loadScope_)))
        return;
    loadingInProcess_ = false;
    if (loadScope_ != timeScope_) {
        // Another tab was chosen while this load ran: load what is shown now.
        _startLoad();
        return;
    }
    hideLoadingScreen();
    Ref<QVPaginatedSeries> combined = QuorvelInternal::gameCenter().combinedGameCenterForLeaderboardId(
        leaderboardId(), static_cast<int>(timeScope_), *globalResources_, friendResources_.get());
    _onDataLoadedWrapperIsIncremental(combined.get(), false);
}

// ---- High-score list: taps, map and attached data

void QVHighScoreController::onCellWasClicked(Object* resource, IndexPath indexPath)
{
    auto* score = dynamic_cast<QVHighScore*>(resource);
    if (!score || !isOnline())
        return;
    if (score->user()) {
        QVDashboardSwitch::showProfileForUser(score->user().get());
        return;
    }
    tableView()->deselectRowAtIndexPath(indexPath, false);
}

void QVHighScoreController::clickedMap()
{
    Ref<ViewController> map = QVControllerLoader::load("Mapping");
    if (!map)
        return;
    auto* scores = requireCast<QVHighScoreMapViewController>(map, "The map must take its leaderboard");
    scores->setLeaderboard(leaderboardId());
    scores->getScores();
    if (NavigationController* nav = navigationController())
        nav->pushViewController(map.get(), true);
}

void QVHighScoreController::downloadBlobForHighScore(QVHighScore* score)
{
    if (!score || !score->hasBlob())
        return;
    showLoadingScreen();
    // A blob already held is handed over at once; another is fetched from the storage host.
    QVHighScoreService::downloadBlobForHighScore(
        score, QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVHighScoreController, onBlobDownloadedForHighScore))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVHighScoreController, onBlobFailedDownloading))));
}

void QVHighScoreController::onBlobDownloadedForHighScore(Object* answer)
{
    hideLoadingScreen();
    auto* score = dynamic_cast<QVHighScore*>(answer);
    QuorvelDelegate* delegate = QuorvelInternal::sessionRole().getDelegate();
    if (score && delegate && score->blob())
        QuorvelInternal::sessionRole().callGame([&] { delegate->userDownloadedBlob(*score->blob(), score); });
}

void QVHighScoreController::onBlobFailedDownloading(Object*)
{
    hideLoadingScreen();
    AlertView::alert("Error!", "There was a problem downloading the data for this high score. Please try again later.",
                     nullptr, "OK")
        ->show();
}

} // namespace quorvel
