// The device-token report.
#include "social/services/QVPushNotificationService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVSettings.h"

#include "platform/device/Device.h"

#include <utility>

namespace quorvel {

namespace {

const QVServiceEndpoint kDeviceToken { "POST", "push_notification_device_tokens.xml", 0 };

std::string& environmentOverride()
{
    static std::string value; // empty: the internal setting decides
    return value;
}

} // namespace

std::string QVPushNotificationService::apnsEnvironment()
{
    if (!environmentOverride().empty())
        return environmentOverride();
    if (QVSettings* settings = QVSettings::Instance()) {
        std::string value = settings->objectForKey(kApnsEnvironmentSetting).value_or("");
        if (!value.empty())
            return value;
    }
    return "sandbox";
}

void QVPushNotificationService::setApnsEnvironment(std::string value) { environmentOverride() = std::move(value); }

std::string QVPushNotificationService::tokenText(const platform::Bytes& token)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < token.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            text += "%20";
        text += digits[token[i] >> 4];
        text += digits[token[i] & 0xf];
    }
    return text;
}

void QVPushNotificationService::setDeviceToken(const std::optional<platform::Bytes>& token,
                                               const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (!token) {
        onFailure.invoke(nullptr);
        return;
    }
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string env = apnsEnvironment();
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    std::string text = tokenText(*token);
    params->io("apns_environment", env);
    params->io("udid", udid);
    params->io("device_token", text);
    service().send(kDeviceToken, {}, params.get(), onSuccess, onFailure);
}

} // namespace quorvel
