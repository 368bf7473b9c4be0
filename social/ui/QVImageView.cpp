// Pictures by URL: cache, download, cross-fade, frame, clip and badge.
#include "social/ui/QVImageView.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Weak.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/Drawing.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/runtime/QVProvider.h"
#include "social/ui/QVKitDrawing.h"
#include "social/ui/QVKitImages.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Image;
using platform::Rect;
using platform::Ref;

namespace {
bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
} // namespace

Ref<QVImageView> QVImageView::imageViewWithFrame(const Rect& frame)
{
    auto view = adoptRef(new QVImageView);
    view->initWithFrame(frame);
    return view;
}

bool QVImageView::initWithCoder(const InterfaceCoder& coder)
{
    if (!Control::initWithCoder(coder))
        return false;
    mShouldShowLoadingIndicator = true;
    mCrossFadeDuration = 0.25f;
    mShouldScaleImageToFillRect = true;
    _recreateBorderPath();
    return true;
}

QVImageView::~QVImageView()
{
    _destroyHttpService();
    if (mFadingTimer)
        mFadingTimer->invalidate();
}

void QVImageView::showPicture(Image* image, bool crossFading)
{
    if (crossFading)
        _fadeToNewImage(image);
    else
        _resetView(image);
}

std::optional<platform::Image::Dimensions> QVImageView::shownPixels() const
{
    // A picture drawn at its own size is shown whole; one scaled into the box needs no more than the box.
    const bool scaled = mShouldScaleImageToFillRect || contentMode() == ContentMode::ScaleAspectFill
        || contentMode() == ContentMode::ScaleAspectFit;
    const platform::Size size = bounds().size;
    if (!scaled || !(size.width > 0) || !(size.height > 0))
        return std::nullopt;
    return QVPictureDecoder::pixelsOfPoints(size.width, size.height);
}

void QVImageView::setImageUrl(const std::optional<std::string>& url, bool crossFading)
{
    mImageUrl = url && !url->empty() ? url : std::nullopt;
    QVImageCache* cache = QVImageCache::sharedInstance();
    Ref<Image> cached;
    if (mImageUrl && cache)
        cached = cache->fetch(*mImageUrl, shownPixels());
    _destroyHttpService();
    showPicture(cached, crossFading);
    setNeedsDisplay();
    if (!mImageUrl) {
        if (mDefaultImage)
            showPicture(mDefaultImage, crossFading);
        return;
    }
    if (cached) {
        mDelegate.invoke(nullptr);
        return;
    }
    if (mDefaultImage)
        showPicture(mDefaultImage, crossFading);
    else
        showLoadingIndicator();

    if (cache) {
        // Shared with every view showing that address, at most a few at once.
        platform::Weak<QVImageView> weak(this);
        mPictureTicket = cache->loadPicture(*mImageUrl, shownPixels(), [weak](Ref<Image> image) {
            if (Ref<QVImageView> self = weak.lock()) {
                self->mPictureTicket = 0;
                self->_pictureDecoded(image.get(), false);
            }
        });
        return;
    }
    QVDelegate success(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVImageView, _imageDownloaded)));
    QVDelegate failure(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVImageView, _imageDownloadFailed)));
    const std::string& u = *mImageUrl;
    std::string path = u;
    if (startsWith(u, "http")) {
        mHttpService = platform::makeRef<QVHttpService>("", false);
    } else if (startsWith(u, "www")) {
        // A host without a scheme: an empty base would leave no usable address.
        mHttpService = platform::makeRef<QVHttpService>("", false);
        path = "http://" + u;
    } else {
        mHttpService = QVProvider::createHttpService();
    }
    mHttpServiceObserver = platform::makeRef<QVImageDataObserver>(success, failure);
    mHttpService->startRequest(path, "GET", std::nullopt, mHttpServiceObserver.get());
}

void QVImageView::setImage(Image* image)
{
    mImageUrl = std::nullopt;
    _destroyHttpService();
    if (!image && mDefaultImage)
        _resetView(mDefaultImage);
    else
        _resetView(image);
    setNeedsDisplay();
}

