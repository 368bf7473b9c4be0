// The games list: its requests by scope, the banner taken out of a discovery
// page, what a row opens, and shake to shuffle.
#include "social/dashboard/games/QVPlayedGameController.h"

#include "platform/device/Accelerometer.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/games/QVApplicationDescriptionController.h"
#include "social/dashboard/games/QVDiscoveryBannerCells.h"
#include "social/dashboard/games/QVGameDiscoveryNewsItemController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/services/QVPlayedGame.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTabbedPageHeaderController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

namespace {

QVUser* contextUserOf(const QVTableControllerHelper* list)
{
    return dynamic_cast<QVUser*>(list->getPageContextUser());
}

Ref<QVPlayedGameController> newDiscoveryList(const std::string& pageName, const std::string& title)
{
    Ref<ViewController> loaded = QVControllerLoader::load("PlayedGame");
    auto list = Ref<QVPlayedGameController>(
        loaded ? requireCast<QVPlayedGameController>(loaded, "The games list must take its page") : nullptr);
    if (!list)
        return nullptr;
    list->setTargetDiscoveryPageName(pageName);
    list->setTitle(title);
    return list;
}

} // namespace

QV_REGISTER_CLASS(QVPlayedGameController);

QVPlayedGameController::~QVPlayedGameController()
{
    if (shakeRestTimer_)
        shakeRestTimer_->invalidate();
    // Never leave the shared accelerometer talking to a freed list.
    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    if (accelerometer.delegate() == this) {
        accelerometer.setDelegate(tookAccelerometer_ ? defaultDelegate_.get() : nullptr);
        if (tookAccelerometer_)
            accelerometer.setUpdateInterval(defaultUpdateInterval_);
    }
}

void QVPlayedGameController::setTargetDiscoveryPageName(const std::string& name)
{
    targetDiscoveryPageName_ = name;
    scope_ = kScopeDiscovery;
}

void QVPlayedGameController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVPlayedGame>("PlayedGame");
    map.addResource<QVGameDiscoveryImageHyperlink>("GameDiscoveryImageHyperlink");
    map.addResource<QVGameDiscoveryCategory>("GameDiscoveryCategory");
    map.addResource<QVGameDiscoveryNewsItem>("GameDiscoveryNewsItem");
}

void QVPlayedGameController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                   const QVDelegate& onFailure)
{
    const int p = static_cast<int>(page);
    if (scope_ == kScopeFriends) {
        QVClientApplicationService::getPlayedGamesForLocalUsersFriends(p, onSuccess, onFailure);
        return;
    }
    if (scope_ == kScopeDiscovery) {
        QVGameDiscoveryService::getDiscoveryPageNamed(targetDiscoveryPageName_, p, onSuccess, onFailure);
        return;
    }
    QVUser* user = contextUserOf(this);
    Ref<QVUser> local = user ? Ref<QVUser>() : QuorvelInternal::sessionRole().localUser();
    const std::string userId = user ? user->resourceId() : (local ? local->resourceId() : std::string());
    if (inFavoriteTab_)
        QVClientApplicationService::getFavoriteGamesForUser(userId, p, kGamesPerPage, onSuccess, onFailure);
    else
        QVClientApplicationService::getPlayedGamesForUser(userId, p, kGamesPerPage, onSuccess, onFailure);
}

void QVPlayedGameController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

QVService* QVPlayedGameController::getService() { return QVClientApplicationService::sharedService(); }

std::optional<std::string> QVPlayedGameController::getTableHeaderControllerName()
{
    if (scope_ == kScopeUser)
        return std::string("TabbedPageHeader");
    return std::nullopt;
}

void QVPlayedGameController::onTableHeaderCreated(ViewController* header)
{
    auto* tabs = dynamic_cast<QVTabbedPageHeaderController*>(header);
    if (!tabs)
        return;
    tabs->setCallbackTarget(this);
    tabs->addTab("All Games", BRISKO_SELECTOR(QVPlayedGameController, onAllGamesSelected));
    tabs->addTab("Favorite Games", BRISKO_SELECTOR(QVPlayedGameController, onFavoriteGamesSelected));
}

void QVPlayedGameController::onAllGamesSelected()
{
    inFavoriteTab_ = false;
    reloadDataFromServer();
}

