// Closing list screens that hold many rows: every list screen of the client is
// opened on a navigation stack, given 50 rows, closed with the back button and
// released. Tearing a screen down never lays the table out again nor asks for
// cells, and leaves a table that outlives it with nothing that calls back.
#include "DashboardTestSupport.h"

#include "social/core/QuorvelServices.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVUser.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVTableControllerHelper.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quorvel;
using namespace dashboard_testing;
using platform::Ref;
using platform::ui::TableView;
using platform::ui::View;
using platform::ui::ViewController;

namespace {

// Reaches the answer entry every list screen has.
struct AnswerAccess : QVTableControllerHelper {
    using QVTableControllerHelper::_onDataLoadedWrapper;
};

Ref<QVPaginatedSeries> fiftyUsers()
{
    auto series = QVPaginatedSeries::paginatedSeries();
    for (int i = 1; i <= 50; ++i) {
        Ref<QVResource> made = QVUser::staticResourceClass().create();
        made->setResourceId(std::to_string(i));
        series->objects().emplace_back(made.get());
    }
    return series;
}

std::string scoreXml(int i)
{
    return "<high_score><id>" + std::to_string(i) + "</id><score>" + std::to_string(10000 - i) + "</score><rank>"
        + std::to_string(i) + "</rank><user><id>" + std::to_string(100 + i) + "</id><name>P" + std::to_string(i)
        + "</name></user></high_score>";
}

// The friends' scores (a plain list) and everyone's (the player's section and everyone).
std::string friendsXml(int count)
{
    std::string xml = "<?xml version=\"1.0\"?><resources>";
    for (int i = 1; i <= count; ++i)
        xml += scoreXml(i);
    return xml + "</resources>";
}

std::string globalXml(int count)
{
    std::string xml = "<?xml version=\"1.0\"?><resources><resource_sections><resource_section><title>My Score</title>"
        + scoreXml(7) + "</resource_section><resource_section><title>Everyone</title>";
    for (int i = 1; i <= count; ++i)
        xml += scoreXml(100 + i);
    return xml + "</resource_section></resource_sections></resources>";
}

class ListTeardownTest : public DashboardTest {
protected:
    void TearDown() override
    {
        DashboardTest::TearDown();
        // The screens' requests made their services; none existed before.
        for (const QuorvelServiceEntry& entry : QuorvelServicesInShutdownOrder())
            if (entry.shutdownService)
                entry.shutdownService();
    }

    // Pushes the screen over a plain root, gives it time to load, then closes
    // it with the back button; answers the table, kept alive past the screen.
    Ref<TableView> openAndClose(Ref<QVTableControllerHelper> screen, const std::function<void()>& fill)
    {
        auto root = ViewController::controller();
        showInNavigation(root.get());
        navigation->pushViewController(screen.get(), false);
        settle(1);
        fill();
        settle(1);
        Ref<TableView> table(screen->tableView());
        EXPECT_GE(screen->getNumCellsInTable(), 50);
        EXPECT_FALSE(table->visibleCells().empty());
        EXPECT_TRUE(driver().tapBack(navigation.get()));
        settle(1);
        for (int i = 0; i < 20 && provider->waitingCount() > 0; ++i) {
            provider->answerWithFailure();
            settle();
        }
        return table;
    }

    static void expectDetached(TableView* table, const std::string& name)
    {
        EXPECT_EQ(table->dataSource(), nullptr) << name;
        EXPECT_EQ(table->delegate(), nullptr) << name;
        EXPECT_EQ(table->tableHeaderView(), nullptr) << name;
        EXPECT_TRUE(table->visibleCells().empty()) << name << ": its cells point back at the screen";
        table->layoutSubviews(); // a table that lives on asks nothing of the gone screen
    }
};

TEST_F(ListTeardownTest, HighScoreScreenWithFiftyRowsClosesCleanly)
{
    Ref<ViewController> loaded = QVControllerLoader::load("HighScore");
    Ref<QVHighScoreController> scores(dynamic_cast<QVHighScoreController*>(loaded.get()));
    ASSERT_TRUE(scores);
    loaded = nullptr;
    Ref<QVResource> board = QVLeaderboard::staticResourceClass().create();
    board->setResourceId("5");
    scores->setLeaderboard(dynamic_cast<QVLeaderboard*>(board.get()));
    Ref<TableView> table = openAndClose(scores, [&] {
        // Each list is cut to 25 rows: 1 + 25 + 25 in all.
        ASSERT_TRUE(provider->answerWithXml(friendsXml(25)));
        ASSERT_TRUE(provider->answerWithXml(globalXml(25)));
    });
    scores = nullptr;
    expectDetached(table.get(), "HighScore");
}

TEST_F(ListTeardownTest, EveryListScreenWithFiftyRowsClosesCleanly)
{
    int screens = 0;
    for (const std::string& name : QVClassRegistry::registeredNames()) {
        Ref<platform::Object> made = QVClassRegistry::create(name);
        Ref<QVTableControllerHelper> screen(dynamic_cast<QVTableControllerHelper*>(made.get()));
        if (!screen)
            continue;
        made = nullptr;
        ASSERT_TRUE(screen->init()) << name;
        ++screens;
        Ref<TableView> table = openAndClose(screen, [&] {
            // The answer every screen takes; a screen that builds its rows
            // itself gets a section of 50 plain rows, and every screen a
            // header that hides rows until it goes.
            (screen.get()->*&AnswerAccess::_onDataLoadedWrapper)(fiftyUsers().get());
            if (screen->getNumCellsInTable() < 50) {
                QVTableSectionDescription::Cells cells;
                for (int i = 0; i < 50; ++i)
                    cells.push_back(platform::ui::TableViewCell::cellWithStyle(platform::ui::TableViewCellStyle::Default, ""));
                screen->insertSection(QVTableSectionDescription::sectionWithTitleAndStaticCells("", cells).get(), 0);
            }
            TableView* shown = screen->tableView();
            if (!shown->tableHeaderView())
                shown->setTableHeaderView(View::viewWithFrame(platform::Rect(0, 0, 320, 300)).get());
            shown->reloadData();
        });
        screen = nullptr;
        expectDetached(table.get(), name);
        navigation = nullptr;
        settle(1);
    }
    EXPECT_GE(screens, 25) << "the dashboard's list screens are registered";
}

} // namespace
