// Table views: sections, reuse, paging by batch insert, index, selection,
// editing, and the check of batch updates against the data source.
#include "UiTestSupport.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/ui/TableView.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;
using namespace platform::ui;

namespace {

// Sections "A".."C" of names; each row a cell of the identifier "Row".
class Names : public Object, public TableViewDataSource, public TableViewDelegate {
public:
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    ui_test::CallLog log;
    int cellsMade { 0 };
    int cellsAsked { 0 };
    std::optional<int> vetoRow;

    int numberOfSectionsInTableView(TableView*) override { return int(sections.size()); }
    int tableViewNumberOfRowsInSection(TableView*, int s) override { return int(sections[s].second.size()); }
    Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView* t, IndexPath ip) override
    {
        ++cellsAsked;
        auto cell = t->dequeueReusableCellWithIdentifier("Row");
        if (!cell) {
            ++cellsMade;
            cell = TableViewCell::cellWithStyle(TableViewCellStyle::Default, "Row");
        }
        cell->textLabel()->setText(sections[ip.section].second[ip.row]);
        return cell;
    }
    std::string tableViewTitleForHeaderInSection(TableView*, int s) override { return sections[s].first; }
    std::vector<std::string> sectionIndexTitlesForTableView(TableView*) override
    {
        std::vector<std::string> titles;
        for (auto& s : sections)
            titles.push_back(s.first);
        titles.push_back("#");
        return titles;
    }
    int tableViewSectionForSectionIndexTitle(TableView*, const std::string& title, int index) override
    {
        return title == "#" ? int(sections.size()) - 1 : index;
    }
    void tableViewCommitEditingStyle(TableView* t, CellEditingStyle style, IndexPath ip) override
    {
        log.add(format("commit %d,%d", ip.section, ip.row));
        sections[ip.section].second.erase(sections[ip.section].second.begin() + ip.row);
        t->deleteRowsAtIndexPaths({ ip }, TableViewRowAnimation::Fade);
    }
    bool tableViewCanEditRowAtIndexPath(TableView*, IndexPath ip) override { return ip.row != 0; }
    std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView*, IndexPath ip) override
    {
        log.add(format("will %d,%d", ip.section, ip.row));
        if (vetoRow && ip.row == *vetoRow)
            return std::nullopt;
        return ip;
    }
    void tableViewDidSelectRowAtIndexPath(TableView*, IndexPath ip) override { log.add(format("did %d,%d", ip.section, ip.row)); }
    void tableViewDidDeselectRowAtIndexPath(TableView*, IndexPath ip) override { log.add(format("deselect %d,%d", ip.section, ip.row)); }
    void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView*, IndexPath ip) override { log.add("accessory"); }
    float tableViewHeightForRowAtIndexPath(TableView*, IndexPath ip) override { return ip.section == 2 ? 60 : -1; }
};

std::vector<std::string> rows(const std::string& prefix, int n)
{
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i)
        v.push_back(format("%s%d", prefix.c_str(), i));
    return v;
}

class TableViewTest : public ui_test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        names = makeRef<Names>();
        names->sections = { { "A", rows("a", 3) }, { "B", rows("b", 2) }, { "C", rows("c", 25) } };
        table = TableView::tableViewWithFrame(Rect(0, 0, 320, 416), TableViewStyle::Plain);
        table->setDataSource(names.get());
        table->setDelegate(names.get());
        driver.window()->addSubview(table.get());
        table->reloadData();
    }
    void TearDown() override
    {
        table->removeFromSuperview();
        UiTest::TearDown();
    }
    std::vector<std::string> visibleTexts() const
    {
        std::vector<std::string> v;
        for (auto* c : table->visibleCells())
            v.push_back(c->textLabel()->text());
        return v;
    }

    TestDriver driver;
    Ref<Names> names;
    Ref<TableView> table;
};

