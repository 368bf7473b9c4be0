// The list screen base: first-appearance load, answers into sections, cells
// by name, the empty-data footer, the header, refresh notifications,
// selection, expansion, deletion and the section index.
#include "social/ui/QVTableControllerHelper.h"

#include "platform/foundation/Log.h"
#include "platform/ui/Label.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVViewHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

bool QVTableControllerHelper::init()
{
    return TableViewController::init();
}

QVTableControllerHelper::~QVTableControllerHelper()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // Tearing down neither lays the table out nor asks for cells (a layout
    // here would ask a data source that is gone, inside a destructor).
    if (TableView* table = mMyTableView.get()) { // never view(): that would load a view now
        if (table->dataSource() == this)
            table->setDataSource(nullptr);
        if (table->delegate() == this)
            table->setDelegate(nullptr);
        table->discardContents(); // its cells and header point back at this screen
    }
    if (mTableHeaderController && mTableHeaderController->isViewLoaded())
        mTableHeaderController->view()->removeFromSuperview();
    for (auto& [name, cell] : mHelperCellsForHeight)
        if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell.get()))
            helper->setOwningTable(nullptr);
}

TableView* QVTableControllerHelper::tableView()
{
    if (auto* table = dynamic_cast<TableView*>(view()))
        return table;
    return mMyTableView.get();
}

QVNavigationController* QVTableControllerHelper::qvNavigationController() const
{
    return dynamic_cast<QVNavigationController*>(navigationController());
}

// ---------------------------------------------------------------------------
// Creation and appearance

void QVTableControllerHelper::loadView()
{
    auto table = QVTableView::tableViewWithFrame(QVDashboardRole::current().getDashboardBounds(), tableStyle_);
    table->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    table->setSeparatorColor(Color::clear()); // no separators: the cell backgrounds draw the rows
    mMyTableView = table.get();
    setTableView(table.get());
}

void QVTableControllerHelper::viewDidLoad()
{
    TableViewController::viewDidLoad();
    TableView* table = tableView();
    table->setDataSource(this);
    table->setDelegate(this);
    mHelperCellsForHeight.clear();
    view()->setBackgroundColor(Color::clear());
    view()->setOpaque(false);
    if (Ref<View> background = getBackgroundView()) {
        mContainerView = background;
        background->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        background->setAutoresizesSubviews(true);
        platform::Rect frame = background->frame();
        frame.origin = platform::Point(0, 0);
        table->setFrame(frame);
        background->addSubview(table);
        setView(background.get());
    }
}

void QVTableControllerHelper::viewWillAppear(bool animated)
{
    // The platform's own step (reload on first appearance) is replaced by this one.
    TableView* table = tableView();
    if (mSections) {
        if (table && table->indexPathForSelectedRow())
            table->deselectRowAtIndexPath(*table->indexPathForSelectedRow(), animated);
    } else if (table) {
        table->reloadData();
    }
    if (shouldRefreshAfterNotification()) {
        std::string name = getNotificationToRefreshAfter();
        auto& center = platform::NotificationCenter::defaultCenter();
        if (!observedNotification_.empty())
            center.removeObserver(this, observedNotification_);
        observedNotification_ = name;
        center.addObserver(this, name, [this](const platform::Notification& n) { _refreshDataIncrementally(n); });
    }
    if (!autoLoadData() && _shouldRefresh()) {
        _createAndDisplayTableHeader();
        _displayEmptyDataSetView(nullptr, getDataNotLoadedYetMessage());
    }
}

void QVTableControllerHelper::viewDidAppear(bool animated)
{
    TableViewController::viewDidAppear(animated);
    if (autoLoadData() && _shouldRefresh())
        _refreshData();
}

void QVTableControllerHelper::viewWillDisappear(bool animated)
{
    QVViewHelper::resignFirstResponder(view());
    hideLoadingScreen();
    if (!observedNotification_.empty()) {
        platform::NotificationCenter::defaultCenter().removeObserver(this, observedNotification_);
        observedNotification_.clear();
    }
    TableViewController::viewWillDisappear(animated);
}

bool QVTableControllerHelper::shouldAutorotateToInterfaceOrientation(InterfaceOrientation o)
{
    return o == QVDashboardRole::current().getDashboardOrientation();
}

// ---------------------------------------------------------------------------
// Requests and answers

QVDelegate QVTableControllerHelper::getOnSuccessDelegate()
{
    return QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVTableControllerHelper, _onDataLoadedWrapper)));
}

QVDelegate QVTableControllerHelper::getOnFailureDelegate()
{
    return QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVTableControllerHelper, _onDataFailedLoading)));
}

void QVTableControllerHelper::_refreshData()
{
    showLoadingScreen();
    onRefreshingData();
    doIndexActionOnSuccess(getOnSuccessDelegate(), getOnFailureDelegate());
}

