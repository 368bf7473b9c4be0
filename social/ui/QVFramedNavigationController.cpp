// The framed navigation stack: per-screen context, the frame, banner, bottom
// view and navigation bar with their slides, geometry and content insets.
#include "social/ui/QVFramedNavigationController.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVUser.h"
#include "social/ui/QVBannerCell.h"
#include "social/ui/QVBannerFrame.h"
#include "social/ui/QVContentFrameView.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVPlayerBannerCell.h"
#include "social/ui/QVScreenProtocols.h"

#include <algorithm>
#include <cmath>

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

constexpr const char* kUserChanged = "QVNSNotificationUserChanged";

constexpr const char* kInfoPreviousUser = "QVNSNotificationInfoPreviousUser";

constexpr const char* kInfoCurrentUser = "QVNSNotificationInfoCurrentUser";

void registerFrameLayouts()
{
    InterfaceRegistry::shared().registerLayout("ContentFrameQv", [](InterfaceBuilder& b) {
        return std::vector<Ref<Object>> { b.makeView<QVContentFrameView>(Rect(0, 0, 320, 480)) };
    });
    InterfaceRegistry::shared().registerLayout("BannerFrameQv", [](InterfaceBuilder& b) {
        return std::vector<Ref<Object>> { b.makeView<QVBannerFrame>(Rect(0, 0, 320, 58)) };
    });
}

[[maybe_unused]] const bool frameLayoutsRegistered = (registerFrameLayouts(), true);

Ref<QVUser> localUser() { return dynamicRef<QVUser>(QVSessionRole::current().localUser()); }

bool sameUser(const QVUser* a, const QVUser* b) { return a && b && a->resourceId() == b->resourceId(); }

} // namespace

QV_REGISTER_CLASS(QVFramedNavigationController);

Ref<QVFramedControllerInfo> QVFramedControllerInfo::withController(ViewController* controller,
                                                                   Object* clientApplicationInfo)
{
    auto info = platform::adoptRef(new QVFramedControllerInfo);
    info->controller_ = controller;
    info->clientApplicationInfo = clientApplicationInfo;
    return info;
}

Ref<QVFramedNavigationController> QVFramedNavigationController::withRootViewController(ViewController* root)
{
    auto nav = platform::adoptRef(new QVFramedNavigationController);
    if (!nav->initWithRootViewController(root))
        return nullptr;
    return nav;
}

bool QVFramedNavigationController::init()
{
    if (!QVNavigationController::init())
        return false;
    platform::NotificationCenter::defaultCenter().addObserver(
        this, kUserChanged, [this](const platform::Notification& n) { _userChanged(n); });
    return true;
}

bool QVFramedNavigationController::initWithRootViewController(ViewController* root)
{
    return NavigationController::initWithRootViewController(root);
}

QVFramedNavigationController::~QVFramedNavigationController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (bannerView_)
        bannerView_->removeFromSuperview();
    if (frameView_)
        frameView_->removeFromSuperview();
    if (customBottomView_)
        customBottomView_->removeFromSuperview();
}

void QVFramedNavigationController::viewDidLoad()
{
    QVNavigationController::viewDidLoad();
    if (!infosMade_) {
        infosMade_ = true;
        controllerInfos_.reserve(16);
    }
    frameView_ = dynamicRef<QVContentFrameView>(QVControllerLoader::loadView("ContentFrame"));
    bannerView_ = dynamicRef<QVBannerFrame>(QVControllerLoader::loadView("BannerFrame"));
    if (frameView_)
        frameView_->setRoundedCorners(false);
    visibilityDoes_ = VisibilityFlags { false, false, true };
    visibilityShould_ = VisibilityFlags {};
    _makeNavBarCoherent();
    _repositionViews();
    View* v = view();
    v->setClipsToBounds(true);
    if (frameView_)
        v->addSubview(frameView_.get());
    if (bannerView_)
        v->addSubview(bannerView_.get());
    v->bringSubviewToFront(navigationBar());
}

QVFramedControllerInfo* QVFramedNavigationController::infoFor(ViewController* screen) const
{
    for (auto& info : controllerInfos_)
        if (info->controller() == screen)
            return info.get();
    return nullptr;
}

