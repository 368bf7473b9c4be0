// QVProvider: the sender of signed requests, owned by the central class. It
// builds a signed loader for a path under the "server-url" setting, wraps it
// in a QVActionRequest and dispatches it on the main loop; it holds the access
// token (kept in the keychain file, never in the user defaults or the log) and
// runs the bootstrap.
//
// Requests are dropped — nil handle, no callback — while the player has not
// approved the client or the client is disabled. A dropped bootstrap still
// reports failure, so its caller is never left waiting, and so does a request
// made before a logout and dispatched after it.
#pragma once

#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVRequestHandle.h"
#include "platform/foundation/Object.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvel {

class QVActionRequest;
class QVHttpNestedQueryStringWriter;

class QVProvider : public platform::Object, public QVCallbackable {
public:
    static platform::Ref<QVProvider> providerWithProductKey(const std::string& key, const std::string& secret);

    // `signedByPlayer` false: signed with the game's key and secret alone,
    // without the player's access token (a login to an account names its
    // player by its credentials, never by the token of the player it replaces).
    platform::Ref<QVRequestHandle> performAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                                 const std::string& httpMethod, const QVDelegate& onSuccess,
                                                 const QVDelegate& onFailure, int requestType,
                                                 platform::Object* notice, bool requiringAuthentication,
                                                 bool signedByPlayer = true);
    // The signed loader of an action, not dispatched; its callbacks pass through loaderFinished.
    platform::Ref<OAuthAPIRequestLoader> getRequestForAction(const std::string& path,
                                                             const OAuthURLRequest::Parameters& parameters,
                                                             const std::string& httpMethod,
                                                             const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                             int requestType, platform::Object* notice,
                                                             bool requiringAuthentication);
    // Runs the bootstrap; exactly one of the two values is invoked.
    void loginAndBootstrapWithDeviceToken(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount,
                                          const std::optional<std::string>& userId, const QVDelegate& onSuccess,
                                          const QVDelegate& onFailure);

    void destroyAllPendingRequests();
    bool isAuthenticated() const { return !accessToken_.empty(); }
    bool holdsAccessToken(const std::string& token) const { return !token.empty() && token == accessToken_; }
    void setAccessToken(const std::string& token, const std::string& secret);
    // Removes the stored tokens, logs the Facebook session out, disconnects presence, tells the add-ons.
    void destroyLocalCredentials();

    // A new unsigned-transfer service on the "server-url" address, without cookies.
    static platform::Ref<QVHttpService> createHttpService();

    const std::string& serverUrl() const { return serverUrl_; }
    void setServerUrl(std::string url) { serverUrl_ = std::move(url); }
    const std::string& productKey() const { return key_; }
    // The presence channel logs in with the access token.
    const std::string& accessTokenForPresence() const { return accessToken_; }
    size_t pendingRequestCount() const { return pending_.size(); }
    // The service took a request signed with the game's key and secret in this
    // run: a later 401 on a login is the account's refusal, not the key's.
    bool productKeyAccepted() const { return productKeyAccepted_; }
    void noteProductKeyAccepted() { productKeyAccepted_ = true; }

    bool canReceiveCallbacksNow() override { return true; }

    // Bookkeeping of QVActionRequest.
    void requestStarted(QVActionRequest* request);
    void requestEnded(QVActionRequest* request);
    // The player logged out: a request made before shows no screen when its answer comes after.
    void noteLogout() { ++logouts_; }
    uint64_t logoutCount() const { return logouts_; }

    static constexpr const char* kKeychainService = "quorvel";
    static constexpr const char* kTokenAccount = "access_token";
    static constexpr const char* kTokenSecretAccount = "access_token_secret";

    // Requests are dropped: the player has not approved the client (or logged
    // out) or the client is disabled.
    bool isDropping() const;

private:
    QVProvider() = default;
    platform::Ref<OAuthAPIRequestLoader> makeLoader(const std::string& path,
                                                    const OAuthURLRequest::Parameters& parameters,
                                                    const std::string& httpMethod, bool signedByPlayer = true);
    void loaderFinished(platform::Object* loader, platform::Object* nextCall);

    std::string key_;
    std::string secret_;
    std::string accessToken_;
    std::string accessTokenSecret_;
    std::string serverUrl_;
    bool productKeyAccepted_ { false };
    uint64_t logouts_ { 0 };
    std::vector<platform::Ref<QVActionRequest>> pending_;
};

} // namespace quorvel