void QVTableControllerHelper::_onDataLoadedWrapperIsIncremental(Object* answer, bool isIncremental)
{
    Ref<QVTableControllerHelper> keep(this);
    hideLoadingScreen();
    // Anything but a series (a missing answer) reads as an empty one.
    Ref<QVPaginatedSeries> series(dynamic_cast<QVPaginatedSeries*>(answer));
    if (!series)
        series = QVPaginatedSeries::paginatedSeries();
    _onDataLoaded(series.get(), isIncremental);
    _createAndDisplayTableHeader();
    if (!mSections || mSections->empty()) {
        if (shouldDisplayEmptyDataSet())
            _displayEmptyDataSetView(getNoDataFoundViewController().get(), getNoDataFoundMessage());
        _reloadTableData();
    } else {
        _removeEmptyDataSetView();
    }
}

void QVTableControllerHelper::_reloadTableData()
{
    if (mSections) {
        for (size_t i = 0; i < mSections->size(); ++i) {
            QVTableSectionDescription* section = (*mSections)[i].get();
            if (!section->leadingCellName())
                section->setLeadingCellName(getLeadingCellControllerNameForSection(static_cast<int>(i)));
            if (!section->trailingCellName())
                section->setTrailingCellName(getTrailingCellControllerNameForSection(static_cast<int>(i)));
        }
    }
    if (TableView* table = tableView())
        table->reloadData();
}

void QVTableControllerHelper::_refreshDataIncrementally(const platform::Notification& notification)
{
    auto series = QVPaginatedSeries::paginatedSeries();
    if (auto* resources = dynamic_cast<QVPaginatedSeries*>(notification.userObject(QVPoller::kResourcesKey))) {
        for (const auto& resource : resources->objects())
            if (resource && isNotificationResourceValid(resource.get()))
                series->objects().push_back(resource);
    }
    _onDataLoadedWrapperIsIncremental(series.get(), true);
}

// ---------------------------------------------------------------------------
// Empty-data footer and table header

void QVTableControllerHelper::_displayEmptyDataSetView(ViewController* controller, const std::string& message)
{
    TableView* table = tableView();
    if (!table)
        return;
    if (controller) {
        mEmptyTableController = controller;
    } else {
        mEmptyTableController = QVControllerLoader::load(kEmptyDataSetName);
        if (mEmptyTableController)
            requireCast<QVDeadEndErrorController>(mEmptyTableController, "The empty-list screen must take its message")
                ->setMessage(message);
    }
    if (!mEmptyTableController) {
        platform::logLine(platform::LogLevel::Warning, "QVTableControllerHelper: no empty-data screen to show");
        return;
    }
    mEmptyTableController->notifyViewWillAppear(false);
    View* footer = mEmptyTableController->view();
    footer->setFrame(platform::Rect(0, footer->frame().origin.y, table->frame().size.width,
                                    table->frame().size.height));
    table->setTableFooterView(footer);
    onTableFooterCreated(mEmptyTableController.get());
    table->reloadData();
}

void QVTableControllerHelper::_removeEmptyDataSetView()
{
    // Only the empty-data screen goes: a footer of the screen's own stays.
    Ref<ViewController> empty = std::move(mEmptyTableController);
    TableView* table = tableView();
    if (table && empty && empty->isViewLoaded() && table->tableFooterView() == empty->view())
        table->setTableFooterView(nullptr);
}

void QVTableControllerHelper::_createAndDisplayTableHeader()
{
    TableView* table = tableView();
    if (!table)
        return;
    if (auto controllerName = getTableHeaderControllerName()) {
        if (mTableHeaderController)
            return;
        mTableHeaderView = nullptr;
        mTableHeaderController = QVControllerLoader::load(*controllerName, this);
        onTableHeaderCreated(mTableHeaderController.get());
        if (!mTableHeaderController) {
            table->setTableHeaderView(nullptr);
            return;
        }
        if (auto* header = dynamic_cast<QVTableControllerHeader*>(mTableHeaderController.get())) {
            View* sizing = view();
            if (auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(sizing))
                sizing = wrapper->wrappedView();
            header->resizeView(sizing);
        }
        table->setTableHeaderView(mTableHeaderController->view());
    } else if (auto viewName = getTableHeaderViewName()) {
        if (mTableHeaderView)
            return;
        mTableHeaderController = nullptr;
        mTableHeaderView = QVControllerLoader::loadView(*viewName, this);
        onTableHeaderCreated(nullptr);
        table->setTableHeaderView(mTableHeaderView.get());
    } else {
        table->setTableHeaderView(nullptr);
    }
}

// ---------------------------------------------------------------------------
// Sections and rows

void QVTableControllerHelper::insertSection(QVTableSectionDescription* section, size_t index)
{
    if (!section)
        return;
    if (!mSections)
        mSections.emplace();
    index = std::min(index, mSections->size());
    mSections->insert(mSections->begin() + static_cast<std::ptrdiff_t>(index), Ref<QVTableSectionDescription>(section));
}

