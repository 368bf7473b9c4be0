// The list screen's sections and rows: finding a section, counting its rows,
// telling leading, data and trailing rows apart, and expanding a row.
#include "social/ui/QVTableControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

void QVTableControllerHelper::insertSection(QVTableSectionDescription* section, size_t index)
{
    if (!section)
        return;
    if (!sections_)
        sections_.emplace();
    index = std::min(index, sections_->size());
    sections_->insert(sections_->begin() + static_cast<std::ptrdiff_t>(index), Ref<QVTableSectionDescription>(section));
}

QVTableSectionDescription* QVTableControllerHelper::getSectionWithIdentifier(const std::string& identifier) const
{
    if (sections_)
        for (const auto& s : *sections_)
            if (s->identifier() == identifier)
                return s.get();
    return nullptr;
}

QVTableSectionDescription* QVTableControllerHelper::getSectionForIndexPath(IndexPath indexPath) const
{
    if (!sections_ || indexPath.section < 0 || indexPath.section >= static_cast<int>(sections_->size()))
        return nullptr;
    return (*sections_)[static_cast<size_t>(indexPath.section)].get();
}

int QVTableControllerHelper::getNumCellsInSection(int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (!s)
        return 0;
    return hasStreamingSections() ? s->countEntireItemSet() : s->countPageItems();
}

int QVTableControllerHelper::getNumCellsInTable()
{
    int total = 0;
    if (sections_)
        for (const auto& s : *sections_)
            total += s->countPageItems();
    return total;
}

int QVTableControllerHelper::dataRowIndex(int section, int row)
{
    if (isNewContentShownAtBottom())
        return getNumCellsInSection(section) - 1 - row;
    return row;
}

QVTableControllerHelper::CellType QVTableControllerHelper::cellTypeAtIndexPath(IndexPath indexPath)
{
    QVTableSectionDescription* section = getSectionForIndexPath(indexPath);
    if (!section)
        return QVTableSectionDescription::kInvalidCell;
    int dataRow = 0;
    return rowType(section, dataRowIndex(indexPath.section, indexPath.row), dataRow);
}

QVTableControllerHelper::CellType QVTableControllerHelper::rowType(QVTableSectionDescription* section, int row,
                                                                   int& dataRow)
{
    if (!hasStreamingSections())
        return section->gatherDataForRow(row, dataRow);
    const int lead = section->leadingCellName() ? 1 : 0;
    const int total = section->countEntireItemSet();
    if (lead && row == 0)
        return QVTableSectionDescription::kLeadingCell;
    if (section->trailingCellName() && row == total - 1)
        return QVTableSectionDescription::kTrailingCell;
    if (row < lead || row >= total)
        return QVTableSectionDescription::kInvalidCell;
    dataRow = row - lead;
    return QVTableSectionDescription::kObjectCell;
}

int QVTableControllerHelper::_getLoadedBaseRowIndex()
{
    if (!sections_ || sections_->empty())
        return 0;
    QVPaginatedSeries* page = sections_->front()->page();
    return page && page->header() ? static_cast<int>(page->header()->currentOffset) : 0;
}

Object* QVTableControllerHelper::getCellAtIndexPath(IndexPath indexPath)
{
    QVTableSectionDescription* section = getSectionForIndexPath(indexPath);
    if (!section || !section->page())
        return nullptr;
    int dataRow = 0;
    CellType type = rowType(section, dataRowIndex(indexPath.section, indexPath.row), dataRow);
    if (type != QVTableSectionDescription::kObjectCell && type != QVTableSectionDescription::kActionCell)
        return nullptr;
    if (hasStreamingSections())
        dataRow -= _getLoadedBaseRowIndex();
    if (dataRow < 0)
        return nullptr;
    return section->page()->objectAtIndex(static_cast<size_t>(dataRow));
}

bool QVTableControllerHelper::isExpandedAtIndexPath(IndexPath indexPath)
{
    QVTableSectionDescription* section = getSectionForIndexPath(indexPath);
    if (!section)
        return false;
    int dataRow = 0;
    if (section->gatherDataForRow(dataRowIndex(indexPath.section, indexPath.row), dataRow)
        != QVTableSectionDescription::kObjectCell)
        return false;
    return section->isExpanded(static_cast<size_t>(dataRow));
}

void QVTableControllerHelper::toggleExpansionAtIndexPath(IndexPath indexPath)
{
    QVTableSectionDescription* section = getSectionForIndexPath(indexPath);
    if (!section)
        return;
    int dataRow = 0;
    if (section->gatherDataForRow(dataRowIndex(indexPath.section, indexPath.row), dataRow)
        != QVTableSectionDescription::kObjectCell)
        return;
    bool expanded = !section->isExpanded(static_cast<size_t>(dataRow));
    section->setExpanded(static_cast<size_t>(dataRow), expanded);
    TableView* table = tableView();
    if (!table)
        return;
    IndexPath below = IndexPath::forRow(indexPath.row + 1, indexPath.section);
    if (expanded)
        table->insertRowsAtIndexPaths({ below }, TableViewRowAnimation::Fade);
    else
        table->deleteRowsAtIndexPaths({ below }, TableViewRowAnimation::Fade);
}

} // namespace quorvel
