// The invitation flow's first screen ("SelectInviteType"): the invitation's
// reward and two rows, friends and contacts, each with the number chosen. Each
// row opens a chooser that works on a copy and hands it back on "Done";
// "Invite" opens the compose screen.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectInviteTypeHeaderController.h"
#include "social/services/QVInviteService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTableStaticControllerHelper.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVSelectInviteTypeController;

class QVSelectInviteTypeCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVSelectInviteTypeCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    bool hasConstantHeight() override { return true; }
    platform::ui::ImageView* iconView() const { return iconView_.get(); }
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* amountSelectedLabel() const { return amountSelectedLabel_.get(); }
    void setAmountSelected(size_t count);
    const std::function<void()>& createControllerSelector() const { return select_; }
    void setCreateControllerSelector(std::function<void()> select) { select_ = std::move(select); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectInviteTypeCell() = default;

private:
    platform::Ref<platform::ui::ImageView> iconView_;
    platform::Ref<platform::ui::Label> titleLabel_, amountSelectedLabel_;
    std::function<void()> select_;
};

class QVSelectInviteTypeController : public QVTableStaticControllerHelper, public QVSendInviteScreen {
    QV_DECLARE_CLASS(QVSelectInviteTypeController)
public:
    enum Kind { kFriends = 0, kContacts = 1 };
    static constexpr const char* kNothingChosenTitle = "No Friends Selected";
    static constexpr const char* kNothingChosenMessage = "You must select at least one friend to invite.";

    // The flow's first screen for an invitation ("" or nullopt: the game's primary one).
    static platform::Ref<QVSelectInviteTypeController> inviteTypeControllerWithInviteIdentifier(
        const std::optional<std::string>& identifier);
    // Shown as the root of a new framed stack over the game, with Cancel closing the dashboard.
    void openAsModal();
    void openAsModalForInvite(const std::string& inviteIdentifier) override;
    void setInviteIdentifier(const std::string& inviteIdentifier) override;

    void updateSelectedType(int kind, const QVObjects& chosen);
    const QVObjects& getSelectedListForType(int kind) const { return selected_[kind == kContacts ? 1 : 0]; }
    const QVObjects& addedContacts() const { return addedContacts_; }
    void setAddedContacts(const QVObjects& contacts) { addedContacts_ = contacts; }
    QVInviteDefinition* definition() const { return mDefinition.get(); }
    const std::optional<std::string>& inviteId() const { return inviteId_; }
    QVSelectInviteTypeCell* cellForType(int kind) const { return cells_[kind == kContacts ? 1 : 0].get(); }

    void inviteQuorvelFriends();
    void inviteContacts();
    void advance();
    void _cancelModal();

    std::optional<Sections> buildTableSectionDescriptions() override;
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("SelectInviteTypeHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;
    // The section's header is the list's plain section header.
    platform::Ref<platform::ui::View> tableViewViewForHeaderInSection(platform::ui::TableView* table, int section) override;
    float tableViewHeightForHeaderInSection(platform::ui::TableView* table, int section) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectInviteTypeController() = default;

private:
    void didGetInviteDefinition(platform::Object* series);
    void didFailGetInviteDefinition(platform::Object*);

    std::optional<std::string> inviteId_;
    QVSelectInviteTypeHeaderController* mHeader { nullptr }; // the list's header, kept as tableHeaderController_
    platform::Ref<QVInviteDefinition> mDefinition;
    std::array<QVObjects, 2> selected_;
    std::array<platform::Ref<QVSelectInviteTypeCell>, 2> cells_;
    QVObjects addedContacts_;
};

} // namespace quorvel
