// QVUsersCredential: one way into a player's account (<users_credential>):
// e-mail and password ("http_basic"), Twitter ("twitter") or Facebook
// ("fbconnect"), with its profile picture and whether it is linked. Read only.
#pragma once

#include "social/runtime/QVResource.h"

#include <optional>
#include <string>

namespace quorvel {

class QVUsersCredential : public QVResource {
    QV_DECLARE_RESOURCE(QVUsersCredential)
public:
    static std::string getResourceName() { return "users_credential"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_users_credential_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    // "Twitter", "Facebook" or "Email & Password"; none for any other type.
    static std::optional<std::string> getDisplayNameForCredentialType(const std::string& type);

    const std::string& credentialType() const { return credentialType_; }
    const std::string& credentialProfilePictureUrl() const { return credentialProfilePictureUrl_; }
    const std::string& profilePictureUpdatedAt() const { return profilePictureUpdatedAt_; }
    bool hasGlobalPermissions() const { return hasGlobalPermissions_; }
    bool isLinked() const { return isLinked_; }
    bool isHttpBasic() const { return credentialType_ == "http_basic"; }
    bool isTwitter() const { return credentialType_ == "twitter"; }
    bool isFacebook() const { return credentialType_ == "fbconnect"; }

    void setCredentialType(const std::string& text) { credentialType_ = text; }
    void setCredentialProfilePictureUrl(const std::string& text) { credentialProfilePictureUrl_ = text; }
    void setProfilePictureUpdatedAt(const std::string& text) { profilePictureUpdatedAt_ = text; }
    void setHasGlobalPermissions(const std::string& text);
    void setIsLinked(const std::string& text);

protected:
    QVUsersCredential() = default;

private:
    std::string credentialType_;
    std::string credentialProfilePictureUrl_;
    std::string profilePictureUpdatedAt_;
    bool hasGlobalPermissions_ { false };
    bool isLinked_ { false };
};

} // namespace quorvel
