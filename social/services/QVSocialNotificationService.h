// Social-network posts: a short text, an optional picture and an optional
// link that the server publishes on the player's linked social-network
// accounts. Before anything is posted the service asks which credentials the
// player has linked, and posts only when one of them grants global
// permissions, asking the player first unless a choice was remembered.
//
// QVSocialNotificationApi is the public face: a custom link and a delegate
// told whether the post was made.
#pragma once

#include "social/runtime/QVService.h"
#include "social/runtime/QVServicePublicClass.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVUsersCredential;

class QVSocialNotification : public platform::Object {
public:
    using Text = std::optional<std::string>;
    static constexpr const char* kNotificationImages = "notification_images";

    static platform::Ref<QVSocialNotification> initWithText(std::string text);
    static platform::Ref<QVSocialNotification> initWithText(std::string text, std::string imageName);
    // An empty link is none.
    static platform::Ref<QVSocialNotification> initWithText(std::string text, std::string imageName,
                                                            const std::string& linkedUrl);
    // An empty link is none here too.
    static platform::Ref<QVSocialNotification> initWithText(std::string text, Text imageType, Text imageIdentifier,
                                                            Text linkedUrl);

    const std::string& text() const { return text_; }
    const Text& imageType() const { return imageType_; }
    const Text& imageIdentifier() const { return imageIdentifier_; }
    const Text& imageUrl() const { return imageUrl_; }
    const Text& url() const { return url_; }
    void setText(std::string t) { text_ = std::move(t); }
    void setImageType(Text t) { imageType_ = std::move(t); }
    void setImageIdentifier(Text t) { imageIdentifier_ = std::move(t); }
    void setImageUrl(Text t) { imageUrl_ = std::move(t); }
    void setUrl(Text t) { url_ = std::move(t); }

private:
    QVSocialNotification() = default;
    std::string text_;
    Text imageType_;
    Text imageIdentifier_;
    Text imageUrl_;
    Text url_;
};

// Implemented by the screen that asks the player's permission to post.
class QVSocialNotificationPrompt {
public:
    virtual ~QVSocialNotificationPrompt() = default;
    virtual void setSocialNotification(QVSocialNotification* notification,
                                       const std::vector<platform::Ref<QVUsersCredential>>& credentials) = 0;
};

class QVSocialNotificationService : public QVSharedService<QVSocialNotificationService> {
public:
    QVSocialNotificationService() = default;

    static platform::Ref<QVRequestHandle> sendWithText(const std::string& text);
    static platform::Ref<QVRequestHandle> sendWithText(const std::string& text, const std::string& imageName);
    static platform::Ref<QVRequestHandle> sendWithText(const std::string& text, const std::string& imageName,
                                                       const std::string& linkedUrl);
    // GET "client_applications/<this game>/notification_images/show.xml":
    // "image_name"; silent. The success value receives the QVImageUrl series.
    static void getImageUrlForNotificationImageNamed(const std::string& name, const QVDelegate& onSuccess,
                                                     const QVDelegate& onFailure);

    // "I unlocked <n> achievements in "<game>"!" with the game's icon.
    static platform::Ref<QVRequestHandle> sendWithAchievements(unsigned count);
    // "I unlocked "<title>" in "<game>"!" with the achievement's picture.
    static platform::Ref<QVRequestHandle> sendWithAchievement(const std::string& unlockedAchievementId,
                                                              const std::string& title, const std::string& iconUrl,
                                                              const std::string& linkedUrl = {});

    // The credential check (GET "users_credentials", linked only), then the
    // prompt or the post. The API's delegate hears of success only once the
    // post succeeded; of failure when the check or the post fails or nothing
    // can be posted.
    static platform::Ref<QVRequestHandle> sendWithSocialNotification(QVSocialNotification* notification);
    // POST "notifications.xml": "msg", "image_type", "image_name" (picture
    // named by the server) or "image_id", "url".
    static platform::Ref<QVRequestHandle> sendWithoutRequestingPermissionWithSocialNotification(
        QVSocialNotification* notification);


    static bool hasGlobalPermissionsOnLinkedCredentials(
        const std::vector<platform::Ref<QVUsersCredential>>& credentials);

    void populateKnownResources(QVResourceNameMap& map) override;

    // Callbacks of the credential check and of the post.
    void onCredentialsSuccess(platform::Object* series, platform::Object* notification);
    void onCredentialsFailure(platform::Object*);
    void notificationSent(platform::Object*);
    void notificationFailed(platform::Object*);
};

class QVSocialNotificationApiDelegate {
public:
    virtual ~QVSocialNotificationApiDelegate() = default;
    virtual void didSendSocialNotificaiton() { }
    virtual void didFailSendSocialNotification() { }
};

class QVSocialNotificationApi : public QVServicePublicClass<QVSocialNotificationApi, QVSocialNotificationApiDelegate> {
    friend class QVServicePublicClass<QVSocialNotificationApi, QVSocialNotificationApiDelegate>;
    QVSocialNotificationApi() = default;

public:
    static void setCustomUrl(std::optional<std::string> url);
    static const std::optional<std::string>& customUrl();
    // Posts with the custom link; the request is filed under this class.
    static platform::Ref<QVRequestHandle> sendWithText(const std::string& text, const std::string& imageName);
    static void sendSuccess();
    static void sendFailure();

private:
    std::optional<std::string> customUrl_;
};

} // namespace quorvel
