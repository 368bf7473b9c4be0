// TableView: rows laid out from the data source's counts and heights, cells
// made only for visible rows and reused by identifier, selection, scrolling to
// a row and the user's taps. Batch updates are in TableViewUpdates.cpp.
#include "platform/ui/TableView.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

#include <algorithm>

namespace platform::ui {

Ref<TableView> TableView::tableViewWithFrame(const Rect& frame, TableViewStyle style)
{
    auto t = adoptRef(new TableView);
    return t->initWithFrameAndStyle(frame, style) ? t : nullptr;
}

bool TableView::initWithFrame(const Rect& frame)
{
    return initWithFrameAndStyle(frame, TableViewStyle::Plain);
}

bool TableView::initWithFrameAndStyle(const Rect& frame, TableViewStyle style)
{
    ScrollView::initWithFrame(frame);
    style_ = style;
    setBackgroundColor(style == TableViewStyle::Grouped ? Color::rgb(0.77f, 0.80f, 0.85f) : Color::whiteColor());
    return true;
}

bool TableView::initWithCoder(const InterfaceCoder& coder)
{
    ScrollView::initWithCoder(coder);
    setBackgroundColor(Color::whiteColor());
    return true;
}

TableView::~TableView() = default;

void TableView::setTableHeaderView(View* view)
{
    if (tableHeaderView_)
        tableHeaderView_->removeFromSuperview();
    tableHeaderView_ = view;
    if (view) {
        // The table places its header and keeps its height: a change of the table's own size does not resize it.
        view->setAutoresizingMask(AutoresizingNone);
        addSubview(view);
    }
    computeLayout();
    placeSectionViews();
    keepOffsetInRange();
    updateVisibleCells();
}

void TableView::setTableFooterView(View* view)
{
    if (tableFooterView_)
        tableFooterView_->removeFromSuperview();
    tableFooterView_ = view;
    if (view) {
        view->setAutoresizingMask(AutoresizingNone);
        addSubview(view);
    }
    computeLayout();
    placeSectionViews();
    // A content that shrank under the offset (a tall footer gone) leaves nothing in view otherwise.
    keepOffsetInRange();
    updateVisibleCells();
}

int TableView::numberOfRowsInSection(int section) const
{
    if (section < 0 || section >= int(sections_.size()))
        return 0;
    return int(sections_[section].rowHeights.size());
}

TableView::Section TableView::loadSection(int s)
{
    Section sec;
    int rows = dataSource_ ? std::max(0, dataSource_->tableViewNumberOfRowsInSection(this, s)) : 0;
    sec.rowHeights.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        float h = delegate_ ? delegate_->tableViewHeightForRowAtIndexPath(this, IndexPath::forRow(r, s)) : -1;
        sec.rowHeights.push_back(h < 0 ? rowHeight_ : h);
    }
    if (dataSource_) {
        sec.headerTitle = dataSource_->tableViewTitleForHeaderInSection(this, s);
        sec.footerTitle = dataSource_->tableViewTitleForFooterInSection(this, s);
    }
    if (delegate_) {
        sec.headerView = delegate_->tableViewViewForHeaderInSection(this, s);
        sec.footerView = delegate_->tableViewViewForFooterInSection(this, s);
    }
    auto height = [](float asked, View* view, const std::string& title, float standard) {
        if (asked >= 0)
            return asked;
        if (view)
            return view->frame().size.height;
        return title.empty() ? 0.f : standard;
    };
    sec.headerHeight = height(delegate_ ? delegate_->tableViewHeightForHeaderInSection(this, s) : -1, sec.headerView.get(),
                              sec.headerTitle, sectionHeaderHeight_);
    sec.footerHeight = height(delegate_ ? delegate_->tableViewHeightForFooterInSection(this, s) : -1, sec.footerView.get(),
                              sec.footerTitle, sectionFooterHeight_);
    // A title without a view of the delegate's is shown by a label of the table's own.
    if (!sec.headerView && !sec.headerTitle.empty() && sec.headerHeight > 0) {
        auto label = Label::labelWithFrame({});
        label->setText(style_ == TableViewStyle::Plain ? " " + sec.headerTitle : sec.headerTitle);
        label->setFont(Font::boldSystemFont(style_ == TableViewStyle::Plain ? 17 : 16).get());
        if (style_ == TableViewStyle::Plain) {
            // A slate strip dark enough for its white title to read (above 4.5:1).
            label->setBackgroundColor(Color::rgb(0.34f, 0.40f, 0.48f));
            label->setTextColor(Color::whiteColor());
        } else {
            label->setBackgroundColor(std::nullopt);
            label->setOpaque(false);
            label->setTextColor(Color::rgb(0.30f, 0.34f, 0.42f));
        }
        sec.headerView = label.get();
    }
    if (!sec.footerView && !sec.footerTitle.empty() && sec.footerHeight > 0) {
        auto label = Label::labelWithFrame({});
        label->setText(sec.footerTitle);
        label->setFont(Font::systemFont(15).get());
        label->setBackgroundColor(std::nullopt);
        label->setOpaque(false);
        label->setTextColor(Color::rgb(0.30f, 0.34f, 0.42f));
        label->setTextAlignment(TextAlignment::Center);
        sec.footerView = label.get();
    }
    return sec;
}

