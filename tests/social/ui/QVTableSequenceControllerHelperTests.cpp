// Paged lists: the load-more cell's texts page by page, one next-page request
// at a time, a failed (or dropped) page retried as the same page, the list asked again
// from its first page after another player's login, answers without a page
// header, refresh merges (insert or reload) that keep the table consistent,
// and the static list that never asks.
#include "ListScreenTestKit.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "social/runtime/QVPoller.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"
#include "social/ui/QVTableStaticControllerHelper.h"

using namespace quorvel;
using namespace platform::ui;
using namespace list_testing;
using platform::Ref;

namespace paged_list_tests {

class PagedUsers : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(PagedUsers)
public:
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override
    {
        QVUserService::findUsersByName("a", 1, onSuccess, onFailure);
    }
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override
    {
        QVUserService::findUsersByName("a", static_cast<int>(page), onSuccess, onFailure);
    }
    void populateResourceMap(QVResourceControllerMap& map) override { map.addResource<QVUser>("ListRow"); }
    bool shouldRefreshAfterNotification() override { return true; }
    std::string getNotificationToRefreshAfter() override { return "user_discovered"; }
};

// A chat-like list: the newest object at the bottom.
class BottomUsers : public PagedUsers {
    QV_DECLARE_CLASS(BottomUsers)
public:
    bool isNewContentShownAtBottom() override { return true; }
};

// One long result set streamed around the visible rows.
class StreamedUsers : public PagedUsers {
    QV_DECLARE_CLASS(StreamedUsers)
public:
    bool hasStreamingSections() override { return true; }
    std::string getCellControllerNameForStreamingCells() override { return "ListRow"; }
    void doIndexActionWithOffset(int offset, const QVDelegate& onSuccess, const QVDelegate& onFailure) override
    {
        QVUserService::findUsersByName("a", offset, onSuccess, onFailure);
    }
};

// A titled section of many rows that can be sent back to its head.
class TitledList : public QVTableStaticControllerHelper {
    QV_DECLARE_CLASS(TitledList)
public:
    std::optional<Sections> buildTableSectionDescriptions() override
    {
        std::vector<Ref<TableViewCell>> cells;
        for (int i = 0; i < 20; ++i)
            cells.push_back(TableViewCell::cellWithStyle(TableViewCellStyle::Default, "row"));
        return Sections { QVTableSectionDescription::sectionWithTitleAndStaticCells("Friends", cells) };
    }
    void scrollToHead() { _scrollToTableHead(false); }
};

class StaticList : public QVTableStaticControllerHelper {
    QV_DECLARE_CLASS(StaticList)
public:
    std::optional<Sections> buildTableSectionDescriptions() override
    {
        return Sections { QVTableSectionDescription::sectionWithTitleAndStaticCells(
            "", { TableViewCell::cellWithStyle(TableViewCellStyle::Default, "one") }) };
    }
    void doIndexActionOnSuccess(const QVDelegate&, const QVDelegate&) override { ++requests; }
    int requests { 0 };
};

std::vector<std::string> names(int from, int count)
{
    std::vector<std::string> n;
    for (int i = from; i < from + count; ++i)
        n.push_back("U" + std::to_string(i));
    return n;
}

class PagedListTest : public ListScreenFixture<PagedUsers> {
protected:
    void answer(const std::string& xml)
    {
        settle();
        ASSERT_TRUE(recording->answerWithXml(xml));
        settle(1);
    }
    std::string pageParameter(size_t request)
    {
        auto requests = recording->requests();
        for (auto& [name, value] : requests.at(request).parameters)
            if (name == "page")
                return value;
        return "";
    }
    // The load-more cell, scrolled into view.
    QVTableSequenceControllerLoadMoreCell* loadMore()
    {
        TableView* table = list->tableView();
        int rows = table->numberOfRowsInSection(0);
        auto path = IndexPath::forRow(rows - 1, 0);
        table->scrollToRowAtIndexPath(path, TableViewScrollPosition::Bottom, false);
        table->layoutSubviews();
        return dynamic_cast<QVTableSequenceControllerLoadMoreCell*>(table->cellForRowAtIndexPath(path));
    }
};

