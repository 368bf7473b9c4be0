// The loading overlay that screens put over themselves while a request runs:
// a dimmed background and a strip resting on the view's bottom edge.
//
// Its view plays an appear transition (0.25 s) and a disappear transition
// (0.5 s, then it leaves its superview and runs the stored callback). A
// disappearance asked for while the appearance runs waits for it; a second
// request while one runs or waits is ignored and its callback dropped.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/ViewController.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVPatternedGradientView.h"

namespace quorvel {

class QVLoadingView : public platform::ui::View {
    QV_DECLARE_CLASS(QVLoadingView)
public:
    static constexpr double kAppearDuration = 0.25;
    static constexpr double kDisappearDuration = 0.5;
    static constexpr float kShownBackgroundAlpha = 0.75f;

    void playAppearTransition(bool animated);
    void playDisappearTransition(const QVDelegate& callback);

    platform::ui::View* contentContainer() const { return contentContainer_.get(); }
    void setContentContainer(platform::ui::View* v) { contentContainer_ = v; }
    platform::ui::View* backgroundView() const { return backgroundView_.get(); }
    void setBackgroundView(platform::ui::View* v) { backgroundView_ = v; }
    platform::ui::ImageView* centerImage() const { return centerImage_.get(); }
    void setCenterImage(platform::ui::ImageView* v) { centerImage_ = v; }
    QVPatternedGradientView* leftView() const { return leftView_.get(); }
    void setLeftView(QVPatternedGradientView* v) { leftView_ = v; }
    QVPatternedGradientView* rightView() const { return rightView_.get(); }
    void setRightView(QVPatternedGradientView* v) { rightView_ = v; }

    bool appearingAnimationInProgress() const { return appearing_; }
    bool disappearingAnimationInProgress() const { return disappearing_; }
    bool disappearIsQueued() const { return disappearQueued_; }

    // Keeps the centre image in place and fits the edges on both sides of it.
    void setFrame(const platform::Rect& frame) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVLoadingView() = default;

private:
    void _appearTransitionDidStop(const std::string& name, bool finished, void* context);
    void _disappearTransitionDidStop(const std::string& name, bool finished, void* context);
    void layoutEdges();
    void placeContainerOnBottomEdge();

    platform::Ref<platform::ui::View> contentContainer_;
    platform::Ref<platform::ui::View> backgroundView_;
    platform::Ref<platform::ui::ImageView> centerImage_;
    platform::Ref<QVPatternedGradientView> leftView_;
    platform::Ref<QVPatternedGradientView> rightView_;
    bool appearing_ { false };
    bool disappearing_ { false };
    bool disappearQueued_ { false };
    QVDelegate disappearDelegate_;
};

class QVLoadingController : public platform::ui::ViewController, public QVCallbackable {
    QV_DECLARE_CLASS(QVLoadingController)
public:
    // The "Loading" screen (the text is not shown), already told it will appear.
    static platform::Ref<QVLoadingController> loadingControllerWithText(const std::string& text);

    void setLoadingText(const std::string&) { }
    void showLoadingScreen() { showLoadingScreen(true); }
    void showLoadingScreen(bool animated);
    void hide();
    QVLoadingView* loadingView();

    void loadView() override;
    void viewDidLoad() override;
    bool canReceiveCallbacksNow() override { return true; }

    // Builds the overlay's view (through the interface builder when one is given).
    static platform::Ref<QVLoadingView> buildLoadingView(platform::ui::InterfaceBuilder* builder,
                                                         const platform::Rect& frame);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVLoadingController() = default;

};

} // namespace quorvel
