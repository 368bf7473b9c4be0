// QVPlayedGameCell ("PlayedGame"): a game with the player's and a compared
// player's standing in it.
#include "social/dashboard/games/QVPlayedGameCell.h"

#include "platform/device/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/games/QVApplicationDescriptionController.h"
#include "social/services/QVPlayedGame.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

namespace {
// How far the name's top sits above the friends line's.
constexpr float kNameAboveFriends = 24;
} // namespace

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVPlayedGameCell);

bool QVPlayedGameCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = layout::rowWidth();
    setFrame(Rect(0, 0, width, kHeight));
    View* content = contentView();
    const Rect icon = layout::pictureInRow(40, kHeight); // its frame clear of the next row's
    const float text = layout::besidePicture(icon); // clear of the icon's frame
    iconView_ = QVImageView::imageViewWithFrame(icon);
    iconView_->setShouldScaleImageToFillRect(true); // a game's icon comes larger than the row shows it
    nameLabel_ = layout::makeLabel(Rect(text, 30 - kNameAboveFriends, width - 100 - text, 22), 16, true);
    friendsWithAppLabel_ = layout::makeLabel(Rect(text, 30, width - 100 - text, 18), 12, false);
    miniScreenshotOneView_ = QVImageView::imageViewWithFrame(Rect(width - 90, 6, 30, 44));
    miniScreenshotTwoView_ = QVImageView::imageViewWithFrame(Rect(width - 56, 6, 30, 44));
    layout::addSubviews(content, { iconView_.get(), nameLabel_.get(), friendsWithAppLabel_.get(),
                                   miniScreenshotOneView_.get(), miniScreenshotTwoView_.get() });
    // The list inside the content frame is narrower than the dashboard: the
    // texts give way and the parts at the right keep to the row's right edge.
    for (Label* text : { nameLabel_.get(), friendsWithAppLabel_.get() }) {
        text->setAutoresizingMask(FlexibleWidth);
        text->setAdjustsFontSizeToFitWidth(true);
        text->setMinimumFontSize(10);
    }
    for (QVImageView* shot : { miniScreenshotOneView_.get(), miniScreenshotTwoView_.get() }) {
        shot->setAutoresizingMask(FlexibleLeftMargin);
        shot->setHidden(true);
    }
    auto stat = [&](float x, Ref<ImageView>& scoreIcon, Ref<Label>& scoreLabel, Ref<ImageView>& favourite) {
        Ref<View> view = View::viewWithFrame(Rect(x, 0, 48, kHeight));
        view->setBackgroundColor(std::nullopt);
        scoreIcon = ImageView::imageViewWithFrame(Rect(16, 8, 16, 16));
        scoreLabel = layout::makeLabel(Rect(0, 26, 48, 14), 11, true);
        scoreLabel->setTextAlignment(platform::TextAlignment::Center);
        favourite = ImageView::imageViewWithFrame(Rect(18, 41, 12, 12));
        favourite->setImage(QVLoadKitImage("QVFavoritedIcon.png").get());
        layout::addSubviews(view, { scoreIcon.get(), scoreLabel.get(), favourite.get() });
        view->setAutoresizingMask(FlexibleLeftMargin);
        content->addSubview(view.get());
        return view;
    };
    firstStatView_ = stat(width - 100, firstGamerScoreIcon_, firstGamerScoreLabel_, firstFavoritedIcon_);
    secondStatView_ = stat(width - 50, secondGamerScoreIcon_, secondGamerScoreLabel_, secondFavoritedIcon_);
    comparisonDividerIcon_ = ImageView::imageViewWithFrame(Rect(width - 51, 4, 2, kHeight - 8));
    comparisonDividerIcon_->setImage(QVLoadKitImage("QVComparisonDivider.png").get());
    comparisonDividerIcon_->setAutoresizingMask(FlexibleLeftMargin);
    content->addSubview(comparisonDividerIcon_.get());
    shoppingCartButton_ = Button::buttonWithType(Button::Type::Custom);
    shoppingCartButton_->setFrame(Rect(width - 50, 8, 40, 40));
    shoppingCartButton_->setImage(QVLoadKitImage("QVShoppingCart.png").get(), StateNormal);
    shoppingCartButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVPlayedGameCell, showIPurchasePage)),
                                   TouchUpInside);
    shoppingCartButton_->setAutoresizingMask(FlexibleLeftMargin);
    content->addSubview(shoppingCartButton_.get());
    // A taller row (a tablet's) keeps everything in its middle.
    for (View* v : std::initializer_list<View*> { iconView_.get(), nameLabel_.get(), friendsWithAppLabel_.get(),
                                                  miniScreenshotOneView_.get(), miniScreenshotTwoView_.get(),
                                                  firstStatView_.get(), secondStatView_.get(),
                                                  comparisonDividerIcon_.get(), shoppingCartButton_.get() })
        v->setAutoresizingMask(v->autoresizingMask() | FlexibleTopMargin | FlexibleBottomMargin);
    return true;
}

void QVPlayedGameCell::showResource(QVPlayedGame* game)
{
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
    // Alone, the name sits level with the icon; with the friends line, above it.
    Rect name = nameLabel_->frame();
    name.origin.y = friendsWithAppLabel_->isHidden() ? iconView_->frame().midY() - name.size.height / 2
                                                     : friendsWithAppLabel_->frame().minY() - kNameAboveFriends;
    nameLabel_->setFrame(name);
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
        const std::string localId = QuorvelInternal::sessionRole().lastLoggedInUserId();
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
    setHeightForContent(kHeight);
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

} // namespace quorvel
