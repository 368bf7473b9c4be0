// The navigation stack of the client's screens.
#include "social/ui/QVNavigationController.h"

#include "platform/device/Application.h"
#include "platform/foundation/Weak.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/ImageView.h"
#include "social/runtime/QVSystemVersion.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVLoadingOverlayLink.h"
#include "social/ui/QVPatternedGradientView.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTabBarContainer.h"
#include "social/ui/QVTabBarController.h"
#include "social/ui/QVViewHelper.h"

#include <algorithm>
#include <utility>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;


Ref<QVNavigationController> QVNavigationController::withRootViewController(ViewController* root)
{
    auto nav = adoptRef(new QVNavigationController);
    if (!nav->initWithRootViewController(root))
        return nullptr;
    return nav;
}

QVNavigationController::~QVNavigationController()
{
    if (orderTimer_)
        orderTimer_->invalidate();
    if (delegate() == this)
        setDelegate(nullptr);
}

bool QVNavigationController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation o)
{
    return o == QVDashboardRole::current().getDashboardOrientation();
}

void QVNavigationController::viewDidLoad()
{
    NavigationController::viewDidLoad();
    setDelegate(this);
    navigationBar()->setBarStyle(NavigationBar::Style::Black);
    navigationBar()->setTintColor(tintColor());
    if (!loadingViewParent_)
        loadingViewParent_ = view();
    Ref<ImageAsset> bar = QVLoadKitImage("QVNavBar.png");
    addBackgroundAndOverlayImage(bar ? bar->stretchableImage(5, 0).get() : nullptr);
}

void QVNavigationController::addBackgroundAndOverlayImage(ImageAsset* barImage)
{
    NavigationBar* bar = navigationBar();
    auto barView = ImageView::imageViewWithFrame(Rect(0, 0, bar->frame().size.width, bar->frame().size.height));
    barView->setImage(barImage);
    barView->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    barView->setUserInteractionEnabled(false);
    bar->addSubview(barView);
    bar->sendSubviewToBack(barView);
    navBarBackgroundView_ = barView.get();

    auto background = QVPatternedGradientView::defaultView(view()->frame());
    view()->addSubview(background);
    view()->sendSubviewToBack(background);
    mBackgroundView = background.get();
}

void QVNavigationController::hideBackground()
{
    if (mBackgroundView)
        mBackgroundView->removeFromSuperview();
}

void QVNavigationController::navigationControllerWillShow(NavigationController*, ViewController*, bool)
{
    if (overlayOutlivedItsScreen())
        hideLoadingIndicator();
    if (orderTimer_)
        orderTimer_->invalidate();
    platform::Weak<QVNavigationController> weak(this);
    orderTimer_ = platform::RunLoop::main().performAfter(kOrderViewDepthsDelay, [weak] {
        if (auto self = weak.lock())
            self->_orderViewDepths();
    });
}

void QVNavigationController::_orderViewDepths()
{
    orderTimer_ = nullptr;
    if (navBarBackgroundView_ && navBarBackgroundView_->superview())
        navBarBackgroundView_->superview()->sendSubviewToBack(navBarBackgroundView_);
    ViewController* visible = visibleViewController();
    if (!visible)
        return;
    View* titleView = visible->navigationItem()->titleView();
    if (titleView && titleView->superview())
        titleView->superview()->bringSubviewToFront(titleView);
}

void QVNavigationController::navigationControllerDidShow(NavigationController*, ViewController* controller,
                                                         bool animated)
{
    isTabBarHidden_ = dynamic_cast<QVCustomBottomView*>(controller) != nullptr;
    if (isTabBarHidden_ != wasTabBarHidden_)
        slideTabBarInController(controller, isTabBarHidden_, animated);
    wasTabBarHidden_ = isTabBarHidden_;
}

