// The credential record and the display names of credential types.
#include "social/services/QVUsersCredential.h"

#include "social/runtime/QVResourceFields.h"
#include "social/services/QVUsersCredentialService.h"

#include <utility>

namespace quorvel {

namespace {
const std::pair<const char*, const char*> kDisplayNames[] = {
    { "twitter", "Twitter" },
    { "fbconnect", "Facebook" },
    { "http_basic", "Email & Password" },
};
} // namespace

void QVUsersCredential::getDataMap(QVResourceDataMap& map)
{
    using C = QVUsersCredential;
    QVResourceFields<C> f(map);
    f.read<QVFieldText>("credential_type", &C::credentialType_);
    f.read<QVFieldText>("profile_picture_url", &C::credentialProfilePictureUrl_);
    f.read<QVFieldText>("profile_picture_updated_at", &C::profilePictureUpdatedAt_);
    f.read<QVFieldExactTrue>("has_global_permissions", &C::hasGlobalPermissions_);
    f.read<QVFieldBool>("is_linked", &C::isLinked_);
}

QVService* QVUsersCredential::getService() { return QVUsersCredentialService::sharedService(); }

std::optional<std::string> QVUsersCredential::getDisplayNameForCredentialType(const std::string& type)
{
    for (const auto& [key, name] : kDisplayNames) {
        if (type == key)
            return std::string(name);
    }
    return std::nullopt;
}

void QVUsersCredential::setHasGlobalPermissions(const std::string& text)
{
    hasGlobalPermissions_ = QVFieldExactTrue::read(text);
}

void QVUsersCredential::setIsLinked(const std::string& text) { isLinked_ = QVFieldBool::read(text); }

} // namespace quorvel
