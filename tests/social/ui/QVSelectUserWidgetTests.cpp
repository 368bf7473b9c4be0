// The select-user widget: users handed in or loaded from the server, the
// tapped user reported, removal only after the warning that names the user
// twice, a refused removal that brings the account back, and the header and
// edit switches. Also the standard leading cell's pictures and the plain
// table header.
#include "ListScreenTestKit.h"

#include "platform/ui/AlertView.h"
#include "social/ui/QVSelectUserWidget.h"
#include "social/ui/QVStandardCells.h"

using namespace quorvel;
using namespace platform::ui;
using namespace list_testing;
using platform::Rect;
using platform::Ref;

namespace select_user_tests {

class Chooser : public QVSelectUserWidgetDelegate {
public:
    void selectUserWidget(QVSelectUserWidget*, QVUser* user) override { chosen.push_back(user->name()); }
    std::vector<std::string> chosen;
};

Ref<QVUser> user(const std::string& id, const std::string& name)
{
    auto u = QVUser::create();
    u->setResourceId(id);
    u->setName(name);
    return u;
}

class SelectUserTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        recording = std::make_unique<screen_testing::RecordingProvider>();
    }
    void TearDown() override
    {
        AlertView::forgetAllShown();
        if (widget)
            widget->removeFromSuperview();
        widget = nullptr;
        settle(1);
        QVUserService::shutdownService();
        recording.reset();
        ScreenTest::TearDown();
    }
    void makeWidget(bool hideHeader = false, bool disallowEdit = false)
    {
        widget = QVSelectUserWidget::widgetWithFrame(Rect(0, 0, 320, 300));
        widget->setHideHeader(hideHeader);
        widget->setDisallowEdit(disallowEdit);
        widget->setDelegate(&chooser);
        window()->addSubview(widget.get());
        settle();
    }
    TableView* table() { return widget->widgetController()->tableView(); }
    std::vector<std::string> names()
    {
        std::vector<std::string> n;
        TableView* t = table();
        for (int row = 0; row < t->numberOfRowsInSection(0); ++row) {
            t->layoutSubviews();
            auto* cell = dynamic_cast<QVUserCell*>(t->cellForRowAtIndexPath(IndexPath::forRow(row, 0)));
            n.push_back(cell ? cell->nameLabel()->text() : "?");
        }
        return n;
    }

    Chooser chooser;
    std::unique_ptr<screen_testing::RecordingProvider> recording;
    Ref<QVSelectUserWidget> widget;
};

TEST_F(SelectUserTest, ShowsHandedInUsersWithoutARequestAndReportsTheTappedOne)
{
    makeWidget();
    widget->setUserResources({ user("1", "Ann"), user("2", "Bob") });
    settle();
    EXPECT_TRUE(recording->requests().empty());
    EXPECT_EQ(names(), (std::vector<std::string> { "Ann", "Bob" }));
    View* header = table()->headerViewForSection(0);
    ASSERT_TRUE(header);
    EXPECT_EQ(static_cast<Label*>(header->viewWithTag(1))->text(), "Device Users");
    EXPECT_TRUE(table()->tapRowForTest(IndexPath::forRow(1, 0)));
    EXPECT_EQ(chooser.chosen, std::vector<std::string> { "Bob" });

    widget->reloadUserList();
    settle();
    ASSERT_EQ(recording->requests().size(), 1u);
    EXPECT_EQ(recording->requests()[0].path, "users/for_device.xml");
    EXPECT_TRUE(widget->widgetController()->loadingView());
    ASSERT_TRUE(recording->answerWithXml(usersXml({ "Cy" }, 3)));
    settle(1);
    EXPECT_FALSE(widget->widgetController()->loadingView());
    EXPECT_EQ(names(), std::vector<std::string> { "Cy" });
}

TEST_F(SelectUserTest, RemovesAnAccountOnlyAfterTheWarning)
{
    makeWidget();
    widget->setUserResources({ user("1", "Ann"), user("2", "Bob") });
    widget->setEditing(true);
    settle();
    ASSERT_TRUE(table()->commitEditingForTest(IndexPath::forRow(0, 0)));
    ASSERT_TRUE(driver().currentActionSheet());
    EXPECT_EQ(driver().currentActionSheet()->title(),
              "You are about to remove Ann from this device. If Ann is not secured then the account will be lost!");
    EXPECT_TRUE(driver().answerActionSheet("Cancel"));
    settle();
    EXPECT_TRUE(recording->requests().empty());
    EXPECT_EQ(names(), (std::vector<std::string> { "Ann", "Bob" }));

    ASSERT_TRUE(table()->commitEditingForTest(IndexPath::forRow(0, 0)));
    EXPECT_TRUE(driver().answerActionSheet("Remove"));
    settle();
    EXPECT_EQ(names(), std::vector<std::string> { "Bob" });
    ASSERT_EQ(recording->requests().size(), 1u);
    auto removal = recording->requests()[0];
    EXPECT_EQ(removal.path, "users/remove_from_device.xml");
    EXPECT_EQ(removal.method, "GET");
    EXPECT_EQ(removal.requestType, 0);
    ASSERT_GE(removal.parameters.size(), 2u);
    EXPECT_EQ(removal.parameters[0], (std::pair<std::string, std::string>("user_id", "1")));
    EXPECT_EQ(removal.parameters[1].first, "udid");

    // The server refuses: the list is asked for again and the player told.
    ASSERT_TRUE(recording->answerWithFailure());
    settle(1);
    EXPECT_EQ(AlertView::visibleAlerts().size(), 1u);
    ASSERT_EQ(recording->requests().size(), 2u);
    EXPECT_EQ(recording->requests()[1].path, "users/for_device.xml");
    ASSERT_TRUE(recording->answerWithXml(usersXml({ "Ann", "Bob" })));
    settle(1);
    EXPECT_EQ(names(), (std::vector<std::string> { "Ann", "Bob" }));
}

