// Paged lists of server resources: answers into sections, the next page,
// streaming, and section headers and footers.
#include "social/ui/QVTableSequenceControllerHelper.h"

#include "platform/ui/AlertView.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVService.h"
#include "social/runtime/QVSessionRole.h"
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

void QVTableSequenceControllerHelper::viewDidLoad()
{
    QVTableControllerHelper::viewDidLoad();
    isLoadingNextPage_ = false;
    numLoadedPages_ = 0;
    resourceMap_ = QVResourceControllerMap::create();
    populateResourceMap(*resourceMap_);
}

void QVTableSequenceControllerHelper::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (QVService* service = getService())
        service->getIndexOnSuccess(onSuccess, onFailure);
}

// ---------------------------------------------------------------------------
// Rows

Object* QVTableSequenceControllerHelper::getResourceFromSection(QVTableSectionDescription* section, int row)
{
    QVPaginatedSeries* page = section ? section->page() : nullptr;
    if (!page)
        return nullptr;
    if (hasStreamingSections()) {
        row -= _getLoadedBaseRowIndex();
        size_t loaded = sections_ && !sections_->empty() && sections_->front()->page()
            ? sections_->front()->page()->count() : 0;
        if (row < 0 || static_cast<size_t>(row) >= loaded)
            return nullptr;
    }
    return row < 0 ? nullptr : page->objectAtIndex(static_cast<size_t>(row));
}

std::string QVTableSequenceControllerHelper::getCellControllerNameFromSection(QVTableSectionDescription* section, int row)
{
    Object* resource = getResourceFromSection(section, row);
    if (!resource)
        return hasStreamingSections() ? getCellControllerNameForStreamingCells() : std::string();
    if (!resourceMap_)
        return "";
    return resourceMap_->getControllerName(*resource).value_or("");
}

Object* QVTableSequenceControllerHelper::getResourceAtIndexPath(IndexPath indexPath)
{
    QVTableSectionDescription* section = getSectionForIndexPath(indexPath);
    if (!section)
        return nullptr;
    int dataRow = 0;
    CellType type = rowType(section, dataRowIndex(indexPath.section, indexPath.row), dataRow);
    if (type != QVTableSectionDescription::kObjectCell && type != QVTableSectionDescription::kActionCell)
        return nullptr;
    return getResourceFromSection(section, dataRow);
}

std::optional<IndexPath> QVTableSequenceControllerHelper::getFirstIndexPathForResource(const QVResource* resource)
{
    if (!resource || !sections_)
        return std::nullopt;
    for (size_t s = 0; s < sections_->size(); ++s) {
        QVTableSectionDescription* section = (*sections_)[s].get();
        if (!section->page())
            continue;
        const auto& objects = section->page()->objects();
        for (size_t i = 0; i < objects.size(); ++i) {
            auto* candidate = dynamic_cast<const QVResource*>(objects[i].get());
            if (candidate && candidate->resourceId() == resource->resourceId())
                return IndexPath::forRow(static_cast<int>(i) + (section->leadingCellName() ? 1 : 0), static_cast<int>(s));
        }
    }
    return std::nullopt;
}

void QVTableSequenceControllerHelper::configureCell(TableViewCell* cell, bool leading, bool trailing, bool odd)
{
    if (trailing && dynamic_cast<QVTableSequenceControllerLoadMoreCell*>(cell))
        return; // the load-more cell keeps its own look
    QVTableControllerHelper::configureCell(cell, leading, trailing, odd);
}

// ---------------------------------------------------------------------------
// Answers

