// The social-network post: the credential check, the permission choice, the
// post itself, and the public API's delegate.
#include "social/services/QVSocialNotificationService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVScreensRole.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVImageUrl.h"
#include "social/services/QVUsersCredential.h"
#include "social/services/QVUsersCredentialService.h"

#include "platform/foundation/Format.h"

#include <utility>

namespace quorvel {

using platform::Ref;
using Credentials = std::vector<Ref<QVUsersCredential>>;

namespace {

const QVServiceEndpoint kImageUrl { "GET", "client_applications/%@/notification_images/show.xml", 0 };
const QVServiceEndpoint kPost { "POST", "notifications.xml", 1, nullptr };


QVSocialNotification::Text nonEmpty(const std::string& link)
{
    return link.empty() ? QVSocialNotification::Text() : QVSocialNotification::Text(link);
}

// After a request that was not sent: whether the game still has to hear of
// it. Without a provider the failure value has already told it; a request the
// provider drops (not approved, or disabled) answers neither value.
bool droppedUnheard() { return QVSessionRole::current().provider() != nullptr; }

// The credentials of the answer's first section; none when it has no section.
Credentials credentialsOf(platform::Object* answer)
{
    Credentials out;
    auto* series = dynamic_cast<QVPaginatedSeries*>(answer);
    auto* section = series ? dynamic_cast<QVTableSectionDescription*>(series->objectAtIndex(0)) : nullptr;
    if (!section || !section->page())
        return out;
    for (const auto& object : *section->page())
        if (auto* credential = dynamic_cast<QVUsersCredential*>(object.get()))
            out.emplace_back(credential);
    return out;
}

} // namespace

// ---- the notification

Ref<QVSocialNotification> QVSocialNotification::initWithText(std::string text)
{
    return initWithText(std::move(text), std::nullopt, std::nullopt, std::nullopt);
}

Ref<QVSocialNotification> QVSocialNotification::initWithText(std::string text, std::string imageName)
{
    return initWithText(std::move(text), std::string(kNotificationImages), std::move(imageName), std::nullopt);
}

Ref<QVSocialNotification> QVSocialNotification::initWithText(std::string text, std::string imageName,
                                                             const std::string& linkedUrl)
{
    return initWithText(std::move(text), std::string(kNotificationImages), std::move(imageName), nonEmpty(linkedUrl));
}

Ref<QVSocialNotification> QVSocialNotification::initWithText(std::string text, Text imageType, Text imageIdentifier,
                                                             Text linkedUrl)
{
    Ref<QVSocialNotification> n = platform::adoptRef(new QVSocialNotification);
    n->text_ = std::move(text);
    n->imageType_ = std::move(imageType);
    n->imageIdentifier_ = std::move(imageIdentifier);
    n->url_ = linkedUrl ? nonEmpty(*linkedUrl) : std::nullopt;
    return n;
}

// ---- the service


void QVSocialNotificationService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVImageUrl>("image_url");
}

Ref<QVRequestHandle> QVSocialNotificationService::sendWithText(const std::string& text)
{
    return sendWithSocialNotification(QVSocialNotification::initWithText(text).get());
}

Ref<QVRequestHandle> QVSocialNotificationService::sendWithText(const std::string& text, const std::string& imageName)
{
    return sendWithSocialNotification(QVSocialNotification::initWithText(text, imageName).get());
}

Ref<QVRequestHandle> QVSocialNotificationService::sendWithText(const std::string& text, const std::string& imageName,
                                                               const std::string& linkedUrl)
{
    return sendWithSocialNotification(QVSocialNotification::initWithText(text, imageName, linkedUrl).get());
}