TEST_F(SelectUserTest, HeaderAndEditingCanBeSwitchedOff)
{
    makeWidget(true, true);
    widget->setUserResources({ user("1", "Ann") });
    widget->setEditing(true);
    settle();
    ASSERT_TRUE(widget->widgetController()->sections());
    EXPECT_TRUE(widget->widgetController()->sections()->front()->title().empty());
    EXPECT_FALSE(table()->headerViewForSection(0));
    EXPECT_FALSE(table()->commitEditingForTest(IndexPath::forRow(0, 0)));
    EXPECT_EQ(names(), std::vector<std::string> { "Ann" });
}

class StandardCellsTest : public screen_testing::ScreenTest { };

TEST_F(StandardCellsTest, LeadingCellMakesRoomForItsPicturesOnlyWhenNeeded)
{
    auto cell = platform::dynamicRef<QVDefaultLeadingCell>(QVControllerLoader::loadCell("DefaultLeading"));
    ASSERT_TRUE(cell);
    View* title = cell->headerContainerView();
    const Rect full = title->frame();
    cell->enableRightIconView();
    const float rightEdge = title->frame().origin.x + title->frame().size.width;
    EXPECT_FLOAT_EQ(rightEdge, cell->rightIconView()->frame().origin.x - 10);
    cell->enableLeftIconView();
    EXPECT_FLOAT_EQ(title->frame().origin.x,
                    cell->leftIconView()->frame().origin.x + cell->leftIconView()->frame().size.width + 10);
    cell->disableBothRightIconViews();
    EXPECT_FLOAT_EQ(title->frame().size.width, cell->frame().size.width - 2 * title->frame().origin.x);

    // A title that already ends well before the picture keeps its width.
    Rect narrow = full;
    narrow.size.width = 100;
    title->setFrame(narrow);
    cell->enableSecondFromRightIconView();
    EXPECT_EQ(title->frame(), narrow);

    // Compared with nobody: one picture, the local player's.
    cell->populateRightIconsAsComparison(nullptr);
    EXPECT_FALSE(cell->rightIconView()->isHidden());
    EXPECT_TRUE(cell->secondFromRightIconView()->isHidden());
    auto other = user("9", "Zoe");
    cell->populateRightIconsAsComparison(other.get());
    EXPECT_FALSE(cell->secondFromRightIconView()->isHidden());
    cell->onClickedLeftIcon(); // no target: nothing happens

    // A tap on the left picture runs the target's selector.
    struct Target : platform::Object {
        int taps { 0 };
        void tapped() { ++taps; }
    };
    auto target = platform::adoptRef(new Target);
    cell->setCallbackTarget(target.get());
    cell->setLeftIconSelector(BRISKO_SELECTOR(Target, tapped));
    cell->setFrame(Rect(0, 0, 320, cell->frame().size.height));
    window()->addSubview(cell.get());
    View* picture = cell->leftIconView();
    ASSERT_TRUE(driver().tapPoint(picture->convertPointTo(platform::Point(picture->bounds().midX(), picture->bounds().midY()), nullptr)));
    EXPECT_EQ(target->taps, 1);
    cell->removeFromSuperview();
}

TEST_F(StandardCellsTest, PlainTableHeaderIsSixtyPointsAndAsWideAsItsTable)
{
    auto header = QVControllerLoader::load("PlainTableHeader");
    ASSERT_TRUE(header);
    auto* plain = dynamic_cast<QVPlainTableHeaderController*>(header.get());
    ASSERT_TRUE(plain);
    auto table = TableView::tableViewWithFrame(Rect(0, 0, 300, 400), TableViewStyle::Plain);
    plain->resizeView(table.get());
    EXPECT_EQ(plain->view()->frame(), Rect(0, 0, 300, 60));
    EXPECT_TRUE(QVControllerLoader::loadCell("PlainMessageTrailing"));
    EXPECT_TRUE(QVControllerLoader::loadCell("TrailingViewAll"));
}

} // namespace select_user_tests
