// QVInviteFriendsHeaderController ("InviteFriendsHeader"): the top of the
// invitation's compose screen: its title and the message, which starts as the
// suggested one and clears when first edited.
#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "social/ui/QVTableControllerHelper.h"

#include <string>

namespace quorvel {

class QVInviteFriendsController;

class QVInviteFriendsHeaderController : public platform::ui::ViewController,
                                        public QVTableControllerHeader,
                                        public platform::ui::TextViewDelegate {
    QV_DECLARE_CLASS(QVInviteFriendsHeaderController)
public:
    platform::ui::Label* titleLabel() { view(); return titleLabel_.get(); }
    platform::ui::TextView* inviteText() { view(); return inviteText_.get(); }
    bool inviteTextHasDefaultText() const { return inviteTextHasDefaultText_; }
    void setInviteFriendsController(QVInviteFriendsController* c);
    std::string suggestedMessage() const;

    void loadView() override;
    void resizeView(platform::ui::View* tableView) override;
    void textViewDidBeginEditing(platform::ui::TextView* textView) override;
    void textViewDidEndEditing(platform::ui::TextView* textView) override;
    // A touch in the header outside the text view ends editing.
    void touchesBegan(const platform::ui::Touch& t) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteFriendsHeaderController() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::TextView> inviteText_;
    platform::WeakLink<QVInviteFriendsController> inviteFriendsController_; // the owning compose screen
    bool inviteTextHasDefaultText_ { false };
};

} // namespace quorvel
