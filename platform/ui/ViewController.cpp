// ViewController: lazy view, appearance wrappers, modal presentation and
// memory warnings.
#include "platform/ui/ViewController.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform::ui {

namespace {

std::vector<ViewController*>& registry()
{
    static std::vector<ViewController*> list;
    return list;
}

} // namespace

ViewController::ViewController()
{
    registry().push_back(this);
}

ViewController::~ViewController()
{
    auto& list = registry();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (pendingTimer_)
        pendingTimer_->invalidate();
    if (view_ && view_->controller_ == this)
        view_->controller_ = nullptr;
    if (modal_ && modal_->presenter_ == this)
        modal_->presenter_ = nullptr;
}

Ref<ViewController> ViewController::controller()
{
    auto c = adoptRef(new ViewController);
    return c->init() ? c : nullptr;
}

Ref<ViewController> ViewController::withNibName(const std::string& nibName)
{
    auto c = adoptRef(new ViewController);
    return c->initWithNibName(nibName) ? c : nullptr;
}

bool ViewController::init()
{
    return true;
}

bool ViewController::initWithNibName(const std::string& nibName)
{
    nibName_ = nibName;
    return init();
}

bool ViewController::initWithCoder()
{
    fromInterface_ = true;
    return true;
}

std::vector<Ref<ViewController>> ViewController::liveControllers()
{
    std::vector<Ref<ViewController>> out;
    for (auto* c : registry())
        if (c->retainCount() > 0)
            out.emplace_back(c);
    return out;
}

// --- The view ---

void ViewController::takeView(View* view)
{
    if (view_ && view_->controller_ == this)
        view_->controller_ = nullptr;
    view_ = view;
    viewFromLoadView_ = view_ && loadingView_;
    if (view_)
        view_->controller_ = this;
    else
        viewLoadAnnounced_ = false;
}

View* ViewController::view()
{
    Ref<ViewController> keep = this;
    if (!view_) {
        struct Loading {
            bool& flag;
            explicit Loading(bool& f) : flag(f) { flag = true; }
            ~Loading() { flag = false; }
        } loading(loadingView_);
        loadView();
        if (!view_) {
            logError("ViewController: %s did not load a view", className().c_str());
            auto plain = View::viewWithFrame(Screen::mainScreen().applicationFrame());
            takeView(plain.get());
        }
    }
    // Also for a view that came with the controller from its interface file.
    if (!viewLoadAnnounced_) {
        viewLoadAnnounced_ = true;
        viewDidLoad();
    }
    return view_.get();
}

void ViewController::setView(View* view)
{
    takeView(view);
}

void ViewController::loadView()
{
    if (!nibName_.empty()) {
        if (!InterfaceRegistry::shared().build(nibName_, this))
            logError("ViewController: no interface layout named %s", nibName_.c_str());
        else if (!view_)
            logError("ViewController: the layout %s did not connect the view", nibName_.c_str());
        if (view_)
            return;
    }
    auto plain = View::viewWithFrame(Screen::mainScreen().applicationFrame());
    plain->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    takeView(plain.get());
}

// --- Appearance ---

void ViewController::notifyViewWillAppear(bool animated)
{
    Ref<ViewController> keep = this;
    appearState_ = AppearState::Appearing;
    viewWillAppear(animated);
    forwardAppearance(Phase::WillAppear, animated);
}

void ViewController::notifyViewDidAppear(bool animated)
{
    Ref<ViewController> keep = this;
    appearState_ = AppearState::Appeared;
    viewDidAppear(animated);
    forwardAppearance(Phase::DidAppear, animated);
}

void ViewController::notifyViewWillDisappear(bool animated)
{
    Ref<ViewController> keep = this;
    appearState_ = AppearState::Disappearing;
    viewWillDisappear(animated);
    forwardAppearance(Phase::WillDisappear, animated);
}

void ViewController::notifyViewDidDisappear(bool animated)
{
    Ref<ViewController> keep = this;
    appearState_ = AppearState::Disappeared;
    viewDidDisappear(animated);
    forwardAppearance(Phase::DidDisappear, animated);
}

// --- Navigation ---

void ViewController::setTitle(const std::string& title)
{
    title_ = title;
    navigationItem()->setTitle(title);
}

NavigationItem* ViewController::navigationItem()
{
    if (!navigationItem_)
        navigationItem_ = NavigationItem::withTitle(title_);
    return navigationItem_.get();
}

