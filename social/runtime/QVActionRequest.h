// QVActionRequest: one signed request dispatched by the provider. It decides
// how the request starts (login flow, notice view or silently) and what its
// answer's HTTP status means before the caller hears of it:
//   426 upgrade required, 430 extended credentials, 450 maintenance notice,
//   401 on a request needing a login "An unknown error has occurred. Please try again.",
//   401 on one signed with the game's key alone nothing more than the logged refusal,
//   other statuses from 400 (not 403, 406) "Please try your request again in a few moments.";
// these end in the failure callback (430 waits for its credentials flow).
// Only a success status (200 to 299) goes to the success callback, where the
// caller reads the body by the same rule (QVAnswer). The refusals 403 and 406
// and the other statuses below 400 end in the failure callback without a
// screen (the forms show the refusals' reasons from the body). When error
// screens are not allowed the other statuses from 400 show nothing and still
// end in the failure callback.
//
// Every request ends in exactly one callback: success, failure, or failure on
// abandonment; cancel() ends it with none.
#pragma once

#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVDelegate.h"

#include <cstdint>

namespace quorvel {

class QVProvider;

class QVActionRequest : public platform::Object, public QVCallbackable {
public:
    static platform::Ref<QVActionRequest> requestWithLoader(QVProvider* provider,
                                                            platform::Ref<OAuthAPIRequestLoader> loader,
                                                            const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                            int requestType, platform::Object* notice,
                                                            bool requiresAuthentication);

    // Starts the request the way its type and the client's state ask for.
    void dispatch();
    // Loads now, silently (the notice view calls this for types 1 and 2).
    void startLoading();
    // Never sends or retries the request; a request not yet ended reports failure once.
    void abandonInLightOfASeriousError();
    // Stops the request without any callback.
    void cancel();
    // The previous answer was 401.
    bool failedNotAuthorized() const { return lastStatus_ == 401; }

    OAuthAPIRequestLoader* loader() const { return loader_.get(); }
    int requestType() const { return requestType_; }
    platform::Object* notice() const { return notice_.get(); }
    bool requiresAuthentication() const { return requiresAuthentication_; }
    bool hasEnded() const { return ended_; }
    int lastStatus() const { return lastStatus_; }

    bool canReceiveCallbacksNow() override { return true; }

    static constexpr const char* kUnknownErrorMessage = "An unknown error has occurred. Please try again.";
    static constexpr const char* kTryAgainMessage = "Please try your request again in a few moments.";

private:
    QVActionRequest() = default;
    void loaderSucceeded(platform::Object* loader);
    void loaderFailed(platform::Object* loader);
    void end(bool success);

    platform::Ref<QVProvider> provider_;
    platform::Ref<OAuthAPIRequestLoader> loader_;
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
    int requestType_ { 0 };
    platform::Ref<platform::Object> notice_;
    bool requiresAuthentication_ { false };
    uint64_t logoutsAtStart_ { 0 }; // the provider's logout count when the request was made
    bool ended_ { false };
    int lastStatus_ { 0 };
};

} // namespace quorvel
