// QVTabBarItem: one tab of the dashboard's tab strip. It names its root
// screen, which is loaded the first time the tab is shown and can be unloaded
// again to save memory.
#include "social/ui/QVTabBarItem.h"

#include "platform/graphics/TextEngine.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"
#include "social/runtime/QVSessionRole.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVTabBar.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Point;
using platform::Rect;
using platform::Ref;

namespace {

constexpr float kIconBottomSpace = 12;

constexpr float kLabelHeight = 20;

constexpr float kHitOverlayLift = 5;

void fadeAlpha(View* view, float alpha, double duration, const char* name = "fadeTabBarIcon")
{
    View::beginAnimations(name);
    View::setAnimationDuration(duration);
    View::setAnimationBeginsFromCurrentState(true);
    view->setAlpha(alpha);
    View::commitAnimations();
}

} // namespace

Ref<QVTabBarItem> QVTabBarItem::withParent(QVTabBar* parent, const std::string& controllerName,
                                           const std::string& name, ImageAsset* activeImage,
                                           ImageAsset* inactiveImage, ImageAsset* disabledImage)
{
    auto item = platform::adoptRef(new QVTabBarItem);
    if (!item->initWithParent(parent, controllerName, name, activeImage, inactiveImage, disabledImage))
        return nullptr;
    return item;
}

bool QVTabBarItem::initWithParent(QVTabBar* parent, const std::string& controllerName, const std::string& name,
                                  ImageAsset* activeImage, ImageAsset* inactiveImage, ImageAsset* disabledImage)
{
    if (!parent)
        return false;
    Rect barBounds = parent->bounds();
    float width = barBounds.size.width;
    float height = barBounds.size.height;
    if (!initWithFrame(Rect(0, 0, width, height)))
        return false;
    parent_ = parent;
    viewControllerName_ = controllerName;
    name_ = name;
    activeImage_ = activeImage;
    inactiveImage_ = inactiveImage;
    disabledImage_ = disabledImage;
    setBackgroundColor(std::nullopt);
    setOpaque(false);

    button_ = Button::buttonWithType(Button::Type::Custom);
    button_->setFrame(Rect(0, 0, width, height));
    button_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    button_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVTabBarItem, didTapTabItem)), TouchUpInside);
    button_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVTabBarItem, didHit)), TouchDown);
    button_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVTabBarItem, didCancelHit)),
                       TouchUpOutside | TouchDragExit);

    if (parent->style == QVTabBar::ImageSegments) {
        backgroundView_ = ImageView::imageViewWithFrame(Rect(0, 0, width, height));
        backgroundView_->setContentMode(ContentMode::Center);
        backgroundView_->setImage(inactiveImage);
        addSubview(backgroundView_.get());
        addSubview(button_.get());
        imageView_ = ImageView::imageViewWithFrame(Rect(0, 0, width, height));
        imageView_->setContentMode(ContentMode::Center);
        imageView_->setUserInteractionEnabled(false);
        imageView_->setAlpha(0);
        imageView_->setImage(activeImage);
        addSubview(imageView_.get());
    } else {
        backgroundView_ = ImageView::imageViewWithFrame(Rect(0, 0, width + parent->overlap, height));
        backgroundView_->setImage(parent->inactiveItemBackgroundImage.get());
        backgroundView_->setContentMode(ContentMode::ScaleToFill);
        backgroundView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        addSubview(backgroundView_.get());
        addSubview(button_.get());
        hitImageView_ = ImageView::imageViewWithImage(parent->hitOverlayImage.get());
        hitImageView_->setHidden(true);
        hitImageView_->setUserInteractionEnabled(false);
        addSubview(hitImageView_.get());
        imageView_ = ImageView::imageViewWithFrame(Rect(0, 0, width, height - kIconBottomSpace));
        imageView_->setContentMode(ContentMode::Center);
        imageView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        imageView_->setUserInteractionEnabled(false);
        imageView_->setImage(inactiveImage);
        addSubview(imageView_.get());

        bool segments = parent->style == QVTabBar::LabelledSegments;
        Rect labelFrame(0, height - kLabelHeight, width, kLabelHeight);
        if (segments) {
            const Rect& p = parent->labelPadding;
            labelFrame = Rect(p.origin.x, p.origin.y, width - p.size.width + parent->overlap, height - p.size.height);
        }
        nameLabel_ = Label::labelWithFrame(labelFrame);
        nameLabel_->setText(name);
        nameLabel_->setTextAlignment(parent->textAlignment);
        nameLabel_->setFont(platform::Font::boldSystemFont(segments ? 14 : 10).get());
        nameLabel_->setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
        nameLabel_->setBackgroundColor(std::nullopt);
        nameLabel_->setOpaque(false);
        updateLabelColors(parent->inactiveTextColor, parent->inactiveShadowColor);
        addSubview(nameLabel_.get());
    }

    float dividerWidth = parent->dividerImage ? parent->dividerImage->size().width : 0;
    borderImageView_ = ImageView::imageViewWithFrame(Rect(-1, 0, dividerWidth, height));
    borderImageView_->setAutoresizingMask(FlexibleRightMargin | FlexibleHeight);
    borderImageView_->setImage(parent->dividerImage.get());
    borderImageView_->setUserInteractionEnabled(false);
    addSubview(borderImageView_.get());

    badgeView_ = QVBadgeView::redBadge();
    if (badgeView_) {
        badgeView_->setHidden(true);
        badgeView_->setUserInteractionEnabled(false);
        addSubview(badgeView_.get());
    }
    return true;
}

