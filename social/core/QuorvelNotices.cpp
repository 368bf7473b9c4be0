// The services' in-game notices not tied to a request and the default
// background notice slot, handed to the shared QVNotification: the notice
// passes its decision and gets its bar there.
#include "social/core/QVNotification.h"
#include "social/core/QuorvelInternal.h"

namespace quorvel {

namespace {
platform::Ref<QVNotificationData> noticeData(const Quorvel::BackgroundNotice& notice)
{
    auto data = QVNotificationData::dataWithText(notice.text, notice.category, notice.type);
    if (!notice.imageName.empty())
        data->setImageName(notice.imageName);
    return data;
}
} // namespace

void Quorvel::setNoticeObserver(NoticeObserver observer)
{
    if (!observer) {
        QVNotification::setAllowedNoticeObserver(nullptr);
        return;
    }
    QVNotification::setAllowedNoticeObserver([observer = std::move(observer)](QVNotificationData* data) {
        observer({ data->notificationText(), data->imageName().value_or(std::string()),
                   data->notificationCategory(), data->notificationType() });
    });
}

void QuorvelInternal::showBackgroundNotice(const BackgroundNotice& notice)
{
    QVNotification::sharedInstance().showBackgroundNotice(noticeData(notice).get(), std::nullopt);
}

void QuorvelInternal::setDefaultBackgroundNotice(const BackgroundNotice& notice)
{
    QVNotification::sharedInstance().setDefaultBackgroundNotice(noticeData(notice).get(), std::nullopt);
}

void QuorvelInternal::showDefaultNotice() { QVNotification::sharedInstance().showDefaultNotice(); }

void QuorvelInternal::clearDefaultNotice() { QVNotification::sharedInstance().clearDefaultNotice(); }

} // namespace quorvel