void QVPlayedGameController::onFavoriteGamesSelected()
{
    inFavoriteTab_ = true;
    reloadDataFromServer();
}

std::optional<std::string> QVPlayedGameController::getLeadingCellControllerNameForSection(int)
{
    if (scope_ == kScopeDiscovery)
        return std::nullopt;
    return std::string("DefaultLeading");
}

void QVPlayedGameController::onLeadingCellWasLoaded(TableViewCell* cell, int)
{
    auto* leading = dynamic_cast<QVDefaultLeadingCell*>(cell);
    if (!leading)
        return;
    QVUser* user = contextUserOf(this);
    leading->populateRightIconsAsComparison(user);
    if (!leading->headerLabel())
        return;
    if (scope_ == kScopeUser) {
        bool localUsersPage = !user || user->isLocalUser();
        leading->headerLabel()->setText(localUsersPage ? std::string("Quorvel Games") : user->name() + "'s Games");
    } else if (scope_ == kScopeFriends) {
        leading->headerLabel()->setText("Friends' Games");
    }
}

std::string QVPlayedGameController::getNoDataFoundMessage()
{
    if (scope_ == kScopeFriends)
        return "You have not added any Quorvel friends yet. Find friends on the friends tab.";
    if (!inFavoriteTab_)
        return "Failed to download games list";
    QVUser* user = contextUserOf(this);
    if (!user || user->isLocalUser())
        return "You don't have any favorite games. To favorite this game go to the game tab and press the Fan Club "
               "button.";
    return user->name() + " has not added any favorite games yet.";
}

void QVPlayedGameController::onBeforeResourcesProcessed(QVPaginatedSeries* series)
{
    headerBannerResource_ = nullptr;
    if (series) {
        auto& objects = series->objects();
        for (auto it = objects.begin(); it != objects.end(); ++it) {
            auto* section = dynamic_cast<QVTableSectionDescription*>(it->get());
            if (!section || section->identifier() != kBannerSectionIdentifier)
                continue;
            Ref<Object> keep = *it;
            if (section->page() && section->page()->count() > 0)
                headerBannerResource_ = dynamic_cast<QVResource*>(section->page()->objects().front().get());
            objects.erase(it);
            break;
        }
    }
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController()))
        framed->refreshBanner();
}

Object* QVPlayedGameController::getBannerResource() { return headerBannerResource_.get(); }

void QVPlayedGameController::onBannerClicked()
{
    // The banner cell opens its own link; an image hyperlink without a row opens nothing here.
    if (headerBannerResource_)
        onCellWasClicked(headerBannerResource_.get(), IndexPath::forRow(-1, -1));
}

std::string QVPlayedGameController::placementForRow(int row) const
{
    return "playedGameController_" + targetDiscoveryPageName_ + "_" + std::to_string(row);
}

void QVPlayedGameController::onCellWasClicked(Object* resource, IndexPath indexPath)
{
    reloadWhenShownNext_ = false;
    NavigationController* nav = navigationController();
    const bool hasRow = indexPath.section >= 0 && indexPath.row >= 0;
    bool pushed = false;
    auto push = [&](ViewController* screen) {
        if (screen && nav) {
            nav->pushViewController(screen, true);
            pushed = true;
        }
    };
    if (dynamic_cast<QVGameDiscoveryImageHyperlink*>(resource)) {
        TableView* table = hasRow ? tableView() : nullptr;
        if (auto* cell = table ? dynamic_cast<QVGameDiscoveryImageHyperlinkCell*>(table->cellForRowAtIndexPath(indexPath)) : nullptr) {
            size_t before = nav ? nav->viewControllers().size() : 0;
            cell->onCellWasClicked(nav);
            pushed = nav && nav->viewControllers().size() != before;
        }
    } else if (auto* game = dynamic_cast<QVPlayedGame*>(resource)) {
        if (game->isOwnedByCurrentUser()) {
            QVDashboardSwitch::showGameProfile(game->clientApplicationId(), contextUserOf(this));
            pushed = true;
        } else if (!game->iconUrl().empty() && !game->clientApplicationId().empty()) {
            push(QVApplicationDescriptionController::applicationDescriptionForId(
                     game->clientApplicationId(), placementForRow(hasRow ? indexPath.row : 0))
                     .get());
        }
    } else if (auto* news = dynamic_cast<QVGameDiscoveryNewsItem*>(resource)) {
        auto page = QVGameDiscoveryNewsItemController::create();
        page->setNewsItem(news);
        push(page.get());
    } else if (auto* category = dynamic_cast<QVGameDiscoveryCategory*>(resource)) {
        if (category->targetDiscoveryActionName == "what_are_my_friends_playing_find_friends") {
            Ref<ViewController> importer = QVControllerLoader::load("ImportFriends");
            push(importer.get());
            reloadWhenShownNext_ = true;
        } else if (!category->targetDiscoveryActionName.empty()) {
            push(newDiscoveryList(category->targetDiscoveryActionName, category->targetDiscoveryPageTitle).get());
        }
    }
    if (!pushed && hasRow && tableView())
        tableView()->deselectRowAtIndexPath(indexPath, false);
}

