// QVHttpCredentialsCreateController ("HttpCredentialsCreate"): secures the
// account logged in with an e-mail address and a password.
#pragma once

#include "social/dashboard/account/QVAccountSetupBaseController.h"

namespace quorvel {

class QVHttpCredentialsCreateController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVHttpCredentialsCreateController)
public:
    void openFromSettings() override { setAddingAdditionalCredential(true); }
    std::string getFormSubmissionUrl() override { return "users_credentials.xml"; }
    std::string singularResourceName() override { return "credential"; }
    void populateViewDataMap(QVViewDataMap& map) override;
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool shouldUseOAuth() override { return true; }
    void onFormSubmitted() override;
    platform::Ref<platform::ui::ViewController> controllerToPushOnCompletion() override;
    void loadView() override;

protected:
    QVHttpCredentialsCreateController() = default;

private:
    void _secure() { onSubmitForm(); }
};

} // namespace quorvel
