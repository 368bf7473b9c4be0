// A navigation controller: a stack of screens under a navigation bar. Push
// and pop move the top screen with appearance calls (outgoing screen first)
// and tell the delegate will-show at once and did-show when the transition
// ends (0.35 s when animated). Each pop answers the screens it removed; a
// removed screen loses its navigation controller at once.
//
// Appearance calls reach the screens only while the navigation controller
// itself is visible; delegate calls only once its view is loaded.
#pragma once

#include "platform/ui/NavigationBar.h"
#include "platform/ui/ViewController.h"

#include <vector>

namespace platform::ui {

class NavigationController;

class NavigationControllerDelegate {
public:
    virtual ~NavigationControllerDelegate() = default;
    virtual void navigationControllerWillShow(NavigationController* /*nav*/, ViewController* /*controller*/, bool /*animated*/) { }
    virtual void navigationControllerDidShow(NavigationController* /*nav*/, ViewController* /*controller*/, bool /*animated*/) { }
};

class NavigationController : public ViewController {
public:
    static constexpr double kTransitionDuration = 0.35;

    static Ref<NavigationController> withRootViewController(ViewController* root);
    bool initWithRootViewController(ViewController* root);

    const std::vector<Ref<ViewController>>& viewControllers() const { return stack_; }
    void setViewControllers(const std::vector<Ref<ViewController>>& controllers, bool animated);
    ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }
    // The screen just below the given one in the stack; null when it is the
    // root or not in the stack.
    ViewController* previousViewController(const ViewController* controller) const;
    // The modal screen when one is shown, else the top screen.
    ViewController* visibleViewController() const;

    virtual void pushViewController(ViewController* controller, bool animated);
    virtual Ref<ViewController> popViewControllerAnimated(bool animated);
    virtual std::vector<Ref<ViewController>> popToRootViewControllerAnimated(bool animated);
    virtual std::vector<Ref<ViewController>> popToViewController(ViewController* controller, bool animated);

    NavigationBar* navigationBar();
    bool isNavigationBarHidden() const { return barHidden_; }
    virtual void setNavigationBarHidden(bool hidden, bool animated);

    NavigationControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(NavigationControllerDelegate* d) { delegate_ = d; }

    void loadView() override;
    // Where the top screen's view goes: the view's bounds below the bar.
    Rect contentFrame();

protected:
    friend class InterfaceBuilder;
    NavigationController() = default;
    ~NavigationController() override;
    void forwardAppearance(Phase phase, bool animated) override;

private:
    void transition(Ref<ViewController> from, Ref<ViewController> to, bool animated);
    void updateBarItems();
    void detach(ViewController* c);

    std::vector<Ref<ViewController>> stack_;
    Ref<NavigationBar> bar_;
    NavigationControllerDelegate* delegate_ { nullptr };
    bool barHidden_ { false };
};

} // namespace platform::ui
