// The sliding notice bars: layout, slide in / hold / slide out, and the text
// and request configurations.
#include "social/core/QVNotificationView.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "social/core/QVNotification.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using platform::Point;
using platform::Rect;
using platform::Ref;
using platform::AffineTransform;
using platform::ui::Label;
using platform::ui::View;

namespace {

constexpr float kMaxBarWidth = 480;

// Bumped when a client shuts down: a bar loaded before then is never configured.
unsigned& clientGeneration()
{
    static unsigned generation = 0;
    return generation;
}

bool isTopPosition(int position) { return position == 0 || position == 2; }

} // namespace

void QVNotificationView::forgetWaitingBars() { ++clientGeneration(); }

Ref<platform::Image> QVNotificationView::bundleImage(const std::string& name)
{
    if (name.empty())
        return nullptr;
    Ref<platform::ui::ImageAsset> asset = QVLoadKitImage(name);
    return asset ? Ref<platform::Image>(asset->image()) : nullptr;
}

Ref<View> QVNotificationView::loadBarView(const char* name)
{
    if (!platform::ui::InterfaceRegistry::shared().has("NotificationViewQv"))
        QVRegisterNotificationInterfaces();
    return QVControllerLoader::loadView(name);
}

void QVNotificationView::reportBarNotLoaded(const char* name)
{
    platform::logWarning("Quorvel: notice dropped: the view \"%s\" could not be loaded", name);
}

std::string QVNotificationView::backgroundImageName(int position, bool largeScreen)
{
    if (largeScreen) {
        switch (position) {
        case 0: return "QVNotificationBackgroundIPadTopLeft.png";
        case 2: return "QVNotificationBackgroundIPadTopRight.png";
        case 3: return "QVNotificationBackgroundIPadBottomRight.png";
        default: return "QVNotificationBackgroundIPadBottomLeft.png";
        }
    }
    return isTopPosition(position) ? "QVNotificationBackgroundIPhoneTop.png" : "QVNotificationBackgroundIPhoneBottom.png";
}

QVNoticeLayout QVNotificationView::calcLayout(const QVNoticeLayoutInput& in)
{
    const float W = in.width, H = in.height, h = in.barHeight, s = in.statusBar;
    const int o = in.orientation;
    // A phone has one bar across the screen: the right-hand positions are the left-hand ones.
    const int p = in.largeScreen ? in.position : (isTopPosition(in.position) ? 0 : 1);
    const bool right = in.largeScreen && (p == 2 || p == 3);
    const bool top = isTopPosition(p);
    QVNoticeLayout out;
    if (!in.rotatedInternally) {
        const float bw = std::min(W, kMaxBarWidth);
        float x;
        if (!in.largeScreen)
            x = (W - bw) / 2;
        else
            x = (right != (o == 2)) ? W - bw : 0;
        float y, d;
        if (o != 2) {
            y = top ? s : H - h;
            d = top ? -2 : 2;
        } else {
            y = top ? H - h - s : 0;
            d = top ? 2 : -2;
        }
        out.frame = Rect(x, y, bw, h);
        if (o == 2)
            out.transform = AffineTransform(-1, 0, 0, -1, 0, 0);
        out.nudge = Point(0, d);
        return out;
    }
    const float bw = std::min(H, kMaxBarWidth);
    out.frame = Rect(-bw / 2, -h / 2, bw, h);
    if (o != 3 && o != 4)
        return out;
    float tx, ty, d;
    if (o == 3) {
        tx = top ? W - h / 2 - s : h / 2;
        d = top ? -2 : 2;
        ty = !in.largeScreen ? H / 2 : (right ? H - bw / 2 : bw / 2);
        out.transform = AffineTransform(0, 1, -1, 0, tx, ty);
    } else {
        tx = top ? s + h / 2 : W - h / 2;
        d = top ? 2 : -2;
        ty = !in.largeScreen ? H / 2 : (right ? bw / 2 : H - bw / 2);
        out.transform = AffineTransform(0, -1, 1, 0, tx, ty);
    }
    out.nudge = Point(d, 0);
    return out;
}

