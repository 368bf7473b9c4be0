// The dashboard's tab strip (QVTabBar), its tabs (QVTabBarItem), the segment
// row of tabbed list screens (QVSegmentedView) and the container that holds
// the strip with the tab screens (QVTabBarContainer).
//
// A tab names its root screen; the screen is loaded the first time the tab is
// shown (by the delegate, else by the controller loader) and can be unloaded
// again to save memory. The bar keeps one tab selected, shows the selected
// tab's screen just below itself in its superview and hides the others, keeps
// overlapping tabs stacked towards the selected one and reports to its
// delegate. Selecting, disabling and unloading work by tab, by index and by
// name; an index outside the tabs is ignored with a log line. Navigation
// stacks find the strip above their own view to slide it away for screens
// that bring a bottom view of their own.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVClassRegistry.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVTabBar;
class QVTabBarItem;

// Everything is optional; tabBarLoadViewController answers nullopt when the
// delegate leaves loading to the controller loader.
class QVTabBarDelegate {
public:
    virtual ~QVTabBarDelegate() = default;
    virtual std::optional<platform::Ref<platform::ui::ViewController>>
    tabBarLoadViewController(QVTabBar* bar, const std::string& controllerName, QVTabBarItem* item)
    {
        return std::nullopt;
    }
    virtual void tabBarDidLoadViewController(QVTabBar* bar, platform::ui::ViewController* c, QVTabBarItem* item) { }
    virtual void tabBarWillUnloadViewController(QVTabBar* bar, platform::ui::ViewController* c, QVTabBarItem* item) { }
    virtual void tabBarDidSelectViewController(QVTabBar* bar, platform::ui::ViewController* c) { }
    virtual void tabBarDidSelectTabItem(QVTabBar* bar, QVTabBarItem* item) { }
    virtual void tabBarDidSelectTabNamed(QVTabBar* bar, const std::string& name) { }
    virtual void tabBarDidSelectTabAtIndex(QVTabBar* bar, size_t index) { }
    virtual void tabBarDidDisableTabItem(QVTabBar* bar, QVTabBarItem* item) { }
    virtual void tabBarDidDisableTabNamed(QVTabBar* bar, const std::string& name) { }
    virtual void tabBarDidDisableTabAtIndex(QVTabBar* bar, size_t index) { }
};

class QVTabBarItem : public platform::ui::View {
    QV_DECLARE_CLASS(QVTabBarItem)
public:
    static constexpr double kFadeDuration = 0.1;
    static constexpr double kPulseDuration = 1.75;
    static constexpr float kPulseAlpha = 0.5f;

    static platform::Ref<QVTabBarItem> withParent(QVTabBar* parent, const std::string& controllerName,
                                                  const std::string& name, platform::ui::ImageAsset* activeImage,
                                                  platform::ui::ImageAsset* inactiveImage,
                                                  platform::ui::ImageAsset* disabledImage);
    bool initWithParent(QVTabBar* parent, const std::string& controllerName, const std::string& name,
                        platform::ui::ImageAsset* activeImage, platform::ui::ImageAsset* inactiveImage,
                        platform::ui::ImageAsset* disabledImage);

    QVTabBar* parent() const { return parent_; }
    platform::ui::Button* button() const { return button_.get(); }
    platform::ui::ImageView* imageView() const { return imageView_.get(); }
    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    QVBadgeView* badgeView() const { return badgeView_.get(); }
    platform::ui::ImageView* borderImageView() const { return borderImageView_.get(); }
    platform::ui::ImageView* backgroundView() const { return backgroundView_.get(); }
    platform::ui::ImageView* hitImageView() const { return hitImageView_.get(); }
    platform::ui::View* overlayView() const { return overlayView_.get(); }
    bool active() const { return active_; }
    bool disabled() const { return disabled_; }
    // Empty for a plain segment.
    const std::string& viewControllerName() const { return viewControllerName_; }
    const std::string& quorvelDisabledViewControllerName() const { return disabledControllerName_; }
    void setQuorvelDisabledViewControllerName(const std::string& n) { disabledControllerName_ = n; }
    platform::ui::ViewController* viewController() const { return viewController_.get(); }
    void setViewController(platform::ui::ViewController* c) { viewController_ = c; }
    const std::string& name() const { return name_; }
    platform::ui::ImageAsset* activeImage() const { return activeImage_.get(); }
    platform::ui::ImageAsset* inactiveImage() const { return inactiveImage_.get(); }
    platform::ui::ImageAsset* disabledImage() const { return disabledImage_.get(); }

    // The badge shows the text's integer value; 0 hides it.
    void setBadgeValue(const std::string& text);
    void setBadgeValue(int value);

    void setActive(bool active);
    void setDisabled(bool disabled);
    void animatePulse();
    void didTapTabItem();
    void didHit();
    void didCancelHit();

    // Places the item at its index in the bar and lays out its parts.
    void layoutInBar();
    void layoutSubviews() override;

protected:
    QVTabBarItem() = default;

private:
    void showStateLook(bool active);
    void pulseDidStop(const std::string& name, bool finished, void* context);
    void loadViewControllerIfNeeded(bool& loadedNow);
    void updateLabelColors(const std::optional<platform::ui::Color>& text,
                           const std::optional<platform::ui::Color>& shadow);

    QVTabBar* parent_ { nullptr }; // not retained: the bar owns its items
    platform::Ref<platform::ui::Button> button_;
    platform::Ref<platform::ui::ImageView> imageView_;
    platform::Ref<platform::ui::Label> nameLabel_;
    platform::Ref<QVBadgeView> badgeView_;
    platform::Ref<platform::ui::ImageView> borderImageView_;
    platform::Ref<platform::ui::ImageView> backgroundView_;
    platform::Ref<platform::ui::ImageView> hitImageView_;
    platform::Ref<platform::ui::View> overlayView_;
    bool active_ { false };
    bool disabled_ { false };
    std::string viewControllerName_;
    std::string disabledControllerName_;
    platform::Ref<platform::ui::ViewController> viewController_;
    std::string name_;
    platform::Ref<platform::ui::ImageAsset> activeImage_;
    platform::Ref<platform::ui::ImageAsset> inactiveImage_;
    platform::Ref<platform::ui::ImageAsset> disabledImage_;
    bool justLoaded_ { false };
    friend class QVTabBar;
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
    QVTabBarDelegate* delegate() const { return delegate_; }
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
    QVTabBarDelegate* delegate_ { nullptr }; // not retained
};

// The bar as a row of segments at the top of tabbed list screens.
class QVSegmentedView : public QVTabBar {
    QV_DECLARE_CLASS(QVSegmentedView)
public:
    static float segmentedViewHeight();
    static platform::Ref<QVSegmentedView> withFrame(const platform::Rect& frame);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSegmentedView() = default;
    void setupDefaults() override;
};

// Holds the tab bar and the content of the selected tab as sibling subviews.
class QVTabBarContainer : public platform::ui::View {
    QV_DECLARE_CLASS(QVTabBarContainer)
public:
    static platform::Ref<QVTabBarContainer> containerWithFrame(const platform::Rect& frame);
    // The tab bar among the direct subviews, or null.
    QVTabBar* tabBar() const;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabBarContainer() = default;
};

} // namespace quorvel
