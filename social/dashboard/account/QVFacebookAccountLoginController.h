// "FacebookAccountLogin": log in with, or link to the account logged in, a
// Facebook account.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Switch.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVFacebookAccountController.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVActionRequest.h"
#include "social/ui/QVFBDialog.h"
#include "social/ui/QVImageView.h"
#include <cstdint>

namespace quorvel {

class QVFacebookAccountLoginController : public QVFacebookAccountController {
    QV_DECLARE_CLASS(QVFacebookAccountLoginController)
public:
    void openFromSettings() override { setAddingAdditionalCredential(true); }
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

} // namespace quorvel
