// Leading and trailing rows, the plain table header and the user row.
#include "social/ui/QVStandardCells.h"

#include "platform/graphics/Font.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVToggleControl.h"
#include "social/ui/QVRowLayout.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::makeLabel;
using layout::maxX;
using layout::rowWidth;

QV_REGISTER_CLASS(QVDefaultLeadingCell);
QV_REGISTER_CLASS(QVPlainMessageTrailingCell);
QV_REGISTER_CLASS(QVTrailingViewAllCell);
QV_REGISTER_CLASS(QVPlainTableHeaderController);
QV_REGISTER_CLASS(QVUserCell);
QV_REGISTER_CLASS(QVSelectableUserCell);

namespace {

constexpr float kRowHeight = 44;
constexpr float kIconSize = 32;

} // namespace

// ---------------------------------------------------------------------------
// Leading cell

bool QVDefaultLeadingCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, kRowHeight));
    const float iconY = (kRowHeight - kIconSize) / 2;
    headerContainerView_ = View::viewWithFrame(Rect(10, 0, width - 20, kRowHeight));
    headerContainerView_->setBackgroundColor(std::nullopt);
    headerLabel_ = makeLabel(Rect(0, 0, width - 20, kRowHeight), 16, true);
    headerLabel_->setTextColor(Color::whiteColor());
    headerLabel_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    headerContainerView_->addSubview(headerLabel_.get());
    leftIconView_ = QVImageView::imageViewWithFrame(Rect(6, iconY, kIconSize, kIconSize));
    // The pictures' frame art reaches 7 points past their sides: the right one stays inside the row.
    rightIconView_ = QVImageView::imageViewWithFrame(Rect(width - 8 - kIconSize, iconY, kIconSize, kIconSize));
    secondFromRightIconView_ = QVImageView::imageViewWithFrame(Rect(width - 14 - 2 * kIconSize, iconY, kIconSize, kIconSize));
    for (QVImageView* icon : { leftIconView_.get(), rightIconView_.get(), secondFromRightIconView_.get() }) {
        icon->setHidden(true);
        contentView()->addSubview(icon);
    }
    contentView()->addSubview(headerContainerView_.get());
    // The left picture answers a tap once it shows (a clear button over it, on top of the title).
    leftIconButton_ = Button::buttonWithType(Button::Type::Custom);
    leftIconButton_->setFrame(leftIconView_->frame());
    leftIconButton_->setHidden(true);
    leftIconButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVDefaultLeadingCell, onClickedLeftIcon)),
                               TouchUpInside);
    contentView()->addSubview(leftIconButton_.get());
    // Laid out for the dashboard's width: the pictures keep to the row's right edge, the header takes the rest.
    // A taller row (a tablet's) keeps the header and the pictures in its middle.
    headerContainerView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    leftIconView_->setAutoresizingMask(FlexibleTopMargin | FlexibleBottomMargin);
    leftIconButton_->setAutoresizingMask(FlexibleTopMargin | FlexibleBottomMargin);
    rightIconView_->setAutoresizingMask(FlexibleLeftMargin | FlexibleTopMargin | FlexibleBottomMargin);
    secondFromRightIconView_->setAutoresizingMask(FlexibleLeftMargin | FlexibleTopMargin | FlexibleBottomMargin);
    setSelectionStyle(CellSelectionStyle::None);
    return true;
}

void QVDefaultLeadingCell::enableLeftIconView()
{
    leftIconView_->setHidden(false);
    leftIconButton_->setHidden(false);
    Rect container = headerContainerView_->frame();
    float edge = maxX(leftIconView_.get()) + kIconMargin;
    if (edge > container.origin.x) {
        float shift = edge - container.origin.x;
        container.origin.x = edge;
        container.size.width -= shift;
        headerContainerView_->setFrame(container);
    }
}

void QVDefaultLeadingCell::enableLeftIconViewWithImageUrl(const std::optional<std::string>& url,
                                                          const std::string& defaultImage)
{
    enableLeftIconView();
    leftIconView_->setShouldScaleImageToFillRect(true); // an icon comes larger than the row shows it
    if (auto asset = QVLoadKitImage(defaultImage))
        leftIconView_->setDefaultImage(asset->image());
    leftIconView_->setImageUrl(url);
}

void QVDefaultLeadingCell::enableBothRightIconViews()
{
    enableRightIconView();
    enableSecondFromRightIconView();
}

void QVDefaultLeadingCell::_enableRightAlignedView(View* icon)
{
    icon->setHidden(false);
    Rect container = headerContainerView_->frame();
    float limit = icon->frame().origin.x - kIconMargin;
    if (maxX(headerContainerView_.get()) > limit) {
        container.size.width = limit - container.origin.x;
        headerContainerView_->setFrame(container);
    }
}

