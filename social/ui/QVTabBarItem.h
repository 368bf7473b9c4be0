// QVTabBarItem: one tab of the dashboard's tab strip. It names its root
// screen, which is loaded the first time the tab is shown and can be unloaded
// again to save memory.
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
    // The name the tab's screen is made from now: the disabled screen's while
    // the player has not approved the client, where the tab has one.
    std::string controllerNameToLoad() const;
    // The tab's screen was made from another name than it would be now (the
    // player approved the client, or turned it off, since).
    bool isControllerOutdated() const { return viewController_ && loadedName_ != controllerNameToLoad(); }
    const std::string& name() const { return name_; }
    platform::ui::ImageAsset* activeImage() const { return activeImage_.get(); }
    platform::ui::ImageAsset* inactiveImage() const { return inactiveImage_.get(); }
    platform::ui::ImageAsset* disabledImage() const { return disabledImage_.get(); }

    // The badge shows the text's integer value; 0 hides it.
    void setBadgeValue(const std::string& text);
    void setBadgeValue(int value);
    // The name the tab's own art shows under its icon (an image tab's name may be another):
    // a shown badge keeps clear of it. Its box in the item, as the bar's drawnName* place it
    // (empty when there is none).
    void setDrawnName(const std::string& name);
    const std::string& drawnName() const { return drawnName_; }
    platform::Rect drawnNameBox() const;

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

    QVTabBar* parent_ { nullptr }; // not retained: the bar owns its items and clears this as it goes
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
    std::string loadedName_; // the name viewController_ was made from
    std::string name_;
    std::string drawnName_;
    platform::Ref<platform::ui::ImageAsset> activeImage_;
    platform::Ref<platform::ui::ImageAsset> inactiveImage_;
    platform::Ref<platform::ui::ImageAsset> disabledImage_;
    bool justLoaded_ { false };
    friend class QVTabBar;
};

} // namespace quorvel
