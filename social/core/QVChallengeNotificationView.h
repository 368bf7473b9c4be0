// The bar announcing a challenge: the challenger's picture and the text.
// Loaded from the text bars' layout, whose bar is of this class.
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

// Loaded from the text bars' layout, whose bar is of this class.
class QVChallengeNotificationView : public QVNotificationView {
public:
    static constexpr const char* kDefaultIcon = "QVDefaultChallengeIcon.png";
    static const char* notificationViewName() { return "NotificationView"; }

    static platform::Ref<QVChallengeNotificationView> showChallengeNotice(QVReceivedChallengeNotificationData* data,
                                                                          platform::ui::View* inView);
    void configureWithNotificationData(QVReceivedChallengeNotificationData* data, platform::ui::View* inView);

    QVImageView* challengeIcon() const { return challengeIcon_; }
    QVImageView* challengerProfileImage() const { return challengerProfileImage_; }
    platform::ui::Label* challengerText() const { return challengerText_; }
    void setChallengeOutlets(QVImageView* icon, QVImageView* picture, platform::ui::Label* text);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeNotificationView() = default;

private:
    void _iconFinishedDownloading(platform::Object*);
    platform::Ref<QVReceivedChallengeNotificationData> data_;
    QVImageView* challengeIcon_ { nullptr };
    QVImageView* challengerProfileImage_ { nullptr };
    platform::ui::Label* challengerText_ { nullptr };
};

} // namespace quorvel