TEST_F(PagedListTest, LoadMoreCellPagesThroughTheWholeSet)
{
    show(list.get());
    answer(usersXml(names(1, 25), 1, paginationHeader(1, 3, 25, 60)));
    auto* cell = loadMore();
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->mainLabel()->text(), "Load 25 More");
    EXPECT_EQ(cell->secondLabel()->text(), "Showing 25 of 60");

    // Two touches before the answer: one request, for page 2.
    TableView* table = list->tableView();
    IndexPath last = IndexPath::forRow(25, 0);
    EXPECT_TRUE(table->tapRowForTest(last));
    EXPECT_EQ(cell->mainLabel()->text(), "Loading");
    EXPECT_TRUE(table->tapRowForTest(last));
    settle();
    ASSERT_EQ(recording->requests().size(), 2u);
    EXPECT_EQ(pageParameter(1), "2");
    answer(usersXml(names(26, 25), 26, paginationHeader(2, 3, 25, 60)));
    expectConsistent();
    EXPECT_FALSE(list->isLoadingNextPage());
    cell = loadMore();
    EXPECT_EQ(cell->mainLabel()->text(), "Load 10 More");
    EXPECT_EQ(cell->secondLabel()->text(), "Showing 50 of 60");

    EXPECT_TRUE(table->tapRowForTest(IndexPath::forRow(50, 0)));
    settle();
    EXPECT_EQ(pageParameter(2), "3");
    answer(usersXml(names(51, 10), 51, paginationHeader(3, 3, 25, 60)));
    expectConsistent();
    cell = loadMore();
    EXPECT_EQ(cell->mainLabel()->text(), "No More To Load");
    EXPECT_EQ(cell->secondLabel()->text(), "Showing 60 of 60");
    EXPECT_EQ(table->numberOfRowsInSection(0), 61);
    // Everything is loaded: no further request.
    table->tapRowForTest(IndexPath::forRow(60, 0));
    settle();
    EXPECT_EQ(recording->requests().size(), 3u);
}

TEST_F(PagedListTest, AFailedOrDroppedPageIsAskedForAgain)
{
    show(list.get());
    answer(usersXml(names(1, 25), 1, paginationHeader(1, 3, 25, 60)));
    list->doLoadMoreOnSuccess(QVDelegate(), QVDelegate());
    settle();
    ASSERT_TRUE(recording->answerWithFailure());
    settle(1);
    EXPECT_FALSE(list->isLoadingNextPage());
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1u);
    EXPECT_EQ(AlertView::visibleAlerts()[0]->message(), "Quorvel was unable to load more items. Please try again");
    EXPECT_EQ(loadMore()->mainLabel()->text(), "Load 25 More");

    // Asked while the client is turned off, the page is dropped unanswered: it fails the same way.
    AlertView::forgetAllShown();
    recording->approved = false;
    list->doLoadMoreOnSuccess(QVDelegate(), QVDelegate());
    settle();
    recording->approved = true;
    EXPECT_EQ(recording->requests().size(), 2u);
    EXPECT_FALSE(list->isLoadingNextPage());
    EXPECT_EQ(AlertView::visibleAlerts().size(), 1u);
    EXPECT_EQ(loadMore()->mainLabel()->text(), "Load 25 More");

    list->doLoadMoreOnSuccess(QVDelegate(), QVDelegate());
    settle();
    ASSERT_EQ(recording->requests().size(), 3u);
    EXPECT_EQ(pageParameter(2), "2");
}

TEST_F(PagedListTest, AfterAnotherPlayersLoginTheListStartsAgainFromItsFirstPage)
{
    recording->loggedInUser = "17";
    show(list.get());
    answer(usersXml(names(1, 25), 1, paginationHeader(1, 2, 25, 30)));
    // Their next page would follow this player's first: the list is asked again whole.
    recording->loggedInUser = "18";
    list->doLoadMoreOnSuccess(QVDelegate(), QVDelegate());
    settle();
    ASSERT_EQ(recording->requests().size(), 2u);
    EXPECT_EQ(pageParameter(1), "1");
    answer(usersXml(names(31, 25), 31, paginationHeader(1, 2, 25, 30)));
    EXPECT_EQ(loadMore()->secondLabel()->text(), "Showing 25 of 30");
    list->doLoadMoreOnSuccess(QVDelegate(), QVDelegate());
    settle();
    EXPECT_EQ(pageParameter(2), "2");
}

