// The fan club's rows and what they open, and the newsletter subscription.
#include "social/dashboard/games/QVFanClubControllers.h"

#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/forums/QVForumThreadListController.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/dashboard/games/QVPlayedGameController.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVFanClubController);
QV_REGISTER_CLASS(QVNewsLetterController);

// ---------------------------------------------------------------------------
// Fan club

QVGameProfilePageInfo* QVFanClubController::pageGame() const
{
    return dynamic_cast<QVGameProfilePageInfo*>(getPageContextGame());
}

std::optional<QVTableControllerHelper::Sections> QVFanClubController::buildTableSectionDescriptions()
{
    rows_.clear();
    controllerNames_.clear();
    QVTableSectionDescription::Cells cells;
    auto createCell = [&](const std::string& title, const std::string& icon, const std::string& controllerName,
                          QVFanClubCell::CreateController create) {
        Ref<TableViewCell> loaded = QVControllerLoader::loadCell("FanClub", this);
        auto cell = Ref<QVFanClubCell>(
            loaded ? requireCast<QVFanClubCell>(loaded, "A menu row must take its title and action") : nullptr);
        if (!cell)
            return;
        cell->titleLabel()->setText(title);
        cell->iconView()->setImage(icon.empty() ? nullptr : QVLoadKitImage(icon).get());
        cell->badgeView()->setValue(0);
        cell->setCreateControllerSelector(std::move(create));
        rows_.push_back(cell);
        controllerNames_.push_back(controllerName);
        cells.emplace_back(cell.get());
    };
    Ref<QVGameProfilePageInfo> running(dynamic_cast<QVGameProfilePageInfo*>(QVSessionRole::current().localGameProfileInfo().get()));
    // The rows may be built before the stack has given the page its game: the running game stands in.
    QVGameProfilePageInfo* game = pageGame() ? pageGame() : running.get();
    createCell("Add Game as Favorite", "QVFanClubIconStar.png", "FavoriteThisGame", nullptr);
    if (running && running->hasiPurchase())
        createCell("Invite a Friend to Play", "QVFanClubIconSendInvite.png", "", [this] { return inviteFriends(); });
    createCell("Developer Announcements", "QVFanClubIconDevAnnouncements.png", "AnnouncementBrowser", nullptr);
    createCell("Subscribe to Newsletter", "QVFanClubIconNewsLetter.png", "NewsLetter", nullptr);
    // Without a suggestions forum there is nothing to open.
    const bool suggestions = game && game->suggestionsForumId() && !game->suggestionsForumId()->empty()
        && *game->suggestionsForumId() != "0";
    if (QuorvelInternal::allowUserGeneratedContent() && suggestions)
        createCell("Suggest a Feature", "QVFanClubIconIdea.png", "", [this] { return createSuggestionBrowser(); });
    if (running && running->hasFeaturedApplication())
        createCell("More Games", "QVFanClubIconMoreGames.png", "", [this] { return createDeveloperRecommendationsBrowser(); });
    return Sections { QVTableSectionDescription::sectionWithTitleAndStaticCells("", std::move(cells)) };
}

QVFanClubCell* QVFanClubController::rowTitled(const std::string& title) const
{
    for (const auto& row : rows_)
        if (row->titleLabel()->text() == title)
            return row.get();
    return nullptr;
}

void QVFanClubController::tableViewDidSelectRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    if (indexPath.section != 0 || indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= rows_.size()) {
        QVTableStaticControllerHelper::tableViewDidSelectRowAtIndexPath(table, indexPath);
        return;
    }
    QVFanClubCell* cell = rows_[static_cast<size_t>(indexPath.row)].get();
    Ref<ViewController> screen;
    if (cell->createControllerSelector()) {
        screen = cell->createControllerSelector()();
        table->deselectRowAtIndexPath(indexPath, true);
    } else {
        screen = QVControllerLoader::load(controllerNames_[static_cast<size_t>(indexPath.row)]);
    }
    if (screen && navigationController())
        navigationController()->pushViewController(screen.get(), true);
}

Ref<ViewController> QVFanClubController::inviteFriends()
{
    return QVSelectInviteTypeController::inviteTypeControllerWithInviteIdentifier(std::nullopt);
}

Ref<ViewController> QVFanClubController::createSuggestionBrowser()
{
    QVGameProfilePageInfo* game = pageGame();
    Ref<Object> running = QVSessionRole::current().localGameProfileInfo();
    if (!game)
        game = dynamic_cast<QVGameProfilePageInfo*>(running.get());
    auto topic = QVForumTopic::suggestionsTopic(game ? game->suggestionsForumId() : std::nullopt);
    return QVForumThreadListController::threadBrowser(topic.get());
}

