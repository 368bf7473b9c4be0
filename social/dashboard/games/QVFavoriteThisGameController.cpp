// Favouriting the page's game, and the comment sent with it.
#include "social/dashboard/games/QVFavoriteThisGameController.h"

#include "platform/ui/AlertView.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

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
    return game ? game->resourceId() : QuorvelInternal::sessionRole().clientApplicationId();
}

std::string QVFavoriteThisGameController::getClientApplicationName() const
{
    QVGameProfilePageInfo* game = gameContextOf(this);
    return game ? game->name() : QuorvelInternal::sessionRole().applicationDisplayName();
}

void QVFavoriteThisGameController::loadView()
{
    Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
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
    reviewTextField_ = QVMultilineTextField::fieldWithFrame(Rect(0, 0, width - 20, 100));
    reviewTextField_->setAutoresizingMask(FlexibleWidth);
    reviewArea_->addSubview(reviewTextField_.get());
    layout::addSubviews(root, { descriptionLabel_.get(), favoriteButton_.get(), reviewArea_.get() });
    setView(root.get());
    // Until the service says otherwise the page shows the state it holds (not a favourite): a
    // review that never comes leaves a star to see and its explanation, not an empty page.
    descriptionLabel_->setText(kNotFavoriteText);
    setButtonImage(notFavoriteImage());
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
    setButtonImage(notFavoriteImage());
    setReviewAreaAvailable(false, true);
}

void QVFavoriteThisGameController::onGameIsFavorite(const std::string& comment)
{
    isFavorite_ = true;
    setButtonImage(QuorvelInternal::dashboardRole().isLargeScreen() ? "QVFavoriteThisGameIconRateOn.png" : "QVButtonStarFilled.png");
    reviewTextField()->setText(comment);
    descriptionLabel()->setText("You've added " + getClientApplicationName()
                                + " to your Favorites. From now on when your friends view your list of games, this one "
                                  "will be marked with a star. Press the star again to remove it from your Favorites.");
    setReviewAreaAvailable(true, true);
}

const char* QVFavoriteThisGameController::notFavoriteImage()
{
    return QuorvelInternal::dashboardRole().isLargeScreen() ? "QVFavoriteThisGameIconRateOff.png" : "QVButtonStarEmpty.png";
}

void QVFavoriteThisGameController::setButtonImage(const std::string& name)
{
    starImageName_ = name;
    auto image = QVLoadKitImage(name);
    favoriteButton()->setImage(image.get(), StateNormal);
    favoriteButton()->setImage(image.get(), StateHighlighted);
}

void QVFavoriteThisGameController::setReviewAreaAvailable(bool shown, bool animate)
{
    // The star steps aside (sideways in landscape, else up) for the comment area.
    const bool landscape = QuorvelInternal::dashboardRole().isInLandscapeMode();
    // The page the star is on (the screen's view may be the frame's wrapper round it, wider).
    View* page = favoriteButton()->superview();
    float width = (page ? page : view())->bounds().size.width;
    Rect star = favoriteButton()->frame();
    star.origin = shown ? (landscape ? platform::Point(10, star.origin.y) : platform::Point((width - 64) / 2, 96))
                        : platform::Point((width - 64) / 2, 100);
    if (animate) {
        View::beginAnimations("slidingIn");
        View::setAnimationDuration(kReviewAreaDuration);
    }
    favoriteButton()->setFrame(star);
    if (animate) {
        View::commitAnimations();
        View::beginAnimations("fadingIn");
        View::setAnimationDuration(kReviewAreaDuration);
    }
    reviewArea()->setAlpha(shown ? 1 : 0);
    if (animate)
        View::commitAnimations();
    if (shown) {
        reviewArea()->setUserInteractionEnabled(true);
        navigationItem()->setRightBarButtonItem(
            BarButtonItem::withTitle("Submit", BarButtonItem::Style::Plain, this,
                                     BarButtonItem::PlainAction(BRISKO_SELECTOR(QVFavoriteThisGameController, onSubmitReviewPressed)))
                .get());
    } else {
        reviewArea()->setUserInteractionEnabled(false);
        reviewTextField()->resignFirstResponder();
        navigationItem()->setRightBarButtonItem(nullptr);
    }
}

} // namespace quorvel
