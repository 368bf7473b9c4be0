// Helpers of the list-screen tests: a row cell that shows its resource's name,
// user answers as XML, and a list screen in a navigation stack on the phone.
#pragma once

#include "ScreenTestKit.h"
#include "support/ClassRegistryOverride.h"

#include "platform/ui/AlertView.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVTableControllerHelper.h"

#include <memory>
#include <string>
#include <vector>

namespace list_testing {

// "ListRow": the row cell of the tests; its text is the user's name, or
// "<section title>" for a leading or trailing row.
class QVListRowCell : public quorvel::QVTableCellHelper {
    QV_DECLARE_CLASS(QVListRowCell)
public:
    void onResourceChanged(platform::Object* resource) override
    {
        if (auto* user = dynamic_cast<quorvel::QVUser*>(resource))
            textLabel()->setText(user->name());
        else if (auto* section = dynamic_cast<quorvel::QVTableSectionDescription*>(resource))
            textLabel()->setText("<" + section->title() + ">");
        else
            textLabel()->setText("");
        ++fills;
    }
    int fills { 0 };

protected:
    QVListRowCell() = default;
};

// Registers the test cell classes for the test's lifetime.
class ScopedTestCells {
public:
    ScopedTestCells();

private:
    testing_support::ClassRegistryOverride cell_;
};

// "<resources><user>...</user>...[pagination_header]</resources>" for the names,
// ids from firstId on.
std::string usersXml(const std::vector<std::string>& names, int firstId = 1, const std::string& paginationHeader = "");
std::string paginationHeader(int currentPage, int totalPages, int perPage, int totalObjects, int currentOffset = 0);

// The user names shown by the visible rows of a section, in row order.
std::vector<std::string> rowTexts(platform::ui::TableView* table, int section = 0);

// A fresh list screen of class List for each test, shown in a navigation
// stack with its requests recorded. What a test leaves waiting is failed and
// the alerts it raised are forgotten on tear-down.
template <typename List>
class ListScreenFixture : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        recording = std::make_unique<screen_testing::RecordingProvider>();
        list = platform::dynamicRef<List>(List::qvCreateInstance());
        list->init();
    }
    void TearDown() override
    {
        platform::ui::AlertView::forgetAllShown();
        while (recording->answerWithFailure())
            settle();
        nav = nullptr;
        list = nullptr;
        settle(1);
        quorvel::QVUserService::shutdownService();
        recording.reset();
        ScreenTest::TearDown();
    }
    void show(platform::ui::ViewController* screen)
    {
        nav = quorvel::QVNavigationController::withRootViewController(screen);
        driver().showController(nav.get());
        settle();
    }
    void show() { show(list.get()); }
    // The table stays consistent with the list's counts.
    void expectConsistent()
    {
        platform::ui::TableView* table = list->tableView();
        for (int s = 0; s < table->numberOfSections(); ++s)
            EXPECT_EQ(table->numberOfRowsInSection(s), list->getNumCellsInSection(s)) << "section " << s;
    }

    ScopedTestCells cells;
    std::unique_ptr<screen_testing::RecordingProvider> recording;
    platform::Ref<List> list;
    platform::Ref<quorvel::QVNavigationController> nav;
};

} // namespace list_testing