Object* QVFramedNavigationController::currentUser() const
{
    return controllerInfos_.empty() ? nullptr : controllerInfos_.back()->user.get();
}

Object* QVFramedNavigationController::comparisonUser() const
{
    return controllerInfos_.empty() ? nullptr : controllerInfos_.back()->comparedToUser.get();
}

Object* QVFramedNavigationController::currentGameContext() const
{
    return controllerInfos_.empty() ? nullptr : controllerInfos_.back()->clientApplicationInfo.get();
}

void QVFramedNavigationController::changeGameContext(Object* game)
{
    if (!controllerInfos_.empty())
        controllerInfos_.back()->clientApplicationInfo = game;
}

void QVFramedNavigationController::pushViewController(ViewController* controller, bool animated)
{
    Ref<QVUser> user = dynamic_cast<QVUser*>(currentUser());
    if (!user)
        user = localUser();
    Ref<QVUser> compared = dynamic_cast<QVUser*>(comparisonUser());
    _pushViewController(controller, animated, user.get(), compared.get());
}

void QVFramedNavigationController::pushViewController(ViewController* controller, bool animated, QVUser* user)
{
    _pushViewController(controller, animated, user, nullptr);
}

void QVFramedNavigationController::pushViewControllerInContextOfLocalUserComparedTo(ViewController* controller,
                                                                                    bool animated, QVUser* comparedTo)
{
    _pushViewController(controller, animated, localUser().get(), comparedTo);
}

void QVFramedNavigationController::_pushViewController(ViewController* controller, bool animated, QVUser* user,
                                                       QVUser* comparedTo)
{
    if (!controller) {
        platform::logWarning("QVFramedNavigationController: no screen to push");
        return;
    }
    Ref<ViewController> keep(controller);
    View* own = view(); // the entry list exists before the first entry
    isPushingOrPopping = true;
    own->bringSubviewToFront(navigationBar());

    View* screenView = controller->view();
    if (!dynamic_cast<QVFramedContentWrapperView*>(screenView)) {
        auto wrapper = QVFramedContentWrapperView::withWrappedView(screenView);
        wrapper->setContentInsets(QVContentFrameView::getContentInsets());
        controller->setView(wrapper.get());
    }

    Object* game = controllerInfos_.empty() ? nullptr : controllerInfos_.back()->clientApplicationInfo.get();
    controllerInfos_.push_back(QVFramedControllerInfo::withController(controller, game));
    _changeUserTo(user, comparedTo, false);

    QVNavigationController::pushViewController(controller, animated);
    if (QVFramedControllerInfo* info = infoFor(controller))
        info->banner = loadBannerFromController(controller);
    if (!animated)
        _positionViewsForController(controller, false);
    isPushingOrPopping = false;
}

void QVFramedNavigationController::dropEntries()
{
    // Pops nest (pop-to-root pops to a screen), so the entries follow the stack's length.
    while (controllerInfos_.size() > viewControllers().size())
        controllerInfos_.pop_back();
}

Ref<ViewController> QVFramedNavigationController::popViewControllerAnimated(bool animated)
{
    isPushingOrPopping = true;
    Ref<ViewController> popped = QVNavigationController::popViewControllerAnimated(animated);
    dropEntries();
    isPushingOrPopping = false;
    return popped;
}

std::vector<Ref<ViewController>> QVFramedNavigationController::popToViewController(ViewController* c, bool animated)
{
    isPushingOrPopping = true;
    auto popped = QVNavigationController::popToViewController(c, animated);
    dropEntries();
    isPushingOrPopping = false;
    return popped;
}

std::vector<Ref<ViewController>> QVFramedNavigationController::popToRootViewControllerAnimated(bool animated)
{
    isPushingOrPopping = true;
    auto popped = QVNavigationController::popToRootViewControllerAnimated(animated);
    dropEntries();
    isPushingOrPopping = false;
    return popped;
}