Point QVNotificationView::calcOffScreenPosition(Point p, float h, int orientation, int position, bool rotated)
{
    const bool top = isTopPosition(position);
    if (!rotated)
        return (top != (orientation == 2)) ? Point(p.x, p.y - h) : Point(p.x, p.y + h);
    Point offset;
    switch (orientation) {
    case 1: offset = Point(0, h); break;
    case 2: offset = Point(0, -h); break;
    case 3: offset = Point(-h, 0); break;
    case 4: offset = Point(h, 0); break;
    default: break;
    }
    if (top)
        offset = Point(-offset.x, -offset.y);
    return Point(p.x + offset.x, p.y + offset.y);
}

bool QVNotificationView::isParentViewRotatedInternally(View* view, int orientation)
{
    if (!view || (orientation != 3 && orientation != 4))
        return false;
    Rect screen = platform::ui::Screen::mainScreen().bounds();
    return view->bounds().size.width <= (screen.size.width + screen.size.height) / 2;
}

void QVNotificationView::setOutlets(Label* notice, QVImageView* status, QVImageView* background, QVImageView* image,
                                    View* viewToMove)
{
    notice_ = notice;
    statusIndicator_ = status;
    backgroundImage_ = background;
    notificationImage_ = image;
    viewToMove_ = viewToMove;
}

void QVNotificationView::scheduleConfigure(std::function<void(QVNotificationView&)> configure)
{
    Ref<QVNotificationView> keep(this);
    const unsigned generation = clientGeneration();
    platform::RunLoop::main().scheduleTimer(0, false,
                                            [keep, generation, configure = std::move(configure)](platform::Timer&) {
                                                if (generation == clientGeneration())
                                                    configure(*keep);
                                            });
}

Ref<QVNotificationView> QVNotificationView::showNotificationWithText(const std::string& text,
                                                                     const std::optional<std::string>& imageName,
                                                                     const std::optional<std::string>& status,
                                                                     View* inView)
{
    Ref<QVNotificationView> bar = loadBar<QVNotificationView>(notificationViewName());
    if (!bar)
        return nullptr;
    Ref<View> target(inView);
    bar->scheduleConfigure([text, imageName, status, target](QVNotificationView& v) {
        v.configureWithText(text, imageName, status, target.get());
    });
    return bar;
}

Ref<QVNotificationView> QVNotificationView::showNotificationWithRequest(QVActionRequest& request,
                                                                        const std::string& text, View* inView)
{
    Ref<QVNotificationView> bar = loadBar<QVNotificationView>(notificationViewName());
    if (!bar)
        return nullptr;
    Ref<View> target(inView);
    Ref<QVActionRequest> keep(&request);
    bar->scheduleConfigure([keep, text, target](QVNotificationView& v) {
        v.configureWithRequest(*keep, text, target.get());
    });
    return bar;
}

void QVNotificationView::setupDefaultImages()
{
    if (backgroundImage_) {
        backgroundImage_->setDefaultImage(
            bundleImage(backgroundImageName(QuorvelInternal::session().notificationPosition(), QuorvelInternal::presenter().isLargeScreen())));
        backgroundImage_->setUnframed(true);
        backgroundImage_->setUseSharpCorners(true);
    }
    if (statusIndicator_)
        statusIndicator_->setUnframed(true);
}

void QVNotificationView::_setPresentationView(View* view)
{
    presentationView_ = Ref<View>(view);
    _calcFrameAndTransform();
}

