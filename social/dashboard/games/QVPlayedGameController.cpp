// The games lists: their requests by scope, the banner taken out of a
// discovery page, what a row opens, shake to shuffle, and the three row cells.
#include "social/dashboard/games/QVPlayedGameController.h"

#include "platform/device/Application.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "social/core/Quorvel.h"
#include "social/dashboard/community/QVCommunityKit.h"
#include "social/dashboard/games/QVDashboardWebPages.h"
#include "social/dashboard/games/QVDiscoveryBannerCells.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRuntimeHost.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/services/QVPlayedGame.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDashboardHost.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTabbedPageHeaderController.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVPlayedGameController);
QV_REGISTER_CLASS(QVGameDiscoveryController);
QV_REGISTER_CLASS(QVPlayedGameCell);
QV_REGISTER_CLASS(QVGameDiscoveryCategoryCell);
QV_REGISTER_CLASS(QVGameDiscoveryNewsItemCell);

namespace {

QVUser* contextUserOf(const QVTableControllerHelper* list)
{
    return dynamic_cast<QVUser*>(list->getPageContextUser());
}

Ref<QVPlayedGameController> newDiscoveryList(const std::string& pageName, const std::string& title)
{
    auto list = platform::dynamicRef<QVPlayedGameController>(QVControllerLoader::load("PlayedGame"));
    if (!list)
        return nullptr;
    list->setTargetDiscoveryPageName(pageName);
    list->setTitle(title);
    return list;
}

} // namespace

// ---------------------------------------------------------------------------
// The list

