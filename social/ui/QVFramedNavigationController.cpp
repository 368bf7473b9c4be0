// The framed navigation stack: per-screen context (user, compared user, game,
// banner), pushing and popping, and the banner's refreshes. Where the frame's
// parts go and how they slide is in QVFramedNavigationLayout.cpp.
#include "social/ui/QVFramedNavigationController.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/runtime/QVRequireCast.h"
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
#include "social/ui/QVTabBarItem.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

namespace {

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

Ref<QVUser> localUser() { return QVSessionRole::current().localUser(); }

bool sameUser(const QVUser* a, const QVUser* b) { return a && b && a->resourceId() == b->resourceId(); }

} // namespace

QV_REGISTER_CLASS(QVFramedNavigationController);

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
    // Either layout may be missing; one of another kind is broken.
    Ref<View> frame = QVControllerLoader::loadView("ContentFrame");
    Ref<View> banner = QVControllerLoader::loadView("BannerFrame");
    frameView_ = frame ? Ref<QVContentFrameView>(requireCast<QVContentFrameView>(frame, "The content frame's layout must make one"))
                       : nullptr;
    bannerView_ = banner ? Ref<QVBannerFrame>(requireCast<QVBannerFrame>(banner, "The banner frame's layout must make one"))
                         : nullptr;
    if (frameView_) {
        frameView_->setRoundedCorners(false);
        // Placed for the stack's size now, it follows the size the stack is shown at (a phone on
        // its side gives the whole width).
        frameView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    }
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

void QVFramedNavigationController::setOwningTabBarItem(QVTabBarItem* item) { owningTabBarItem_ = item; }

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
    bool droppedShownBanner = false;
    while (controllerInfos_.size() > viewControllers().size()) {
        QVBannerCell* banner = controllerInfos_.back()->banner.get();
        droppedShownBanner = droppedShownBanner || (banner && bannerView_ && bannerView_->bannerSubview() == banner);
        controllerInfos_.pop_back();
    }
    if (!droppedShownBanner)
        return;
    // A screen that left the stack takes no more taps on its banner: it goes
    // now, not after the slide, and the banner of the screen shown again (if
    // it has one) takes its place at once.
    bannerView_->bannerSubview()->viewDidDisappear();
    bannerView_->setBannerSubview(nullptr);
    QVFramedControllerInfo* top = controllerInfos_.empty() ? nullptr : controllerInfos_.back().get();
    if (top && top->banner && visibilityDoes_.showBanner) {
        bannerView_->setBannerSubview(top->banner.get());
        top->banner->viewDidAppear();
    }
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

void QVFramedNavigationController::navigationControllerWillShow(NavigationController* nav, ViewController* c,
                                                                bool animated)
{
    // A pop tells the screen shown again before the popping call returns: the
    // entries of the screens that left go first, so it reads its own user.
    dropEntries();
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
