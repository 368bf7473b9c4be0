// "TwitterExtendedCredential": the overlay that asks for the Twitter password
// again when a post was refused.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Switch.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVExtendedCredentialState.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVActionRequest.h"
#include "social/ui/QVFBDialog.h"
#include "social/ui/QVImageView.h"
#include <cstdint>

namespace quorvel {

class QVActionRequest;

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
    platform::ui::ImageView* backgroundWindow() const { return mBackgroundWindow.get(); }

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
    platform::Ref<platform::ui::ImageView> mBackgroundWindow;
    platform::Ref<platform::Object> pendingNotification_;
    bool finished_ { false };
};

} // namespace quorvel