void QVSocialNotificationService::getImageUrlForNotificationImageNamed(const std::string& name,
                                                                       const QVDelegate& onSuccess,
                                                                       const QVDelegate& onFailure)
{
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string imageName = name;
    params->io("image_name", imageName);
    service().send(kImageUrl, { QVSessionRole::current().clientApplicationId() }, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVSocialNotificationService::sendWithAchievements(unsigned count)
{
    std::string game = QVSessionRole::current().applicationShortDisplayName();
    std::string text = platform::format("I unlocked %u achievements in \"%s\"!", count, game.c_str());
    return sendWithSocialNotification(
        QVSocialNotification::initWithText(text, std::string("achievement_definitions"), std::string("game_icon"),
                                           std::nullopt)
            .get());
}

Ref<QVRequestHandle> QVSocialNotificationService::sendWithAchievement(const std::string& unlockedAchievementId,
                                                                      const std::string& title,
                                                                      const std::string& iconUrl,
                                                                      const std::string& linkedUrl)
{
    std::string game = QVSessionRole::current().applicationShortDisplayName();
    std::string text = platform::format("I unlocked \"%s\" in \"%s\"!", title.c_str(), game.c_str());
    auto n = QVSocialNotification::initWithText(text, std::string("achievement_definitions"), unlockedAchievementId,
                                                nonEmpty(linkedUrl));
    n->setImageUrl(iconUrl);
    return sendWithSocialNotification(n.get());
}

Ref<QVRequestHandle> QVSocialNotificationService::sendWithSocialNotification(QVSocialNotification* notification)
{
    QVSocialNotificationService& s = service();
    if (!notification) {
        QVSocialNotificationApi::sendFailure();
        return nullptr;
    }
    Ref<QVRequestHandle> check = QVUsersCredentialService::getIndexOnSuccess(
        QVDelegate(&s, BRISKO_SELECTOR(QVSocialNotificationService, onCredentialsSuccess), notification),
        QVDelegate(&s, BRISKO_SELECTOR(QVSocialNotificationService, onCredentialsFailure)), true);
    if (!check && droppedUnheard())
        QVSocialNotificationApi::sendFailure();
    return check;
}

bool QVSocialNotificationService::hasGlobalPermissionsOnLinkedCredentials(const Credentials& credentials)
{
    for (const auto& credential : credentials)
        if (!credential->isHttpBasic() && credential->hasGlobalPermissions())
            return true;
    return false;
}

void QVSocialNotificationService::onCredentialsSuccess(platform::Object* series, platform::Object* userParam)
{
    Ref<QVSocialNotification> notification(dynamic_cast<QVSocialNotification*>(userParam));
    Credentials credentials = credentialsOf(series);
    if (!notification || !hasGlobalPermissionsOnLinkedCredentials(credentials)) {
        QVSocialNotificationApi::sendFailure();
        return;
    }
    QVSessionRole& session = QVSessionRole::current();
    if (!session.userHasRememberedChoiceForNotifications()) {
        // The prompt's screen posts (or not) once the player has chosen.
        if (!QVScreensRole::current().requestNotificationPermission(notification.get(), credentials))
            QVSocialNotificationApi::sendFailure();
        return;
    }
    if (session.userAllowsNotifications())
        sendWithoutRequestingPermissionWithSocialNotification(notification.get());
    else
        QVSocialNotificationApi::sendFailure();
}

void QVSocialNotificationService::onCredentialsFailure(platform::Object*) { QVSocialNotificationApi::sendFailure(); }

Ref<QVRequestHandle> QVSocialNotificationService::sendWithoutRequestingPermissionWithSocialNotification(
    QVSocialNotification* notification)
{
    QVSocialNotificationService& s = service();
    if (!notification) {
        QVSocialNotificationApi::sendFailure();
        return nullptr;
    }
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::optional<std::string> msg = notification->text();
    std::optional<std::string> imageType = notification->imageType();
    std::optional<std::string> imageIdentifier = notification->imageIdentifier();
    std::optional<std::string> url = notification->url();
    params->io("msg", msg);
    params->io("image_type", imageType);
    params->io(imageType == QVSocialNotification::kNotificationImages ? "image_name" : "image_id", imageIdentifier);
    params->io("url", url);
    std::string noticeText = platform::format("Published Game Event: %s", msg->c_str());
    Ref<platform::Object> notice = QVRequestUIRole::current().publishedEventNotice(noticeText, notification);
    Ref<QVRequestHandle> post =
        s.send(kPost, {}, params.get(), QVDelegate(&s, BRISKO_SELECTOR(QVSocialNotificationService, notificationSent)),
               QVDelegate(&s, BRISKO_SELECTOR(QVSocialNotificationService, notificationFailed)), notice.get());
    if (!post) {
        if (droppedUnheard())
            QVSocialNotificationApi::sendFailure();
        return nullptr;
    }
    return QVSocialNotificationApi::file(post);
}

void QVSocialNotificationService::notificationSent(platform::Object*) { QVSocialNotificationApi::sendSuccess(); }

void QVSocialNotificationService::notificationFailed(platform::Object*) { QVSocialNotificationApi::sendFailure(); }

// ---- the public API

void QVSocialNotificationApi::setCustomUrl(std::optional<std::string> url) { classObject().customUrl_ = std::move(url); }

const std::optional<std::string>& QVSocialNotificationApi::customUrl() { return classObject().customUrl_; }

Ref<QVRequestHandle> QVSocialNotificationApi::sendWithText(const std::string& text, const std::string& imageName)
{
    return file(QVSocialNotificationService::sendWithText(text, imageName, customUrl().value_or(std::string())));
}

void QVSocialNotificationApi::sendSuccess()
{
    notify([](QVSocialNotificationApiDelegate& d) { d.didSendSocialNotificaiton(); });
}

void QVSocialNotificationApi::sendFailure()
{
    notify([](QVSocialNotificationApiDelegate& d) { d.didFailSendSocialNotification(); });
}

} // namespace quorvel
