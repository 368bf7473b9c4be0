// QVPushNotificationService: reports the device token the platform gave for
// remote notifications to the server, so that it can push to this device.
#pragma once

#include "social/runtime/QVService.h"

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace quorvel {

class QVPushNotificationService : public QVSharedService<QVPushNotificationService> {
public:
    QVPushNotificationService() = default;

    // POST "push_notification_device_tokens.xml", silently: "apns_environment",
    // "udid", "device_token" (tokenText). No token: the failure value at once
    // with null, no request.
    static void setDeviceToken(const std::optional<platform::Bytes>& token, const QVDelegate& onSuccess,
                               const QVDelegate& onFailure);

    // The token as the server expects it: lower-case hex in groups of four
    // bytes joined by "%20".
    static std::string tokenText(const platform::Bytes& token);

    // The push environment the token belongs to: the one set here, else the
    // internal setting "apns-environment", else "sandbox".
    static std::string apnsEnvironment();
    // An empty text hands the choice back to the setting.
    static void setApnsEnvironment(std::string environment);

    static constexpr const char* kApnsEnvironmentSetting = "apns-environment";
};

} // namespace quorvel