void TableView::reloadData()
{
    Ref<TableView> keep = this;
    for (auto& [ip, cell] : std::map<IndexPath, Ref<TableViewCell>>(std::move(visible_)))
        enqueue(cell);
    visible_.clear();
    for (auto& s : sections_) {
        if (s.headerView)
            s.headerView->removeFromSuperview();
        if (s.footerView)
            s.footerView->removeFromSuperview();
    }
    sections_.clear();
    selected_.reset();
    pending_ = {};
    updateDepth_ = 0;
    loaded_ = true;
    int n = dataSource_ ? std::max(0, dataSource_->numberOfSectionsInTableView(this)) : 0;
    std::vector<Section> sections;
    for (int s = 0; s < n; ++s)
        sections.push_back(loadSection(s));
    sections_ = std::move(sections);
    indexTitles_ = dataSource_ ? dataSource_->sectionIndexTitlesForTableView(this) : std::vector<std::string>();
    computeLayout();
    placeSectionViews();
    keepOffsetInRange();
    updateVisibleCells();
}

void TableView::keepOffsetInRange()
{
    Point offset = contentOffset();
    Point clamped(offset.x, std::min(offset.y, std::max(maximumOffset().y, minimumOffset().y)));
    if (!(clamped == offset))
        setContentOffset(clamped);
}

void TableView::discardContents()
{
    Ref<TableView> keep = this;
    auto visible = std::move(visible_);
    visible_.clear();
    for (auto& [ip, cell] : visible)
        if (cell->superview() == this)
            cell->removeFromSuperview();
    reusable_.clear();
    for (auto& s : sections_) {
        if (s.headerView && s.headerView->superview() == this)
            s.headerView->removeFromSuperview();
        if (s.footerView && s.footerView->superview() == this)
            s.footerView->removeFromSuperview();
    }
    sections_.clear();
    if (tableHeaderView_ && tableHeaderView_->superview() == this)
        tableHeaderView_->removeFromSuperview();
    tableHeaderView_ = nullptr;
    if (tableFooterView_ && tableFooterView_->superview() == this)
        tableFooterView_->removeFromSuperview();
    tableFooterView_ = nullptr;
    indexTitles_.clear();
    selected_.reset();
    pending_ = {};
    updateDepth_ = 0;
    loaded_ = false;
}

float TableView::contentHeight() const
{
    return contentSize().height;
}

void TableView::computeLayout()
{
    float width = bounds().size.width;
    float y = 0;
    if (tableHeaderView_) {
        Rect f = tableHeaderView_->frame();
        tableHeaderView_->setFrame(Rect(0, 0, width, f.size.height));
        y = f.size.height;
    }
    for (auto& s : sections_) {
        s.top = y;
        y += s.headerHeight + s.footerHeight;
        for (float h : s.rowHeights)
            y += h;
    }
    if (tableFooterView_) {
        Rect f = tableFooterView_->frame();
        tableFooterView_->setFrame(Rect(0, y, width, f.size.height));
        y += f.size.height;
    }
    setContentSize(Size(width, y));
}