TEST_F(TableViewTest, LaysOutSectionsWithHeadersAndMakesCellsOnlyForVisibleRows)
{
    EXPECT_EQ(table->numberOfSections(), 3);
    EXPECT_EQ(table->numberOfRowsInSection(2), 25);
    // Headers 22 high, rows 44, section C's rows 60 (delegate).
    EXPECT_EQ(table->rectForRowAtIndexPath({ 1, 0 }), Rect(0, 22 + 3 * 44 + 22, 320, 44));
    EXPECT_EQ(table->rectForRowAtIndexPath({ 2, 1 }).size.height, 60);
    EXPECT_FLOAT_EQ(table->contentSize().height, 3 * 22 + 5 * 44 + 25 * 60);
    ASSERT_TRUE(table->headerViewForSection(1));
    EXPECT_EQ(table->headerViewForSection(1)->dumpText(), " B");
    EXPECT_EQ(table->rectForHeaderInSection(1).origin.y, 22 + 3 * 44);
    // The title reads on its strip: white on the strip's colour at 4.5:1 or more.
    auto* header = dynamic_cast<Label*>(table->headerViewForSection(1));
    ASSERT_TRUE(header && header->backgroundColor());
    auto luminance = [](const Color& c) {
        auto linear = [](float v) { return v <= 0.03928f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); };
        return 0.2126f * linear(c.red) + 0.7152f * linear(c.green) + 0.0722f * linear(c.blue);
    };
    EXPECT_EQ(header->textColor(), Color::whiteColor());
    EXPECT_GE(1.05f / (luminance(*header->backgroundColor()) + 0.05f), 4.5f);
    // 416 points show A (3 rows), B (2) and the first rows of C.
    auto visible = table->indexPathsForVisibleRows();
    ASSERT_FALSE(visible.empty());
    EXPECT_EQ(visible.front(), IndexPath::forRow(0, 0));
    EXPECT_EQ(visible.back(), IndexPath::forRow(2, 2)); // C starts at 308; rows 308+22..
    EXPECT_EQ(names->cellsMade, int(visible.size()));
    EXPECT_EQ(table->cellForRowAtIndexPath({ 2, 10 }), nullptr);
    EXPECT_EQ(table->sectionIndexTitles(), (std::vector<std::string> { "A", "B", "C", "#" }));
}

TEST_F(TableViewTest, ScrollingReusesCellsByIdentifier)
{
    int made = names->cellsMade;
    table->setContentOffset(Point(0, 1000));
    EXPECT_EQ(names->cellsMade, made); // every new row took a cell that left the screen
    auto texts = visibleTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front().substr(0, 1), "c");
    for (auto* c : table->visibleCells())
        EXPECT_EQ(c->superview(), table.get());
    auto ip = table->indexPathForRowAtPoint(Point(10, 1000 + 5));
    ASSERT_TRUE(ip);
    EXPECT_EQ(table->cellForRowAtIndexPath(*ip)->textLabel()->text(), names->sections[ip->section].second[ip->row]);
}

TEST_F(TableViewTest, BatchUpdatesThatAddUpMoveCellsWithoutAskingAgain)
{
    // A page of ten more rows appended to C, one update.
    table->setContentOffset(Point(0, table->maximumOffset().y));
    auto more = rows("d", 10);
    names->sections[2].second.insert(names->sections[2].second.end(), more.begin(), more.end());
    std::vector<IndexPath> added;
    for (int i = 0; i < 10; ++i)
        added.push_back({ 2, 25 + i });
    int asked = names->cellsAsked;
    table->beginUpdates();
    table->insertRowsAtIndexPaths(added, TableViewRowAnimation::None);
    EXPECT_EQ(table->numberOfRowsInSection(2), 25); // nothing until the update ends
    table->endUpdates();
    EXPECT_EQ(table->numberOfRowsInSection(2), 35);
    EXPECT_EQ(names->cellsAsked, asked); // the new rows are below the screen
    EXPECT_EQ(table->flashScrollIndicatorsCount(), 0);

    // Delete row 0 of A and insert a section before B: kept rows keep their cells.
    table->setContentOffset(Point(0, 0));
    TableViewCell* a1 = table->cellForRowAtIndexPath({ 0, 1 });
    names->sections[0].second.erase(names->sections[0].second.begin());
    names->sections.insert(names->sections.begin() + 1, { "Ab", { "x" } });
    asked = names->cellsAsked;
    table->beginUpdates();
    table->deleteRowsAtIndexPaths({ { 0, 0 } }, TableViewRowAnimation::Fade);
    table->insertSections({ 1 }, TableViewRowAnimation::Fade);
    table->endUpdates();
    EXPECT_EQ(table->numberOfSections(), 4);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 0 }), a1);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 1, 0 })->textLabel()->text(), "x");
    EXPECT_EQ(table->cellForRowAtIndexPath({ 2, 0 })->textLabel()->text(), "b0");

    // Reloading a row asks for its cell again.
    names->sections[0].second[0] = "changed";
    table->reloadRowsAtIndexPaths({ { 0, 0 } }, TableViewRowAnimation::Fade);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 0 })->textLabel()->text(), "changed");
}