void QVImageView::setDefaultImage(Image* image)
{
    mDefaultImage = image;
    _resetView(image);
    setNeedsDisplay();
}

void QVImageView::setStretchCaps(Image* image, int leftCapWidth, int topCapHeight)
{
    cappedImage_ = image;
    // A cap must leave the stretched column (row) inside the picture.
    const bool fits = image && leftCapWidth >= 0 && topCapHeight >= 0 && leftCapWidth < int(image->width())
        && topCapHeight < int(image->height());
    leftCap_ = fits ? leftCapWidth : 0;
    topCap_ = fits ? topCapHeight : 0;
    setNeedsDisplay();
}

void QVImageView::setDefaultImageNamed(const std::string& name) { setDefaultImage(QVImageLoader::loadImage(name)); }

void QVImageView::useProfilePicture(bool isLocalUser, bool usesFacebookPicture, const std::optional<std::string>& url)
{
    mImageFrameFileName = std::nullopt;
    setDefaultImageNamed(isLocalUser ? "QVProfileIconDefaultSelf.png" : "QVProfileIconDefault.png");
    setUseFacebookOverlay(usesFacebookPicture);
    setImageUrl(url);
}

void QVImageView::useProfilePicture(std::nullopt_t)
{
    mImageFrameFileName = std::nullopt;
    setDefaultImageNamed("QVProfileIconDefault.png");
    setImageUrl(std::nullopt);
}

void QVImageView::useGameCenterProfilePicture()
{
    mImageFrameFileName = "QVGameCenterProfileFrame.png";
    _addImageFrame();
    setDefaultImageNamed("QVProfileIconDefault.png");
}

void QVImageView::useOtherPlayerProfilePictureDefault() { setDefaultImageNamed("QVProfileIconDefault.png"); }

void QVImageView::useLocalPlayerProfilePictureDefault() { setDefaultImageNamed("QVProfileIconDefaultSelf.png"); }

void QVImageView::_destroyHttpService()
{
    if (mPictureTicket) {
        if (QVImageCache* cache = QVImageCache::sharedInstance())
            cache->cancelPicture(mPictureTicket);
        mPictureTicket = 0;
    }
    if (mHttpService)
        mHttpService->cancelAllRequests();
    mHttpService = nullptr;
    mHttpServiceObserver = nullptr;
}

void QVImageView::_imageDownloaded(platform::Object* data)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(data);
    if (!boxed || !boxed->value().isData()) {
        _imageDownloadFailed(nullptr);
        return;
    }
    // The view still counts as downloading while the picture decodes; a
    // picture asked for meanwhile (or none) takes its place.
    platform::Weak<QVImageView> weak(this);
    platform::Weak<QVImageDataObserver> asked(mHttpServiceObserver.get());
    QVPictureDecoder::decode(boxed->value().data(), mImageUrl.value_or(std::string()), [weak, asked](Ref<Image> image) {
        Ref<QVImageView> self = weak.lock();
        Ref<QVImageDataObserver> observer = asked.lock();
        if (self && observer && observer.get() == self->mHttpServiceObserver.get())
            self->_pictureDecoded(image.get(), true);
    });
}

void QVImageView::_pictureDecoded(Image* image, bool store)
{
    if (!image) {
        _imageDownloadFailed(nullptr);
        return;
    }
    if (mImageUrl && store) {
        if (QVImageCache* cache = QVImageCache::sharedInstance())
            cache->store(image, *mImageUrl);
    }
    _fadeToNewImage(image);
    setNeedsDisplay();
    mDelegate.invoke(nullptr);
    mHttpServiceObserver = nullptr;
}

void QVImageView::_imageDownloadFailed(platform::Object*)
{
    _fadeToNewImage(mDefaultImage);
    setNeedsDisplay();
    mDelegate.invoke(nullptr);
    mHttpServiceObserver = nullptr;
}

