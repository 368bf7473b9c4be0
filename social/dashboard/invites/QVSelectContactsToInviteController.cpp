// The chooser of the address-book contacts to invite (by e-mail or phone):
// the contacts picked so far, and a header that picks another one.
#include "social/dashboard/invites/QVSelectContactsToInviteController.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/PeoplePicker.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVContactCell.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVDeviceContact.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVSelectContactsToInviteHeaderController);
QV_REGISTER_CLASS(QVSelectContactsToInviteController);

QVSelectContactsToInviteHeaderController::~QVSelectContactsToInviteHeaderController()
{
    if (picker_)
        picker_->setPeoplePickerDelegate(nullptr);
}

void QVSelectContactsToInviteHeaderController::loadView()
{
    float width = QVDashboardRole::current().getDashboardBounds().size.width;
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
    if (QVDashboardRole::current().isLargeScreen()) {
        peoplePickerPopover_ = PopoverController::withContentViewController(picker_.get());
        peoplePickerPopover_->presentFromRect(addContactButton_->frame(), addContactButton_->superview(),
                                              PopoverArrowAny, true);
        return;
    }
    if (ViewController* root = QVDashboardRole::current().getRootController())
        root->presentModalViewController(picker_.get(), true);
}

void QVSelectContactsToInviteHeaderController::_dismissPicker()
{
    if (picker_)
        picker_->setPeoplePickerDelegate(nullptr);
    if (Ref<PopoverController> popover = std::move(peoplePickerPopover_))
        popover->dismissPopoverAnimated(true);
    else if (ViewController* root = QVDashboardRole::current().getRootController())
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

Ref<QVSelectContactsToInviteController> QVSelectContactsToInviteController::inviteController(
    QVSelectInviteTypeController* typeScreen, const QVObjects& alreadyAdded, const QVObjects& alreadySelected)
{
    Ref<ViewController> loaded = QVControllerLoader::load("SelectContactsToInvite");
    auto screen = Ref<QVSelectContactsToInviteController>(
        loaded ? requireCast<QVSelectContactsToInviteController>(loaded, "The contacts chooser must take its selection") : nullptr);
    if (!screen)
        return nullptr;
    screen->setTitle("Invite Contacts");
    screen->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Done", BarButtonItem::Style::Plain, screen.get(),
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectContactsToInviteController, done)))
            .get());
    screen->navigationItem()->setHidesBackButton(true);
    screen->inviteTypeController_ = typeScreen;
    screen->addedContacts_ = alreadyAdded;
    screen->setSelectedObjects(alreadySelected);
    return screen;
}

void QVSelectContactsToInviteController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVDeviceContact>("SelectableContact");
}

void QVSelectContactsToInviteController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    // The contacts picked so far, as one page; nothing is requested.
    onSuccess.invoke(sectionAnswer("Contacts To Invite", addedContacts_).get());
}

void QVSelectContactsToInviteController::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    QVTableSequenceControllerHelper::_onDataLoaded(series, isIncremental);
    titleFirstSection(*this, "Contacts To Invite");
}

void QVSelectContactsToInviteController::onTableHeaderCreated(ViewController* header)
{
    if (auto* h = dynamic_cast<QVSelectContactsToInviteHeaderController*>(header))
        h->setContactInviteController(this);
}

bool QVSelectContactsToInviteController::isSelectable(const Object* object) const
{
    return dynamic_cast<const QVDeviceContact*>(object);
}

void QVSelectContactsToInviteController::setCellChecked(QVTableCellHelper* cell, bool checked)
{
    if (auto* selectable = dynamic_cast<QVSelectableContactCell*>(cell))
        selectable->setChecked(checked);
}

void QVSelectContactsToInviteController::_addPerson(int recordId, const std::string& name,
                                                    const std::optional<platform::Bytes>& imageData,
                                                    const std::string& phone, const std::string& email)
{
    Ref<QVDeviceContact> contact;
    for (const auto& o : addedContacts_)
        if (auto* c = dynamic_cast<QVDeviceContact*>(o.get()); c && c->recordId() == recordId)
            contact = c;
    if (contact) {
        // The value chosen last wins; the other kind is emptied.
        contact->setNumber(phone);
        contact->setEmail(email);
    } else {
        contact = QVDeviceContact::create();
        contact->setRecordId(recordId);
        contact->setName(name);
        contact->setImageData(imageData);
        contact->setNumber(phone);
        contact->setEmail(email);
        addedContacts_.emplace_back(contact.get());
    }
    select(contact.get());
    reloadDataFromServer();
}

void QVSelectContactsToInviteController::addPersonWithIdAndPhoneNumber(int recordId, const std::string& name,
                                                                       const std::optional<platform::Bytes>& imageData,
                                                                       const std::string& phone)
{
    _addPerson(recordId, name, imageData, phone, "");
}

void QVSelectContactsToInviteController::addPersonWithIdAndEmail(int recordId, const std::string& name,
                                                                 const std::optional<platform::Bytes>& imageData,
                                                                 const std::string& email)
{
    _addPerson(recordId, name, imageData, "", email);
}

void QVSelectContactsToInviteController::done()
{
    if (inviteTypeController_) {
        inviteTypeController_->updateSelectedType(QVSelectInviteTypeController::kContacts, selectedObjects());
        inviteTypeController_->setAddedContacts(addedContacts_);
    }
    if (navigationController())
        navigationController()->popViewControllerAnimated(true);
}

} // namespace quorvel
