// Alerts and action sheets: button indexes in the platform's order, answers
// by index and by title, and the delegate calls in order.
#include "UiTestSupport.h"

#include "platform/ui/AlertView.h"

using namespace platform;
using namespace platform::ui;
using ui_test::CallLog;
using ui_test::UiTest;

namespace {

class AlertRecorder : public AlertViewDelegate, public ActionSheetDelegate {
public:
    explicit AlertRecorder(CallLog& l) : log(l) { }
    void willPresentAlertView(AlertView*) override { log.add("willPresent"); }
    void didPresentAlertView(AlertView*) override { log.add("didPresent"); }
    void alertViewClickedButtonAtIndex(AlertView*, int i) override { log.add("clicked " + std::to_string(i)); }
    void alertViewWillDismissWithButtonIndex(AlertView*, int i) override { log.add("willDismiss " + std::to_string(i)); }
    void alertViewDidDismissWithButtonIndex(AlertView*, int i) override { log.add("didDismiss " + std::to_string(i)); }
    void actionSheetClickedButtonAtIndex(ActionSheet*, int i) override { log.add("sheet clicked " + std::to_string(i)); }
    void actionSheetDidDismissWithButtonIndex(ActionSheet*, int i) override { log.add("sheet didDismiss " + std::to_string(i)); }
    CallLog& log;
};

// A delegate that is an object, as a screen is: it may go while its alert is
// up, or let go of itself when it hears the answer.
class ScreenRecorder final : public Object, public AlertViewDelegate {
public:
    explicit ScreenRecorder(CallLog& l) : log(l) { }
    void willPresentAlertView(AlertView*) override { log.add("willPresent"); }
    void alertViewClickedButtonAtIndex(AlertView*, int i) override
    {
        log.add("clicked " + std::to_string(i));
        self = nullptr;
        log.add(std::string("still here: ") + std::to_string(retainCount() > 0));
    }
    void alertViewDidDismissWithButtonIndex(AlertView*, int i) override { log.add("didDismiss " + std::to_string(i)); }
    CallLog& log;
    Ref<ScreenRecorder> self;
};

} // namespace

// A screen that closed with its alert up is told nothing, and never read.
TEST_F(UiTest, AnAlertHoldsItsDelegateWeakly)
{
    TestDriver driver;
    CallLog calls;
    Weak<ScreenRecorder> gone;
    {
        auto screen = adoptRef(new ScreenRecorder(calls));
        gone = screen.get();
        AlertView::alert("Title", "", screen.get(), "Cancel", { "OK" })->show();
        EXPECT_EQ(driver.currentAlert()->delegate(), screen.get());
    }
    ASSERT_TRUE(gone.expired());
    EXPECT_EQ(driver.currentAlert()->delegate(), nullptr);
    EXPECT_TRUE(driver.answerAlert("OK"));
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "willPresent" }));

    // One that lets go of itself as it hears the answer lives to the end of that call, and hears nothing after.
    calls.clear();
    auto screen = adoptRef(new ScreenRecorder(calls));
    screen->self = screen;
    gone = screen.get();
    AlertView::alert("Title", "", screen.get(), "Cancel", { "OK" })->show();
    screen = nullptr;
    EXPECT_TRUE(driver.answerAlert("OK"));
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "willPresent", "clicked 1", "still here: 1" }));
}

TEST_F(UiTest, AlertButtonsPutCancelFirst)
{
    auto alert = AlertView::alert("Oops! There was a problem:", "- email: is taken\n", nullptr, "Ok", { "Retry", "Help" });
    EXPECT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Help");
    EXPECT_EQ(alert->buttonTitleAtIndex(3), "");
    EXPECT_EQ(alert->addButtonWithTitle("More"), 3);

    auto noCancel = AlertView::alert("No Quorvel Account", "You must go online once and connect to the Quorvel server.", nullptr, "", { "OK" });
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel->firstOtherButtonIndex(), 0);
}

TEST_F(UiTest, AlertsAreAnsweredByIndexOrTitle)
{
    TestDriver driver;
    CallLog calls;
    AlertRecorder rec(calls);
    {
        auto alert = AlertView::alert("Title", "Message", &rec, "Cancel", { "OK" });
        alert->show();
    } // a shown alert keeps itself alive
    ASSERT_NE(driver.currentAlert(), nullptr);
    EXPECT_EQ(driver.currentAlert()->message(), "Message");
    EXPECT_FALSE(driver.answerAlert(5));
    EXPECT_TRUE(driver.answerAlert("OK"));
    EXPECT_EQ(driver.currentAlert(), nullptr);
    EXPECT_FALSE(driver.answerAlert(0)); // nothing shown any more
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "willPresent", "didPresent", "clicked 1", "willDismiss 1", "didDismiss 1" }));

    calls.clear();
    auto second = AlertView::alert("Again", "", &rec, "Cancel");
    second->show();
    EXPECT_TRUE(driver.answerAlert(0));
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "willPresent", "didPresent", "clicked 0", "willDismiss 0", "didDismiss 0" }));
    EXPECT_FALSE(second->isVisible());
}

TEST_F(UiTest, ActionSheetButtonsGoDestructiveOthersCancel)
{
    TestDriver driver;
    CallLog calls;
    AlertRecorder rec(calls);
    auto sheet = ActionSheet::sheet("Remove?", &rec, "Cancel", "Delete", { "Archive", "Mark" });
    EXPECT_EQ(sheet->destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet->firstOtherButtonIndex(), 1);
    EXPECT_EQ(sheet->cancelButtonIndex(), 3);
    sheet->showInView(driver.window());
    EXPECT_EQ(sheet->shownInView(), driver.window());
    EXPECT_TRUE(driver.answerActionSheet("Cancel"));
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "sheet clicked 3", "sheet didDismiss 3" }));

    sheet->showInView(nullptr);
    EXPECT_FALSE(sheet->isVisible());
    expectedWarnings = 1;
}
