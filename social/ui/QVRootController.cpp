// The root controller of the dashboard: content transitions, the handshake
// with the central class, keyboard compensation and in-frame modal screens.
#include "social/ui/QVRootController.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Keyboard.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTabBarController.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::NotificationCenter;
using platform::Point;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVRootController);

namespace {

// The shadow image's caps.
constexpr int kShadowCap = 30;
constexpr const char* kShadowImage = "QVDashboardShadow.png";
constexpr const char* kRootLayout = "RootControllerQv";

void registerRootLayout()
{
    InterfaceRegistry::shared().registerLayout(kRootLayout, [](InterfaceBuilder& b) {
        auto root = b.makeController<QVRootController>();
        root->buildInterface(&b, kRootLayout);
        return std::vector<Ref<platform::Object>> { root };
    });
}

[[maybe_unused]] const bool rootLayoutRegistered = (registerRootLayout(), true);

} // namespace

QVRootController::~QVRootController()
{
    // The keyboard and rotation observers hold this controller: they end with it.
    NotificationCenter::defaultCenter().removeObserver(this);
}

void QVRootController::buildInterface(InterfaceBuilder* builder, const char* layoutName)
{
    Rect frame = Screen::mainScreen().bounds();
    auto make = [&](const Rect& r) { return builder ? builder->makeView<View>(r) : View::viewWithFrame(r); };
    Ref<View> root = make(frame);
    root->setBackgroundColor(Color::clear());
    root->setOpaque(false);
    root->setAutoresizesSubviews(true);

    Ref<View> overlay = make(Rect(0, 0, frame.size.width, frame.size.height));
    overlay->setBackgroundColor(Color::black().withAlpha(0.5f));
    overlay->setOpaque(false);
    overlay->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    overlay->setAlpha(0);
    root->addSubview(overlay);

    Ref<View> container = make(Rect(0, 0, frame.size.width, frame.size.height));
    container->setBackgroundColor(std::nullopt);
    container->setOpaque(false);
    container->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    container->setAutoresizesSubviews(true);
    root->addSubview(container);

    setBgOverlay(QVOutlet<View>(overlay.get(), layoutName, "bgOverlay"));
    setContainerView(QVOutlet<View>(container.get(), layoutName, "containerView"));
    setView(root.get());
}

void QVRootController::loadView()
{
    // Made by class: the same views as the interface file's.
    buildInterface(nullptr, "QVRootController");
}

void QVRootController::viewDidLoad()
{
    ViewController::viewDidLoad();
    QVDashboardRole& host = QVDashboardRole::current();
    if (!host.isLargeScreen() || !containerView_)
        return;
    containerView_->setBackgroundColor(Color::clear());
    Rect bounds = host.getDashboardBounds();
    Ref<ImageAsset> shadow = QVLoadKitImage(kShadowImage);
    Ref<ImageView> shadowView = ImageView::imageViewWithFrame(
        bounds.insetBy(-bounds.origin.x, -bounds.origin.y));
    if (shadow)
        shadowView->setImage(shadow->stretchableImage(kShadowCap, kShadowCap).get());
    bgDropShadow_ = shadowView;
    containerView_->insertSubviewAt(shadowView.get(), 0);
    placeContainer();
}

void QVRootController::placeContainer()
{
    // On a large screen the dashboard does not cover the game: the container
    // holds the dashboard and its shadow, centred across the screen and
    // resting at the height the keyboard compensation returns it to.
    QVDashboardRole& host = QVDashboardRole::current();
    if (!host.isLargeScreen() || !containerView_ || keyboardShowing_)
        return;
    Rect dashboard = host.getDashboardBounds();
    Rect area = dashboard.insetBy(-dashboard.origin.x, -dashboard.origin.y);
    containerView_->setAutoresizingMask(AutoresizingNone);
    containerView_->setBounds(Rect(0, 0, area.size.width, area.size.height));
    centreContainer();
}

void QVRootController::centreContainer()
{
    if (!QVDashboardRole::current().isLargeScreen() || !containerView_ || keyboardShowing_)
        return;
    // The root view's own shape says how it stands (during a turn the
    // dashboard's orientation is stored only once the turn is under way).
    platform::Size root = view()->bounds().size;
    bool landscape = root.width > root.height;
    containerView_->setCenter(Point(std::round(root.width / 2), landscape ? kKeyboardLandscapeCenterY : kKeyboardPortraitCenterY));
}

Ref<Transition> QVRootController::makeTransition(TransitionType type, TransitionSubtype subtype)
{
    Ref<Transition> t = Transition::transition();
    t->setType(type);
    t->setSubtype(subtype);
    t->setDuration(kTransitionDuration);
    t->setTimingFunction(TimingFunction::EaseInEaseOut);
    t->setDelegate(this);
    return t;
}