void QVTabBarItem::updateLabelColors(const std::optional<Color>& text, const std::optional<Color>& shadow)
{
    if (!nameLabel_)
        return;
    if (text)
        nameLabel_->setTextColor(*text);
    nameLabel_->setShadowColor(shadow);
    if (shadow)
        nameLabel_->setShadowOffset(platform::Size(0, 1));
}

void QVTabBarItem::setBadgeValue(const std::string& text) { setBadgeValue(std::atoi(text.c_str())); }

void QVTabBarItem::setBadgeValue(int value)
{
    if (!badgeView_)
        return;
    badgeView_->setValue(value);
    badgeView_->setHidden(value == 0);
    setNeedsLayout();
}

void QVTabBarItem::setDrawnName(const std::string& name)
{
    drawnName_ = name;
    setNeedsLayout();
}

Rect QVTabBarItem::drawnNameBox() const
{
    if (drawnName_.empty() || !parent_ || parent_->drawnNameFontSize <= 0)
        return Rect();
    auto font = platform::Font::boldSystemFont(parent_->drawnNameFontSize);
    if (!font)
        return Rect();
    const platform::Size text = platform::measureText(drawnName_, *font);
    const float width = bounds().size.width;
    return Rect((width - text.width) / 2, parent_->drawnNameTop, text.width, text.height);
}

std::string QVTabBarItem::controllerNameToLoad() const
{
    if (!disabledControllerName_.empty() && !QVSessionRole::current().hasUserApprovedQuorvel())
        return disabledControllerName_;
    return viewControllerName_;
}

void QVTabBarItem::loadViewControllerIfNeeded(bool& loadedNow)
{
    loadedNow = false;
    if (viewControllerName_.empty() || viewController_ || !parent_)
        return;
    loadedName_ = controllerNameToLoad();
    viewController_ = parent_->_loadTabItemViewController(loadedName_, this);
    loadedNow = viewController_ != nullptr;
}

void QVTabBarItem::setActive(bool active)
{
    if (disabled_ || !parent_)
        return;
    bool wasActive = active_;
    active_ = active;
    int style = parent_->style;
    if (active) {
        bool loadedNow = false;
        loadViewControllerIfNeeded(loadedNow);
        justLoaded_ = loadedNow;
        if (viewController_ && (loadedNow || !wasActive)) {
            viewController_->notifyViewWillAppear(false);
            View* screen = viewController_->view();
            View* holder = parent_->superview();
            if (!screen->superview() && holder)
                holder->insertSubviewBelow(screen, parent_);
            screen->setHidden(false);
            if (View* s = screen->superview()) {
                Rect b = s->bounds();
                screen->setFrame(Rect(0, 0, b.size.width, b.size.height - parent_->frame().size.height));
            }
            viewController_->notifyViewDidAppear(false);
        }
        if (style == QVTabBar::ImageSegments) {
            fadeAlpha(imageView_.get(), 1.0f, kFadeDuration);
        } else {
            backgroundView_->setImage(parent_->activeItemBackgroundImage.get());
            imageView_->setImage(activeImage_.get());
            updateLabelColors(parent_->activeTextColor, parent_->activeShadowColor);
            if (parent_->pulse && !wasActive)
                animatePulse();
        }
    } else {
        if (style == QVTabBar::ImageSegments) {
            fadeAlpha(imageView_.get(), 0.0f, kFadeDuration);
        } else {
            backgroundView_->setImage(parent_->inactiveItemBackgroundImage.get());
            imageView_->setImage(inactiveImage_.get());
            updateLabelColors(parent_->inactiveTextColor, parent_->inactiveShadowColor);
            fadeAlpha(imageView_.get(), 1.0f, kFadeDuration);
        }
        // Only a tab that was showing its screen hides it.
        if (viewController_ && wasActive) {
            viewController_->notifyViewWillDisappear(false);
            if (viewController_->isViewLoaded())
                viewController_->view()->setHidden(true);
            viewController_->notifyViewDidDisappear(false);
        }
    }
    didCancelHit();
}

