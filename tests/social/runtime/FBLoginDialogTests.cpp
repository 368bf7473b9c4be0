// The Facebook login dialog as a view: shown in the key window, fitted above
// the on-screen keyboard while it is up and given its frame back when it goes,
// with a hook subclasses override to move differently.
#include "support/TestSupport.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/TextField.h"
#include "social/runtime/FBSession.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace platform;
using namespace platform::ui;

namespace {

class DialogWatcher : public FBDialogDelegate {
public:
    void dialogDidSucceed(FBDialog*) override { calls.push_back("succeed"); }
    void dialogDidCancel(FBDialog*) override { calls.push_back("cancel"); }
    void dialogDidFailWithError(FBDialog*, const FBError& e) override { calls.push_back("fail " + e.localizedDescription); }
    bool dialogShouldOpenURLInExternalBrowser(FBDialog*, const std::string& url) override
    {
        calls.push_back("link " + url);
        return allowLinks;
    }
    std::vector<std::string> calls;
    bool allowLinks { false };
};

class RequestWatcher : public FBRequestDelegate {
public:
    void requestDidFailWithError(FBRequest*, const FBError& e) override { calls.push_back("fail " + e.localizedDescription); }
    void requestWasCancelled(FBRequest*) override { calls.push_back("cancelled"); }
    std::vector<std::string> calls;
};

// Moves instead of fitting, as a dialog placed for a large screen does.
class SlidingDialog : public FBLoginDialog {
public:
    static Ref<SlidingDialog> make()
    {
        auto d = adoptRef(new SlidingDialog);
        d->initWithSession(nullptr);
        return d;
    }
    void keyboardWillShow(const Notification&) override { ++shows; }
    void keyboardWillHide(const Notification&) override { ++hides; }
    int shows { 0 }, hides { 0 };
};

class FBLoginDialogTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        TestDriver::reset();
        Screen::mainScreen().setKind(Screen::Kind::Phone);
        driver = std::make_unique<TestDriver>();
        first = TextField::textFieldWithFrame(Rect(10, 30, 100, 30));
        second = TextField::textFieldWithFrame(Rect(10, 70, 100, 30));
        driver->window()->addSubview(first.get());
        driver->window()->addSubview(second.get());
    }
    void TearDown() override
    {
        for (auto& d : std::vector<Ref<FBDialog>>(FBDialog::shownDialogs()))
            d->dismiss();
        first->removeFromSuperview();
        second->removeFromSuperview();
        driver.reset();
        TestDriver::reset();
        ManualClockTest::TearDown();
    }
    std::unique_ptr<TestDriver> driver;
    Ref<TextField> first, second;
};

} // namespace

TEST_F(FBLoginDialogTest, ShownInTheKeyWindowAndFittedAboveTheKeyboardOnce)
{
    auto dialog = FBLoginDialog::dialogWithSession(nullptr);
    dialog->show();
    ASSERT_EQ(dialog->superview(), driver->window());
    const Rect shown(10, 30, 300, 440); // the application frame less the padding
    EXPECT_EQ(dialog->frame(), shown);

    ASSERT_TRUE(first->becomeFirstResponder());
    EXPECT_TRUE(dialog->isMovedForKeyboard());
    // Portrait phone: the keyboard's 216 points leave 20..264 free.
    EXPECT_EQ(dialog->frame(), Rect(10, 30, 300, 224));
    // A second will-show (the focus moves to another field) changes nothing.
    ASSERT_TRUE(second->becomeFirstResponder());
    EXPECT_EQ(dialog->frame(), Rect(10, 30, 300, 224));
    ASSERT_TRUE(second->resignFirstResponder());
    EXPECT_FALSE(Keyboard::shared().isVisible());
    EXPECT_FALSE(dialog->isMovedForKeyboard());
    EXPECT_EQ(dialog->frame(), shown);

    // Off screen it no longer listens.
    dialog->dismiss();
    EXPECT_EQ(dialog->superview(), nullptr);
    ASSERT_TRUE(first->becomeFirstResponder());
    EXPECT_EQ(dialog->frame(), shown);
    first->resignFirstResponder();
}