void QVFramedNavigationController::_changeUserTo(QVUser* user, QVUser* comparedTo, bool notifyController)
{
    if (controllerInfos_.empty())
        return;
    QVFramedControllerInfo* info = controllerInfos_.back().get();
    bool changed = false;
    if (info->user.get() != user) {
        info->user = user;
        changed = true;
    }
    if (info->comparedToUser.get() != comparedTo) {
        info->comparedToUser = comparedTo;
        changed = true;
    }
    if (notifyController && changed) {
        if (auto* frame = dynamic_cast<QVProfileFrame*>(info->controller()))
            frame->profileUsersChanged(info->user.get(), info->comparedToUser.get());
    }
}

void QVFramedNavigationController::pickerFinishedWithSelectedUser(QVUser* user)
{
    _changeUserTo(localUser().get(), user, true);
    if (ViewController* top = topViewController())
        _positionViewsForController(top, true);
}

Ref<QVBannerCell> QVFramedNavigationController::loadBannerFromController(ViewController* screen)
{
    auto* provider = dynamic_cast<QVBannerProvider*>(screen);
    if (!provider || !provider->isBannerAvailableNow())
        return nullptr;
    Ref<TableViewCell> cell = QVControllerLoader::loadCell(provider->bannerCellControllerName());
    auto* banner = dynamic_cast<QVBannerCell*>(cell.get());
    if (!banner) {
        platform::log("An %s isn't an QVTableViewCell", cell ? cell->className().c_str() : "(null)");
        return nullptr;
    }
    banner->setBannerProvider(screen);
    banner->changeResource(provider->getBannerResource());
    return Ref<QVBannerCell>(banner);
}

void QVFramedNavigationController::refreshBanner()
{
    ViewController* top = topViewController();
    if (!top || controllerInfos_.empty())
        return;
    controllerInfos_.back()->banner = loadBannerFromController(top);
    _positionViewsForController(top, false);
}

void QVFramedNavigationController::refreshProfile()
{
    auto* cell = bannerView_ ? dynamic_cast<QVPlayerBannerCell*>(bannerView_->bannerSubview()) : nullptr;
    if (cell && cell->user() && cell->user()->isLocalUser())
        cell->changeResource(localUser().get());
}

void QVFramedNavigationController::_userChanged(const platform::Notification& n)
{
    auto* previous = dynamic_cast<QVUser*>(n.userObject(kInfoPreviousUser));
    auto* current = dynamic_cast<QVUser*>(n.userObject(kInfoCurrentUser));
    for (auto& info : controllerInfos_) {
        if (sameUser(info->user.get(), previous)) {
            info->user = current;
            info->comparedToUser = nullptr;
        }
        if (sameUser(info->comparedToUser.get(), previous))
            info->comparedToUser = current;
        if (auto* cell = dynamic_cast<QVPlayerBannerCell*>(info->banner.get()))
            cell->changeResource(current);
    }
    if (!controllerInfos_.empty())
        if (ViewController* top = topViewController())
            _positionViewsForController(top, false);
}

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
        r.bottom.origin.y = r.frame.origin.y + r.frame.size.height - r.bottom.size.height;
        r.frame.size.height -= r.bottom.size.height;
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

void QVFramedNavigationController::navigationControllerWillShow(NavigationController* nav, ViewController* c,
                                                                bool animated)
{
    _safeSetContentInsets(c, _calculateInsetsFor(c));
    QVNavigationController::navigationControllerWillShow(nav, c, animated);
}

void QVFramedNavigationController::navigationControllerDidShow(NavigationController* nav, ViewController* c,
                                                               bool animated)
{
    QVNavigationController::navigationControllerDidShow(nav, c, animated);
    if (!animated) {
        _positionViewsForController(c, false);
        return;
    }
    if (!_slideOut(c)) {
        _postSlideOut(c);
        if (!_slideIn(c))
            _postSlideIn(c);
    }
}

void QVFramedNavigationController::viewDidAppear(bool animated)
{
    QVNavigationController::viewDidAppear(animated);
    if (bannerView_ && bannerView_->bannerSubview())
        bannerView_->bannerSubview()->viewDidAppear();
}

void QVFramedNavigationController::viewDidDisappear(bool animated)
{
    QVNavigationController::viewDidDisappear(animated);
    if (bannerView_ && bannerView_->bannerSubview())
        bannerView_->bannerSubview()->viewDidDisappear();
}

} // namespace quorvel
