// QVTableSectionDescription: one section of a list — its title, its identifier
// and the page of resources it holds (sectioned answers are read into these),
// plus what the list screens add: the names of a leading and a trailing cell,
// header and footer views, fixed cells shown instead of a page, and one
// expanded flag per page object (an expanded object has an action row below).
//
// The section maps every table row to a data row and a cell type; the list
// screens count and fill their rows through it.
#pragma once

#include "social/runtime/QVPaginatedSeries.h"

#include "platform/ui/TableView.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVTableSectionDescription : public platform::Object {
public:
    // Row types of the row mapping.
    enum CellType { kLeadingCell = 0, kStaticCell = 1, kObjectCell = 2, kActionCell = 3, kTrailingCell = 4,
                    kInvalidCell = 5 };
    using Cells = std::vector<platform::Ref<platform::ui::TableViewCell>>;

    static platform::Ref<QVTableSectionDescription> sectionWithTitle(std::string title,
                                                                     platform::Ref<QVPaginatedSeries> page)
    {
        auto s = platform::adoptRef(new QVTableSectionDescription);
        s->initWithTitle(std::move(title), std::move(page));
        return s;
    }
    // A section of fixed cells (no page).
    static platform::Ref<QVTableSectionDescription> sectionWithTitleAndStaticCells(std::string title, Cells staticCells);
    // A section whose page holds the one object.
    static platform::Ref<QVTableSectionDescription> sectionWithTitleAndCell(std::string title, platform::Object* cell);
    bool initWithTitle(std::string title, platform::Ref<QVPaginatedSeries> page)
    {
        title_ = std::move(title);
        setPage(std::move(page));
        return true;
    }

    const std::string& title() const { return title_; }
    void setTitle(std::string t) { title_ = std::move(t); }
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id) { identifier_ = std::move(id); }
    QVPaginatedSeries* page() const { return page_.get(); }
    // Starts the expanded flags afresh (all collapsed).
    void setPage(platform::Ref<QVPaginatedSeries> p)
    {
        page_ = std::move(p);
        expandedViews_.clear();
        rowIndex_.valid = false;
        matchupExpandedViews();
    }
    const std::optional<std::string>& leadingCellName() const { return leadingCellName_; }
    void setLeadingCellName(std::optional<std::string> name) { leadingCellName_ = std::move(name); }
    const std::optional<std::string>& trailingCellName() const { return trailingCellName_; }
    void setTrailingCellName(std::optional<std::string> name) { trailingCellName_ = std::move(name); }
    platform::ui::View* headerView() const { return headerView_.get(); }
    void setHeaderView(platform::ui::View* v) { headerView_ = v; }
    platform::ui::View* footerView() const { return footerView_.get(); }
    void setFooterView(platform::ui::View* v) { footerView_ = v; }
    Cells& staticCells() { return staticCells_; }
    const Cells& staticCells() const { return staticCells_; }
    void setStaticCells(Cells cells) { staticCells_ = std::move(cells); }
    // One flag per page object (at least). Changing them through this
    // reference is seen by the counts and the row mapping when the reference
    // is taken afresh for each change; setExpanded is the cheaper way.
    std::vector<bool>& expandedViews()
    {
        rowIndex_.valid = false;
        return expandedViews_;
    }
    const std::vector<bool>& expandedViews() const { return expandedViews_; }
    bool isExpanded(size_t index) const { return index < expandedViews_.size() && expandedViews_[index]; }
    void setExpanded(size_t index, bool expanded);
    // Appends collapsed flags until every page object has one (never removes any).
    void matchupExpandedViews();
    // Removes the page object at the index with its flag (false past the end).
    bool removeObjectAtIndex(size_t index);

    // The row mapping: the type of a table row and, for static, object and
    // action rows, the index of its cell or object (dataRow is left as it was
    // for other rows).
    CellType gatherDataForRow(int row, int& dataRow);
    // Rows of the loaded page (objects and static cells) with leading,
    // trailing and action rows.
    int countPageItems();
    // The same for the whole result set the page header announces; without a
    // header, the loaded page's objects are counted instead.
    int countEntireItemSet();
    bool isRowFirstObject(int row) const { return row == (leadingCellName_ ? 1 : 0); }
    bool isRowLastObject(int row) { return row == countEntireItemSet() - 1 - (trailingCellName_ ? 1 : 0); }

    // Merges a newly loaded section (a refresh or the next page) into this
    // one. With a page here, the new objects not already present are put
    // before (prepend) or after the current ones, and the new page's header
    // replaces the current one; answers how many objects were added. Without
    // a page here, the new page is taken as it is and its count answered. A
    // new page without header keeps the current header.
    size_t addContentsOfSectionWhereUnique(const QVTableSectionDescription& section, bool areSortedDescending,
                                           bool shouldPrependContents);
    // The objects of `objects` that this section's page does not hold yet, in
    // their order. Resources are the same when their resourceId is (resources
    // without id, and other objects, only when they are the same object); an
    // object repeated within `objects` is kept once. The order flag says how
    // both lists are sorted; every object is checked either way.
    QVPaginatedSeries::Objects arrayWithoutDuplicates(const QVPaginatedSeries::Objects& objects,
                                                      bool areSortedDescending) const;

protected:
    QVTableSectionDescription() = default;

private:
    int countWithAssumption(int objectCount);
    // Brings the row index up to date with the flags and the number of objects.
    void refreshRowIndex();

    // The row mapping kept per section so that counts and lookups do not walk
    // the rows: the indexes of the expanded objects (ascending) and the row,
    // counted from the first object row, of each one's action row. Rebuilt
    // when the flags change or the page's object count differs.
    struct RowIndex {
        bool valid { false };
        size_t objects { 0 };
        std::vector<int> expanded;
        std::vector<int> actionRows;
    };

    std::string title_;
    std::string identifier_;
    platform::Ref<QVPaginatedSeries> page_;
    std::optional<std::string> leadingCellName_;
    std::optional<std::string> trailingCellName_;
    platform::Ref<platform::ui::View> headerView_;
    platform::Ref<platform::ui::View> footerView_;
    Cells staticCells_;
    std::vector<bool> expandedViews_;
    RowIndex rowIndex_;
};

} // namespace quorvel
