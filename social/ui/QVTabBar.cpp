// The tab strip: selection, disabling, unloading, z-order, layout and
// finding the strip above a view.
#include "social/ui/QVTabBar.h"

#include "platform/foundation/Log.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVTabBarItem.h"

#include <cmath>
#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Point;
using platform::Rect;
using platform::Ref;

Ref<QVTabBar> QVTabBar::withFrame(const Rect& frame)
{
    auto bar = platform::adoptRef(new QVTabBar);
    if (!bar->initWithFrame(frame))
        return nullptr;
    return bar;
}

bool QVTabBar::initWithFrame(const Rect& frame)
{
    if (!View::initWithFrame(frame))
        return false;
    setupDefaults();
    return true;
}

bool QVTabBar::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    setupDefaults();
    return true;
}

void QVTabBar::setupDefaults()
{
    setBackgroundColor(Color::clear());
    setOpaque(false);
    setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
    if (!backgroundImageView_) {
        backgroundImageView_ = ImageView::imageViewWithFrame(bounds());
        backgroundImageView_->setContentMode(ContentMode::ScaleToFill);
        backgroundImageView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        backgroundImageView_->setBackgroundColor(Color::clear());
        backgroundImageView_->setOpaque(false);
        insertSubviewAt(backgroundImageView_.get(), 0);
    }
}

QVTabBar::~QVTabBar()
{
    for (auto& item : items_)
        item->setActive(false);
    for (auto& item : items_)
        item->parent_ = nullptr;
}

ImageAsset* QVTabBar::backgroundImage() const { return backgroundImageView_ ? backgroundImageView_->image() : nullptr; }

void QVTabBar::setBackgroundImage(ImageAsset* image)
{
    if (backgroundImageView_)
        backgroundImageView_->setImage(image);
}

ViewController* QVTabBar::selectedViewController() const
{
    return selectedTab_ ? selectedTab_->viewController() : nullptr;
}

std::optional<size_t> QVTabBar::indexOfItem(const QVTabBarItem* item) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return i;
    return std::nullopt;
}

QVTabBarItem* QVTabBar::addItem(Ref<QVTabBarItem> item)
{
    if (!item)
        return nullptr;
    items_.push_back(item);
    insertSubviewAbove(item.get(), backgroundImageView_.get());
    setNeedsLayout();
    return item.get();
}

QVTabBarItem* QVTabBar::addViewControllerOfDisabledViewController(const std::string& controllerName,
                                                                  const std::string& disabledControllerName,
                                          const std::string& name, ImageAsset* activeImage, ImageAsset* inactiveImage,
                                          ImageAsset* disabledImage)
{
    auto item = QVTabBarItem::withParent(this, controllerName, name, activeImage, inactiveImage, disabledImage);
    if (item)
        item->setQuorvelDisabledViewControllerName(disabledControllerName);
    return addItem(item);
}

QVTabBarItem* QVTabBar::addViewController(const std::string& controllerName, const std::string& name,
                                          ImageAsset* activeImage, ImageAsset* inactiveImage, ImageAsset* disabledImage)
{
    return addViewControllerOfDisabledViewController(controllerName, {}, name, activeImage, inactiveImage, disabledImage);
}

QVTabBarItem* QVTabBar::addSegmentNamed(const std::string& name, ImageAsset* activeImage, ImageAsset* inactiveImage,
                                        ImageAsset* disabledImage)
{
    return addViewControllerOfDisabledViewController({}, {}, name, activeImage, inactiveImage, disabledImage);
}

Ref<ViewController> QVTabBar::_loadTabItemViewController(const std::string& controllerName, QVTabBarItem* item)
{
    if (auto delegate = delegate_.lock()) {
        if (auto answer = delegate->tabBarLoadViewController(this, controllerName, item))
            return *answer;
    }
    return QVControllerLoader::load(controllerName);
}

