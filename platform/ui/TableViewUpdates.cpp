// TableView batch updates: inserts, deletes and reloads of sections and rows
// collected between beginUpdates and endUpdates (or one call alone), checked
// against the data source's new counts, then applied keeping the cells and the
// selection of the rows that stay.
#include "platform/ui/TableView.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

#include <algorithm>

namespace platform::ui {

void TableView::beginUpdates()
{
    ++updateDepth_;
}

void TableView::endUpdates()
{
    if (updateDepth_ == 0)
        return;
    if (--updateDepth_ > 0)
        return;
    PendingUpdate update = std::move(pending_);
    pending_ = {};
    applyUpdate(std::move(update));
}

#define BRISKO_TABLE_UPDATE(field, values)                               \
    do {                                                                 \
        pending_.field.insert(pending_.field.end(), values.begin(), values.end()); \
        if (updateDepth_ == 0) {                                         \
            PendingUpdate update = std::move(pending_);                  \
            pending_ = {};                                               \
            applyUpdate(std::move(update));                              \
        }                                                                \
    } while (0)

void TableView::insertSections(const std::vector<int>& s, TableViewRowAnimation) { BRISKO_TABLE_UPDATE(insertedSections, s); }
void TableView::deleteSections(const std::vector<int>& s, TableViewRowAnimation) { BRISKO_TABLE_UPDATE(deletedSections, s); }
void TableView::reloadSections(const std::vector<int>& s, TableViewRowAnimation) { BRISKO_TABLE_UPDATE(reloadedSections, s); }
void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& p, TableViewRowAnimation) { BRISKO_TABLE_UPDATE(insertedRows, p); }
void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& p, TableViewRowAnimation) { BRISKO_TABLE_UPDATE(deletedRows, p); }
void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& p, TableViewRowAnimation) { BRISKO_TABLE_UPDATE(reloadedRows, p); }

#undef BRISKO_TABLE_UPDATE

namespace {

template <typename T>
std::vector<T> sortedUnique(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

bool contains(const std::vector<int>& v, int x)
{
    return std::binary_search(v.begin(), v.end(), x);
}

// Old indexes 0..count-1 to new ones, skipping the deleted old indexes and the
// inserted new ones (both sorted); -1 for a deleted index.
std::vector<int> indexMap(int count, const std::vector<int>& deleted, const std::vector<int>& inserted)
{
    std::vector<int> map(count, -1);
    int next = 0;
    for (int old = 0; old < count; ++old) {
        if (contains(deleted, old))
            continue;
        while (contains(inserted, next))
            ++next;
        map[old] = next++;
    }
    return map;
}

} // namespace

// One update, its index lists sorted and each index once, with what the
// checks learn: the row counts before and after and where each old section
// and row goes.
struct TableView::UpdatePlan {
    std::vector<int> insertedSections, deletedSections, reloadedSections;
    std::vector<IndexPath> insertedRows, deletedRows, reloadedRows;
    std::vector<int> oldRowCounts;         // per section before the update
    std::vector<int> newRowCounts;         // per section after, from the data source
    std::vector<int> sectionMap;           // old section to new, -1 when deleted
    std::vector<std::vector<int>> rowMaps; // per old section, old row to new; empty when not kept row by row

    int oldCount() const { return int(oldRowCounts.size()); }
    int newCount() const { return int(newRowCounts.size()); }
    int rowsBefore(int section) const { return section >= 0 && section < oldCount() ? oldRowCounts[section] : 0; }
    int rowsAfter(int section) const { return section >= 0 && section < newCount() ? newRowCounts[section] : 0; }

