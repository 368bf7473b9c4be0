// The list screen's cells: made by name for each row and given their resource,
// decorated by their place in the section, and measured for their height.
#include "social/ui/QVTableControllerHelper.h"

#include "platform/foundation/Log.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVTableCellHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

Ref<TableViewCell> QVTableControllerHelper::loadCell(const std::string& name)
{
    Ref<TableViewCell> cell = QVControllerLoader::loadCell(name, this);
    if (!cell)
        return nullptr;
    if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell.get()))
        helper->setOwningTable(this);
    if (TableView* table = tableView()) {
        platform::Rect frame = cell->frame();
        frame.size.width = table->frame().size.width;
        cell->setFrame(frame);
    }
    return cell;
}

void QVTableControllerHelper::_changeResource(Object* resource, TableViewCell* cell, int index)
{
    if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell))
        helper->changeResource(resource, index);
}

namespace {

Ref<TableViewCell> blankCell()
{
    return TableViewCell::cellWithStyle(TableViewCellStyle::Default, "");
}

} // namespace

Ref<TableViewCell> QVTableControllerHelper::getCellForIndex(IndexPath indexPath, TableView* table, bool useHelperCell)
{
    QVTableSectionDescription* section = getSectionForIndexPath(indexPath);
    if (!section)
        return blankCell();
    const int count = hasStreamingSections() ? section->countEntireItemSet() : section->countPageItems();
    const bool odd = indexPath.row % 2 == 1;
    const int row = isNewContentShownAtBottom() ? count - 1 - indexPath.row : indexPath.row;

    int dataRow = 0;
    CellType type = rowType(section, row, dataRow);
    std::string name;
    Ref<Object> resource;
    const bool leading = type == QVTableSectionDescription::kLeadingCell;
    const bool trailing = type == QVTableSectionDescription::kTrailingCell;
    switch (type) {
    case QVTableSectionDescription::kLeadingCell:
        name = section->leadingCellName().value_or("");
        resource = section;
        break;
    case QVTableSectionDescription::kStaticCell: {
        Ref<TableViewCell> cell = section->staticCells()[static_cast<size_t>(dataRow)];
        configureCell(cell.get(), false, false, odd);
        return cell;
    }
    case QVTableSectionDescription::kObjectCell:
        name = getCellControllerNameFromSection(section, dataRow);
        resource = getResourceFromSection(section, dataRow);
        break;
    case QVTableSectionDescription::kActionCell:
        name = actionCellClassName().value_or("");
        resource = getResourceFromSection(section, dataRow);
        break;
    case QVTableSectionDescription::kTrailingCell:
        name = section->trailingCellName().value_or("");
        resource = section;
        break;
    default:
        platform::logLine(platform::LogLevel::Error, "QVTableControllerHelper: unhandled cell type for row "
                                                         + std::to_string(indexPath.row) + " of section "
                                                         + std::to_string(indexPath.section));
        return blankCell();
    }

    if (useHelperCell) {
        Ref<TableViewCell> cell;
        auto cached = helperCellsForHeight_.find(name);
        if (cached != helperCellsForHeight_.end()) {
            cell = cached->second;
        } else {
            cell = loadCell(name);
            if (!cell)
                return blankCell();
            helperCellsForHeight_[name] = cell;
        }
        auto* helper = dynamic_cast<QVTableCellHelper*>(cell.get());
        if (helper && helper->hasConstantHeight())
            return cell;
        configureCell(cell.get(), leading, trailing, odd);
        if (helper)
            helper->changeResource(resource.get());
        _changeResource(resource.get(), cell.get(), row);
        return cell;
    }

    Ref<TableViewCell> cell = table ? table->dequeueReusableCellWithIdentifier(name) : nullptr;
    if (!cell)
        cell = loadCell(name);
    if (!cell) {
        platform::logLine(platform::LogLevel::Error, "QVTableControllerHelper: no cell named " + name);
        return blankCell();
    }
    configureCell(cell.get(), leading, trailing, odd);
    if (hasStreamingSections())
        _changeResource(resource.get(), cell.get(), row);
    else if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell.get()))
        helper->changeResource(resource.get());
    if (leading)
        onLeadingCellWasLoaded(cell.get(), indexPath.section);
    else if (trailing)
        onTrailingCellWasLoaded(cell.get(), indexPath.section);
    return cell;
}

void QVTableControllerHelper::configureCell(TableViewCell* cell, bool leading, bool trailing, bool odd)
{
    if (!cell)
        return;
    auto* helper = dynamic_cast<QVTableCellHelper*>(cell);
    if (helper && helper->wantsToConfigureSelf()) {
        helper->configureSelfAsLeading(leading, trailing, odd);
        return;
    }
    auto* background = dynamic_cast<QVTableCellBackgroundView*>(cell->backgroundView());
    auto* selected = dynamic_cast<QVTableCellBackgroundView*>(cell->selectedBackgroundView());
    if (!background || !selected) {
        auto newBackground = QVTableCellBackgroundView::defaultBackgroundView();
        auto newSelected = QVTableCellBackgroundView::defaultBackgroundView();
        cell->setBackgroundView(newBackground.get());
        cell->setSelectedBackgroundView(newSelected.get());
        background = newBackground.get();
        selected = newSelected.get();
    }
    const char* normal;
    const char* highlighted;
    if (leading) {
        normal = highlighted = "QVLeadingCellBackground.png";
    } else if (trailing) {
        normal = highlighted = "QVTableCellDefaultBackground.png";
    } else if (odd) {
        normal = "QVTableCellDefaultBackgroundOdd.png";
        highlighted = "QVTableCellDefaultBackgroundOddSelected.png";
    } else {
        normal = "QVTableCellDefaultBackground.png";
        highlighted = "QVTableCellDefaultBackgroundSelected.png";
    }
    background->setImage(QVLoadKitImage(normal).get());
    selected->setImage(QVLoadKitImage(highlighted).get());
}

int QVTableControllerHelper::numberOfSectionsInTableView(TableView*)
{
    return sections_ ? static_cast<int>(sections_->size()) : 1;
}

int QVTableControllerHelper::tableViewNumberOfRowsInSection(TableView*, int section)
{
    return getNumCellsInSection(section);
}

Ref<TableViewCell> QVTableControllerHelper::tableViewCellForRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    return getCellForIndex(indexPath, table, false);
}

float QVTableControllerHelper::tableViewHeightForRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    Ref<TableViewCell> cell = getCellForIndex(indexPath, table, true);
    return cell ? cell->frame().size.height : TableView::kDefaultRowHeight;
}

std::string QVTableControllerHelper::tableViewTitleForHeaderInSection(TableView*, int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    return s ? s->title() : std::string();
}

} // namespace quorvel
