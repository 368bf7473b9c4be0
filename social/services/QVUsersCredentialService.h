// QVUsersCredentialService: the local user's credentials (filtered by the
// server's linked, not-linked and friends flags), importing friends from a
// social network, and the profile picture — chosen from a credential, refreshed,
// or uploaded as a JPEG. Every operation is a class method ending with a
// success and a failure value; the success value receives the answer series.
#pragma once

#include "social/runtime/QVService.h"

#include "platform/graphics/Image.h"

#include <string>

namespace quorvel {

class QVUsersCredentialService : public QVSharedService<QVUsersCredentialService> {
public:
    QVUsersCredentialService() = default;
    using QVService::getIndexOnSuccess;

    // GET "users_credentials": "only_include_linked_credentials", "user_id" = "me"; silent.
    static platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                            bool onlyIncludeLinkedCredentials);
    // GET "users_credentials": "only_include_not_linked_credentials",
    // "only_include_friends_credentials", "user_id" = "me"; notice "Downloaded".
    static platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                            bool onlyIncludeNotLinkedCredentials,
                                                            bool onlyIncludeFriendsCredentials);
    // GET "users_credentials/import_friends": "credential_name", "user_id" = "me".
    static void importFriendsFromCredentialType(const std::string& credentialType, const QVDelegate& onSuccess,
                                                const QVDelegate& onFailure);
    // GET "profile_picture".
    static void getProfilePictureCredentialsForLocalUserOnSuccess(const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure);
    // POST "profile_picture/select/<type>" ("http_basic" for an empty type).
    static void selectProfilePictureSourceForLocalUser(const std::string& credentialType, const QVDelegate& onSuccess,
                                                       const QVDelegate& onFailure);
    // POST "profile_picture/refresh".
    static void requestProfilePictureUpdateForLocalUserOnSuccess(const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure);
    // POST "profile_picture/select/http_basic" with "uploaded_profile_picture":
    // the image as JPEG (quality 0.7) in a multipart body, or "" without image.
    // An image that cannot be encoded sends nothing and fails at once.
    static void uploadProfilePictureLocalUser(platform::Image* image, const QVDelegate& onSuccess,
                                              const QVDelegate& onFailure);

    void populateKnownResources(QVResourceNameMap& map) override;

    static constexpr float kUploadJpegQuality = 0.7f;
};

} // namespace quorvel
