// QVSelectContactsToInviteHeaderController ("SelectContactsToInviteHeader"):
// the top of the contacts chooser, which picks another address-book contact
// to invite.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/Popover.h"
#include "social/ui/QVTableControllerHelper.h"

#include <string>

namespace quorvel {

class QVSelectContactsToInviteController;

class QVSelectContactsToInviteHeaderController : public platform::ui::ViewController,
                                                 public QVTableControllerHeader,
                                                 public platform::ui::PeoplePickerDelegate {
    QV_DECLARE_CLASS(QVSelectContactsToInviteHeaderController)
public:
    void setContactInviteController(QVSelectContactsToInviteController* c);
    platform::ui::Button* addContactButton() { view(); return addContactButton_.get(); }
    platform::ui::PeoplePickerNavigationController* picker() const { return picker_.get(); }
    // The popover the picker shows in on a large screen, while it shows.
    platform::ui::PopoverController* peoplePickerPopover() const { return peoplePickerPopover_.get(); }
    void addContact();

    void loadView() override;
    void resizeView(platform::ui::View* tableView) override;
    bool peoplePickerShouldContinueAfterSelectingPerson(platform::ui::PeoplePickerNavigationController*,
                                                        platform::ui::Person*) override { return true; }
    bool peoplePickerShouldContinueAfterSelectingPersonProperty(platform::ui::PeoplePickerNavigationController* picker,
                                                                platform::ui::Person* person,
                                                                platform::ui::PersonProperty property,
                                                                int identifier) override;
    void peoplePickerDidCancel(platform::ui::PeoplePickerNavigationController* picker) override;

    // The name a contact is listed under.
    static std::string displayName(const platform::ui::Person& person, const std::string& chosenValue);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectContactsToInviteHeaderController() = default;
    ~QVSelectContactsToInviteHeaderController() override;

private:
    void _dismissPicker();

    platform::Ref<platform::ui::ImageView> addContactIcon_;
    platform::Ref<platform::ui::Label> addContactLabel_;
    platform::Ref<platform::ui::Button> addContactButton_;
    platform::Ref<platform::ui::PeoplePickerNavigationController> picker_;
    platform::Ref<platform::ui::PopoverController> peoplePickerPopover_;
    platform::WeakLink<QVSelectContactsToInviteController> contactInviteController_; // the owning screen
};

} // namespace quorvel