void QVNotificationView::_calcFrameAndTransform()
{
    if (!presentationView_)
        return;
    const int orientation = Quorvel::getDashboardOrientation();
    mParentViewIsRotatedInternally = isParentViewRotatedInternally(presentationView_.get(), orientation);
    auto& app = platform::ui::Application::sharedApplication();
    Rect statusFrame = app.statusBarFrame();
    QVNoticeLayoutInput in;
    in.width = presentationView_->bounds().size.width;
    in.height = presentationView_->bounds().size.height;
    in.barHeight = frame().size.height;
    // The status bar's thickness is its smaller side, whichever way it is turned: a landscape game
    // whose status bar stays upright has it 320 points wide and 20 thick.
    in.statusBar = app.isStatusBarHidden() ? 0 : std::min(statusFrame.size.width, statusFrame.size.height);
    in.largeScreen = QuorvelInternal::presenter().isLargeScreen();
    in.orientation = orientation;
    in.position = QuorvelInternal::session().notificationPosition();
    in.rotatedInternally = mParentViewIsRotatedInternally;
    QVNoticeLayout layout = calcLayout(in);
    setTransform(AffineTransform::identity());
    setFrame(layout.frame);
    setTransform(layout.transform);
    if (viewToMove_) {
        Point c = viewToMove_->center();
        viewToMove_->setCenter(Point(c.x + layout.nudge.x, c.y + layout.nudge.y));
    }
}

void QVNotificationView::_buildViewWithText(const std::string& text)
{
    if (statusIndicator_)
        statusIndicator_->setHidden(true);
    if (notice_)
        notice_->setText(text);
    if (backgroundImage_) {
        // Stretched, not scaled: the ends of the art keep their width however wide the bar.
        backgroundImage_->setShouldScaleImageToFillRect(true);
        if (platform::Image* art = backgroundImage_->image())
            backgroundImage_->setStretchCaps(art, static_cast<int>(art->width()) - kBackgroundRightPart, 0);
    }
}

void QVNotificationView::_makeStatusIconActiveAndDismiss(const std::optional<std::string>& status)
{
    _presentForDuration(kStatusHoldDuration);
    if (status) {
        if (statusIndicator_) {
            statusIndicator_->setImage(bundleImage(*status));
            statusIndicator_->setHidden(false);
        }
        return;
    }
    if (statusIndicator_)
        statusIndicator_->setHidden(true);
    if (notice_ && notificationImage_ && !notificationImage_->image() && !notificationImage_->defaultImage()) {
        Rect f = notice_->frame();
        const float w = notificationImage_->frame().size.width;
        notice_->setFrame(Rect(f.origin.x - w, f.origin.y, f.size.width + w, f.size.height));
    }
}

void QVNotificationView::_presentForDuration(double seconds)
{
    // Never queued: a bar slides in at once, above any still on screen.
    Ref<QVNotificationView> keep(this);
    mNotificationDuration = seconds;
    mPresenting = true;
    if (presentationView_)
        presentationView_->addSubview(this);
    Point here = layer()->position();
    animatePosition(calcOffScreenPosition(here, bounds().size.height, Quorvel::getDashboardOrientation(),
                                          QuorvelInternal::session().notificationPosition(), mParentViewIsRotatedInternally),
                    here, kSlideInDuration, true);
    presentationView_ = nullptr;
}

void QVNotificationView::animatePosition(Point from, Point to, double seconds, bool removeOnCompletion)
{
    // One animation per changed coordinate; only the last one tells this view.
    std::vector<Ref<platform::ui::BasicAnimation>> animations;
    if (from.x != to.x) {
        auto a = platform::ui::BasicAnimation::withKeyPath("position.x");
        a->setFromValue(double(from.x));
        a->setToValue(double(to.x));
        animations.push_back(a);
    }
    if (from.y != to.y || animations.empty()) {
        auto a = platform::ui::BasicAnimation::withKeyPath("position.y");
        a->setFromValue(double(from.y));
        a->setToValue(double(to.y));
        animations.push_back(a);
    }
    for (size_t i = 0; i < animations.size(); ++i) {
        auto& a = animations[i];
        a->setDuration(seconds);
        a->setTimingFunction(platform::ui::TimingFunction::EaseOut);
        a->setRemovedOnCompletion(removeOnCompletion);
        a->setFillMode(removeOnCompletion ? platform::ui::FillMode::Removed : platform::ui::FillMode::Forwards);
        if (i + 1 == animations.size())
            a->setDelegate(this);
        layer()->addAnimation(a.get(), a->keyPath());
    }
}

