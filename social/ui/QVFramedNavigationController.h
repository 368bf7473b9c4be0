// QVFramedNavigationController: the navigation stack of every dashboard page.
// Around each pushed screen it draws a content frame, shows the screen's
// banner above it and its bottom view below it, and shows or hides the
// navigation bar as the screen wants, sliding these in and out (0.325 s) as
// screens are pushed and popped. It keeps the content clear of the keyboard.
//
// For every screen on the stack it keeps one entry of context: the user the
// screen is about, the user it is compared with and the game it is about. A
// pushed screen inherits the game of the screen below it; list screens read
// the context through the navigation controller.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Weak.h"
#include "social/services/QVUser.h"
#include "social/ui/QVBannerCell.h"
#include "social/ui/QVBannerFrame.h"
#include "social/ui/QVContentFrameView.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVFramedControllerInfo.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVScreenProtocols.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVContentFrameView;

class QVUser;
class QVTabBarItem;

// A screen that decides the navigation bar itself (nullopt: it does not say).
class QVFramedNavigationControllerBehavior {
public:
    virtual ~QVFramedNavigationControllerBehavior() = default;
    virtual std::optional<bool> shouldShowNavBar() { return std::nullopt; }
};

// A screen whose content the root controller keeps clear of the keyboard by this height.
class QVKeyboardAdjustment {
public:
    virtual ~QVKeyboardAdjustment() = default;
    virtual float _keyboardAdjustment() = 0;
};

class QVFramedNavigationController : public QVNavigationController,
                                     public QVFriendPickerDelegate,
                                     public QVFramedContentWrapperViewDelegate {
    QV_DECLARE_CLASS(QVFramedNavigationController)
public:
    struct VisibilityFlags {
        bool showBanner { false };
        bool showBottomView { false };
        bool showNavBar { false };
        friend bool operator==(const VisibilityFlags&, const VisibilityFlags&) = default;
    };
    struct Rects {
        platform::Rect banner, frame, navBar, bottom;
    };
    static constexpr double kSlideDuration = 0.325;
    static constexpr double kNavBarAdjustmentDuration = 0.22;
    static constexpr float kBannerOverlap = 9;
    static constexpr float kLargeScreenFrameExtra = 7;

    static platform::Ref<QVFramedNavigationController> withRootViewController(platform::ui::ViewController* root);
    bool init() override;
    bool initWithRootViewController(platform::ui::ViewController* root);

    QVContentFrameView* frameView() const { return frameView_.get(); }
    QVBannerFrame* bannerView() const { return bannerView_.get(); }
    // The tab that shows this stack, or null (also once the tab is gone).
    QVTabBarItem* owningTabBarItem() const { return owningTabBarItem_.get(); }
    void setOwningTabBarItem(QVTabBarItem* item);
    platform::ui::View* customBottomView() const { return customBottomView_.get(); }
    const VisibilityFlags& visibilityShould() const { return visibilityShould_; }
    const VisibilityFlags& visibilityDoes() const { return visibilityDoes_; }
    bool isKeyboardShown() const { return isKeyboardShown_; }
    float keyboardHeight() const { return keyboardHeight_; }
    const std::vector<platform::Ref<QVFramedControllerInfo>>& controllerInfos() const { return controllerInfos_; }

    // Pushes in the context of the shown screen's user (the local user when none).
    void pushViewController(platform::ui::ViewController* controller, bool animated) override;
    void pushViewController(platform::ui::ViewController* controller, bool animated, QVUser* inContextOfUser);
    void pushViewControllerInContextOfLocalUserComparedTo(platform::ui::ViewController* controller, bool animated,
                                                          QVUser* comparedTo);
    platform::Ref<platform::ui::ViewController> popViewControllerAnimated(bool animated) override;
    std::vector<platform::Ref<platform::ui::ViewController>> popToViewController(platform::ui::ViewController* c,
                                                                              bool animated) override;
    std::vector<platform::Ref<platform::ui::ViewController>> popToRootViewControllerAnimated(bool animated) override;

    platform::Object* currentUser() const override;
    platform::Object* comparisonUser() const override;
    platform::Object* currentGameContext() const override;
    void changeGameContext(platform::Object* game);
    void refreshBanner();
    void refreshProfile();
    void refreshBottomView();
    void adjustForKeyboard(bool shown, float height);
    void setNavigationBarHidden(bool hidden, bool animated) override;
    void pickerFinishedWithSelectedUser(QVUser* user) override;
    void compareButtonPressed() { }
    platform::Ref<QVBannerCell> loadBannerFromController(platform::ui::ViewController* screen);
    bool frameWasSet(QVFramedContentWrapperView* wrapper) override;
    // The overlay goes just below the frame, so that the frame stays drawn around it.
    void showLoadingIndicator() override;

    // The geometry of the frame's parts for the given flags.
    Rects _genRects(const VisibilityFlags& flags);
    platform::ui::EdgeInsets _calculateInsetsFor(platform::ui::ViewController* screen);
    virtual VisibilityFlags _visibilityFlagsForController(platform::ui::ViewController* screen);
    void _positionViewsForController(platform::ui::ViewController* screen, bool animated);

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void navigationControllerWillShow(platform::ui::NavigationController* nav, platform::ui::ViewController* c,
                                      bool animated) override;
    void navigationControllerDidShow(platform::ui::NavigationController* nav, platform::ui::ViewController* c,
                                     bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFramedNavigationController() = default;
    ~QVFramedNavigationController() override;
    void _pushViewController(platform::ui::ViewController* controller, bool animated, QVUser* user,
                             QVUser* comparedTo);
    void _changeUserTo(QVUser* user, QVUser* comparedTo, bool notifyController);
    void _userChanged(const platform::Notification& n);
    bool _slideOut(platform::ui::ViewController* screen);
    bool _slideIn(platform::ui::ViewController* screen);
    void _postSlideOut(platform::ui::ViewController* screen);
    void _postSlideIn(platform::ui::ViewController* /*screen*/) { }
    void _makeNavBarCoherent();
    void _repositionViews();
    void _repositionContent();
    void _safeSetContentInsets(platform::ui::ViewController* screen, const platform::ui::EdgeInsets& insets);
    void slideDidStop(const std::string& name, bool finished, void* context);
    QVFramedControllerInfo* infoFor(platform::ui::ViewController* screen) const;
    void dropEntries();

private:
    platform::Ref<QVContentFrameView> frameView_;
    platform::Ref<QVBannerFrame> bannerView_;
    platform::WeakLink<QVTabBarItem> owningTabBarItem_;
    platform::Ref<platform::ui::View> customBottomView_;
    VisibilityFlags visibilityShould_;
    VisibilityFlags visibilityDoes_;
    bool viewControllerSpecificallyWantsTheNavBarHidden { false };
    bool isKeyboardShown_ { false };
    float keyboardHeight_ { 0 };
    std::vector<platform::Ref<QVFramedControllerInfo>> controllerInfos_;
    bool infosMade_ { false };
    bool isPushingOrPopping { false };
};

} // namespace quorvel
