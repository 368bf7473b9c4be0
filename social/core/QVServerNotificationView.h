// The bar showing a notice the server sent: an icon, one or two lines of text
// and a number.
#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "social/core/QVNotification.h"
#include "social/core/QVNotificationView.h"
#include "social/ui/QVImageView.h"

#include <optional>
#include <string>

namespace quorvel {

class QVServerNotification;

class QVServerNotificationView : public QVNotificationView {
public:
    static constexpr const char* kDefaultBackground = "QVNotificationBackground.png";
    static constexpr const char* kDefaultIcon = "QVProfileIconDefaultSelf.png";
    // A named default art stretches at this many columns from the right end of the background art.
    static constexpr int kDefaultImageRightPart = 18;
    static const char* notificationViewName() { return "ServerNotificationView"; }

    // Nothing for a null notification; else drops the default background notice.
    static platform::Ref<QVServerNotificationView> showServerNotification(QVServerNotification* notification,
                                                                          platform::ui::View* inView);
    void configureServerNotification(QVServerNotification* notification, platform::ui::View* inView);

    QVImageView* icon() const { return icon_; }
    platform::ui::Label* twoLineTopLabel() const { return twoLineTopLabel_; }
    platform::ui::Label* twoLineBottomLabel() const { return twoLineBottomLabel_; }
    platform::ui::Label* numberLabel() const { return numberLabel_; }
    platform::ui::View* smallQuorvelIconForNumber() const { return smallQuorvelIconForNumber_; }
    int downloadsNeeded() const { return miDownloadsNeeded; }
    int downloadsDone() const { return miDownloadsDone; }

    void setServerOutlets(QVImageView* icon, platform::ui::Label* top, platform::ui::Label* bottom,
                          platform::ui::Label* number, platform::ui::View* smallIcon);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVServerNotificationView() = default;

private:
    void _loadImagesWithNotification(QVServerNotification& notification);
    void _setImageViewImage(QVImageView* view, const std::string& backupDefaultImage,
                            const std::string& defaultImageName, const std::string& desiredImage);
    void _updateText(QVServerNotification& notification);
    void _updateNumber(QVServerNotification& notification);
    void _imageFinishedDownloading(platform::Object*);

    QVImageView* icon_ { nullptr };
    platform::ui::Label* twoLineTopLabel_ { nullptr };
    platform::ui::Label* twoLineBottomLabel_ { nullptr };
    platform::ui::Label* numberLabel_ { nullptr };
    platform::ui::View* smallQuorvelIconForNumber_ { nullptr };
    bool settingUpView { false };
    int miDownloadsNeeded { 0 };
    int miDownloadsDone { 0 };
};

} // namespace quorvel
