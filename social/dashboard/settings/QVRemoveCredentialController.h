// QVRemoveCredentialController ("RemoveCredential"): disconnects a linked
// Facebook or Twitter account from the player's account (set up by the settings
// row's "setupForFacebook" or "setupForTwitter").
#pragma once

#include "social/dashboard/settings/QVRemovalFormController.h"
#include "social/services/QVUserSettingService.h"

namespace quorvel {

class QVRemoveCredentialController : public QVRemovalFormController, public QVSettingActionTarget {
    QV_DECLARE_CLASS(QVRemoveCredentialController)
public:
    void setupForFacebook();
    void setupForTwitter();
    // The settings row's set-up: "setupForFacebook" or "setupForTwitter".
    bool performSettingAction(const std::string& actionName) override;

    const std::string& credentialType() const { return credentialType_; }
    const std::string& credentialSpokenName() const { return credentialSpokenName_; }
    platform::ui::Label* warningTextTwo() { view(); return warningTextTwo_.get(); }
    platform::ui::Label* headerTitle() { view(); return headerTitle_.get(); }

    void onSubmitPressed();
    void _logoutFacebookSession(platform::Object*);
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

    std::string getFormSubmissionUrl() override { return "users_credentials/remove.xml"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    void onFormSubmitted() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRemoveCredentialController() = default;

private:
    void setup(const std::string& type, const std::string& spoken, const std::string& title);

    std::string credentialType_;
    std::string credentialSpokenName_;
    // Set up for Facebook: the shared session logs out after a removal (a flag
    // rather than a delegate on this screen, which would keep it alive).
    bool logoutFacebookWhenSubmitted_ { false };
    platform::Ref<platform::ui::Label> warningTextTwo_;
    platform::Ref<platform::ui::Label> headerTitle_;
};

} // namespace quorvel
