// QVImageView: a picture that lives on a server — a profile picture, a game
// icon, a banner — named by a URL or a path on the client's server. A cached
// picture shows at once; otherwise the shared cache downloads it (unsigned,
// one download for every view of that address), decodes it with the capped
// decoder, no larger than the view shows it when the view scales it, and
// keeps it; it is cross-faded in on a 1/30-s timer. Meanwhile the default image (or a spinner) shows; a failed
// download fades the default back in. The view can clip to rounded corners,
// wear a photo frame and a small Facebook badge; a single tap sends its
// touch-up-inside actions.
//
// A new URL, setImage or destruction cancels the running download, so an old
// download's callbacks never arrive.
#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Control.h"
#include "platform/ui/ImageView.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/ui/QVClassRegistry.h"

#include <functional>
#include <optional>

namespace quorvel {

class QVImageView : public platform::ui::Control, public QVCallbackable {
    QV_DECLARE_CLASS(QVImageView)
public:
    static constexpr double kFadeTick = 1.0 / 30.0;
    static constexpr float kCornerRadius = 5.0f;
    static constexpr float kFacebookBadgeMinimumSide = 36;
    // Adds a clip path to the context, in the view's coordinates.
    using ClipPath = std::function<void(platform::GraphicsContext&)>;

    static platform::Ref<QVImageView> imageViewWithFrame(const platform::Rect& frame);
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    // The main entry: an empty URL counts as none.
    void setImageUrl(const std::optional<std::string>& url, bool crossFading);
    void setImageUrl(const std::optional<std::string>& url) { setImageUrl(url, false); }
    const std::optional<std::string>& imageUrl() const { return mImageUrl; }
    // Forgets the URL and shows the image (or the default) at once.
    void setImage(platform::Image* image);
    platform::Image* image() const { return mImage.get(); }
    void setDefaultImage(platform::Image* image);
    platform::Image* defaultImage() const { return mDefaultImage.get(); }
    platform::Image* imageFadingIn() const { return mImageFadingIn.get(); }
    float fadingImageAlpha() const { return mFadingImageAlpha; }

    // A user's picture: any type with isLocalUser(), usesFacebookProfilePicture() and profilePictureUrl().
    template <typename User>
    void useProfilePictureFromUser(const User* user)
    {
        if (user)
            useProfilePicture(user->isLocalUser(), user->usesFacebookProfilePicture(), user->profilePictureUrl());
        else
            useProfilePicture(std::nullopt);
    }
    void useProfilePicture(bool isLocalUser, bool usesFacebookPicture, const std::optional<std::string>& url);
    // No user: the other-player default and no URL.
    void useProfilePicture(std::nullopt_t);
    void useGameCenterProfilePicture();
    void useOtherPlayerProfilePictureDefault();
    void useLocalPlayerProfilePictureDefault();

    void setImageDownloadFinishedDelegate(const QVDelegate& delegate) { mDelegate = delegate; }
    // Null returns to the automatic rounded-corner path.
    void setCustomClippingPath(ClipPath path);
    bool hasBorderPath() const { return static_cast<bool>(mBorderPath); }