void QVRootController::showController(ViewController* controller)
{
    if (!controller) {
        platform::logWarning("QVRootController: no screen to show");
        return;
    }
    view();
    // The previous screen is dropped as it is, without disappearance calls; its
    // view stays behind the new one while that moves in, then leaves the window.
    if (contentController_ && contentController_.get() != controller && contentController_->isViewLoaded()) {
        if (replacedView_ && replacedView_.get() != controller->view())
            replacedView_->removeFromSuperview();
        replacedView_ = contentController_->view();
    }
    contentController_ = controller;
    controller->notifyViewWillAppear(true);
    controller->view()->setFrame(QVDashboardRole::current().getDashboardBounds());
    containerView_->addSubview(controller->view());
    // A container hidden by an earlier close shows again; otherwise the show
    // would end looking like a hide.
    containerView_->setHidden(false);
    if (View* parent = containerView_->superview())
        parent->bringSubviewToFront(containerView_.get());

    contentTransitionHides_ = false;
    contentTransition_ = makeTransition(TransitionType::MoveIn, transitionIn_);
    containerView_->layer()->addAnimation(contentTransition_.get(), "transition");

    if (bgOverlay_) {
        bgOverlay_->setAlpha(0);
        View::beginAnimations("QVRootOverlayIn");
        View::setAnimationDuration(kTransitionDuration);
        bgOverlay_->setAlpha(1);
        View::commitAnimations();
    }
}

void QVRootController::hideController()
{
    if (!contentController_)
        return;
    contentController_->notifyViewWillDisappear(true);
    contentTransitionHides_ = true;
    contentTransition_ = makeTransition(TransitionType::Reveal, transitionOut_);
    containerView_->layer()->addAnimation(contentTransition_.get(), "transition");
    containerView_->setHidden(true);
    if (bgOverlay_) {
        View::beginAnimations("QVRootOverlayOut");
        View::setAnimationDuration(kTransitionDuration);
        bgOverlay_->setAlpha(0);
        View::commitAnimations();
    }
}

void QVRootController::animationDidStop(LayerAnimation* animation, bool finished)
{
    Ref<QVRootController> protect(this); // the central class may let go of the root below
    if (animation && animation == modalTransition_.get()) {
        modalTransition_ = nullptr;
        if (nonFullscreenModal_ && nonFullscreenModal_->view()->isHidden())
            finishModalHide();
        else if (nonFullscreenModal_)
            nonFullscreenModal_->notifyViewDidAppear(true);
        return;
    }
    // A transition replaced by a later one ends with the later one.
    if (!animation || animation != contentTransition_.get())
        return;
    contentTransition_ = nullptr;
    if (Ref<View> replaced = std::move(replacedView_)) {
        if (!contentController_ || !contentController_->isViewLoaded() || contentController_->view() != replaced.get())
            replaced->removeFromSuperview();
    }

    if (contentTransitionHides_) {
        if (Ref<ViewController> content = contentController_) {
            content->notifyViewDidDisappear(true);
            if (content->isViewLoaded())
                content->view()->removeFromSuperview();
            content->setView(nullptr);
            contentController_ = nullptr;
        }
    } else if (contentController_) {
        contentController_->notifyViewDidAppear(true);
    }

    // A root the client let go of (its dashboard destroyed, the client shut
    // down and maybe started again) tells nobody its slide has ended.
    if (QVDashboardRole::current().getRootController() != this)
        return;
    QVDashboardRole::current().animationDidStop(finished);
    // That call tells the game, which may close the dashboard or shut the
    // client down (its role then goes): the role is asked afresh.
    QVDashboardRole& host = QVDashboardRole::current();
    if (!host.initialDashboardModalContentURL().empty()) {
        if (auto* presenter = dynamic_cast<QVInitialModalContentPresenter*>(contentController_.get())) {
            Ref<ViewController> content = contentController_;
            platform::RunLoop::main().performAfter(kTransitionDuration, [content, presenter] {
                presenter->_presentModalContentController();
            });
            host.setInitialDashboardModalContentURL({});
        }
    }
}

void QVRootController::cleanupSubviews()
{
    View* root = view();
    while (!root->subviews().empty())
        root->subviews().front()->removeFromSuperview();
}

// ---- Modal screens inside the frame (large screens)

void QVRootController::presentModalViewController(ViewController* controller, bool animated)
{
    if (!QVDashboardRole::current().isLargeScreen()) {
        ViewController::presentModalViewController(controller, animated);
        return;
    }
    if (!controller) {
        platform::logWarning("QVRootController: no modal screen to present");
        return;
    }
    if (nonFullscreenModal_ && nonFullscreenModal_.get() != controller)
        finishModalHide();
    nonFullscreenModal_ = controller;
    View* host = contentController_ ? contentController_->view() : view();
    View* modalView = controller->view();
    modalView->setHidden(false);
    modalView->setFrame(host->bounds());
    controller->notifyViewWillAppear(animated);
    host->addSubview(modalView);
    if (animated) {
        modalTransition_ = makeTransition(TransitionType::MoveIn, TransitionSubtype::FromTop);
        modalView->layer()->addAnimation(modalTransition_.get(), "transition");
    } else {
        controller->notifyViewDidAppear(false);
    }
}

