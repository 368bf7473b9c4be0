// The Facebook and Twitter account forms: log in with, or link to the account
// logged in, a Facebook account (through the Facebook client's session and
// login dialog, then the session sent to the service) or a Twitter account
// (name and password typed into the form); and the extended-credential
// overlays that get what a refused post lacks (the Facebook "publish_stream"
// permission, the Twitter password again), store it and send the waiting
// request again — or, when closed, end that request through its failure.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Switch.h"
#include "social/runtime/QVActionRequest.h"
#include "social/clients/FBSession.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/ui/QVFBDialog.h"
#include "social/ui/QVImageView.h"
#include "social/ui/account/QVAccountSetupBaseController.h"

#include <cstdint>

namespace quorvel {

class QVActionRequest;

class QVFacebookAccountController : public QVAccountSetupBaseController,
                                    public FBSessionDelegate,
                                    public FBDialogDelegate,
                                    public FBRequestDelegate,
                                    public platform::ui::AlertViewDelegate {
public:
    static constexpr const char* kStatusFailureImage = "QuorvelStatusIconNotificationFailure.png";
    static constexpr const char* kStatusSuccessImage = "QuorvelStatusIconNotificationSuccess.png";

    void promptToLogin();
    void closeLoginDialog();
    void logoutFromFacebook();
    virtual void displayError(const std::string& message);

    uint64_t fbuid() const { return fbuid_; }
    FBSession* fbSession() const { return fbSession_.get(); }
    QVFBDialog* loginDialog() const { return loginDialog_.get(); }
    bool skipLoginOnAppear() const { return skipLoginOnAppear_; }
    void setSkipLoginOnAppear(bool skip) { skipLoginOnAppear_ = skip; }
    platform::ui::ImageView* statusImageView() { view(); return fbLoggedInStatusImageView_.get(); }

    void sessionDidLogin(FBSession* session, uint64_t uid) override;
    void dialogDidCancel(FBDialog* dialog) override;
    void dialogDidFailWithError(FBDialog* dialog, const FBError& error) override;
    // Asks the player first; the dialog never opens the link itself.
    bool dialogShouldOpenURLInExternalBrowser(FBDialog* dialog, const std::string& url) override;
    void requestDidFailWithError(FBRequest* request, const FBError& error) override;
    void requestWasCancelled(FBRequest* request) override;
    // The open-link question: index 1 opens urlToLaunch.
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alert, int index) override;
    const std::string& urlToLaunch() const { return urlToLaunch_; }

    bool shouldUseOAuth() override { return addingAdditionalCredential(); }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    void onPresentingErrorDialog() override { promptToLogin(); }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    QVFacebookAccountController() = default;
    ~QVFacebookAccountController() override;
    void setStatusImage(const char* name);
    platform::Ref<platform::ui::ImageView> fbLoggedInStatusImageView_;

private:
    uint64_t fbuid_ { 0 };
    platform::Ref<FBSession> fbSession_;
    platform::Ref<QVFBDialog> loginDialog_;
    std::string urlToLaunch_;
    platform::Ref<platform::ui::AlertView> openLinkAlert_;
    bool skipLoginOnAppear_ { false };
};

class QVFacebookAccountLoginController : public QVFacebookAccountController {
    QV_DECLARE_CLASS(QVFacebookAccountLoginController)
public:
    std::string getFormSubmissionUrl() override;
    std::string singularResourceName() override;
    std::string getLoadingScreenText() override;
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    platform::Ref<platform::ui::ViewController> controllerToPushOnCompletion() override;
    platform::ui::Switch* streamIntegrationSwitch() { view(); return streamIntegrationSwitch_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    QVFacebookAccountLoginController() = default;

private:
    void _submit() { onSubmitForm(); }
    platform::Ref<platform::ui::Switch> streamIntegrationSwitch_;
    platform::Ref<platform::ui::Label> streamIntegrationLabel_;
    platform::Ref<platform::ui::Label> findFriendsLabel_;
    platform::Ref<platform::ui::Label> privacyDisclosure_;
};

class QVTwitterAccountLoginController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVTwitterAccountLoginController)
public:
    void setupForConnectTwitter() { setAddingAdditionalCredential(true); }
    std::string getFormSubmissionUrl() override;
    std::string singularResourceName() override { return "credential"; }
    std::string getLoadingScreenText() override;
    bool shouldUseOAuth() override { return addingAdditionalCredential(); }
    void populateViewDataMap(QVViewDataMap& map) override;
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    platform::Ref<platform::ui::ViewController> controllerToPushOnCompletion() override;

    platform::ui::Label* integrationInfoLabel() { view(); return integrationInfoLabel_.get(); }
    platform::ui::Switch* streamIntegrationSwitch() { view(); return streamIntegrationSwitch_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    QVTwitterAccountLoginController() = default;

private:
    void _submit() { onSubmitForm(); }
    platform::Ref<platform::ui::Switch> streamIntegrationSwitch_;
    platform::Ref<platform::ui::Label> streamIntegrationLabel_;
    platform::Ref<platform::ui::Label> integrationInfoLabel_;
    platform::Ref<platform::ui::Label> privacyDisclosure_;
    platform::Ref<platform::ui::Button> submitButton_;
};

