// The player's banner: picture, name, points and what the player plays.
#include "social/ui/QVPlayerBannerCell.h"

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVUser.h"
#include "social/ui/QVBannerFrame.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVViewHelper.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVPlayerBannerCell);

namespace {

// The status line's slanted bold face; where it is not installed, the system
// family's bold oblique, else its oblique.
Ref<platform::Font> statusFont(float size)
{
    for (const char* name : { QVPlayerBannerCell::kStatusFontName, "DejaVuSans-BoldOblique" })
        if (auto font = platform::Font::fontWithName(name, size))
            return font;
    return platform::Font::italicSystemFont(size);
}

} // namespace

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
        // The local player is playing the running game, whether or not the service named it yet.
        if (game.empty())
            game = QVSessionRole::current().applicationDisplayName();
        status = "Playing " + game;
    } else if (user_->online()) {
        status = "playing " + game;
        onlineStatusLabel_ = label("ONLINE", large ? 14 : 12, Color::rgb(90.0f / 255, 180.0f / 255, 90.0f / 255));
    } else {
        status = "Last played " + game;
    }
    // Without a game's name the status says nothing: no line, the name sits in the middle.
    if (!game.empty()) {
        nowPlayingLabel_ = label(status, large ? 14 : 12, Color::white(0.8f));
        nowPlayingLabel_->setFont(statusFont(large ? 14 : 12).get());
    }
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
    // The texts start 9 points right of the picture frame ("ONLINE" 8), whose
    // right edge is the picture's own until the frame image is placed.
    float frameRight = pictureFrame.origin.x + picture;
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
            // The frame image is centred on the picture: its right edge lies half
            // its width right of the picture's centre.
            float frameWidth = std::max(picture, pictureFrameView_->frame().size.width);
            frameRight = std::round(pictureFrame.origin.x + picture / 2 + frameWidth / 2);
        }
    } else if (pictureFrameView_) {
        pictureFrameView_->removeFromSuperview();
    }
    const float left = frameRight + 9;
    // What the name may take: up to the separator (or the points when it is missing).
    float nameRight = b.size.width;
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
        nameRight = x - kNameGap;
    }
    if (playerNameLabel_) {
        playerNameLabel_->sizeToFit();
        Rect f = playerNameLabel_->frame();
        bool alone = !nowPlayingLabel_ && !onlineStatusLabel_;
        float y = alone ? std::round(mid - f.size.height / 2) : mid - f.size.height;
        // A long name (the service allows 32 characters) ends in "…" short of the separator.
        const float width = std::max(0.0f, std::min(f.size.width, nameRight - left));
        playerNameLabel_->setFrame(Rect(left, y, width, f.size.height));
    }
    float statusX = left;
    if (onlineStatusLabel_) {
        onlineStatusLabel_->setFrame(Rect(frameRight + 8, mid, 55, 14));
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
    if (auto provider = bannerProvider_.lock()) {
        if (!provider->bannerProfilePictureTouched())
            provider->onBannerClicked();
    }
}

} // namespace quorvel
