// The loading overlay: its controller and its view's queued transitions.
#include "social/ui/QVLoadingController.h"

#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVLoadingView);
QV_REGISTER_CLASS(QVLoadingController);

namespace {
constexpr float kStripHeight = 64;

template <typename T>
Ref<T> makeKitView(InterfaceBuilder* builder, const Rect& frame)
{
    if (builder)
        return builder->makeView<T>(frame);
    Ref<T> v = dynamicRef<T>(T::qvCreateInstance());
    v->initWithFrame(frame);
    return v;
}

Ref<View> makePlainView(InterfaceBuilder* builder, const Rect& frame)
{
    if (builder)
        return builder->makeView<View>(frame);
    return View::viewWithFrame(frame);
}
} // namespace

// --- QVLoadingView ---

void QVLoadingView::placeContainerOnBottomEdge()
{
    if (!contentContainer_)
        return;
    Rect c = contentContainer_->frame();
    Rect b = bounds();
    c.origin.x = std::round((b.size.width - c.size.width) / 2);
    c.origin.y = b.size.height - c.size.height;
    contentContainer_->setFrame(c);
}

void QVLoadingView::playAppearTransition(bool animated)
{
    if (appearing_)
        return;
    if (!animated) {
        placeContainerOnBottomEdge();
        if (backgroundView_)
            backgroundView_->setAlpha(kShownBackgroundAlpha);
        return;
    }
    appearing_ = true;
    if (contentContainer_) {
        Rect c = contentContainer_->frame();
        c.origin.x = std::round((bounds().size.width - c.size.width) / 2);
        contentContainer_->setFrame(c);
    }
    if (backgroundView_)
        backgroundView_->setAlpha(0);
    View::beginAnimations("QVLoadingViewAppear");
    View::setAnimationDuration(kAppearDuration);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(BRISKO_SELECTOR(QVLoadingView, _appearTransitionDidStop));
    placeContainerOnBottomEdge();
    if (backgroundView_)
        backgroundView_->setAlpha(kShownBackgroundAlpha);
    View::commitAnimations();
}

void QVLoadingView::_appearTransitionDidStop(const std::string&, bool, void*)
{
    appearing_ = false;
    if (disappearQueued_) {
        disappearQueued_ = false;
        QVDelegate callback = disappearDelegate_;
        playDisappearTransition(callback);
    }
}

void QVLoadingView::playDisappearTransition(const QVDelegate& callback)
{
    if (disappearing_ || disappearQueued_)
        return;
    disappearDelegate_ = callback;
    if (appearing_) {
        disappearQueued_ = true;
        return;
    }
    disappearing_ = true;
    // On its way out the overlay no longer holds the screen: touches reach
    // what is under it while it fades.
    setUserInteractionEnabled(false);
    if (backgroundView_)
        backgroundView_->setAlpha(kShownBackgroundAlpha);
    placeContainerOnBottomEdge();
    View::beginAnimations("QVLoadingViewDisappear");
    View::setAnimationDuration(kDisappearDuration);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(BRISKO_SELECTOR(QVLoadingView, _disappearTransitionDidStop));
    if (backgroundView_)
        backgroundView_->setAlpha(0);
    View::commitAnimations();
}

void QVLoadingView::_disappearTransitionDidStop(const std::string&, bool, void*)
{
    disappearing_ = false;
    QVDelegate callback = std::move(disappearDelegate_);
    disappearDelegate_ = QVDelegate();
    Ref<QVLoadingView> keep(this);
    callback.invoke(nullptr);
    removeFromSuperview();
}

void QVLoadingView::setFrame(const Rect& frame)
{
    View::setFrame(frame);
    layoutEdges();
}

void QVLoadingView::layoutEdges()
{
    if (!centerImage_ || !leftView_ || !rightView_)
        return;
    Rect centre = centerImage_->frame();
    float tile = 1;
    if (auto* pattern = leftView_->patternImage(); pattern && pattern->size().width > 0)
        tile = pattern->size().width;
    float leftSpace = centre.minX();
    float rightSpace = bounds().size.width - centre.maxX();
    float leftWidth = std::ceil(std::max(0.0f, leftSpace) / tile) * tile;
    float rightWidth = std::ceil(std::max(0.0f, rightSpace) / tile) * tile;
    leftView_->setFrame(Rect(centre.minX() - leftWidth, centre.minY(), leftWidth, centre.size.height));
    rightView_->setFrame(Rect(centre.maxX(), centre.minY(), rightWidth, centre.size.height));
}