Ref<ViewController> QVFanClubController::createDeveloperRecommendationsBrowser()
{
    Ref<ViewController> loaded = QVControllerLoader::load("PlayedGame");
    auto list = Ref<QVPlayedGameController>(
        loaded ? requireCast<QVPlayedGameController>(loaded, "The games list must take its page") : nullptr);
    if (!list)
        return nullptr;
    list->setScope(QVPlayedGameController::kScopeDiscovery);
    list->setTargetDiscoveryPageName("developers_picks");
    list->setTitle("More Games");
    return list;
}

void QVFanClubController::viewWillAppear(bool animated)
{
    QVTableStaticControllerHelper::viewWillAppear(animated);
    // The bar names the list, and the screens pushed from it get a back button that says where it goes.
    if (title().empty())
        setTitle("Fan Club");
    QVGameProfilePageInfo* game = pageGame();
    if (!registeredView_) {
        registeredView_ = true;
        QVClientApplicationService::viewedFanClub(game ? game->resourceId() : QVSessionRole::current().clientApplicationId());
    }
    if (!game || game->isLocalGameInfo()) {
        for (size_t i = 0; i < rows_.size(); ++i)
            if (controllerNames_[i] == "AnnouncementBrowser")
                rows_[i]->badgeView()->setValue(static_cast<int>(QVAnnouncementService::unreadAnnouncements()));
    }
}

// ---------------------------------------------------------------------------
// Newsletter

void QVNewsLetterController::loadView()
{
    Rect bounds = QVDashboardRole::current().getDashboardBounds();
    float width = bounds.size.width;
    // Made at the dashboard's size, the page follows the frame it is shown in: the texts take its
    // width, the switch keeps to its right edge.
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.13f, 0.15f, 0.18f));
    summaryLabel_ = layout::makeLabel(Rect(10, 12, width - 20, 24), 18, true);
    summaryLabel_->setText("Newsletter");
    descriptionLabel_ = layout::makeLabel(Rect(10, 44, width - 20, 90), 14, false);
    descriptionLabel_->setNumberOfLines(0);
    for (Label* l : { summaryLabel_.get(), descriptionLabel_.get() }) {
        l->setTextColor(Color::whiteColor());
        l->setAutoresizingMask(FlexibleWidth);
        root->addSubview(l);
    }
    subscriptionSwitch_ = Switch::switchWithFrame(Rect(width - 104, 146, 94, 27));
    subscriptionSwitch_->setAutoresizingMask(FlexibleLeftMargin);
    subscriptionSwitch_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVNewsLetterController, subscriptionChanged)),
                                   ValueChanged);
    root->addSubview(subscriptionSwitch_.get());
    setView(root.get());
}

std::string QVNewsLetterController::gameId() const
{
    auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController());
    auto* game = framed ? dynamic_cast<QVGameProfilePageInfo*>(framed->currentGameContext()) : nullptr;
    return game ? game->resourceId() : QVSessionRole::current().clientApplicationId();
}

void QVNewsLetterController::viewWillAppear(bool animated)
{
    QVViewController::viewWillAppear(animated);
    if (title().empty())
        setTitle("Newsletter");
    if (!QVDashboardRole::current().isInLandscapeMode())
        summaryLabel()->setText("Subscribe to new updates!");
    descriptionLabel()->setText("Subscribe to email updates from the developer of " + QuorvelInternal::applicationDisplayName()
                                + ".  Don't worry, your email address is stored securely and won't be shared with any third parties.");
}

void QVNewsLetterController::viewDidAppear(bool animated)
{
    QVViewController::viewDidAppear(animated);
    if (securingAccount_) {
        if (QuorvelInternal::loggedInUserHasHttpBasicCredential())
            setSubscriptionState(true);
    } else {
        showLoadingScreen();
        doServerAction();
    }
    securingAccount_ = false;
}

void QVNewsLetterController::doServerAction()
{
    QVUserSettingService::getSubscribingToDeveloperNewsLetter(
        gameId(), QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onRetrievedSetting))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onFailedRetrievingSetting))));
}

void QVNewsLetterController::onRetrievedSetting(Object* answer)
{
    subscriptionSwitch()->setOn(requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->count() > 0);
    hideLoadingScreen();
}

void QVNewsLetterController::subscriptionChanged()
{
    Switch* toggle = subscriptionSwitch();
    if (toggle->isOn() && !QuorvelInternal::loggedInUserHasHttpBasicCredential()) {
        toggle->setOn(false);
        sheet_ = ActionSheet::sheet(kSecureTitle, this, "Cancel", "Enable Account Retrieval");
        sheet_->showInView(view());
        return;
    }
    setSubscriptionState(toggle->isOn());
}