QVTableSectionDescription* QVTableControllerHelper::getSectionWithIdentifier(const std::string& identifier) const
{
    if (mSections)
        for (const auto& s : *mSections)
            if (s->identifier() == identifier)
                return s.get();
    return nullptr;
}

QVTableSectionDescription* QVTableControllerHelper::getSectionForIndexPath(IndexPath indexPath) const
{
    if (!mSections || indexPath.section < 0 || indexPath.section >= static_cast<int>(mSections->size()))
        return nullptr;
    return (*mSections)[static_cast<size_t>(indexPath.section)].get();
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
    if (mSections)
        for (const auto& s : *mSections)
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
    if (!mSections || mSections->empty())
        return 0;
    QVPaginatedSeries* page = mSections->front()->page();
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

// ---------------------------------------------------------------------------
// Cells

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
        auto cached = mHelperCellsForHeight.find(name);
        if (cached != mHelperCellsForHeight.end()) {
            cell = cached->second;
        } else {
            cell = loadCell(name);
            if (!cell)
                return blankCell();
            mHelperCellsForHeight[name] = cell;
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
    return mSections ? static_cast<int>(mSections->size()) : 1;
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

// ---------------------------------------------------------------------------
// Selection, deletion, index

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
    if (!isAlphabeticalList() || !mSections || mSections->empty())
        return 0;
    if (title.empty())
        return 0;
    for (size_t i = 0; i < mSections->size(); ++i) {
        const std::string& sectionTitle = (*mSections)[i]->title();
        if (sectionTitle == title)
            return static_cast<int>(i);
        if (title != "#" && !sectionTitle.empty() && sectionTitle[0] > title[0])
            return static_cast<int>(i);
    }
    return static_cast<int>(mSections->size()) - 1;
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

// ---------------------------------------------------------------------------
// Scrolling

bool QVTableControllerHelper::_isScrolledToHead()
{
    if (!mSections || mSections->empty())
        return true;
    TableView* table = tableView();
    if (!table)
        return true;
    std::vector<IndexPath> visible = table->indexPathsForVisibleRows();
    if (visible.empty())
        return true;
    IndexPath last = visible.back();
    if (last == IndexPath::forRow(0, 0))
        return true;
    if (isNewContentShownAtBottom()) {
        int lastSection = table->numberOfSections() - 1;
        return last.section == lastSection && last.row == table->numberOfRowsInSection(lastSection) - 1;
    }
    return false;
}

void QVTableControllerHelper::_scrollToTableHead(bool animated)
{
    TableView* table = tableView();
    if (!table || !mSections || mSections->empty())
        return;
    if (isNewContentShownAtBottom()) {
        if (View* footer = table->tableFooterView()) {
            table->scrollRectToVisible(footer->frame(), animated);
            return;
        }
        int lastSection = table->numberOfSections() - 1;
        if (lastSection < 0)
            return;
        int rows = table->numberOfRowsInSection(lastSection);
        if (rows > 0)
            table->scrollToRowAtIndexPath(IndexPath::forRow(rows - 1, lastSection), TableViewScrollPosition::Bottom,
                                          animated);
        return;
    }
    if (View* header = table->tableHeaderView()) {
        table->scrollRectToVisible(header->frame(), animated);
        return;
    }
    // The first row with its section's header above it: the head of the list is its top.
    if (table->numberOfSections() > 0 && table->numberOfRowsInSection(0) > 0) {
        platform::Rect row = table->rectForRowAtIndexPath(IndexPath::forRow(0, 0));
        platform::Rect header = table->rectForHeaderInSection(0);
        float top = header.size.height > 0 ? std::min(header.minY(), row.minY()) : row.minY();
        table->scrollRectToVisible(platform::Rect(row.origin.x, top, row.size.width, row.maxY() - top), animated);
    }
}

// ---------------------------------------------------------------------------
// Navigation context

void QVTableControllerHelper::showLoadingScreen()
{
    if (auto* nav = qvNavigationController())
        nav->showLoadingIndicator();
}

void QVTableControllerHelper::hideLoadingScreen()
{
    if (auto* nav = qvNavigationController())
        nav->hideLoadingIndicator();
}

bool QVTableControllerHelper::isInHiddenTab() const
{
    auto* nav = qvNavigationController();
    return nav && nav->isInHiddenTab();
}

void QVTableControllerHelper::setBadgeValue(const std::optional<std::string>& value)
{
    if (auto* nav = qvNavigationController())
        nav->setBadgeValue(value);
    else
        badgeValue_ = value;
}

Object* QVTableControllerHelper::getPageContextUser() const
{
    auto* nav = qvNavigationController();
    return nav ? nav->currentUser() : nullptr;
}

Object* QVTableControllerHelper::getPageComparisonUser() const
{
    auto* nav = qvNavigationController();
    return nav ? nav->comparisonUser() : nullptr;
}

Object* QVTableControllerHelper::getPageContextGame() const
{
    auto* nav = qvNavigationController();
    return nav ? nav->currentGameContext() : nullptr;
}

} // namespace quorvel