void QVNavigationController::slideTabBarInController(ViewController* controller, bool down, bool animated)
{
    if (!controller)
        return;
    auto* container = enclosingTabBarContainer();
    QVTabBar* tabBar = container ? container->tabBar() : nullptr;
    if (!tabBar)
        return;
    // Slid out, the bar is hidden too: it is off the screen and takes no touches.
    if (!down)
        tabBar->setHidden(false);
    if (animated) {
        View::beginAnimations("tabBarSlide");
        View::setAnimationDuration(kTabBarSlideDuration);
        View::setAnimationDelegate(this);
        View::setAnimationDidStopSelector(
            View::DidStopSelector(BRISKO_SELECTOR(QVNavigationController, tabBarSlideDidStop)));
    }
    float barHeight = tabBar->frame().size.height;
    float move = barHeight + QVBadgeView::minimumSize().height;
    if (QVDashboardRole::current().isLargeScreen())
        move += kLargeScreenExtraSlide;
    float sign = down ? 1.0f : -1.0f;
    Rect barFrame = tabBar->frame();
    barFrame.origin.y += sign * move;
    tabBar->setFrame(barFrame);
    float contentHeight = 0;
    auto siblings = container->subviews();
    for (auto& sub : siblings) {
        if (sub.get() == tabBar)
            continue;
        Rect f = sub->frame();
        f.size.height += sign * barHeight;
        sub->setFrame(f);
        contentHeight = std::max(contentHeight, f.size.height);
    }
    float navBar = isNavigationBarHidden() ? 0 : navigationBar()->frame().size.height;
    float statusBar = 0;
    if (QVIsOS3OrLater()) {
        Rect status = Application::sharedApplication().statusBarFrame();
        // The frame is in screen coordinates: its width is its thickness only on a device on its side
        // (a tablet's dashboard counts as landscape in either orientation).
        statusBar = isLandscape(Application::sharedApplication().statusBarOrientation()) ? status.size.width : status.size.height;
    }
    if (controller->isViewLoaded()) {
        Rect f = controller->view()->frame();
        f.size.height = contentHeight - navBar - statusBar;
        controller->view()->setFrame(f);
    }
    if (animated)
        View::commitAnimations();
    else if (down)
        tabBar->setHidden(true);
}

QVTabBarContainer* QVNavigationController::enclosingTabBarContainer()
{
    View* start = isViewLoaded() ? view() : nullptr;
    return QVViewHelper::findAncestorOfClass<QVTabBarContainer>(start);
}

void QVNavigationController::tabBarSlideDidStop(const std::string&, bool, void*)
{
    auto* container = enclosingTabBarContainer();
    if (QVTabBar* tabBar = container ? container->tabBar() : nullptr)
        tabBar->setHidden(isTabBarHidden_);
}

bool QVNavigationController::isActiveIntroNavigation() const
{
    QVIntroFrame* intro = QVDashboardRole::current().activeIntroFrame();
    return intro && intro->navController() == this;
}

void QVNavigationController::showLoadingIndicator()
{
    loadingOwner_ = 0;
    loadingOwnerScreen_ = nullptr;
    if (loadingController_ && loadingController_->isViewLoaded() && isViewLoaded()
        && loadingController_->view()->superview() == view())
        return;
    // An earlier overlay shown elsewhere is taken down before its replacement.
    if (loadingController_) {
        loadingController_->hide();
        loadingController_ = nullptr;
    }
    auto overlay = QVLoadingController::loadingControllerWithText("");
    if (!overlay)
        return;
    loadingController_ = overlay;
    if (isActiveIntroNavigation()) {
        QVDashboardRole::current().activeIntroFrame()->displayLoadingView(overlay->view());
    } else {
        View* parent = loadingViewParent_ ? loadingViewParent_.get() : view();
        overlay->view()->setFrame(view()->bounds());
        NavigationBar* bar = navigationBar();
        if (bar->superview() == parent)
            parent->insertSubviewBelow(overlay->view(), bar);
        else
            parent->addSubview(overlay->view());
    }
    overlay->showLoadingScreen();
}

