// QVMultiSelectListController: a list whose rows the player ticks and unticks,
// as the invitation's friend and contact choosers show. It keeps the chosen
// objects in the order they were chosen, ticks the rows of chosen objects as
// they are shown, and toggles a row's object on a tap. A subclass says which
// objects can be chosen, when two are the same, and how a row shows its tick.
#pragma once

#include "social/dashboard/invites/QVInviteKit.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

class QVMultiSelectListController : public QVTableSequenceControllerHelper,
                                    public QVFramedNavigationControllerBehavior {
public:
    const QVObjects& selectedObjects() const { return selected_; }
    bool isSelected(const platform::Object* object) const;

    bool usePlainTableSectionHeaders() override { return true; }
    std::optional<bool> shouldShowNavBar() override { return true; }
    std::string getNoDataFoundMessage() override { return ""; }
    void onCell(QVTableCellHelper* cell, platform::Object* resource) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;

protected:
    QVMultiSelectListController() = default;

    void setSelectedObjects(const QVObjects& objects) { selected_ = objects; }
    // Chooses the object unless it is chosen already.
    void select(platform::Object* object);

    virtual bool isSelectable(const platform::Object* object) const = 0;
    // Whether two chosen objects are the same choice (by default the same object).
    virtual bool isSameChoice(const platform::Object* a, const platform::Object* b) const { return a == b; }
    // Ticks or unticks the row, when it is a row that can show a tick.
    virtual void setCellChecked(QVTableCellHelper* cell, bool checked) = 0;

private:
    QVObjects::const_iterator find(const platform::Object* object) const;

    QVObjects selected_;
};

} // namespace quorvel