void QVImageView::_fadeToNewImage(Image* image)
{
    mImageFadingIn = image;
    mFadingImageAlpha = 0;
    // An earlier timer notices on its next tick that it is no longer in charge.
    platform::Weak<QVImageView> weak(this);
    mFadingTimer = platform::RunLoop::main().scheduleTimer(kFadeTick, true, [weak](platform::Timer& t) {
        if (auto self = weak.lock())
            self->_tickFading(t);
        else
            t.invalidate();
    });
    if (mUseFacebookOverlay)
        addFacebookOverlay();
}

void QVImageView::_tickFading(platform::Timer& timer)
{
    if (&timer != mFadingTimer.get()) {
        timer.invalidate();
        return;
    }
    mFadingImageAlpha += static_cast<float>(kFadeTick) / mCrossFadeDuration;
    if (mFadingImageAlpha < 1.0f) {
        setNeedsDisplay();
        return;
    }
    mFadingImageAlpha = 0;
    Ref<platform::Timer> keep(&timer);
    mFadingTimer = nullptr;
    Ref<Image> arrived = mImageFadingIn;
    _resetView(arrived);
    mImageFadingIn = nullptr;
    setNeedsDisplay();
    timer.invalidate();
}

void QVImageView::_resetView(Image* image)
{
    removeFacebookOverlay();
    if (mImageFrame) {
        mImageFrame->removeFromSuperview();
        mImageFrame = nullptr;
    }
    if (mLoadingView) {
        mLoadingView->stopAnimating();
        mLoadingView->removeFromSuperview();
        mLoadingView = nullptr;
    }
    mImage = image;
    if (mUseFacebookOverlay && image && image != mDefaultImage.get())
        addFacebookOverlay();
    _addImageFrame();
    mImageFadingIn = nullptr;
    mFadingImageAlpha = 0;
    if (mFadingTimer) {
        mFadingTimer->invalidate();
        mFadingTimer = nullptr;
    }
}

void QVImageView::setCustomClippingPath(ClipPath path)
{
    mUsingCustomBorderPath = static_cast<bool>(path);
    mBorderPath = std::move(path);
    if (!mUsingCustomBorderPath)
        _recreateBorderPath();
    setNeedsDisplay();
}

void QVImageView::_recreateBorderPath()
{
    if (mUsingCustomBorderPath)
        return;
    mBorderPath = nullptr;
    if (mUseSharpCorners)
        return;
    platform::Size size = bounds().size;
    mBorderPath = [size](platform::GraphicsContext& g) {
        QVKitDrawing::addRoundedRectPath(g, Rect(0, 0, size.width, size.height), kCornerRadius);
    };
}

void QVImageView::setUnframed(bool unframed)
{
    if (unframed == mUnframed)
        return;
    mUnframed = unframed;
    _recreateBorderPath();
    _addImageFrame();
}

void QVImageView::setUseSharpCorners(bool sharp)
{
    mUseSharpCorners = sharp;
    _recreateBorderPath();
    _addImageFrame();
    setNeedsDisplay();
}

Rect QVImageView::frameRect() const
{
    Rect b = bounds();
    return Rect(-7, -5, b.size.width + 14, b.size.height + 12);
}

void QVImageView::_addImageFrame()
{
    if (mImageFrame) {
        mImageFrame->removeFromSuperview();
        mImageFrame = nullptr;
    }
    if (!mImage || mUseSharpCorners || mUnframed)
        return;
    mImageFrame = ImageView::imageViewWithFrame(frameRect());
    mImageFrame->setContentMode(ContentMode::ScaleToFill);
    mImageFrame->setImage(QVLoadKitImage(mImageFrameFileName.value_or("QVProfilePhotoFrame.png")));
    addSubview(mImageFrame);
    bringSubviewToFront(mImageFrame);
}

void QVImageView::_updateImageFrame()
{
    if (mImageFrame)
        mImageFrame->setFrame(frameRect());
}

void QVImageView::setUseFacebookOverlay(bool use)
{
    removeFacebookOverlay();
    mUseFacebookOverlay = use;
    if (!use || !mImage)
        return;
    bool settledOnDefault = mImage == mDefaultImage && !mImageFadingIn;
    if (!settledOnDefault)
        addFacebookOverlay();
}