void QVNewsLetterController::actionSheetClickedButtonAtIndex(ActionSheet* sheet, int index)
{
    if (sheet != sheet_.get())
        return;
    sheet_ = nullptr;
    if (index != sheet->destructiveButtonIndex()) {
        securingAccount_ = false;
        return;
    }
    securingAccount_ = true;
    Ref<ViewController> credentials = QVControllerLoader::load("HttpCredentialsCreate");
    if (credentials)
        requireCast<QVAccountSetupBaseController>(credentials, "The secure-account screen must take the added credential")
            ->setAddingAdditionalCredential(true);
    if (credentials && navigationController())
        navigationController()->pushViewController(credentials.get(), true);
}

void QVNewsLetterController::setSubscriptionState(bool on)
{
    showLoadingScreen();
    subscriptionSwitch()->setOn(on);
    requestedState_ = on;
    QVUserSettingService::setSubscribeToDeveloperNewsLetter(
        on, gameId(), QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onSubscriptionChanged))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onSubscriptionFailedToChange))));
}

void QVNewsLetterController::onSubscriptionFailedToChange(Object*)
{
    // The server kept the old state: the switch shows it again.
    subscriptionSwitch()->setOn(!requestedState_);
    hideLoadingScreen();
}

// ---------------------------------------------------------------------------
// Favourite and review

QV_REGISTER_CLASS(QVFavoriteThisGameController);

namespace {

QVGameProfilePageInfo* gameContextOf(const ViewController* screen)
{
    auto* framed = dynamic_cast<QVFramedNavigationController*>(screen->navigationController());
    return framed ? dynamic_cast<QVGameProfilePageInfo*>(framed->currentGameContext()) : nullptr;
}

} // namespace

std::string QVFavoriteThisGameController::getClientApplicationId() const
{
    QVGameProfilePageInfo* game = gameContextOf(this);
    return game ? game->resourceId() : QVSessionRole::current().clientApplicationId();
}

std::string QVFavoriteThisGameController::getClientApplicationName() const
{
    QVGameProfilePageInfo* game = gameContextOf(this);
    return game ? game->name() : QuorvelInternal::applicationDisplayName();
}

void QVFavoriteThisGameController::loadView()
{
    Rect bounds = QVDashboardRole::current().getDashboardBounds();
    float width = bounds.size.width;
    // Made at the dashboard's size, the page follows the frame it is shown in.
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.13f, 0.15f, 0.18f));
    // Room for the five lines the favourite's text takes on a phone.
    descriptionLabel_ = layout::makeLabel(Rect(10, 8, width - 20, 92), 14, false);
    descriptionLabel_->setNumberOfLines(0);
    descriptionLabel_->setTextColor(Color::whiteColor());
    descriptionLabel_->setAutoresizingMask(FlexibleWidth);
    favoriteButton_ = Button::buttonWithType(Button::Type::Custom);
    favoriteButton_->setFrame(Rect((width - 64) / 2, 104, 64, 64));
    favoriteButton_->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
    favoriteButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVFavoriteThisGameController, onFavoritePressed)),
                               TouchUpInside);
    reviewArea_ = View::viewWithFrame(Rect(10, 176, width - 20, 110));
    reviewArea_->setAutoresizingMask(FlexibleWidth);
    reviewArea_->setBackgroundColor(std::nullopt);
    reviewTextField_ = TextView::textViewWithFrame(Rect(0, 0, width - 20, 100));
    reviewTextField_->setAutoresizingMask(FlexibleWidth);
    reviewArea_->addSubview(reviewTextField_.get());
    layout::addSubviews(root, { descriptionLabel_.get(), favoriteButton_.get(), reviewArea_.get() });
    setView(root.get());
}

void QVFavoriteThisGameController::addHiddenParameters(QVHttpNestedQueryStringWriter& writer)
{
    QVFormControllerHelper::addHiddenParameters(writer);
    std::string review = reviewTextField()->text();
    if (!review.empty())
        writer.io("client_application_user[review]", review);
    bool favorite = isFavorite_;
    writer.io("client_application_user[favorite]", favorite);
}

void QVFavoriteThisGameController::onFormSubmitted()
{
    reviewTextField()->resignFirstResponder();
    hideLoadingScreen();
    AlertView::alert("", "Your comment has been submitted successfully.", nullptr, "OK")->show();
}

void QVFavoriteThisGameController::viewWillAppear(bool animated)
{
    QVFormControllerHelper::viewWillAppear(animated);
    if (title().empty())
        setTitle("Favorite");
    setReviewAreaAvailable(false, false);
    showLoadingScreen();
    QVClientApplicationService::getPlayerReviewForGame(
        getClientApplicationId(), "",
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFavoriteThisGameController, onReviewLoaded))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFavoriteThisGameController, onRequestFailed))));
}

