// The list screen's answers to taps and edits: selection, the accessory button,
// deletion with its confirmation, the section index and plain section headers.
#include "social/ui/QVTableControllerHelper.h"

#include "platform/ui/Label.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

void QVTableControllerHelper::tableViewDidSelectRowAtIndexPath(TableView*, IndexPath indexPath)
{
    CellType type = cellTypeAtIndexPath(indexPath);
    if (type == QVTableSectionDescription::kLeadingCell)
        onLeadingCellWasClickedForSection(indexPath.section);
    else if (type == QVTableSectionDescription::kTrailingCell)
        onTrailingCellWasClickedForSection(indexPath.section);
    else
        onCellWasClicked(getCellAtIndexPath(indexPath), indexPath);
}

void QVTableControllerHelper::tableViewAccessoryButtonTappedForRowWithIndexPath(TableView* table, IndexPath indexPath)
{
    tableViewDidSelectRowAtIndexPath(table, indexPath);
}

bool QVTableControllerHelper::tableViewCanEditRowAtIndexPath(TableView*, IndexPath indexPath)
{
    if (!allowEditing() || hasStreamingSections())
        return false;
    CellType type = cellTypeAtIndexPath(indexPath);
    return type == QVTableSectionDescription::kObjectCell;
}

void QVTableControllerHelper::tableViewCommitEditingStyle(TableView*, CellEditingStyle style, IndexPath indexPath)
{
    if (style != CellEditingStyle::Delete)
        return;
    deletingIndexPath_ = indexPath;
    deletingResource_ = getCellAtIndexPath(indexPath);
    if (shouldConfirmResourceDeletion()) {
        auto sheet = ActionSheet::sheet(getResourceDeletePromptText(deletingResource_.get()), this,
                                        getResourceDeleteCancelText(), getResourceDeleteConfirmText());
        sheet->showInView(view());
    } else {
        _confirmDelete();
    }
}

void QVTableControllerHelper::actionSheetDidDismissWithButtonIndex(ActionSheet* sheet, int index)
{
    if (index == sheet->destructiveButtonIndex()) {
        _confirmDelete();
        return;
    }
    deletingIndexPath_.reset();
    deletingResource_ = nullptr;
}

void QVTableControllerHelper::_confirmDelete()
{
    if (!deletingIndexPath_)
        return;
    Ref<QVTableControllerHelper> keep(this);
    IndexPath path = *deletingIndexPath_;
    Ref<Object> expected = std::move(deletingResource_);
    deletingIndexPath_.reset();
    QVTableSectionDescription* section = getSectionForIndexPath(path);
    if (!section || !section->page())
        return;
    // The row maps to its object through the section (leading and action rows
    // shift the objects); when the list changed since, nothing is removed.
    int dataRow = 0;
    if (section->gatherDataForRow(dataRowIndex(path.section, path.row), dataRow) != QVTableSectionDescription::kObjectCell)
        return;
    Ref<Object> object(section->page()->objectAtIndex(static_cast<size_t>(dataRow)));
    if (!object || (expected && expected != object))
        return;
    const bool expanded = section->isExpanded(static_cast<size_t>(dataRow));
    section->removeObjectAtIndex(static_cast<size_t>(dataRow));
    if (TableView* table = tableView()) {
        std::vector<IndexPath> rows { path };
        if (expanded) // its action row goes with it
            rows.push_back(IndexPath::forRow(isNewContentShownAtBottom() ? path.row - 1 : path.row + 1, path.section));
        table->deleteRowsAtIndexPaths(rows, TableViewRowAnimation::Fade);
    }
    onResourceWasDeleted(object.get());
}

std::vector<std::string> QVTableControllerHelper::sectionIndexTitlesForTableView(TableView*)
{
    if (!isAlphabeticalList() || getNumCellsInTable() == 0)
        return {};
    std::vector<std::string> titles;
    for (char c = 'A'; c <= 'Z'; ++c)
        titles.emplace_back(1, c);
    titles.emplace_back("#");
    return titles;
}

int QVTableControllerHelper::tableViewSectionForSectionIndexTitle(TableView*, const std::string& title, int)
{
    if (!isAlphabeticalList() || !sections_ || sections_->empty())
        return 0;
    if (title.empty())
        return 0;
    for (size_t i = 0; i < sections_->size(); ++i) {
        const std::string& sectionTitle = (*sections_)[i]->title();
        if (sectionTitle == title)
            return static_cast<int>(i);
        if (title != "#" && !sectionTitle.empty() && sectionTitle[0] > title[0])
            return static_cast<int>(i);
    }
    return static_cast<int>(sections_->size()) - 1;
}

Ref<View> QVTableControllerHelper::createPlainTableSectionHeader(int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (!s || s->title().empty())
        return nullptr;
    Ref<View> header = QVControllerLoader::loadView(kPlainSectionHeaderName);
    if (!header)
        return nullptr;
    if (auto* label = dynamic_cast<Label*>(header->viewWithTag(1)))
        label->setText(s->title());
    return header;
}

} // namespace quorvel
