// QVAccountChangeForm: the base of the account change forms shown in the
// profile frame: change the e-mail address ("ChangeEmail") or the password
// ("ChangePassword") of the name-and-password credential, change the player's
// name ("ChangeName"), or have a new password mailed ("ResetPassword"). Each
// confirms a change with a message screen; refusals come as the form's error
// alert.
#pragma once

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVScreenProtocols.h"

namespace quorvel {

// What the four forms share: POST, no tag actions, the "id" parameter and the
// confirmation screen.
class QVAccountChangeForm : public QVFormControllerHelper, public QVProfileFrame {
public:
    std::string getHTTPMethod() override { return "POST"; }
    void registerActionsNow() override { }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool canReceiveCallbacksNow() override { return navigationController() != nullptr; }

protected:
    QVAccountChangeForm() = default;
    virtual std::string hiddenUserId() { return "me"; }
    // Pushes "ShowMessageAndReturn" with the two texts.
    void pushConfirmation(const std::string& title, const std::string& message);
    void _submit() { onSubmitForm(); }
    // The text of the form's field with that tag (empty without one), and setting it.
    static std::string textWithTag(platform::ui::View* root, int tag);
    static void setTextWithTag(platform::ui::View* root, int tag, const std::string& text);
};

} // namespace quorvel
