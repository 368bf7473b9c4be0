// The bar showing a notice the server sent: an icon, one or two lines of text
// and a number.
#include "social/core/QVServerNotificationView.h"

#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "social/core/QVNotification.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVDelegate.h"
#include "social/services/QVServerNotification.h"
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

void QVServerNotificationView::setServerOutlets(QVImageView* icon, Label* top, Label* bottom, Label* number,
                                                View* smallIcon)
{
    icon_ = icon;
    twoLineTopLabel_ = top;
    twoLineBottomLabel_ = bottom;
    numberLabel_ = number;
    smallQuorvelIconForNumber_ = smallIcon;
}

Ref<QVServerNotificationView> QVServerNotificationView::showServerNotification(QVServerNotification* notification,
                                                                              View* inView)
{
    if (!notification)
        return nullptr;
    QVNotification::sharedInstance().clearDefaultNotice();
    return loadBarFor(notification, inView, &QVServerNotificationView::configureServerNotification);
}

void QVServerNotificationView::configureServerNotification(QVServerNotification* notification, View* inView)
{
    if (!notification)
        return;
    Ref<QVServerNotification> keep(notification);
    _setPresentationView(inView);
    settingUpView = true;
    _loadImagesWithNotification(*notification);
    _updateText(*notification);
    _updateNumber(*notification);
    settingUpView = false;
    if (miDownloadsDone == miDownloadsNeeded)
        _presentForDuration(kImageHoldDuration);
}

void QVServerNotificationView::_loadImagesWithNotification(QVServerNotification& n)
{
    for (QVImageView* view : { backgroundImage(), statusIndicator(), icon_ }) {
        if (view)
            view->setUnframed(true);
    }
    _setImageViewImage(backgroundImage(), kDefaultBackground, n.backgroundDefaultImage(), n.backgroundImage());
    _setImageViewImage(statusIndicator(), QVNotification::kStatusFailure, n.statusDefaultImage(), n.statusImage());
    _setImageViewImage(icon_, kDefaultIcon, n.iconDefaultImage(), n.iconImage());
}

void QVServerNotificationView::_setImageViewImage(QVImageView* view, const std::string& backupDefaultImage,
                                                  const std::string& defaultImageName,
                                                  const std::string& desiredImage)
{
    if (!view)
        return;
    if (defaultImageName.empty() && desiredImage.empty()) {
        view->setHidden(true);
        return;
    }
    view->setDefaultImage(bundleImage(backupDefaultImage));
    if (Ref<platform::Image> named = bundleImage(defaultImageName)) {
        // The cap follows the background view's current art, whichever view this is.
        platform::Image* art = backgroundImage() ? backgroundImage()->image() : nullptr;
        view->setDefaultImage(named);
        view->setStretchCaps(named, art ? static_cast<int>(art->width()) - kDefaultImageRightPart : 0, 0);
        view->setShouldScaleImageToFillRect(true);
    }
    if (!desiredImage.empty()) {
        ++miDownloadsNeeded;
        view->setImageDownloadFinishedDelegate(
            QVDelegate(this, BRISKO_SELECTOR(QVServerNotificationView, _imageFinishedDownloading)));
        view->setImageUrl(desiredImage);
    }
}

void QVServerNotificationView::_updateText(QVServerNotification& n)
{
    for (Label* label : { notice(), twoLineTopLabel_, twoLineBottomLabel_ }) {
        if (label)
            label->setHidden(true);
    }
    if (n.text().empty())
        return;
    if (n.detail().empty()) {
        if (notice()) {
            notice()->setText(n.text());
            notice()->setHidden(false);
        }
        return;
    }
    if (twoLineTopLabel_) {
        twoLineTopLabel_->setText(n.text());
        twoLineTopLabel_->setHidden(false);
    }
    if (twoLineBottomLabel_) {
        twoLineBottomLabel_->setText(n.detail());
        twoLineBottomLabel_->setHidden(false);
    }
}

void QVServerNotificationView::_updateNumber(QVServerNotification& n)
{
    if (!n.score().empty()) {
        if (numberLabel_)
            numberLabel_->setText(n.score());
        return;
    }
    if (numberLabel_)
        numberLabel_->setHidden(true);
    if (smallQuorvelIconForNumber_)
        smallQuorvelIconForNumber_->setHidden(true);
}

void QVServerNotificationView::_imageFinishedDownloading(platform::Object*)
{
    ++miDownloadsDone;
    if (miDownloadsDone != miDownloadsNeeded || settingUpView)
        return;
    _presentForDuration(kImageHoldDuration);
    for (QVImageView* view : { backgroundImage(), statusIndicator(), icon_ }) {
        if (view)
            view->setImageDownloadFinishedDelegate(QVDelegate());
    }
}

} // namespace quorvel