void QVTabBar::showTab(QVTabBarItem* item, bool showAtRoot, bool notifyDelegate)
{
    Ref<QVTabBar> protect(this);
    for (size_t i = 0; i < items_.size(); ++i) {
        Ref<QVTabBarItem> it = items_[i];
        if (it.get() != item) {
            it->setActive(false);
            continue;
        }
        bool hadController = it->viewController() != nullptr;
        QVTabBarItem* previous = selectedTab_;
        selectedTab_ = it.get();
        it->justLoaded_ = false;
        it->setActive(true);
        if (!it->viewControllerName().empty()) {
            ViewController* controller = it->viewController();
            auto delegate = delegate_.lock();
            if (it->justLoaded_ && controller && delegate)
                delegate->tabBarDidLoadViewController(this, controller, it.get());
            if (delegate)
                delegate->tabBarDidSelectViewController(this, selectedViewController());
            if ((hadController && previous == it.get()) || showAtRoot) {
                if (auto* nav = dynamic_cast<NavigationController*>(it->viewController()))
                    nav->popToRootViewControllerAnimated(true);
            }
        }
        if (auto delegate = delegate_.lock(); delegate && notifyDelegate) {
            delegate->tabBarDidSelectTabItem(this, it.get());
            delegate->tabBarDidSelectTabNamed(this, it->name());
            delegate->tabBarDidSelectTabAtIndex(this, i);
        }
    }
    updateZOrder();
}

void QVTabBar::showTabAtIndex(size_t index, bool showAtRoot, bool notifyDelegate)
{
    if (index >= items_.size()) {
        platform::logWarning("QVTabBar: no tab at index %zu of %zu", index, items_.size());
        return;
    }
    showTab(items_[index].get(), showAtRoot, notifyDelegate);
}

void QVTabBar::showTabNamed(const std::string& name, bool showAtRoot, bool notifyDelegate)
{
    for (auto& item : items_) {
        if (item->name() == name) {
            showTab(item.get(), showAtRoot, notifyDelegate);
            return;
        }
    }
}

void QVTabBar::showTabViewControllerNamed(const std::string& controllerName, bool showAtRoot, bool notifyDelegate)
{
    for (auto& item : items_) {
        if (!controllerName.empty() && item->viewControllerName() == controllerName) {
            showTab(item.get(), showAtRoot, notifyDelegate);
            return;
        }
    }
}

void QVTabBar::disableTab(QVTabBarItem* item, bool notifyDelegate)
{
    auto index = indexOfItem(item);
    if (!index)
        return;
    item->setDisabled(true);
    if (auto delegate = delegate_.lock(); delegate && notifyDelegate) {
        delegate->tabBarDidDisableTabItem(this, item);
        delegate->tabBarDidDisableTabNamed(this, item->name());
        delegate->tabBarDidDisableTabAtIndex(this, *index);
    }
    updateZOrder();
}

void QVTabBar::disableTabAtIndex(size_t index, bool notifyDelegate)
{
    if (index >= items_.size()) {
        platform::logWarning("QVTabBar: no tab at index %zu of %zu", index, items_.size());
        return;
    }
    disableTab(items_[index].get(), notifyDelegate);
}

void QVTabBar::disableTabNamed(const std::string& name, bool notifyDelegate)
{
    auto items = items_;
    for (auto& item : items)
        if (item->name() == name)
            disableTab(item.get(), notifyDelegate);
}

void QVTabBar::disableTabViewControllerNamed(const std::string& controllerName, bool notifyDelegate)
{
    auto items = items_;
    for (auto& item : items)
        if (!controllerName.empty() && item->viewControllerName() == controllerName)
            disableTab(item.get(), notifyDelegate);
}

void QVTabBar::enableAllTabs()
{
    for (auto& item : items_)
        item->setDisabled(false);
    updateZOrder();
}

void QVTabBar::unloadTabBarItem(QVTabBarItem* item)
{
    if (!item || !item->viewController())
        return;
    Ref<ViewController> controller = item->viewController();
    if (auto* nav = dynamic_cast<NavigationController*>(controller.get()))
        nav->popToRootViewControllerAnimated(false);
    if (auto delegate = delegate_.lock())
        delegate->tabBarWillUnloadViewController(this, controller.get(), item);
    item->setViewController(nullptr);
    // The screen's view goes with it, so that unloaded tabs leave nothing behind.
    if (controller->isViewLoaded())
        controller->view()->removeFromSuperview();
}

