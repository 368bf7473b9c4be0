// QVRootController: the root of every full-screen screen of the client (the
// tabbed dashboard, the intro flow, single screens). It holds one content
// screen at a time in its container, moves it in and reveals it out with
// 0.5 s transitions while the background overlay fades in and out, and tells
// the central class (through the dashboard role) when either transition ends.
//
// On large screens it keeps the content clear of the on-screen keyboard and
// shows modal screens inside the content's view rather than over the window.
// The central class loads it by name ("Root") and drives it as a QVRootFrame.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ViewController.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVRootFrame.h"

namespace platform::ui {
class InterfaceBuilder;
}

namespace quorvel {

class QVRootController : public platform::ui::ViewController,
                         public platform::ui::AnimationDelegate,
                         public QVRootFrame {
    QV_DECLARE_CLASS(QVRootController)
public:
    static constexpr double kTransitionDuration = 0.5;
    // Where the container's centre rests on a large screen (and where the
    // keyboard puts it back); the container is the dashboard with its shadow.
    static constexpr float kKeyboardPortraitCenterY = 491;
    static constexpr float kKeyboardLandscapeCenterY = 373;
    static constexpr float kKeyboardLandscapeLift = 30;
    static constexpr const char* kOrientationChangedNotification = "QVNSNotificationDashboardOrientationChanged";
    static constexpr const char* kInfoNewOrientation = "QVNSNotificationInfoNewOrientation";
    static constexpr const char* kInfoOldOrientation = "QVNSNotificationInfoOldOrientation";

    // The views of the "Root" interface (the same views when made by class).
    void buildInterface(platform::ui::InterfaceBuilder* builder, const char* layoutName);

    platform::ui::View* containerView() const { return containerView_.get(); }
    void setContainerView(platform::ui::View* v) { containerView_ = v; }
    platform::ui::View* bgOverlay() const { return bgOverlay_.get(); }
    void setBgOverlay(platform::ui::View* v) { bgOverlay_ = v; }
    platform::ui::View* bgDropShadow() const override { return bgDropShadow_.get(); }
    void centreContainer() override;
    platform::ui::ViewController* contentController() const override { return contentController_.get(); }
    platform::ui::ViewController* nonFullscreenModalController() const { return nonFullscreenModal_.get(); }
    platform::ui::TransitionSubtype transitionIn() const { return transitionIn_; }
    void setTransitionIn(platform::ui::TransitionSubtype s) override { transitionIn_ = s; }
    platform::ui::TransitionSubtype transitionOut() const { return transitionOut_; }
    void setTransitionOut(platform::ui::TransitionSubtype s) override { transitionOut_ = s; }
    bool keyboardShowing() const { return keyboardShowing_; }

    void showController(platform::ui::ViewController* controller) override;
    void hideController() override;
    void cleanupSubviews() override;
    void animationDidStop(platform::ui::LayerAnimation* animation, bool finished) override;

    // Large screens: the modal screen is shown inside the content's view.
    void presentModalViewController(platform::ui::ViewController* controller, bool animated) override;
    void dismissModalViewControllerAnimated(bool animated) override;
    platform::ui::ViewController* modalViewController() const override;

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // Keyboard compensation (large screens).
    void _keyboardWillShow(const platform::Notification& n);
    void _keyboardWillHide(const platform::Notification& n);
    void _dashboardWillRotate(const platform::Notification& n);
    void _adjustForKeyboard(platform::ui::InterfaceOrientation orientation);
    void _adjustController(platform::ui::ViewController* controller, bool compensate);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRootController() = default;
    ~QVRootController() override;

private:
    platform::Ref<platform::ui::Transition> makeTransition(platform::ui::TransitionType type,
                                                           platform::ui::TransitionSubtype subtype);
    void removeKeyboardObservers();
    void finishModalHide();
    void placeContainer();

    platform::Ref<platform::ui::View> containerView_;
    platform::Ref<platform::ui::View> bgOverlay_;
    platform::Ref<platform::ui::ImageView> bgDropShadow_;
    platform::Ref<platform::ui::ViewController> contentController_;
    platform::Ref<platform::ui::ViewController> nonFullscreenModal_;
    platform::Ref<platform::ui::View> replacedView_; // a replaced screen's view, until the move-in ends
    platform::ui::TransitionSubtype transitionIn_ { platform::ui::TransitionSubtype::FromTop };
    platform::ui::TransitionSubtype transitionOut_ { platform::ui::TransitionSubtype::FromBottom };
    // The container's transition now running (a replaced one is ignored when it stops).
    platform::Ref<platform::ui::LayerAnimation> contentTransition_;
    bool contentTransitionHides_ { false };
    platform::Ref<platform::ui::LayerAnimation> modalTransition_;
    bool keyboardShowing_ { false };
    bool observingKeyboard_ { false };
};

} // namespace quorvel
