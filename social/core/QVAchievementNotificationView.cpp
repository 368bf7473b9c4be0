// The bar announcing an unlocked achievement.
#include "social/core/QVAchievementNotificationView.h"

#include "platform/foundation/Bundle.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "social/core/QVNotification.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVDashboardRole.h"

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

Ref<QVAchievementNotificationView> QVAchievementNotificationView::showAchievementNotice(
    QVUnlockedAchievementNotificationData* data, View* inView)
{
    return loadBarFor(data, inView, &QVAchievementNotificationView::configureWithNotificationData);
}

void QVAchievementNotificationView::configureWithNotificationData(QVUnlockedAchievementNotificationData* data,
                                                                  View* inView)
{
    _setPresentationView(inView);
    if (notice() && data)
        notice()->setText(data->notificationText());
    setupDefaultImages();
    if (notificationImage()) {
        notificationImage()->setDefaultImage(bundleImage(kDefaultIcon));
        notificationImage()->setUnframed(true);
    }
    if (!data || !data->unlockedAchievement()) {
        if (statusIndicator())
            statusIndicator()->setHidden(true);
        if (achievementValueText_)
            achievementValueText_->setHidden(true);
        _iconFinishedDownloading(nullptr);
        return;
    }
    data_ = Ref<QVUnlockedAchievementNotificationData>(data);
    if (notice())
        notice()->setText("'" + data->title() + "'");
    const double percent = data->percentComplete();
    std::optional<std::string> statusImage;
    if (percent == 100) {
        if (achievementValueText_)
            achievementValueText_->setText(std::to_string(data->gamerscore()));
        statusImage = kPointsImage;
    } else if (percent >= 0) {
        if (achievementValueText_)
            achievementValueText_->setText(std::to_string(static_cast<int>(percent)) + "%");
        statusImage = kPercentImage;
    } else if (achievementValueText_) {
        achievementValueText_->setHidden(true);
    }
    if (statusIndicator()) {
        statusIndicator()->setDefaultImage(statusImage ? bundleImage(*statusImage) : nullptr);
        statusIndicator()->setUnframed(true);
    }
    if (notificationImage()) {
        // The game may ship an achievement's icon in its bundle; without it the icon is downloaded.
        const std::string icon = "AchievementIcon_" + data->resourceId() + ".jpg";
        Ref<platform::Image> bundled = platform::Bundle::main().pathForResource(icon, "").empty() ? nullptr : bundleImage(icon);
        if (bundled) {
            notificationImage()->setImage(bundled);
        } else if (!data->iconUrl().empty()) {
            notificationImage()->setImageDownloadFinishedDelegate(
                QVDelegate(this, BRISKO_SELECTOR(QVAchievementNotificationView, _iconFinishedDownloading)));
            notificationImage()->setImageUrl(data->iconUrl());
            return;
        }
    }
    _iconFinishedDownloading(nullptr);
}

void QVAchievementNotificationView::_iconFinishedDownloading(platform::Object*)
{
    _presentForDuration(kImageHoldDuration);
    if (notificationImage())
        notificationImage()->setImageDownloadFinishedDelegate(QVDelegate());
}

} // namespace quorvel