QVPlayedGameController::~QVPlayedGameController()
{
    if (shakeRestTimer_)
        shakeRestTimer_->invalidate();
    // Never leave the shared accelerometer talking to a freed list.
    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    if (accelerometer.delegate() == this) {
        accelerometer.setDelegate(tookAccelerometer_ ? defaultDelegate_ : nullptr);
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
    Ref<QVUser> local = user ? Ref<QVUser>() : Quorvel::localUser();
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
            QVGameProfileController::showGameProfileWithClientApplicationId(game->clientApplicationId(),
                                                                            contextUserOf(this));
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
            accelerometer.setDelegate(defaultDelegate_);
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

// ---------------------------------------------------------------------------
// The games tab's root

QVGameDiscoveryController::QVGameDiscoveryController()
{
    // A discovery page from the start, so that its first request already is one.
    scope_ = kScopeDiscovery;
}

void QVGameDiscoveryController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                      const QVDelegate& onFailure)
{
    // The catalogue's top page, by page number, so that loading more moves on.
    QVGameDiscoveryService::getDiscoveryPageNamed("", static_cast<int>(page), onSuccess, onFailure);
}

void QVGameDiscoveryController::viewWillAppear(bool animated)
{
    QVPlayedGameController::viewWillAppear(animated);
    setScope(kScopeDiscovery);
    setTargetDiscoveryPageName("");
}

void QVGameDiscoveryController::viewDidLoad()
{
    QVPlayedGameController::viewDidLoad();
    TableView* table = tableView();
    if (!table)
        return;
    float width = table->bounds().size.width;
    Ref<View> footer = View::viewWithFrame(Rect(0, 0, width, 44));
    footer->setBackgroundColor(Color::rgb(0.36f, 0.37f, 0.39f));
    Ref<ImageView> top = ImageView::imageViewWithFrame(Rect(0, 0, width, 2));
    top->setImage(QVLoadKitImage("QVGameDiscoveryDividerTop.png").get());
    Ref<ImageView> bottom = ImageView::imageViewWithFrame(Rect(0, 42, width, 2));
    bottom->setImage(QVLoadKitImage("QVGameDiscoveryDividerBottom.png").get());
    Ref<Label> label = community::makeLabel(Rect(10, 2, width - 20, 40), 14, true);
    label->setText(kFooterText);
    label->setTextColor(Color::whiteColor());
    label->setShadowColor(Color::white(0));
    label->setTextAlignment(platform::TextAlignment::Center);
    label->setAdjustsFontSizeToFitWidth(true);
    for (View* v : std::initializer_list<View*> { top.get(), bottom.get(), label.get() })
        footer->addSubview(v);
    table->setTableFooterView(footer.get());
}

// ---------------------------------------------------------------------------
// Played game cell

bool QVPlayedGameCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = community::rowWidth();
    setFrame(Rect(0, 0, width, kHeight));
    View* content = contentView();
    iconView_ = QVImageView::imageViewWithFrame(Rect(8, 6, 44, 44));
    nameLabel_ = community::makeLabel(Rect(60, 6, width - 160, 22), 16, true);
    friendsWithAppLabel_ = community::makeLabel(Rect(60, 30, width - 160, 18), 12, false);
    miniScreenshotOneView_ = QVImageView::imageViewWithFrame(Rect(width - 90, 6, 30, 44));
    miniScreenshotTwoView_ = QVImageView::imageViewWithFrame(Rect(width - 56, 6, 30, 44));
    for (View* v : std::initializer_list<View*> { iconView_.get(), nameLabel_.get(), friendsWithAppLabel_.get(),
                                                  miniScreenshotOneView_.get(), miniScreenshotTwoView_.get() })
        content->addSubview(v);
    auto stat = [&](float x, Ref<ImageView>& scoreIcon, Ref<Label>& scoreLabel, Ref<ImageView>& favourite) {
        Ref<View> view = View::viewWithFrame(Rect(x, 0, 48, kHeight));
        view->setBackgroundColor(std::nullopt);
        scoreIcon = ImageView::imageViewWithFrame(Rect(16, 8, 16, 16));
        scoreLabel = community::makeLabel(Rect(0, 26, 48, 14), 11, true);
        scoreLabel->setTextAlignment(platform::TextAlignment::Center);
        favourite = ImageView::imageViewWithFrame(Rect(18, 41, 12, 12));
        favourite->setImage(QVLoadKitImage("QVFavoritedIcon.png").get());
        for (View* v : std::initializer_list<View*> { scoreIcon.get(), scoreLabel.get(), favourite.get() })
            view->addSubview(v);
        content->addSubview(view.get());
        return view;
    };
    firstStatView_ = stat(width - 100, firstGamerScoreIcon_, firstGamerScoreLabel_, firstFavoritedIcon_);
    secondStatView_ = stat(width - 50, secondGamerScoreIcon_, secondGamerScoreLabel_, secondFavoritedIcon_);
    comparisonDividerIcon_ = ImageView::imageViewWithFrame(Rect(width - 51, 4, 2, kHeight - 8));
    comparisonDividerIcon_->setImage(QVLoadKitImage("QVComparisonDivider.png").get());
    content->addSubview(comparisonDividerIcon_.get());
    shoppingCartButton_ = Button::buttonWithType(Button::Type::Custom);
    shoppingCartButton_->setFrame(Rect(width - 50, 8, 40, 40));
    shoppingCartButton_->setImage(QVLoadKitImage("QVShoppingCart.png").get(), StateNormal);
    shoppingCartButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVPlayedGameCell, showIPurchasePage)),
                                   TouchUpInside);
    content->addSubview(shoppingCartButton_.get());
    return true;
}

