// QVAccountFormScreen: an account form (a network's login, the password form,
// the e-mail login) as the screens of other features open it by name: to add
// a credential to the account logged in, or from the player's settings. The
// shared kit's friend importer opens it too, so it lives here.
#pragma once

namespace quorvel {

class QVAccountFormScreen {
public:
    virtual ~QVAccountFormScreen() = default;
    // Adds a credential to the account logged in instead of logging in anew.
    virtual void setAddingAdditionalCredential(bool adding) = 0;
    // Opened from the player's settings: a network's form and the password
    // form add their credential to the account, the e-mail login drops the
    // intro frame's spacer; any other form changes nothing.
    virtual void openFromSettings() { }
};

} // namespace quorvel
