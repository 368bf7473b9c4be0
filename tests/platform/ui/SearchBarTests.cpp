// The search bar: its field played by the test driver, the delegate calls it
// makes of the field's events, the cancel button and its layout.
#include "UiTestSupport.h"

#include "platform/ui/Keyboard.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/SearchBar.h"

using namespace platform;
using namespace platform::ui;
using ui_test::CallLog;
using ui_test::UiTest;

namespace {

class SearchRecorder : public SearchBarDelegate {
public:
    explicit SearchRecorder(CallLog& l) : log(l) { }
    bool searchBarShouldBeginEditing(SearchBar*) override { log.add("shouldBegin"); return allowBegin; }
    void searchBarTextDidBeginEditing(SearchBar*) override { log.add("didBegin"); }
    void searchBarTextDidEndEditing(SearchBar*) override { log.add("didEnd"); }
    void searchBarTextDidChange(SearchBar*, const std::string& text) override { log.add("change " + text); }
    void searchBarSearchButtonClicked(SearchBar* bar) override { log.add("search " + bar->text()); }
    void searchBarCancelButtonClicked(SearchBar*) override { log.add("cancel"); }
    CallLog& log;
    bool allowBegin { true };
};

} // namespace

TEST_F(UiTest, SearchBarTurnsTypingSearchAndCancelIntoDelegateCalls)
{
    TestDriver driver;
    CallLog calls;
    SearchRecorder rec(calls);
    auto bar = SearchBar::searchBarWithFrame(Rect(0, 20, 320, 44));
    bar->setPlaceholder("Find a player");
    bar->setDelegate(&rec);
    driver.window()->addSubview(bar.get());
    EXPECT_EQ(TestDriver::dumpTree(bar.get()).find("[Find a player]") != std::string::npos, true);

    ASSERT_TRUE(driver.tap(bar->searchField()));
    EXPECT_TRUE(Keyboard::shared().isVisible());
    EXPECT_EQ(bar->searchField()->returnKeyType(), ReturnKeyType::Search);
    EXPECT_TRUE(driver.type("ann"));
    EXPECT_TRUE(driver.deleteBackward());
    EXPECT_EQ(bar->text(), "an");
    EXPECT_TRUE(driver.pressReturn());
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "shouldBegin", "didBegin", "change a", "change an", "change ann", "change an", "search an" }));

    // Text set in code tells nothing; resigning ends editing and hides the keyboard.
    calls.clear();
    bar->setText("bo");
    EXPECT_EQ(bar->text(), "bo");
    EXPECT_TRUE(bar->resignFirstResponder());
    EXPECT_FALSE(Keyboard::shared().isVisible());
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "didEnd" }));

    // The delegate can refuse the focus.
    calls.clear();
    rec.allowBegin = false;
    driver.tap(bar->searchField());
    EXPECT_FALSE(bar->searchField()->isEditing());
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "shouldBegin" }));
    bar->removeFromSuperview();
}

TEST_F(UiTest, SearchBarCancelButtonShowsOnRequestAndTakesRoomFromTheField)
{
    TestDriver driver;
    CallLog calls;
    SearchRecorder rec(calls);
    auto bar = SearchBar::searchBarWithFrame(Rect(0, 0, 320, 44));
    bar->setDelegate(&rec);
    driver.window()->addSubview(bar.get());
    float fullWidth = bar->searchField()->frame().size.width;
    EXPECT_FALSE(driver.tap(bar->cancelButton())); // hidden until asked for
    EXPECT_TRUE(calls.calls.empty());

    bar->setShowsCancelButton(true);
    EXPECT_LT(bar->searchField()->frame().maxX(), bar->cancelButton()->frame().minX());
    EXPECT_LT(bar->searchField()->frame().size.width, fullWidth);
    EXPECT_TRUE(driver.tap(bar->cancelButton()));
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "cancel" }));

    // A wider bar lays its parts out again; the bar draws.
    bar->setFrame(Rect(0, 0, 480, 44));
    bar->layoutIfNeeded();
    EXPECT_NEAR(bar->cancelButton()->frame().maxX(), 474, 0.01);
    EXPECT_TRUE(ViewRenderer::render(bar.get()));
    bar->removeFromSuperview();
}

TEST_F(UiTest, ASearchFieldThatOutlivesItsBarCallsNoOne)
{
    TestDriver driver;
    CallLog calls;
    SearchRecorder rec(calls);
    Ref<TextField> field;
    {
        auto bar = SearchBar::searchBarWithFrame(Rect(0, 0, 320, 44));
        bar->setDelegate(&rec);
        field = bar->searchField();
        driver.window()->addSubview(field.get()); // moved out of the bar
    }
    ASSERT_TRUE(driver.tap(field.get()));
    EXPECT_TRUE(driver.type("x"));
    EXPECT_TRUE(driver.pressReturn());
    EXPECT_TRUE(calls.calls.empty());
    field->resignFirstResponder();
    field->removeFromSuperview();
}