TEST_F(FBLoginDialogTest, InLandscapeTheDialogKeepsToTheSideTheKeyboardLeaves)
{
    Application::sharedApplication().setStatusBarOrientation(InterfaceOrientation::LandscapeRight);
    auto dialog = FBLoginDialog::dialogWithSession(nullptr);
    dialog->show();
    // The status bar runs down the right edge; the keyboard (162 points) along the left.
    EXPECT_EQ(dialog->frame(), Rect(10, 10, 280, 460));
    ASSERT_TRUE(first->becomeFirstResponder());
    EXPECT_EQ(dialog->frame(), Rect(172, 10, 118, 460));
    first->resignFirstResponder();
    EXPECT_EQ(dialog->frame(), Rect(10, 10, 280, 460));
}

TEST_F(FBLoginDialogTest, SubclassesAnswerTheKeyboardThemselves)
{
    auto dialog = SlidingDialog::make();
    dialog->show();
    Rect shown = dialog->frame();
    first->becomeFirstResponder();
    second->becomeFirstResponder();
    second->resignFirstResponder();
    EXPECT_EQ(dialog->shows, 2);
    EXPECT_EQ(dialog->hides, 1);
    EXPECT_EQ(dialog->frame(), shown);
}

TEST_F(FBLoginDialogTest, DismissingWithSuccessOrNotTellsTheDelegateOnce)
{
    DialogWatcher watcher;
    auto dialog = FBLoginDialog::dialogWithSession(nullptr);
    dialog->setDelegate(&watcher);
    dialog->show();
    dialog->dismissWithSuccess(false, true);
    EXPECT_TRUE(FBDialog::shownDialogs().empty());
    dialog->show();
    dialog->dismissWithSuccess(true, false);
    EXPECT_EQ(watcher.calls, (std::vector<std::string> { "cancel", "succeed" }));
    // A delegate cleared first hears nothing (how a screen closes its dialog).
    dialog->show();
    dialog->setDelegate(nullptr);
    dialog->dismissWithSuccess(false, true);
    EXPECT_EQ(watcher.calls.size(), 2u);
    EXPECT_EQ(dialog->superview(), nullptr);
}

TEST_F(FBLoginDialogTest, AFailedDialogLeavesTheScreenAndOutsideLinksOpenOnlyWhenTheDelegateAgrees)
{
    DialogWatcher watcher;
    auto dialog = FBLoginDialog::dialogWithSession(nullptr);
    dialog->setDelegate(&watcher);
    dialog->show();
    dialog->fail(FBError { "NSURLErrorDomain", -1009, "The Internet connection appears to be offline." });
    EXPECT_FALSE(dialog->isShowing());
    EXPECT_TRUE(FBDialog::shownDialogs().empty());

    auto& app = Application::sharedApplication();
    size_t opened = app.openedURLs().size();
    EXPECT_FALSE(dialog->openExternalLink("http://example.invalid/terms"));
    EXPECT_EQ(app.openedURLs().size(), opened);
    watcher.allowLinks = true;
    EXPECT_TRUE(dialog->openExternalLink("http://example.invalid/help"));
    ASSERT_EQ(app.openedURLs().size(), opened + 1);
    EXPECT_EQ(app.openedURLs().back(), "http://example.invalid/help");
    EXPECT_EQ(watcher.calls, (std::vector<std::string> { "fail The Internet connection appears to be offline.",
                                                         "link http://example.invalid/terms",
                                                         "link http://example.invalid/help" }));
}

TEST_F(FBLoginDialogTest, ARequestEndsOnceByFailingOrBeingCancelled)
{
    RequestWatcher watcher;
    auto failed = FBRequest::requestWithDelegate(&watcher);
    failed->fail(FBError { "facebook", 190, "Session expired." });
    failed->cancel();
    auto cancelled = FBRequest::requestWithDelegate(&watcher);
    cancelled->cancel();
    cancelled->fail(FBError {});
    EXPECT_TRUE(failed->isFinished());
    EXPECT_EQ(watcher.calls, (std::vector<std::string> { "fail Session expired.", "cancelled" }));
}
