// QVUserSettingService: the player's account settings kept on the server —
// the settings list of the settings screen (switches and entries that open a
// further screen), one setting by key, switching a setting on or off — and the
// player's subscription to the game developer's newsletter. Every operation is
// a class method ending with a success and a failure value; the success value
// receives the answer series.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"
#include "social/services/QVUser.h"

#include "platform/ui/ViewController.h"

#include <optional>
#include <string>

namespace quorvel {

class QVUserSettingService : public QVSharedService<QVUserSettingService> {
public:
    QVUserSettingService() = default;

    // GET "users/@me/settings.xml" with "udid".
    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    static platform::Ref<QVRequestHandle> getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "users/@me/settings/<key>.xml".
    static platform::Ref<QVRequestHandle> getUserSettingWithKey(const std::string& key, const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure);
    // POST "users/@me/settings.xml": "user_setting[id]" and "user_setting[value]" (0 or 1).
    static platform::Ref<QVRequestHandle> setUserSettingWithId(const std::string& settingId, bool value,
                                                               const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure);
    // The same with "user_setting[key]".
    static platform::Ref<QVRequestHandle> setUserSettingWithKey(const std::string& key, bool value,
                                                                const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure);
    // GET "client_applications/<game id>/news_letter_subscription.xml"; an
    // empty id means this game.
    static platform::Ref<QVRequestHandle> getSubscribingToDeveloperNewsLetter(const std::string& gameId,
                                                                              const QVDelegate& onSuccess,
                                                                              const QVDelegate& onFailure);
    // POST (subscribe) or DELETE (unsubscribe) on the same path.
    static platform::Ref<QVRequestHandle> setSubscribeToDeveloperNewsLetter(bool subscribe, const std::string& gameId,
                                                                            const QVDelegate& onSuccess,
                                                                            const QVDelegate& onFailure);

    void populateKnownResources(QVResourceNameMap& map) override;
};

// One switchable setting (<user_setting>, also <setting>).
class QVUserSetting : public QVResource {
    QV_DECLARE_RESOURCE(QVUserSetting)
public:
    static std::string getResourceName() { return "user_setting"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_user_setting_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVUserSettingService::sharedService(); }

    const std::string& name() const { return name_; }
    const std::string& value() const { return value_; }
    const std::string& valueType() const { return valueType_; }
    const std::string& key() const { return key_; }
    void setName(const std::string& text) { name_ = text; }
    void setValue(const std::string& text) { value_ = text; }
    void setValueType(const std::string& text) { valueType_ = text; }
    void setKey(const std::string& text) { key_ = text; }

protected:
    QVUserSetting() = default;

private:
    std::string name_;
    std::string value_;
    std::string valueType_;
    std::string key_;
};

// A screen a settings entry may set up after opening it: it runs the set-up
// the entry names when that is one of its own, and answers whether it was.
class QVSettingActionTarget {
public:
    virtual ~QVSettingActionTarget() = default;
    virtual bool performSettingAction(const std::string& actionName) = 0;
};

// A settings entry that opens a further screen. The server names the screen
// and, optionally, an action to run on it. Only the actions the opened screen
// offers itself (QVSettingActionTarget) can run: a name the server sends is
// matched by the screen, never called directly.
class QVUserSettingPushController : public QVResource {
    QV_DECLARE_RESOURCE(QVUserSettingPushController)
public:
    static std::string getResourceName() { return "user_setting_push_controller"; }
    static void getDataMap(QVResourceDataMap& map);

    const std::string& controllerName() const { return controllerName_; }
    const std::string& settingTitle() const { return settingTitle_; }
    const std::optional<std::string>& selectorToCall() const { return selectorToCall_; }
    void setControllerName(const std::string& text) { controllerName_ = text; }
    void setSettingTitle(const std::string& text) { settingTitle_ = text; }
    void setSelectorToCall(const std::string& text) { selectorToCall_ = QVFieldTextOrNil::read(text); }

    // The screen named by controllerName, loaded without delegate, after the
    // screen ran its action named selectorToCall (when there is one and the
    // screen has it; any other name is ignored). Null when no screen of that
    // name loads.
    platform::Ref<platform::ui::ViewController> getController() const;

protected:
    QVUserSettingPushController() = default;

private:
    std::string controllerName_;
    std::string settingTitle_;
    std::optional<std::string> selectorToCall_;
};

// The player's subscription to a developer's newsletter.
class QVNewsletterSubscription : public QVResource {
    QV_DECLARE_RESOURCE(QVNewsletterSubscription)
public:
    static std::string getResourceName() { return "news_letter_subscription"; }
    static std::string getResourceDiscoveredNotification() { return "news_letter_subscription_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVUserSettingService::sharedService(); }

    QVUser* user() const { return user_.get(); }
    QVUser* developer() const { return developer_.get(); }

protected:
    QVNewsletterSubscription() = default;

private:
    platform::Ref<QVUser> user_;
    platform::Ref<QVUser> developer_;
};

} // namespace quorvel
