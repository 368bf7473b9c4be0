// Table views: a scroll view of sections and rows fed by a data source, with
// a delegate for heights, headers, selection and editing; their cells; and the
// table view controller that is both for its own table.
//
// The table asks its data source for counts and every row height when it
// reloads, then asks for cells only for the rows it shows; cells that scroll
// out (or are reloaded away) go to a reuse queue by identifier. Batch updates
// (insert, delete, reload of rows and sections) are checked against the data
// source's new counts as the device platform does: an update whose counts do
// not add up throws an Exception named kInternalInconsistencyException, after
// the table has reloaded itself from the data source so that it stays usable.
// Data source and delegate are not owned.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

struct IndexPath {
    int section { 0 };
    int row { 0 };
    static constexpr IndexPath forRow(int row, int section) { return { section, row }; }
    friend constexpr bool operator==(const IndexPath& a, const IndexPath& b) { return a.section == b.section && a.row == b.row; }
    friend constexpr bool operator<(const IndexPath& a, const IndexPath& b)
    {
        return a.section != b.section ? a.section < b.section : a.row < b.row;
    }
};

enum class TableViewStyle { Plain = 0, Grouped };
enum class TableViewCellStyle { Default = 0, Value1, Value2, Subtitle };
enum class CellAccessoryType { None = 0, DisclosureIndicator, DetailDisclosureButton, Checkmark };
enum class CellSelectionStyle { None = 0, Blue, Gray };
enum class CellEditingStyle { None = 0, Delete, Insert };
enum class TableViewRowAnimation { Fade = 0, Right, Left, Top, Bottom, None, Middle };
enum class TableViewScrollPosition { None = 0, Top, Middle, Bottom };

class TableView;

class TableViewCell : public View {
public:
    static constexpr float kAccessoryWidth = 20;

    static Ref<TableViewCell> cellWithStyle(TableViewCellStyle style, const std::string& reuseIdentifier);
    virtual bool initWithStyle(TableViewCellStyle style, const std::string& reuseIdentifier);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    TableViewCellStyle style() const { return style_; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    // Subviews of a cell go into its content view.
    View* contentView() const { return contentView_.get(); }
    Label* textLabel();
    // Empty for the default style.
    Label* detailTextLabel();
    ImageView* imageView();

    CellAccessoryType accessoryType() const { return accessory_; }
    void setAccessoryType(CellAccessoryType a) { accessory_ = a; setNeedsLayout(); }
    View* accessoryView() const { return accessoryView_.get(); }
    void setAccessoryView(View* v);
    CellSelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(CellSelectionStyle s) { selectionStyle_ = s; }
    View* backgroundView() const { return backgroundView_.get(); }
    void setBackgroundView(View* v);
    View* selectedBackgroundView() const { return selectedBackgroundView_.get(); }
    void setSelectedBackgroundView(View* v);

    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, bool animated);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted, bool /*animated*/) { highlighted_ = highlighted; }
    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);
    // The control an editing row shows at its left (its table sets it: none for
    // a row that cannot be edited); the content is indented to make room for it.
    CellEditingStyle editingStyle() const { return editingStyle_; }
    static constexpr float kEditingIndent = 32;

    // Sent when the table hands the cell out again from its reuse queue.
    virtual void prepareForReuse();

    // The table that shows the cell, if any.
    TableView* tableView() const;

    void layoutSubviews() override;
    void touchesEnded(const Touch& t) override;
    std::string dumpText() const override;

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;
    void drawAboveSubviews(GraphicsContext& context, const Rect& bounds) override;
    void drawAboveSubview(GraphicsContext& context, const Rect& bounds, View* subview) override;

protected:
    TableViewCell() = default;
    friend class InterfaceBuilder;

