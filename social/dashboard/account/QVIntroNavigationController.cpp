// The frame around the approval and account screens.
#include "social/dashboard/account/QVIntroNavigationController.h"

#include "social/core/QuorvelInternal.h"

#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFramedNavigationController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVIntroNavigationController);

Ref<QVIntroNavigationController> QVIntroNavigationController::withNavigationController(QVNavigationController* nav)
{
    Ref<QVIntroNavigationController> intro = platform::adoptRef(new QVIntroNavigationController);
    if (!intro->initWithNavigationController(nav))
        return nullptr;
    return intro;
}

Ref<QVIntroNavigationController> QVIntroNavigationController::framing(ViewController* screen)
{
    if (!screen)
        return nullptr;
    Ref<QVNavigationController> nav = QVNavigationController::withRootViewController(screen);
    if (!nav)
        return nullptr;
    nav->setNavigationBarHidden(true, false);
    nav->hideBackground();
    return withNavigationController(nav.get());
}

bool QVIntroNavigationController::initWithNavigationController(QVNavigationController* nav)
{
    if (!init() || !nav)
        return false;
    adopt(nav);
    return true;
}

void QVIntroNavigationController::adopt(QVNavigationController* nav)
{
    navController_ = nav;
    view();
}

QVIntroNavigationController::~QVIntroNavigationController() = default;

bool QVIntroNavigationController::performSetter(const std::string& setterName, platform::Object* value)
{
    if (setterName != "setNavigationRoot")
        return QVViewController::performSetter(setterName, value);
    auto* screen = dynamic_cast<ViewController*>(value);
    Ref<QVNavigationController> nav = screen ? QVNavigationController::withRootViewController(screen) : nullptr;
    if (!nav)
        return false;
    nav->setNavigationBarHidden(true, false);
    nav->hideBackground();
    adopt(nav.get());
    return true;
}

void QVIntroNavigationController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    View* own = view();
    own->setClipsToBounds(true);
    if (!navController_)
        return;
    Rect bounds = own->bounds();
    navController_->view()->setFrame(bounds.insetBy(kInset, kInset));
    navController_->setLoadingViewParent(own);
    // The stack and the border take the rectangles the frame gives them (from the dashboard's
    // size), never a passing size of the frame's own view on its way to the screen.
    navController_->view()->setAutoresizingMask(AutoresizingNone);
    own->addSubview(navController_->view());
    // The kit's content frame, drawn over the stack's edges.
    contentFrameView_ = QVContentFrameView::withFrame(bounds);
    if (contentFrameView_) {
        contentFrameView_->setBackgroundColor(std::nullopt);
        contentFrameView_->setOpaque(false);
        contentFrameView_->setUserInteractionEnabled(false);
        contentFrameView_->setAutoresizingMask(AutoresizingNone);
        own->addSubview(contentFrameView_.get());
    }
    setFullscreenFrame(fullscreenFrame_, false);
    if (!QuorvelInternal::dashboardRole().isLargeScreen())
        own->setBackgroundColor(Color::white(0.93f));
}

void QVIntroNavigationController::viewWillAppear(bool)
{
    if (!QuorvelInternal::dashboardRole().isLargeScreen() && contentFrameView_) {
        contentFrameView_->setFrame(view()->bounds());
        placeStack();
    }
}

void QVIntroNavigationController::viewDidAppear(bool)
{
    if (QuorvelInternal::dashboardRole().isLargeScreen())
        placeStack();
}

void QVIntroNavigationController::placeStack()
{
    // The screens lie inside the border that is drawn: a frame that leaves a
    // bottom padding leaves it below the screen too, so nothing the screen
    // shows (or a tap is meant for) falls outside the border.
    if (!navController_ || !contentFrameView_)
        return;
    navController_->view()->setFrame(contentFrameView_->frame().insetBy(kInset, kInset));
}

void QVIntroNavigationController::forwardAppearance(Phase phase, bool animated)
{
    if (!navController_)
        return;
    switch (phase) {
    case Phase::WillAppear: navController_->notifyViewWillAppear(animated); break;
    case Phase::DidAppear: navController_->notifyViewDidAppear(animated); break;
    case Phase::WillDisappear: navController_->notifyViewWillDisappear(animated); break;
    case Phase::DidDisappear: navController_->notifyViewDidDisappear(animated); break;
    }
}

float QVIntroNavigationController::bottomPadding()
{
    // The framed screens reach the bottom of the screen (or the panel) too: a band left below
    // them would show nothing but the frame's background.
    return 0;
}

void QVIntroNavigationController::setFullscreenFrame(bool fullscreen, bool animated)
{
    fullscreenFrame_ = fullscreen;
    if (!isViewLoaded())
        return;
    Rect frame = QuorvelInternal::dashboardRole().getDashboardBounds();
    frame.origin = platform::Point(0, 0);
    frame.size.height -= bottomPadding();
    if (animated) {
        View::beginAnimations("introFrame");
        View::setAnimationBeginsFromCurrentState(true);
    }
    if (contentFrameView_)
        contentFrameView_->setFrame(frame);
    placeStack();
    if (loadingView_) {
        Rect loading = frame;
        if (QuorvelInternal::dashboardRole().isLargeScreen())
            loading.size.height -= 10;
        loadingView_->setFrame(loading);
    }
    if (animated)
        View::commitAnimations();
}

void QVIntroNavigationController::displayLoadingView(View* overlay)
{
    // The stack took the earlier overlay down (it fades out by itself).
    removeLoadingView();
    if (!overlay)
        return;
    loadingView_ = overlay;
    overlay->setClipsToBounds(true);
    Rect frame = contentFrameView_ ? contentFrameView_->frame() : view()->bounds();
    if (QuorvelInternal::dashboardRole().isLargeScreen())
        frame.size.height -= 10;
    overlay->setFrame(frame);
    if (contentFrameView_)
        view()->insertSubviewBelow(overlay, contentFrameView_.get());
    else
        view()->addSubview(overlay);
}

void QVIntroNavigationController::removeLoadingView()
{
    // Only forgotten: the overlay plays its fade and leaves the frame itself.
    loadingView_ = nullptr;
}

} // namespace quorvel