void QVTabBarItem::setDisabled(bool disabled)
{
    disabled_ = disabled;
    if (!parent_)
        return;
    bool images = parent_->style == QVTabBar::ImageSegments;
    if (disabled) {
        if (images) {
            backgroundView_->setImage(disabledImage_ ? disabledImage_.get() : inactiveImage_.get());
            return;
        }
        backgroundView_->setImage(parent_->disabledItemBackgroundImage.get());
        updateLabelColors(parent_->disabledTextColor, parent_->disabledShadowColor);
        if (disabledImage_) {
            imageView_->setImage(disabledImage_.get());
            return;
        }
        imageView_->setImage(inactiveImage_.get());
        if (!overlayView_) {
            overlayView_ = View::viewWithFrame(backgroundView_->frame());
            overlayView_->setBackgroundColor(Color::white(47.0f / 255).withAlpha(91.0f / 255));
            overlayView_->setOpaque(false);
            overlayView_->setUserInteractionEnabled(false);
            if (ImageAsset* icon = parent_->disabledOverlayIconImage.get()) {
                auto iconView = ImageView::imageViewWithImage(icon);
                Rect f = iconView->frame();
                f.origin.x = std::round((overlayView_->bounds().size.width - f.size.width) / 2);
                iconView->setFrame(f);
                overlayView_->addSubview(iconView.get());
                imageView_->setHidden(true);
            }
            addSubview(overlayView_.get());
        }
        return;
    }
    if (images) {
        backgroundView_->setImage(inactiveImage_.get());
        return;
    }
    if (overlayView_) {
        overlayView_->removeFromSuperview();
        overlayView_ = nullptr;
        imageView_->setHidden(false);
    }
    showStateLook(active_);
}

void QVTabBarItem::showStateLook(bool active)
{
    backgroundView_->setImage(active ? parent_->activeItemBackgroundImage.get() : parent_->inactiveItemBackgroundImage.get());
    imageView_->setImage(active ? activeImage_.get() : inactiveImage_.get());
    if (active)
        updateLabelColors(parent_->activeTextColor, parent_->activeShadowColor);
    else
        updateLabelColors(parent_->inactiveTextColor, parent_->inactiveShadowColor);
}

void QVTabBarItem::animatePulse()
{
    if (!imageView_)
        return;
    View::beginAnimations("pulseQVTabBarItem");
    View::setAnimationDuration(kPulseDuration);
    View::setAnimationBeginsFromCurrentState(true);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(View::DidStopSelector(BRISKO_SELECTOR(QVTabBarItem, pulseDidStop)));
    imageView_->setAlpha(imageView_->alpha() >= 1.0f ? kPulseAlpha : 1.0f);
    View::commitAnimations();
}

void QVTabBarItem::pulseDidStop(const std::string&, bool, void*)
{
    if (active_ && parent_ && parent_->pulse)
        animatePulse();
    else if (imageView_)
        imageView_->setAlpha(1.0f);
}

void QVTabBarItem::didTapTabItem()
{
    if (disabled_ || !parent_)
        return;
    parent_->showTab(this);
}

void QVTabBarItem::didHit()
{
    if (disabled_ || !hitImageView_)
        return;
    hitImageView_->setHidden(false);
    hitImageView_->setAlpha(1.0f);
}

void QVTabBarItem::didCancelHit()
{
    if (hitImageView_)
        fadeAlpha(hitImageView_.get(), 0.0f, kFadeDuration, "fadeTabBarHit");
}

void QVTabBarItem::layoutSubviews() { layoutInBar(); }

