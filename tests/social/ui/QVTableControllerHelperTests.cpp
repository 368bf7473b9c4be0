// List screens: the section row mapping, the first-appearance request, the
// empty-data footer, selection and deletion mapped through leading and
// expanded rows, the section index, and rows that map to nothing.
#include "ListScreenTestKit.h"

#include "platform/foundation/NotificationCenter.h"
#include "social/runtime/QVPoller.h"
#include "social/ui/QVDeadEndErrorController.h"

using namespace quorvel;
using namespace platform::ui;
using namespace list_testing;
using platform::Ref;

namespace list_screen_tests {

using Section = QVTableSectionDescription;

Ref<QVUser> user(const std::string& id, const std::string& name)
{
    auto u = QVUser::create();
    u->setResourceId(id);
    u->setName(name);
    return u;
}

std::vector<int> types(Section& s, int rows, std::vector<int>* dataRows = nullptr)
{
    std::vector<int> t;
    for (int row = 0; row < rows; ++row) {
        int dataRow = -1;
        t.push_back(s.gatherDataForRow(row, dataRow));
        if (dataRows)
            dataRows->push_back(dataRow);
    }
    return t;
}

TEST(TableSectionTest, MapsRowsThroughLeadingExpandedAndTrailingRows)
{
    auto page = QVPaginatedSeries::paginatedSeriesFromArray({ user("1", "a"), user("2", "b"), user("3", "c") });
    auto s = Section::sectionWithTitle("T", page);
    s->setLeadingCellName("Lead");
    s->setTrailingCellName("Trail");
    EXPECT_EQ(s->countPageItems(), 5);
    EXPECT_EQ(types(*s, 5), (std::vector<int> { 0, 2, 2, 2, 4 }));

    s->expandedViews()[1] = true;
    std::vector<int> dataRows;
    EXPECT_EQ(s->countPageItems(), 6);
    EXPECT_EQ(types(*s, 7, &dataRows), (std::vector<int> { 0, 2, 2, 3, 2, 4, 5 }));
    EXPECT_EQ(dataRows[3], 1); // the action row belongs to object 1
    EXPECT_EQ(dataRows[4], 2);

    // Without a page header the whole set is the loaded page.
    EXPECT_EQ(s->countEntireItemSet(), 6);
    auto header = QVPaginatedSeriesHeader::header();
    header->totalObjects = 10;
    page->setHeader(header);
    EXPECT_EQ(s->countEntireItemSet(), 13);
}

// The row walk the section's kept index stands for: what every row maps to.
std::vector<std::pair<int, int>> walkedRows(const std::vector<bool>& flags, bool lead, bool trail)
{
    std::vector<std::pair<int, int>> rows;
    if (lead)
        rows.push_back({ Section::kLeadingCell, -1 });
    for (size_t i = 0; i < flags.size(); ++i) {
        rows.push_back({ Section::kObjectCell, static_cast<int>(i) });
        if (flags[i])
            rows.push_back({ Section::kActionCell, static_cast<int>(i) });
    }
    if (trail)
        rows.push_back({ Section::kTrailingCell, -1 });
    return rows;
}

TEST(TableSectionTest, KeptRowIndexFollowsFlagsRemovalsAndNewObjects)
{
    QVPaginatedSeries::Objects objects;
    for (int i = 0; i < 40; ++i)
        objects.emplace_back(user(std::to_string(i), "u").get());
    auto s = Section::sectionWithTitle("", QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects)));
    s->setLeadingCellName("Lead");
    s->setTrailingCellName("Trail");
    std::vector<bool> flags(40, false);
    auto check = [&](const char* step) {
        auto expected = walkedRows(flags, true, true);
        ASSERT_EQ(s->countPageItems(), static_cast<int>(expected.size())) << step;
        for (size_t row = 0; row < expected.size(); ++row) {
            int dataRow = -1;
            int type = s->gatherDataForRow(static_cast<int>(row), dataRow);
            EXPECT_EQ(type, expected[row].first) << step << " row " << row;
            if (expected[row].second >= 0) {
                EXPECT_EQ(dataRow, expected[row].second) << step << " row " << row;
            }
        }
        int dataRow = -1;
        EXPECT_EQ(s->gatherDataForRow(static_cast<int>(expected.size()), dataRow), Section::kInvalidCell) << step;
    };
    check("collapsed");
    for (int i : { 0, 7, 8, 39 }) {
        s->setExpanded(static_cast<size_t>(i), true);
        flags[static_cast<size_t>(i)] = true;
    }
    check("expanded");
    s->expandedViews()[20] = true; // through the reference, taken afresh
    flags[20] = true;
    check("flag set through the reference");
    s->removeObjectAtIndex(7);
    flags.erase(flags.begin() + 7);
    check("an expanded object removed");
    s->page()->objects().emplace_back(user("new", "n").get()); // the page grows behind the section's back
    flags.push_back(false);
    check("the page grew");
    s->setExpanded(0, false);
    flags[0] = false;
    check("collapsed again");
}

