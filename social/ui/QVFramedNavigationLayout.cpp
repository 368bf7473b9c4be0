// The framed navigation stack's geometry: which of the frame's parts (banner,
// bottom view, navigation bar) a screen shows, their rectangles, their slides
// out and in between screens, the content insets and the keyboard.
#include "social/ui/QVFramedNavigationController.h"

#include "social/ui/QVBannerCell.h"
#include "social/ui/QVBannerFrame.h"
#include "social/ui/QVContentFrameView.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVScreenProtocols.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

namespace {

constexpr const char* kSlidingOut = "slidingOut";
constexpr const char* kSlidingIn = "slidingIn";
constexpr const char* kNavBarAdjustment = "navBarAdjustment";

} // namespace

QVFramedNavigationController::VisibilityFlags QVFramedNavigationController::_visibilityFlagsForController(
    ViewController* screen)
{
    VisibilityFlags flags;
    if (!screen)
        return flags;
    if (auto* provider = dynamic_cast<QVBannerProvider*>(screen))
        flags.showBanner = provider->isBannerAvailableNow();
    flags.showBottomView = dynamic_cast<QVCustomBottomView*>(screen) != nullptr;
    std::optional<bool> wanted;
    if (auto* behavior = dynamic_cast<QVFramedNavigationControllerBehavior*>(screen))
        wanted = behavior->shouldShowNavBar();
    if (wanted)
        flags.showNavBar = *wanted;
    else if (screen->navigationItem()->rightBarButtonItem())
        flags.showNavBar = true;
    else if (viewControllers().empty() || viewControllers().front().get() == screen)
        flags.showNavBar = false;
    else
        flags.showNavBar = !viewControllerSpecificallyWantsTheNavBarHidden;
    return flags;
}

void QVFramedNavigationController::_positionViewsForController(ViewController* screen, bool animated)
{
    visibilityShould_ = _visibilityFlagsForController(screen);
    visibilityDoes_ = visibilityShould_;
    auto apply = [&] {
        _postSlideOut(screen);
        _postSlideIn(screen);
        _repositionViews();
        _repositionContent();
    };
    if (!animated) {
        apply();
        return;
    }
    View::beginAnimations("positionViews");
    View::setAnimationDuration(kSlideDuration);
    apply();
    View::commitAnimations();
}

void QVFramedNavigationController::setNavigationBarHidden(bool hidden, bool animated)
{
    viewControllerSpecificallyWantsTheNavBarHidden = hidden;
    if (!isViewLoaded()) {
        NavigationController::setNavigationBarHidden(hidden, false);
        return;
    }
    ViewController* top = visibleViewController();
    visibilityShould_ = _visibilityFlagsForController(top);
    visibilityDoes_ = visibilityShould_;
    if (animated) {
        View::beginAnimations(kNavBarAdjustment);
        View::setAnimationDuration(kNavBarAdjustmentDuration);
    }
    _makeNavBarCoherent();
    _repositionViews();
    _repositionContent();
    if (animated)
        View::commitAnimations();
}

void QVFramedNavigationController::_makeNavBarCoherent()
{
    bool hidden = isNavigationBarHidden();
    if (visibilityDoes_.showNavBar && hidden)
        NavigationController::setNavigationBarHidden(false, false);
    else if (!visibilityDoes_.showNavBar && !hidden)
        NavigationController::setNavigationBarHidden(true, false);
    else
        return;
    _repositionViews();
    _repositionContent();
}

bool QVFramedNavigationController::_slideOut(ViewController* screen)
{
    visibilityShould_ = _visibilityFlagsForController(screen);
    VisibilityFlags next {
        visibilityDoes_.showBanner && visibilityShould_.showBanner,
        visibilityDoes_.showBottomView && visibilityShould_.showBottomView,
        visibilityDoes_.showNavBar && visibilityShould_.showNavBar,
    };
    if (next == visibilityDoes_)
        return false;
    View::beginAnimations(kSlidingOut, screen);
    View::setAnimationDuration(kSlideDuration);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(View::DidStopSelector(BRISKO_SELECTOR(QVFramedNavigationController, slideDidStop)));
    visibilityDoes_ = next;
    _repositionViews();
    View::commitAnimations();
    return true;
}