void QVPlayedGameController::_clearSamples()
{
    previousX_.fill(0);
    previousY_.fill(0);
    previousZ_.fill(0);
}

void QVPlayedGameController::viewWillAppear(bool animated)
{
    _clearSamples();
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    // Opened by name (not through a page that names it), the list still says what it holds.
    if (title().empty() && navigationItem()->title().empty())
        setTitle(scope_ == kScopeFriends ? "Friends' Games" : "Games");
    if (reloadWhenShownNext_)
        reloadDataFromServer();
}

void QVPlayedGameController::hideLoadingScreen()
{
    QVTableSequenceControllerHelper::hideLoadingScreen();
    if (!isShakePage() || enableShake_)
        return;
    if (shakeRestTimer_)
        shakeRestTimer_->invalidate();
    platform::Weak<QVPlayedGameController> weak(this);
    shakeRestTimer_ = platform::RunLoop::main().performAfter(kShakeRestDelay, [weak] {
        if (auto self = weak.lock())
            self->enableShakeAgain();
    });
}

void QVPlayedGameController::viewDidAppear(bool animated)
{
    if (isShakePage()) {
        Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
        if (accelerometer.delegate() != this) {
            defaultUpdateInterval_ = accelerometer.updateInterval();
            defaultDelegate_ = accelerometer.delegate();
        }
        tookAccelerometer_ = true;
        navigationItem()->setRightBarButtonItem(
            BarButtonItem::withTitle("Shuffle", BarButtonItem::Style::Plain, this,
                                     BarButtonItem::PlainAction(BRISKO_SELECTOR(QVPlayedGameController, quorvelFiveShuffle)))
                .get());
        accelerometer.setUpdateInterval(kShakeUpdateInterval);
        accelerometer.setDelegate(this);
        enableShake_ = true;
    }
    QVTableSequenceControllerHelper::viewDidAppear(animated);
}

void QVPlayedGameController::viewDidDisappear(bool animated)
{
    if (isShakePage() && tookAccelerometer_) {
        Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
        accelerometer.setUpdateInterval(defaultUpdateInterval_);
        if (accelerometer.delegate() == this)
            accelerometer.setDelegate(defaultDelegate_.get());
        tookAccelerometer_ = false;
    }
    defaultDelegate_ = nullptr;
    QVTableSequenceControllerHelper::viewDidDisappear(animated);
}

bool QVPlayedGameController::checkShakeOnAxis(const std::array<float, kSampleCount>& samples)
{
    float smallest = 0, largest = 0;
    for (float s : samples) {
        smallest = std::min(smallest, s);
        largest = std::max(largest, s);
    }
    return smallest < -1.0f && largest > 1.0f;
}

void QVPlayedGameController::accelerometer(Accelerometer*, Acceleration* acceleration)
{
    if (!enableShake_ || !acceleration)
        return;
    auto push = [](std::array<float, kSampleCount>& history, double value) {
        std::move_backward(history.begin(), history.end() - 1, history.end());
        history[0] = static_cast<float>(value);
    };
    push(previousX_, acceleration->x());
    push(previousY_, acceleration->y());
    push(previousZ_, acceleration->z());
    if (checkShakeOnAxis(previousX_) || checkShakeOnAxis(previousY_) || checkShakeOnAxis(previousZ_)) {
        enableShake_ = false;
        quorvelFiveShuffle();
    }
}

void QVPlayedGameController::quorvelFiveShuffle()
{
    _clearSamples();
    reloadDataFromServer();
}

} // namespace quorvel