TEST(TableSectionTest, StaticCellsAndFlagsFollowTheirObjects)
{
    auto s = Section::sectionWithTitleAndStaticCells(
        "", { TableViewCell::cellWithStyle(TableViewCellStyle::Default, "x"),
              TableViewCell::cellWithStyle(TableViewCellStyle::Default, "y") });
    EXPECT_EQ(types(*s, 3), (std::vector<int> { 1, 1, 5 }));

    auto section = Section::sectionWithTitle("", QVPaginatedSeries::paginatedSeriesFromArray({ user("5", "e"), user("6", "f") }));
    section->expandedViews()[0] = true;
    // A refresh prepends newer objects: the expanded flag stays with object 5.
    auto newer = Section::sectionWithTitle("", QVPaginatedSeries::paginatedSeriesFromArray({ user("7", "g"), user("5", "e") }));
    EXPECT_EQ(section->addContentsOfSectionWhereUnique(*newer, true, true), 1u);
    EXPECT_EQ(section->expandedViews(), (std::vector<bool> { false, true, false }));
    // A page without header keeps the current header.
    auto header = QVPaginatedSeriesHeader::header();
    header->totalPages = 3;
    section->page()->setHeader(header);
    section->addContentsOfSectionWhereUnique(*newer, true, false);
    EXPECT_EQ(section->page()->header(), header.get());
}

// A list of users, one section per answer (or per first letter when alphabetical).
class TestList : public QVTableControllerHelper {
    QV_DECLARE_CLASS(TestList)
public:
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override
    {
        ++requests;
        QVUserService::findUsersByName("a", 1, onSuccess, onFailure);
    }
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override
    {
        if (isIncremental) {
            incremental.push_back(series->count());
            return;
        }
        sections_.reset();
        if (series->count() == 0)
            return;
        sections_.emplace();
        if (alphabetical) {
            for (const auto& o : series->objects()) {
                auto* u = static_cast<QVUser*>(o.get());
                std::string letter = u->name().substr(0, 1);
                if (sections_->empty() || sections_->back()->title() != letter)
                    sections_->push_back(Section::sectionWithTitle(letter, QVPaginatedSeries::paginatedSeries()));
                sections_->back()->page()->objects().push_back(o);
                sections_->back()->matchupExpandedViews();
            }
        } else {
            sections_->push_back(Section::sectionWithTitle("Users", QVPaginatedSeries::paginatedSeriesFromSeries(*series)));
        }
        _reloadTableData();
    }
    std::string getCellControllerNameFromSection(Section*, int) override { return "ListRow"; }
    platform::Object* getResourceFromSection(Section* s, int row) override { return s->page()->objectAtIndex(row); }
    std::optional<std::string> getLeadingCellControllerNameForSection(int) override
    {
        return leading ? std::optional<std::string>("ListRow") : std::nullopt;
    }
    std::optional<std::string> actionCellClassName() override { return "ListRow"; }
    void onCellWasClicked(platform::Object* r, IndexPath) override { clicked.push_back(static_cast<QVUser*>(r)->name()); }
    void onLeadingCellWasClickedForSection(int s) override { clicked.push_back("leading " + std::to_string(s)); }
    bool allowEditing() override { return true; }
    bool shouldConfirmResourceDeletion() override { return true; }
    std::string getResourceDeletePromptText(platform::Object* r) override
    {
        return "Remove " + static_cast<QVUser*>(r)->name() + "?";
    }
    void onResourceWasDeleted(platform::Object* r) override { deleted.push_back(static_cast<QVUser*>(r)->name()); }
    bool isAlphabeticalList() override { return alphabetical; }
    bool shouldRefreshAfterNotification() override { return true; }
    std::string getNotificationToRefreshAfter() override { return "user_discovered"; }
    bool isNotificationResourceValid(platform::Object* r) override { return static_cast<QVUser*>(r)->name() != "skip"; }

    int requests { 0 };
    bool leading { false };
    bool alphabetical { false };
    std::vector<std::string> clicked, deleted;
    std::vector<size_t> incremental;
};