void QVNavigationController::hideLoadingIndicator()
{
    loadingOwner_ = 0;
    loadingOwnerScreen_ = nullptr;
    if (isActiveIntroNavigation())
        QVDashboardRole::current().activeIntroFrame()->removeLoadingView();
    if (loadingController_) {
        Ref<QVLoadingController> overlay = loadingController_;
        loadingController_ = nullptr;
        overlay->hide();
    }
}

uint64_t QVNavigationController::showLoadingIndicatorAsOwner(ViewController* screen)
{
    showLoadingIndicator();
    loadingOwner_ = ++lastLoadingTicket_;
    loadingOwnerScreen_ = screen;
    return loadingOwner_;
}

void QVNavigationController::hideLoadingIndicatorOfOwner(uint64_t ticket)
{
    if (loadingController_ && loadingOwner_ != 0 && loadingOwner_ != ticket && !overlayOutlivedItsScreen())
        return;
    hideLoadingIndicator();
}

bool QVNavigationController::overlayOutlivedItsScreen()
{
    if (!loadingController_ || loadingOwner_ == 0)
        return false;
    // A screen's child (a header it holds) reaches the stack through it.
    Ref<ViewController> screen = loadingOwnerScreen_.lock();
    return !screen || screen->navigationController() != this;
}

void QVLoadingOverlayLink::show(QVNavigationController* stack, ViewController* screen)
{
    if (!stack)
        return;
    shownIn_ = stack;
    ticket_ = stack->showLoadingIndicatorAsOwner(screen);
}

void QVLoadingOverlayLink::hide(QVNavigationController* stack)
{
    Ref<QVNavigationController> earlier = shownIn_.lock();
    shownIn_ = nullptr;
    const uint64_t ticket = std::exchange(ticket_, 0);
    if (QVNavigationController* target = stack ? stack : earlier.get())
        target->hideLoadingIndicatorOfOwner(ticket);
}

void QVNavigationController::setBadgeValue(const std::optional<std::string>& value)
{
    badgeValue_ = value;
    QVSetTabBadgeValue(this, value.value_or(std::string()));
}

void QVNavigationController::addCloseButtonToViewController(ViewController* controller, platform::Object* target,
                                                            BarButtonItem::PlainAction action, bool leftSide,
                                                            BarButtonItem::SystemItem systemItem)
{
    if (!controller)
        return;
    auto item = BarButtonItem::withSystemItem(systemItem, target, action);
    if (leftSide)
        controller->navigationItem()->setLeftBarButtonItem(item);
    else
        controller->navigationItem()->setRightBarButtonItem(item);
}

void QVNavigationController::addCloseButtonToViewController(ViewController* controller, platform::Object* target,
                                                            BarButtonItem::PlainAction action)
{
    addCloseButtonToViewController(controller, target, action, false, BarButtonItem::SystemItem::Cancel);
}

void QVNavigationController::addTitleLabelToViewController(ViewController* controller)
{
    if (!controller)
        return;
    auto label = Label::labelWithFrame(Rect());
    label->setFont(platform::Font::boldSystemFont(kTitleFontSize));
    label->setText(controller->title());
    label->setTextColor(titleColor());
    label->setShadowColor(titleShadowColor());
    label->setLineBreakMode(platform::LineBreakMode::MiddleTruncation);
    label->setBackgroundColor(Color::clear());
    label->setOpaque(false);
    label->setNumberOfLines(1);
    label->setTextAlignment(platform::TextAlignment::Center);
    platform::Size fits = label->sizeThatFits(platform::Size(kTitleMaxWidth, kTitleMaxHeight));
    label->setFrame(Rect(0, 0, std::min(fits.width, kTitleMaxWidth), std::min(fits.height, kTitleMaxHeight)));
    controller->navigationItem()->setTitleView(label);
}

} // namespace quorvel
