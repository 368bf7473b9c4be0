// What both Facebook forms share: logging in through the Facebook client's
// session and login dialog, then sending the session to the service.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Switch.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVActionRequest.h"
#include "social/ui/QVFBDialog.h"
#include "social/ui/QVImageView.h"
#include <cstdint>

namespace quorvel {

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

} // namespace quorvel