void QVTabBarItem::layoutInBar()
{
    if (!parent_)
        return;
    auto index = parent_->indexOfItem(this);
    if (!index)
        return;
    const auto& items = parent_->items();
    float width;
    float x;
    if (parent_->style == QVTabBar::ImageSegments) {
        width = activeImage_ ? activeImage_->size().width : 0;
        x = parent_->leftPadding;
        for (size_t i = 0; i < *index; ++i)
            x += items[i]->activeImage_ ? items[i]->activeImage_->size().width : 0;
    } else {
        float barWidth = parent_->bounds().size.width;
        width = (barWidth - parent_->leftPadding - parent_->rightPadding - parent_->overlap) / float(items.size());
        x = parent_->leftPadding + float(*index) * width;
    }
    float height = frame().size.height;
    float left = std::round(x), right = left + std::round(width);
    if (parent_->style != QVTabBar::ImageSegments) {
        // The paddings let the segments' art overlap the bar's ends; the segments themselves stay on the bar.
        float barWidth = parent_->bounds().size.width;
        left = std::max(left, 0.0f);
        right = std::min(right, barWidth);
    }
    setFrame(Rect(left, 0, std::max(0.0f, right - left), height));
    Rect b = bounds();
    width = b.size.width;

    if (overlayView_) {
        overlayView_->setFrame(b);
        for (auto& sub : overlayView_->subviews()) {
            Point c = sub->center();
            c.x = width / 2;
            sub->setCenter(c);
        }
        bringSubviewToFront(overlayView_.get());
    }
    if (hitImageView_)
        hitImageView_->setCenter(Point(width / 2, height / 2 - kHitOverlayLift));

    ImageAsset* icon = imageView_ ? imageView_->image() : nullptr;
    switch (parent_->style) {
    case QVTabBar::TabBarStyle: {
        platform::Size s = icon ? icon->size() : platform::Size();
        imageView_->setFrame(Rect(std::round((width - s.width) / 2), std::round((height - s.height - 4) / 2) - 5,
                                  s.width, s.height));
        break;
    }
    case QVTabBar::LabelledSegments:
        if (icon) {
            platform::Size s = icon->size();
            imageView_->setFrame(Rect(std::round((width - s.width) / 2), std::round((height - s.height - 12) / 2),
                                      s.width, s.height));
        }
        break;
    default:
        imageView_->setFrame(b);
        backgroundView_->setFrame(b);
        break;
    }

    if (badgeView_) {
        platform::Size s = badgeView_->frame().size;
        Point offset = parent_->badgeOffset;
        float bx, by;
        if (parent_->placeBadgeTopRight) {
            bx = width - s.width / 2 + offset.x;
            by = s.height / 2 + offset.y;
        } else {
            bx = width / 2 + offset.x;
            by = height / 2 + offset.y;
        }
        // On whole points: the badge's three pieces meeting between pixels showed a seam down its middle.
        Rect badge(std::round(bx - s.width / 2), std::round(by - s.height / 2), s.width, s.height);
        // Its art leaves a point clear round the lozenge, so a frame that only meets the name
        // keeps the lozenge clear of it: beside the name (a point further, as the lozenge's round
        // end comes close to the name's last letter) when the tab has room, else above it.
        const Rect name = drawnNameBox();
        if (!parent_->placeBadgeTopRight && badge.intersects(name)) {
            if (std::ceil(name.maxX()) + 1 + s.width <= width)
                badge.origin.x = std::ceil(name.maxX()) + 1;
            else
                badge.origin.y = std::floor(name.minY()) - s.height;
        }
        badgeView_->setFrame(badge);
    }
    if (nameLabel_ && parent_->textAlignment == platform::TextAlignment::Center) {
        Rect f = nameLabel_->frame();
        nameLabel_->setFrame(Rect(0, f.origin.y, width, f.size.height));
        // A shown badge never covers the name: the name is centred in the room left of the badge, and
        // shrinks (to 10 points) when it needs more than that room.
        bool badged = badgeView_ && !badgeView_->isHidden() && parent_->style == QVTabBar::LabelledSegments;
        if (badged && nameLabel_->font()) {
            float room = badgeView_->frame().origin.x - 2;
            float text = std::ceil(platform::measureText(nameLabel_->text(), *nameLabel_->font()).width);
            if ((width + text) / 2 > room)
                nameLabel_->setFrame(Rect(0, f.origin.y, std::max(0.0f, room), f.size.height));
        }
        nameLabel_->setAdjustsFontSizeToFitWidth(badged);
        nameLabel_->setMinimumFontSize(10);
    }
}

} // namespace quorvel
