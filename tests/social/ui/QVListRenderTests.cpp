// A paged list as the player sees it: the dark leading row, alternating user
// rows, the load-more row's text and the section index down the right edge,
// checked by pixel probes on the rendered phone screen.
#include "ListScreenTestKit.h"

#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"

using namespace quorvel;
using namespace platform::ui;
using namespace list_testing;
using platform::Ref;
using screen_testing::near;
using screen_testing::pixelAt;

namespace list_render_tests {

class Players : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(Players)
public:
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override
    {
        QVUserService::findUsersByName("a", 1, onSuccess, onFailure);
    }
    void populateResourceMap(QVResourceControllerMap& map) override { map.addResource<QVUser>("User"); }
    bool isAlphabeticalList() override { return true; }
    std::optional<std::string> getLeadingCellControllerNameForSection(int) override { return "DefaultLeading"; }
    void onLeadingCellWasLoaded(TableViewCell* cell, int) override
    {
        if (auto* leading = dynamic_cast<QVDefaultLeadingCell*>(cell))
            leading->headerLabel()->setText("Players");
    }
};

// Pixels in the rectangle darker than the grey level.
int darkPixels(const platform::Image& image, int x0, int y0, int x1, int y1, int level = 110)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            auto p = pixelAt(image, x, y);
            if (p.r < level && p.g < level && p.b < level)
                ++count;
        }
    return count;
}

class ListRenderTest : public screen_testing::ScreenTest { };

TEST_F(ListRenderTest, PagedListWithLeadingRowLoadMoreRowAndSectionIndex)
{
    screen_testing::RecordingProvider recording;
    auto list = platform::dynamicRef<Players>(Players::qvCreateInstance());
    list->init();
    auto nav = QVNavigationController::withRootViewController(list.get());
    driver().showController(nav.get());
    settle();
    ASSERT_TRUE(recording.answerWithXml(usersXml({ "Ann", "Bob", "Cy" }, 1, paginationHeader(1, 2, 3, 5))));
    settle(1);

    TableView* table = list->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 5);
    EXPECT_EQ(table->sectionIndexTitles().size(), 27u);
    auto image = render("paged_list");
    ASSERT_TRUE(image);

    const platform::Rect lead = table->convertRectTo(table->rectForRowAtIndexPath(IndexPath::forRow(0, 0)), nullptr);
    const platform::Rect odd = table->convertRectTo(table->rectForRowAtIndexPath(IndexPath::forRow(1, 0)), nullptr);
    const platform::Rect even = table->convertRectTo(table->rectForRowAtIndexPath(IndexPath::forRow(2, 0)), nullptr);
    const platform::Rect more = table->convertRectTo(table->rectForRowAtIndexPath(IndexPath::forRow(4, 0)), nullptr);
    auto mid = [](const platform::Rect& r) { return static_cast<int>(r.origin.y + r.size.height / 2); };

    // The leading row is the dark slate strip with its white title.
    EXPECT_TRUE(near(pixelAt(*image, 200, mid(lead)), 54, 64, 82, 20));
    // User rows alternate: the odd row darker than the even one, both light.
    auto oddPixel = pixelAt(*image, 250, static_cast<int>(odd.origin.y) + 4);
    auto evenPixel = pixelAt(*image, 250, static_cast<int>(even.origin.y) + 4);
    EXPECT_GT(evenPixel.r, oddPixel.r);
    EXPECT_GT(oddPixel.r, 200);
    // The load-more row carries dark text ("Load 2 More", "Showing 3 of 5").
    auto* cell = dynamic_cast<QVTableSequenceControllerLoadMoreCell*>(table->cellForRowAtIndexPath(IndexPath::forRow(4, 0)));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->mainLabel()->text(), "Load 2 More");
    EXPECT_GT(darkPixels(*image, 60, static_cast<int>(more.origin.y), 290, static_cast<int>(more.origin.y + more.size.height)), 40);
    // The section index: a shaded column with letters at the right edge.
    const int indexX0 = 320 - static_cast<int>(QVTableView::kSectionIndexWidth);
    EXPECT_GT(darkPixels(*image, indexX0, static_cast<int>(odd.origin.y), 320, static_cast<int>(more.origin.y)), 20);
    auto shaded = pixelAt(*image, 319, static_cast<int>(even.origin.y) + 2);
    EXPECT_LT(shaded.r, evenPixel.r);
    // Over the dark leading row the column stays light, so its dark letters read there too.
    auto overLead = pixelAt(*image, 319, mid(lead));
    EXPECT_GT(overLead.r, 170);
    EXPECT_GT(darkPixels(*image, indexX0, static_cast<int>(lead.origin.y), 320, static_cast<int>(lead.maxY())), 4);
}

} // namespace list_render_tests
