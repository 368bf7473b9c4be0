// The e-mail credential record: its field table and its archive.
#include "social/services/QVHttpBasicCredential.h"

#include "social/runtime/QVBinaryKeyedArchive.h"
#include "social/runtime/QVResourceFields.h"

namespace quorvel {

using platform::Ref;

namespace {
constexpr const char* kArchiveClass = "QVHttpBasicCredential";
} // namespace

void QVHttpBasicCredential::getDataMap(QVResourceDataMap& map)
{
    using C = QVHttpBasicCredential;
    QVResourceFields<C> f(map);
    f.field<QVFieldText>("user_id", &C::userId_);
    f.field<QVFieldText>("email", &C::email_);
    f.field<QVFieldText>("crypted_password", &C::cryptedPassword_);
    f.field<QVFieldText>("salt", &C::salt_);
    f.field<QVFieldBool>("remember_token", &C::rememberToken_);
    f.field<QVFieldBool>("verified", &C::verified_);
    f.field<QVFieldText>("remember_token_expires_at", &C::rememberTokenExpiresAt_);
    f.field<QVFieldText>("created_at", &C::createdAt_);
    f.field<QVFieldText>("updated_at", &C::updatedAt_);
    f.field<QVFieldText>("last_login_at", &C::lastLoginAt_);
}

void QVHttpBasicCredential::setRememberTokenAsString(const std::string& text) { rememberToken_ = QVFieldBool::read(text); }
void QVHttpBasicCredential::setVerifiedAsString(const std::string& text) { verified_ = QVFieldBool::read(text); }
std::string QVHttpBasicCredential::getRememberTokenAsString() const { return QVFieldBool::write(rememberToken_); }
std::string QVHttpBasicCredential::getVerifiedAsString() const { return QVFieldBool::write(verified_); }

void QVHttpBasicCredential::encodeWithCoder(QVISerializer& coder) const
{
    // The serialiser takes references: write from copies.
    std::string id = resourceId(), userId = userId_, email = email_, password = cryptedPassword_, salt = salt_;
    std::string expires = rememberTokenExpiresAt_, created = createdAt_, updated = updatedAt_, login = lastLoginAt_;
    bool remember = rememberToken_, verified = verified_;
    coder.io("resourceId", id);
    coder.io("userId", userId);
    coder.io("email", email);
    coder.io("cryptedPassword", password);
    coder.io("salt", salt);
    coder.io("rememberToken", remember);
    coder.io("verified", verified);
    coder.io("rememberTokenExpiresAt", expires);
    coder.io("createdAt", created);
    coder.io("updatedAt", updated);
    coder.io("lastLoginAt", login);
}

bool QVHttpBasicCredential::initWithCoder(QVISerializer& coder)
{
    std::string id;
    coder.io("resourceId", id);
    initWithId(id);
    coder.io("userId", userId_);
    coder.io("email", email_);
    coder.io("cryptedPassword", cryptedPassword_);
    coder.io("salt", salt_);
    coder.io("rememberToken", rememberToken_);
    coder.io("verified", verified_);
    coder.io("rememberTokenExpiresAt", rememberTokenExpiresAt_);
    coder.io("createdAt", createdAt_);
    coder.io("updatedAt", updatedAt_);
    coder.io("lastLoginAt", lastLoginAt_);
    return true;
}

platform::Bytes QVHttpBasicCredential::archivedData() const
{
    Ref<QVBinaryKeyedWriter> writer = platform::adoptRef(new QVBinaryKeyedWriter(kArchiveClass));
    encodeWithCoder(*writer);
    return writer->data();
}

Ref<QVHttpBasicCredential> QVHttpBasicCredential::credentialWithArchivedData(const platform::Bytes& data)
{
    Ref<QVBinaryKeyedReader> reader = QVBinaryKeyedReader::readerWithData(data, kArchiveClass);
    if (!reader)
        return nullptr;
    auto c = create();
    c->initWithCoder(*reader);
    return c;
}

} // namespace quorvel
