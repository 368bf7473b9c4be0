// QVIntroNavigationController: the frame around the approval and account
// screens. It holds their navigation stack (inset 6 points, inside a
// decorative frame view), shows the stack's loading overlay itself and
// covers the whole dashboard area, framed or full screen. The active one is
// the one the running client shows (the dashboard role answers it).
//
// The central class makes it by name ("IntroNavigation") with the screen to
// frame given as "setNavigationRoot": the screen goes into a navigation stack
// with a hidden bar and background.
#pragma once

#include "social/ui/QVNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVIntroNavigationController : public QVViewController, public QVIntroFrame {
    QV_DECLARE_CLASS(QVIntroNavigationController)
public:
    static constexpr float kInset = 6;

    static platform::Ref<QVIntroNavigationController> withNavigationController(QVNavigationController* nav);
    // The stack of one screen, bar and background hidden, framed.
    static platform::Ref<QVIntroNavigationController> framing(platform::ui::ViewController* screen);
    bool initWithNavigationController(QVNavigationController* nav);

    platform::ui::NavigationController* navController() override { return navController_.get(); }
    platform::ui::View* contentFrameView() const { return contentFrameView_.get(); }
    platform::ui::View* loadingView() const { return loadingView_.get(); }

    void displayLoadingView(platform::ui::View* overlay) override;
    void removeLoadingView() override;
    void setFullscreenFrame(bool fullscreen) override { setFullscreenFrame(fullscreen, true); }
    void setFullscreenFrame(bool fullscreen, bool animated);
    bool fullscreenFrame() const { return fullscreenFrame_; }
    float bottomPadding();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVIntroNavigationController() = default;
    ~QVIntroNavigationController() override;
    void forwardAppearance(Phase phase, bool animated) override;

private:
    // Takes the stack and loads the view.
    void adopt(QVNavigationController* nav);
    // The stack takes the drawn border's rectangle, inset on every side.
    void placeStack();
    platform::Ref<QVNavigationController> navController_;
    platform::Ref<platform::ui::View> contentFrameView_;
    platform::Ref<platform::ui::View> loadingView_;
    bool fullscreenFrame_ { false };
};

} // namespace quorvel
