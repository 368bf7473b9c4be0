// The dashboard's tab strip (QVTabBar) of tabs (QVTabBarItem).
//
// The bar keeps one tab selected, shows the selected tab's screen just below
// itself in its superview and hides the others, keeps overlapping tabs stacked
// towards the selected one and reports to its delegate. Selecting, disabling
// and unloading work by tab, by index and by name; an index outside the tabs
// is ignored with a log line. Navigation stacks find the strip above their own
// view to slide it away for screens that bring a bottom view of their own.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVTabBarItem.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVTabBar;

// Everything is optional; tabBarLoadViewController answers nullopt when the
// delegate leaves loading to the controller loader.
class QVTabBarDelegate {
public:
    virtual ~QVTabBarDelegate() = default;
    virtual std::optional<platform::Ref<platform::ui::ViewController>>
    tabBarLoadViewController(QVTabBar* /*bar*/, const std::string& /*controllerName*/, QVTabBarItem* /*item*/)
    {
        return std::nullopt;
    }
    virtual void tabBarDidLoadViewController(QVTabBar* /*bar*/, platform::ui::ViewController* /*c*/, QVTabBarItem* /*item*/) { }
    virtual void tabBarWillUnloadViewController(QVTabBar* /*bar*/, platform::ui::ViewController* /*c*/, QVTabBarItem* /*item*/) { }
    virtual void tabBarDidSelectViewController(QVTabBar* /*bar*/, platform::ui::ViewController* /*c*/) { }
    virtual void tabBarDidSelectTabItem(QVTabBar* /*bar*/, QVTabBarItem* /*item*/) { }
    virtual void tabBarDidSelectTabNamed(QVTabBar* /*bar*/, const std::string& /*name*/) { }
    virtual void tabBarDidSelectTabAtIndex(QVTabBar* /*bar*/, size_t /*index*/) { }
    virtual void tabBarDidDisableTabItem(QVTabBar* /*bar*/, QVTabBarItem* /*item*/) { }
    virtual void tabBarDidDisableTabNamed(QVTabBar* /*bar*/, const std::string& /*name*/) { }
    virtual void tabBarDidDisableTabAtIndex(QVTabBar* /*bar*/, size_t /*index*/) { }
};

class QVTabBar : public platform::ui::View {
    QV_DECLARE_CLASS(QVTabBar)
public:
    enum Style { TabBarStyle = 0, LabelledSegments = 1, ImageSegments = 2 };
    static constexpr const char* kHideAnimation = "hideQVTabBar";
    static constexpr const char* kShowAnimation = "showQVTabBar";
    static constexpr double kSlideDuration = 0.3;

    static platform::Ref<QVTabBar> withFrame(const platform::Rect& frame);
    bool initWithFrame(const platform::Rect& frame) override;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    platform::ui::ImageView* backgroundImageView() const { return backgroundImageView_.get(); }
    platform::ui::ImageAsset* backgroundImage() const;
    void setBackgroundImage(platform::ui::ImageAsset* image);
    const std::vector<platform::Ref<QVTabBarItem>>& items() const { return items_; }
    QVTabBarItem* selectedTab() const { return selectedTab_; }
    platform::ui::ViewController* selectedViewController() const;
    QVTabBarDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(QVTabBarDelegate* d) { delegate_ = d; }

    // Look (every field is public configuration of the strip).
    int style { TabBarStyle };
    std::optional<platform::ui::Color> inactiveTextColor { platform::ui::Color::white(0.5f) };
    std::optional<platform::ui::Color> inactiveShadowColor;
    std::optional<platform::ui::Color> activeTextColor { platform::ui::Color::whiteColor() };
    std::optional<platform::ui::Color> activeShadowColor;
    std::optional<platform::ui::Color> disabledTextColor { platform::ui::Color::white(0.25f) };
    std::optional<platform::ui::Color> disabledShadowColor;
    platform::Point badgeOffset { 20, -15 };
    bool placeBadgeTopRight { true };
    // Image tabs whose art shows a name (the item's drawnName) centred under the icon, in the
    // bold system font of this size from this height down.
    float drawnNameTop { 0 };
    float drawnNameFontSize { 0 };
    platform::Ref<platform::ui::ImageAsset> dividerImage;
    platform::Ref<platform::ui::ImageAsset> activeItemBackgroundImage;
    platform::Ref<platform::ui::ImageAsset> inactiveItemBackgroundImage;
    platform::Ref<platform::ui::ImageAsset> disabledItemBackgroundImage;
    platform::Ref<platform::ui::ImageAsset> hitOverlayImage;
    platform::Ref<platform::ui::ImageAsset> disabledOverlayIconImage;
    float leftPadding { 0 };
    float rightPadding { 0 };
    float overlap { 0 };
    platform::Rect labelPadding;
    bool pulse { false };
    platform::TextAlignment textAlignment { platform::TextAlignment::Center };
    bool changeZOrderOnTap { true };