private:
    friend class TableView;
    void setUp(TableViewCellStyle style, const std::string& reuseIdentifier);

    TableViewCellStyle style_ { TableViewCellStyle::Default };
    std::string reuseIdentifier_;
    Ref<View> contentView_;
    Ref<Label> textLabel_;
    Ref<Label> detailTextLabel_;
    Ref<ImageView> imageView_;
    Ref<View> accessoryView_;
    Ref<View> backgroundView_;
    Ref<View> selectedBackgroundView_;
    CellAccessoryType accessory_ { CellAccessoryType::None };
    CellSelectionStyle selectionStyle_ { CellSelectionStyle::Blue };
    CellEditingStyle editingStyle_ { CellEditingStyle::Delete };
    bool selected_ { false };
    bool highlighted_ { false };
    bool editing_ { false };
};

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView* /*table*/) { return 1; }
    virtual int tableViewNumberOfRowsInSection(TableView* table, int section) = 0;
    virtual Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView* table, IndexPath indexPath) = 0;
    // Empty: no title.
    virtual std::string tableViewTitleForHeaderInSection(TableView* /*table*/, int /*section*/) { return {}; }
    virtual std::string tableViewTitleForFooterInSection(TableView* /*table*/, int /*section*/) { return {}; }
    virtual bool tableViewCanEditRowAtIndexPath(TableView* /*table*/, IndexPath /*indexPath*/) { return true; }
    virtual void tableViewCommitEditingStyle(TableView* /*table*/, CellEditingStyle /*style*/, IndexPath /*indexPath*/) { }
    // Empty: no section index.
    virtual std::vector<std::string> sectionIndexTitlesForTableView(TableView* /*table*/) { return {}; }
    virtual int tableViewSectionForSectionIndexTitle(TableView* /*table*/, const std::string& /*title*/, int index) { return index; }
};

class TableViewDelegate : public ScrollViewDelegate {
public:
    // Negative: the table's rowHeight (or section header and footer heights).
    virtual float tableViewHeightForRowAtIndexPath(TableView* /*table*/, IndexPath /*indexPath*/) { return -1; }
    virtual float tableViewHeightForHeaderInSection(TableView* /*table*/, int /*section*/) { return -1; }
    virtual float tableViewHeightForFooterInSection(TableView* /*table*/, int /*section*/) { return -1; }
    virtual Ref<View> tableViewViewForHeaderInSection(TableView* /*table*/, int /*section*/) { return nullptr; }
    virtual Ref<View> tableViewViewForFooterInSection(TableView* /*table*/, int /*section*/) { return nullptr; }
    virtual void tableViewWillDisplayCell(TableView* /*table*/, TableViewCell* /*cell*/, IndexPath /*indexPath*/) { }
    // Empty: the row is not selected.
    virtual std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView* /*table*/, IndexPath indexPath) { return indexPath; }
    virtual void tableViewDidSelectRowAtIndexPath(TableView* /*table*/, IndexPath /*indexPath*/) { }
    virtual void tableViewDidDeselectRowAtIndexPath(TableView* /*table*/, IndexPath /*indexPath*/) { }
    virtual void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView* /*table*/, IndexPath /*indexPath*/) { }
    virtual CellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView* /*table*/, IndexPath /*indexPath*/) { return CellEditingStyle::Delete; }
    virtual std::string tableViewTitleForDeleteConfirmationButton(TableView* /*table*/, IndexPath /*indexPath*/) { return "Delete"; }
};

class TableView : public ScrollView {
public:
    static constexpr float kDefaultRowHeight = 44;
    static constexpr float kDefaultSectionHeaderHeight = 22;
    static constexpr float kDefaultSectionFooterHeight = 22;

    static Ref<TableView> tableViewWithFrame(const Rect& frame, TableViewStyle style);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;
    bool initWithFrameAndStyle(const Rect& frame, TableViewStyle style);

