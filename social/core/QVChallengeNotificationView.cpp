// The bar announcing a challenge: the challenger's picture and the text.
// Loaded from the text bars' layout, whose bar is of this class.
#include "social/core/QVChallengeNotificationView.h"

#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "social/core/QVNotification.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVImageView.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace quorvel {

using platform::Point;
using platform::Rect;
using platform::Ref;
using platform::AffineTransform;
using platform::ui::Label;
using platform::ui::View;

void QVChallengeNotificationView::setChallengeOutlets(QVImageView* icon, QVImageView* picture, Label* text)
{
    challengeIcon_ = icon;
    challengerProfileImage_ = picture;
    challengerText_ = text;
}

Ref<QVChallengeNotificationView> QVChallengeNotificationView::showChallengeNotice(
    QVReceivedChallengeNotificationData* data, View* inView)
{
    return loadBarFor(data, inView, &QVChallengeNotificationView::configureWithNotificationData);
}

void QVChallengeNotificationView::configureWithNotificationData(QVReceivedChallengeNotificationData* data,
                                                                View* inView)
{
    _setPresentationView(inView);
    if (notice() && data)
        notice()->setText(data->notificationText());
    setupDefaultImages();
    if (challengeIcon_)
        challengeIcon_->setDefaultImage(bundleImage(kDefaultIcon));
    if (!data || !data->receivedChallengeToUser()) {
        // Nothing to tell: no bar.
        for (View* part : { static_cast<View*>(statusIndicator()), static_cast<View*>(challengerProfileImage_),
                            static_cast<View*>(challengerText_) }) {
            if (part)
                part->setHidden(true);
        }
        return;
    }
    data_ = Ref<QVReceivedChallengeNotificationData>(data);
    if (notice() && challengeIcon_) {
        // The text stops short of the challenge's icon at the right.
        Rect f = notice()->frame();
        f.size.width = std::max(challengeIcon_->frame().minX() - 4 - f.origin.x, 0.0f);
        notice()->setFrame(f);
    }
    if (challengerProfileImage_) {
        challengerProfileImage_->setUseSharpCorners(true);
        challengerProfileImage_->useProfilePictureFromUser(data->challenger());
    }
    if (challengerText_)
        challengerText_->setText((data->challenger() ? data->challenger()->name() : std::string())
                                 + " has challenged you!");
    if (challengeIcon_ && !data->definitionIconUrl().empty()) {
        challengeIcon_->setImageDownloadFinishedDelegate(
            QVDelegate(this, BRISKO_SELECTOR(QVChallengeNotificationView, _iconFinishedDownloading)));
        challengeIcon_->setImageUrl(data->definitionIconUrl());
        return;
    }
    _iconFinishedDownloading(nullptr);
}

void QVChallengeNotificationView::_iconFinishedDownloading(platform::Object*)
{
    _presentForDuration(kImageHoldDuration);
    if (challengeIcon_)
        challengeIcon_->setImageDownloadFinishedDelegate(QVDelegate());
}

} // namespace quorvel
