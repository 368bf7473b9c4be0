// The catalogue's image banner and the cycling featured-game banner.
#include "social/dashboard/games/QVDiscoveryBannerCells.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/games/QVApplicationDescriptionController.h"
#include "social/dashboard/games/QVPlayedGameController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVTableControllerHelper.h"

#include <cstdio>

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVGameDiscoveryImageHyperlinkCell);
QV_REGISTER_CLASS(QVFeaturedGameCell);

namespace {

float bannerHeight()
{
    return QuorvelInternal::dashboardRole().isLargeScreen() ? QVGameDiscoveryImageHyperlinkCell::kLargeScreenHeight
                                                      : QVGameDiscoveryImageHyperlinkCell::kHeight;
}

} // namespace

// ---------------------------------------------------------------------------
// Image hyperlink

bool QVGameDiscoveryImageHyperlinkCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVBannerCell::initQVTableCellHelper(name))
        return false;
    float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
    setFrame(Rect(0, 0, width, bannerHeight()));
    imageView_ = QVImageView::imageViewWithFrame(Rect(0, 0, width, bannerHeight()));
    // The picture is a control that keeps the touches it gets: the tap belongs to the cell, which opens the link.
    imageView_->setUserInteractionEnabled(false);
    contentView()->addSubview(imageView_.get());
    return true;
}

void QVGameDiscoveryImageHyperlinkCell::onResourceChanged(Object* resource)
{
    auto* link = dynamic_cast<QVGameDiscoveryImageHyperlink*>(resource);
    if (!link || !imageView_)
        return;
    imageView_->setUseSharpCorners(true);
    imageView_->setUnframed(true);
    imageView_->setShouldScaleImageToFillRect(false);
    imageView_->setContentMode(ContentMode::Center);
    imageView_->setImageUrl(link->imageUrl.empty() ? std::nullopt : std::optional<std::string>(link->imageUrl));
}

void QVGameDiscoveryImageHyperlinkCell::layoutSubviews()
{
    QVBannerCell::layoutSubviews();
    if (imageView_)
        imageView_->setFrame(bounds());
}

void QVGameDiscoveryImageHyperlinkCell::touchesEnded(const Touch&)
{
    ViewController* provider = bannerProvider();
    NavigationController* nav = provider ? provider->navigationController() : nullptr;
    if (!nav && owningTable())
        nav = owningTable()->navigationController();
    onCellWasClicked(nav);
}

void QVGameDiscoveryImageHyperlinkCell::onCellWasClicked(NavigationController* nav)
{
    auto* link = dynamic_cast<QVGameDiscoveryImageHyperlink*>(resource());
    if (!link || !nav)
        return;
    if (link->isIPurchaseLink()) {
        auto page = QVApplicationDescriptionController::applicationDescriptionForId(
            link->targetApplicationIPurchaseId, "gameDiscoveryImageHyperlink_" + link->appBannerPlacement);
        if (page)
            nav->pushViewController(page.get(), true);
    } else if (link->isCategoryLink()) {
        Ref<ViewController> loaded = QVControllerLoader::load("PlayedGame");
        auto list = Ref<QVPlayedGameController>(
            loaded ? requireCast<QVPlayedGameController>(loaded, "The games list must take its page") : nullptr);
        if (!list)
            return;
        list->setTargetDiscoveryPageName(link->targetDiscoveryActionName);
        list->setTitle(link->targetDiscoveryPageTitle);
        nav->pushViewController(list.get(), true);
    }
}

// ---------------------------------------------------------------------------
// Featured game

QVFeaturedGameCell::~QVFeaturedGameCell()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (cyclingTimer_)
        cyclingTimer_->invalidate();
}