class ListScreenTest : public ListScreenFixture<TestList> {
protected:
    void answer(const std::vector<std::string>& names)
    {
        settle();
        ASSERT_TRUE(recording->answerWithXml(usersXml(names)));
        settle(1);
    }
};

TEST_F(ListScreenTest, RequestsOnceOnFirstAppearanceAndShowsTheEmptyFooterUntilDataArrives)
{
    show();
    ASSERT_EQ(recording->requests().size(), 1u);
    EXPECT_EQ(recording->requests()[0].path, "users.xml");
    EXPECT_TRUE(nav->loadingController());
    answer({});
    EXPECT_FALSE(nav->loadingController());
    auto* empty = dynamic_cast<QVDeadEndErrorController*>(list->emptyTableController());
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->message(), "No data results were found");
    EXPECT_EQ(list->tableView()->tableFooterView(), empty->view());

    list->reloadDataFromServer();
    answer({ "Ann", "Bob" });
    EXPECT_FALSE(list->emptyTableController());
    EXPECT_FALSE(list->tableView()->tableFooterView());

    // Shown again once it has sections: no further request.
    auto other = platform::dynamicRef<TestList>(TestList::qvCreateInstance());
    other->init();
    nav->pushViewController(other.get(), false);
    settle();
    nav->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(list->requests, 2);
    EXPECT_EQ(rowTexts(list->tableView()), (std::vector<std::string> { "Ann", "Bob" }));
}

TEST_F(ListScreenTest, SelectionAndExpansionGoThroughTheRowMapping)
{
    list->leading = true;
    show();
    answer({ "Ann", "Bob", "Cy" });
    TableView* table = list->tableView();
    EXPECT_EQ(rowTexts(table), (std::vector<std::string> { "<Users>", "Ann", "Bob", "Cy" }));
    list->toggleExpansionAtIndexPath(IndexPath::forRow(1, 0));
    expectConsistent();
    EXPECT_TRUE(list->isExpandedAtIndexPath(IndexPath::forRow(1, 0)));
    EXPECT_EQ(list->cellTypeAtIndexPath(IndexPath::forRow(2, 0)), Section::kActionCell);

    EXPECT_TRUE(table->tapRowForTest(IndexPath::forRow(0, 0)));
    EXPECT_TRUE(table->tapRowForTest(IndexPath::forRow(3, 0)));
    EXPECT_EQ(list->clicked, (std::vector<std::string> { "leading 0", "Bob" }));
}

TEST_F(ListScreenTest, DeletesTheRowsObjectOnlyAfterConfirmation)
{
    list->leading = true;
    show();
    answer({ "Ann", "Bob", "Cy" });
    TableView* table = list->tableView();
    table->setEditing(true, false);
    EXPECT_FALSE(list->tableViewCanEditRowAtIndexPath(table, IndexPath::forRow(0, 0)));

    // Row 2 is Bob (row 0 is the leading cell). A cancelled sheet removes nothing.
    ASSERT_TRUE(table->commitEditingForTest(IndexPath::forRow(2, 0)));
    ASSERT_TRUE(driver().currentActionSheet());
    EXPECT_EQ(driver().currentActionSheet()->title(), "Remove Bob?");
    EXPECT_TRUE(driver().answerActionSheet("Cancel"));
    EXPECT_TRUE(list->deleted.empty());
    EXPECT_EQ(table->numberOfRowsInSection(0), 4);

    ASSERT_TRUE(table->commitEditingForTest(IndexPath::forRow(2, 0)));
    EXPECT_TRUE(driver().answerActionSheet("Confirm"));
    EXPECT_EQ(list->deleted, std::vector<std::string> { "Bob" });
    expectConsistent();
    EXPECT_EQ(rowTexts(table), (std::vector<std::string> { "<Users>", "Ann", "Cy" }));

    // An expanded object leaves with its action row.
    list->toggleExpansionAtIndexPath(IndexPath::forRow(1, 0));
    ASSERT_TRUE(table->commitEditingForTest(IndexPath::forRow(1, 0)));
    EXPECT_TRUE(driver().answerActionSheet("Confirm"));
    EXPECT_EQ(list->deleted, (std::vector<std::string> { "Bob", "Ann" }));
    expectConsistent();
    EXPECT_EQ(rowTexts(table), (std::vector<std::string> { "<Users>", "Cy" }));
}