    bool shouldShowLoadingIndicator() const { return mShouldShowLoadingIndicator; }
    void setShouldShowLoadingIndicator(bool s) { mShouldShowLoadingIndicator = s; }
    float crossFadeDuration() const { return mCrossFadeDuration; }
    // Below 0 (or not a number) reads as 0: the new picture shows on the next tick.
    void setCrossFadeDuration(float seconds) { mCrossFadeDuration = seconds > 0 ? seconds : 0; }
    // That picture (shown or default), when it fills the view, stretches
    // between its caps: the left cap and the top cap keep their size, so do
    // the columns and rows after the one that stretches. Caps that leave no
    // column (row) to stretch draw it scaled. One picture at a time.
    void setStretchCaps(platform::Image* image, int leftCapWidth, int topCapHeight);
    int leftCapWidth(const platform::Image* image) const { return image && image == cappedImage_.get() ? leftCap_ : 0; }
    int topCapHeight(const platform::Image* image) const { return image && image == cappedImage_.get() ? topCap_ : 0; }
    bool shouldScaleImageToFillRect() const { return mShouldScaleImageToFillRect; }
    void setShouldScaleImageToFillRect(bool s) { mShouldScaleImageToFillRect = s; setNeedsDisplay(); }
    bool unframed() const { return mUnframed; }
    void setUnframed(bool unframed);
    bool useSharpCorners() const { return mUseSharpCorners; }
    void setUseSharpCorners(bool sharp);
    bool useFacebookOverlay() const { return mUseFacebookOverlay; }
    void setUseFacebookOverlay(bool use);
    const std::optional<std::string>& imageFrameFileName() const { return mImageFrameFileName; }

    void addFacebookOverlay();
    void removeFacebookOverlay();
    void showLoadingIndicator();
    platform::ui::ImageView* facebookOverlay() const { return mFacebookOverlay.get(); }
    platform::ui::ImageView* imageFrame() const { return mImageFrame.get(); }
    platform::ui::ActivityIndicator* loadingView() const { return mLoadingView.get(); }
    bool isDownloading() const { return mHttpServiceObserver || mPictureTicket; }
    // The box it shows a picture in, in pixels, when it scales the picture
    // into its bounds; nullopt when it draws the picture at its own size.
    std::optional<platform::Image::Dimensions> shownPixels() const;

    void setFrame(const platform::Rect& frame) override;
    void setHidden(bool hidden) override;
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;
    void touchesBegan(const platform::ui::Touch& /*t*/) override { }
    void touchesEnded(const platform::ui::Touch& t) override;
    bool canReceiveCallbacksNow() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVImageView() = default;
    ~QVImageView() override;

private:
    void _imageDownloaded(platform::Object* data);
    void _imageDownloadFailed(platform::Object*);
    void _pictureDecoded(platform::Image* image, bool store);
    void _fadeToNewImage(platform::Image* image);
    void _tickFading(platform::Timer& timer);
    void _resetView(platform::Image* image);
    void _destroyHttpService();
    void _recreateBorderPath();
    void _addImageFrame();
    void _updateImageFrame();
    void _drawImage(platform::GraphicsContext& context, platform::Image& image, float alpha, const platform::Rect& rect);
    void showPicture(platform::Image* image, bool crossFading);
    void setDefaultImageNamed(const std::string& name);
    platform::Rect frameRect() const;

    platform::Ref<platform::Image> mDefaultImage;
    std::optional<std::string> mImageUrl;
    platform::Ref<platform::Image> mImage;
    bool mShouldScaleImageToFillRect { false };
    platform::Ref<platform::Image> cappedImage_;
    int leftCap_ { 0 };
    int topCap_ { 0 };
    bool mShouldShowLoadingIndicator { false };
    float mCrossFadeDuration { 0 };
    platform::Ref<platform::Image> mImageFadingIn;
    float mFadingImageAlpha { 0 };
    platform::Ref<platform::Timer> mFadingTimer;
    platform::Ref<platform::ui::ActivityIndicator> mLoadingView;
    platform::Ref<QVHttpService> mHttpService;
    platform::Ref<QVImageDataObserver> mHttpServiceObserver;
    uint64_t mPictureTicket { 0 }; // the shared cache's download of the picture, while it runs
    ClipPath mBorderPath;
    bool mUseSharpCorners { false };
    bool mUsingCustomBorderPath { false };
    QVDelegate mDelegate;
    bool mUseFacebookOverlay { false };
    platform::Ref<platform::ui::ImageView> mFacebookOverlay;
    std::optional<std::string> mImageFrameFileName;
    bool mUnframed { false };
    platform::Ref<platform::ui::ImageView> mImageFrame;
};

} // namespace quorvel