    TableViewStyle style() const { return style_; }
    TableViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(TableViewDataSource* d) { dataSource_ = d; }
    TableViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TableViewDelegate* d) { delegate_ = d; setScrollDelegate(d); }

    float rowHeight() const { return rowHeight_; }
    void setRowHeight(float h) { rowHeight_ = h; }
    float sectionHeaderHeight() const { return sectionHeaderHeight_; }
    void setSectionHeaderHeight(float h) { sectionHeaderHeight_ = h; }
    float sectionFooterHeight() const { return sectionFooterHeight_; }
    void setSectionFooterHeight(float h) { sectionFooterHeight_ = h; }
    bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool a) { allowsSelection_ = a; }
    bool allowsSelectionDuringEditing() const { return allowsSelectionDuringEditing_; }
    void setAllowsSelectionDuringEditing(bool a) { allowsSelectionDuringEditing_ = a; }
    const std::optional<Color>& separatorColor() const { return separatorColor_; }
    void setSeparatorColor(std::optional<Color> c) { separatorColor_ = c; }

    // Shown above the first section and below the last; retained.
    View* tableHeaderView() const { return tableHeaderView_.get(); }
    void setTableHeaderView(View* view);
    View* tableFooterView() const { return tableFooterView_.get(); }
    void setTableFooterView(View* view);

    // Forgets every row and asks the data source again (also done by the first
    // layout of a table that never loaded).
    void reloadData();
    // Forgets rows, cells (shown and queued for reuse), selection, header and
    // footer without asking anyone or laying out: for a controller that goes
    // away while its table may live on. The table reads as never loaded.
    void discardContents();
    bool hasLoadedData() const { return loaded_; }
    int numberOfSections() const { return int(sections_.size()); }
    int numberOfRowsInSection(int section) const;
    // The section index the data source gave at the last reload.
    const std::vector<std::string>& sectionIndexTitles() const { return indexTitles_; }

    // Content coordinates. Out-of-range arguments give an empty rectangle.
    Rect rectForSection(int section) const;
    Rect rectForHeaderInSection(int section) const;
    Rect rectForFooterInSection(int section) const;
    Rect rectForRowAtIndexPath(IndexPath indexPath) const;
    std::optional<IndexPath> indexPathForRowAtPoint(Point point) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    // The cell shown for a row; null when the row is not visible.
    TableViewCell* cellForRowAtIndexPath(IndexPath indexPath) const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    std::vector<TableViewCell*> visibleCells() const;
    // The header or footer view shown for a section (a label for a title).
    View* headerViewForSection(int section) const;
    View* footerViewForSection(int section) const;

    // A cell from the reuse queue (sent prepareForReuse), or null.
    Ref<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    // Batch updates. Outside begin/end each call is an update of its own.
    void beginUpdates();
    void endUpdates();
    void insertSections(const std::vector<int>& sections, TableViewRowAnimation animation);
    void deleteSections(const std::vector<int>& sections, TableViewRowAnimation animation);
    void reloadSections(const std::vector<int>& sections, TableViewRowAnimation animation);
    void insertRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
    void reloadRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);

    // Programmatic selection tells the delegate nothing.
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    void selectRowAtIndexPath(std::optional<IndexPath> indexPath, bool animated, TableViewScrollPosition position);
    void deselectRowAtIndexPath(IndexPath indexPath, bool animated);

    // An index path out of range throws kInvalidArgumentException.
    void scrollToRowAtIndexPath(IndexPath indexPath, TableViewScrollPosition position, bool animated);
    void flashScrollIndicators() { ++flashCount_; }
    int flashScrollIndicatorsCount() const { return flashCount_; }

    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);

    // --- What the user does ---
    // A tap on a visible row: will-select, deselection of the previous row,
    // did-select. Answers whether did-select was sent.
    bool tapRowForTest(IndexPath indexPath);
    bool tapAccessoryForTest(IndexPath indexPath);
    // Swipe (or editing control) and the confirmation button: asks whether the
    // row can be edited and its style, then tells the data source to commit.
    bool commitEditingForTest(IndexPath indexPath);
    // A touch on the section index: scrolls to the section the data source names.
    bool tapSectionIndexForTest(int index);

    void setBounds(const Rect& bounds) override;
    void layoutSubviews() override;
    std::string dumpText() const override;

protected:
    TableView() = default;
    ~TableView() override;
    friend class InterfaceBuilder;

