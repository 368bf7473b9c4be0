// QVSelectAccountTypeController ("SelectAccountType"): picks Facebook or
// Twitter for the account instead of an e-mail and password.
#pragma once

#include "social/dashboard/account/QVAccountSetupBaseController.h"

namespace quorvel {

class QVSelectAccountTypeController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVSelectAccountTypeController)
public:
    void registerActionsNow() override;
    void _onPressedTwitter(platform::Object* = nullptr) { _pushAccountSetupControllerFor("Twitter"); }
    void _onPressedFacebook(platform::Object* = nullptr) { _pushAccountSetupControllerFor("Facebook"); }
    void _pushAccountSetupControllerFor(const std::string& accountType);

    platform::ui::Button* twitterButton() { view(); return twitterButton_.get(); }
    platform::ui::Button* facebookButton() { view(); return facebookButton_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    QVSelectAccountTypeController() = default;

private:
    platform::Ref<platform::ui::Button> twitterButton_;
    platform::Ref<platform::ui::Button> facebookButton_;
};

} // namespace quorvel
