// TableView, TableViewCell and TableViewController: rows laid out from the
// data source's counts and heights, cells made only for visible rows and
// reused by identifier, and batch updates checked against the new counts.
#include "platform/ui/TableView.h"

#include "platform/ui/Drawing.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

#include <algorithm>

namespace platform::ui {

// --- TableViewCell ---

Ref<TableViewCell> TableViewCell::cellWithStyle(TableViewCellStyle style, const std::string& reuseIdentifier)
{
    auto c = adoptRef(new TableViewCell);
    return c->initWithStyle(style, reuseIdentifier) ? c : nullptr;
}

bool TableViewCell::initWithStyle(TableViewCellStyle style, const std::string& reuseIdentifier)
{
    View::initWithFrame(Rect(0, 0, 320, TableView::kDefaultRowHeight));
    setUp(style, reuseIdentifier);
    return true;
}

bool TableViewCell::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    setUp(TableViewCellStyle::Default, {});
    return true;
}

bool TableViewCell::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    setUp(TableViewCellStyle::Default, {});
    return true;
}

void TableViewCell::setUp(TableViewCellStyle style, const std::string& reuseIdentifier)
{
    style_ = style;
    reuseIdentifier_ = reuseIdentifier;
    setBackgroundColor(Color::whiteColor());
    contentView_ = View::viewWithFrame(bounds());
    contentView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    addSubview(contentView_.get());
}

Label* TableViewCell::textLabel()
{
    if (!textLabel_) {
        textLabel_ = Label::labelWithFrame({});
        textLabel_->setBackgroundColor(std::nullopt);
        textLabel_->setOpaque(false);
        textLabel_->setFont(Font::boldSystemFont(style_ == TableViewCellStyle::Subtitle ? 18 : 20).get());
        contentView_->addSubview(textLabel_.get());
        setNeedsLayout();
    }
    return textLabel_.get();
}

Label* TableViewCell::detailTextLabel()
{
    if (style_ == TableViewCellStyle::Default)
        return nullptr;
    if (!detailTextLabel_) {
        detailTextLabel_ = Label::labelWithFrame({});
        detailTextLabel_->setBackgroundColor(std::nullopt);
        detailTextLabel_->setOpaque(false);
        detailTextLabel_->setFont(Font::systemFont(14).get());
        detailTextLabel_->setTextColor(Color::white(0.5f));
        if (style_ == TableViewCellStyle::Value1)
            detailTextLabel_->setTextAlignment(TextAlignment::Right);
        contentView_->addSubview(detailTextLabel_.get());
        setNeedsLayout();
    }
    return detailTextLabel_.get();
}

ImageView* TableViewCell::imageView()
{
    if (!imageView_) {
        imageView_ = ImageView::imageViewWithFrame({});
        contentView_->insertSubviewAt(imageView_.get(), 0);
        setNeedsLayout();
    }
    return imageView_.get();
}

void TableViewCell::setAccessoryView(View* v)
{
    if (accessoryView_)
        accessoryView_->removeFromSuperview();
    accessoryView_ = v;
    if (v)
        addSubview(v);
    setNeedsLayout();
}

void TableViewCell::setBackgroundView(View* v)
{
    if (backgroundView_)
        backgroundView_->removeFromSuperview();
    backgroundView_ = v;
    if (v) {
        v->setFrame(bounds());
        insertSubviewAt(v, 0);
    }
}

void TableViewCell::setSelectedBackgroundView(View* v)
{
    if (selectedBackgroundView_)
        selectedBackgroundView_->removeFromSuperview();
    selectedBackgroundView_ = v;
    if (v && selected_) {
        v->setFrame(bounds());
        insertSubviewAbove(v, backgroundView_ ? backgroundView_.get() : nullptr);
    }
}

void TableViewCell::setSelected(bool selected, bool animated)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    highlighted_ = selected && selectionStyle_ != CellSelectionStyle::None;
    // Texts turn white over the selection colour.
    if (textLabel_)
        textLabel_->setHighlighted(highlighted_);
    if (detailTextLabel_)
        detailTextLabel_->setHighlighted(highlighted_);
    if (selectedBackgroundView_) {
        if (selected && selectionStyle_ != CellSelectionStyle::None) {
            selectedBackgroundView_->setFrame(bounds());
            if (backgroundView_)
                insertSubviewAbove(selectedBackgroundView_.get(), backgroundView_.get());
            else
                insertSubviewAt(selectedBackgroundView_.get(), 0);
        } else {
            selectedBackgroundView_->removeFromSuperview();
        }
    }
    setNeedsDisplay();
}

void TableViewCell::prepareForReuse()
{
    setSelected(false, false);
}

