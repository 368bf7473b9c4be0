// QVNavigationController: the navigation stack every screen of the client is
// pushed in. It keeps to the dashboard's orientation, puts the client's bar
// image and patterned background behind the screens, shows one loading
// overlay at a time (in its loading view parent, just below the bar), adds
// close buttons and title labels, and slides the dashboard's tab bar away
// while the shown screen has a bottom view of its own ("tabBarSlide", 0.325 s).
#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVLoadingController.h"

#include <cstdint>
#include <optional>

namespace quorvel {

class QVTabBarContainer;

class QVNavigationController : public platform::ui::NavigationController,
                               public platform::ui::NavigationControllerDelegate,
                               public QVCallbackable {
    QV_DECLARE_CLASS(QVNavigationController)
public:
    static constexpr double kTabBarSlideDuration = 0.325;
    static constexpr double kOrderViewDepthsDelay = 0.05;
    static constexpr float kLargeScreenExtraSlide = 376;
    static constexpr float kTitleFontSize = 18;
    static constexpr float kTitleMaxWidth = 250;
    static constexpr float kTitleMaxHeight = 30;

    static platform::Ref<QVNavigationController> withRootViewController(platform::ui::ViewController* root);

    virtual void showLoadingIndicator();
    void hideLoadingIndicator();
    // For a screen: shows the overlay as that screen's and answers its ticket; hiding with
    // the ticket leaves an overlay another screen has shown since (the stack has only one).
    // The overlay goes with its screen: once that screen has left the stack (taken off it out
    // of sight, it hears no disappearance and its answers are dropped), the stack hides it.
    uint64_t showLoadingIndicatorAsOwner(platform::ui::ViewController* screen);
    void hideLoadingIndicatorOfOwner(uint64_t ticket);
    QVLoadingController* loadingController() const { return loadingController_.get(); }

    static void addCloseButtonToViewController(platform::ui::ViewController* controller, platform::Object* target,
                                               platform::ui::BarButtonItem::PlainAction action, bool leftSide,
                                               platform::ui::BarButtonItem::SystemItem systemItem);
    // On the right, Cancel.
    static void addCloseButtonToViewController(platform::ui::ViewController* controller, platform::Object* target,
                                               platform::ui::BarButtonItem::PlainAction action);
    static void addTitleLabelToViewController(platform::ui::ViewController* controller);

    void addBackgroundAndOverlayImage(platform::ui::ImageAsset* barImage);
    void hideBackground();
    platform::ui::View* backgroundView() const { return mBackgroundView.get(); }
    platform::ui::View* navBarBackgroundView() const { return navBarBackgroundView_.get(); }

    void slideTabBarInController(platform::ui::ViewController* controller, bool down, bool animated);
    bool isTabBarHidden() const { return isTabBarHidden_; }

    platform::ui::View* loadingViewParent() const { return loadingViewParent_.get(); }
    void setLoadingViewParent(platform::ui::View* parent) { loadingViewParent_ = parent; }
    bool isInHiddenTab() const { return inHiddenTab_; }
    void setIsInHiddenTab(bool hidden) { inHiddenTab_ = hidden; }

    // Kept, and shown on the badge of the tab that owns the stack (none: hidden).
    void setBadgeValue(const std::optional<std::string>& value);
    const std::optional<std::string>& badgeValue() const { return badgeValue_; }
    // The user the stack's screens are about (the framed navigation knows it).
    virtual platform::Object* currentUser() const { return nullptr; }
    // The user the shown screen compares with and the game it is about (the framed navigation knows them).
    virtual platform::Object* comparisonUser() const { return nullptr; }
    virtual platform::Object* currentGameContext() const { return nullptr; }

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    void viewDidLoad() override;
    void navigationControllerWillShow(platform::ui::NavigationController* nav, platform::ui::ViewController* controller,
                                      bool animated) override;
    void navigationControllerDidShow(platform::ui::NavigationController* nav, platform::ui::ViewController* controller,
                                     bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }
    // Keeps its view on a memory warning, as the client's screens do: the
    // bar's art, the background and a framed stack's frame live in it.
    void didReceiveMemoryWarning() override { }

    // The client's bar tint and title colours.
    static platform::ui::Color tintColor() { return platform::ui::Color::rgb(0.16f, 0.18f, 0.20f); }
    static platform::ui::Color titleColor() { return platform::ui::Color::whiteColor(); }
    static platform::ui::Color titleShadowColor() { return platform::ui::Color::white(0.2f); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVNavigationController() = default;
    ~QVNavigationController() override;
    // Shortly after a screen is shown: the bar's background goes to the back
    // and the screen's title view to the front of the bar.
    virtual void _orderViewDepths();

private:
    QVTabBarContainer* enclosingTabBarContainer();
    void tabBarSlideDidStop(const std::string& name, bool finished, void* context);
    bool isActiveIntroNavigation() const;
    // A screen's overlay shows and that screen is no longer on this stack.
    bool overlayOutlivedItsScreen();

    bool inHiddenTab_ { false };
    bool isTabBarHidden_ { false };
    bool wasTabBarHidden_ { false };
    platform::Ref<platform::ui::View> navBarBackgroundView_;
    platform::Ref<platform::ui::View> loadingViewParent_;
    platform::Ref<QVLoadingController> loadingController_;
    uint64_t loadingOwner_ { 0 }; // the ticket of the screen whose overlay shows; 0 for the stack's own
    platform::Weak<platform::ui::ViewController> loadingOwnerScreen_; // that screen
    uint64_t lastLoadingTicket_ { 0 };
    platform::Ref<platform::ui::View> mBackgroundView;
    std::optional<std::string> badgeValue_;
    platform::Ref<platform::Timer> orderTimer_;
};

} // namespace quorvel