void QVImageView::addFacebookOverlay()
{
    removeFacebookOverlay();
    Rect b = bounds();
    if (b.size.width < kFacebookBadgeMinimumSide || b.size.height < kFacebookBadgeMinimumSide)
        return;
    Ref<ImageAsset> icon = QVLoadKitImage("QVProfilePictureFacebookIcon.png");
    if (!icon)
        return;
    platform::Size s = icon->size();
    mFacebookOverlay = ImageView::imageViewWithFrame(Rect(b.size.width - s.width - 1, b.size.height - s.height - 1,
                                                          s.width, s.height));
    mFacebookOverlay->setImage(icon);
    addSubview(mFacebookOverlay);
}

void QVImageView::removeFacebookOverlay()
{
    if (mFacebookOverlay) {
        mFacebookOverlay->removeFromSuperview();
        mFacebookOverlay = nullptr;
    }
}

void QVImageView::showLoadingIndicator()
{
    if (!mShouldShowLoadingIndicator)
        return;
    if (mLoadingView)
        mLoadingView->removeFromSuperview();
    mLoadingView = ActivityIndicator::withStyle(ActivityIndicator::Style::Gray);
    mLoadingView->setHidesWhenStopped(true);
    Rect b = bounds();
    mLoadingView->setCenter(platform::Point(b.midX(), b.midY()));
    mLoadingView->startAnimating();
    addSubview(mLoadingView);
}

void QVImageView::setFrame(const Rect& frame)
{
    Control::setFrame(frame);
    _recreateBorderPath();
    _updateImageFrame();
    setUseFacebookOverlay(mUseFacebookOverlay);
}

void QVImageView::setHidden(bool hidden)
{
    bool wasHidden = isHidden();
    Control::setHidden(hidden);
    if (wasHidden && !hidden)
        setNeedsDisplay();
}

void QVImageView::touchesEnded(const Touch& t)
{
    if (t.tapCount == 1)
        sendActionsForControlEvents(TouchUpInside);
}

void QVImageView::_drawImage(platform::GraphicsContext& g, Image& image, float alpha, const Rect& rect)
{
    g.save();
    if (mBorderPath) {
        mBorderPath(g);
        g.clip();
    }
    if (mShouldScaleImageToFillRect && &image == cappedImage_.get() && (leftCap_ || topCap_)) {
        if (alpha <= 0) {
            g.restore();
            return;
        }
        Ref<ImageAsset> capped = ImageAsset::withImage("", &image)->stretchableImage(leftCap_, topCap_);
        if (alpha < 1)
            g.beginTransparencyLayer();
        QVKitDrawing::drawStretchedImage(g, capped.get(), rect);
        if (alpha < 1)
            g.endTransparencyLayer(alpha);
    } else if (mShouldScaleImageToFillRect) {
        QVKitDrawing::drawImageWithAlpha(g, image, rect, alpha);
    } else {
        float w = static_cast<float>(image.width()), h = static_cast<float>(image.height());
        Rect placed((rect.size.width - w) / 2, (rect.size.height - h) / 2, w, h);
        // Asked to, a picture keeps its shape while it fills (or fits) the view; otherwise it keeps its size.
        if (contentMode() == ContentMode::ScaleAspectFill || contentMode() == ContentMode::ScaleAspectFit)
            placed = platform::ui::draw::contentRect(contentMode(), platform::Size(w, h), Rect(0, 0, rect.size.width, rect.size.height));
        QVKitDrawing::drawImageWithAlpha(g, image, placed, alpha);
    }
    g.restore();
}

void QVImageView::drawRect(platform::GraphicsContext& g, const Rect& rect)
{
    // Without a picture the view's own background shows.
    if (mImage)
        _drawImage(g, *mImage, 1, rect);
    if (mImageFadingIn)
        _drawImage(g, *mImageFadingIn, mFadingImageAlpha, rect);
}

} // namespace quorvel