TableView* TableViewCell::tableView() const
{
    return dynamic_cast<TableView*>(superview());
}

void TableViewCell::layoutSubviews()
{
    Rect b = bounds();
    float accessoryWidth = (accessoryView_ || accessory_ != CellAccessoryType::None) ? kAccessoryWidth + 10 : 0;
    contentView_->setFrame(Rect(0, 0, b.size.width - accessoryWidth, b.size.height));
    if (accessoryView_) {
        Rect a = accessoryView_->frame();
        accessoryView_->setFrame(Rect(b.size.width - a.size.width - 10, (b.size.height - a.size.height) / 2, a.size.width, a.size.height));
    }
    float w = contentView_->bounds().size.width;
    float h = b.size.height;
    float left = 10;
    if (imageView_ && imageView_->image()) {
        Size s = imageView_->image()->size();
        imageView_->setFrame(Rect(0, (h - s.height) / 2, s.width, s.height));
        left = s.width + 10;
    } else if (imageView_) {
        imageView_->setFrame({});
    }
    float textWidth = std::max(0.f, w - left - 10);
    bool hasDetail = detailTextLabel_ && !detailTextLabel_->text().empty();
    if (style_ == TableViewCellStyle::Subtitle && hasDetail) {
        if (textLabel_)
            textLabel_->setFrame(Rect(left, h / 2 - 22, textWidth, 22));
        detailTextLabel_->setFrame(Rect(left, h / 2, textWidth, 18));
    } else if ((style_ == TableViewCellStyle::Value1 || style_ == TableViewCellStyle::Value2) && hasDetail) {
        float half = textWidth / 2;
        if (textLabel_)
            textLabel_->setFrame(Rect(left, 0, half, h));
        detailTextLabel_->setFrame(Rect(left + half, 0, textWidth - half, h));
    } else {
        if (textLabel_)
            textLabel_->setFrame(Rect(left, 0, textWidth, h));
        if (detailTextLabel_)
            detailTextLabel_->setFrame({});
    }
    if (backgroundView_)
        backgroundView_->setFrame(b);
    if (selectedBackgroundView_)
        selectedBackgroundView_->setFrame(b);
}

void TableViewCell::touchesEnded(const Touch& t)
{
    if (TableView* table = tableView()) {
        if (auto ip = table->indexPathForCell(this))
            table->tapRowForTest(*ip);
    }
}

std::string TableViewCell::dumpText() const
{
    return textLabel_ ? textLabel_->text() : std::string();
}

// --- TableView ---

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

bool TableView::PendingUpdate::empty() const
{
    return insertedSections.empty() && deletedSections.empty() && reloadedSections.empty() && insertedRows.empty()
        && deletedRows.empty() && reloadedRows.empty();
}

void TableView::setTableHeaderView(View* view)
{
    if (tableHeaderView_)
        tableHeaderView_->removeFromSuperview();
    tableHeaderView_ = view;
    if (view)
        addSubview(view);
    computeLayout();
    placeSectionViews();
    updateVisibleCells();
}

void TableView::setTableFooterView(View* view)
{
    if (tableFooterView_)
        tableFooterView_->removeFromSuperview();
    tableFooterView_ = view;
    if (view)
        addSubview(view);
    computeLayout();
    placeSectionViews();
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
            label->setBackgroundColor(Color::rgb(0.56f, 0.62f, 0.69f));
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
    Point offset = contentOffset();
    Point clamped(offset.x, std::min(offset.y, std::max(maximumOffset().y, minimumOffset().y)));
    if (!(clamped == offset))
        setContentOffset(clamped);
    updateVisibleCells();
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
    if (updatingCells_ || !loaded_)
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
        cell->setEditing(editing_, false);
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

// --- Batch updates ---

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

void TableView::failUpdate(const std::string& reason)
{
    // The table goes back to what the data source says, so it stays usable
    // for whoever catches the error.
    reloadData();
    throw Exception(kInternalInconsistencyException, "Invalid table update: " + reason);
}

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

} // namespace

