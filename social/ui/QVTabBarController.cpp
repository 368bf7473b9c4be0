// The tab bar controller, and the tab a screen belongs to.
#include "social/ui/QVTabBarController.h"

#include "platform/device/Application.h"
#include "platform/foundation/NotificationCenter.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/ui/QVViewController.h"

#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;


namespace {

Ref<ImageAsset> imageNamed(const std::string& name) { return name.empty() ? nullptr : QVLoadKitImage(name); }

} // namespace

bool QVTabBarController::init() { return initWithFrame(QVDashboardRole::current().getDashboardBounds()); }

bool QVTabBarController::initWithFrame(const Rect& frame)
{
    if (!ViewController::init())
        return false;
    mContainerView = QVTabBarContainer::containerWithFrame(frame);
    mTabBar = createTabBar();
    if (mTabBar) {
        mTabBar->setDelegate(this);
        mContainerView->addSubview(mTabBar.get());
    }
    _commonInit();
    return true;
}

bool QVTabBarController::initWithCoder()
{
    if (!ViewController::initWithCoder())
        return false;
    _commonInit();
    return true;
}

void QVTabBarController::_commonInit()
{
    platform::NotificationCenter::defaultCenter().addObserver(
        this, kApplicationDidReceiveMemoryWarningNotification, [this](const platform::Notification&) { unloadAllInactiveTabs(); });
}

QVTabBarController::~QVTabBarController() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

const std::vector<Ref<QVTabBarItem>>& QVTabBarController::tabBarItems() const
{
    static const std::vector<Ref<QVTabBarItem>> none;
    return mTabBar ? mTabBar->items() : none;
}

Ref<QVTabBar> QVTabBarController::createTabBar()
{
    Rect b = mContainerView ? mContainerView->bounds() : Rect();
    return QVTabBar::withFrame(Rect(0, b.size.height - tabBarHeight(), b.size.width, tabBarHeight()));
}

void QVTabBarController::loadView()
{
    if (mContainerView)
        setView(mContainerView.get());
    else
        ViewController::loadView();
}

void QVTabBarController::viewDidLoad()
{
    ViewController::viewDidLoad();
    createTabBar();
}

void QVTabBarController::addViewControllerOfDisabledControllerName(const std::string& controllerName,
                                                                   const std::string& disabledControllerName,
                                           const std::string& name, const std::string& activeImage,
                                           const std::string& inactiveImage, const std::string& disabledImage,
                                           const std::optional<std::string>& badgeValue)
{
    if (!mTabBar)
        return;
    QVTabBarItem* item = mTabBar->addViewControllerOfDisabledViewController(controllerName, disabledControllerName, name,
                                                    imageNamed(activeImage).get(), imageNamed(inactiveImage).get(),
                                                    imageNamed(disabledImage).get());
    if (item && badgeValue)
        item->setBadgeValue(*badgeValue);
}

void QVTabBarController::addViewController(const std::string& controllerName, const std::string& name,
                                           const std::string& activeImage, const std::string& inactiveImage,
                                           const std::string& disabledImage, const std::optional<std::string>& badgeValue)
{
    addViewControllerOfDisabledControllerName(controllerName, {}, name, activeImage, inactiveImage, disabledImage,
                                              badgeValue);
}

void QVTabBarController::tellSelection()
{
    if (auto delegate = mDelegate.lock())
        delegate->tabBarControllerDidSelectViewController(this, mTabBar ? mTabBar->selectedViewController() : nullptr);
}

void QVTabBarController::showTabAtIndex(size_t index, bool showAtRoot)
{
    if (mTabBar)
        mTabBar->showTabAtIndex(index, showAtRoot);
    tellSelection();
}

void QVTabBarController::showTabNamed(const std::string& name, bool showAtRoot)
{
    if (mTabBar)
        mTabBar->showTabNamed(name, showAtRoot);
    tellSelection();
}

void QVTabBarController::showTabViewControllerNamed(const std::string& controllerName, bool showAtRoot)
{
    if (mTabBar)
        mTabBar->showTabViewControllerNamed(controllerName, showAtRoot);
    tellSelection();
}

void QVTabBarController::unloadTabBarItemNamed(const std::string& n) { if (mTabBar) mTabBar->unloadTabBarItemNamed(n); }
void QVTabBarController::forceUnloadAllTabs() { if (mTabBar) mTabBar->forceUnloadAllTabs(); }
void QVTabBarController::unloadAllInactiveTabs() { if (mTabBar) mTabBar->unloadAllInactiveTabs(); }
void QVTabBarController::disableTabViewControllerNamed(const std::string& n) { if (mTabBar) mTabBar->disableTabViewControllerNamed(n); }
void QVTabBarController::disableTabNamed(const std::string& n) { if (mTabBar) mTabBar->disableTabNamed(n); }
void QVTabBarController::disableTabAtIndex(size_t i) { if (mTabBar) mTabBar->disableTabAtIndex(i); }
void QVTabBarController::enableAllTabs() { if (mTabBar) mTabBar->enableAllTabs(); }

void QVTabBarController::tabBarDidLoadViewController(QVTabBar*, ViewController* c, QVTabBarItem* item)
{
    QVSetOwningTabBarItem(c, item);
    if (auto delegate = mDelegate.lock())
        delegate->tabBarControllerDidLoadViewController(this, c, item);
}

void QVTabBarController::tabBarDidSelectViewController(QVTabBar*, ViewController* c)
{
    if (auto delegate = mDelegate.lock())
        delegate->tabBarControllerDidSelectViewController(this, c);
}

void QVTabBarController::tabBarWillUnloadViewController(QVTabBar*, ViewController* c, QVTabBarItem* item)
{
    if (auto delegate = mDelegate.lock())
        delegate->tabBarControllerWillUnloadViewController(this, c, item);
    // An unloaded screen no longer belongs to the tab.
    QVSetOwningTabBarItem(c, nullptr);
}

// ---- The tab a screen belongs to

QVTabBarItem* QVOwningTabBarItem(ViewController* controller)
{
    if (auto* screen = dynamic_cast<QVViewController*>(controller))
        return dynamic_cast<QVTabBarItem*>(screen->owningTabBarItem());
    if (auto* list = dynamic_cast<QVTableControllerHelper*>(controller))
        return dynamic_cast<QVTabBarItem*>(list->owningTabBarItem());
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(controller))
        return framed->owningTabBarItem();
    return nullptr;
}

void QVSetOwningTabBarItem(ViewController* controller, QVTabBarItem* item)
{
    if (auto* screen = dynamic_cast<QVViewController*>(controller))
        screen->setOwningTabBarItem(item);
    else if (auto* list = dynamic_cast<QVTableControllerHelper*>(controller))
        list->setOwningTabBarItem(item);
    else if (auto* framed = dynamic_cast<QVFramedNavigationController*>(controller))
        framed->setOwningTabBarItem(item);
}

void QVSetTabBadgeValue(ViewController* controller, const std::string& text)
{
    if (QVTabBarItem* item = QVOwningTabBarItem(controller))
        item->setBadgeValue(text);
}

void QVShowBadgeOnOwningTab(ViewController* screen, QVNavigationController* stack, const std::optional<std::string>& value)
{
    if (stack)
        stack->setBadgeValue(value);
    if (!stack || !QVOwningTabBarItem(stack))
        QVSetTabBadgeValue(screen, value.value_or(std::string()));
}

} // namespace quorvel