bool QVFeaturedGameCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVGameDiscoveryImageHyperlinkCell::initQVTableCellHelper(name))
        return false;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, Quorvel::kUserOnline, [this](const platform::Notification&) { _changeBannerToOnline(); });
    center.addObserver(this, "QVNSNotificationUserOffline",
                       [this](const platform::Notification&) { _changeBannerToOffline(); });

    // The banner's art spans the strip (wider in landscape and on a tablet).
    Rect frame(0, 0, std::max(320.0f, contentView()->bounds().size.width), bannerHeight());
    bgImageView_ = ImageView::imageViewWithFrame(frame);
    bgImageView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight); // and the banner area's height
    bgImageView_->setUserInteractionEnabled(false);
    bgImageView_->setBackgroundColor(std::nullopt);
    const bool online = QuorvelInternal::sessionRole().isOnline();
    if (online)
        _changeBannerToOnline();
    else
        _changeBannerToOffline();
    contentView()->addSubview(bgImageView_.get());
    contentView()->setAutoresizesSubviews(true);

    // The hyperlink image sits over the fixed banner and starts as it.
    if (imageView_)
        imageView_->removeFromSuperview();
    imageView_ = QVImageView::imageViewWithFrame(frame);
    imageView_->setUnframed(true);
    imageView_->setUseSharpCorners(true);
    imageView_->setShouldShowLoadingIndicator(false);
    imageView_->setShouldScaleImageToFillRect(false);
    // A featured picture is drawn for a phone's strip; a wider strip (landscape, a tablet) shows it
    // across its whole width, keeping its shape (a little of its top and bottom cut), not as a box.
    if (frame.size.width > 320) {
        imageView_->setContentMode(ContentMode::ScaleAspectFill);
        imageView_->setClipsToBounds(true);
    }
    imageView_->setCrossFadeDuration(1.0f);
    imageView_->setUserInteractionEnabled(false); // the tap is the cell's
    imageView_->setDefaultImage(bgImageView_->image() ? bgImageView_->image()->image() : nullptr);
    contentView()->addSubview(imageView_.get());

    if (online) {
        QVGameDiscoveryService::getNowPlayingFeaturedPlacement(
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFeaturedGameCell, onFeaturedGamesDownloaded))),
            QVDelegate());
    }
    return true;
}

std::string QVFeaturedGameCell::_bannerSuffix()
{
    QVDashboardRole& host = QuorvelInternal::dashboardRole();
    if (host.isLargeScreen())
        return "IPad";
    if (host.isInLandscapeMode())
        return "Landscape";
    return "";
}

void QVFeaturedGameCell::_changeBannerToOnline()
{
    bannerImageName_ = "QVNowPlayingBanner" + _bannerSuffix() + ".png";
    if (bgImageView_)
        bgImageView_->setImage(QVLoadKitImage(bannerImageName_).get());
}

void QVFeaturedGameCell::_changeBannerToOffline()
{
    bannerImageName_ = "QVNowPlayingBanner" + _bannerSuffix() + "Offline.png";
    if (bgImageView_)
        bgImageView_->setImage(QVLoadKitImage(bannerImageName_).get());
}

void QVFeaturedGameCell::onFeaturedGamesDownloaded(Object* answer)
{
    imageHyperlinks_.clear();
    for (const auto& object : requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->objects())
        if (auto* link = dynamic_cast<QVGameDiscoveryImageHyperlink*>(object.get()))
            imageHyperlinks_.emplace_back(link);
    // The first change shows the first image.
    currentHyperlinkIndex_ = static_cast<uint32_t>(imageHyperlinks_.size());
    if (viewIsAppeared_)
        _fadeToNextFeaturedGame();
    hasDownloadedLinks_ = true;
}

QVGameDiscoveryImageHyperlink* QVFeaturedGameCell::currentHyperlink() const
{
    return currentHyperlinkIndex_ < imageHyperlinks_.size() ? imageHyperlinks_[currentHyperlinkIndex_].get() : nullptr;
}

void QVFeaturedGameCell::_fadeToNextFeaturedGame()
{
    if (imageHyperlinks_.empty())
        return;
    ++currentHyperlinkIndex_;
    if (currentHyperlinkIndex_ >= imageHyperlinks_.size())
        currentHyperlinkIndex_ = 0;
    QVGameDiscoveryImageHyperlink* link = currentHyperlink();
    imageView_->setImageUrl(link->imageUrl.empty() ? std::nullopt : std::optional<std::string>(link->imageUrl), true);
    _scheduleNextHyperlinkTransitionIn(link->secondsToDisplay);
    changeResource(link);
}

void QVFeaturedGameCell::_scheduleNextHyperlinkTransitionIn(float seconds)
{
    if (cyclingTimer_)
        cyclingTimer_->invalidate();
    platform::Weak<QVFeaturedGameCell> weak(this);
    cyclingTimer_ = platform::RunLoop::main().performAfter(seconds, [weak] {
        if (auto self = weak.lock())
            self->_fadeToNextFeaturedGame();
    });
}

void QVFeaturedGameCell::_stopCyclingHyperlinks()
{
    if (cyclingTimer_ && cyclingTimer_->isValid()) {
        inProgressTransitionRemainingSeconds_
            = static_cast<float>(cyclingTimer_->fireTime() - platform::RunLoop::main().now());
        cyclingTimer_->invalidate();
    }
    cyclingTimer_ = nullptr;
}

void QVFeaturedGameCell::viewDidDisappear()
{
    _stopCyclingHyperlinks();
    viewIsAppeared_ = false;
}

void QVFeaturedGameCell::viewDidAppear()
{
    viewIsAppeared_ = true;
    if (hasDownloadedLinks_ && !imageHyperlinks_.empty())
        _scheduleNextHyperlinkTransitionIn(inProgressTransitionRemainingSeconds_);
}

} // namespace quorvel
