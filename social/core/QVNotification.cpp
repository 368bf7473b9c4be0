// The notice decision and the five ways a notice is shown.
#include "social/core/QVNotification.h"

#include "platform/device/Application.h"
#include "platform/foundation/Log.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "social/core/QVNotificationView.h"
#include "social/core/QVAchievementNotificationView.h"
#include "social/core/QVChallengeNotificationView.h"
#include "social/core/QVServerNotificationView.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVActionRequest.h"
#include "social/services/QVServerNotification.h"

namespace quorvel {

using platform::Ref;

Ref<QVNotificationData> QVNotificationData::dataWithText(const std::string& text, int category, int type)
{
    Ref<QVNotificationData> data = platform::adoptRef(new QVNotificationData);
    data->text_ = text;
    data->category_ = category;
    data->type_ = type;
    return data;
}

Ref<QVUnlockedAchievementNotificationData> QVUnlockedAchievementNotificationData::dataWithAchievementFields(
    platform::Object* achievement, const std::string& title, int gamerscore, const std::string& resourceId,
    const std::string& iconUrl, double percentComplete)
{
    Ref<QVUnlockedAchievementNotificationData> data = platform::adoptRef(new QVUnlockedAchievementNotificationData);
    data->setNotificationText(kText);
    data->setNotificationCategory(6);
    data->setNotificationType(4);
    data->achievement_ = Ref<platform::Object>(achievement);
    data->title_ = title;
    data->gamerscore_ = gamerscore;
    data->resourceId_ = resourceId;
    data->iconUrl_ = iconUrl;
    data->percentComplete_ = percentComplete;
    return data;
}

Ref<QVReceivedChallengeNotificationData> QVReceivedChallengeNotificationData::dataWithChallengeToUser(
    platform::Object* challengeToUser, QVUser* challenger, const std::string& definitionIconUrl)
{
    Ref<QVReceivedChallengeNotificationData> data = platform::adoptRef(new QVReceivedChallengeNotificationData);
    data->setNotificationText(kText);
    data->setNotificationCategory(3);
    data->setNotificationType(5);
    data->challengeToUser_ = Ref<platform::Object>(challengeToUser);
    data->challenger_ = Ref<QVUser>(challenger);
    data->iconUrl_ = definitionIconUrl;
    return data;
}

namespace {
std::function<void(QVNotificationData*)>& allowedObserver()
{
    static std::function<void(QVNotificationData*)> observer;
    return observer;
}
} // namespace

void QVNotification::setAllowedNoticeObserver(std::function<void(QVNotificationData*)> observer)
{
    allowedObserver() = std::move(observer);
}

QVNotification& QVNotification::sharedInstance()
{
    static QVNotification* instance = [] {
        auto* n = new QVNotification;
        n->retain();
        return n;
    }();
    return *instance;
}

platform::ui::Window* QVNotification::getTopApplicationWindow()
{
    if (platform::ui::Window* window = QuorvelInternal::session().presentationWindow())
        return window;
    return platform::ui::Application::sharedApplication().topWindow();
}

namespace {

// A call to the game (its delegate, its notice observer) through the session's
// one door: false when the call shut the running client down, and the notice
// goes no further.
bool callGame(const std::function<void()>& call) { return QuorvelInternal::session().callGame(call); }

bool tellDelegate(const std::function<void(QVNotificationDelegate&)>& message)
{
    QVNotificationDelegate* delegate = QuorvelInternal::session().getNotificationDelegate();
    return !delegate || callGame([&] { message(*delegate); });
}

} // namespace

std::optional<bool> QVNotification::allowNotice(QVNotificationData* data)
{
    if (QuorvelInternal::options().isDisabled())
        return false;
    bool allowed = true;
    if (!tellDelegate([&](QVNotificationDelegate& game) { allowed = game.isQuorvelNotificationAllowed(data).value_or(true); }))
        return std::nullopt;
    if (allowed && allowedObserver() && !callGame([&] { allowedObserver()(data); }))
        return std::nullopt;
    return allowed;
}

bool QVNotification::onNotificationWillShow(QVNotificationData* data)
{
    return tellDelegate([&](QVNotificationDelegate& game) { game.notificationWillShow(data); });
}

void QVNotification::handleDisallowedNotification(QVNotificationData* data)
{
    tellDelegate([&](QVNotificationDelegate& game) { game.handleDisallowedNotification(data); });
}

void QVNotification::showBackgroundNotice(QVNotificationData* data, const std::optional<std::string>& status)
{
    if (QuorvelInternal::hub().isDashboardHubOpen() || !data)
        return;
    Ref<QVNotificationData> keep(data);
    const std::optional<bool> allowed = allowNotice(data);
    if (!allowed)
        return;
    if (!*allowed) {
        handleDisallowedNotification(data);
        return;
    }
    platform::ui::Window* window = getTopApplicationWindow();
    if (!window || !onNotificationWillShow(data))
        return;
    QVNotificationView::showNotificationWithText(data->notificationText(), data->imageName(), status, window);
}

void QVNotification::showBackgroundNoticeForLoader(QVActionRequest& request, QVNotificationData* data)
{
    Ref<QVActionRequest> keepRequest(&request);
    Ref<QVNotificationData> keep(data);
    if (!data) {
        request.startLoading();
        return;
    }
    const std::optional<bool> allowed = allowNotice(data);
    if (!allowed)
        return; // the client that sent it is gone, and its requests with it
    if (!*allowed) {
        // A refused notice never stops its request.
        request.startLoading();
        handleDisallowedNotification(data);
        return;
    }
    platform::ui::Window* window = getTopApplicationWindow();
    if (!window) {
        request.startLoading();
        return;
    }
    if (!onNotificationWillShow(data))
        return;
    if (!QVNotificationView::showNotificationWithRequest(request, data->notificationText(), window))
        request.startLoading();
}

void QVNotification::presentNotice(QVNotificationData* data, const std::function<void(platform::ui::Window*)>& show)
{
    if (!data)
        return;
    Ref<QVNotificationData> keep(data);
    const std::optional<bool> allowed = allowNotice(data);
    if (!allowed)
        return;
    if (!*allowed) {
        handleDisallowedNotification(data);
        return;
    }
    platform::ui::Window* window = getTopApplicationWindow();
    if (!window || !onNotificationWillShow(data))
        return;
    show(window);
}

void QVNotification::showAchievementNotice(QVUnlockedAchievementNotificationData* data)
{
    presentNotice(data, [data](platform::ui::Window* window) {
        QVAchievementNotificationView::showAchievementNotice(data, window);
    });
}

void QVNotification::showChallengeNotice(QVReceivedChallengeNotificationData* data)
{
    presentNotice(data, [data](platform::ui::Window* window) {
        QVChallengeNotificationView::showChallengeNotice(data, window);
    });
}

void QVNotification::showServerNotification(QVServerNotification* notification)
{
    if (!notification)
        return;
    Ref<QVServerNotification> keepNotification(notification);
    Ref<QVNotificationData> data = defaultNotice_
                                       ? QVNotificationData::dataWithText(notification->text(),
                                                                          defaultNotice_->notificationCategory(),
                                                                          defaultNotice_->notificationType())
                                       : QVNotificationData::dataWithText(notification->text(), 8, 0);
    data->setNotificationUserData(notification);
    const std::optional<bool> allowed = allowNotice(data.get());
    if (!allowed)
        return;
    if (!*allowed) {
        handleDisallowedNotification(data.get());
        return;
    }
    platform::ui::Window* window = getTopApplicationWindow();
    if (!window || !onNotificationWillShow(data.get()))
        return;
    QVServerNotificationView::showServerNotification(notification, window);
}

void QVNotification::setDefaultBackgroundNotice(QVNotificationData* data, const std::optional<std::string>& status)
{
    defaultNotice_ = Ref<QVNotificationData>(data);
    defaultStatus_ = status;
}

void QVNotification::showDefaultNotice()
{
    Ref<QVNotificationData> data = std::move(defaultNotice_);
    std::optional<std::string> status = std::move(defaultStatus_);
    clearDefaultNotice();
    if (data)
        showBackgroundNotice(data.get(), status);
}

void QVNotification::clearDefaultNotice()
{
    defaultNotice_ = nullptr;
    defaultStatus_.reset();
}

} // namespace quorvel