void TableView::applyUpdate(PendingUpdate u)
{
    Ref<TableView> keep = this;
    if (!loaded_) {
        reloadData();
        return;
    }
    auto insertedSections = sortedUnique(u.insertedSections);
    auto deletedSections = sortedUnique(u.deletedSections);
    auto reloadedSections = sortedUnique(u.reloadedSections);
    auto insertedRows = sortedUnique(u.insertedRows);
    auto deletedRows = sortedUnique(u.deletedRows);
    auto reloadedRows = sortedUnique(u.reloadedRows);

    int oldCount = int(sections_.size());
    int newCount = dataSource_ ? std::max(0, dataSource_->numberOfSectionsInTableView(this)) : 0;
    for (int s : deletedSections)
        if (s < 0 || s >= oldCount)
            failUpdate(format("attempt to delete section %d, but there are only %d sections before the update", s, oldCount));
    for (int s : reloadedSections)
        if (s < 0 || s >= oldCount)
            failUpdate(format("attempt to reload section %d, but there are only %d sections before the update", s, oldCount));
    int expected = oldCount - int(deletedSections.size()) + int(insertedSections.size());
    if (expected != newCount)
        failUpdate(format("the number of sections after the update (%d) must equal the number before the update (%d), plus or "
                          "minus the number of sections inserted or deleted (%d inserted, %d deleted)",
                          newCount, oldCount, int(insertedSections.size()), int(deletedSections.size())));
    for (int s : insertedSections)
        if (s < 0 || s >= newCount)
            failUpdate(format("attempt to insert section %d, but there are only %d sections after the update", s, newCount));

    // Surviving sections, old index to new index, in order.
    std::vector<int> sectionMap(oldCount, -1);
    {
        int n = 0;
        for (int s = 0; s < oldCount; ++s) {
            if (contains(deletedSections, s))
                continue;
            while (contains(insertedSections, n))
                ++n;
            sectionMap[s] = n++;
        }
    }
    std::vector<int> newRowCounts(newCount);
    for (int n = 0; n < newCount; ++n)
        newRowCounts[n] = dataSource_ ? std::max(0, dataSource_->tableViewNumberOfRowsInSection(this, n)) : 0;

    for (const IndexPath& ip : deletedRows)
        if (ip.section < 0 || ip.section >= oldCount || ip.row < 0 || ip.row >= numberOfRowsInSection(ip.section))
            failUpdate(format("attempt to delete row %d from section %d, which has only %d rows before the update", ip.row,
                              ip.section, numberOfRowsInSection(ip.section)));
    for (const IndexPath& ip : reloadedRows)
        if (ip.section < 0 || ip.section >= oldCount || ip.row < 0 || ip.row >= numberOfRowsInSection(ip.section))
            failUpdate(format("attempt to reload row %d in section %d, which has only %d rows before the update", ip.row,
                              ip.section, numberOfRowsInSection(ip.section)));
    for (const IndexPath& ip : insertedRows)
        if (ip.section < 0 || ip.section >= newCount || ip.row < 0 || ip.row >= newRowCounts[ip.section])
            failUpdate(format("attempt to insert row %d into section %d, which has only %d rows after the update", ip.row,
                              ip.section, ip.section >= 0 && ip.section < newCount ? newRowCounts[ip.section] : 0));

    // Row counts of each surviving section must add up; keep each one's map of
    // old rows to new rows.
    std::vector<std::vector<int>> rowMaps(oldCount);
    for (int s = 0; s < oldCount; ++s) {
        int n = sectionMap[s];
        if (n < 0 || contains(reloadedSections, s))
            continue;
        int before = numberOfRowsInSection(s);
        std::vector<int> deleted, inserted;
        for (auto& ip : deletedRows)
            if (ip.section == s)
                deleted.push_back(ip.row);
        for (auto& ip : insertedRows)
            if (ip.section == n)
                inserted.push_back(ip.row);
        int after = newRowCounts[n];
        if (after != before + int(inserted.size()) - int(deleted.size()))
            failUpdate(format("invalid number of rows in section %d. The number of rows after the update (%d) must equal the "
                              "number before the update (%d), plus or minus the number of rows inserted or deleted (%d "
                              "inserted, %d deleted)",
                              n, after, before, int(inserted.size()), int(deleted.size())));
        std::vector<int>& map = rowMaps[s];
        map.assign(before, -1);
        int newRow = 0;
        for (int r = 0; r < before; ++r) {
            if (contains(deleted, r))
                continue;
            while (contains(inserted, newRow))
                ++newRow;
            map[r] = newRow++;
        }
    }

    // Valid: move the kept cells and the selection to their new rows.
    std::map<IndexPath, Ref<TableViewCell>> moved;
    std::vector<Ref<TableViewCell>> dropped;
    auto newPath = [&](const IndexPath& ip) -> std::optional<IndexPath> {
        if (ip.section >= oldCount || sectionMap[ip.section] < 0 || rowMaps[ip.section].empty())
            return std::nullopt;
        int r = ip.row < int(rowMaps[ip.section].size()) ? rowMaps[ip.section][ip.row] : -1;
        if (r < 0)
            return std::nullopt;
        return IndexPath::forRow(r, sectionMap[ip.section]);
    };
    for (auto& [ip, cell] : visible_) {
        auto to = newPath(ip);
        if (to && !std::binary_search(reloadedRows.begin(), reloadedRows.end(), ip))
            moved[*to] = cell;
        else
            dropped.push_back(cell);
    }
    if (selected_)
        selected_ = newPath(*selected_);
    visible_.clear();
    for (auto& cell : dropped)
        enqueue(cell);
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
    visible_ = std::move(moved);
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (!validRow(it->first)) {
            Ref<TableViewCell> cell = it->second;
            it = visible_.erase(it);
            enqueue(cell);
        } else {
            ++it;
        }
    }
    computeLayout();
    placeSectionViews();
    Point offset = contentOffset();
    Point clamped(offset.x, std::min(offset.y, std::max(maximumOffset().y, minimumOffset().y)));
    if (!(clamped == offset))
        setContentOffset(clamped);
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
    for (auto& [ip, cell] : visible_)
        cell->setEditing(editing, animated);
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

