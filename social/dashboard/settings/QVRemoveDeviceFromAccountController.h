// QVRemoveDeviceFromAccountController ("RemoveDeviceFromAccount"): removes the
// account from this device and logs out.
#pragma once

#include "social/dashboard/settings/QVRemovalFormController.h"

namespace quorvel {

class QVRemoveDeviceFromAccountController : public QVRemovalFormController {
    QV_DECLARE_CLASS(QVRemoveDeviceFromAccountController)
public:
    static constexpr const char* kSecuredWarning
        = "You are about to remove your account from this device and log out. You will be able to log in to this "
          "account at any time with the email address and password you used to secure this account.";
    static constexpr const char* kUnsecuredWarning
        = "You are about to remove your account from this device and log out. You will not be able to recover your "
          "account unless you first secure it in the Settings tab!";

    platform::ui::Label* titleLabel() { view(); return titleLabel_.get(); }
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

    std::string getFormSubmissionUrl() override { return "users/remove_from_device.xml"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    void onFormSubmitted() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRemoveDeviceFromAccountController() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
};

} // namespace quorvel
