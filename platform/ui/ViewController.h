// A view controller: one screen's view (loaded on first use), its appearance
// calls, its navigation item and the modal screen it presents.
//
// The framework calls the appearance hooks (viewWillAppear ...) through the
// non-virtual notify... wrappers, which keep the controller's appearance state
// and pass the call on to contained controllers themselves, so a subclass
// that overrides a hook and skips the base call stays correct. Presenting,
// pushing or adding nil does nothing and logs a warning. Animated transitions
// end after their duration on the main run loop; a new transition first
// completes the one in progress.
#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Responder.h"
#include "platform/ui/Types.h"
#include "platform/ui/View.h"

#include <functional>
#include <string>
#include <vector>

namespace platform::ui {

class NavigationController;

class ViewController : public Responder {
public:
    enum class AppearState { Disappeared, Appearing, Appeared, Disappearing };
    static constexpr double kModalTransitionDuration = 0.3;

    static Ref<ViewController> controller();
    static Ref<ViewController> withNibName(const std::string& nibName);
    virtual bool init();
    // The view comes from the interface layout registered under the name.
    bool initWithNibName(const std::string& nibName);
    // Initialisation of a controller built from an interface file.
    virtual bool initWithCoder();
    virtual void awakeFromNib() { }
    bool isBuiltFromInterface() const { return fromInterface_; }

    // --- The view ---
    View* view();
    bool isViewLoaded() const { return view_ != nullptr; }
    // Null unloads the view (without viewDidUnload). A view set before the
    // first view() call still gets viewDidLoad then.
    void setView(View* view);
    const std::string& nibName() const { return nibName_; }
    // Builds the view: from the nib layout (its "view" outlet), else a plain
    // view of the application frame with flexible width and height.
    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewDidUnload() { }

    // --- Appearance hooks (overridable) and the wrappers the framework calls ---
    virtual void viewWillAppear(bool /*animated*/) { }
    virtual void viewDidAppear(bool /*animated*/) { }
    virtual void viewWillDisappear(bool /*animated*/) { }
    virtual void viewDidDisappear(bool /*animated*/) { }
    void notifyViewWillAppear(bool animated);
    void notifyViewDidAppear(bool animated);
    void notifyViewWillDisappear(bool animated);
    void notifyViewDidDisappear(bool animated);
    AppearState appearState() const { return appearState_; }
    bool isVisible() const { return appearState_ == AppearState::Appearing || appearState_ == AppearState::Appeared; }

    // --- Navigation ---
    const std::string& title() const { return title_; }
    virtual void setTitle(const std::string& title);
    NavigationItem* navigationItem();
    // The nearest navigation controller containing this one.
    NavigationController* navigationController() const;
    // The container (navigation controller) or, for a modal screen, the presenter.
    ViewController* parentViewController() const { return container_ ? container_ : presenter_; }
    bool hidesBottomBarWhenPushed() const { return hidesBottomBar_; }
    void setHidesBottomBarWhenPushed(bool h) { hidesBottomBar_ = h; }

    // --- Modal screens (presented and dismissed by the outermost container) ---
    virtual ViewController* modalViewController() const;
    virtual void presentModalViewController(ViewController* controller, bool animated);
    // Dismisses the modal screen of this controller's container, or, from the
    // modal screen itself, that screen.
    virtual void dismissModalViewControllerAnimated(bool animated);

    // --- Orientation and memory ---
    virtual bool shouldAutorotateToInterfaceOrientation(InterfaceOrientation o) { return o == InterfaceOrientation::Portrait; }
    InterfaceOrientation interfaceOrientation() const;
    // Releases the view when it is not on screen and loadView can build it
    // again (then viewDidUnload). A view given to the controller from outside
    // loadView (by its interface layout, or set in code) is kept: nothing
    // could build it again.
    virtual void didReceiveMemoryWarning();
    static std::vector<Ref<ViewController>> liveControllers();

    Responder* nextResponder() const override;

    // Completes a transition (push, pop, modal) still animating, at once.
    void finishPendingTransition();

protected:
    ViewController();
    ~ViewController() override;

    enum class Phase { WillAppear, DidAppear, WillDisappear, DidDisappear };
    // Containers pass their appearance on to the controllers they show.
    virtual void forwardAppearance(Phase /*phase*/, bool /*animated*/) { }
    // Runs the completion now or after the duration on the run loop.
    void runTransition(bool animated, double duration, std::function<void()> completion);
    ViewController* outermostContainer();

private:
    friend class NavigationController;
    friend class InterfaceBuilder;
    void takeView(View* view);

    Ref<View> view_;
    std::string nibName_;
    std::string title_;
    Ref<NavigationItem> navigationItem_;
    ViewController* container_ { nullptr }; // set by the containing navigation controller
    ViewController* presenter_ { nullptr }; // set while presented modally
    Ref<ViewController> modal_;
    std::function<void()> pending_;
    Ref<Timer> pendingTimer_;
    AppearState appearState_ { AppearState::Disappeared };
    bool fromInterface_ { false };
    bool hidesBottomBar_ { false };
    bool viewLoadAnnounced_ { false };
    bool loadingView_ { false };       // inside loadView, called by view()
    bool viewFromLoadView_ { false };  // the view was made by loadView
};

} // namespace platform::ui
