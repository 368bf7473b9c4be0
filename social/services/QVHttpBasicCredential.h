// QVHttpBasicCredential: a player's e-mail-and-password login as the server
// reports it (<http_basic_credential>), read by the account screens and kept
// as a keyed archive.
#pragma once

#include "social/runtime/QVResource.h"

#include "platform/foundation/Value.h"

#include <string>

namespace quorvel {

class QVISerializer;

class QVHttpBasicCredential : public QVResource {
    QV_DECLARE_RESOURCE(QVHttpBasicCredential)
public:
    static platform::Ref<QVHttpBasicCredential> create() { return platform::adoptRef(new QVHttpBasicCredential); }

    static std::string getResourceName() { return "http_basic_credential"; }
    static void getDataMap(QVResourceDataMap& map);

    void encodeWithCoder(QVISerializer& coder) const;
    bool initWithCoder(QVISerializer& coder);
    platform::Bytes archivedData() const;
    // Null when the bytes are no archive of a credential.
    static platform::Ref<QVHttpBasicCredential> credentialWithArchivedData(const platform::Bytes& data);

    const std::string& userId() const { return userId_; }
    const std::string& email() const { return email_; }
    const std::string& cryptedPassword() const { return cryptedPassword_; }
    const std::string& salt() const { return salt_; }
    bool rememberToken() const { return rememberToken_; }
    const std::string& rememberTokenExpiresAt() const { return rememberTokenExpiresAt_; }
    const std::string& createdAt() const { return createdAt_; }
    const std::string& updatedAt() const { return updatedAt_; }
    bool verified() const { return verified_; }
    const std::string& lastLoginAt() const { return lastLoginAt_; }

    void setUserId(const std::string& text) { userId_ = text; }
    void setEmail(const std::string& text) { email_ = text; }
    void setCryptedPassword(const std::string& text) { cryptedPassword_ = text; }
    void setSalt(const std::string& text) { salt_ = text; }
    void setRememberTokenAsString(const std::string& text);
    void setVerifiedAsString(const std::string& text);
    void setRememberToken(bool value) { rememberToken_ = value; }
    void setVerified(bool value) { verified_ = value; }
    void setRememberTokenExpiresAt(const std::string& text) { rememberTokenExpiresAt_ = text; }
    void setCreatedAt(const std::string& text) { createdAt_ = text; }
    void setUpdatedAt(const std::string& text) { updatedAt_ = text; }
    void setLastLoginAt(const std::string& text) { lastLoginAt_ = text; }
    std::string getRememberTokenAsString() const;
    std::string getVerifiedAsString() const;

protected:
    QVHttpBasicCredential() = default;

private:
    std::string userId_;
    std::string email_;
    std::string cryptedPassword_;
    std::string salt_;
    bool rememberToken_ { false };
    std::string rememberTokenExpiresAt_;
    std::string createdAt_;
    std::string updatedAt_;
    bool verified_ { false };
    std::string lastLoginAt_;
};

} // namespace quorvel