void TableView::placeSectionViews()
{
    for (int s = 0; s < int(sections_.size()); ++s) {
        if (View* h = sections_[s].headerView.get()) {
            h->setFrame(rectForHeaderInSection(s));
            if (h->superview() != this)
                addSubview(h);
        }
        if (View* f = sections_[s].footerView.get()) {
            f->setFrame(rectForFooterInSection(s));
            if (f->superview() != this)
                addSubview(f);
        }
    }
}

Rect TableView::rectForSection(int section) const
{
    if (section < 0 || section >= int(sections_.size()))
        return {};
    const Section& s = sections_[section];
    float h = s.headerHeight + s.footerHeight;
    for (float r : s.rowHeights)
        h += r;
    return Rect(0, s.top, bounds().size.width, h);
}

Rect TableView::rectForHeaderInSection(int section) const
{
    if (section < 0 || section >= int(sections_.size()))
        return {};
    return Rect(0, sections_[section].top, bounds().size.width, sections_[section].headerHeight);
}

Rect TableView::rectForFooterInSection(int section) const
{
    Rect r = rectForSection(section);
    if (r.size.height <= 0 && section >= int(sections_.size()))
        return {};
    float h = section < int(sections_.size()) && section >= 0 ? sections_[section].footerHeight : 0;
    return Rect(0, r.maxY() - h, r.size.width, h);
}

bool TableView::validRow(IndexPath ip) const
{
    return ip.section >= 0 && ip.section < int(sections_.size()) && ip.row >= 0
        && ip.row < int(sections_[ip.section].rowHeights.size());
}