// --- TableViewController ---

Ref<TableViewController> TableViewController::withStyle(TableViewStyle style)
{
    auto c = adoptRef(new TableViewController);
    return c->initWithStyle(style) ? c : nullptr;
}

bool TableViewController::init()
{
    return initWithStyle(TableViewStyle::Plain);
}

bool TableViewController::initWithStyle(TableViewStyle style)
{
    if (!ViewController::init())
        return false;
    style_ = style;
    return true;
}

TableView* TableViewController::tableView()
{
    return dynamic_cast<TableView*>(view());
}

void TableViewController::setTableView(TableView* table)
{
    if (table) {
        table->setDataSource(this);
        table->setDelegate(this);
    }
    table_ = Weak<TableView>(table);
    setView(table);
}

void TableViewController::loadView()
{
    auto table = TableView::tableViewWithFrame(Screen::mainScreen().applicationFrame(), style_);
    table->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    table->setDataSource(this);
    table->setDelegate(this);
    table_ = Weak<TableView>(table.get());
    setView(table.get());
}

void TableViewController::viewWillAppear(bool animated)
{
    TableView* table = tableView();
    if (!table)
        return;
    if (!table->hasLoadedData())
        table->reloadData();
    if (clearsSelection_ && table->indexPathForSelectedRow())
        table->deselectRowAtIndexPath(*table->indexPathForSelectedRow(), animated);
}

void TableViewController::setEditing(bool editing, bool animated)
{
    editing_ = editing;
    if (TableView* table = tableView())
        table->setEditing(editing, animated);
}

Ref<TableViewCell> TableViewController::tableViewCellForRowAtIndexPath(TableView*, IndexPath)
{
    return nullptr;
}

TableViewController::~TableViewController()
{
    // The table may outlive its controller (another owner): it must not call back.
    {
        if (auto table = table_.lock()) {
            if (table->dataSource() == this)
                table->setDataSource(nullptr);
            if (table->delegate() == this)
                table->setDelegate(nullptr);
        }
    }
}

void TableViewCell::drawChrome(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    if (isSelected() && selectionStyle() != CellSelectionStyle::None && !selectedBackgroundView()) {
        draw::setFill(g, selectionStyle() == CellSelectionStyle::Gray ? Color::white(0.7f) : Color::rgb(0.02f, 0.45f, 0.93f));
        g.fillRect(b);
    }
    draw::setFill(g, Color::white(0.88f));
    g.fillRect(Rect(b.minX(), b.maxY() - 1, b.size.width, 1));
    if (accessoryView())
        return;
    float x = b.maxX() - 20, y = b.midY();
    switch (accessoryType()) {
    case CellAccessoryType::None: break;
    case CellAccessoryType::DisclosureIndicator:
        g.beginPath();
        g.moveTo(x - 3, y - 5);
        g.lineTo(x + 2, y);
        g.lineTo(x - 3, y + 5);
        draw::setStroke(g, Color::white(0.5f), 2.5f);
        g.strokePath();
        break;
    case CellAccessoryType::DetailDisclosureButton:
        g.beginPath();
        g.addArc(x, y, 11, 0, 2 * float(M_PI), false);
        draw::setFill(g, Color::rgb(0.2f, 0.45f, 0.9f));
        g.fillPath();
        g.beginPath();
        g.moveTo(x - 2, y - 5);
        g.lineTo(x + 3, y);
        g.lineTo(x - 2, y + 5);
        draw::setStroke(g, Color::whiteColor(), 2.5f);
        g.strokePath();
        break;
    case CellAccessoryType::Checkmark:
        g.beginPath();
        g.moveTo(x - 6, y);
        g.lineTo(x - 1, y + 5);
        g.lineTo(x + 7, y - 7);
        draw::setStroke(g, draw::kButtonBlue, 2.5f);
        g.strokePath();
        break;
    }
}

} // namespace platform::ui
