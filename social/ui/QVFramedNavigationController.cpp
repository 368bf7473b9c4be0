// The framed navigation stack: per-screen context, the frame, banner, bottom
// view and navigation bar with their slides, geometry and content insets.
#include "social/ui/QVFramedNavigationController.h"

#include "platform/foundation/Log.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/ScrollView.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVViewHelper.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVFramedNavigationController);
QV_REGISTER_CLASS(QVFramedContentWrapperView);
QV_REGISTER_CLASS(QVContentFrameView);
QV_REGISTER_CLASS(QVBannerCell);
QV_REGISTER_CLASS(QVPlayerBannerCell);
QV_REGISTER_CLASS(QVBannerFrame);
QV_REGISTER_CLASS(QVProfileComparisonUser);

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

// ---- QVFramedContentWrapperView

Ref<QVFramedContentWrapperView> QVFramedContentWrapperView::withWrappedView(View* wrapped)
{
    auto w = platform::adoptRef(new QVFramedContentWrapperView);
    if (!w->initWithWrappedView(wrapped))
        return nullptr;
    return w;
}

bool QVFramedContentWrapperView::initWithWrappedView(View* wrapped)
{
    if (!initWithFrame(wrapped ? wrapped->frame() : Rect()))
        return false;
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    wrappedView_ = wrapped;
    if (wrapped)
        addSubview(wrapped);
    update();
    return true;
}

void QVFramedContentWrapperView::setContentInsets(const EdgeInsets& insets)
{
    contentInsets_ = insets;
    update();
}

void QVFramedContentWrapperView::setFrame(const Rect& frame)
{
    View::setFrame(frame);
    if (!delegate_ || !delegate_->frameWasSet(this))
        update();
}

void QVFramedContentWrapperView::update()
{
    if (!wrappedView_)
        return;
    Rect b = bounds();
    Rect inner(contentInsets_.left, contentInsets_.top,
               std::max(0.0f, b.size.width - contentInsets_.left - contentInsets_.right),
               std::max(0.0f, b.size.height - contentInsets_.top - contentInsets_.bottom));
    wrappedView_->setFrame(inner);
    if (auto* scroll = dynamic_cast<ScrollView*>(wrappedView_.get())) {
        platform::Size content = scroll->contentSize();
        content.width = inner.size.width;
        scroll->setContentSize(content);
    }
}

// ---- QVContentFrameView

EdgeInsets QVContentFrameView::getContentInsets()
{
    return EdgeInsets { 8, 6, QVDashboardRole::current().isLargeScreen() ? 0.0f : 8.0f, 6 };
}

Ref<QVContentFrameView> QVContentFrameView::withFrame(const Rect& frame)
{
    auto v = platform::adoptRef(new QVContentFrameView);
    if (!v->initWithFrame(frame))
        return nullptr;
    return v;
}

bool QVContentFrameView::initWithFrame(const Rect& frame)
{
    if (!ImageView::initWithFrame(frame))
        return false;
    setRoundedCorners(QVDashboardRole::current().isLargeScreen());
    return true;
}

bool QVContentFrameView::initWithCoder(const InterfaceCoder& coder)
{
    if (!ImageView::initWithCoder(coder))
        return false;
    setRoundedCorners(QVDashboardRole::current().isLargeScreen());
    return true;
}

void QVContentFrameView::setRoundedCorners(bool rounded)
{
    roundedCorners_ = rounded;
    Ref<ImageAsset> image = QVLoadKitImage(rounded ? "QVContentFrameBorderRound.png" : "QVContentFrameBorder.png");
    setImage(image ? image->stretchableImage(25, 25).get() : nullptr);
    setContentMode(ContentMode::ScaleToFill);
}

// ---- Banners

void QVBannerCell::touchesEnded(const Touch&)
{
    if (auto* provider = dynamic_cast<QVBannerProvider*>(bannerProvider_))
        provider->onBannerClicked();
}

