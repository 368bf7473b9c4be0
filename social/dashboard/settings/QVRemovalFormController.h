// QVRemovalFormController: the base of the two settings forms that take
// something off the account (QVRemoveCredentialController,
// QVRemoveDeviceFromAccountController). Both warn harder while the account has
// no e-mail and password, since it could then not be regained.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVFormControllerHelper.h"

namespace quorvel {

// What both forms share: a GET to the account service answering users, a
// warning text, a red submit button and the warning sheet shown while the
// account is not secured.
class QVRemovalFormController : public QVFormControllerHelper, public platform::ui::ActionSheetDelegate {
public:
    platform::ui::Label* warningText() { view(); return warningText_.get(); }
    QVDefaultButton* submitButton() { view(); return submitButton_.get(); }
    platform::ui::ActionSheet* warningSheet() const { return sheet_.get(); }

    std::string getHTTPMethod() override { return "GET"; }
    std::string singularResourceName() override { return "users"; }
    void registerActionsNow() override { }
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVRemovalFormController() = default;

    // Shows `text` over the dashboard with "Go Back" and "Continue", in place
    // of any sheet still up.
    void showWarningSheet(const std::string& text);
    // Lets go of a dismissed sheet.
    void forgetSheet(platform::ui::ActionSheet* sheet);
    // Leaves the form for the screen below it.
    void popAnimated();

    // The form's dark root over the dashboard's bounds, a white wrapping label
    // at `y` in it, and the red submit button below the texts.
    static platform::Ref<platform::ui::View> formRoot();
    static platform::Ref<platform::ui::Label> formLabel(platform::ui::View* root, float y, float height, float size,
                                                        bool bold);
    static platform::Ref<QVDefaultButton> formButton(platform::ui::View* root);

    platform::Ref<platform::ui::Label> warningText_;
    platform::Ref<QVDefaultButton> submitButton_;

private:
    platform::Ref<platform::ui::ActionSheet> sheet_;
};

} // namespace quorvel
