// QVFullScreenImportFriendsMessage ("FullscreenImportFriendsMessage", and the
// headered variant): a list's empty view that invites the player to import
// friends from the networks not yet linked, for the list that shows it.
#pragma once

#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/ui/QVViewController.h"

#include <vector>

namespace quorvel {

class QVUsersCredential;

class QVFullScreenImportFriendsMessage : public QVViewController, public QVImportFriendsMessageScreen {
    QV_DECLARE_CLASS(QVFullScreenImportFriendsMessage)
public:
    // The list screen that shows the message, while it exists.
    platform::ui::ViewController* owner() const { return owner_.get(); }
    void setOwner(platform::ui::ViewController* owner) override { owner_ = owner; }
    void setMessage(const std::string& message) override { messageLabel()->setText(message); }
    platform::ui::Label* messageLabel() { view(); return messageLabel_.get(); }
    void setMissingCredentials(const std::vector<platform::Ref<QVUsersCredential>>& credentials,
                               const std::string& notice);
    void onImportFriendsPressed();
    void loadView() override;
    // "setOwner" (the list screen) and "setMessage" (the text shown), for the
    // screens of other features that show this one as their empty list.
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFullScreenImportFriendsMessage() = default;

private:
    platform::WeakLink<platform::ui::ViewController> owner_;
    platform::Ref<platform::ui::Label> messageLabel_;
    platform::Ref<platform::ui::Button> importButton_;
};

} // namespace quorvel
