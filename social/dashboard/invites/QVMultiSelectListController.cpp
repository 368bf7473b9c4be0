// The ticked list's selection.
#include "social/dashboard/invites/QVMultiSelectListController.h"

#include <algorithm>

namespace quorvel {

using platform::Object;
using platform::Ref;

QVObjects::const_iterator QVMultiSelectListController::find(const Object* object) const
{
    return std::find_if(selected_.begin(), selected_.end(),
                        [this, object](const Ref<Object>& chosen) { return isSameChoice(chosen.get(), object); });
}

bool QVMultiSelectListController::isSelected(const Object* object) const
{
    return object && find(object) != selected_.end();
}

void QVMultiSelectListController::select(Object* object)
{
    if (object && !isSelected(object))
        selected_.emplace_back(object);
}

void QVMultiSelectListController::onCell(QVTableCellHelper* cell, Object* resource)
{
    // Rows shown later keep their tick.
    setCellChecked(cell, isSelectable(resource) && isSelected(resource));
}

void QVMultiSelectListController::onCellWasClicked(Object* resource, platform::ui::IndexPath indexPath)
{
    if (isSelectable(resource)) {
        auto it = find(resource);
        if (it == selected_.end())
            selected_.emplace_back(resource);
        else
            selected_.erase(it);
        setCellChecked(dynamic_cast<QVTableCellHelper*>(tableView()->cellForRowAtIndexPath(indexPath)),
                       isSelected(resource));
    }
    tableView()->deselectRowAtIndexPath(indexPath, false);
}

} // namespace quorvel
