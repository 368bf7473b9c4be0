// "TwitterAccountLogin": log in with, or link to the account logged in, a
// Twitter account (name and password typed into the form).
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

class QVTwitterAccountLoginController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVTwitterAccountLoginController)
public:
    void openFromSettings() override { setAddingAdditionalCredential(true); }
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

} // namespace quorvel
