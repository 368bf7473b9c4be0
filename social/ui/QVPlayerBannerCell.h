// The player's banner: picture, name, points and what the player plays.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "social/services/QVUser.h"
#include "social/ui/QVBannerCell.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVScreenProtocols.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVUser;

// The player's banner: picture, name, points and what the player plays.
class QVPlayerBannerCell : public QVBannerCell {
    QV_DECLARE_CLASS(QVPlayerBannerCell)
public:
    // The status line's typeface, or the nearest one installed.
    static constexpr const char* kStatusFontName = "Helvetica-BoldOblique";
    // The room kept between the name and the separator before the points.
    static constexpr float kNameGap = 4;
    QVUser* user() const { return user_.get(); }
    using QVBannerCell::onResourceChanged;
    void onResourceChanged(platform::Object* resource) override;
    void profilePictureTouched();
    platform::ui::Label* playerNameLabel() const { return playerNameLabel_.get(); }
    platform::ui::Label* nowPlayingLabel() const { return nowPlayingLabel_.get(); }
    platform::ui::Label* onlineStatusLabel() const { return onlineStatusLabel_.get(); }
    platform::ui::Label* quorvelPtsLabel() const { return quorvelPtsLabel_.get(); }
    QVImageView* profileView() const { return profileView_.get(); }
    platform::ui::Button* profileButton() const { return profileButton_.get(); }
    // The picture's frame image, placed over the banner frame's superview so that it may overhang.
    platform::ui::ImageView* pictureFrameView() const { return pictureFrameView_.get(); }
    // The line between the name and the points.
    platform::ui::ImageView* separatorView() const { return separatorView_.get(); }
    void layoutSubviews() override;
    void removeFromSuperview() override;

protected:
    QVPlayerBannerCell() = default;

private:
    platform::Ref<QVUser> user_;
    platform::Ref<platform::ui::ImageView> bgView_;
    platform::Ref<platform::ui::Label> quorvelPtsLabel_;
    platform::Ref<platform::ui::Label> playerNameLabel_;
    platform::Ref<platform::ui::Label> onlineStatusLabel_;
    platform::Ref<platform::ui::Label> nowPlayingLabel_;
    platform::Ref<QVImageView> profileView_;
    platform::Ref<platform::ui::Button> profileButton_;
    platform::Ref<platform::ui::ImageView> quorvelPtsView_;
    platform::Ref<platform::ui::ImageView> separatorView_;
    platform::Ref<platform::ui::ImageView> pictureFrameView_;
};

} // namespace quorvel