TEST_F(TableViewTest, AnInconsistentUpdateThrowsAndLeavesTheTableAsTheDataSourceSays)
{
    names->sections[1].second.push_back("b2");
    names->sections[1].second.push_back("b3");
    try {
        table->insertRowsAtIndexPaths({ { 1, 2 } }, TableViewRowAnimation::Fade); // two were added, one told
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), kInternalInconsistencyException);
        EXPECT_NE(e.reason().find("invalid number of rows in section 1"), std::string::npos) << e.reason();
        EXPECT_NE(e.reason().find("(1 inserted, 0 deleted)"), std::string::npos) << e.reason();
    }
    EXPECT_EQ(table->numberOfRowsInSection(1), 4);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 1, 3 })->textLabel()->text(), "b3");

    // Sections that do not add up, rows out of range, and a batch left open by the throw.
    names->sections.pop_back();
    EXPECT_THROW(table->deleteSections({}, TableViewRowAnimation::Fade), Exception);
    table->beginUpdates();
    table->deleteRowsAtIndexPaths({ { 0, 7 } }, TableViewRowAnimation::Fade);
    EXPECT_THROW(table->endUpdates(), Exception);
    EXPECT_EQ(table->numberOfSections(), 2);
    names->sections[0].second.push_back("a3");
    table->insertRowsAtIndexPaths({ { 0, 3 } }, TableViewRowAnimation::Fade); // a fresh update works
    EXPECT_EQ(table->numberOfRowsInSection(0), 4);
}

TEST_F(TableViewTest, TapsSelectThroughTheDelegateAndATapOnACellGoesThroughHitTesting)
{
    EXPECT_TRUE(driver.tap(table->cellForRowAtIndexPath({ 0, 1 })));
    EXPECT_EQ(table->indexPathForSelectedRow(), IndexPath::forRow(1, 0));
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 0, 1 })->isSelected());
    EXPECT_TRUE(table->tapRowForTest({ 1, 0 }));
    EXPECT_EQ(names->log.calls, (std::vector<std::string> { "will 0,1", "did 0,1", "will 1,0", "deselect 0,1", "did 1,0" }));
    EXPECT_FALSE(table->cellForRowAtIndexPath({ 0, 1 })->isSelected());

    names->vetoRow = 2;
    EXPECT_FALSE(table->tapRowForTest({ 0, 2 }));
    EXPECT_EQ(table->indexPathForSelectedRow(), IndexPath::forRow(0, 1));
    EXPECT_FALSE(table->tapRowForTest({ 2, 20 })); // not on the screen

    EXPECT_FALSE(table->tapAccessoryForTest({ 0, 0 }));
    table->cellForRowAtIndexPath({ 0, 0 })->setAccessoryType(CellAccessoryType::DetailDisclosureButton);
    EXPECT_TRUE(table->tapAccessoryForTest({ 0, 0 }));
    EXPECT_EQ(names->log.calls.back(), "accessory");

    table->reloadData();
    EXPECT_FALSE(table->indexPathForSelectedRow());
}

