// The single-resource list: the fetch by id and the rows it describes.
#include "social/ui/QVTableSingleControllerHelper.h"

#include "social/runtime/QVService.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;

void QVTableSingleControllerHelper::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (QVService* service = getService())
        service->getShowWithId(resourceId_, onSuccess, onFailure);
}

void QVTableSingleControllerHelper::_onDataLoaded(QVPaginatedSeries* series, bool)
{
    sections_.reset();
    if (series->count() > 0)
        sections_ = tableSectionDescriptionsForResource(series->objectAtIndex(0));
    if (TableView* table = tableView())
        table->reloadData();
}

std::string QVTableSingleControllerHelper::getCellControllerNameFromSection(QVTableSectionDescription* section, int row)
{
    auto* description = section && section->page()
        ? dynamic_cast<QVTableSectionCellDescription*>(section->page()->objectAtIndex(static_cast<size_t>(row)))
        : nullptr;
    return description ? description->controllerName() : std::string();
}

Object* QVTableSingleControllerHelper::getResourceFromSection(QVTableSectionDescription* section, int row)
{
    auto* description = section && section->page()
        ? dynamic_cast<QVTableSectionCellDescription*>(section->page()->objectAtIndex(static_cast<size_t>(row)))
        : nullptr;
    return description ? description->resource() : nullptr;
}

} // namespace quorvel
