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
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableCellHelper.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVUser;
class QVBannerCell;
class QVTabBarItem;

// A screen with a banner above it.
class QVBannerProvider {
public:
    virtual ~QVBannerProvider() = default;
    virtual bool isBannerAvailableNow() = 0;
    virtual std::string bannerCellControllerName() = 0;
    virtual platform::Object* getBannerResource() = 0;
    virtual void onBannerClicked() = 0;
    // The banner's picture was touched; false when the provider leaves it to onBannerClicked.
    virtual bool bannerProfilePictureTouched() { return false; }
};

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

class QVFramedContentWrapperView;

class QVFramedContentWrapperViewDelegate {
public:
    virtual ~QVFramedContentWrapperViewDelegate() = default;
    // Answers whether it placed the content itself.
    virtual bool frameWasSet(QVFramedContentWrapperView* wrapper) = 0;
};

// Wraps a screen's view so that its content sits inside the frame's insets.
class QVFramedContentWrapperView : public platform::ui::View {
    QV_DECLARE_CLASS(QVFramedContentWrapperView)
public:
    static platform::Ref<QVFramedContentWrapperView> withWrappedView(platform::ui::View* wrapped);
    bool initWithWrappedView(platform::ui::View* wrapped);
    platform::ui::View* wrappedView() const { return wrappedView_.get(); }
    void setWrappedView(platform::ui::View* v) { wrappedView_ = v; }
    const platform::ui::EdgeInsets& contentInsets() const { return contentInsets_; }
    void setContentInsets(const platform::ui::EdgeInsets& insets);
    QVFramedContentWrapperViewDelegate* delegate() const { return delegate_; }
    void setDelegate(QVFramedContentWrapperViewDelegate* d) { delegate_ = d; }
    void setFrame(const platform::Rect& frame) override;
    void update();

protected:
    QVFramedContentWrapperView() = default;

private:
    platform::Ref<platform::ui::View> wrappedView_;
    platform::ui::EdgeInsets contentInsets_;
    QVFramedContentWrapperViewDelegate* delegate_ { nullptr }; // not retained
};

// The frame image drawn around the content.
class QVContentFrameView : public platform::ui::ImageView {
    QV_DECLARE_CLASS(QVContentFrameView)
public:
    // Insets of content inside the frame: 8, 6, 8 (0 on a large screen), 6.
    static platform::ui::EdgeInsets getContentInsets();
    static platform::Ref<QVContentFrameView> withFrame(const platform::Rect& frame);
    bool initWithFrame(const platform::Rect& frame) override;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;
    bool roundedCorners() const { return roundedCorners_; }
    void setRoundedCorners(bool rounded);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVContentFrameView() = default;

private:
    bool roundedCorners_ { false };
};

// A cell shown as a screen's banner; a touch tells the screen.
class QVBannerCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVBannerCell)
public:
    platform::ui::ViewController* bannerProvider() const { return bannerProvider_; }
    void setBannerProvider(platform::ui::ViewController* p) { bannerProvider_ = p; }
    void touchesEnded(const platform::ui::Touch& t) override;

protected:
    QVBannerCell() = default;
    platform::ui::ViewController* bannerProvider_ { nullptr }; // not retained: the screen owns the stack entry
};

// The player's banner: picture, name, points and what the player plays.
class QVPlayerBannerCell : public QVBannerCell {
    QV_DECLARE_CLASS(QVPlayerBannerCell)
public:
    QVUser* user() const { return user_.get(); }
    using QVBannerCell::onResourceChanged;
    void onResourceChanged(platform::Object* resource) override;
    void profilePictureTouched();
    platform::ui::Label* playerNameLabel() const { return playerNameLabel_.get(); }
    platform::ui::Label* nowPlayingLabel() const { return nowPlayingLabel_.get(); }
    platform::ui::Label* onlineStatusLabel() const { return onlineStatusLabel_.get(); }
    platform::ui::Label* quorvelPtsLabel() const { return quorvelPtsLabel_.get(); }
    QVImageView* profileView() const { return profileView_.get(); }
    platform::ui::Button* profileButton() const { return profileButton_.get(); }
    void layoutSubviews() override;

protected:
    QVPlayerBannerCell() = default;

private:
    platform::Ref<QVUser> user_;
    platform::Ref<platform::ui::ImageView> bgView_;
    platform::Ref<platform::ui::Label> quorvelPtsLabel_;
    platform::Ref<platform::ui::Label> playerNameLabel_;
    platform::Ref<platform::ui::Label> onlineStatusLabel_;
    platform::Ref<platform::ui::Label> nowPlayingLabel_;
    platform::Ref<QVImageView> profileView_;
    platform::Ref<platform::ui::Button> profileButton_;
};

// A user shown beside a comparison: the picture and the gamer score.
class QVProfileComparisonUser : public platform::ui::View {
    QV_DECLARE_CLASS(QVProfileComparisonUser)
public:
    bool initWithFrame(const platform::Rect& frame) override;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;
    QVUser* user() const { return user_.get(); }
    void setUser(QVUser* user);
    platform::ui::Label* score() const { return score_.get(); }
    QVImageView* avatar() const { return avatar_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVProfileComparisonUser() = default;

private:
    void build(bool fromInterface);
    platform::Ref<QVUser> user_;
    platform::Ref<platform::ui::Label> score_;
    platform::Ref<QVImageView> avatar_;
};

// The banner area above the screens.
class QVBannerFrame : public platform::ui::View {
    QV_DECLARE_CLASS(QVBannerFrame)
public:
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;
    bool initWithFrame(const platform::Rect& frame) override;
    QVFramedContentWrapperView* wrapperView() const { return wrapperView_.get(); }
    QVBannerCell* bannerSubview() const { return bannerSubview_.get(); }
    void setBannerSubview(QVBannerCell* cell);
    void setFrame(const platform::Rect& frame) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVBannerFrame() = default;

private:
    void addFrameImage();
    platform::Ref<QVFramedContentWrapperView> wrapperView_;
    platform::Ref<QVBannerCell> bannerSubview_;
};

// One entry of context per screen on the stack.
class QVFramedControllerInfo : public platform::Object {
public:
    static platform::Ref<QVFramedControllerInfo> withController(platform::ui::ViewController* controller,
                                                               platform::Object* clientApplicationInfo);
    platform::ui::ViewController* controller() const { return controller_.get(); }
    platform::Ref<QVBannerCell> banner;
    platform::Ref<QVUser> user;
    platform::Ref<QVUser> comparedToUser;
    platform::Ref<platform::Object> clientApplicationInfo;

private:
    platform::Ref<platform::ui::ViewController> controller_;
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
    QVTabBarItem* owningTabBarItem() const { return owningTabBarItem_; }
    void setOwningTabBarItem(QVTabBarItem* item) { owningTabBarItem_ = item; }
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
    void _postSlideIn(platform::ui::ViewController* screen) { }
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
    QVTabBarItem* owningTabBarItem_ { nullptr }; // not retained: the tab owns this stack
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