void QVPlayerBannerCell::onResourceChanged(Object* resource)
{
    View* content = contentView();
    while (!content->subviews().empty())
        content->subviews().front()->removeFromSuperview();
    user_ = dynamic_cast<QVUser*>(resource);
    bgView_ = nullptr;
    quorvelPtsLabel_ = playerNameLabel_ = onlineStatusLabel_ = nowPlayingLabel_ = nullptr;
    profileView_ = nullptr;
    profileButton_ = nullptr;
    quorvelPtsView_ = separatorView_ = nullptr;
    bool large = QVDashboardRole::current().isLargeScreen();
    if (!user_) {
        bgView_ = ImageView::imageViewWithImage(QVLoadKitImage("QVNowPlayingBannerOffline.png").get());
        content->addSubview(bgView_.get());
        setNeedsLayout();
        return;
    }
    Ref<ImageAsset> bg = QVLoadKitImage("QVPlayerBanner.png");
    bgView_ = ImageView::imageViewWithImage(bg ? bg->stretchableImage(10, 21).get() : nullptr);
    content->addSubview(bgView_.get());

    float side = large ? 50 : 36;
    profileView_ = QVImageView::imageViewWithFrame(Rect(0, 0, side, side));
    profileView_->setUnframed(true);
    profileView_->setShouldScaleImageToFillRect(true);
    profileView_->useProfilePictureFromUser(user_.get());
    content->addSubview(profileView_.get());
    profileButton_ = Button::buttonWithType(Button::Type::Custom);
    profileButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVPlayerBannerCell, profilePictureTouched)),
                              TouchUpInside);
    content->addSubview(profileButton_.get());

    auto label = [&](const std::string& text, float size, Color color) {
        auto l = Label::labelWithFrame({});
        l->setText(text);
        l->setFont(platform::Font::boldSystemFont(size).get());
        l->setTextColor(color);
        l->setBackgroundColor(std::nullopt);
        l->setShadowColor(Color::black());
        l->setShadowOffset(platform::Size(0, -1));
        content->addSubview(l.get());
        return l;
    };
    quorvelPtsView_ = ImageView::imageViewWithImage(QVLoadKitImage("QVQuorvelPointsWhite.png").get());
    content->addSubview(quorvelPtsView_.get());
    Ref<ImageAsset> separator = QVLoadKitImage("QVPlayerQuorvelPts.png");
    separatorView_ = ImageView::imageViewWithImage(separator ? separator->stretchableImage(0, 1).get() : nullptr);
    content->addSubview(separatorView_.get());
    quorvelPtsLabel_ = label(std::to_string(user_->gamerScore()), large ? 12 : 10, Color::whiteColor());
    quorvelPtsLabel_->setShadowColor(std::nullopt);
    playerNameLabel_ = label(user_->name(), large ? 17 : 15, Color::whiteColor());
    std::string game = user_->lastPlayedGameName();
    std::string status;
    if (user_->isLocalUser()) {
        status = "Playing " + game;
    } else if (user_->online()) {
        status = "playing " + game;
        onlineStatusLabel_ = label("ONLINE", large ? 14 : 12, Color::rgb(90.0f / 255, 180.0f / 255, 90.0f / 255));
    } else {
        status = "Last played " + game;
    }
    nowPlayingLabel_ = label(status, large ? 14 : 12, Color::white(0.8f));
    setNeedsLayout();
}

void QVPlayerBannerCell::layoutSubviews()
{
    QVBannerCell::layoutSubviews();
    Rect b = contentView()->bounds();
    if (bgView_)
        bgView_->setFrame(b);
    bool large = QVDashboardRole::current().isLargeScreen();
    float picture = large ? 50 : 36;
    float mid = b.size.height / 2;
    Rect pictureFrame(9, std::round(mid - picture / 2), picture, picture);
    if (profileView_)
        profileView_->setFrame(pictureFrame);
    if (profileButton_)
        profileButton_->setFrame(pictureFrame);
    float left = pictureFrame.origin.x + picture + 9;
    if (profileView_) {
        auto* bannerFrame = QVViewHelper::findAncestorOfClass<QVBannerFrame>(this);
        View* holder = bannerFrame ? bannerFrame->superview() : nullptr;
        if (holder) {
            if (!pictureFrameView_)
                pictureFrameView_ = ImageView::imageViewWithImage(
                    QVLoadKitImage(large ? "QVPlayerFrameIPad.png" : "QVPlayerFrame.png").get());
            if (pictureFrameView_->superview() != holder)
                holder->addSubview(pictureFrameView_.get());
            platform::Point c = profileView_->convertPointTo(
                platform::Point(picture / 2, picture / 2), holder);
            pictureFrameView_->setCenter(platform::Point(std::round(c.x), std::round(c.y)));
            left = pictureFrame.origin.x + std::max(picture, pictureFrameView_->frame().size.width) + 9;
        }
    } else if (pictureFrameView_) {
        pictureFrameView_->removeFromSuperview();
    }
    if (quorvelPtsLabel_) {
        quorvelPtsLabel_->sizeToFit();
        Rect f = quorvelPtsLabel_->frame();
        f.size.width += 15;
        f.origin = Point(b.size.width - f.size.width, std::round(mid - f.size.height / 2));
        quorvelPtsLabel_->setFrame(f);
        float x = f.origin.x;
        if (quorvelPtsView_) {
            Rect icon = quorvelPtsView_->frame();
            x -= icon.size.width;
            quorvelPtsView_->setFrame(Rect(x, std::round(mid - icon.size.height / 2), icon.size.width, icon.size.height));
        }
        if (separatorView_) {
            float w = separatorView_->frame().size.width;
            x -= w + 4;
            separatorView_->setFrame(Rect(x, 0, w, b.size.height));
        }
    }
    if (playerNameLabel_) {
        playerNameLabel_->sizeToFit();
        Rect f = playerNameLabel_->frame();
        playerNameLabel_->setFrame(Rect(left, mid - f.size.height, f.size.width, f.size.height));
    }
    float statusX = left;
    if (onlineStatusLabel_) {
        onlineStatusLabel_->setFrame(Rect(left - 1, mid, 55, 14));
        statusX = left + 55;
    }
    if (nowPlayingLabel_) {
        nowPlayingLabel_->sizeToFit();
        Rect f = nowPlayingLabel_->frame();
        nowPlayingLabel_->setFrame(Rect(statusX, mid, f.size.width, f.size.height));
    }
}

