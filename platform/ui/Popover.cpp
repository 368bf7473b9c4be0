// PopoverController: the content screen placed in the key window next to its
// anchor, kept alive in the list of shown popovers.
#include "platform/ui/Popover.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Exception.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform::ui {

namespace {
std::vector<Ref<PopoverController>>& shown()
{
    static std::vector<Ref<PopoverController>> list;
    return list;
}
} // namespace

Ref<PopoverController> PopoverController::withContentViewController(ViewController* content)
{
    BRISKO_ASSERT(Screen::mainScreen().isTablet(), "Popover controllers are only available on tablets");
    auto p = adoptRef(new PopoverController);
    p->content_ = content;
    return p;
}

void PopoverController::presentFromBarButtonItem(BarButtonItem* item, unsigned arrowDirections, bool animated)
{
    anchorItem_ = item;
    // Bar buttons sit in the top bar; the right end is where the client's
    // buttons are, which is as close as a headless bar can tell.
    Rect screen = Screen::mainScreen().bounds();
    present(Rect(screen.size.width - 60, 20, 50, 44), arrowDirections);
}

void PopoverController::presentFromRect(const Rect& rect, View* view, unsigned arrowDirections, bool animated)
{
    anchorItem_ = nullptr;
    present(view ? view->convertRectTo(rect, nullptr) : rect, arrowDirections);
}

void PopoverController::present(const Rect& anchor, unsigned arrows)
{
    Ref<PopoverController> keep = this;
    anchorRect_ = anchor;
    arrows_ = arrows;
    if (visible_ || !content_)
        return;
    Window* window = Window::keyWindow();
    Rect screen = window ? window->bounds() : Screen::mainScreen().bounds();
    // Below the anchor, kept on the screen.
    float w = std::min(contentSize_.width, screen.size.width);
    float h = std::min(contentSize_.height, std::max(0.f, screen.size.height - anchor.maxY()));
    float x = std::clamp(anchor.midX() - w / 2, 0.f, std::max(0.f, screen.size.width - w));
    View* v = content_->view();
    v->setFrame(Rect(x, anchor.maxY(), w, h));
    visible_ = true;
    shown().push_back(this);
    content_->notifyViewWillAppear(false);
    if (window)
        window->addSubview(v);
    content_->notifyViewDidAppear(false);
}

void PopoverController::dismissPopoverAnimated(bool animated)
{
    if (!visible_)
        return;
    Ref<PopoverController> keep = this;
    visible_ = false;
    auto& list = shown();
    list.erase(std::remove_if(list.begin(), list.end(), [this](const Ref<PopoverController>& p) { return p.get() == this; }), list.end());
    if (content_) {
        content_->notifyViewWillDisappear(animated);
        if (content_->isViewLoaded())
            content_->view()->removeFromSuperview();
        content_->notifyViewDidDisappear(animated);
    }
}

bool PopoverController::dismissByTouchOutsideForTest()
{
    if (!visible_)
        return false;
    Ref<PopoverController> keep = this;
    if (delegate_ && !delegate_->popoverControllerShouldDismissPopover(this))
        return false;
    dismissPopoverAnimated(true);
    if (delegate_)
        delegate_->popoverControllerDidDismissPopover(this);
    return true;
}

std::vector<Ref<PopoverController>> PopoverController::visiblePopovers()
{
    return shown();
}

void PopoverController::forgetAll()
{
    auto list = std::move(shown());
    shown().clear();
    for (auto& p : list) {
        p->visible_ = false;
        if (p->content_ && p->content_->isViewLoaded())
            p->content_->view()->removeFromSuperview();
    }
}

} // namespace platform::ui