std::optional<QVTableControllerHelper::Sections> QVTableSequenceControllerHelper::_sectionsFromResources(QVPaginatedSeries* series)
{
    if (series->tableMetaDataObjects().empty()) {
        metaDataObjects_.reset();
    } else {
        metaDataObjects_ = series->tableMetaDataObjects();
        series->setTableMetaDataObjects({});
    }
    if (series->count() == 0)
        return std::nullopt;
    if (!dynamic_cast<QVTableSectionDescription*>(series->objectAtIndex(0)))
        return Sections { QVTableSectionDescription::sectionWithTitle("", QVPaginatedSeries::paginatedSeriesFromSeries(*series)) };
    // A resource given beside the sections (one a screen added to the answer) belongs to the
    // section before it.
    std::vector<QVTableSectionDescription*> sections;
    for (const auto& object : series->objects()) {
        if (auto* section = dynamic_cast<QVTableSectionDescription*>(object.get())) {
            sections.push_back(section);
        } else if (QVPaginatedSeries* page = sections.empty() ? nullptr : sections.back()->page()) {
            page->objects().push_back(object);
            sections.back()->matchupExpandedViews();
        }
    }
    Sections kept;
    for (QVTableSectionDescription* section : sections) {
        bool hasObjects = section->page() && section->page()->count() > 0;
        if (hasObjects || getLeadingCellControllerNameForSection(static_cast<int>(kept.size())))
            kept.emplace_back(section);
    }
    if (kept.empty())
        return std::nullopt;
    return kept;
}

void QVTableSequenceControllerHelper::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    const bool firstLoad = !sections_;
    const bool wasAtHead = _isScrolledToHead();
    onBeforeResourcesProcessed(series);
    std::optional<Sections> sections = _sectionsFromResources(series);
    onSectionsCreated(sections);

    const bool onFirstPage = !series->header() || series->header()->currentPage <= 1;
    if (usesHeaderResource() && onFirstPage && sections) {
        int index = getHeaderResourceSectionIndex();
        if (index >= 0 && static_cast<size_t>(index) < sections->size()) {
            QVTableSectionDescription* section = (*sections)[static_cast<size_t>(index)].get();
            if (section->page() && section->page()->count() > 0) {
                Ref<Object> header = section->page()->objects().front();
                section->removeObjectAtIndex(0);
                onHeaderResourceDownloaded(header.get());
                if (section->page()->count() == 0)
                    sections->erase(sections->begin() + index);
                if (sections->empty())
                    sections.reset();
            }
        }
    }

    TableView* table = tableView();
    if (!firstLoad && allowPagination() && hasStreamingSections() && sections && sections_
        && sections->size() == sections_->size()) {
        // A streamed window: the visible rows it covers take their objects, without a reload.
        sections_ = std::move(sections);
        QVTableSectionDescription* last = sections_->back().get();
        QVPaginatedSeries* page = last->page();
        if (table && page) {
            const int section = static_cast<int>(sections_->size()) - 1;
            const int base = static_cast<int>(page->header() ? page->header()->currentOffset : 0)
                + (last->leadingCellName() ? 1 : 0);
            for (size_t i = 0; i < page->count(); ++i) {
                const int row = base + static_cast<int>(i);
                if (TableViewCell* cell = table->cellForRowAtIndexPath(IndexPath::forRow(row, section)))
                    _changeResource(page->objectAtIndex(i), cell, row);
            }
        }
    } else if (!firstLoad && isIncremental && sections_ && !sections_->empty()) {
        // Merge into the last section; an answer without objects changes nothing.
        if (sections && !sections->empty()) {
            QVTableSectionDescription* last = sections_->back().get();
            const bool paged = allowPagination() && last->page() && last->page()->header();
            const size_t added = last->addContentsOfSectionWhereUnique(*sections->back(), true, !paged);
            const size_t objects = last->page() ? last->page()->count() : 0;
            const bool fits = !table || table->contentSize().height <= table->bounds().size.height;
            if (paged || (fits && objects < kReloadBelowObjectCount)) {
                _reloadTableData();
            } else if (added > 0 && table) {
                // The new objects are the first of the page: their rows, in table order.
                const int section = static_cast<int>(sections_->size()) - 1;
                const int lead = last->leadingCellName() ? 1 : 0;
                const int count = getNumCellsInSection(section);
                std::vector<IndexPath> rows;
                for (size_t i = 0; i < added; ++i) {
                    int row = lead + static_cast<int>(i);
                    rows.push_back(IndexPath::forRow(isNewContentShownAtBottom() ? count - 1 - row : row, section));
                }
                table->beginUpdates();
                table->insertRowsAtIndexPaths(rows, TableViewRowAnimation::Fade);
                table->endUpdates();
            }
        }
    } else {
        sections_ = std::move(sections);
        if (sections_ && !sections_->empty())
            _reloadTableData();
    }

    if (table) {
        if (wasAtHead)
            _scrollToTableHead(!firstLoad);
        else
            table->flashScrollIndicators();
    }
    onResourcesDownloaded(series);
}