void QVRootController::dismissModalViewControllerAnimated(bool animated)
{
    if (!QVDashboardRole::current().isLargeScreen()) {
        ViewController::dismissModalViewControllerAnimated(animated);
        return;
    }
    if (!nonFullscreenModal_ || nonFullscreenModal_->view()->isHidden())
        return;
    nonFullscreenModal_->notifyViewWillDisappear(animated);
    View* modalView = nonFullscreenModal_->view();
    if (animated) {
        modalTransition_ = makeTransition(TransitionType::Reveal, TransitionSubtype::FromBottom);
        modalView->layer()->addAnimation(modalTransition_.get(), "transition");
    }
    modalView->setHidden(true);
    if (!animated)
        finishModalHide();
}

void QVRootController::finishModalHide()
{
    // Once hidden the modal is let go, so that closing the dashboard or its
    // modal is never held up by a screen that is no longer shown.
    Ref<ViewController> modal = std::move(nonFullscreenModal_);
    if (!modal)
        return;
    modal->notifyViewDidDisappear(true);
    if (modal->isViewLoaded())
        modal->view()->removeFromSuperview();
}

ViewController* QVRootController::modalViewController() const
{
    if (nonFullscreenModal_)
        return nonFullscreenModal_.get();
    return ViewController::modalViewController();
}

bool QVRootController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation o)
{
    return o == QVDashboardRole::current().getDashboardOrientation();
}

// ---- Keyboard compensation (large screens)

void QVRootController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    placeContainer(); // the root view has the dashboard's orientation now
    if (!QVDashboardRole::current().isLargeScreen() || observingKeyboard_)
        return;
    observingKeyboard_ = true;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kKeyboardWillShowNotification, [this](const platform::Notification& n) { _keyboardWillShow(n); });
    center.addObserver(this, kKeyboardWillHideNotification, [this](const platform::Notification& n) { _keyboardWillHide(n); });
    center.addObserver(this, kOrientationChangedNotification,
                       [this](const platform::Notification& n) { _dashboardWillRotate(n); });
}

void QVRootController::viewWillDisappear(bool animated)
{
    ViewController::viewWillDisappear(animated);
    if (QVDashboardRole::current().isLargeScreen())
        removeKeyboardObservers();
}

void QVRootController::removeKeyboardObservers()
{
    auto& center = NotificationCenter::defaultCenter();
    center.removeObserver(this, kKeyboardWillShowNotification);
    center.removeObserver(this, kKeyboardWillHideNotification);
    center.removeObserver(this, kOrientationChangedNotification);
    observingKeyboard_ = false;
}

void QVRootController::_keyboardWillShow(const platform::Notification&)
{
    if (keyboardShowing_)
        return;
    keyboardShowing_ = true;
    _adjustForKeyboard(QVDashboardRole::current().getDashboardOrientation());
}

void QVRootController::_keyboardWillHide(const platform::Notification&)
{
    if (!keyboardShowing_)
        return;
    keyboardShowing_ = false;
    _adjustForKeyboard(QVDashboardRole::current().getDashboardOrientation());
}

void QVRootController::_dashboardWillRotate(const platform::Notification& n)
{
    if (!keyboardShowing_)
        return;
    const platform::Value& newValue = n.userInfo[kInfoNewOrientation];
    const platform::Value& oldValue = n.userInfo[kInfoOldOrientation];
    if (!newValue.isNumber() || !oldValue.isNumber())
        return;
    auto newOrientation = static_cast<InterfaceOrientation>(newValue.asInt());
    auto oldOrientation = static_cast<InterfaceOrientation>(oldValue.asInt());
    if (isLandscape(newOrientation) != isLandscape(oldOrientation))
        _adjustForKeyboard(newOrientation);
}

void QVRootController::_adjustForKeyboard(InterfaceOrientation orientation)
{
    if (!containerView_)
        return;
    bool compensate = keyboardShowing_ && isLandscape(orientation);
    Point center = containerView_->center();
    if (compensate)
        center.y = containerView_->bounds().size.height / 2 + kKeyboardLandscapeLift;
    else
        center.y = isLandscape(orientation) ? kKeyboardLandscapeCenterY : kKeyboardPortraitCenterY;
    containerView_->setCenter(center);
    _adjustController(contentController_.get(), compensate);
}

void QVRootController::_adjustController(ViewController* controller, bool compensate)
{
    if (auto* tabs = dynamic_cast<QVTabBarController*>(controller)) {
        auto items = tabs->tabBarItems();
        for (auto& item : items)
            _adjustController(item->viewController(), compensate);
        return;
    }
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(controller)) {
        float height = 0;
        if (auto* adjust = dynamic_cast<QVKeyboardAdjustment*>(framed->topViewController()))
            height = adjust->_keyboardAdjustment();
        framed->adjustForKeyboard(compensate ? height > 0 : false, height);
    }
}

} // namespace quorvel