bool QVFramedNavigationController::_slideIn(ViewController* screen)
{
    visibilityShould_ = _visibilityFlagsForController(screen);
    VisibilityFlags next {
        visibilityDoes_.showBanner || visibilityShould_.showBanner,
        visibilityDoes_.showBottomView || visibilityShould_.showBottomView,
        visibilityDoes_.showNavBar || visibilityShould_.showNavBar,
    };
    if (next == visibilityDoes_)
        return false;
    if (visibilityShould_.showNavBar && isNavigationBarHidden()) {
        NavigationController::setNavigationBarHidden(false, false);
        _repositionViews();
        _repositionContent();
    }
    View::beginAnimations(kSlidingIn, screen);
    View::setAnimationDuration(kSlideDuration);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(View::DidStopSelector(BRISKO_SELECTOR(QVFramedNavigationController, slideDidStop)));
    visibilityDoes_ = next;
    _repositionViews();
    View::commitAnimations();
    return true;
}

void QVFramedNavigationController::slideDidStop(const std::string& name, bool, void* context)
{
    auto* screen = static_cast<ViewController*>(context);
    if (!screen || screen != visibleViewController())
        return;
    if (name == kSlidingOut) {
        _postSlideOut(screen);
        if (!_slideIn(screen))
            _postSlideIn(screen);
    } else if (name == kSlidingIn) {
        _postSlideIn(screen);
    }
}

void QVFramedNavigationController::_postSlideOut(ViewController* screen)
{
    if (!visibilityDoes_.showBottomView && customBottomView_) {
        customBottomView_->removeFromSuperview();
        customBottomView_ = nullptr;
    }
    if (visibilityDoes_.showBottomView != visibilityShould_.showBottomView || (visibilityShould_.showBottomView && !customBottomView_)) {
        refreshBottomView();
        _repositionContent();
    }
    _makeNavBarCoherent();
    if (!bannerView_)
        return;
    if (visibilityShould_.showBanner) {
        visibilityShould_.showBanner = false;
        QVFramedControllerInfo* info = infoFor(screen);
        // A screen whose banner did not load shows no banner area either.
        bool shown = visibilityDoes_.showBanner;
        visibilityDoes_.showBanner = false;
        if (info && info->banner) {
            visibilityDoes_.showBanner = shown;
            visibilityShould_.showBanner = true;
            QVBannerCell* current = bannerView_->bannerSubview();
            if (current != info->banner.get()) {
                if (current)
                    current->viewDidDisappear();
                bannerView_->setBannerSubview(info->banner.get());
                info->banner->viewDidAppear();
            }
        }
    } else if (QVBannerCell* current = bannerView_->bannerSubview()) {
        current->viewDidDisappear();
        bannerView_->setBannerSubview(nullptr);
    }
}

void QVFramedNavigationController::refreshBottomView()
{
    ViewController* top = topViewController();
    Ref<View> bottom;
    if (auto* provider = dynamic_cast<QVCustomBottomView*>(top))
        bottom = provider->getBottomView();
    if (bottom != customBottomView_) {
        if (customBottomView_)
            customBottomView_->removeFromSuperview();
        customBottomView_ = bottom;
        if (bottom) {
            View* own = view();
            Rect b = own->bounds();
            bottom->setFrame(Rect(0, b.size.height, b.size.width, bottom->frame().size.height));
            own->addSubview(bottom.get());
            own->bringSubviewToFront(bottom.get());
        }
    }
    if (top) {
        visibilityShould_ = _visibilityFlagsForController(top);
        _repositionViews();
        _repositionContent();
    }
}