void QVFavoriteThisGameController::onReviewLoaded(Object* answer)
{
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    auto* review = series->count() > 0 ? dynamic_cast<QVPlayerReview*>(series->objectAtIndex(0)) : nullptr;
    if (review && review->favorite())
        onGameIsFavorite(review->review());
    else
        onGameIsNotFavorite();
    hideLoadingScreen();
}

void QVFavoriteThisGameController::onFavoritePressed()
{
    updateState(std::nullopt, !isFavorite_, &QVFavoriteThisGameController::onIsFavoriteChanged);
}

void QVFavoriteThisGameController::onSubmitReviewPressed()
{
    reviewTextField()->resignFirstResponder();
    const std::string comment = reviewTextField()->text();
    if (comment.empty()) {
        AlertView::alert("", "You must enter a comment before submitting.", nullptr, "OK")->show();
        return;
    }
    updateState(comment, true, &QVFavoriteThisGameController::onReviewSubmitted);
}

void QVFavoriteThisGameController::updateState(const std::optional<std::string>& comment, bool makeFavorite,
                                               void (QVFavoriteThisGameController::*success)(Object*))
{
    showLoadingScreen();
    QVDelegate onSuccess(this, QVDelegate::ShortMethod(platform::Selector<Object*>(success, "updateStateSucceeded")));
    QVDelegate onFailure(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFavoriteThisGameController, onRequestFailed)));
    if (makeFavorite) {
        std::optional<std::string> text = comment && !comment->empty() ? comment : std::nullopt;
        QVClientApplicationService::makeGameFavorite(getClientApplicationId(), text, onSuccess, onFailure);
    } else {
        QVClientApplicationService::unfavoriteGame(getClientApplicationId(), onSuccess, onFailure);
    }
}

void QVFavoriteThisGameController::onIsFavoriteChanged(Object*)
{
    isFavorite_ = !isFavorite_;
    if (isFavorite_)
        onGameIsFavorite(reviewTextField()->text());
    else
        onGameIsNotFavorite();
    hideLoadingScreen();
}

void QVFavoriteThisGameController::onReviewSubmitted(Object*)
{
    hideLoadingScreen();
    AlertView::alert("", "Your comment has been submitted.", nullptr, "OK")->show();
}

void QVFavoriteThisGameController::onGameIsNotFavorite()
{
    isFavorite_ = false;
    descriptionLabel()->setText(kNotFavoriteText);
    setButtonImage(QVDashboardRole::current().isLargeScreen() ? "QVFavoriteThisGameIconRateOff.png" : "QVButtonStarEmpty.png");
    setReviewAreaAvailable(false, true);
}

void QVFavoriteThisGameController::onGameIsFavorite(const std::string& comment)
{
    isFavorite_ = true;
    setButtonImage(QVDashboardRole::current().isLargeScreen() ? "QVFavoriteThisGameIconRateOn.png" : "QVButtonStarFilled.png");
    reviewTextField()->setText(comment);
    descriptionLabel()->setText("You've added " + getClientApplicationName()
                                + " to your Favorites. From now on when your friends view your list of games, this one "
                                  "will be marked with a star. Press the star again to remove it from your Favorites.");
    setReviewAreaAvailable(true, true);
}

void QVFavoriteThisGameController::setButtonImage(const std::string& name)
{
    starImageName_ = name;
    auto image = QVLoadKitImage(name);
    favoriteButton()->setImage(image.get(), StateNormal);
    favoriteButton()->setImage(image.get(), StateHighlighted);
}

void QVFavoriteThisGameController::setReviewAreaAvailable(bool shown, bool)
{
    // The star steps aside (sideways in landscape, else up) for the comment area.
    const bool landscape = QVDashboardRole::current().isInLandscapeMode();
    float width = view()->bounds().size.width;
    Rect star = favoriteButton()->frame();
    if (shown) {
        star.origin = landscape ? platform::Point(10, star.origin.y) : platform::Point((width - 64) / 2, 96);
        reviewArea()->setAlpha(1);
        reviewArea()->setUserInteractionEnabled(true);
        navigationItem()->setRightBarButtonItem(
            BarButtonItem::withTitle("Submit", BarButtonItem::Style::Plain, this,
                                     BarButtonItem::PlainAction(BRISKO_SELECTOR(QVFavoriteThisGameController, onSubmitReviewPressed)))
                .get());
    } else {
        star.origin = platform::Point((width - 64) / 2, 100);
        reviewArea()->setAlpha(0);
        reviewArea()->setUserInteractionEnabled(false);
        reviewTextField()->resignFirstResponder();
        navigationItem()->setRightBarButtonItem(nullptr);
    }
    favoriteButton()->setFrame(star);
}

} // namespace quorvel
