// The contacts chooser's header: picking a contact from the address book.
#include "social/dashboard/invites/QVSelectContactsToInviteHeaderController.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/ImageView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectContactsToInviteController.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVSelectContactsToInviteHeaderController);

QVSelectContactsToInviteHeaderController::~QVSelectContactsToInviteHeaderController()
{
    if (!picker_)
        return;
    picker_->setPeoplePickerDelegate(nullptr);
    // Still up, the address book would answer its Cancel to nobody (the game
    // opened another page over the invitations, say): it goes with its screen,
    // on the next turn rather than inside whatever let the screen go.
    platform::RunLoop::main().post([picker = picker_, popover = peoplePickerPopover_] {
        if (popover && popover->isPopoverVisible())
            popover->dismissPopoverAnimated(false);
        else if (picker->parentViewController())
            picker->dismissModalViewControllerAnimated(true);
    });
}

void QVSelectContactsToInviteHeaderController::loadView()
{
    float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 60));
    root->setBackgroundColor(std::nullopt);
    addContactButton_ = Button::buttonWithType(Button::Type::Custom);
    addContactButton_->setFrame(Rect(10, 10, width - 20, 40));
    addContactButton_->setBackgroundColor(Color::rgb(0.20f, 0.42f, 0.72f));
    addContactButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVSelectContactsToInviteHeaderController, addContact)),
                                 TouchUpInside);
    addContactIcon_ = ImageView::imageViewWithFrame(Rect(18, 14, 32, 32));
    addContactIcon_->setImage(QVLoadKitImage("QVSelectInviteTypePhone.png").get());
    addContactLabel_ = layout::makeLabel(Rect(58, 10, width - 78, 40), 15, true);
    addContactLabel_->setText("Add Contacts From Address Book");
    addContactLabel_->setTextColor(Color::whiteColor());
    layout::addSubviews(root, { addContactButton_.get(), addContactIcon_.get(), addContactLabel_.get() });
    setView(root.get());
}

void QVSelectContactsToInviteHeaderController::resizeView(View* tableView)
{
    Rect frame = view()->frame();
    frame.size.width = tableView ? tableView->bounds().size.width : frame.size.width;
    frame.size.height = maxY(addContactLabel_.get()) + 20;
    view()->setFrame(frame);
}

void QVSelectContactsToInviteHeaderController::addContact()
{
    // A picker still held (its popover closed by a touch outside) is let go.
    if (picker_)
        picker_->setPeoplePickerDelegate(nullptr);
    if (Ref<PopoverController> earlier = std::move(peoplePickerPopover_))
        earlier->dismissPopoverAnimated(false);
    picker_ = PeoplePickerNavigationController::picker();
    picker_->setPeoplePickerDelegate(this);
    picker_->setDisplayedProperties({ PersonProperty::Email, PersonProperty::Phone });
    // A tablet shows it in a popover pointing at the button; a phone over the whole screen.
    if (QuorvelInternal::dashboardRole().isLargeScreen()) {
        peoplePickerPopover_ = PopoverController::withContentViewController(picker_.get());
        peoplePickerPopover_->presentFromRect(addContactButton_->frame(), addContactButton_->superview(),
                                              PopoverArrowAny, true);
        return;
    }
    if (ViewController* root = QuorvelInternal::dashboardRole().getRootController())
        root->presentModalViewController(picker_.get(), true);
}

void QVSelectContactsToInviteHeaderController::_dismissPicker()
{
    if (picker_)
        picker_->setPeoplePickerDelegate(nullptr);
    if (Ref<PopoverController> popover = std::move(peoplePickerPopover_))
        popover->dismissPopoverAnimated(true);
    else if (ViewController* root = QuorvelInternal::dashboardRole().getRootController())
        root->dismissModalViewControllerAnimated(true);
    picker_ = nullptr;
}

std::string QVSelectContactsToInviteHeaderController::displayName(const Person& person, const std::string& chosenValue)
{
    const std::string& first = person.firstName();
    const std::string& last = person.lastName();
    if (!first.empty() && !last.empty())
        return first + " " + last;
    if (!first.empty())
        return first;
    if (!last.empty())
        return last;
    return chosenValue;
}

bool QVSelectContactsToInviteHeaderController::peoplePickerShouldContinueAfterSelectingPersonProperty(
    PeoplePickerNavigationController*, Person* person, PersonProperty property, int identifier)
{
    Ref<Person> keep(person);
    Ref<QVSelectContactsToInviteHeaderController> self(this);
    _dismissPicker();
    if (!person)
        return false;
    const std::string value = person->value(property, identifier).value_or(std::string());
    std::optional<platform::Bytes> image;
    if (person->hasImageData())
        image = person->imageData();
    const std::string name = displayName(*person, value);
    if (auto screen = contactInviteController_.lock()) {
        if (property == PersonProperty::Email)
            screen->addPersonWithIdAndEmail(person->recordId(), name, image, value);
        else
            screen->addPersonWithIdAndPhoneNumber(person->recordId(), name, image, value);
    }
    return false;
}

void QVSelectContactsToInviteHeaderController::setContactInviteController(QVSelectContactsToInviteController* c)
{
    contactInviteController_ = c;
}

void QVSelectContactsToInviteHeaderController::peoplePickerDidCancel(PeoplePickerNavigationController*) { _dismissPicker(); }

} // namespace quorvel