QVFramedNavigationController::Rects QVFramedNavigationController::_genRects(const VisibilityFlags& flags)
{
    QVDashboardRole& host = QVDashboardRole::current();
    Rects r;
    Rect bounds = view()->bounds();
    r.navBar = navigationBar()->frame();
    r.navBar.origin.y = flags.showNavBar ? 0 : -r.navBar.size.height;
    float navBottom = r.navBar.origin.y + r.navBar.size.height;

    bool large = host.isLargeScreen();
    float bannerHeight = large ? 78 : 58;
    float bannerWidth = large ? 640 : (host.isInLandscapeMode() ? 480 : 320);
    r.banner = Rect(0, flags.showBanner ? navBottom : navBottom - bannerHeight, bannerWidth, bannerHeight);

    float top = r.banner.origin.y + r.banner.size.height;
    if (flags.showBanner)
        top -= kBannerOverlap;
    float height = bounds.size.height - top;
    if (isKeyboardShown_)
        height -= keyboardHeight_;
    if (large)
        height += kLargeScreenFrameExtra;
    r.frame = Rect(0, top, bounds.size.width, height);

    r.bottom = customBottomView_ ? customBottomView_->frame() : Rect(0, bounds.size.height, bounds.size.width, 0);
    if (flags.showBottomView) {
        // The bottom view stands on the screen's bottom (or the keyboard), not in the large
        // screen's extra points below it, where its box was cut.
        float edge = std::min(r.frame.origin.y + r.frame.size.height,
                              bounds.size.height - (isKeyboardShown_ ? keyboardHeight_ : 0));
        r.bottom.origin.y = edge - r.bottom.size.height;
        r.frame.size.height = r.bottom.origin.y - r.frame.origin.y;
    } else {
        r.bottom.origin.y = bounds.size.height;
    }
    return r;
}

void QVFramedNavigationController::_repositionViews()
{
    if (!isViewLoaded())
        return;
    Rects r = _genRects(visibilityDoes_);
    navigationBar()->setFrame(r.navBar);
    if (bannerView_)
        bannerView_->setFrame(r.banner);
    if (frameView_)
        frameView_->setFrame(r.frame);
    if (customBottomView_)
        customBottomView_->setFrame(r.bottom);
}

EdgeInsets QVFramedNavigationController::_calculateInsetsFor(ViewController* screen)
{
    VisibilityFlags wanted = _visibilityFlagsForController(screen);
    Rects r = _genRects(wanted);
    EdgeInsets insets = QVContentFrameView::getContentInsets();
    insets.top += r.frame.origin.y;
    if (wanted.showNavBar)
        insets.top -= r.navBar.size.height;
    if (isKeyboardShown_)
        insets.bottom += keyboardHeight_;
    if (wanted.showBottomView)
        insets.bottom += r.bottom.size.height;
    return insets;
}

void QVFramedNavigationController::_safeSetContentInsets(ViewController* screen, const EdgeInsets& insets)
{
    if (!screen || !screen->isViewLoaded())
        return;
    if (auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(screen->view()))
        wrapper->setContentInsets(insets);
}

void QVFramedNavigationController::_repositionContent()
{
    if (ViewController* top = visibleViewController())
        _safeSetContentInsets(top, _calculateInsetsFor(top));
}

bool QVFramedNavigationController::frameWasSet(QVFramedContentWrapperView* wrapper)
{
    for (auto& c : viewControllers()) {
        if (c->isViewLoaded() && c->view() == wrapper) {
            wrapper->setContentInsets(_calculateInsetsFor(c.get()));
            return true;
        }
    }
    return false;
}

void QVFramedNavigationController::showLoadingIndicator()
{
    QVNavigationController::showLoadingIndicator();
    QVLoadingController* overlay = loadingController();
    if (!overlay || !overlay->isViewLoaded() || !frameView_ || !isViewLoaded())
        return;
    if (overlay->view()->superview() == view() && frameView_->superview() == view())
        view()->insertSubviewBelow(overlay->view(), frameView_.get());
}

void QVFramedNavigationController::adjustForKeyboard(bool shown, float height)
{
    isKeyboardShown_ = shown;
    keyboardHeight_ = height;
    if (isPushingOrPopping)
        return;
    if (ViewController* top = topViewController())
        _positionViewsForController(top, true);
}

} // namespace quorvel