// --- QVLoadingController ---

Ref<QVLoadingView> QVLoadingController::buildLoadingView(InterfaceBuilder* builder, const Rect& frame)
{
    auto view = makeKitView<QVLoadingView>(builder, frame);
    view->setBackgroundColor(Color::clear());
    view->setOpaque(false);
    view->setAutoresizingMask(FlexibleWidth | FlexibleHeight);

    auto background = makePlainView(builder, Rect(0, 0, frame.size.width, frame.size.height));
    background->setBackgroundColor(Color::black());
    background->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    view->addSubview(background);
    view->setBackgroundView(background);

    auto container = makePlainView(builder, Rect(0, frame.size.height - kStripHeight, frame.size.width, kStripHeight));
    container->setBackgroundColor(std::nullopt);
    container->setOpaque(false);
    container->setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
    view->addSubview(container);
    view->setContentContainer(container);

    Ref<ImageAsset> centreArt = QVLoadKitImage("QVLoadingScreenCenter.png");
    platform::Size centreSize = centreArt ? centreArt->size() : platform::Size(kStripHeight, kStripHeight);
    Rect centreFrame(std::round((frame.size.width - centreSize.width) / 2), kStripHeight - centreSize.height,
                     centreSize.width, centreSize.height);
    Ref<ImageView> centre = builder ? builder->makeView<ImageView>(centreFrame) : ImageView::imageViewWithFrame(centreFrame);
    centre->setImage(centreArt);
    centre->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
    container->addSubview(centre);
    view->setCenterImage(centre);

    auto spinner = ActivityIndicator::withStyle(ActivityIndicator::Style::White);
    spinner->setCenter(platform::Point(centreSize.width / 2, centreSize.height / 2));
    spinner->startAnimating();
    centre->addSubview(spinner);
    return view;
}

Ref<QVLoadingController> QVLoadingController::loadingControllerWithText(const std::string& text)
{
    Ref<ViewController> loaded = QVControllerLoader::load("Loading");
    if (!loaded)
        return nullptr;
    Ref<QVLoadingController> controller(requireCast<QVLoadingController>(loaded, "The loading screen must take its text"));
    controller->setLoadingText(text);
    controller->viewWillAppear(true);
    return controller;
}

void QVLoadingController::loadView()
{
    if (!nibName().empty()) {
        ViewController::loadView();
        return;
    }
    setView(buildLoadingView(nullptr, QVDashboardRole::current().getDashboardBounds()));
}

QVLoadingView* QVLoadingController::loadingView() { return dynamic_cast<QVLoadingView*>(view()); }

void QVLoadingController::viewDidLoad()
{
    ViewController::viewDidLoad();
    QVLoadingView* lv = loadingView();
    if (!lv)
        return;
    if (View* container = lv->contentContainer()) {
        auto left = QVPatternedGradientView::viewWithFrame(Rect(), std::nullopt, "QVLoadingScreenEdge.png");
        auto right = QVPatternedGradientView::viewWithFrame(Rect(), std::nullopt, "QVLoadingScreenEdge.png");
        left->setOpaque(false);
        right->setOpaque(false);
        left->setAutoresizingMask(AutoresizingNone);
        right->setAutoresizingMask(AutoresizingNone);
        container->addSubview(left);
        container->addSubview(right);
        lv->setLeftView(left);
        lv->setRightView(right);
    }
    lv->setFrame(QVDashboardRole::current().getDashboardBounds());
}

void QVLoadingController::showLoadingScreen(bool animated)
{
    if (QVLoadingView* lv = loadingView())
        lv->playAppearTransition(animated);
}

void QVLoadingController::hide()
{
    // The running animation keeps the view until it leaves its superview; a
    // callback holding this controller would make the view and its controller
    // keep each other when the animation never ends (the loop is torn down).
    if (QVLoadingView* lv = loadingView())
        lv->playDisappearTransition(QVDelegate());
}

} // namespace quorvel
