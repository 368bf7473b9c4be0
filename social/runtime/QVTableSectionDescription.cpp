// Sections of a list: the row mapping, the counts, and merging incremental
// answers (refreshes and next pages) into a section.
#include "social/runtime/QVTableSectionDescription.h"

#include "social/runtime/QVResource.h"

#include <algorithm>
#include <set>
#include <string>

namespace quorvel {

using platform::Object;

namespace {

// Resources compare by id; everything else (and a resource without id) by identity.
struct Identity {
    std::set<std::string> ids;
    std::set<const Object*> objects;

    bool contains(const Object* o) const
    {
        auto* r = dynamic_cast<const QVResource*>(o);
        return r && !r->resourceId().empty() ? ids.count(r->resourceId()) > 0 : objects.count(o) > 0;
    }
    void add(const Object* o)
    {
        auto* r = dynamic_cast<const QVResource*>(o);
        if (r && !r->resourceId().empty())
            ids.insert(r->resourceId());
        else
            objects.insert(o);
    }
};

} // namespace

QVPaginatedSeries::Objects QVTableSectionDescription::arrayWithoutDuplicates(const QVPaginatedSeries::Objects& objects,
                                                                             bool) const
{
    Identity seen;
    if (page_)
        for (const auto& o : page_->objects())
            seen.add(o.get());
    QVPaginatedSeries::Objects unique;
    for (const auto& o : objects) {
        if (!o || seen.contains(o.get()))
            continue;
        seen.add(o.get());
        unique.push_back(o);
    }
    return unique;
}

size_t QVTableSectionDescription::addContentsOfSectionWhereUnique(const QVTableSectionDescription& section,
                                                                 bool areSortedDescending, bool shouldPrependContents)
{
    QVPaginatedSeries* incoming = section.page();
    if (!incoming)
        return 0;
    if (!page_) {
        setPage(platform::Ref<QVPaginatedSeries>(incoming));
        return incoming->count();
    }
    // The incoming objects are copied first: the section may be this one.
    QVPaginatedSeries::Objects added = arrayWithoutDuplicates(incoming->objects(), areSortedDescending);
    auto& objects = page_->objects();
    matchupExpandedViews();
    if (shouldPrependContents) {
        objects.insert(objects.begin(), added.begin(), added.end());
        // The flags follow their objects.
        expandedViews_.insert(expandedViews_.begin(), added.size(), false);
    } else {
        objects.insert(objects.end(), added.begin(), added.end());
    }
    matchupExpandedViews();
    rowIndex_.valid = false;
    if (incoming->header())
        page_->setHeader(platform::Ref<QVPaginatedSeriesHeader>(incoming->header()));
    return added.size();
}

platform::Ref<QVTableSectionDescription> QVTableSectionDescription::sectionWithTitleAndStaticCells(std::string title,
                                                                                                 Cells staticCells)
{
    auto s = sectionWithTitle(std::move(title), nullptr);
    s->staticCells_ = std::move(staticCells);
    return s;
}

platform::Ref<QVTableSectionDescription> QVTableSectionDescription::sectionWithTitleAndCell(std::string title,
                                                                                          platform::Object* cell)
{
    return sectionWithTitle(std::move(title), QVPaginatedSeries::paginatedSeriesWithObject(cell));
}

void QVTableSectionDescription::matchupExpandedViews()
{
    size_t objects = page_ ? page_->count() : 0;
    if (expandedViews_.size() < objects)
        expandedViews_.resize(objects, false);
}

void QVTableSectionDescription::setExpanded(size_t index, bool expanded)
{
    matchupExpandedViews();
    if (index >= expandedViews_.size() || expandedViews_[index] == expanded)
        return;
    expandedViews_[index] = expanded;
    rowIndex_.valid = false;
}

bool QVTableSectionDescription::removeObjectAtIndex(size_t index)
{
    if (!page_ || index >= page_->count())
        return false;
    matchupExpandedViews();
    page_->objects().erase(page_->objects().begin() + static_cast<std::ptrdiff_t>(index));
    expandedViews_.erase(expandedViews_.begin() + static_cast<std::ptrdiff_t>(index));
    rowIndex_.valid = false;
    return true;
}

void QVTableSectionDescription::refreshRowIndex()
{
    const size_t objects = page_ ? page_->count() : 0;
    if (rowIndex_.valid && rowIndex_.objects == objects)
        return;
    matchupExpandedViews();
    rowIndex_.expanded.clear();
    rowIndex_.actionRows.clear();
    for (size_t i = 0; i < objects; ++i) {
        if (!expandedViews_[i])
            continue;
        // Object i sits below i objects and the action rows of the expanded ones before it.
        rowIndex_.actionRows.push_back(static_cast<int>(i + rowIndex_.expanded.size()) + 1);
        rowIndex_.expanded.push_back(static_cast<int>(i));
    }
    rowIndex_.objects = objects;
    rowIndex_.valid = true;
}

QVTableSectionDescription::CellType QVTableSectionDescription::gatherDataForRow(int row, int& dataRow)
{
    refreshRowIndex();
    if (leadingCellName_) {
        if (row == 0)
            return kLeadingCell;
        --row;
    }
    if (row < 0)
        return kInvalidCell;
    if (row < static_cast<int>(staticCells_.size())) {
        dataRow = row;
        return kStaticCell;
    }
    // Objects are numbered from the same first row as static cells; each
    // expanded object has its action row right below it.
    const auto& actions = rowIndex_.actionRows;
    const int objectRows = static_cast<int>(rowIndex_.objects + actions.size());
    if (row < objectRows) {
        // The action rows above this row shift it down from its object.
        auto above = std::lower_bound(actions.begin(), actions.end(), row);
        const size_t shift = static_cast<size_t>(above - actions.begin());
        if (above != actions.end() && *above == row) {
            dataRow = rowIndex_.expanded[shift];
            return kActionCell;
        }
        dataRow = row - static_cast<int>(shift);
        return kObjectCell;
    }
    if (trailingCellName_ && row == objectRows)
        return kTrailingCell;
    return kInvalidCell;
}

int QVTableSectionDescription::countWithAssumption(int objectCount)
{
    refreshRowIndex();
    return objectCount + (leadingCellName_ ? 1 : 0) + (trailingCellName_ ? 1 : 0)
        + static_cast<int>(rowIndex_.expanded.size());
}

int QVTableSectionDescription::countPageItems()
{
    return countWithAssumption(static_cast<int>((page_ ? page_->count() : 0) + staticCells_.size()));
}

int QVTableSectionDescription::countEntireItemSet()
{
    if (!page_ || !page_->header())
        return countPageItems();
    return countWithAssumption(static_cast<int>(page_->header()->totalObjects));
}

} // namespace quorvel
