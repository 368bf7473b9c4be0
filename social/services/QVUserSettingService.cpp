// The user-setting service's requests, its records, and the screen a
// settings entry opens, set up by the action the entry names.
#include "social/services/QVUserSettingService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVISerializer.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVScreensRole.h"

#include "platform/device/Device.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kIndex { "GET", "users/@me/settings.xml", 2, "Downloaded Settings" };
const QVServiceEndpoint kByKey { "GET", "users/@me/settings/%@.xml", 2, "Downloaded Settings" };
const QVServiceEndpoint kSet { "POST", "users/@me/settings.xml", 2, "Updated Setting" };
const QVServiceEndpoint kNewsletter { "GET", "client_applications/%@/news_letter_subscription.xml", 2,
                                      "Retrieving Data" };
const QVServiceEndpoint kSubscribe { "POST", "client_applications/%@/news_letter_subscription.xml", 2,
                                     "Subscribing" };
const QVServiceEndpoint kUnsubscribe { "DELETE", "client_applications/%@/news_letter_subscription.xml", 2,
                                       "Unsubscribing" };

std::string orThisGame(const std::string& gameId)
{
    return gameId.empty() ? QVSessionRole::current().clientApplicationId() : gameId;
}

Ref<QVRequestHandle> setSetting(const char* idName, const std::string& id, bool value, const QVDelegate& onSuccess,
                                const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    {
        QVISerializer::Scope scope(*params, "user_setting");
        std::string text = id;
        int flag = value ? 1 : 0;
        params->io(idName, text);
        params->io("value", flag);
    }
    return QVUserSettingService::service().send(kSet, {}, params.get(), onSuccess, onFailure);
}

} // namespace

// ---- the service

void QVUserSettingService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVUserSetting>("user_setting");
    map.addResource<QVUserSetting>("setting");
    map.addResource<QVUserSettingPushController>("user_setting_push_controller");
    map.addResource<QVNewsletterSubscription>(QVNewsletterSubscription::getResourceName());
}

Ref<QVRequestHandle> QVUserSettingService::getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    params->io("udid", udid);
    return send(kIndex, {}, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVUserSettingService::getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().getIndexOnSuccess(onSuccess, onFailure);
}

Ref<QVRequestHandle> QVUserSettingService::getUserSettingWithKey(const std::string& key, const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure)
{
    return service().send(kByKey, { key }, nullptr, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVUserSettingService::setUserSettingWithId(const std::string& settingId, bool value,
                                                                const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure)
{
    return setSetting("id", settingId, value, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVUserSettingService::setUserSettingWithKey(const std::string& key, bool value,
                                                                 const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure)
{
    return setSetting("key", key, value, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVUserSettingService::getSubscribingToDeveloperNewsLetter(const std::string& gameId,
                                                                               const QVDelegate& onSuccess,
                                                                               const QVDelegate& onFailure)
{
    return service().send(kNewsletter, { orThisGame(gameId) }, nullptr, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVUserSettingService::setSubscribeToDeveloperNewsLetter(bool subscribe, const std::string& gameId,
                                                                             const QVDelegate& onSuccess,
                                                                             const QVDelegate& onFailure)
{
    return service().send(subscribe ? kSubscribe : kUnsubscribe, { orThisGame(gameId) }, nullptr, onSuccess,
                          onFailure);
}

// ---- the records

void QVUserSetting::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVUserSetting> f(map);
    f.read<QVFieldText>("name", &QVUserSetting::name_);
    f.read<QVFieldText>("value", &QVUserSetting::value_);
    f.read<QVFieldText>("value_type", &QVUserSetting::valueType_);
    f.read<QVFieldText>("key", &QVUserSetting::key_);
}

void QVUserSettingPushController::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVUserSettingPushController> f(map);
    f.read<QVFieldText>("controller_name", &QVUserSettingPushController::controllerName_);
    f.read<QVFieldText>("setting_title", &QVUserSettingPushController::settingTitle_);
    f.read<QVFieldTextOrNil>("selector_to_call", &QVUserSettingPushController::selectorToCall_);
}

void QVNewsletterSubscription::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVNewsletterSubscription> f(map);
    f.nested("user", &QVNewsletterSubscription::user_);
    f.nested("developer", &QVNewsletterSubscription::developer_);
}

// ---- the push-controller entry

Ref<platform::ui::ViewController> QVUserSettingPushController::getController() const
{
    if (controllerName_.empty())
        return nullptr;
    Ref<platform::ui::ViewController> controller = QVScreensRole::current().loadScreen(controllerName_);
    if (!controller || !selectorToCall_)
        return controller;
    // A screen without actions of its own has none the server may name.
    if (auto* target = dynamic_cast<QVSettingActionTarget*>(controller.get()))
        target->performSettingAction(*selectorToCall_);
    return controller;
}

} // namespace quorvel
