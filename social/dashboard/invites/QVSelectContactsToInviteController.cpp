// The chooser of the address-book contacts to invite (by e-mail or phone):
// the contacts picked so far, and a header that picks another one.
#include "social/dashboard/invites/QVSelectContactsToInviteController.h"

#include "platform/ui/BarButtonItem.h"
#include "social/dashboard/invites/QVContactCell.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVDeviceContact.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVSelectContactsToInviteController);

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