    // Where a row shown before the update is after it; none for a row that
    // goes (deleted, or in a deleted or reloaded section).
    std::optional<IndexPath> newPath(const IndexPath& ip) const
    {
        if (ip.section >= oldCount() || sectionMap[ip.section] < 0 || rowMaps[ip.section].empty())
            return std::nullopt;
        int r = ip.row < int(rowMaps[ip.section].size()) ? rowMaps[ip.section][ip.row] : -1;
        if (r < 0)
            return std::nullopt;
        return IndexPath::forRow(r, sectionMap[ip.section]);
    }
};

void TableView::failUpdate(const std::string& reason)
{
    // The table goes back to what the data source says, so it stays usable
    // for whoever catches the error.
    reloadData();
    throw Exception(kInternalInconsistencyException, "Invalid table update: " + reason);
}

void TableView::applyUpdate(PendingUpdate update)
{
    Ref<TableView> keep = this;
    if (!loaded_) {
        reloadData();
        return;
    }
    UpdatePlan plan;
    plan.insertedSections = sortedUnique(update.insertedSections);
    plan.deletedSections = sortedUnique(update.deletedSections);
    plan.reloadedSections = sortedUnique(update.reloadedSections);
    plan.insertedRows = sortedUnique(update.insertedRows);
    plan.deletedRows = sortedUnique(update.deletedRows);
    plan.reloadedRows = sortedUnique(update.reloadedRows);
    for (int s = 0; s < numberOfSections(); ++s)
        plan.oldRowCounts.push_back(numberOfRowsInSection(s));

    checkSections(plan);
    plan.sectionMap = indexMap(plan.oldCount(), plan.deletedSections, plan.insertedSections);
    checkRowIndexes(plan);
    mapRows(plan);
    auto kept = takeKeptCells(plan);
    reloadSectionsAfterUpdate(plan.newCount());
    restoreKeptCells(std::move(kept));
    computeLayout();
    placeSectionViews();
    clampContentOffset();
    updateVisibleCells();
}

// The section counts: deleted and reloaded sections existed, inserted ones
// exist, and the data source's new count is the old one plus inserts minus
// deletes. Leaves the new count in the plan (rows still unknown).
void TableView::checkSections(UpdatePlan& plan)
{
    int oldCount = plan.oldCount();
    int newCount = dataSource_ ? std::max(0, dataSource_->numberOfSectionsInTableView(this)) : 0;
    for (int s : plan.deletedSections)
        if (s < 0 || s >= oldCount)
            failUpdate(format("attempt to delete section %d, but there are only %d sections before the update", s, oldCount));
    for (int s : plan.reloadedSections)
        if (s < 0 || s >= oldCount)
            failUpdate(format("attempt to reload section %d, but there are only %d sections before the update", s, oldCount));
    int expected = oldCount - int(plan.deletedSections.size()) + int(plan.insertedSections.size());
    if (expected != newCount)
        failUpdate(format("the number of sections after the update (%d) must equal the number before the update (%d), plus or "
                          "minus the number of sections inserted or deleted (%d inserted, %d deleted)",
                          newCount, oldCount, int(plan.insertedSections.size()), int(plan.deletedSections.size())));
    for (int s : plan.insertedSections)
        if (s < 0 || s >= newCount)
            failUpdate(format("attempt to insert section %d, but there are only %d sections after the update", s, newCount));
    plan.newRowCounts.assign(newCount, 0);
}

// Asks the data source for the new row counts, then checks that every deleted
// and reloaded row existed before and every inserted row exists after.
void TableView::checkRowIndexes(UpdatePlan& plan)
{
    for (int n = 0; n < plan.newCount(); ++n)
        plan.newRowCounts[n] = dataSource_ ? std::max(0, dataSource_->tableViewNumberOfRowsInSection(this, n)) : 0;
    auto existedBefore = [&](const IndexPath& ip) {
        return ip.section >= 0 && ip.section < plan.oldCount() && ip.row >= 0 && ip.row < plan.rowsBefore(ip.section);
    };
    for (const IndexPath& ip : plan.deletedRows)
        if (!existedBefore(ip))
            failUpdate(format("attempt to delete row %d from section %d, which has only %d rows before the update", ip.row,
                              ip.section, plan.rowsBefore(ip.section)));
    for (const IndexPath& ip : plan.reloadedRows)
        if (!existedBefore(ip))
            failUpdate(format("attempt to reload row %d in section %d, which has only %d rows before the update", ip.row,
                              ip.section, plan.rowsBefore(ip.section)));
    for (const IndexPath& ip : plan.insertedRows)
        if (ip.section < 0 || ip.section >= plan.newCount() || ip.row < 0 || ip.row >= plan.rowsAfter(ip.section))
            failUpdate(format("attempt to insert row %d into section %d, which has only %d rows after the update", ip.row,
                              ip.section, plan.rowsAfter(ip.section)));
}

// For each section that survives and is not reloaded: its row count must add
// up (old count plus inserts minus deletes); then maps its old rows to new.
void TableView::mapRows(UpdatePlan& plan)
{
    plan.rowMaps.assign(plan.oldCount(), {});
    for (int s = 0; s < plan.oldCount(); ++s) {
        int n = plan.sectionMap[s];
        if (n < 0 || contains(plan.reloadedSections, s))
            continue;
        std::vector<int> deleted, inserted; // sorted, as the lists are
        for (const IndexPath& ip : plan.deletedRows)
            if (ip.section == s)
                deleted.push_back(ip.row);
        for (const IndexPath& ip : plan.insertedRows)
            if (ip.section == n)
                inserted.push_back(ip.row);
        int before = plan.rowsBefore(s), after = plan.rowsAfter(n);
        if (after != before + int(inserted.size()) - int(deleted.size()))
            failUpdate(format("invalid number of rows in section %d. The number of rows after the update (%d) must equal the "
                              "number before the update (%d), plus or minus the number of rows inserted or deleted (%d "
                              "inserted, %d deleted)",
                              n, after, before, int(inserted.size()), int(deleted.size())));
        plan.rowMaps[s] = indexMap(before, deleted, inserted);
    }
}

// Takes the cells of the rows that stay, keyed by their new index paths, and
// moves the selection with its row; cells of rows that go (or are reloaded)
// return to the reuse queue.
std::map<IndexPath, Ref<TableViewCell>> TableView::takeKeptCells(const UpdatePlan& plan)
{
    std::map<IndexPath, Ref<TableViewCell>> kept;
    std::vector<Ref<TableViewCell>> dropped;
    for (auto& [ip, cell] : visible_) {
        auto to = plan.newPath(ip);
        if (to && !std::binary_search(plan.reloadedRows.begin(), plan.reloadedRows.end(), ip))
            kept[*to] = cell;
        else
            dropped.push_back(cell);
    }
    if (selected_)
        selected_ = plan.newPath(*selected_);
    visible_.clear();
    for (auto& cell : dropped)
        enqueue(cell);
    return kept;
}

// Asks the data source for every section again: titles, views and heights.
void TableView::reloadSectionsAfterUpdate(int newCount)
{
    for (auto& s : sections_) {
        if (s.headerView)
            s.headerView->removeFromSuperview();
        if (s.footerView)
            s.footerView->removeFromSuperview();
    }
    std::vector<Section> sections;
    for (int n = 0; n < newCount; ++n)
        sections.push_back(loadSection(n));
    sections_ = std::move(sections);
}

// The kept cells become the visible ones, less any whose row no longer exists.
void TableView::restoreKeptCells(std::map<IndexPath, Ref<TableViewCell>> kept)
{
    visible_ = std::move(kept);
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (!validRow(it->first)) {
            Ref<TableViewCell> cell = it->second;
            it = visible_.erase(it);
            enqueue(cell);
        } else {
            ++it;
        }
    }
}

// A shorter table may leave the offset past its new end.
void TableView::clampContentOffset()
{
    Point offset = contentOffset();
    Point clamped(offset.x, std::min(offset.y, std::max(maximumOffset().y, minimumOffset().y)));
    if (!(clamped == offset))
        setContentOffset(clamped);
}

} // namespace platform::ui