void QVPlayerBannerCell::removeFromSuperview()
{
    if (pictureFrameView_)
        pictureFrameView_->removeFromSuperview();
    QVBannerCell::removeFromSuperview();
}

void QVPlayerBannerCell::profilePictureTouched()
{
    if (auto* provider = dynamic_cast<QVBannerProvider*>(bannerProvider_)) {
        if (!provider->bannerProfilePictureTouched())
            provider->onBannerClicked();
    }
}

bool QVProfileComparisonUser::initWithFrame(const Rect& frame)
{
    if (!View::initWithFrame(frame))
        return false;
    build(false);
    return true;
}

bool QVProfileComparisonUser::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    build(true);
    return true;
}

void QVProfileComparisonUser::build(bool fromInterface)
{
    Rect b = bounds();
    float side = std::min(b.size.width, b.size.height - 16);
    avatar_ = QVImageView::imageViewWithFrame(Rect(std::round((b.size.width - side) / 2), 0, side, std::max(0.0f, side)));
    addSubview(avatar_.get());
    score_ = Label::labelWithFrame(Rect(0, b.size.height - 16, b.size.width, 16));
    score_->setTextAlignment(platform::TextAlignment::Center);
    score_->setBackgroundColor(std::nullopt);
    addSubview(score_.get());
    // Interface-built comparisons stand sideways in landscape.
    if (fromInterface && QVDashboardRole::current().isInLandscapeMode())
        avatar_->setTransform(platform::AffineTransform { 0, 1, -1, 0, 0, 0 });
}

void QVProfileComparisonUser::setUser(QVUser* user)
{
    user_ = user;
    if (avatar_) {
        avatar_->setUseFacebookOverlay(false);
        avatar_->useProfilePictureFromUser(user);
    }
    if (score_)
        score_->setText(user ? std::to_string(static_cast<int>(user->gamerScore())) : std::string());
}

bool QVBannerFrame::initWithFrame(const Rect& frame)
{
    if (!View::initWithFrame(frame))
        return false;
    addFrameImage();
    return true;
}

bool QVBannerFrame::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    addFrameImage();
    return true;
}

void QVBannerFrame::addFrameImage()
{
    auto frameImage = QVContentFrameView::withFrame(frame());
    frameImage->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    frameImage->setRoundedCorners(false);
    addSubview(frameImage.get());
}

void QVBannerFrame::setFrame(const Rect& frame)
{
    View::setFrame(frame);
    if (wrapperView_)
        wrapperView_->setFrame(Rect(0, 0, frame.size.width, frame.size.height));
}

void QVBannerFrame::setBannerSubview(QVBannerCell* cell)
{
    if (wrapperView_)
        wrapperView_->removeFromSuperview();
    if (bannerSubview_)
        bannerSubview_->removeFromSuperview();
    wrapperView_ = nullptr;
    bannerSubview_ = cell;
    if (!cell)
        return;
    wrapperView_ = QVFramedContentWrapperView::withWrappedView(cell);
    wrapperView_->setFrame(Rect(0, 0, frame().size.width, frame().size.height));
    wrapperView_->setContentInsets(QVContentFrameView::getContentInsets());
    insertSubviewAt(wrapperView_.get(), 0);
}

// ---- QVFramedControllerInfo

Ref<QVFramedControllerInfo> QVFramedControllerInfo::withController(ViewController* controller,
                                                                   Object* clientApplicationInfo)
{
    auto info = platform::adoptRef(new QVFramedControllerInfo);
    info->controller_ = controller;
    info->clientApplicationInfo = clientApplicationInfo;
    return info;
}

// ---- QVFramedNavigationController

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

// ---- Push and pop

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

// ---- Users and banners

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

// ---- Deciding what shows

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

// ---- Geometry

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

// ---- Appearance

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