    // Adding tabs (images may be null; an empty controller name makes a segment).
    QVTabBarItem* addViewControllerOfDisabledViewController(const std::string& controllerName,
                                    const std::string& disabledControllerName, const std::string& name, platform::ui::ImageAsset* activeImage,
                                    platform::ui::ImageAsset* inactiveImage, platform::ui::ImageAsset* disabledImage);
    QVTabBarItem* addViewController(const std::string& controllerName, const std::string& name,
                                    platform::ui::ImageAsset* activeImage, platform::ui::ImageAsset* inactiveImage,
                                    platform::ui::ImageAsset* disabledImage);
    QVTabBarItem* addSegmentNamed(const std::string& name, platform::ui::ImageAsset* activeImage,
                                  platform::ui::ImageAsset* inactiveImage, platform::ui::ImageAsset* disabledImage);

    // Selecting. A second selection of the selected tab, or showAtRoot, pops
    // its navigation stack to the root.
    void showTab(QVTabBarItem* item, bool showAtRoot = false, bool notifyDelegate = true);
    void showTabNotifyDelegate(QVTabBarItem* item, bool notifyDelegate) { showTab(item, false, notifyDelegate); }
    void showTabAtIndex(size_t index, bool showAtRoot = false, bool notifyDelegate = true);
    void showTabAtIndexNotifyDelegate(size_t index, bool notifyDelegate) { showTabAtIndex(index, false, notifyDelegate); }
    // The first tab of that name.
    void showTabNamed(const std::string& name, bool showAtRoot = false, bool notifyDelegate = true);
    void showTabNamedNotifyDelegate(const std::string& name, bool notifyDelegate) { showTabNamed(name, false, notifyDelegate); }
    // The first tab whose root screen has that name.
    void showTabViewControllerNamed(const std::string& controllerName, bool showAtRoot = false,
                                    bool notifyDelegate = true);

    // Disabling (the by-name forms disable every match).
    void disableTab(QVTabBarItem* item, bool notifyDelegate = true);
    void disableTabAtIndex(size_t index, bool notifyDelegate = true);
    void disableTabNamed(const std::string& name, bool notifyDelegate = true);
    void disableTabViewControllerNamed(const std::string& controllerName, bool notifyDelegate = true);
    void enableAllTabs();

    // Unloading: the tab keeps its name and loads a fresh screen when shown again.
    void unloadTabBarItem(QVTabBarItem* item);
    // Every loaded tab with that root screen name.
    void unloadTabBarItemNamed(const std::string& controllerName);
    void unloadAllInactiveTabs();
    void forceUnloadAllTabs();

    // The first tab of that name shows the value (0 hides the badge).
    void setBadgeValueForItemNamed(int value, const std::string& name);

    void hideTabBar();
    void showTabBar();

    void updateZOrder();
    void layoutSubviews() override;
    std::optional<size_t> indexOfItem(const QVTabBarItem* item) const;

    // Loads the tab's screen: the delegate first, else the controller loader.
    platform::Ref<platform::ui::ViewController> _loadTabItemViewController(const std::string& controllerName,
                                                                          QVTabBarItem* item);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabBar() = default;
    ~QVTabBar() override;
    virtual void setupDefaults();

private:
    QVTabBarItem* addItem(platform::Ref<QVTabBarItem> item);
    void slideDidStop(const std::string& name, bool finished, void* context);

    platform::Ref<platform::ui::ImageView> backgroundImageView_;
    std::vector<platform::Ref<QVTabBarItem>> items_;
    QVTabBarItem* selectedTab_ { nullptr }; // one of items_
    platform::WeakLink<QVTabBarDelegate> delegate_;
};

} // namespace quorvel
