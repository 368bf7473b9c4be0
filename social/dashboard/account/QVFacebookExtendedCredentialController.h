// "FacebookExtendedCredential": the overlay that gets the Facebook
// "publish_stream" permission a refused post lacks.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Switch.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVExtendedCredentialState.h"
#include "social/dashboard/account/QVFacebookAccountController.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVActionRequest.h"
#include "social/ui/QVFBDialog.h"
#include "social/ui/QVImageView.h"
#include <cstdint>

namespace quorvel {

class QVActionRequest;

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
    // The overlay is shown on its own, without a navigation stack: it fades
    // its own loading view in and out (0.25 s).
    static constexpr double kLoadingFadeDuration = 0.25;
    void showLoadingScreen() override;
    void hideLoadingScreen() override;
    platform::ui::View* customLoadingView() const { return mCustomLoadingView.get(); }

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
    platform::Ref<platform::ui::View> mCustomLoadingView;
    platform::Ref<platform::Object> pendingNotification_;
    bool finished_ { false };
};

} // namespace quorvel
