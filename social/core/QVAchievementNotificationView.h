// The bar announcing an unlocked achievement.
#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "social/core/QVNotification.h"
#include "social/core/QVNotificationView.h"

#include <optional>
#include <string>

namespace quorvel {

class QVAchievementNotificationView : public QVNotificationView {
public:
    static constexpr const char* kDefaultIcon = "QVUnlockedAchievementIcon.png";
    static constexpr const char* kPointsImage = "QVQuorvelPointsWhite.png";
    static constexpr const char* kPercentImage = "QuorvelPercentLockWhite.png";
    static const char* notificationViewName() { return "AchievementNotificationView"; }

    static platform::Ref<QVAchievementNotificationView> showAchievementNotice(
        QVUnlockedAchievementNotificationData* data, platform::ui::View* inView);
    void configureWithNotificationData(QVUnlockedAchievementNotificationData* data, platform::ui::View* inView);

    platform::ui::Label* achievementValueText() const { return achievementValueText_; }
    void setValueOutlet(platform::ui::Label* label) { achievementValueText_ = label; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVAchievementNotificationView() = default;

private:
    void _iconFinishedDownloading(platform::Object*);
    platform::Ref<QVUnlockedAchievementNotificationData> data_;
    platform::ui::Label* achievementValueText_ { nullptr };
};

} // namespace quorvel
