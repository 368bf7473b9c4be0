// QVTabBarController: a screen with a tab strip along the bottom of its
// container and the selected tab's screen above it. It hands each newly
// loaded tab screen its tab, reports loading, unloading and selection to its
// delegate, and drops the inactive tabs' screens on a memory warning (they
// are loaded again when shown). The dashboard shell builds on it.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ViewController.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTabBarItem.h"
#include "social/ui/QVTabBarContainer.h"

#include <optional>
#include <string>

namespace quorvel {

class QVTabBarController;
class QVNavigationController;

class QVTabBarControllerDelegate {
public:
    virtual ~QVTabBarControllerDelegate() = default;
    virtual void tabBarControllerWillUnloadViewController(QVTabBarController* /*c*/, platform::ui::ViewController* /*vc*/,
                                                          QVTabBarItem* /*item*/) { }
    virtual void tabBarControllerDidLoadViewController(QVTabBarController* /*c*/, platform::ui::ViewController* /*vc*/,
                                                       QVTabBarItem* /*item*/) { }
    virtual void tabBarControllerDidSelectViewController(QVTabBarController* /*c*/, platform::ui::ViewController* /*vc*/) { }
};

class QVTabBarController : public platform::ui::ViewController, public QVTabBarDelegate {
    QV_DECLARE_CLASS(QVTabBarController)
public:
    static float tabBarHeight() { return 49.0f; }

    // The dashboard's bounds.
    bool init() override;
    virtual bool initWithFrame(const platform::Rect& frame);
    bool initWithCoder() override;

    QVTabBar* tabBar() const { return mTabBar.get(); }
    QVTabBarContainer* containerView() const { return mContainerView.get(); }
    QVTabBarControllerDelegate* delegate() const { return mDelegate.get(); }
    void setDelegate(QVTabBarControllerDelegate* d) { mDelegate = d; }
    const std::vector<platform::Ref<QVTabBarItem>>& tabBarItems() const;

    // A strip of tabBarHeight along the bottom of the container.
    virtual platform::Ref<QVTabBar> createTabBar();

    // Image names are loaded when not empty; a missing file gives no image.
    // A badge text lands on the tab just added.
    void addViewControllerOfDisabledControllerName(const std::string& controllerName,
                                                   const std::string& disabledControllerName,
                           const std::string& name, const std::string& activeImage, const std::string& inactiveImage,
                           const std::string& disabledImage, const std::optional<std::string>& badgeValue = std::nullopt);
    void addViewController(const std::string& controllerName, const std::string& name, const std::string& activeImage,
                           const std::string& inactiveImage, const std::string& disabledImage,
                           const std::optional<std::string>& badgeValue = std::nullopt);

    // The tab bar's selection, then always didSelectViewController to the delegate.
    void showTabAtIndex(size_t index, bool showAtRoot = false);
    void showTabNamed(const std::string& name, bool showAtRoot = false);
    void showTabViewControllerNamed(const std::string& controllerName, bool showAtRoot = false);

    void unloadTabBarItemNamed(const std::string& controllerName);
    void forceUnloadAllTabs();
    void unloadAllInactiveTabs();
    void disableTabViewControllerNamed(const std::string& controllerName);
    void disableTabNamed(const std::string& name);
    void disableTabAtIndex(size_t index);
    void enableAllTabs();

    void loadView() override;
    void viewDidLoad() override;

    void tabBarDidLoadViewController(QVTabBar* bar, platform::ui::ViewController* c, QVTabBarItem* item) override;
    void tabBarDidSelectViewController(QVTabBar* bar, platform::ui::ViewController* c) override;
    void tabBarWillUnloadViewController(QVTabBar* bar, platform::ui::ViewController* c, QVTabBarItem* item) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabBarController() = default;
    ~QVTabBarController() override;
    void _commonInit();
    void tellSelection();

    platform::Ref<QVTabBar> mTabBar;
    platform::Ref<QVTabBarContainer> mContainerView;
    platform::WeakLink<QVTabBarControllerDelegate> mDelegate;
};

// The tab that owns a screen (a kit screen or a framed navigation stack), or null.
QVTabBarItem* QVOwningTabBarItem(platform::ui::ViewController* controller);
// Gives the screen its tab, when it keeps one.
void QVSetOwningTabBarItem(platform::ui::ViewController* controller, QVTabBarItem* item);
// Shows the text's integer value on the badge of the screen's own tab; nothing when not in a tab.
void QVSetTabBadgeValue(platform::ui::ViewController* controller, const std::string& text);
// A screen's badge: on the tab of its navigation stack (which keeps the value too) when it has
// one, else on the screen's own tab; none hides the badge.
void QVShowBadgeOnOwningTab(platform::ui::ViewController* screen, QVNavigationController* stack,
                            const std::optional<std::string>& value);

} // namespace quorvel