void QVDefaultLeadingCell::_disableRightAlignedView(View* icon)
{
    icon->setHidden(true);
    View* reference = secondFromRightIconView_.get();
    if (rightIconView_->isHidden() && secondFromRightIconView_->isHidden())
        reference = rightIconView_.get();
    Rect container = headerContainerView_->frame();
    if (maxX(reference) > maxX(headerContainerView_.get())) {
        container.size.width = maxX(reference) - container.origin.x;
        headerContainerView_->setFrame(container);
    }
}

void QVDefaultLeadingCell::disableBothRightIconViews()
{
    rightIconView_->setHidden(true);
    secondFromRightIconView_->setHidden(true);
    Rect container = headerContainerView_->frame();
    container.size.width = frame().size.width - 2 * container.origin.x;
    headerContainerView_->setFrame(container);
}

void QVDefaultLeadingCell::useLocalPlayerPicture(QVImageView* view)
{
    view->useLocalPlayerProfilePictureDefault();
    // The local player as the running client knows it (none without a client).
    platform::Ref<QVUser> user = QVSessionRole::current().localUser();
    view->setImageUrl(user ? user->profilePictureUrl() : std::nullopt);
    if (user && user->usesFacebookProfilePicture())
        view->addFacebookOverlay();
    else
        view->removeFacebookOverlay();
}

void QVDefaultLeadingCell::populateRightIconsAsComparison(QVUser* user)
{
    enableRightIconView();
    if (user && !user->isLocalUser()) {
        enableSecondFromRightIconView();
        useLocalPlayerPicture(secondFromRightIconView_.get());
        rightIconView_->useProfilePictureFromUser(user);
    } else {
        useLocalPlayerPicture(rightIconView_.get());
        disableSecondFromRightIconView();
    }
}

void QVDefaultLeadingCell::onClickedLeftIcon()
{
    Ref<Object> target = mCallbackTarget.lock();
    if (target && mLeftIconSelector)
        mLeftIconSelector.invoke(target.get());
}

// ---------------------------------------------------------------------------
// Trailing cells

bool QVPlainMessageTrailingCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, kRowHeight));
    messageLabel_ = makeLabel(Rect(10, 0, width - 20, kRowHeight), 14, false);
    messageLabel_->setTextAlignment(platform::TextAlignment::Center);
    messageLabel_->setAutoresizingMask(FlexibleWidth);
    contentView()->addSubview(messageLabel_.get());
    setSelectionStyle(CellSelectionStyle::None);
    return true;
}

bool QVTrailingViewAllCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, kRowHeight));
    viewAllLabel_ = makeLabel(Rect(10, 0, width - 40, kRowHeight), 15, true);
    viewAllLabel_->setAutoresizingMask(FlexibleWidth);
    contentView()->addSubview(viewAllLabel_.get());
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    return true;
}

// ---------------------------------------------------------------------------
// Plain table header

void QVPlainTableHeaderController::loadView()
{
    const float width = rowWidth();
    auto view = View::viewWithFrame(Rect(0, 0, width, kHeight));
    view->setAutoresizingMask(FlexibleWidth);
    bgView_ = ImageView::imageViewWithImage(nullptr);
    if (auto image = QVLoadKitImage("QVPlainTableHeaderBackground.png"))
        bgView_->setImage(image->stretchableImage(11, 22).get());
    bgView_->setFrame(view->bounds());
    bgView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    view->addSubview(bgView_.get());
    headerLabel_ = makeLabel(Rect(15, 0, width - 30, kHeight), 14, false);
    headerLabel_->setNumberOfLines(2);
    headerLabel_->setTextAlignment(platform::TextAlignment::Center);
    headerLabel_->setAutoresizingMask(FlexibleWidth);
    view->addSubview(headerLabel_.get());
    setView(view.get());
}

void QVPlainTableHeaderController::resizeView(View* tableView)
{
    float width = tableView ? tableView->frame().size.width : 0;
    view()->setFrame(Rect(0, 0, width, kHeight));
}

// ---------------------------------------------------------------------------
// User row