void QVTableSequenceControllerHelper::_reloadTableData()
{
    if (sections_ && !sections_->empty() && allowPagination() && !hasStreamingSections()) {
        QVTableSectionDescription* last = sections_->back().get();
        if (last->page() && last->page()->header() && !last->trailingCellName())
            last->setTrailingCellName(std::string(kLoadMoreCellName));
    }
    QVTableControllerHelper::_reloadTableData();
}

// ---------------------------------------------------------------------------
// Next page

QVTableSequenceControllerLoadMoreCell* QVTableSequenceControllerHelper::visibleLoadMoreCell()
{
    TableView* table = tableView();
    if (!table || !sections_ || sections_->empty())
        return nullptr;
    int section = static_cast<int>(sections_->size()) - 1;
    int rows = table->numberOfRowsInSection(section);
    if (rows <= 0)
        return nullptr;
    return dynamic_cast<QVTableSequenceControllerLoadMoreCell*>(
        table->cellForRowAtIndexPath(IndexPath::forRow(rows - 1, section)));
}

void QVTableSequenceControllerHelper::onRefreshingData()
{
    numLoadedPages_ = 1;
    pagesAskedAs_ = QVSessionRole::current().lastLoggedInUserId();
}

void QVTableSequenceControllerHelper::onTrailingCellWasClickedForSection(int section)
{
    onTrailingCellWasClickedForSection(section, QVDelegate(), QVDelegate());
}

void QVTableSequenceControllerHelper::doLoadMoreOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (sections_ && !sections_->empty())
        onTrailingCellWasClickedForSection(static_cast<int>(sections_->size()) - 1, onSuccess, onFailure);
}

void QVTableSequenceControllerHelper::onTrailingCellWasClickedForSection(int section, const QVDelegate& onSuccess,
                                                                         const QVDelegate& onFailure)
{
    if (!sections_ || section != static_cast<int>(sections_->size()) - 1 || isLoadingNextPage_)
        return;
    QVPaginatedSeries* page = sections_->back()->page();
    if (page && page->header() && page->header()->isLastPageLoaded())
        return;
    if (pagesAskedAs_ != QVSessionRole::current().lastLoggedInUserId()) {
        reloadDataFromServer();
        return;
    }
    ++numLoadedPages_;
    if (TableView* table = tableView()) {
        int rows = table->numberOfRowsInSection(section);
        if (rows > 0)
            table->deselectRowAtIndexPath(IndexPath::forRow(rows - 1, section), true);
    }
    if (auto* cell = visibleLoadMoreCell())
        cell->setIsLoading(true);
    isLoadingNextPage_ = true;
    Ref<QVTableSequenceControllerHelper> keep(this);
    const QVDelegate failed(this, BRISKO_SELECTOR(QVTableSequenceControllerHelper, _paginationRequestFailed), onFailure);
    doIndexActionWithPage(
        numLoadedPages_,
        QVDelegate(this, BRISKO_SELECTOR(QVTableSequenceControllerHelper, _paginationRequestSucceeded), onSuccess), failed);
    // A client turned off (a logout or a decline) drops what is asked of it
    // without an answer: the page fails now, so the load-more row stops
    // turning and the next touch asks again, instead of never.
    QVProvider* provider = QVSessionRole::current().provider();
    if (isLoadingNextPage_ && provider && provider->isDropping())
        failed.invoke(nullptr);
}

void QVTableSequenceControllerHelper::_paginationRequestSucceeded(Object* series, Object* chainedDelegate)
{
    Ref<QVTableSequenceControllerHelper> keep(this);
    isLoadingNextPage_ = false;
    if (auto* cell = visibleLoadMoreCell())
        cell->setIsLoading(false);
    _onDataLoadedWrapperIsIncremental(series, true);
    // The merge reloaded the table; the load-more row is refreshed where it is now.
    TableView* table = tableView();
    if (table && sections_ && !sections_->empty()) {
        int section = static_cast<int>(sections_->size()) - 1;
        int rows = table->numberOfRowsInSection(section);
        if (rows > 0 && cellTypeAtIndexPath(IndexPath::forRow(rows - 1, section)) == QVTableSectionDescription::kTrailingCell)
            table->reloadRowsAtIndexPaths({ IndexPath::forRow(rows - 1, section) }, TableViewRowAnimation::Fade);
    }
    if (auto* chained = dynamic_cast<QVDelegateChained*>(chainedDelegate))
        chained->invoke();
}