void QVTabBar::unloadTabBarItemNamed(const std::string& controllerName)
{
    auto items = items_;
    for (auto& item : items) {
        if (controllerName.empty() || item->viewControllerName() != controllerName || !item->viewController())
            continue;
        if (item.get() != selectedTab_) {
            unloadTabBarItem(item.get());
            continue;
        }
        QVTabBarItem* other = nullptr;
        for (auto& candidate : items_)
            if (candidate != item) {
                other = candidate.get();
                break;
            }
        if (!other) {
            platform::log("Couldn't unload QVTabBarItem %s because it's the only one!", controllerName.c_str());
            continue;
        }
        showTab(other);
        unloadTabBarItem(item.get());
        showTab(item.get());
    }
}

void QVTabBar::unloadAllInactiveTabs()
{
    auto items = items_;
    for (auto& item : items)
        if (item.get() != selectedTab_ && !item->viewControllerName().empty() && item->viewController())
            unloadTabBarItem(item.get());
}

void QVTabBar::forceUnloadAllTabs()
{
    auto items = items_;
    for (auto& item : items)
        if (!item->viewControllerName().empty() && item->viewController())
            unloadTabBarItem(item.get());
}

void QVTabBar::setBadgeValueForItemNamed(int value, const std::string& name)
{
    for (auto& item : items_) {
        if (item->name() == name) {
            item->setBadgeValue(value);
            return;
        }
    }
}

void QVTabBar::updateZOrder()
{
    if (!changeZOrderOnTap)
        return;
    auto selected = indexOfItem(selectedTab_);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!selected || i < *selected)
            bringSubviewToFront(items_[i].get());
        else
            sendSubviewToBack(items_[i].get());
    }
    if (selectedTab_)
        bringSubviewToFront(selectedTab_);
    if (backgroundImageView_)
        sendSubviewToBack(backgroundImageView_.get());
}

void QVTabBar::layoutSubviews()
{
    for (size_t i = 0; i < items_.size(); ++i) {
        items_[i]->layoutInBar();
        if (ImageView* divider = items_[i]->borderImageView())
            divider->setHidden(i == 0);
    }
}

void QVTabBar::hideTabBar()
{
    if (isHidden())
        return;
    View::beginAnimations(kHideAnimation);
    View::setAnimationDuration(kSlideDuration);
    View::setAnimationCurve(AnimationCurve::EaseIn);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(View::DidStopSelector(BRISKO_SELECTOR(QVTabBar, slideDidStop)));
    Point c = center();
    c.y += frame().size.height;
    setCenter(c);
    if (ViewController* selected = selectedViewController(); selected && selected->isViewLoaded()) {
        if (View* s = selected->view()->superview())
            selected->view()->setFrame(s->bounds());
    }
    View::commitAnimations();
}

void QVTabBar::showTabBar()
{
    if (!isHidden())
        return;
    setHidden(false);
    View::beginAnimations(kShowAnimation);
    View::setAnimationDuration(kSlideDuration);
    View::setAnimationCurve(AnimationCurve::EaseOut);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(View::DidStopSelector(BRISKO_SELECTOR(QVTabBar, slideDidStop)));
    Point c = center();
    c.y -= frame().size.height;
    setCenter(c);
    if (ViewController* selected = selectedViewController(); selected && selected->isViewLoaded()) {
        if (View* s = selected->view()->superview()) {
            Rect b = s->bounds();
            selected->view()->setFrame(Rect(0, 0, b.size.width, b.size.height - frame().size.height));
        }
    }
    View::commitAnimations();
}

void QVTabBar::slideDidStop(const std::string& name, bool, void*) { setHidden(name == kHideAnimation); }

} // namespace quorvel