TEST_F(ListScreenTest, TheDeleteSheetAnsweredAfterTheListWentRemovesNothing)
{
    show();
    answer({ "Ann", "Bob" });
    list->tableView()->setEditing(true, false);
    ASSERT_TRUE(list->tableView()->commitEditingForTest(IndexPath::forRow(1, 0)));
    Ref<platform::ui::ActionSheet> sheet(driver().currentActionSheet());
    ASSERT_TRUE(sheet);
    platform::Weak<TestList> gone(list);
    nav->view()->removeFromSuperview();
    nav = nullptr;
    list = nullptr;
    settle(1);
    ASSERT_TRUE(gone.expired());
    EXPECT_TRUE(sheet->clickButton("Confirm"));
    EXPECT_EQ(driver().currentActionSheet(), nullptr);
}

TEST_F(ListScreenTest, AlphabeticalListIndexesAToZAndHash)
{
    list->alphabetical = true;
    show();
    answer({ "Al", "Ann", "Dee", "Zed" });
    TableView* table = list->tableView();
    auto titles = list->sectionIndexTitlesForTableView(table);
    ASSERT_EQ(titles.size(), 27u);
    EXPECT_EQ(titles.front(), "A");
    EXPECT_EQ(titles.back(), "#");
    EXPECT_EQ(list->tableViewSectionForSectionIndexTitle(table, "A", 0), 0);
    EXPECT_EQ(list->tableViewSectionForSectionIndexTitle(table, "B", 1), 1); // the first section past B is D
    EXPECT_EQ(list->tableViewSectionForSectionIndexTitle(table, "#", 26), 2);
    EXPECT_EQ(list->tableViewSectionForSectionIndexTitle(table, "", 0), 0);
}

TEST_F(ListScreenTest, RowsThatMapToNothingGetAnEmptyCellAndRefreshesPassOnlyValidResources)
{
    show();
    answer({ "Ann" });
    auto cell = list->tableViewCellForRowAtIndexPath(list->tableView(), IndexPath::forRow(5, 0));
    ASSERT_TRUE(cell);
    EXPECT_TRUE(log.contains("unhandled cell type"));

    auto found = QVPaginatedSeries::paginatedSeriesFromArray({ user("8", "Hal"), user("9", "skip") });
    platform::Notification n;
    n.name = "user_discovered";
    n.userObjects.emplace_back(QVPoller::kResourcesKey, found);
    platform::NotificationCenter::defaultCenter().post(n);
    EXPECT_EQ(list->incremental, std::vector<size_t> { 1 });
    // Gone from the stack: the notification is no longer observed.
    auto other = platform::dynamicRef<TestList>(TestList::qvCreateInstance());
    other->init();
    nav->pushViewController(other.get(), false);
    settle();
    platform::NotificationCenter::defaultCenter().post(n);
    EXPECT_EQ(list->incremental.size(), 1u);
}

TEST_F(ListScreenTest, ACellThatOutlivesItsListNoLongerReportsToIt)
{
    show();
    answer({ "Ann" });
    Ref<TableViewCell> kept(list->tableView()->cellForRowAtIndexPath(IndexPath::forRow(0, 0)));
    auto* cell = dynamic_cast<QVTableCellHelper*>(kept.get());
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->owningTable(), list.get());
    platform::Weak<TestList> gone(list);
    nav->view()->removeFromSuperview();
    nav = nullptr;
    list = nullptr;
    settle(1);
    ASSERT_TRUE(gone.expired());
    EXPECT_FALSE(cell->owningTable());
    cell->changeResource(user("2", "Bob").get());
    EXPECT_EQ(cell->textLabel()->text(), "Bob");
}

// A late answer to a cell is dropped as one to its list would be: once the
// list has left its stack, and for good once the list is gone.
TEST_F(ListScreenTest, ACellTakesCallbacksWhileItsListDoes)
{
    show();
    answer({ "Ann" });
    Ref<TableViewCell> kept(list->tableView()->cellForRowAtIndexPath(IndexPath::forRow(0, 0)));
    auto* cell = dynamic_cast<QVTableCellHelper*>(kept.get());
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->canReceiveCallbacksNow());

    nav->view()->removeFromSuperview();
    nav = nullptr;
    settle(1);
    ASSERT_FALSE(list->navigationController());
    EXPECT_FALSE(cell->canReceiveCallbacksNow()) << "the list left its stack";
    list = nullptr;
    settle(1);
    EXPECT_FALSE(cell->canReceiveCallbacksNow()) << "the list is gone";

    auto alone = QVControllerLoader::loadCell("User");
    auto* loose = dynamic_cast<QVTableCellHelper*>(alone.get());
    ASSERT_TRUE(loose);
    EXPECT_TRUE(loose->canReceiveCallbacksNow()) << "a cell never given a list answers for itself";
}

} // namespace list_screen_tests