void QVNotificationView::animationDidStop(platform::ui::LayerAnimation*, bool)
{
    Ref<QVNotificationView> keep(this);
    if (mPresenting) {
        mPresenting = false;
        platform::RunLoop::main().performAfter(mNotificationDuration, [keep] { keep->_dismiss(); });
        return;
    }
    if (slidingOut_) {
        slidingOut_ = false;
        layer()->removeAnimationForKey("position.x");
        layer()->removeAnimationForKey("position.y");
        removeFromSuperview();
    }
}

void QVNotificationView::_dismiss()
{
    slidingOut_ = true;
    Point here = layer()->position();
    animatePosition(here,
                    calcOffScreenPosition(here, bounds().size.height, Quorvel::getDashboardOrientation(),
                                          QuorvelInternal::session().notificationPosition(), mParentViewIsRotatedInternally),
                    kSlideOutDuration, false);
}

void QVNotificationView::configureWithText(const std::string& text, const std::optional<std::string>& imageName,
                                           const std::optional<std::string>& status, View* inView)
{
    setupDefaultImages();
    if (imageName && !imageName->empty() && notificationImage_) {
        notificationImage_->setImage(bundleImage(*imageName));
        notificationImage_->setUnframed(true);
        notificationImage_->setUseSharpCorners(true);
        notificationImage_->setShouldScaleImageToFillRect(false);
    }
    _setPresentationView(inView);
    _buildViewWithText(text);
    _makeStatusIconActiveAndDismiss(status);
}

void QVNotificationView::configureWithRequest(QVActionRequest& request, const std::string& text, View* inView)
{
    setupDefaultImages();
    _setPresentationView(inView);
    _buildViewWithText(text);
    OAuthAPIRequestLoader* loader = request.loader();
    if (!loader) {
        request.startLoading();
        return;
    }
    request_ = Ref<QVActionRequest>(&request);
    replacedSuccess_ = loader->getOnSuccess();
    replacedFailure_ = loader->getOnFailure();
    loader->setOnSuccess(QVDelegate(this, BRISKO_SELECTOR(QVNotificationView, _requestSucceeded), replacedSuccess_));
    loader->setOnFailure(QVDelegate(this, BRISKO_SELECTOR(QVNotificationView, _requestFailed), replacedFailure_));
    request.startLoading();
}

void QVNotificationView::restoreRequestCallbacks()
{
    // A request sent again (after a login) must not bring this bar back.
    if (request_ && request_->loader()) {
        request_->loader()->setOnSuccess(replacedSuccess_);
        request_->loader()->setOnFailure(replacedFailure_);
    }
    request_ = nullptr;
}

void QVNotificationView::_requestSucceeded(platform::Object* loader, platform::Object* nextCall)
{
    Ref<QVNotificationView> keep(this);
    Ref<platform::Object> chained(nextCall);
    restoreRequestCallbacks();
    _makeStatusIconActiveAndDismiss(std::nullopt);
    if (auto* next = dynamic_cast<QVDelegateChained*>(nextCall))
        next->invokeWith(loader);
}

void QVNotificationView::_requestFailed(platform::Object* loader, platform::Object* nextCall)
{
    Ref<QVNotificationView> keep(this);
    Ref<platform::Object> chained(nextCall);
    restoreRequestCallbacks();
    _makeStatusIconActiveAndDismiss(std::string(QVNotification::kStatusFailure));
    if (auto* next = dynamic_cast<QVDelegateChained*>(nextCall))
        next->invokeWith(loader);
}

} // namespace quorvel