private:
    struct Section {
        float headerHeight { 0 };
        float footerHeight { 0 };
        std::vector<float> rowHeights;
        std::string headerTitle;
        std::string footerTitle;
        Ref<View> headerView;
        Ref<View> footerView;
        float top { 0 }; // content y of the header
    };
    // The calls collected for one batch update.
    struct PendingUpdate {
        std::vector<int> insertedSections, deletedSections, reloadedSections;
        std::vector<IndexPath> insertedRows, deletedRows, reloadedRows;
    };
    struct UpdatePlan;

    Section loadSection(int section);
    void computeLayout();
    // No further down than the content allows.
    void keepOffsetInRange();
    void updateVisibleCells();
    void removeCell(const IndexPath& ip);
    void enqueue(Ref<TableViewCell> cell);
    void placeSectionViews();
    // A batch update, in steps: check the section counts, check the row
    // indexes, map the rows of each kept section (a failed check reloads and
    // throws), then move the kept cells and the selection, reload the
    // sections, put the kept cells back and lay out.
    void applyUpdate(PendingUpdate update);
    void checkSections(UpdatePlan& plan);
    void checkRowIndexes(UpdatePlan& plan);
    void mapRows(UpdatePlan& plan);
    std::map<IndexPath, Ref<TableViewCell>> takeKeptCells(const UpdatePlan& plan);
    void reloadSectionsAfterUpdate(int newCount);
    void restoreKeptCells(std::map<IndexPath, Ref<TableViewCell>> kept);
    void clampContentOffset();
    [[noreturn]] void failUpdate(const std::string& reason);
    bool validRow(IndexPath ip) const;
    float contentHeight() const;
    void showEditing(TableViewCell* cell, IndexPath ip, bool animated);

    TableViewStyle style_ { TableViewStyle::Plain };
    TableViewDataSource* dataSource_ { nullptr };
    TableViewDelegate* delegate_ { nullptr };
    float rowHeight_ { kDefaultRowHeight };
    float sectionHeaderHeight_ { kDefaultSectionHeaderHeight };
    float sectionFooterHeight_ { kDefaultSectionFooterHeight };
    std::optional<Color> separatorColor_;
    Ref<View> tableHeaderView_;
    Ref<View> tableFooterView_;
    std::vector<Section> sections_;
    std::vector<std::string> indexTitles_;
    std::map<IndexPath, Ref<TableViewCell>> visible_;
    std::map<std::string, std::vector<Ref<TableViewCell>>> reusable_;
    std::optional<IndexPath> selected_;
    PendingUpdate pending_;
    int updateDepth_ { 0 };
    int flashCount_ { 0 };
    bool loaded_ { false };
    bool updatingCells_ { false };
    bool allowsSelection_ { true };
    bool allowsSelectionDuringEditing_ { false };
    bool editing_ { false };
};

// A controller whose view is a table, with itself as data source and delegate.
// The table reloads on the first appearance (when it has never loaded), and a
// selected row is deselected on every appearance unless told otherwise.
class TableViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static Ref<TableViewController> withStyle(TableViewStyle style);
    bool init() override;
    bool initWithStyle(TableViewStyle style);

    TableView* tableView();
    void setTableView(TableView* table);
    bool clearsSelectionOnViewWillAppear() const { return clearsSelection_; }
    void setClearsSelectionOnViewWillAppear(bool c) { clearsSelection_ = c; }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void setEditing(bool editing, bool animated);
    bool isEditing() const { return editing_; }

    int tableViewNumberOfRowsInSection(TableView* /*table*/, int /*section*/) override { return 0; }
    Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView* table, IndexPath indexPath) override;

protected:
    TableViewController() = default;
    ~TableViewController() override;
    friend class InterfaceBuilder;

private:
    TableViewStyle style_ { TableViewStyle::Plain };
    Weak<TableView> table_;
    bool clearsSelection_ { true };
    bool editing_ { false };
};

} // namespace platform::ui