void QVTableSequenceControllerHelper::_paginationRequestFailed(Object* answer, Object* chainedDelegate)
{
    Ref<QVTableSequenceControllerHelper> keep(this);
    // The page was not loaded: the next touch asks for it again.
    if (numLoadedPages_ > 0)
        --numLoadedPages_;
    isLoadingNextPage_ = false;
    if (auto* cell = visibleLoadMoreCell())
        cell->setIsLoading(false);
    AlertView::alert("", kLoadMoreFailedMessage, nullptr, "Ok")->show();
    getOnFailureDelegate().invoke(answer);
    if (auto* chained = dynamic_cast<QVDelegateChained*>(chainedDelegate))
        chained->invoke();
}

// ---------------------------------------------------------------------------
// Streaming

void QVTableSequenceControllerHelper::tableViewWillDisplayCell(TableView*, TableViewCell*, IndexPath)
{
    if (!hasStreamingSections())
        return;
    platform::RunLoop& loop = platform::RunLoop::main();
    if (countdownToStreamingRequest_ && countdownToStreamingRequest_->isValid()) {
        countdownToStreamingRequest_->setFireTime(loop.now() + kStreamingDelay);
        return;
    }
    platform::Weak<QVTableSequenceControllerHelper> weak(this);
    countdownToStreamingRequest_ = loop.performAfter(kStreamingDelay, [weak] {
        if (auto self = weak.lock())
            self->_downloadCurrentStreamingPage();
    });
}

void QVTableSequenceControllerHelper::_downloadCurrentStreamingPage()
{
    if (countdownToStreamingRequest_)
        countdownToStreamingRequest_->invalidate();
    countdownToStreamingRequest_ = nullptr;
    TableView* table = tableView();
    if (!table)
        return;
    std::vector<IndexPath> visible = table->indexPathsForVisibleRows();
    const int first = visible.empty() ? 0 : visible.front().row;
    // A few rows above the first visible one; never before the first row.
    const int offset = first == 0 ? 0 : std::max(0, first - kStreamingRowsAbove);
    doIndexActionWithOffset(offset,
                            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVTableSequenceControllerHelper,
                                                                                     _streamingPaginationSucceeded))),
                            QVDelegate());
}

void QVTableSequenceControllerHelper::_streamingPaginationSucceeded(Object* series)
{
    _onDataLoadedWrapperIsIncremental(series, true);
}

// ---------------------------------------------------------------------------
// Section headers and footers

Ref<View> QVTableSequenceControllerHelper::tableViewViewForHeaderInSection(TableView* table, int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (!s)
        return nullptr;
    if (!s->headerView() && table->style() == TableViewStyle::Plain && usePlainTableSectionHeaders())
        s->setHeaderView(createPlainTableSectionHeader(section).get());
    return Ref<View>(s->headerView());
}

Ref<View> QVTableSequenceControllerHelper::tableViewViewForFooterInSection(TableView*, int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    return s ? Ref<View>(s->footerView()) : nullptr;
}

float QVTableSequenceControllerHelper::tableViewHeightForHeaderInSection(TableView* table, int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (s && !s->headerView() && table->style() == TableViewStyle::Plain && usePlainTableSectionHeaders())
        s->setHeaderView(createPlainTableSectionHeader(section).get());
    if (s && s->headerView())
        return s->headerView()->frame().size.height;
    if (table->style() == TableViewStyle::Plain && !usePlainTableSectionHeaders())
        return 0;
    return s && !s->title().empty() ? kTitledSectionHeaderHeight : 0;
}

float QVTableSequenceControllerHelper::tableViewHeightForFooterInSection(TableView*, int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    return s && s->footerView() ? s->footerView()->frame().size.height : 0;
}

} // namespace quorvel