TEST_F(TableViewTest, EditingCommitsThroughTheDataSourceAndTheIndexScrollsToSections)
{
    EXPECT_FALSE(table->commitEditingForTest({ 0, 0 })); // the data source refuses row 0
    EXPECT_TRUE(table->commitEditingForTest({ 0, 2 }));
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    table->setEditing(true, false);
    EXPECT_TRUE(table->visibleCells().front()->isEditing());
    EXPECT_FALSE(table->tapRowForTest({ 0, 0 }));

    EXPECT_TRUE(table->tapSectionIndexForTest(3)); // "#": the last section
    EXPECT_FLOAT_EQ(table->contentOffset().y, table->rectForSection(2).origin.y);
    EXPECT_FALSE(table->tapSectionIndexForTest(4));
    EXPECT_THROW(table->scrollToRowAtIndexPath({ 5, 0 }, TableViewScrollPosition::Top, false), Exception);
    table->scrollToRowAtIndexPath({ 2, 24 }, TableViewScrollPosition::Bottom, false);
    EXPECT_FLOAT_EQ(table->contentOffset().y, table->maximumOffset().y);
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 2, 24 }));
}

TEST_F(TableViewTest, HeaderAndFooterViewsFrameTheSections)
{
    auto header = View::viewWithFrame(Rect(0, 0, 10, 60));
    auto footer = View::viewWithFrame(Rect(0, 0, 10, 30));
    table->setTableHeaderView(header.get());
    table->setTableFooterView(footer.get());
    EXPECT_EQ(header->frame(), Rect(0, 0, 320, 60));
    EXPECT_EQ(table->rectForHeaderInSection(0).origin.y, 60);
    EXPECT_EQ(table->headerViewForSection(1)->frame(), table->rectForHeaderInSection(1));
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 0 })->frame(), table->rectForRowAtIndexPath({ 0, 0 }));
    EXPECT_FLOAT_EQ(footer->frame().origin.y, 60 + 3 * 22 + 5 * 44 + 25 * 60);
    EXPECT_FLOAT_EQ(table->contentSize().height, footer->frame().maxY());

    // A header made to follow its superview (as a controller's view is) keeps its place and height
    // when the table itself is resized: the table places it.
    header->setAutoresizingMask(FlexibleHeight | FlexibleTopMargin);
    table->setTableHeaderView(header.get());
    Rect f = table->frame();
    table->setFrame(Rect(f.origin.x, f.origin.y, f.size.width, f.size.height - 40));
    table->layoutSubviews();
    EXPECT_EQ(header->frame(), Rect(0, 0, 320, 60));
    EXPECT_EQ(table->rectForHeaderInSection(0).origin.y, 60);
}

TEST_F(TableViewTest, RemovingATallFooterScrolledToKeepsTheRowsInView)
{
    // A short list under a footer as tall as the table, scrolled to the footer's end.
    names->sections = { { "A", rows("a", 2) } };
    table->reloadData();
    auto footer = View::viewWithFrame(Rect(0, 0, 320, 416));
    table->setTableFooterView(footer.get());
    table->setContentOffset(Point(0, table->contentSize().height - 416));
    ASSERT_GT(table->contentOffset().y, 0);
    table->setTableFooterView(nullptr);
    EXPECT_FLOAT_EQ(table->contentOffset().y, 0);
    EXPECT_EQ(visibleTexts(), (std::vector<std::string> { "a0", "a1" }));
}

class Rows : public TableViewController {
public:
    int count { 3 };
    int tableViewNumberOfRowsInSection(TableView*, int) override { return count; }
    Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView* t, IndexPath ip) override
    {
        return ip.row == 1 && nullCell ? nullptr : TableViewCell::cellWithStyle(TableViewCellStyle::Subtitle, "");
    }
    bool nullCell { false };
};

TEST_F(TableViewTest, AControllerLoadsOnFirstAppearanceAndANullCellIsAnError)
{
    auto rows = adoptRef(new Rows);
    ASSERT_TRUE(rows->init());
    driver.showController(rows.get());
    EXPECT_EQ(rows->tableView()->numberOfRowsInSection(0), 3);
    rows->tableView()->selectRowAtIndexPath(IndexPath::forRow(2, 0), false, TableViewScrollPosition::None);
    rows->notifyViewWillAppear(false);
    EXPECT_FALSE(rows->tableView()->indexPathForSelectedRow());

    rows->nullCell = true;
    EXPECT_THROW(rows->tableView()->reloadData(), Exception);
    rows->nullCell = false;
    rows->tableView()->reloadData();
    EXPECT_EQ(rows->tableView()->visibleCells().size(), 3u);
    rows->view()->removeFromSuperview();
}

} // namespace