bool QVUserCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, kHeight));
    const Rect picture = layout::pictureInRow(36, kHeight);
    const float text = layout::besidePicture(picture);
    profilePicture_ = QVImageView::imageViewWithFrame(picture);
    contentView()->addSubview(profilePicture_.get());
    // The name ends a clear gap before the points' icon (at width - 90); a longer one shrinks a
    // little before it is cut.
    nameLabel_ = makeLabel(Rect(text, 5, width - 98 - text, 22), 16, true);
    nameLabel_->setAutoresizingMask(FlexibleWidth);
    nameLabel_->setAdjustsFontSizeToFitWidth(true);
    nameLabel_->setMinimumFontSize(12);
    contentView()->addSubview(nameLabel_.get());
    lastPlayedGameLabel_ = makeLabel(Rect(text, 28, width - 92 - text, 18), 12, false);
    lastPlayedGameLabel_->setTextColor(Color::white(0.4f));
    lastPlayedGameLabel_->setAutoresizingMask(FlexibleWidth);
    contentView()->addSubview(lastPlayedGameLabel_.get());
    onlineLabel_ = makeLabel(Rect(width - 90, 30, 60, 16), 11, true);
    onlineLabel_->setTextColor(Color::rgb(0.08f, 0.42f, 0.08f)); // a green that reads on the light rows
    onlineLabel_->setText("online");
    onlineLabel_->setAutoresizingMask(FlexibleLeftMargin);
    onlineLabel_->setHidden(true);
    contentView()->addSubview(onlineLabel_.get());
    relationshipDescription_ = makeLabel(lastPlayedGameLabel_->frame(), 12, false);
    relationshipDescription_->setTextColor(Color::white(0.4f));
    relationshipDescription_->setAutoresizingMask(FlexibleWidth);
    relationshipDescription_->setHidden(true);
    contentView()->addSubview(relationshipDescription_.get());
    presenceIcon_ = ImageView::imageViewWithImage(nullptr);
    presenceIcon_->setFrame(Rect(width - 104, 32, 12, 12));
    presenceIcon_->setAutoresizingMask(FlexibleLeftMargin);
    contentView()->addSubview(presenceIcon_.get());
    scoreIcon_ = ImageView::imageViewWithImage(QVLoadKitImage("QVQuorvelScoreIcon.png").get());
    scoreIcon_->setFrame(Rect(width - 90, 8, 14, 14));
    scoreIcon_->setAutoresizingMask(FlexibleLeftMargin);
    contentView()->addSubview(scoreIcon_.get());
    gamerScoreLabel_ = makeLabel(Rect(width - 74, 5, 44, 20), 13, true);
    gamerScoreLabel_->setTextColor(Color::white(0.2f));
    gamerScoreLabel_->setAutoresizingMask(FlexibleLeftMargin);
    contentView()->addSubview(gamerScoreLabel_.get());
    InterfaceBuilder builder(this);
    relationship_ = builder.makeView<QVUserRelationshipIndicator>(Rect(picture.maxX() - 8, picture.maxY() - 11, 14, 14));
    contentView()->addSubview(relationship_.get());
    layout::keepInTheMiddle({ profilePicture_.get(), nameLabel_.get(), lastPlayedGameLabel_.get(), onlineLabel_.get(),
                              relationshipDescription_.get(), presenceIcon_.get(), scoreIcon_.get(), gamerScoreLabel_.get(),
                              relationship_.get() });
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    return true;
}

void QVUserCell::onResourceChanged(Object* resource)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    nameLabel_->setText(user ? user->name() : std::string());
    profilePicture_->useProfilePictureFromUser(user);
    gamerScoreLabel_->setText(std::to_string(user ? user->gamerScore() : 0u));
    std::string prefix;
    if (user && user->online()) {
        onlineLabel_->setHidden(false);
        prefix = "playing";
    } else {
        onlineLabel_->setHidden(true);
        prefix = user && user->isLocalUser() ? "You are playing" : "Last played";
    }
    // Without a game's name there is nothing to say: the line goes and the name sits in the middle of the row.
    const std::string game = user ? user->lastPlayedGameName() : std::string();
    lastPlayedGameLabel_->setText(game.empty() ? std::string() : prefix + " " + game);
    lastPlayedGameLabel_->setHidden(game.empty());
    // ...level with the picture, whatever the row's height; else above the line.
    Rect name = nameLabel_->frame();
    name.origin.y = game.empty() ? std::floor(profilePicture_->frame().midY() - name.size.height / 2)
                                 : lastPlayedGameLabel_->frame().minY() - 23;
    nameLabel_->setFrame(name);
    // The player's points stand on the name's line.
    for (View* score : { static_cast<View*>(scoreIcon_.get()), static_cast<View*>(gamerScoreLabel_.get()) }) {
        Rect f = score->frame();
        f.origin.y = std::round(name.midY() - f.size.height / 2);
        score->setFrame(f);
    }
    relationship_->setUser(user);
}

void QVUserCell::setEditing(bool editing, bool animated)
{
    QVTableCellHelper::setEditing(editing, animated);
    const float alpha = editing ? 0.0f : 1.0f;
    scoreIcon_->setAlpha(alpha);
    gamerScoreLabel_->setAlpha(alpha);
}

bool QVSelectableUserCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVUserCell::initQVTableCellHelper(reuseIdentifier))
        return false;
    checkBox_ = ImageView::imageViewWithImage(nullptr);
    checkBox_->setFrame(Rect(rowWidth() - 34, (kHeight - 24) / 2, 24, 24));
    checkBox_->setAutoresizingMask(FlexibleLeftMargin | FlexibleTopMargin | FlexibleBottomMargin);
    contentView()->addSubview(checkBox_.get());
    setAccessoryType(CellAccessoryType::None);
    setChecked(false);
    return true;
}

void QVSelectableUserCell::setChecked(bool checked)
{
    checked_ = checked;
    checkBox_->setImage(QVLoadKitImage(checked ? "QVCheckBoxSelected.png" : "QVCheckBox.png").get());
}

} // namespace quorvel