// What both extended-credential overlays share: the notification to post,
// the waiting request and the next overlay.
class QVExtendedCredentialState {
public:
    void setSocialNotificationOn(platform::Object* notification, QVImageView* image, platform::ui::Label* text);
    // After a stored credential: the next overlay, else the waiting request again.
    void continueAfterSubmission();
    // The overlay closed without a stored credential: the waiting request fails, once.
    void abandonWaitingRequest();
    platform::Ref<QVActionRequest> mRequestToSubmit;
    platform::Ref<platform::ui::ViewController> mNextController;
};

class QVFacebookExtendedCredentialController : public QVFacebookAccountController,
                                               public QVExtendedCredentialScreen {
    QV_DECLARE_CLASS(QVFacebookExtendedCredentialController)
public:
    void setSocialNotification(platform::Object* notification) override;
    void setRequestRequiringCredential(QVActionRequest* request) override;
    void setNextController(platform::ui::ViewController* next) override;
    void login() { promptToLogin(); }
    void close();
    void showExtendedPermissionsDialog();

    void sessionDidLogin(FBSession* session, uint64_t uid) override;
    void dialogDidSucceed(FBDialog* dialog) override;
    void dialogDidCancel(FBDialog* dialog) override;
    void displayError(const std::string& message) override;
    void onPresentingErrorDialog() override { }
    void onFormSubmitted() override;
    std::string getFormSubmissionUrl() override { return "extended_credentials.xml"; }
    std::string singularResourceName() override { return "credential"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool canReceiveCallbacksNow() override { return true; }

    platform::ui::Label* notificationText() { view(); return mNotificationText.get(); }

    void loadView() override;
    bool init() override;

protected:
    QVFacebookExtendedCredentialController() = default;
    ~QVFacebookExtendedCredentialController() override;

private:
    void dismiss();
    QVExtendedCredentialState state_;
    platform::Ref<FBPermissionDialog> permissionDialog_;
    platform::Ref<QVImageView> mNotificationImage;
    platform::Ref<platform::ui::Label> mNotificationText;
    platform::Ref<platform::Object> pendingNotification_;
    bool finished_ { false };
};

class QVTwitterExtendedCredentialController : public QVFormControllerHelper, public QVExtendedCredentialScreen {
    QV_DECLARE_CLASS(QVTwitterExtendedCredentialController)
public:
    void setSocialNotification(platform::Object* notification) override;
    void setRequestRequiringCredential(QVActionRequest* request) override;
    void setNextController(platform::ui::ViewController* next) override;
    void close();

    void onSubmitForm(platform::Object* sender = nullptr) override;
    void onFormSubmitted() override;
    void onPresentingErrorDialog() override;
    std::string getFormSubmissionUrl() override { return "extended_credentials.xml"; }
    std::string singularResourceName() override { return "credential"; }
    void populateViewDataMap(QVViewDataMap& map) override { map.addField("password", 1); }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool canReceiveCallbacksNow() override { return true; }

    platform::ui::Label* notificationText() { view(); return mNotificationText.get(); }
    platform::ui::View* loadingView() const { return mLoadingView.get(); }

    void loadView() override;

protected:
    QVTwitterExtendedCredentialController() = default;
    ~QVTwitterExtendedCredentialController() override;

private:
    void _post() { onSubmitForm(); }
    void dismiss();
    QVExtendedCredentialState state_;
    platform::Ref<QVImageView> mNotificationImage;
    platform::Ref<platform::ui::Label> mNotificationText;
    platform::Ref<platform::ui::View> mLoadingView;
    platform::Ref<platform::Object> pendingNotification_;
    bool finished_ { false };
};

} // namespace quorvel