TEST_F(PagedListTest, AnAnswerWithoutPageHeaderHasNoLoadMoreCell)
{
    show(list.get());
    answer(usersXml(names(1, 3)));
    EXPECT_EQ(list->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(rowTexts(list->tableView()), (std::vector<std::string> { "U1", "U2", "U3" }));
}

TEST_F(PagedListTest, AListSentToItsHeadShowsItsFirstSectionsHeader)
{
    auto titled = platform::dynamicRef<TitledList>(TitledList::qvCreateInstance());
    titled->init();
    show(titled.get());
    settle();
    TableView* table = titled->tableView();
    ASSERT_TRUE(table);
    platform::Rect header = table->rectForHeaderInSection(0);
    ASSERT_GT(header.size.height, 0);
    table->setContentOffset(platform::Point(0, 300));
    titled->scrollToHead();
    EXPECT_LE(table->contentOffset().y, header.minY()) << "the first header is scrolled away";
}

TEST_F(PagedListTest, RefreshesPutNewObjectsFirstAndKeepTheTableConsistent)
{
    show(list.get());
    answer(usersXml(names(1, 20)));
    auto post = [](std::vector<std::pair<std::string, std::string>> users) {
        QVPaginatedSeries::Objects objects;
        for (auto& [id, name] : users) {
            auto u = QVUser::create();
            u->setResourceId(id);
            u->setName(name);
            objects.emplace_back(u);
        }
        platform::Notification n;
        n.name = "user_discovered";
        n.userObjects.emplace_back(QVPoller::kResourcesKey, QVPaginatedSeries::paginatedSeriesFromArray(objects));
        platform::NotificationCenter::defaultCenter().post(n);
    };
    // Taller than the table: the two new rows are inserted.
    post({ { "100", "New1" }, { "101", "New2" }, { "5", "U5" } });
    settle();
    expectConsistent();
    EXPECT_EQ(list->tableView()->numberOfRowsInSection(0), 22);
    auto texts = rowTexts(list->tableView());
    EXPECT_EQ(texts[0], "New1");
    EXPECT_EQ(texts[1], "New2");
    EXPECT_EQ(texts[2], "U1");
    // Nothing new changes nothing.
    post({});
    settle();
    EXPECT_EQ(list->tableView()->numberOfRowsInSection(0), 22);
}

TEST_F(PagedListTest, ListsWithNewContentAtTheBottomInsertTheNewestLast)
{
    list = platform::dynamicRef<PagedUsers>(BottomUsers::qvCreateInstance());
    list->init();
    show(list.get());
    answer(usersXml(names(1, 20)));
    auto texts = rowTexts(list->tableView());
    EXPECT_EQ(texts.front(), "U20");
    EXPECT_EQ(texts.back(), "U1");
    auto fresh = QVUser::create();
    fresh->setResourceId("100");
    fresh->setName("New");
    platform::Notification n;
    n.name = "user_discovered";
    n.userObjects.emplace_back(QVPoller::kResourcesKey, QVPaginatedSeries::paginatedSeriesWithObject(fresh.get()));
    platform::NotificationCenter::defaultCenter().post(n);
    settle();
    expectConsistent();
    texts = rowTexts(list->tableView());
    ASSERT_EQ(texts.size(), 21u);
    EXPECT_EQ(texts.back(), "New");
    EXPECT_EQ(texts[19], "U1");
    // A tap on the last row is about the newest object.
    EXPECT_EQ(static_cast<QVUser*>(list->getCellAtIndexPath(IndexPath::forRow(20, 0)))->name(), "New");
}

TEST_F(PagedListTest, AStreamedListFillsTheRowsAroundTheVisibleOnes)
{
    list = platform::dynamicRef<PagedUsers>(StreamedUsers::qvCreateInstance());
    list->init();
    show(list.get());
    answer(usersXml(names(1, 10), 1, paginationHeader(1, 10, 10, 100, 0)));
    TableView* table = list->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 100); // the whole set, no load-more row
    settle(0.2);
    const size_t asked = recording->requests().size();

    // Scrolled to row 50: its cell has no object yet, and one request follows the rest.
    table->scrollToRowAtIndexPath(IndexPath::forRow(50, 0), TableViewScrollPosition::Top, false);
    table->layoutSubviews();
    EXPECT_EQ(table->cellForRowAtIndexPath(IndexPath::forRow(50, 0))->textLabel()->text(), "");
    settle(0.05);
    table->scrollToRowAtIndexPath(IndexPath::forRow(52, 0), TableViewScrollPosition::Top, false);
    table->layoutSubviews();
    settle(0.2);
    ASSERT_EQ(recording->requests().size(), asked + 1);
    EXPECT_EQ(pageParameter(asked), std::to_string(table->indexPathsForVisibleRows().front().row - 5));

    const int offset = std::stoi(pageParameter(asked));
    answer(usersXml(names(offset + 1, 20), offset + 1, paginationHeader(1, 10, 20, 100, offset)));
    const int first = table->indexPathsForVisibleRows().front().row;
    EXPECT_EQ(table->cellForRowAtIndexPath(IndexPath::forRow(first, 0))->textLabel()->text(), "U" + std::to_string(first + 1));
    EXPECT_EQ(static_cast<QVUser*>(list->getCellAtIndexPath(IndexPath::forRow(first, 0)))->name(),
              "U" + std::to_string(first + 1));
    EXPECT_FALSE(list->tableViewCanEditRowAtIndexPath(table, IndexPath::forRow(first, 0)));
}

TEST_F(PagedListTest, SectionsThatAreAllEmptyShowTheEmptyScreen)
{
    show(list.get());
    answer("<resources><resource_sections><resource_section><title>A</title></resource_section>"
           "</resource_sections></resources>");
    EXPECT_FALSE(list->sections());
    ASSERT_TRUE(list->emptyTableController());
    EXPECT_EQ(static_cast<QVDeadEndErrorController*>(list->emptyTableController())->message(),
              "No data results were found");
}

TEST_F(PagedListTest, AStaticListNeverAsks)
{
    auto statics = platform::dynamicRef<StaticList>(StaticList::qvCreateInstance());
    statics->init();
    show(statics.get());
    EXPECT_EQ(statics->requests, 0);
    EXPECT_EQ(statics->tableView()->numberOfRowsInSection(0), 1);
    nav->pushViewController(list.get(), false);
    settle();
    nav->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(statics->requests, 0);
    nav = nullptr;
}

} // namespace paged_list_tests
