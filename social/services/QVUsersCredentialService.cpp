// The credentials service's requests.
#include "social/services/QVUsersCredentialService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/services/QVUsersCredential.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kLinkedIndex { "GET", "users_credentials", 0 };
const QVServiceEndpoint kFilteredIndex { "GET", "users_credentials", 2, "Downloaded" };
const QVServiceEndpoint kImportFriends { "GET", "users_credentials/import_friends", 0 };
const QVServiceEndpoint kPictureCredentials { "GET", "profile_picture", 0 };
const QVServiceEndpoint kSelectPicture { "POST", "profile_picture/select/%@", 0 };
const QVServiceEndpoint kRefreshPicture { "POST", "profile_picture/refresh", 0 };

} // namespace

void QVUsersCredentialService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVUsersCredential>("users_credential");
}

Ref<QVRequestHandle> QVUsersCredentialService::getIndexOnSuccess(const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure, bool linked)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("only_include_linked_credentials", linked ? 1 : 0);
    params->put("user_id", "me");
    return service().send(kLinkedIndex, {}, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVUsersCredentialService::getIndexOnSuccess(const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure, bool notLinked,
                                                                 bool friends)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("only_include_not_linked_credentials", notLinked ? 1 : 0);
    params->put("only_include_friends_credentials", friends ? 1 : 0);
    params->put("user_id", "me");
    return service().send(kFilteredIndex, {}, params.get(), onSuccess, onFailure);
}

void QVUsersCredentialService::importFriendsFromCredentialType(const std::string& credentialType,
                                                               const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    std::string type = credentialType;
    params->io("credential_name", type);
    params->put("user_id", "me");
    service().send(kImportFriends, {}, params.get(), onSuccess, onFailure);
}

void QVUsersCredentialService::getProfilePictureCredentialsForLocalUserOnSuccess(const QVDelegate& onSuccess,
                                                                                 const QVDelegate& onFailure)
{
    service().send(kPictureCredentials, {}, nullptr, onSuccess, onFailure);
}

void QVUsersCredentialService::selectProfilePictureSourceForLocalUser(const std::string& credentialType,
                                                                      const QVDelegate& onSuccess,
                                                                      const QVDelegate& onFailure)
{
    const std::string type = credentialType.empty() ? std::string("http_basic") : credentialType;
    service().send(kSelectPicture, { type }, nullptr, onSuccess, onFailure);
}

void QVUsersCredentialService::requestProfilePictureUpdateForLocalUserOnSuccess(const QVDelegate& onSuccess,
                                                                                const QVDelegate& onFailure)
{
    service().send(kRefreshPicture, {}, nullptr, onSuccess, onFailure);
}

void QVUsersCredentialService::uploadProfilePictureLocalUser(platform::Image* image, const QVDelegate& onSuccess,
                                                             const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    if (image) {
        std::optional<platform::Bytes> jpeg = image->jpegData(kUploadJpegQuality);
        if (!jpeg || jpeg->empty()) {
            onFailure.invoke(nullptr);
            return;
        }
        params->io("uploaded_profile_picture", jpeg);
    } else {
        std::string none;
        params->io("uploaded_profile_picture", none);
    }
    service().send(kSelectPicture, { "http_basic" }, params.get(), onSuccess, onFailure);
}

} // namespace quorvel