NavigationController* ViewController::navigationController() const
{
    for (ViewController* c = container_; c; c = c->container_)
        if (auto* nav = dynamic_cast<NavigationController*>(c))
            return nav;
    return nullptr;
}

InterfaceOrientation ViewController::interfaceOrientation() const
{
    return Application::sharedApplication().statusBarOrientation();
}

Responder* ViewController::nextResponder() const
{
    return view_ ? view_->superview() : nullptr;
}

// --- Transitions ---

void ViewController::runTransition(bool animated, double duration, std::function<void()> completion)
{
    finishPendingTransition();
    if (!animated) {
        completion();
        return;
    }
    pending_ = std::move(completion);
    Weak<ViewController> weak(this);
    pendingTimer_ = RunLoop::main().performAfter(duration, [weak] {
        if (auto self = weak.lock())
            self->finishPendingTransition();
    });
}

void ViewController::finishPendingTransition()
{
    if (pendingTimer_) {
        pendingTimer_->invalidate();
        pendingTimer_ = nullptr;
    }
    if (auto done = std::move(pending_)) {
        pending_ = nullptr;
        done();
    }
}

ViewController* ViewController::outermostContainer()
{
    ViewController* c = this;
    while (c->container_)
        c = c->container_;
    return c;
}

// --- Modal screens ---

ViewController* ViewController::modalViewController() const
{
    const ViewController* c = this;
    while (c->container_)
        c = c->container_;
    return c->modal_.get();
}

void ViewController::presentModalViewController(ViewController* controller, bool animated)
{
    if (!controller) {
        logWarning("ViewController: attempt to present a nil modal view controller");
        return;
    }
    Ref<ViewController> host = outermostContainer();
    if (host->modal_) {
        logWarning("ViewController: %s already presents a modal view controller", host->className().c_str());
        return;
    }
    if (controller->presenter_ || controller->container_ || controller == host.get()) {
        logWarning("ViewController: %s is already shown elsewhere", controller->className().c_str());
        return;
    }
    host->finishPendingTransition();
    Ref<ViewController> modal = controller;
    host->modal_ = modal;
    modal->presenter_ = host.get();

    Window* window = host->isViewLoaded() ? host->view_->window() : nullptr;
    bool visible = host->isVisible();
    if (visible)
        host->notifyViewWillDisappear(animated);
    if (window) {
        View* v = modal->view();
        v->setFrame(Screen::mainScreen().applicationFrame());
        window->addSubview(v);
    }
    if (visible)
        modal->notifyViewWillAppear(animated);
    // The completion belongs to the host, so it links to the host without owning it.
    ViewController* h = host.get();
    host->runTransition(animated, kModalTransitionDuration, [h, modal, visible, animated] {
        Ref<ViewController> host = h;
        if (visible) {
            host->notifyViewDidDisappear(animated);
            modal->notifyViewDidAppear(animated);
        }
    });
}

void ViewController::dismissModalViewControllerAnimated(bool animated)
{
    Ref<ViewController> host = outermostContainer();
    if (!host->modal_) {
        // Sent to the modal screen itself: its presenter dismisses it.
        if (host->presenter_)
            host->presenter_->dismissModalViewControllerAnimated(animated);
        return;
    }
    host->finishPendingTransition();
    Ref<ViewController> modal = host->modal_;
    // A modal screen of the modal screen goes with it.
    if (modal->modal_)
        modal->dismissModalViewControllerAnimated(false);
    host->modal_ = nullptr;
    bool visible = modal->isVisible();
    if (visible) {
        modal->notifyViewWillDisappear(animated);
        host->notifyViewWillAppear(animated);
    }
    ViewController* h = host.get();
    host->runTransition(animated, kModalTransitionDuration, [h, modal, visible, animated] {
        Ref<ViewController> host = h;
        if (modal->isViewLoaded())
            modal->view_->removeFromSuperview();
        modal->presenter_ = nullptr;
        if (visible) {
            modal->notifyViewDidDisappear(animated);
            host->notifyViewDidAppear(animated);
        }
    });
}

// --- Memory ---

void ViewController::didReceiveMemoryWarning()
{
    if (!view_ || !viewFromLoadView_ || view_->superview() || dynamic_cast<Window*>(view_.get()) || isVisible())
        return;
    Ref<ViewController> keep = this;
    takeView(nullptr);
    viewDidUnload();
}

} // namespace platform::ui
