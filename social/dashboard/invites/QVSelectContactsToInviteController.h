// The chooser of the address-book contacts to invite (by e-mail or phone):
// the contacts picked so far, and a header that picks another one.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/Popover.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVMultiSelectListController.h"
#include "social/dashboard/invites/QVSelectContactsToInviteHeaderController.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVSelectContactsToInviteController;

class QVSelectContactsToInviteController : public QVMultiSelectListController {
    QV_DECLARE_CLASS(QVSelectContactsToInviteController)
public:
    static platform::Ref<QVSelectContactsToInviteController> inviteController(QVSelectInviteTypeController* typeScreen,
                                                                             const QVObjects& alreadyAdded,
                                                                             const QVObjects& alreadySelected);
    void addPersonWithIdAndPhoneNumber(int recordId, const std::string& name,
                                       const std::optional<platform::Bytes>& imageData, const std::string& phone);
    void addPersonWithIdAndEmail(int recordId, const std::string& name, const std::optional<platform::Bytes>& imageData,
                                 const std::string& email);
    const QVObjects& addedContacts() const { return addedContacts_; }
    const QVObjects& selectedContacts() const { return selectedObjects(); }
    void done();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int, const QVDelegate&, const QVDelegate&) override { }
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("SelectContactsToInviteHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool shouldDisplayEmptyDataSet() override { return false; }
    std::string getDataNotLoadedYetMessage() override { return "Loading Contacts..."; }
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectContactsToInviteController() = default;

    bool isSelectable(const platform::Object* object) const override;
    void setCellChecked(QVTableCellHelper* cell, bool checked) override;

private:
    void _addPerson(int recordId, const std::string& name, const std::optional<platform::Bytes>& imageData,
                    const std::string& phone, const std::string& email);

    platform::Ref<QVSelectInviteTypeController> inviteTypeController_;
    QVObjects addedContacts_;
};

} // namespace quorvel
