// NavigationController and NavigationBar: the screen stack, its transitions
// and the bar's items.
#include "platform/ui/NavigationController.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"

#include <algorithm>
#include <iterator>

namespace platform::ui {

Ref<NavigationBar> NavigationBar::barWithFrame(const Rect& frame)
{
    auto b = adoptRef(new NavigationBar);
    return b->initWithFrame(frame) ? b : nullptr;
}

std::string NavigationBar::backButtonTitle() const
{
    NavigationItem* back = backItem();
    if (!back)
        return {};
    std::string title = back->backBarButtonItem() ? back->backBarButtonItem()->title() : back->title();
    return title.empty() ? "Back" : title; // a button under an untitled screen still says where it goes
}

std::string NavigationBar::dumpText() const
{
    NavigationItem* top = topItem();
    return top ? top->title() : std::string();
}

Ref<NavigationController> NavigationController::withRootViewController(ViewController* root)
{
    auto n = adoptRef(new NavigationController);
    return n->initWithRootViewController(root) ? n : nullptr;
}

NavigationController::~NavigationController()
{
    for (auto& c : stack_)
        if (c->container_ == this)
            c->container_ = nullptr;
}

bool NavigationController::initWithRootViewController(ViewController* root)
{
    if (!init())
        return false;
    if (root)
        pushViewController(root, false);
    return true;
}

NavigationBar* NavigationController::navigationBar()
{
    if (!bar_) {
        bar_ = NavigationBar::barWithFrame(Rect(0, 0, Screen::mainScreen().applicationFrame().size.width, NavigationBar::kHeight));
        bar_->setAutoresizingMask(FlexibleWidth);
        bar_->setHidden(barHidden_);
        updateBarItems();
    }
    return bar_.get();
}

Rect NavigationController::contentFrame()
{
    // Not view(): this also runs while the view is being loaded.
    Rect b = view_ ? view_->bounds() : Rect(Point(), Screen::mainScreen().applicationFrame().size);
    float top = barHidden_ ? 0 : NavigationBar::kHeight;
    return Rect(b.origin.x, b.origin.y + top, b.size.width, std::max(0.f, b.size.height - top));
}

void NavigationController::loadView()
{
    auto v = View::viewWithFrame(Screen::mainScreen().applicationFrame());
    v->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    setView(v.get());
    NavigationBar* bar = navigationBar();
    bar->setFrame(Rect(0, 0, v->bounds().size.width, NavigationBar::kHeight));
    v->addSubview(bar);
    if (ViewController* top = topViewController()) {
        View* tv = top->view();
        tv->setFrame(contentFrame());
        v->insertSubviewBelow(tv, bar);
    }
}

ViewController* NavigationController::previousViewController(const ViewController* controller) const
{
    auto it = std::find_if(stack_.begin(), stack_.end(), [&](const Ref<ViewController>& c) { return c.get() == controller; });
    if (it == stack_.end() || it == stack_.begin())
        return nullptr;
    return std::prev(it)->get();
}

ViewController* NavigationController::visibleViewController() const
{
    if (ViewController* m = modalViewController())
        return m;
    return topViewController();
}

void NavigationController::updateBarItems()
{
    if (!bar_)
        return;
    std::vector<Ref<NavigationItem>> items;
    for (auto& c : stack_)
        items.emplace_back(c->navigationItem());
    bar_->setItems(std::move(items));
}

void NavigationController::detach(ViewController* c)
{
    if (c->container_ == this)
        c->container_ = nullptr;
}

void NavigationController::transition(Ref<ViewController> from, Ref<ViewController> to, bool animated)
{
    updateBarItems();
    if (!isViewLoaded() || from == to)
        return;
    if (delegate_ && to)
        delegate_->navigationControllerWillShow(this, to.get(), animated);
    bool visible = isVisible();
    if (visible && from)
        from->notifyViewWillDisappear(animated);
    if (to) {
        View* tv = to->view();
        tv->setFrame(contentFrame());
        view()->insertSubviewBelow(tv, navigationBar());
    }
    if (visible && to)
        to->notifyViewWillAppear(animated);
    // The completion belongs to this controller: it links back without owning it.
    NavigationController* nav = this;
    runTransition(animated, kTransitionDuration, [nav, from, to, visible, animated] {
        Ref<NavigationController> self = nav;
        if (from && from->isViewLoaded() && from->view_->superview() == self->view_.get() && from != self->topViewController())
            from->view_->removeFromSuperview();
        if (visible) {
            if (from)
                from->notifyViewDidDisappear(animated);
            if (to)
                to->notifyViewDidAppear(animated);
        }
        if (self->delegate_ && to)
            self->delegate_->navigationControllerDidShow(self.get(), to.get(), animated);
    });
}

void NavigationController::pushViewController(ViewController* controller, bool animated)
{
    if (!controller) {
        logWarning("NavigationController: attempt to push a nil view controller");
        return;
    }
    if (controller->container_ || controller->presenter_ || controller == this) {
        logWarning("NavigationController: %s is already on a stack", controller->className().c_str());
        return;
    }
    finishPendingTransition();
    Ref<ViewController> from = topViewController();
    Ref<ViewController> to = controller;
    stack_.push_back(to);
    to->container_ = this;
    transition(from, to, animated);
}

Ref<ViewController> NavigationController::popViewControllerAnimated(bool animated)
{
    if (stack_.size() < 2)
        return nullptr;
    finishPendingTransition();
    Ref<ViewController> popped = stack_.back();
    stack_.pop_back();
    detach(popped.get());
    transition(popped, topViewController(), animated);
    return popped;
}

std::vector<Ref<ViewController>> NavigationController::popToViewController(ViewController* controller, bool animated)
{
    auto it = std::find_if(stack_.begin(), stack_.end(), [&](const Ref<ViewController>& c) { return c.get() == controller; });
    if (it == stack_.end()) {
        logWarning("NavigationController: popToViewController with a controller not on the stack");
        return {};
    }
    finishPendingTransition();
    std::vector<Ref<ViewController>> removed(it + 1, stack_.end());
    if (removed.empty())
        return removed;
    Ref<ViewController> from = stack_.back();
    stack_.erase(it + 1, stack_.end());
    for (auto& c : removed)
        detach(c.get());
    // Screens between the old top and the target leave without appearing.
    for (auto& c : removed)
        if (c != from && c->isViewLoaded() && c->view_->superview() == view_.get())
            c->view_->removeFromSuperview();
    transition(from, topViewController(), animated);
    return removed;
}

std::vector<Ref<ViewController>> NavigationController::popToRootViewControllerAnimated(bool animated)
{
    if (stack_.empty())
        return {};
    return popToViewController(stack_.front().get(), animated);
}

void NavigationController::setViewControllers(const std::vector<Ref<ViewController>>& controllers, bool animated)
{
    finishPendingTransition();
    Ref<ViewController> from = topViewController();
    for (auto& c : stack_)
        detach(c.get());
    std::vector<Ref<ViewController>> old = std::move(stack_);
    stack_.clear();
    for (auto& c : controllers) {
        if (!c || c->container_ || c->presenter_) {
            logWarning("NavigationController: skipping a nil or already shown view controller");
            continue;
        }
        c->container_ = this;
        stack_.push_back(c);
    }
    for (auto& c : old)
        if (c != from && c->container_ != this && c->isViewLoaded() && view_ && c->view_->superview() == view_.get())
            c->view_->removeFromSuperview();
    transition(from, topViewController(), animated);
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated)
{
    barHidden_ = hidden;
    if (bar_)
        bar_->setHidden(hidden);
    if (isViewLoaded())
        if (ViewController* top = topViewController(); top && top->isViewLoaded())
            top->view()->setFrame(contentFrame());
}

void NavigationController::forwardAppearance(Phase phase, bool animated)
{
    Ref<ViewController> top = topViewController();
    if (!top)
        return;
    switch (phase) {
    case Phase::WillAppear:
        if (delegate_ && isViewLoaded())
            delegate_->navigationControllerWillShow(this, top.get(), animated);
        top->notifyViewWillAppear(animated);
        break;
    case Phase::DidAppear:
        top->notifyViewDidAppear(animated);
        if (delegate_ && isViewLoaded())
            delegate_->navigationControllerDidShow(this, top.get(), animated);
        break;
    case Phase::WillDisappear:
        top->notifyViewWillDisappear(animated);
        break;
    case Phase::DidDisappear:
        top->notifyViewDidDisappear(animated);
        break;
    }
}

} // namespace platform::ui