void QVPlayedGameCell::onResourceChanged(Object* resource)
{
    auto* game = dynamic_cast<QVPlayedGame*>(resource);
    if (!game)
        return;
    clientApplicationId_ = game->clientApplicationId();
    storeUrl_ = game->iTunesAppStoreUrl();
    nameLabel_->setText(game->name());
    if (game->friendsWithApp() > 0) {
        unsigned count = game->friendsWithApp();
        friendsWithAppLabel_->setText(std::to_string(count) + " " + (count == 1 ? "friend has" : "friends have")
                                      + " this game");
        friendsWithAppLabel_->setHidden(false);
    } else {
        friendsWithAppLabel_->setHidden(true);
    }
    if (auto icon = QVLoadKitImage("QVDefaultApplicationIcon.png"))
        iconView_->setDefaultImage(icon->image());
    iconView_->setImageUrl(game->iconUrl().empty() ? std::nullopt : std::optional<std::string>(game->iconUrl()));

    for (View* v : std::initializer_list<View*> { firstStatView_.get(), secondStatView_.get(), shoppingCartButton_.get(),
                                                  firstFavoritedIcon_.get(), secondFavoritedIcon_.get(),
                                                  comparisonDividerIcon_.get() })
        v->setHidden(true);

    bool cart = false;
    firstScoreIconName_.clear();
    secondScoreIconName_.clear();
    const QVResourceArray& stats = game->userGameStats();
    if (!stats.empty()) {
        const std::string localId = QVRuntimeHost::current().lastLoggedInUserId();
        QVUserGameStat* local = nullptr;
        QVUserGameStat* compared = nullptr;
        auto* first = dynamic_cast<QVUserGameStat*>(stats[0].get());
        auto* second = stats.size() > 1 ? dynamic_cast<QVUserGameStat*>(stats[1].get()) : nullptr;
        if (first && first->userId() == localId) {
            local = first;
            compared = second;
        } else if (stats.size() > 1) {
            local = second;
            compared = first;
        } else {
            // A single stat of another player is the compared player's; the player has none.
            compared = first;
        }
        const uint32_t localScore = local ? local->userGamerScore() : 0;
        const bool localFavourite = local && local->userFavoritedGame();
        const bool localHasGame = local && local->userHasGame();
        auto setIcon = [](ImageView* icon, std::string& kept, const char* name) {
            kept = name;
            icon->setImage(QVLoadKitImage(name).get());
        };
        setIcon(firstGamerScoreIcon_.get(), firstScoreIconName_, "QVTableQuorvelPoints.png");
        setIcon(secondGamerScoreIcon_.get(), secondScoreIconName_, "QVTableQuorvelPoints.png");
        firstStatView_->setHidden(false);
        if (compared) {
            cart = !localHasGame && !game->iconUrl().empty();
            secondStatView_->setHidden(cart);
            firstGamerScoreLabel_->setText(std::to_string(compared->userGamerScore()));
            secondGamerScoreLabel_->setText(std::to_string(localScore));
            contentView()->bringSubviewToFront(comparisonDividerIcon_.get());
            comparisonDividerIcon_->setHidden(false);
            firstFavoritedIcon_->setHidden(!compared->userFavoritedGame());
            secondFavoritedIcon_->setHidden(!localFavourite);
            if (!cart) {
                if (compared->userGamerScore() > localScore)
                    setIcon(firstGamerScoreIcon_.get(), firstScoreIconName_, "QVTableQuorvelPointsWin.png");
                else if (localScore > compared->userGamerScore())
                    setIcon(secondGamerScoreIcon_.get(), secondScoreIconName_, "QVTableQuorvelPointsWin.png");
            }
        } else {
            firstGamerScoreLabel_->setText(std::to_string(localScore));
            firstFavoritedIcon_->setHidden(!localFavourite);
        }
    }
    miniScreenshotOneView_->setHidden(true);
    miniScreenshotTwoView_->setHidden(true);
    Rect frame = this->frame();
    frame.size.height = kHeight;
    setFrame(frame);
    shoppingCartButton_->setHidden(!cart);
    shoppingCartButton_->setUserInteractionEnabled(cart);
    bool disclosure = !cart && firstStatView_->isHidden() && !game->iconUrl().empty();
    setAccessoryType(disclosure ? CellAccessoryType::DisclosureIndicator : CellAccessoryType::None);
}

void QVPlayedGameCell::showAppStorePage()
{
    if (!storeUrl_.empty())
        Application::sharedApplication().openURL(storeUrl_);
}

void QVPlayedGameCell::showIPurchasePage()
{
    QVTableControllerHelper* owner = owningTable();
    NavigationController* nav = owner ? owner->navigationController() : nullptr;
    if (!nav)
        return;
    if (auto page = QVApplicationDescriptionController::applicationDescriptionForId(clientApplicationId_, "playedGameCell"))
        nav->pushViewController(page.get(), true);
}

// ---------------------------------------------------------------------------
// Category cell

bool QVGameDiscoveryCategoryCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = community::rowWidth();
    setFrame(Rect(0, 0, width, kHeight));
    View* content = contentView();
    content->setAutoresizesSubviews(true);
    topDividerView_ = View::viewWithFrame(Rect(0, 0, width, 2));
    bottomDividerView_ = View::viewWithFrame(Rect(0, kHeight - 2, width, 2));
    iconFrame_ = ImageView::imageViewWithFrame(Rect(6, 6, 52, 52));
    iconView_ = QVImageView::imageViewWithFrame(Rect(10, 10, 44, 44));
    textContentView_ = View::viewWithFrame(Rect(66, 4, width - 100, kHeight - 8));
    textContentView_->setBackgroundColor(std::nullopt);
    nameLabel_ = community::makeLabel(Rect(0, 0, width - 100, 20), 16, true);
    subtextLabel_ = community::makeLabel(Rect(0, 20, width - 100, 18), 12, false);
    secondaryTextLabel_ = community::makeLabel(Rect(0, 38, width - 100, 16), 11, false);
    for (Label* l : { nameLabel_.get(), subtextLabel_.get(), secondaryTextLabel_.get() }) {
        l->setTextColor(Color::whiteColor());
        textContentView_->addSubview(l);
    }
    disclosureView_ = ImageView::imageViewWithFrame(Rect(width - 26, (kHeight - 20) / 2, 14, 20));
    for (View* v : std::initializer_list<View*> { topDividerView_.get(), bottomDividerView_.get(), iconFrame_.get(),
                                                  iconView_.get(), textContentView_.get(), disclosureView_.get() })
        content->addSubview(v);
    return true;
}

void QVGameDiscoveryCategoryCell::onResourceChanged(Object* resource)
{
    auto* category = dynamic_cast<QVGameDiscoveryCategory*>(resource);
    if (!category)
        return;
    if (auto frame = QVLoadKitImage("QVGameDiscoveryIconFrame.png"))
        iconFrame_->setImage(frame->stretchableImage(21, 19).get());
    iconView_->setUnframed(true);
    iconView_->setImageUrl(category->iconUrl.empty() ? std::nullopt : std::optional<std::string>(category->iconUrl));
    iconView_->setShouldScaleImageToFillRect(false);
    nameLabel_->setText(category->name);
    subtextLabel_->setText(category->subtext);
    secondaryTextLabel_->setText(category->secondaryText);
}

void QVGameDiscoveryCategoryCell::layoutSubviews()
{
    QVTableCellHelper::layoutSubviews();
    const bool large = QVDashboardHost::current().isLargeScreen();
    disclosureView_->setImage(QVLoadKitImage(large ? "QVCustomDisclosureIPad.png" : "QVCustomDisclosure.png").get());
    if (dynamic_cast<QVTableCellBackgroundView*>(backgroundView()))
        setBackgroundView(nullptr);
    // The grey catalogue rows between their dividers; darker while selected.
    contentView()->setBackgroundColor(isSelected() ? Color::rgb(0.28f, 0.29f, 0.31f) : Color::rgb(0.36f, 0.37f, 0.39f));
    topDividerView_->setBackgroundColor(Color::white(0.5f));
    bottomDividerView_->setBackgroundColor(Color::white(0.2f));
    float width = bounds().size.width;
    disclosureView_->setFrame(Rect(width - 26, (bounds().size.height - 20) / 2, 14, 20));
    textContentView_->setFrame(Rect(66, 4, width - 100, bounds().size.height - 8));
}

// ---------------------------------------------------------------------------
// News item cell

bool QVGameDiscoveryNewsItemCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = community::rowWidth();
    setFrame(Rect(0, 0, width, kHeight));
    iconFrame_ = ImageView::imageViewWithFrame(Rect(6, 4, 52, 52));
    iconView_ = QVImageView::imageViewWithFrame(Rect(10, 8, 44, 44));
    titleLabel_ = community::makeLabel(Rect(66, 8, width - 80, 22), 16, true);
    subtitleLabel_ = community::makeLabel(Rect(66, 32, width - 80, 18), 12, false);
    for (View* v : std::initializer_list<View*> { iconFrame_.get(), iconView_.get(), titleLabel_.get(), subtitleLabel_.get() })
        contentView()->addSubview(v);
    return true;
}

void QVGameDiscoveryNewsItemCell::onResourceChanged(Object* resource)
{
    auto* item = dynamic_cast<QVGameDiscoveryNewsItem*>(resource);
    if (!item)
        return;
    if (auto frame = QVLoadKitImage("QVGameDiscoveryIconFrame.png"))
        iconFrame_->setImage(frame->stretchableImage(21, 19).get());
    iconView_->setImageUrl(item->iconUrl.empty() ? std::nullopt : std::optional<std::string>(item->iconUrl));
    titleLabel_->setText(item->title);
    subtitleLabel_->setText(item->subtitle);
}

} // namespace quorvel