Rect TableView::rectForRowAtIndexPath(IndexPath ip) const
{
    if (!validRow(ip))
        return {};
    const Section& s = sections_[ip.section];
    float y = s.top + s.headerHeight;
    for (int r = 0; r < ip.row; ++r)
        y += s.rowHeights[r];
    return Rect(0, y, bounds().size.width, s.rowHeights[ip.row]);
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) const
{
    for (int s = 0; s < int(sections_.size()); ++s) {
        const Section& sec = sections_[s];
        float y = sec.top + sec.headerHeight;
        for (int r = 0; r < int(sec.rowHeights.size()); ++r) {
            if (p.y >= y && p.y < y + sec.rowHeights[r])
                return IndexPath::forRow(r, s);
            y += sec.rowHeights[r];
        }
    }
    return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const
{
    for (auto& [ip, c] : visible_)
        if (c.get() == cell)
            return ip;
    return std::nullopt;
}

TableViewCell* TableView::cellForRowAtIndexPath(IndexPath ip) const
{
    auto it = visible_.find(ip);
    return it == visible_.end() ? nullptr : it->second.get();
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const
{
    std::vector<IndexPath> out;
    for (auto& [ip, c] : visible_)
        out.push_back(ip);
    return out;
}

std::vector<TableViewCell*> TableView::visibleCells() const
{
    std::vector<TableViewCell*> out;
    for (auto& [ip, c] : visible_)
        out.push_back(c.get());
    return out;
}

View* TableView::headerViewForSection(int section) const
{
    return section >= 0 && section < int(sections_.size()) ? sections_[section].headerView.get() : nullptr;
}

View* TableView::footerViewForSection(int section) const
{
    return section >= 0 && section < int(sections_.size()) ? sections_[section].footerView.get() : nullptr;
}

Ref<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto it = reusable_.find(identifier);
    if (it == reusable_.end() || it->second.empty())
        return nullptr;
    Ref<TableViewCell> cell = it->second.back();
    it->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

void TableView::enqueue(Ref<TableViewCell> cell)
{
    if (!cell)
        return;
    if (cell->superview() == this)
        cell->removeFromSuperview();
    if (!cell->reuseIdentifier().empty())
        reusable_[cell->reuseIdentifier()].push_back(cell);
}

void TableView::updateVisibleCells()
{
    // Without a data source there is nobody to ask for the rows coming in.
    if (updatingCells_ || !loaded_ || !dataSource_)
        return;
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(updatingCells_);
    Ref<TableView> keep = this;

    float top = contentOffset().y;
    float bottom = top + bounds().size.height;
    std::vector<IndexPath> wanted;
    for (int s = 0; s < int(sections_.size()); ++s) {
        const Section& sec = sections_[s];
        float y = sec.top + sec.headerHeight;
        for (int r = 0; r < int(sec.rowHeights.size()); ++r) {
            float h = sec.rowHeights[r];
            if (y < bottom && y + h > top && h > 0)
                wanted.push_back(IndexPath::forRow(r, s));
            y += h;
        }
    }
    // Rows that left the screen give their cells back first, so that the rows
    // coming in can reuse them.
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (!std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            Ref<TableViewCell> cell = it->second;
            it = visible_.erase(it);
            enqueue(cell);
        } else {
            ++it;
        }
    }
    for (const IndexPath& ip : wanted) {
        Rect r = rectForRowAtIndexPath(ip);
        auto it = visible_.find(ip);
        if (it != visible_.end()) {
            it->second->setFrame(r);
            continue;
        }
        Ref<TableViewCell> cell = dataSource_ ? dataSource_->tableViewCellForRowAtIndexPath(this, ip) : nullptr;
        if (!cell)
            throw Exception(kInternalInconsistencyException,
                            format("The table's data source returned no cell for row %d of section %d", ip.row, ip.section));
        if (!validRow(ip))
            return; // the data source changed the table while making the cell
        cell->setFrame(r);
        showEditing(cell.get(), ip, false);
        cell->setSelected(selected_ && *selected_ == ip, false);
        visible_[ip] = cell;
        if (delegate_)
            delegate_->tableViewWillDisplayCell(this, cell.get(), ip);
        if (cell->superview() != this)
            insertSubviewAt(cell.get(), 0);
        cell->layoutIfNeeded();
    }
}

void TableView::setBounds(const Rect& b)
{
    float oldWidth = bounds().size.width;
    ScrollView::setBounds(b);
    if (b.size.width != oldWidth) {
        computeLayout();
        placeSectionViews();
    }
    updateVisibleCells();
}

void TableView::layoutSubviews()
{
    ScrollView::layoutSubviews();
    if (!loaded_ && dataSource_)
        reloadData();
    else
        updateVisibleCells();
}

// --- Selection, scrolling, editing ---

void TableView::selectRowAtIndexPath(std::optional<IndexPath> ip, bool animated, TableViewScrollPosition position)
{
    if (selected_) {
        if (auto* c = cellForRowAtIndexPath(*selected_))
            c->setSelected(false, animated);
        selected_.reset();
    }
    if (!ip || !validRow(*ip))
        return;
    selected_ = ip;
    if (auto* c = cellForRowAtIndexPath(*ip))
        c->setSelected(true, animated);
    if (position != TableViewScrollPosition::None)
        scrollToRowAtIndexPath(*ip, position, animated);
}

void TableView::deselectRowAtIndexPath(IndexPath ip, bool animated)
{
    if (!selected_ || !(*selected_ == ip))
        return;
    selected_.reset();
    if (auto* c = cellForRowAtIndexPath(ip))
        c->setSelected(false, animated);
}

void TableView::scrollToRowAtIndexPath(IndexPath ip, TableViewScrollPosition position, bool animated)
{
    if (!validRow(ip))
        throw Exception(kInvalidArgumentException, format("Invalid index path for scrolling: row %d of section %d", ip.row, ip.section));
    Rect r = rectForRowAtIndexPath(ip);
    float height = bounds().size.height;
    float y = contentOffset().y;
    switch (position) {
    case TableViewScrollPosition::Top: y = r.origin.y; break;
    case TableViewScrollPosition::Middle: y = r.midY() - height / 2; break;
    case TableViewScrollPosition::Bottom: y = r.maxY() - height; break;
    case TableViewScrollPosition::None:
        if (r.origin.y < y)
            y = r.origin.y;
        else if (r.maxY() > y + height)
            y = r.maxY() - height;
        break;
    }
    y = std::max(minimumOffset().y, std::min(y, maximumOffset().y));
    setContentOffset(Point(contentOffset().x, y), animated);
}

void TableView::setEditing(bool editing, bool animated)
{
    editing_ = editing;
    for (auto& [ip, cell] : std::map<IndexPath, Ref<TableViewCell>>(visible_))
        showEditing(cell.get(), ip, animated);
}

// An editing row shows the control of its editing style; a row its data source
// cannot edit shows none. Asked only while editing.
void TableView::showEditing(TableViewCell* cell, IndexPath ip, bool animated)
{
    if (editing_) {
        bool editable = !dataSource_ || dataSource_->tableViewCanEditRowAtIndexPath(this, ip);
        cell->editingStyle_ = !editable ? CellEditingStyle::None
            : delegate_                 ? delegate_->tableViewEditingStyleForRowAtIndexPath(this, ip)
                                        : CellEditingStyle::Delete;
    }
    cell->setEditing(editing_, animated);
    cell->setNeedsLayout();
}

bool TableView::tapRowForTest(IndexPath ip)
{
    if (!cellForRowAtIndexPath(ip) || !allowsSelection_ || (editing_ && !allowsSelectionDuringEditing_))
        return false;
    Ref<TableView> keep = this;
    std::optional<IndexPath> target = delegate_ ? delegate_->tableViewWillSelectRowAtIndexPath(this, ip) : ip;
    if (!target || !validRow(*target))
        return false;
    if (selected_ && !(*selected_ == *target)) {
        IndexPath old = *selected_;
        deselectRowAtIndexPath(old, false);
        if (delegate_)
            delegate_->tableViewDidDeselectRowAtIndexPath(this, old);
    }
    selected_ = target;
    if (auto* c = cellForRowAtIndexPath(*target))
        c->setSelected(true, false);
    if (delegate_)
        delegate_->tableViewDidSelectRowAtIndexPath(this, *target);
    return true;
}

bool TableView::tapAccessoryForTest(IndexPath ip)
{
    TableViewCell* cell = cellForRowAtIndexPath(ip);
    if (!cell || cell->accessoryType() != CellAccessoryType::DetailDisclosureButton)
        return false;
    Ref<TableView> keep = this;
    if (delegate_)
        delegate_->tableViewAccessoryButtonTappedForRowWithIndexPath(this, ip);
    return true;
}

bool TableView::commitEditingForTest(IndexPath ip)
{
    if (!validRow(ip) || !dataSource_ || !dataSource_->tableViewCanEditRowAtIndexPath(this, ip))
        return false;
    Ref<TableView> keep = this;
    CellEditingStyle style = delegate_ ? delegate_->tableViewEditingStyleForRowAtIndexPath(this, ip) : CellEditingStyle::Delete;
    if (style == CellEditingStyle::None)
        return false;
    dataSource_->tableViewCommitEditingStyle(this, style, ip);
    return true;
}

bool TableView::tapSectionIndexForTest(int index)
{
    if (index < 0 || index >= int(indexTitles_.size()) || !dataSource_)
        return false;
    Ref<TableView> keep = this;
    int section = dataSource_->tableViewSectionForSectionIndexTitle(this, indexTitles_[index], index);
    if (section < 0 || section >= int(sections_.size()))
        return false;
    float y = std::max(minimumOffset().y, std::min(rectForSection(section).origin.y, maximumOffset().y));
    setContentOffset(Point(contentOffset().x, y));
    return true;
}

std::string TableView::dumpText() const
{
    std::string s = format("%d sections", numberOfSections());
    for (int i = 0; i < numberOfSections(); ++i)
        s += format(i ? ",%d" : " [%d", numberOfRowsInSection(i));
    return numberOfSections() ? s + "]" : s;
}

} // namespace platform::ui
